#pragma once

#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <map>
#include <memory>

#include "catalog/catalog.h"
#include "operations/save_transfer.h"
#include "operations/workbench.h"
#include "singlesave/converter.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMimeData;
class QPushButton;
class QTableView;

namespace quillmere::ui {

class SaveRowsModel;

// The program's one window: the two converter panels on top, the two panes
// below. It owns the workbench and only relays clicks to the core.
class MainWindow : public QWidget {
  Q_OBJECT
 public:
  // `dialogs` shows messages, asks questions, picks files and reveals files;
  // the program passes a QtHost, tests a scripted one.
  MainWindow(std::filesystem::path programDirectory, Host& dialogs, QWidget* parent = nullptr);
  ~MainWindow() override;

  Workbench& bench() { return *bench_; }

  // The client area a classic 917 x 575 Windows frame leaves.
  static constexpr int kClientWidth = 911;
  static constexpr int kClientHeight = 550;

  void OnPaneKindChanged(int pane);
  void ReloadPane(int pane);
  void OnPaneHeaderClick(int pane, int column);

  // Pane 1 shows `folder`, pane 2 its OTHER folder, as they would the
  // program's folder (the program's FOLDER argument).
  void ShowFolder(const std::filesystem::path& folder);
  // The pane shows a container file where it lies (its kind follows its name),
  // or a folder's file of the pane's kind. False for a file of no container name.
  bool OpenInPane(int pane, const std::filesystem::path& path);
  // What a drop of `data` on the pane does: a transfer of the other pane's
  // dragged rows, a folder or container file opened, or single saves imported.
  // The work runs after the drop has returned, so the drag source is not kept
  // waiting on a question.
  bool AcceptsPaneDrop(int pane, const QMimeData& data) const;
  void DropOnPane(int pane, const QMimeData& data);

  // Shows every text in `language` from now on and tells languageChosen.
  void SwitchLanguage(catalog::Language language);
  // Told of a language chosen in the pane menu, to remember it.
  void setLanguageChosen(std::function<void(catalog::Language)> chosen) { languageChosen_ = std::move(chosen); }

  // The text "检查" shows: the problems of the pane's image, or that there are none.
  Message CheckReport(int pane) const;

  bool eventFilter(QObject* watched, QEvent* event) override;

  // The converter panels.
  void PickSsfFile();
  void PickSarooFile();
  void ShowSsfFile(const QString& path);
  void ShowSarooFile(const QString& path);
  void ConvertSsfToSaroo();
  void ConvertSarooToSsf();

 private:
  // Relays the core's reports to the dialogs host and refreshes the views.
  class WindowHost;

  struct PaneControls {
    QTableView* list = nullptr;
    SaveRowsModel* model = nullptr;
    QPushButton* refresh = nullptr;
    QPushButton* exportButton = nullptr;
    QPushButton* import = nullptr;
    QPushButton* map = nullptr;
    QPushButton* compact = nullptr;
    QLabel* remainingCaption = nullptr;
    QLabel* number = nullptr;
    QLabel* hint = nullptr;
    QComboBox* kind = nullptr;
    QLabel* warning = nullptr;    // the red "!" of an image with problems
    QLabel* fileLabel = nullptr;  // the file's place: fixed text, or the path of a file opened elsewhere
    QString fileLabelText;
    QMenu* menu = nullptr;
    QAction* exportBupAction = nullptr;
    QAction* exportSroAction = nullptr;
    QAction* importToGameAction = nullptr;
    QAction* deleteAction = nullptr;
    QAction* checkAction = nullptr;
    QAction* repairAction = nullptr;
    QAction* chinese = nullptr;
    QAction* english = nullptr;
  };

  // A control whose caption (and, in English, long-form tooltip) comes from the catalog.
  struct CaptionedControl {
    QObject* control;
    TextId text;
    std::optional<TextId> tip;
  };

  struct ConverterControls {
    QGroupBox* frame = nullptr;
    QLineEdit* path = nullptr;
    QPushButton* pick = nullptr;
    QTableView* list = nullptr;
    SaveRowsModel* model = nullptr;
    QPushButton* convert = nullptr;
  };

  void BuildMainWindow();
  template <typename Control>
  Control* Caption(Control* control, TextId text, std::optional<TextId> tip = std::nullopt);
  void ApplyTexts();
  void ShowPaneHint(int pane);
  void Transfer(int source, int destination);
  // Runs a transfer or import run whose messages are told as one at its end.
  void TellRun(TextId summary, const std::function<TransferReport()>& run);
  ConverterControls BuildConverterPanel(bool ssfHalf);
  void BuildPaneList(int pane, QWidget* parent);
  void BuildPaneMenu(int pane);
  void ShowPane(int pane);
  void ShowPaneWarning(int pane);
  void ShowPaneFileLabel(int pane);
  void AcceptDrops(QWidget* site);
  void SetPaneButton(int pane, PaneButton button, const QString& caption, bool enabled);
  PaneControls& controls(int pane) { return panes_[static_cast<std::size_t>(pane - 1)]; }

  std::unique_ptr<WindowHost> host_;
  std::unique_ptr<Workbench> bench_;
  std::array<PaneControls, 2> panes_;
  ConverterControls ssf_;
  ConverterControls saroo_;
  // The converter rows: one row each, empty until a file is shown.
  std::vector<SaveEntry> ssfRow_{1};
  std::vector<SaveEntry> sarooRow_{1};
  singlesave::SingleSaveRow ssfShown_;
  singlesave::SarooShown sarooShown_;
  QPushButton* transferRight_ = nullptr;  // "转移>>": pane 1 into pane 2
  QPushButton* transferLeft_ = nullptr;   // "<<转移": pane 2 into pane 1
  QCheckBox* clearUnused_ = nullptr;
  QCheckBox* overwrite_ = nullptr;
  // What a drag from a pane carries: this window and the pane, so a drag from
  // another window is never read as this one's selection.
  QByteArray DragPayload(int pane) const;
  // The widgets that take drops: pane lists (1, 2) and converter panels.
  static constexpr int kSsfPanelSite = -1;
  static constexpr int kSarooPanelSite = -2;
  std::map<QObject*, int> dropSites_;
  std::vector<CaptionedControl> captions_;
  std::function<void(catalog::Language)> languageChosen_;
};

// The format of rows dragged from a pane.
inline constexpr const char* kPaneRowsMimeType = "application/x-quillmere-pane-rows";

// The window icon, drawn rather than shipped: a save cartridge in the
// Saturn's blue with a bright arrow.
QIcon WindowIcon();

// Sets the font the window's sizes were laid out for.
void ApplyWindowFont(QWidget& window);

}  // namespace quillmere::ui
