#include "ui/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCollator>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableView>
#include <QUrl>

#include "catalog/catalog.h"
#include "containers/save_file.h"
#include "model/conversions.h"
#include "operations/compacting.h"
#include "operations/image_care.h"
#include "operations/pane_sort.h"
#include "operations/save_transfer.h"
#include "operations/single_save_conversion.h"
#include "platform/file_io.h"
#include "ui/escape_closes_window.h"
#include "ui/kind_combo_box.h"
#include "ui/language.h"
#include "ui/map_window.h"
#include "ui/save_rows_model.h"

namespace quillmere::ui {

namespace {

const QColor kRed(255, 0, 0);
const QColor kMagenta(255, 0, 255);
const QColor kBlack(0, 0, 0);

// The side of the warning sign after a pane's figure.
constexpr int kWarningSize = 12;

QString ToQString(const std::string& text) { return QString::fromStdString(text); }

QLabel* MakeLabel(QWidget* parent, const QString& text, QRect geometry, const QColor& colour, const char* name) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setGeometry(geometry);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& text, QRect geometry, const char* name) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setGeometry(geometry);
  button->setAutoDefault(false);
  return button;
}

QTableView* MakeList(QWidget* parent, QRect geometry, const char* name) {
  auto* list = new QTableView(parent);
  list->setObjectName(name);
  list->setGeometry(geometry);
  list->setShowGrid(true);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setWordWrap(false);
  list->setTextElideMode(Qt::ElideRight);
  list->verticalHeader()->hide();
  list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list->verticalHeader()->setDefaultSectionSize(17);
  list->horizontalHeader()->setFixedHeight(18);
  list->horizontalHeader()->setHighlightSections(false);
  list->horizontalHeader()->setStretchLastSection(false);
  list->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  return list;
}

int SaveRowsColumnWidth(SaveColumn column) { return kSaveColumnWidths[static_cast<std::size_t>(column)]; }

// A converter row in the columns the one-row lists show.
SaveEntry ToEntry(const singlesave::SingleSaveRow& row) {
  SaveEntry entry;
  entry.cell(SaveColumn::kName) = row.name();
  entry.cell(SaveColumn::kComment) = row.comment();
  entry.cell(SaveColumn::kDate) = row.date();
  entry.cell(SaveColumn::kSize) = row.size();
  return entry;
}

std::filesystem::path PathOf(const QString& text) { return platform::PathFromUtf8(text.toStdString()); }

QString PathText(const std::filesystem::path& path) { return QString::fromStdString(platform::PathToUtf8(path)); }

// The local files and folders a drop from the file manager names.
std::vector<std::filesystem::path> DroppedPaths(const QMimeData& data) {
  std::vector<std::filesystem::path> paths;
  for (const QUrl& url : data.urls()) {
    if (url.isLocalFile()) paths.push_back(PathOf(url.toLocalFile()));
  }
  return paths;
}

bool IsContainerFile(const std::filesystem::path& path) {
  return QFileInfo(PathText(path)).isFile() && ContainerKindFromFileName(platform::PathToUtf8(path.filename()));
}

bool IsFolder(const std::filesystem::path& path) { return QFileInfo(PathText(path)).isDir(); }

// The first folder or container file of a drop: the pane shows it instead of
// importing anything.
std::optional<std::filesystem::path> PlaceToOpen(const std::vector<std::filesystem::path>& paths) {
  for (const auto& path : paths) {
    if (IsFolder(path) || IsContainerFile(path)) return path;
  }
  return std::nullopt;
}

QString Words(TextId id) { return ToQString(catalog::Text(id)); }

// "存档文件有问题：" and the first `most` problems a line each, then "……"
// when there are more.
Message ProblemReport(const std::vector<Problem>& problems, std::size_t most) {
  Message report{TextId::kImageHasProblems, {}, {}};
  for (std::size_t i = 0; i < problems.size() && i < most; ++i) report.lines.push_back(problems[i].AsMessage());
  if (problems.size() > most) report.lines.push_back({TextId::kMoreProblemsEllipsis, {}, {}});
  return report;
}

}  // namespace

class MainWindow::WindowHost : public Host {
 public:
  WindowHost(MainWindow& window, Host& dialogs) : window_(window), dialogs_(dialogs) {}
  bool AskOkCancel(const Message& question) override { return dialogs_.AskOkCancel(question); }
  std::optional<std::string> AskChoice(const Message& question, const std::vector<std::string>& choices,
                                       std::size_t chosen) override {
    return dialogs_.AskChoice(question, choices, chosen);
  }
  std::optional<std::filesystem::path> PickOpenFile(TextId filter, const std::filesystem::path& initialFolder) override {
    return dialogs_.PickOpenFile(filter, initialFolder);
  }
  bool RevealFile(const std::filesystem::path& file) override { return dialogs_.RevealFile(file); }
  void PaneChanged(int pane) override {
    window_.ShowPane(pane);
    dialogs_.PaneChanged(pane);
  }
  void ButtonChanged(int pane, PaneButton button, const Message& caption, bool enabled) override {
    window_.SetPaneButton(pane, button, ToQString(catalog::Render(caption)), enabled);
    dialogs_.ButtonChanged(pane, button, caption, enabled);
  }
  bool Progress(std::size_t done, std::size_t total) override { return dialogs_.Progress(done, total); }

  // While a run collects, its messages wait for the run's end, to be told as one.
  void ShowMessage(const Message& message) override {
    if (collecting_) {
      said_.push_back(message);
    } else {
      dialogs_.ShowMessage(message);
    }
  }
  void StartCollecting() {
    collecting_ = true;
    said_.clear();
  }
  std::vector<Message> StopCollecting() {
    collecting_ = false;
    return std::exchange(said_, {});
  }

 private:
  MainWindow& window_;
  Host& dialogs_;
  bool collecting_ = false;
  std::vector<Message> said_;
};

MainWindow::MainWindow(std::filesystem::path programDirectory, Host& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      host_(std::make_unique<WindowHost>(*this, dialogs)),
      bench_(std::make_unique<Workbench>(std::move(programDirectory), *host_)) {
  BuildMainWindow();
}

MainWindow::~MainWindow() {
  // The views read the workbench until they are gone, so they go first.
  qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

void MainWindow::BuildMainWindow() {
  setWindowTitle(Words(TextId::kWindowTitle));
  setFixedSize(kClientWidth, kClientHeight);
  setWindowIcon(WindowIcon());
  ApplyWindowFont(*this);
  CloseOnEscape(*this);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }

  ssf_ = BuildConverterPanel(true);
  saroo_ = BuildConverterPanel(false);

  auto* area = Caption(new QGroupBox(this), TextId::kTransferArea);
  area->setObjectName("transferArea");
  area->setGeometry(8, 132, 896, 412);

  PaneControls& p1 = controls(1);
  PaneControls& p2 = controls(2);
  p1.import = Caption(MakeButton(area, {}, {106, 364, 45, 22}, "pane1Import"), TextId::kImport);
  p1.exportButton = Caption(MakeButton(area, {}, {57, 364, 45, 22}, "pane1Export"), TextId::kExport);
  p1.refresh = Caption(MakeButton(area, {}, {8, 364, 45, 22}, "pane1Refresh"), TextId::kRefresh);
  p2.import = Caption(MakeButton(area, {}, {745, 364, 45, 22}, "pane2Import"), TextId::kImport);
  p2.exportButton = Caption(MakeButton(area, {}, {794, 364, 45, 22}, "pane2Export"), TextId::kExport);
  p2.refresh = Caption(MakeButton(area, {}, {843, 364, 45, 22}, "pane2Refresh"), TextId::kRefresh);
  transferLeft_ = Caption(MakeButton(area, {}, {450, 366, 50, 25}, "transferLeft"), TextId::kTransferLeft);
  transferRight_ = Caption(MakeButton(area, {}, {395, 366, 50, 25}, "transferRight"), TextId::kTransferRight);
  p1.compact = Caption(MakeButton(area, {}, {8, 387, 45, 22}, "pane1Compact"), TextId::kCompact, TextId::kCompactTip);
  p2.compact = Caption(MakeButton(area, {}, {843, 387, 45, 22}, "pane2Compact"), TextId::kCompact, TextId::kCompactTip);
  p1.map = Caption(MakeButton(area, {}, {153, 364, 35, 22}, "pane1Map"), TextId::kMap);
  p2.map = Caption(MakeButton(area, {}, {707, 365, 35, 22}, "pane2Map"), TextId::kMap);

  p1.hint = MakeLabel(area, {}, {172, 395, 140, 14}, kRed, "pane1Hint");
  p1.remainingCaption = Caption(MakeLabel(area, {}, {198, 369, 28, 16}, kBlack, "pane1RemainingCaption"),
                                TextId::kRemaining, TextId::kRemainingTip);
  p1.number = MakeLabel(area, "0", {231, 371, 50, 12}, kRed, "pane1Number");
  p2.hint = MakeLabel(area, {}, {603, 395, 140, 14}, kRed, "pane2Hint");
  p2.number = MakeLabel(area, "0", {656, 373, 50, 12}, kRed, "pane2Number");
  p2.remainingCaption = Caption(MakeLabel(area, {}, {623, 371, 28, 16}, kBlack, "pane2RemainingCaption"),
                                TextId::kRemaining, TextId::kRemainingTip);
  p2.fileLabel = MakeLabel(area, ".\\OTHER\\SS_MEMS.BIN", {503, 367, 115, 24}, kMagenta, "pane2FileLabel");
  p1.fileLabel = MakeLabel(area, "SS_MEMS.BIN", {325, 366, 72, 24}, kMagenta, "pane1FileLabel");
  // Hidden until an image with problems is loaded; placed after the figure then.
  for (int pane = 1; pane <= 2; ++pane) {
    PaneControls& c = controls(pane);
    c.fileLabelText = c.fileLabel->text();
    // A warning sign of its own, so that it does not read as a digit of the red figure.
    c.warning = MakeLabel(area, {}, {0, 0, kWarningSize, kWarningSize}, kRed, pane == 1 ? "pane1Warning" : "pane2Warning");
    c.warning->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(kWarningSize, kWarningSize));
    c.warning->hide();
  }

  BuildPaneList(1, area);
  BuildPaneList(2, area);
  BuildPaneMenu(1);
  BuildPaneMenu(2);

  clearUnused_ = Caption(new QCheckBox(area), TextId::kClearUnusedOnRefresh, TextId::kClearUnusedTip);
  clearUnused_->setObjectName("clearUnusedOnRefresh");
  clearUnused_->setGeometry(315, 396, 140, 14);
  connect(clearUnused_, &QCheckBox::toggled, this, [this](bool on) { bench_->clearUnusedOnRefresh = on; });
  overwrite_ = Caption(new QCheckBox(area), TextId::kOverwriteOnTransfer, TextId::kOverwriteTip);
  overwrite_->setObjectName("overwriteOnTransfer");
  overwrite_->setGeometry(466, 396, 133, 14);
  connect(overwrite_, &QCheckBox::toggled, this, [this](bool on) { bench_->overwriteOnTransfer = on; });

  const std::array<QRect, 2> comboGeometry = {QRect(58, 388, 94, 22), QRect(743, 389, 94, 22)};
  for (int pane = 1; pane <= 2; ++pane) {
    PaneControls& c = controls(pane);
    c.kind = new KindComboBox(area);
    c.kind->setObjectName(pane == 1 ? "pane1Kind" : "pane2Kind");
    c.kind->setGeometry(comboGeometry[static_cast<std::size_t>(pane - 1)]);
    c.kind->setMaxVisibleItems(4);
    for (const ContainerKind kind : kAllContainerKinds) c.kind->addItem(QString::fromUtf8(ContainerFileName(kind).data()));
    c.kind->setCurrentIndex(0);
    connect(c.kind, &QComboBox::currentIndexChanged, this, [this, pane](int) { OnPaneKindChanged(pane); });
    connect(c.refresh, &QPushButton::clicked, this, [this, pane] { ReloadPane(pane); });
    connect(c.exportButton, &QPushButton::clicked, this, [this, pane] { ExportSingleSave(*bench_, pane); });
    connect(c.import, &QPushButton::clicked, this, [this, pane] { ImportSingleSave(*bench_, pane); });
    connect(c.compact, &QPushButton::clicked, this, [this, pane] { CompactPane(*bench_, pane); });
    connect(c.map, &QPushButton::clicked, this,
            [this, pane] { OpenMapWindow(BuildAllocationMap(bench_->pane(pane)), this); });
  }
  connect(transferRight_, &QPushButton::clicked, this, [this] { Transfer(1, 2); });
  connect(transferLeft_, &QPushButton::clicked, this, [this] { Transfer(2, 1); });

  // Drops: files on the converter panels, rows, files and folders on the panes.
  for (const auto& [panel, site] : {std::pair{ssf_, kSsfPanelSite}, std::pair{saroo_, kSarooPanelSite}}) {
    for (QWidget* widget : {static_cast<QWidget*>(panel.frame), static_cast<QWidget*>(panel.path), panel.list->viewport()}) {
      AcceptDrops(widget);
      dropSites_[widget] = site;
    }
  }
  for (int pane = 1; pane <= 2; ++pane) {
    QTableView* list = controls(pane).list;
    for (QWidget* widget : {static_cast<QWidget*>(list), list->viewport()}) {
      AcceptDrops(widget);
      dropSites_[widget] = pane;
    }
  }

  ApplyTexts();
  OnPaneKindChanged(1);
  OnPaneKindChanged(2);
}

template <typename Control>
Control* MainWindow::Caption(Control* control, TextId text, std::optional<TextId> tip) {
  captions_.push_back({control, text, tip});
  return control;
}

void MainWindow::ApplyTexts() {
  const bool english = catalog::CurrentLanguage() == catalog::Language::kEnglish;
  for (const CaptionedControl& captioned : captions_) {
    const QString words = Words(captioned.text);
    // The long form, where English had to shorten a caption to fit its control.
    const QString tip = english && captioned.tip ? Words(*captioned.tip) : QString();
    if (auto* button = qobject_cast<QAbstractButton*>(captioned.control)) button->setText(words);
    if (auto* label = qobject_cast<QLabel*>(captioned.control)) label->setText(words);
    if (auto* frame = qobject_cast<QGroupBox*>(captioned.control)) frame->setTitle(words);
    if (auto* action = qobject_cast<QAction*>(captioned.control)) {
      action->setText(words);
      action->setToolTip(tip);
    } else if (auto* widget = qobject_cast<QWidget*>(captioned.control)) {
      widget->setToolTip(tip);
    }
  }
  for (int pane = 1; pane <= 2; ++pane) {
    PaneControls& c = controls(pane);
    c.chinese->setChecked(!english);
    c.english->setChecked(english);
    ShowPaneHint(pane);
    ShowPaneWarning(pane);
  }
  for (SaveRowsModel* model : {controls(1).model, controls(2).model, ssf_.model, saroo_.model}) {
    emit model->headerDataChanged(Qt::Horizontal, 0, model->columnCount({}) - 1);
  }
}

void MainWindow::SwitchLanguage(catalog::Language language) {
  UseLanguage(language);
  if (languageChosen_) languageChosen_(language);
  ApplyTexts();
}

void MainWindow::ShowPaneHint(int pane) {
  PaneControls& c = controls(pane);
  const std::string name(ContainerFileName(bench_->pane(pane).kind));
  c.hint->setText(ToQString(catalog::Render(pane == 1 ? TextId::kHintProgramFolder : TextId::kHintOtherFolder, name)));
  const bool english = catalog::CurrentLanguage() == catalog::Language::kEnglish;
  c.hint->setToolTip(english ? ToQString(catalog::Render(
                                   pane == 1 ? TextId::kHintProgramFolderTip : TextId::kHintOtherFolderTip, name))
                             : QString());
}

void MainWindow::Transfer(int source, int destination) {
  TellRun(TextId::kTransferSummary, [this, source, destination] { return TransferSaves(*bench_, source, destination); });
}

void MainWindow::TellRun(TextId summary, const std::function<TransferReport()>& run) {
  host_->StartCollecting();
  const TransferReport report = run();
  for (const Message& message : RunMessages(report, host_->StopCollecting(), summary)) host_->ShowMessage(message);
}

void MainWindow::AcceptDrops(QWidget* site) {
  site->setAcceptDrops(true);
  site->installEventFilter(this);
}

QByteArray MainWindow::DragPayload(int pane) const {
  return QByteArray::number(QCoreApplication::applicationPid()) + ' ' +
         QByteArray::number(reinterpret_cast<quintptr>(this)) + ' ' + QByteArray::number(pane);
}

void MainWindow::BuildPaneMenu(int pane) {
  PaneControls& c = controls(pane);
  const QString prefix = pane == 1 ? "pane1" : "pane2";
  c.menu = new QMenu(c.list);
  c.menu->setObjectName(prefix + "Menu");
  c.exportBupAction = Caption(c.menu->addAction(QString()), TextId::kExportBup);
  c.exportBupAction->setObjectName(prefix + "ExportBup");
  c.exportSroAction = Caption(c.menu->addAction(QString()), TextId::kExportSro);
  c.exportSroAction->setObjectName(prefix + "ExportSro");
  c.menu->addSeparator();
  c.importToGameAction = Caption(c.menu->addAction(QString()), TextId::kImportToGame);
  c.importToGameAction->setObjectName(prefix + "ImportToGame");
  c.deleteAction = Caption(c.menu->addAction(QString()), TextId::kDelete);
  c.checkAction = Caption(c.menu->addAction(QString()), TextId::kCheck);
  c.repairAction = Caption(c.menu->addAction(QString()), TextId::kRepair);
  // The languages, each named in its own words; the choice applies at once.
  c.menu->addSeparator();
  c.chinese = Caption(c.menu->addAction(QString()), TextId::kLanguageChinese);
  c.english = Caption(c.menu->addAction(QString()), TextId::kLanguageEnglish);
  c.chinese->setObjectName(prefix + "Chinese");
  c.english->setObjectName(prefix + "English");
  for (QAction* action : {c.chinese, c.english}) action->setCheckable(true);
  connect(c.chinese, &QAction::triggered, this, [this] { SwitchLanguage(catalog::Language::kChinese); });
  connect(c.english, &QAction::triggered, this, [this] { SwitchLanguage(catalog::Language::kEnglish); });
  c.deleteAction->setObjectName(prefix + "Delete");
  c.checkAction->setObjectName(prefix + "Check");
  c.repairAction->setObjectName(prefix + "Repair");
  // The Delete key deletes while the list has the focus.
  c.deleteAction->setShortcut(QKeySequence::Delete);
  c.deleteAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  c.list->addAction(c.deleteAction);
  connect(c.exportBupAction, &QAction::triggered, this,
          [this, pane] { ExportSingleSave(*bench_, pane, ExportForm::kBup); });
  connect(c.exportSroAction, &QAction::triggered, this,
          [this, pane] { ExportSingleSave(*bench_, pane, ExportForm::kSro); });
  // The game is asked first, with the selected row's game chosen.
  connect(c.importToGameAction, &QAction::triggered, this, [this, pane] { ImportSingleSave(*bench_, pane); });
  connect(c.deleteAction, &QAction::triggered, this, [this, pane] { DeleteSaves(*bench_, pane); });
  connect(c.checkAction, &QAction::triggered, this, [this, pane] { host_->ShowMessage(CheckReport(pane)); });
  connect(c.repairAction, &QAction::triggered, this, [this, pane] { RepairPane(*bench_, pane); });
  c.list->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(c.list, &QWidget::customContextMenuRequested, this,
          [this, pane](const QPoint& at) { controls(pane).menu->popup(controls(pane).list->viewport()->mapToGlobal(at)); });
}

Message MainWindow::CheckReport(int pane) const {
  const std::vector<Problem> problems = CheckPane(bench_->pane(pane));
  if (problems.empty()) return {TextId::kNoProblemsFound, {}, {}};
  return ProblemReport(problems, kCheckReportLimit);
}

void MainWindow::ShowFolder(const std::filesystem::path& folder) {
  Pane& first = bench_->pane(1);
  Pane& second = bench_->pane(2);
  first.folder = folder;
  second.folder = folder / "OTHER";
  first.fixedFile.clear();
  second.fixedFile.clear();
  quillmere::ReloadPane(*bench_, 1);
  quillmere::ReloadPane(*bench_, 2);
}

bool MainWindow::OpenInPane(int pane, const std::filesystem::path& path) {
  Pane& state = bench_->pane(pane);
  if (IsFolder(path)) {
    state.fixedFile = platform::ResolveFileName(path, ContainerFileName(state.kind));
    quillmere::ReloadPane(*bench_, pane);
    return true;
  }
  const auto kind = ContainerKindFromFileName(platform::PathToUtf8(path.filename()));
  if (!kind) return false;
  state.fixedFile = path;
  QComboBox* combo = controls(pane).kind;
  // A new kind reloads through the combo; the same kind reloads here.
  if (combo->currentIndex() != static_cast<int>(*kind)) {
    combo->setCurrentIndex(static_cast<int>(*kind));
  } else {
    quillmere::ReloadPane(*bench_, pane);
  }
  return true;
}

bool MainWindow::AcceptsPaneDrop(int pane, const QMimeData& data) const {
  const Pane& state = bench_->pane(pane);
  if (data.hasFormat(kPaneRowsMimeType)) {
    return data.data(kPaneRowsMimeType) == DragPayload(3 - pane) && state.Writable();
  }
  const auto paths = DroppedPaths(data);
  if (paths.empty()) return false;
  return PlaceToOpen(paths) || state.Writable();
}

void MainWindow::DropOnPane(int pane, const QMimeData& data) {
  if (!AcceptsPaneDrop(pane, data)) return;
  if (data.hasFormat(kPaneRowsMimeType)) {
    QMetaObject::invokeMethod(this, [this, pane] { TransferSaves(*bench_, 3 - pane, pane); }, Qt::QueuedConnection);
    return;
  }
  const auto paths = DroppedPaths(data);
  if (const auto place = PlaceToOpen(paths)) {
    QMetaObject::invokeMethod(this, [this, pane, place = *place] { OpenInPane(pane, place); }, Qt::QueuedConnection);
    return;
  }
  std::vector<std::filesystem::path> files;
  for (const auto& path : paths) {
    if (QFileInfo(PathText(path)).isFile()) files.push_back(path);
  }
  // One single save as "导入" would take it; several as a transfer does, told as one.
  QMetaObject::invokeMethod(
      this,
      [this, pane, files] {
        if (files.size() == 1) {
          ImportSingleSave(*bench_, pane, files.front());
        } else if (!files.empty()) {
          TellRun(TextId::kDropSummary, [this, pane, &files] { return ImportSingleSaves(*bench_, pane, files); });
        }
      },
      Qt::QueuedConnection);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const auto site = dropSites_.find(watched);
  if (site == dropSites_.end()) return QWidget::eventFilter(watched, event);
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
    return QWidget::eventFilter(watched, event);
  }
  auto* drop = static_cast<QDropEvent*>(event);
  const QMimeData* data = drop->mimeData();
  bool accepted = false;
  if (data && site->second > 0) {
    accepted = AcceptsPaneDrop(site->second, *data);
  } else if (data) {
    const auto paths = DroppedPaths(*data);
    accepted = !paths.empty() && QFileInfo(PathText(paths.front())).isFile();
  }
  if (!accepted) {
    drop->ignore();
    return true;
  }
  drop->setDropAction(Qt::CopyAction);
  drop->accept();
  if (type == QEvent::Drop) {
    if (site->second > 0) {
      DropOnPane(site->second, *data);
    } else {
      // As if picked with "...".
      QLineEdit* path = (site->second == kSsfPanelSite ? ssf_ : saroo_).path;
      path->setText(PathText(DroppedPaths(*data).front()));
    }
  }
  return true;
}

MainWindow::ConverterControls MainWindow::BuildConverterPanel(bool ssfHalf) {
  ConverterControls c;
  const QString prefix = ssfHalf ? "ssf" : "saroo";
  auto name = [&](const char* part) { return (prefix + part).toLatin1(); };
  c.frame = Caption(new QGroupBox(this), ssfHalf ? TextId::kSsfToSarooArea : TextId::kSarooToSsfArea);
  c.frame->setObjectName(name("Panel"));
  c.frame->setGeometry(ssfHalf ? QRect(46, 8, 370, 120) : QRect(492, 8, 377, 120));
  c.convert = Caption(MakeButton(c.frame, {}, ssfHalf ? QRect(211, 90, 120, 25) : QRect(218, 88, 120, 25), name("Convert")),
                      ssfHalf ? TextId::kToSaroo : TextId::kToSsf);
  c.pick = MakeButton(c.frame, Words(TextId::kPickFile), ssfHalf ? QRect(333, 16, 32, 20) : QRect(339, 15, 32, 20), name("Pick"));
  c.path = new QLineEdit(c.frame);
  c.path->setObjectName(name("Path"));
  c.path->setGeometry(ssfHalf ? QRect(56, 17, 275, 20) : QRect(62, 16, 275, 20));
  c.path->setReadOnly(true);
  QPalette palette = c.path->palette();
  palette.setColor(QPalette::Base, QColor(255, 255, 255));
  c.path->setPalette(palette);
  Caption(MakeLabel(c.frame, {}, ssfHalf ? QRect(8, 19, 48, 16) : QRect(5, 18, 56, 16), kBlack, name("Label")),
          ssfHalf ? TextId::kSsfLabel : TextId::kSarooLabel);

  const std::vector<SaveColumn> columns = {SaveColumn::kName, SaveColumn::kComment, SaveColumn::kDate, SaveColumn::kSize};
  c.list = MakeList(c.frame, ssfHalf ? QRect(26, 45, 323, 36) : QRect(32, 45, 323, 36), name("List"));
  std::vector<SaveEntry>* row = ssfHalf ? &ssfRow_ : &sarooRow_;
  c.model = new SaveRowsModel([row]() -> const std::vector<SaveEntry>& { return *row; }, columns,
                              Qt::AlignLeft, c.list);
  c.list->setModel(c.model);
  c.list->setSelectionMode(QAbstractItemView::SingleSelection);
  c.list->horizontalHeader()->setSectionsClickable(false);
  c.list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  for (std::size_t i = 0; i < singlesave::kSingleSaveColumnCount; ++i) {
    c.list->setColumnWidth(static_cast<int>(i), singlesave::kSingleSaveColumnWidths[i]);
  }
  if (ssfHalf) {
    connect(c.pick, &QPushButton::clicked, this, &MainWindow::PickSsfFile);
    connect(c.path, &QLineEdit::textChanged, this, &MainWindow::ShowSsfFile);
    connect(c.convert, &QPushButton::clicked, this, &MainWindow::ConvertSsfToSaroo);
  } else {
    connect(c.pick, &QPushButton::clicked, this, &MainWindow::PickSarooFile);
    connect(c.path, &QLineEdit::textChanged, this, &MainWindow::ShowSarooFile);
    connect(c.convert, &QPushButton::clicked, this, &MainWindow::ConvertSarooToSsf);
  }
  return c;
}

void MainWindow::BuildPaneList(int pane, QWidget* parent) {
  PaneControls& c = controls(pane);
  c.list = MakeList(parent, pane == 1 ? QRect(5, 16, 440, 346) : QRect(450, 16, 440, 346),
                    pane == 1 ? "pane1List" : "pane2List");
  std::vector<SaveColumn> columns;
  for (std::size_t i = 0; i < kSaveColumnCount; ++i) columns.push_back(static_cast<SaveColumn>(i));
  c.model = new SaveRowsModel([this, pane]() -> const std::vector<SaveEntry>& { return bench_->pane(pane).rows; },
                              columns, Qt::AlignHCenter, c.list);
  // An SS_SAVE.BIN row names its game.
  c.model->SetRowTip([this, pane](int row) {
    const Pane& state = bench_->pane(pane);
    if (state.kind != ContainerKind::kSave || row < 0 || static_cast<std::size_t>(row) >= state.rows.size()) return QString();
    return ToQString(DecodeName(save_file::GameIdOf(state.image, state.RecordOfRow(static_cast<std::size_t>(row)).area)));
  });
  c.list->setModel(c.model);
  c.model->SetDragPayload(kPaneRowsMimeType, DragPayload(pane));
  c.list->setDragEnabled(true);
  c.list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  c.list->horizontalHeader()->setSectionsClickable(true);
  for (std::size_t i = 0; i < kSaveColumnCount; ++i) {
    c.list->setColumnWidth(static_cast<int>(i), SaveRowsColumnWidth(static_cast<SaveColumn>(i)));
  }
  connect(c.list->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this, pane](int column) { OnPaneHeaderClick(pane, column); });
  connect(c.list->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, pane] {
    std::vector<int> selected;
    for (const QModelIndex& index : controls(pane).list->selectionModel()->selectedRows()) selected.push_back(index.row());
    std::sort(selected.begin(), selected.end());
    bench_->pane(pane).selection = std::move(selected);
  });
}

void MainWindow::OnPaneKindChanged(int pane) {
  PaneControls& c = controls(pane);
  const auto kind = static_cast<ContainerKind>(std::max(0, c.kind->currentIndex()));
  Pane& state = bench_->pane(pane);
  state.kind = kind;
  // A pane showing a file outside its usual folder shows that folder's file of the new kind.
  if (!state.fixedFile.empty()) {
    state.fixedFile = platform::ResolveFileName(state.fixedFile.parent_path(), ContainerFileName(kind));
  }
  ShowPaneHint(pane);
  // The writers: this pane's import and compact, and the transfer that leads into it.
  const bool writable = state.Writable();
  c.import->setEnabled(writable);
  c.compact->setEnabled(state.Compactable());
  (pane == 1 ? transferLeft_ : transferRight_)->setEnabled(writable);
  c.remainingCaption->setVisible(state.ShowsRemaining());
  c.number->setVisible(state.ShowsRemaining());
  c.map->setEnabled(state.HasMap());
  SetPaneKind(*bench_, pane, kind);
}

void MainWindow::ReloadPane(int pane) { quillmere::ReloadPane(*bench_, pane); }

void MainWindow::OnPaneHeaderClick(int pane, int column) {
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseSensitive);
  quillmere::OnPaneHeaderClick(*bench_, pane, column, [&collator](const std::string& a, const std::string& b) {
    return collator.compare(QString::fromStdString(a), QString::fromStdString(b));
  });
}

void MainWindow::PickSsfFile() {
  const auto chosen = host_->PickOpenFile(TextId::kSsfFileFilter, singlesave::SsfFolder(bench_->programDirectory()));
  if (chosen) ssf_.path->setText(PathText(*chosen));
}

void MainWindow::PickSarooFile() {
  const auto chosen = host_->PickOpenFile(TextId::kSarooFileFilter,
                                          singlesave::SarooFolder(bench_->programDirectory()));
  if (chosen) saroo_.path->setText(PathText(*chosen));
}

void MainWindow::ShowSsfFile(const QString& path) {
  ssfShown_ = quillmere::ShowSsfFile(PathOf(path), *host_);
  ssfRow_ = {ToEntry(ssfShown_)};
  ssf_.model->Refresh();
}

void MainWindow::ShowSarooFile(const QString& path) {
  sarooShown_ = quillmere::ShowSarooFile(PathOf(path), *host_);
  sarooRow_ = {ToEntry(sarooShown_.row)};
  saroo_.model->Refresh();
}

void MainWindow::ConvertSsfToSaroo() {
  quillmere::ConvertSsfToSaroo(PathOf(ssf_.path->text()), ssfShown_, singlesave::SarooFolder(bench_->programDirectory()),
                               *host_);
}

void MainWindow::ConvertSarooToSsf() {
  quillmere::ConvertSarooToSsf(PathOf(saroo_.path->text()), sarooShown_.pendingSsfDate,
                               singlesave::SsfFolder(bench_->programDirectory()), *host_);
}

void MainWindow::ShowPane(int pane) {
  PaneControls& c = controls(pane);
  const Pane& state = bench_->pane(pane);
  c.model->Refresh();
  c.hint->setVisible(state.hintVisible);
  c.number->setText(ToQString(state.numberLabel));
  ShowPaneWarning(pane);
  ShowPaneFileLabel(pane);
  const bool loaded = !state.image.empty();
  c.exportBupAction->setEnabled(!state.rows.empty());
  c.exportSroAction->setEnabled(!state.rows.empty());
  c.importToGameAction->setEnabled(!state.hintVisible && state.kind == ContainerKind::kSave);
  c.deleteAction->setEnabled(loaded && state.Writable());
  c.repairAction->setEnabled(loaded && state.Repairable());
  c.checkAction->setEnabled(loaded);
}

void MainWindow::ShowPaneWarning(int pane) {
  PaneControls& c = controls(pane);
  const Pane& state = bench_->pane(pane);
  if (state.problems.empty()) {
    c.warning->hide();
    c.warning->setToolTip({});
    c.number->setToolTip({});
    return;
  }
  const QString tip = ToQString(catalog::Render(ProblemReport(state.problems, kTooltipLimit), "\n"));
  c.warning->setToolTip(tip);
  c.number->setToolTip(tip);
  const QRect figure = c.number->geometry();
  const int right = figure.x() + c.number->fontMetrics().horizontalAdvance(c.number->text());
  c.warning->move(right + 4, figure.center().y() - c.warning->height() / 2);
  c.warning->show();
}

void MainWindow::ShowPaneFileLabel(int pane) {
  PaneControls& c = controls(pane);
  const Pane& state = bench_->pane(pane);
  const std::filesystem::path usual = pane == 1 ? bench_->programDirectory() : bench_->programDirectory() / "OTHER";
  if (state.fixedFile.empty() && state.folder == usual) {
    c.fileLabel->setStyleSheet({});
    c.fileLabel->ensurePolished();
    c.fileLabel->setText(c.fileLabelText);
    c.fileLabel->setToolTip({});
    // Sized to its font, descenders and all, so the underscores of
    // "SS_MEMS.BIN" are never cut: it grows, but never shrinks below its place.
    const QFontMetrics metrics = c.fileLabel->fontMetrics();
    const QRect place = c.fileLabel->geometry();
    const int width = std::max(place.width(), metrics.horizontalAdvance(c.fileLabelText) + 1);
    const int height = std::max(place.height(), metrics.lineSpacing() + metrics.descent());
    c.fileLabel->setGeometry(place.x(), place.center().y() - height / 2, width, height);
    return;
  }
  // Elsewhere: the folder (its end, where the two differ) above the file's
  // name, in a font small enough for two lines in the label's fixed height.
  c.fileLabel->setStyleSheet("font-size: 10px;");
  c.fileLabel->ensurePolished();
  const QString path = QDir::toNativeSeparators(PathText(state.file));
  const QFontMetrics metrics = c.fileLabel->fontMetrics();
  const QString folder = QDir::toNativeSeparators(PathText(state.file.parent_path()));
  const QString name = PathText(state.file.filename());
  c.fileLabel->setText(metrics.elidedText(folder, Qt::ElideLeft, c.fileLabel->width()) + "\n" +
                       metrics.elidedText(name, Qt::ElideMiddle, c.fileLabel->width()));
  c.fileLabel->setToolTip(path);
}

void MainWindow::SetPaneButton(int pane, PaneButton button, const QString& caption, bool enabled) {
  switch (button) {
    case PaneButton::kCompact:
      controls(pane).compact->setText(caption);
      controls(pane).compact->setEnabled(enabled);
      // The work runs inside the click, so the count is painted now or never.
      controls(pane).compact->repaint();
      break;
  }
}

QIcon WindowIcon() {
  QPixmap pixmap(48, 48);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  // A cartridge: a rounded body with a notch and a label.
  QPainterPath body;
  body.addRoundedRect(QRectF(6, 4, 36, 40), 5, 5);
  painter.fillPath(body, QColor(28, 64, 160));
  painter.fillRect(QRectF(12, 4, 24, 6), QColor(18, 40, 110));
  painter.fillRect(QRectF(11, 14, 26, 20), QColor(235, 240, 255));
  // A save moving across: an arrow on the label.
  painter.setPen(QPen(QColor(230, 30, 60), 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.drawLine(QPointF(15, 24), QPointF(31, 24));
  painter.drawPolyline(QPolygonF({QPointF(26, 19), QPointF(32, 24), QPointF(26, 29)}));
  for (int i = 0; i < 5; ++i) painter.fillRect(QRectF(11 + 6 * i, 38, 3, 6), QColor(220, 180, 60));
  painter.end();
  return QIcon(pixmap);
}

void ApplyWindowFont(QWidget& window) {
  // The layout was made for a 12-pixel CJK dialog font whose Latin letters
  // are half as wide as its Chinese ones: SimSun, or Noto's monospaced CJK.
  QString family = window.font().family();
  for (const char* candidate : {"SimSun", "Noto Sans Mono CJK SC", "Noto Sans CJK SC", "PingFang SC", "Microsoft YaHei"}) {
    if (QFontDatabase::hasFamily(candidate)) {
      family = candidate;
      break;
    }
  }
  // Set through the style sheet: a style sheet stops fonts set with setFont()
  // from reaching the children. Frames get the caption on the frame line.
  window.setStyleSheet(
      "QWidget { font-family: \"" + family + "\"; font-size: 12px; }"
      "QGroupBox { border: 1px solid #b4b4b4; border-radius: 2px; margin-top: 6px; }"
      "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 7px; padding: 0 2px; }");
}

}  // namespace quillmere::ui
