#pragma once

#include <QWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "catalog/catalog.h"
#include "operations/save_transfer.h"
#include "operations/workbench.h"
#include "ui/controls.h"
#include "ui/pane_view.h"

class QCheckBox;
class QMimeData;
class QPushButton;

namespace quillmere::ui {

class ConverterPanel;
class PaneView;

// The program's one window: the two converter panels on top, the two panes
// below with the transfer buttons and the two options between them. It owns
// the workbench.
class MainWindow : public QWidget {
  Q_OBJECT
 public:
  // `dialogs` shows messages, asks questions, picks files and reveals files;
  // the program passes a QtHost, tests a scripted one.
  // `workingFolder` is where the panes usually look and exports go.
  MainWindow(std::filesystem::path workingFolder, Host& dialogs,
             WorkingFolderPlace working = WorkingFolderPlace::kProgramFolder, QWidget* parent = nullptr);
  ~MainWindow() override;

  Workbench& bench() { return *bench_; }

  // The client area a classic 917 x 575 Windows frame leaves.
  static constexpr int kClientWidth = 911;
  static constexpr int kClientHeight = 550;

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

  bool eventFilter(QObject* watched, QEvent* event) override;

  // The pane F5 reloads: the one under the mouse, else the one holding the
  // focus; nothing when neither is (a reload may write the file).
  std::optional<int> PaneForKeys() const;

 protected:
  // Extra room beyond the drawn size goes to the lists, half to each.
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Relays the core's reports to the dialogs host and refreshes the views.
  class WindowHost;

  void BuildMainWindow(WorkingFolderPlace working);
  void KeepTabOrder();
  void ApplyTexts();
  void Transfer(int source, int destination);
  // Runs a drop's work once the drop has returned and no slow work is under way.
  void AfterDrop(std::function<void()> work, int delayMs = 0);
  PaneView& view(int pane) const { return *panes_[static_cast<std::size_t>(pane - 1)]; }

  std::unique_ptr<WindowHost> host_;
  std::unique_ptr<Workbench> bench_;
  std::array<PaneView*, 2> panes_{};
  std::array<ConverterPanel*, 2> panels_{};
  QWidget* area_ = nullptr;  // the transfer area's frame
  // The controls between the panes, and their places in the transfer area as drawn.
  std::vector<std::pair<QWidget*, QRect>> between_;
  QPushButton* transferRight_ = nullptr;  // "转移>>": pane 1 into pane 2
  QPushButton* transferLeft_ = nullptr;   // "<<转移": pane 2 into pane 1
  QCheckBox* clearUnused_ = nullptr;
  QCheckBox* overwrite_ = nullptr;
  Captions captions_;
  // What a drag from a pane carries: this window and the pane, so a drag from
  // another window is never read as this one's selection.
  QByteArray DragPayload(int pane) const;
  // The widgets that take drops of rows, files and folders, and their panes.
  std::map<QObject*, int> dropSites_;
  std::function<void(catalog::Language)> languageChosen_;
};

// The window icon, drawn rather than shipped: a save cartridge in the
// Saturn's blue with a bright arrow.
QIcon WindowIcon();

// Sets the font the window's sizes were laid out for.
void ApplyWindowFont(QWidget& window);

}  // namespace quillmere::ui
