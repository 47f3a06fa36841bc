#pragma once

#include <QWidget>
#include <array>
#include <filesystem>
#include <memory>

#include "operations/workbench.h"
#include "singlesave/converter.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
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
  ConverterControls BuildConverterPanel(bool ssfHalf);
  void BuildPaneList(int pane, QWidget* parent);
  void ShowPane(int pane);
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
};

// The window icon, drawn rather than shipped: a save cartridge in the
// Saturn's blue with a bright arrow.
QIcon WindowIcon();

// Sets the font the window's sizes were laid out for.
void ApplyWindowFont(QWidget& window);

}  // namespace quillmere::ui
