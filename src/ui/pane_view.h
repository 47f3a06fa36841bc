#pragma once

#include <QByteArray>
#include <QRect>
#include <QWidget>
#include <filesystem>
#include <utility>
#include <vector>

#include "catalog/catalog.h"
#include "operations/workbench.h"
#include "ui/controls.h"

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QTableView;

namespace quillmere::ui {

class KindComboBox;
class SaveRowsModel;

// The format of rows dragged from a pane.
inline constexpr const char* kPaneRowsMimeType = "application/x-quillmere-pane-rows";

// What sets one pane apart from the other: its part of the transfer area,
// each control's place in that area, the file label's fixed text, the
// folder it usually shows (under the program's) and the hint that names it.
struct PaneSetup {
  int number;
  const char* prefix;  // of the controls' object names
  QRect place;
  QRect list, refresh, exportButton, import, map, compact, kind;
  // The figure's place is all the room it has: its unit follows it where it fits.
  QRect remainingCaption, figure, hint, fileLabel;
  const char* usualSubfolder;  // empty: the program's folder itself
  // The hint and its tooltip, naming the file the pane looks for.
  UiPhrase (*hintText)(std::string file);
  UiPhrase (*hintTip)(std::string file);
  // The controls under the list keep their distance from the pane's right
  // edge when the pane widens (pane 2's), else from its left.
  bool controlsFollowRightEdge;
};

// Where the window's working folder lies: the program's own folder (an
// unpacked copy), or the user's folder in the documents (an installed copy).
enum class WorkingFolderPlace { kProgramFolder, kUserFolder };

extern const PaneSetup kPane1;
extern const PaneSetup kPane2;

// One pane: its saves list and its context menu, its buttons and kind list,
// the free-space figure, the hint and the file's place. Its clicks go to the
// core; it shows what the workbench's pane holds.
class PaneView : public QWidget {
  Q_OBJECT
 public:
  // `dragPayload` is what a drag of its rows carries. Placed in `area` at setup.place.
  PaneView(const PaneSetup& setup, Workbench& bench, WorkingFolderPlace working, QByteArray dragPayload, QWidget* area);

  QTableView* list() const { return list_; }
  ContainerKind ShownKind() const;
  void ChooseKind(ContainerKind kind);

  // Shows `path` where it lies: a folder's file of the pane's kind, or a
  // container file of the kind its name or content tells. False, showing
  // nothing new, for any other file.
  bool OpenPlace(const std::filesystem::path& path);
  // Shows the pane's file beside the program again (pane 2: in OTHER).
  void ShowUsualPlace();

  // Sets the controls for the kind chosen, then loads the pane's file of that kind.
  void OnKindChanged();
  // Shows the pane as the workbench holds it.
  void ShowPane();
  void ApplyTexts();
  // The compact button's caption and state, as a run sets them.
  void SetCompactButton(const QString& caption, bool enabled);
  // Places the pane `shift` pixels right of its place in the transfer area,
  // `extraWidth` wider and `extraHeight` taller than drawn: the list takes
  // the room, the controls under it move down with its bottom edge.
  void Stretch(int shift, int extraWidth, int extraHeight);
  // "刷新": reads the pane's file again.
  void Reload();

 signals:
  // Whether the pane takes saves now (the transfer into it follows), and
  // when not, why: no file listed, or one no writer may touch.
  void writableChanged(bool writable, const QString& whyNot);
  void languageChosen(catalog::Language language);

 private:
  void BuildMenu();
  // Sets the controls for `kind` and loads the pane's file of that kind.
  void ApplyKind(ContainerKind kind);
  // The memory of a file that holds two: the other one is shown.
  void SwitchMemory();
  void OnHeaderClick(int column);
  void ShowHint();
  // The figure, with its unit where it fits, and the warning sign after it.
  void ShowFigure();
  void ShowFileLabel();
  // What cannot work without a file is off, its tooltip saying why.
  void ShowAvailability();
  // The kind list names the kind, not a file name, for a file of another name.
  void ShowKindWords();
  // The entry that switches a file of two memories to the other, in the current words.
  void ShowOtherMemory();

  // A place in the transfer area as this pane shows it now: its own
  // coordinates, moved with the controls under the list.
  QRect ControlPlace(QRect inArea) const;

  const PaneSetup& setup_;
  Workbench& bench_;
  const WorkingFolderPlace working_;
  // How far the controls under the list lie from where they were drawn.
  QPoint controlsShift_;
  // The controls at fixed places under the list, and those places in the area.
  std::vector<std::pair<QWidget*, QRect>> placed_;
  Captions captions_;
  QTableView* list_ = nullptr;
  SaveRowsModel* model_ = nullptr;
  QPushButton* import_ = nullptr;
  QPushButton* map_ = nullptr;
  QPushButton* compact_ = nullptr;
  QLabel* remainingCaption_ = nullptr;
  QLabel* number_ = nullptr;
  QLabel* hint_ = nullptr;
  KindComboBox* kind_ = nullptr;
  QPushButton* exportButton_ = nullptr;
  QLabel* warning_ = nullptr;    // the red "!" of an image with problems
  QLabel* fileLabel_ = nullptr;  // the listed file's name, its form and memory; its path in the tooltip
  QMenu* menu_ = nullptr;
  QAction* exportBup_ = nullptr;
  QAction* exportSro_ = nullptr;
  QAction* importToGame_ = nullptr;
  QAction* openFile_ = nullptr;
  QAction* openFolder_ = nullptr;
  QAction* usualPlace_ = nullptr;
  QAction* otherMemory_ = nullptr;  // of a file that holds two memories
  QAction* delete_ = nullptr;
  QAction* check_ = nullptr;
  QAction* repair_ = nullptr;
  QAction* undo_ = nullptr;
  QAction* history_ = nullptr;
  QAction* chinese_ = nullptr;
  QAction* english_ = nullptr;
};

}  // namespace quillmere::ui
