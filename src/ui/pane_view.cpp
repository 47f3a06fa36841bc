#include "ui/pane_view.h"

#include <QAction>
#include <QCollator>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTableView>
#include <algorithm>

#include "containers/save_file.h"
#include "model/conversions.h"
#include "operations/compacting.h"
#include "operations/image_care.h"
#include "operations/pane_load.h"
#include "operations/pane_sort.h"
#include "operations/save_transfer.h"
#include "platform/file_io.h"
#include "ui/history_dialog.h"
#include "ui/kind_combo_box.h"
#include "ui/map_window.h"
#include "ui/save_rows_model.h"

namespace quillmere::ui {

// Places in the transfer area, as the window was drawn; the two panes are not
// mirror images of each other.
const PaneSetup kPane1 = {
    1, "pane1", QRect(0, 0, 448, 412),
    QRect(5, 16, 440, 346), QRect(8, 364, 45, 22), QRect(57, 364, 45, 22), QRect(106, 364, 45, 22),
    QRect(153, 364, 35, 22), QRect(8, 387, 45, 22), QRect(58, 388, 94, 22),
    QRect(198, 369, 28, 16), QRect(231, 369, 70, 16), QRect(172, 395, 140, 14), QRect(303, 366, 92, 24),
    "", [](std::string file) -> UiPhrase { return HintProgramFolder{file}; },
    [](std::string file) -> UiPhrase { return HintProgramFolderTip{file}; }, false,
};

const PaneSetup kPane2 = {
    2, "pane2", QRect(448, 0, 448, 412),
    QRect(450, 16, 440, 346), QRect(843, 364, 45, 22), QRect(794, 364, 45, 22), QRect(745, 364, 45, 22),
    QRect(707, 365, 35, 22), QRect(843, 387, 45, 22), QRect(743, 389, 94, 22),
    QRect(623, 371, 28, 16), QRect(656, 371, 50, 16), QRect(603, 395, 140, 14), QRect(503, 367, 115, 24),
    "OTHER", [](std::string file) -> UiPhrase { return HintOtherFolder{file}; },
    [](std::string file) -> UiPhrase { return HintOtherFolderTip{file}; }, true,
};

namespace {

// The side of the warning sign after a pane's figure.
constexpr int kWarningSize = 12;
// The file label's second line (form and memory, or folder) is this small,
// so that two lines fit the label's height.
constexpr int kTwoLinePixels = 10;

QString Text(UiText id) { return ToQString(Caption(id)); }

// The folder a pane looks in: that of the file it lists or looks for.
std::filesystem::path LookedAtFolder(const Pane& state) {
  return state.file.empty() ? state.folder : state.file.parent_path();
}

// The name of the file a pane lists, or looks for while it is missing.
QString ListedName(const Pane& state) {
  return state.file.empty() ? QString::fromUtf8(ContainerFileName(state.kind).data()) : PathText(state.file.filename());
}

// The words of a backup memory's file form and of the memory shown, as
// the opener established them: "MiSTer" (a file of two memories) and which
// of the two, "Mednafen" (packed), "gzip". A word-wide file of one memory,
// the SAROO's own form, has none.
QStringList FormWords(const Pane& state) {
  QStringList words;
  if (!state.IsBackupMemory() || !state.HasFile()) return words;
  if (state.form.twoMemories) words << Text(UiText::kFormTwoMemories);
  else if (state.form.layout == backup_ram::RamLayout::kPacked) words << Text(UiText::kFormPacked);
  if (state.form.gzip) words << Text(UiText::kFormGzip);
  if (state.form.twoMemories) {
    words << Text(state.device == backup_ram::Device::kCart ? UiText::kDeviceCartridge : UiText::kDeviceInternal);
  }
  return words;
}

// The form spelled out, for the label's tooltip.
QStringList FormTips(const Pane& state) {
  QStringList tips;
  if (!state.IsBackupMemory() || !state.HasFile()) return tips;
  if (state.form.twoMemories) tips << Text(UiText::kFormTwoMemoriesTip);
  tips << Text(state.form.layout == backup_ram::RamLayout::kPacked ? UiText::kFormPackedTip : UiText::kFormWordWideTip);
  if (state.form.gzip) tips << Text(UiText::kFormGzipTip);
  return tips;
}

// What the figure counts: bytes for an SS_MEMS.BIN; blocks for a backup
// memory, whose internal figure counts 64-byte blocks as the console's own
// manager does (461 when empty), and a cartridge's its free blocks.
UiText UnitOf(const Pane& state) {
  return state.kind == ContainerKind::kMems ? UiText::kUnitBytes : UiText::kUnitBlocks;
}

}  // namespace

PaneView::PaneView(const PaneSetup& setup, Workbench& bench, WorkingFolderPlace working, QByteArray dragPayload,
                   QWidget* area)
    : QWidget(area), setup_(setup), bench_(bench), working_(working) {
  setObjectName(QString(setup.prefix) + "View");
  setGeometry(setup.place);
  const QString prefix = setup.prefix;
  auto name = [&](const char* part) { return (prefix + part).toLatin1(); };
  // The controls' places are the area's; this widget starts at setup.place.
  auto at = [&](QRect inArea) { return inArea.translated(-setup.place.topLeft()); };
  const int pane = setup.number;

  // Made in the order they overlap: the warning sign over the map button.
  import_ = captions_.Add(MakeButton(this, {}, at(setup.import), name("Import")), UiText::kImport);
  exportButton_ = captions_.Add(MakeButton(this, {}, at(setup.exportButton), name("Export")), UiText::kExport);
  auto* refresh = captions_.Add(MakeButton(this, {}, at(setup.refresh), name("Refresh")), UiText::kRefresh);
  compact_ = captions_.Add(MakeButton(this, {}, at(setup.compact), name("Compact")), UiText::kCompact, UiText::kCompactTip);
  map_ = captions_.Add(MakeButton(this, {}, at(setup.map), name("Map")), UiText::kMap);
  hint_ = MakeLabel(this, {}, at(setup.hint), kRedText, name("Hint"));
  remainingCaption_ = captions_.Add(MakeLabel(this, {}, at(setup.remainingCaption), kBlackText, name("RemainingCaption")),
                                    UiText::kRemaining, UiText::kRemainingTip);
  number_ = MakeLabel(this, {}, at(setup.figure), kRedText, name("Number"));
  fileLabel_ = MakeLabel(this, {}, at(setup.fileLabel), kMagentaText, name("FileLabel"));
  // A warning sign of its own, so that it does not read as a digit of the red
  // figure; hidden until an image with problems is loaded, then placed after the figure.
  warning_ = MakeLabel(this, {}, {0, 0, kWarningSize, kWarningSize}, kRedText, name("Warning"));
  warning_->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(kWarningSize, kWarningSize));
  warning_->hide();
  placed_ = {{import_, setup.import},       {exportButton_, setup.exportButton},
             {refresh, setup.refresh},      {compact_, setup.compact},
             {map_, setup.map},             {hint_, setup.hint},
             {remainingCaption_, setup.remainingCaption}, {number_, setup.figure}};

  list_ = MakeList(this, at(setup.list), name("List"));
  std::vector<SaveColumn> columns;
  for (std::size_t i = 0; i < kSaveColumnCount; ++i) columns.push_back(static_cast<SaveColumn>(i));
  model_ = new SaveRowsModel([&bench, pane]() -> const std::vector<SaveEntry>& { return bench.pane(pane).rows; },
                             columns, Qt::AlignHCenter, list_);
  // An SS_SAVE.BIN row names its game.
  model_->SetRowTip([&bench, pane](int row) {
    const Pane& state = bench.pane(pane);
    if (state.kind != ContainerKind::kSave || row < 0 || static_cast<std::size_t>(row) >= state.rows.size()) return QString();
    return ToQString(DecodeName(save_file::GameIdOf(state.image, state.RecordOfRow(static_cast<std::size_t>(row)).area)));
  });
  list_->setModel(model_);
  model_->SetDragPayload(kPaneRowsMimeType, std::move(dragPayload));
  list_->setDragEnabled(true);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->horizontalHeader()->setSectionsClickable(true);
  // The style's least section width (wider than "Num" in some fonts) would
  // widen the columns past the list once a vertical scroll bar takes its part.
  list_->horizontalHeader()->setMinimumSectionSize(kSaveColumnWidths[0]);
  for (std::size_t i = 0; i < kSaveColumnCount; ++i) {
    list_->setColumnWidth(static_cast<int>(i), kSaveColumnWidths[i]);
  }
  // "Size" takes what the row has left, so a vertical scroll bar narrows it
  // rather than pushing the row under a horizontal one.
  list_->horizontalHeader()->setStretchLastSection(true);
  connect(list_->horizontalHeader(), &QHeaderView::sectionClicked, this, &PaneView::OnHeaderClick);
  connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, pane] {
    std::vector<int> selected;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows()) selected.push_back(index.row());
    std::sort(selected.begin(), selected.end());
    bench_.pane(pane).selection = std::move(selected);
  });
  BuildMenu();

  kind_ = new KindComboBox(this);
  kind_->setObjectName(name("Kind"));
  kind_->setGeometry(at(setup.kind));
  placed_.push_back({kind_, setup.kind});
  kind_->setMaxVisibleItems(4);
  for (const ContainerKind kind : kAllContainerKinds) kind_->addItem(QString::fromUtf8(ContainerFileName(kind).data()));
  kind_->setCurrentIndex(0);
  connect(kind_, &QComboBox::currentIndexChanged, this, &PaneView::OnKindChanged);
  connect(refresh, &QPushButton::clicked, this, &PaneView::Reload);
  connect(exportButton_, &QPushButton::clicked, this, [this, pane] { ExportSingleSave(bench_, pane); });
  // One file or several: one is imported with its questions, several as a drop.
  connect(import_, &QPushButton::clicked, this, [this, pane] { ImportPickedSaves(bench_, pane); });
  connect(compact_, &QPushButton::clicked, this, [this, pane] { CompactPane(bench_, pane); });
  connect(map_, &QPushButton::clicked, this,
          [this, pane] { OpenMapWindow(BuildAllocationMap(bench_.pane(pane)), window()); });
}

void PaneView::BuildMenu() {
  const QString prefix = setup_.prefix;
  const int pane = setup_.number;
  menu_ = new QMenu(list_);
  menu_->setObjectName(prefix + "Menu");
  // An entry that is off says why.
  menu_->setToolTipsVisible(true);
  exportBup_ = captions_.Add(menu_->addAction(QString()), UiText::kExportBup);
  exportBup_->setObjectName(prefix + "ExportBup");
  exportSro_ = captions_.Add(menu_->addAction(QString()), UiText::kExportSro);
  exportSro_->setObjectName(prefix + "ExportSro");
  menu_->addSeparator();
  importToGame_ = captions_.Add(menu_->addAction(QString()), UiText::kImportToGame);
  importToGame_->setObjectName(prefix + "ImportToGame");
  delete_ = captions_.Add(menu_->addAction(QString()), UiText::kDelete);
  check_ = captions_.Add(menu_->addAction(QString()), UiText::kCheck);
  repair_ = captions_.Add(menu_->addAction(QString()), UiText::kRepair);
  // Any write of the pane's file can be taken back.
  undo_ = captions_.Add(menu_->addAction(QString()), UiText::kUndoLastChange);
  history_ = captions_.Add(menu_->addAction(QString()), UiText::kHistoryMenu);
  undo_->setObjectName(prefix + "Undo");
  history_->setObjectName(prefix + "History");
  undo_->setShortcut(QKeySequence::Undo);
  undo_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  list_->addAction(undo_);
  connect(undo_, &QAction::triggered, this, [this, pane] { UndoLastChange(bench_, pane); });
  connect(history_, &QAction::triggered, this, [this, pane] { ShowHistory(bench_, pane, window()); });
  // Where the pane's file lies: another file or folder, or back beside the
  // program; and the other memory of a file that holds two.
  menu_->addSeparator();
  openFile_ = captions_.Add(menu_->addAction(QString()), UiText::kOpenFile);
  openFolder_ = captions_.Add(menu_->addAction(QString()), UiText::kOpenFolder);
  usualPlace_ = captions_.Add(menu_->addAction(QString()), UiText::kUsualFolder);
  otherMemory_ = menu_->addAction(QString());
  openFile_->setObjectName(prefix + "OpenFile");
  openFolder_->setObjectName(prefix + "OpenFolder");
  usualPlace_->setObjectName(prefix + "UsualFolder");
  otherMemory_->setObjectName(prefix + "OtherMemory");
  otherMemory_->setVisible(false);
  const auto shownFolder = [this, pane] {
    const Pane& state = bench_.pane(pane);
    return state.file.empty() ? state.folder : state.file.parent_path();
  };
  connect(openFile_, &QAction::triggered, this, [this, shownFolder] {
    const auto chosen = bench_.host().PickOpenFile(FileFilter::kContainer, shownFolder());
    if (!chosen || OpenPlace(*chosen)) return;
    // A single save picked where a container was asked for is named, with the way to import it.
    bench_.host().ShowMessage(IsSingleSaveFile(*chosen)
                                  ? Message{SingleSaveNotContainer{platform::PathToUtf8(*chosen)}, {}}
                                  : Message{WrongFormat{}, {}});
  });
  connect(openFolder_, &QAction::triggered, this, [this, shownFolder] {
    if (const auto chosen = bench_.host().PickFolder(shownFolder())) OpenPlace(*chosen);
  });
  connect(usualPlace_, &QAction::triggered, this, &PaneView::ShowUsualPlace);
  connect(otherMemory_, &QAction::triggered, this, &PaneView::SwitchMemory);
  // The languages, each named in its own words; the choice applies at once.
  menu_->addSeparator();
  chinese_ = captions_.Add(menu_->addAction(QString()), UiText::kLanguageChinese);
  english_ = captions_.Add(menu_->addAction(QString()), UiText::kLanguageEnglish);
  chinese_->setObjectName(prefix + "Chinese");
  english_->setObjectName(prefix + "English");
  for (QAction* action : {chinese_, english_}) action->setCheckable(true);
  connect(chinese_, &QAction::triggered, this, [this] { emit languageChosen(catalog::Language::kChinese); });
  connect(english_, &QAction::triggered, this, [this] { emit languageChosen(catalog::Language::kEnglish); });
  delete_->setObjectName(prefix + "Delete");
  check_->setObjectName(prefix + "Check");
  repair_->setObjectName(prefix + "Repair");
  // The Delete key deletes while the list has the focus.
  delete_->setShortcut(QKeySequence::Delete);
  delete_->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  list_->addAction(delete_);
  connect(exportBup_, &QAction::triggered, this, [this, pane] { ExportSingleSave(bench_, pane, ExportForm::kBup); });
  connect(exportSro_, &QAction::triggered, this, [this, pane] { ExportSingleSave(bench_, pane, ExportForm::kSro); });
  // The game is asked first, with the selected row's game chosen.
  connect(importToGame_, &QAction::triggered, this, [this, pane] { ImportSingleSave(bench_, pane); });
  connect(delete_, &QAction::triggered, this, [this, pane] { DeleteSaves(bench_, pane); });
  connect(check_, &QAction::triggered, this, [this, pane] { bench_.host().ShowMessage(CheckPaneFile(bench_, pane)); });
  connect(repair_, &QAction::triggered, this, [this, pane] { RepairPane(bench_, pane); });
  list_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(list_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { menu_->popup(list_->viewport()->mapToGlobal(at)); });
}

ContainerKind PaneView::ShownKind() const { return static_cast<ContainerKind>(std::max(0, kind_->currentIndex())); }

void PaneView::ChooseKind(ContainerKind kind) { kind_->setCurrentIndex(static_cast<int>(kind)); }

void PaneView::OnKindChanged() {
  const ContainerKind kind = ShownKind();
  Pane& state = bench_.pane(setup_.number);
  // A pane showing a file outside its usual folder shows that folder's file of the new kind.
  if (!state.fixedFile.empty()) {
    state.fixedFile = platform::ResolveFileName(state.fixedFile.parent_path(), ContainerFileName(kind));
  }
  state.blockSize.reset();
  state.layout.reset();
  state.device = backup_ram::Device::kInternal;
  ApplyKind(kind);
}

bool PaneView::OpenPlace(const std::filesystem::path& path) {
  Pane& state = bench_.pane(setup_.number);
  std::error_code error;
  std::optional<ContainerKind> kind = state.kind;
  if (std::filesystem::is_directory(path, error)) {
    state.fixedFile = platform::ResolveFileName(path, ContainerFileName(state.kind));
  } else if ((kind = ContainerKindOfFile(path))) {
    state.fixedFile = path;
  } else {
    return false;
  }
  state.blockSize.reset();
  state.layout.reset();
  state.device = backup_ram::Device::kInternal;
  // The kind list shows the kind without choosing the folder's file of it.
  const QSignalBlocker quiet(kind_);
  ChooseKind(*kind);
  ApplyKind(*kind);
  return true;
}

void PaneView::ShowUsualPlace() {
  Pane& state = bench_.pane(setup_.number);
  const std::filesystem::path& program = bench_.programDirectory();
  state.folder = *setup_.usualSubfolder ? program / setup_.usualSubfolder : program;
  state.fixedFile.clear();
  state.blockSize.reset();
  state.layout.reset();
  state.device = backup_ram::Device::kInternal;
  ReloadPane(bench_, setup_.number);
}

void PaneView::SwitchMemory() {
  Pane& state = bench_.pane(setup_.number);
  state.device = state.device == backup_ram::Device::kCart ? backup_ram::Device::kInternal : backup_ram::Device::kCart;
  ReloadPane(bench_, setup_.number);
}

void PaneView::ApplyKind(ContainerKind kind) {
  Pane& state = bench_.pane(setup_.number);
  state.kind = kind;
  ShowHint();
  remainingCaption_->setVisible(state.ShowsRemaining());
  number_->setVisible(state.ShowsRemaining());
  SetPaneKind(bench_, setup_.number, kind);
}

void PaneView::OnHeaderClick(int column) {
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseSensitive);
  quillmere::OnPaneHeaderClick(bench_, setup_.number, column, [&collator](const std::string& a, const std::string& b) {
    return collator.compare(QString::fromStdString(a), QString::fromStdString(b));
  });
}

void PaneView::ApplyTexts() {
  captions_.Apply();
  const bool english = catalog::CurrentLanguage() == catalog::Language::kEnglish;
  chinese_->setChecked(!english);
  english_->setChecked(english);
  ShowHint();
  ShowFigure();
  ShowFileLabel();
  ShowKindWords();
  ShowAvailability();
  ShowOtherMemory();
  emit model_->headerDataChanged(Qt::Horizontal, 0, model_->columnCount({}) - 1);
}

void PaneView::ShowHint() {
  const Pane& state = bench_.pane(setup_.number);
  const std::filesystem::path& program = bench_.programDirectory();
  const std::filesystem::path usual = *setup_.usualSubfolder ? program / setup_.usualSubfolder : program;
  const std::filesystem::path folder = LookedAtFolder(state);
  const std::string name(ContainerFileName(state.kind));
  const bool english = catalog::CurrentLanguage() == catalog::Language::kEnglish;
  if (folder == usual && working_ == WorkingFolderPlace::kProgramFolder) {
    hint_->setText(ToQString(Say(setup_.hintText(name))));
    hint_->setToolTip(english ? ToQString(Say(setup_.hintTip(name))) : QString());
    return;
  }
  // Another folder (dropped, opened, given at the start, or the user's
  // folder of an installed copy): the hint names it, its end where the whole
  // does not fit, and the tooltip the whole path.
  const QString path = QDir::toNativeSeparators(PathText(folder));
  QString end = PathText(folder.filename());
  if (end.isEmpty()) end = path;
  const bool userFolder = working_ == WorkingFolderPlace::kUserFolder && folder == bench_.programDirectory();
  const auto text = [&](std::string shown) -> UiPhrase {
    if (userFolder) return HintUserFolder{name, shown};
    return HintFolder{name, shown};
  };
  const QString spare = ToQString(Say(text("")));
  const int room = std::max(0, hint_->width() - hint_->fontMetrics().horizontalAdvance(spare));
  end = hint_->fontMetrics().elidedText(end, Qt::ElideMiddle, room);
  hint_->setText(ToQString(Say(text(end.toStdString()))));
  hint_->setToolTip(ToQString(Say(HintFolderTip{name, path.toStdString()})));
}

void PaneView::ShowPane() {
  const Pane& state = bench_.pane(setup_.number);
  model_->Refresh();
  hint_->setVisible(state.hintVisible);
  ShowHint();
  ShowFigure();
  ShowFileLabel();
  ShowKindWords();
  ShowAvailability();
  ShowOtherMemory();
}

void PaneView::ShowAvailability() {
  const Pane& state = bench_.pane(setup_.number);
  // Why a control is off: the file is missing, or its opening forbids writing it.
  QString whyNot;
  if (!state.HasFile()) {
    const std::string folder = QDir::toNativeSeparators(PathText(LookedAtFolder(state))).toStdString();
    whyNot = ToQString(Say(NoFileHere{ListedName(state).toStdString(), folder}));
  } else if (state.writeRefusal) {
    whyNot = ToQString(catalog::Render(*state.writeRefusal));
  }
  const bool loaded = state.HasFile() && !state.image.empty();
  // The writers: this pane's import and compact, and the transfer that leads
  // into it, for a listed file whose opening left no doubt.
  const bool takes = state.TakesSaves();
  const auto set = [&](QWidget* control, bool on, bool forFile) {
    control->setEnabled(on);
    control->setToolTip(!on && forFile ? whyNot : captions_.Tip(control));
  };
  set(import_, takes, true);
  // Compacting is for SS_MEMS.BIN alone: another kind keeps the caption's tip.
  set(compact_, state.Compactable(), state.kind == ContainerKind::kMems);
  set(map_, state.HasMap() && state.HasFile(), state.HasMap());
  set(exportButton_, state.HasFile(), true);
  emit writableChanged(takes, takes ? QString() : whyNot);
  exportBup_->setEnabled(!state.rows.empty());
  exportSro_->setEnabled(!state.rows.empty());
  importToGame_->setEnabled(takes && state.kind == ContainerKind::kSave);
  delete_->setEnabled(loaded && state.Writable());
  repair_->setEnabled(loaded && state.Repairable());
  check_->setEnabled(loaded);
  // A file that has gone can still be put back from its history.
  undo_->setEnabled(!state.file.empty());
  history_->setEnabled(!state.file.empty());
  for (QAction* action : {delete_, repair_, check_, importToGame_}) {
    action->setToolTip(action->isEnabled() ? action->text() : whyNot.isEmpty() ? action->text() : whyNot);
  }
}

void PaneView::ShowOtherMemory() {
  const Pane& state = bench_.pane(setup_.number);
  const bool backupRam = state.kind == ContainerKind::kBkram || state.kind == ContainerKind::kBup;
  otherMemory_->setVisible(backupRam && state.form.twoMemories && !state.hintVisible);
  otherMemory_->setText(ToQString(Caption(state.device == backup_ram::Device::kCart ? UiText::kShowInternal
                                                                                        : UiText::kShowCartridge)));
}

void PaneView::ShowFigure() {
  const Pane& state = bench_.pane(setup_.number);
  const QString figure = ToQString(state.numberLabel);
  const QString unit = Text(UnitOf(state));
  const bool english = catalog::CurrentLanguage() == catalog::Language::kEnglish;
  // The figure's tooltip says what it counts; a damaged image adds its problems.
  QStringList tips;
  if (!figure.isEmpty()) {
    tips << ToQString(Say(RemainingFigure{state.numberLabel, unit.toStdString()}));
  }
  if (!state.problems.empty()) tips << ToQString(catalog::Render(ProblemReport(state.problems, kTooltipLimit), "\n"));
  // The unit follows the figure where the figure's room holds both (and the sign).
  const QString withUnit = figure + (english ? " " : "") + unit;
  const int sign = state.problems.empty() ? 0 : 4 + kWarningSize;
  const QFontMetrics metrics = number_->fontMetrics();
  const bool fits = !figure.isEmpty() && metrics.horizontalAdvance(withUnit) + sign <= setup_.figure.width();
  number_->setText(fits ? withUnit : figure);
  number_->setToolTip(tips.join("\n"));
  if (state.problems.empty()) {
    warning_->hide();
    warning_->setToolTip({});
    return;
  }
  warning_->setToolTip(ToQString(catalog::Render(ProblemReport(state.problems, kTooltipLimit), "\n")));
  const QRect shown = number_->geometry();
  const int right = shown.x() + metrics.horizontalAdvance(number_->text());
  warning_->move(right + 4, shown.center().y() - warning_->height() / 2);
  warning_->show();
}

void PaneView::ShowFileLabel() {
  const Pane& state = bench_.pane(setup_.number);
  const std::filesystem::path& program = bench_.programDirectory();
  const std::filesystem::path usual = *setup_.usualSubfolder ? program / setup_.usualSubfolder : program;
  const bool usualPlace = state.fixedFile.empty() && state.folder == usual;
  // The name of the file listed; pane 2 beside the program says it is the OTHER folder's.
  QString name = ListedName(state);
  if (usualPlace && *setup_.usualSubfolder) {
    name = QDir::toNativeSeparators(QStringLiteral("./") + setup_.usualSubfolder + "/" + name);
  }
  // Under it, in a smaller font: the form and memory of an emulator's file,
  // or else the folder's end when the file lies elsewhere.
  QString second = FormWords(state).join(' ');
  if (second.isEmpty() && !usualPlace) second = PathText(LookedAtFolder(state).filename());
  const QRect place = ControlPlace(setup_.fileLabel);
  fileLabel_->setStyleSheet(second.isEmpty() ? QString() : QString("font-size: %1px;").arg(kTwoLinePixels));
  fileLabel_->ensurePolished();
  const QFontMetrics metrics = fileLabel_->fontMetrics();
  QString text = metrics.elidedText(name, Qt::ElideMiddle, place.width());
  if (!second.isEmpty()) text += "\n" + metrics.elidedText(second, Qt::ElideMiddle, place.width());
  fileLabel_->setText(text);
  // As tall as its lines need, descenders and all, about its place's middle;
  // never less than its place.
  const int lines = second.isEmpty() ? 1 : 2;
  const int height = std::max(place.height(), lines * metrics.lineSpacing() + metrics.descent());
  fileLabel_->setGeometry(place.x(), place.y() - (height - place.height()) / 2, place.width(), height);
  // The whole path, with the system's separators, and the form spelled out.
  QStringList tip;
  if (!state.file.empty()) tip << QDir::toNativeSeparators(PathText(state.file));
  tip << FormTips(state);
  fileLabel_->setToolTip(tip.join("\n"));
}

void PaneView::ShowKindWords() {
  const Pane& state = bench_.pane(setup_.number);
  const QString fileName = QString::fromUtf8(ContainerFileName(state.kind).data());
  QString words;
  if (state.HasFile() && !state.file.empty() &&
      PathText(state.file.filename()).compare(fileName, Qt::CaseInsensitive) != 0) {
    words = Text(state.kind == ContainerKind::kMems   ? UiText::kKindMemsImage
                 : state.kind == ContainerKind::kSave ? UiText::kKindSaveFile
                                                      : UiText::kKindBackupMemory);
  }
  kind_->SetShownText(words);
}

void PaneView::Reload() { ReloadPane(bench_, setup_.number); }

QRect PaneView::ControlPlace(QRect inArea) const {
  return inArea.translated(-setup_.place.topLeft() + controlsShift_);
}

void PaneView::Stretch(int shift, int extraWidth, int extraHeight) {
  setGeometry(setup_.place.translated(shift, 0).adjusted(0, 0, extraWidth, extraHeight));
  list_->setGeometry(setup_.list.translated(-setup_.place.topLeft()).adjusted(0, 0, extraWidth, extraHeight));
  controlsShift_ = QPoint(setup_.controlsFollowRightEdge ? extraWidth : 0, extraHeight);
  for (const auto& [control, place] : placed_) control->setGeometry(ControlPlace(place));
  // The file label and the warning sign are placed from their texts.
  ShowFigure();
  ShowFileLabel();
}

void PaneView::SetCompactButton(const QString& caption, bool enabled) {
  compact_->setText(caption);
  compact_->setEnabled(enabled);
  // The work runs inside the click, so the count is painted now or never.
  compact_->repaint();
}

}  // namespace quillmere::ui
