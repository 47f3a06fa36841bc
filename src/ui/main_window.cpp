#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QResizeEvent>
#include <QShortcut>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QUrl>

#include "catalog/catalog.h"
#include "operations/pane_load.h"
#include "platform/file_io.h"
#include "ui/converter_panel.h"
#include "ui/escape_closes_window.h"
#include "ui/language.h"
#include "ui/slow_work.h"

namespace quillmere::ui {

namespace {

// The local files and folders a drop from the file manager names.
std::vector<std::filesystem::path> DroppedPaths(const QMimeData& data) {
  std::vector<std::filesystem::path> paths;
  for (const QUrl& url : data.urls()) {
    if (url.isLocalFile()) paths.push_back(PathOf(url.toLocalFile()));
  }
  return paths;
}

// A container file by its name, or a backup memory by its content.
bool IsContainerFile(const std::filesystem::path& path) {
  return QFileInfo(PathText(path)).isFile() && ContainerKindOfFile(path);
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

// The transfer area's frame as drawn, in the window.
constexpr QRect kTransferAreaPlace(8, 132, 896, 412);

// The order Tab moves in, as it always has: across both panes' buttons, then
// the lists, the two options and the kind lists.
constexpr const char* kTabOrder[] = {
    "sarooList",     "pane1Import",   "pane1Export",   "pane1Refresh", "pane2Import",          "pane2Export",
    "pane2Refresh",  "transferLeft",  "transferRight", "pane1Compact", "pane2Compact",         "pane1Map",
    "pane2Map",      "pane1List",     "pane2List",     "clearUnusedOnRefresh", "overwriteOnTransfer", "pane1Kind",
    "pane2Kind",
};

}  // namespace

class MainWindow::WindowHost : public Host {
 public:
  WindowHost(MainWindow& window, Host& dialogs) : window_(window), dialogs_(dialogs) {}
  bool AskOkCancel(const Message& question) override { return dialogs_.AskOkCancel(question); }
  std::optional<ChoiceAnswer> AskChoice(const Message& question, const std::vector<Message>& choices,
                                       std::size_t chosen) override {
    return dialogs_.AskChoice(question, choices, chosen);
  }
  std::optional<std::filesystem::path> PickOpenFile(FileFilter filter, const std::filesystem::path& initialFolder) override {
    return dialogs_.PickOpenFile(filter, initialFolder);
  }
  std::vector<std::filesystem::path> PickOpenFiles(FileFilter filter, const std::filesystem::path& initialFolder) override {
    return dialogs_.PickOpenFiles(filter, initialFolder);
  }
  std::optional<std::filesystem::path> PickFolder(const std::filesystem::path& initialFolder) override {
    return dialogs_.PickFolder(initialFolder);
  }
  bool RevealFile(const std::filesystem::path& file) override { return dialogs_.RevealFile(file); }
  void PaneChanged(int pane) override {
    window_.view(pane).ShowPane();
    dialogs_.PaneChanged(pane);
  }
  void ButtonChanged(int pane, PaneButton button, const std::optional<Message>& busy, bool enabled) override {
    switch (button) {
      case PaneButton::kCompact:
        window_.view(pane).SetCompactButton(ToQString(busy ? catalog::Render(*busy) : Caption(UiText::kCompact)), enabled);
        break;
    }
    dialogs_.ButtonChanged(pane, button, busy, enabled);
  }
  bool Progress(std::size_t done, std::size_t total) override { return dialogs_.Progress(done, total); }
  void RunSlow(const Message& doing, const std::function<void(ProgressSink&)>& work) override {
    RunOffThread(&window_, ToQString(catalog::Render(doing)), work);
  }
  void ShowMessage(const Message& message) override { dialogs_.ShowMessage(message); }

 private:
  MainWindow& window_;
  Host& dialogs_;
};

MainWindow::MainWindow(std::filesystem::path workingFolder, Host& dialogs, WorkingFolderPlace working, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      host_(std::make_unique<WindowHost>(*this, dialogs)),
      bench_(std::make_unique<Workbench>(std::move(workingFolder), *host_)) {
  BuildMainWindow(working);
}

MainWindow::~MainWindow() {
  // The views read the workbench until they are gone, so they go first.
  qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

void MainWindow::BuildMainWindow(WorkingFolderPlace working) {
  setWindowTitle(Words(UiText::kWindowTitle));
  // Drawn at this size, and never smaller; more room goes to the lists.
  resize(kClientWidth, kClientHeight);
  setMinimumSize(kClientWidth, kClientHeight);
  setWindowIcon(WindowIcon());
  ApplyWindowFont(*this);
  CloseOnEscape(*this);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }

  panels_ = {new ConverterPanel(kSsfToSaroo, bench_->programDirectory(), *host_, this),
             new ConverterPanel(kSarooToSsf, bench_->programDirectory(), *host_, this)};

  auto* area = captions_.Add(new QGroupBox(this), UiText::kTransferArea);
  area->setObjectName("transferArea");
  area->setGeometry(kTransferAreaPlace);
  area_ = area;
  panes_ = {new PaneView(kPane1, *bench_, working, DragPayload(1), area),
            new PaneView(kPane2, *bench_, working, DragPayload(2), area)};

  // Between the panes, and over their edges.
  transferLeft_ = captions_.Add(MakeButton(area, {}, {450, 366, 50, 25}, "transferLeft"), UiText::kTransferLeft);
  transferRight_ = captions_.Add(MakeButton(area, {}, {395, 366, 50, 25}, "transferRight"), UiText::kTransferRight);
  clearUnused_ = captions_.Add(new QCheckBox(area), UiText::kClearUnusedOnRefresh, UiText::kClearUnusedTip);
  clearUnused_->setObjectName("clearUnusedOnRefresh");
  clearUnused_->setGeometry(315, 396, 140, 14);
  connect(clearUnused_, &QCheckBox::toggled, this, [this](bool on) { bench_->clearUnusedOnRefresh = on; });
  overwrite_ = captions_.Add(new QCheckBox(area), UiText::kOverwriteOnTransfer, UiText::kOverwriteTip);
  overwrite_->setObjectName("overwriteOnTransfer");
  overwrite_->setGeometry(466, 396, 133, 14);
  connect(overwrite_, &QCheckBox::toggled, this, [this](bool on) { bench_->overwriteOnTransfer = on; });
  for (QWidget* control : {static_cast<QWidget*>(transferLeft_), static_cast<QWidget*>(transferRight_),
                           static_cast<QWidget*>(clearUnused_), static_cast<QWidget*>(overwrite_)}) {
    between_.push_back({control, control->geometry()});
  }
  connect(transferRight_, &QPushButton::clicked, this, [this] { Transfer(1, 2); });
  connect(transferLeft_, &QPushButton::clicked, this, [this] { Transfer(2, 1); });
  // A pane that takes saves takes them from the other pane too.
  for (auto [pane, into] : {std::pair{panes_[0], transferLeft_}, std::pair{panes_[1], transferRight_}}) {
    connect(pane, &PaneView::writableChanged, into, [into](bool writable, const QString& whyNot) {
      into->setEnabled(writable);
      into->setToolTip(whyNot);
    });
  }

  // Drops of rows, files and folders on the panes' lists.
  for (int pane = 1; pane <= 2; ++pane) {
    connect(&view(pane), &PaneView::languageChosen, this, &MainWindow::SwitchLanguage);
    QTableView* list = view(pane).list();
    for (QWidget* widget : {static_cast<QWidget*>(list), list->viewport()}) {
      widget->setAcceptDrops(true);
      widget->installEventFilter(this);
      dropSites_[widget] = pane;
    }
  }
  KeepTabOrder();

  // F5 reloads a pane as its "刷新" does.
  auto* reload = new QShortcut(QKeySequence(Qt::Key_F5), this);
  reload->setObjectName("reloadShortcut");
  connect(reload, &QShortcut::activated, this, [this] {
    if (const auto pane = PaneForKeys()) view(*pane).Reload();
  });

  ApplyTexts();
  view(1).OnKindChanged();
  view(2).OnKindChanged();
}

std::optional<int> MainWindow::PaneForKeys() const {
  for (int pane = 1; pane <= 2; ++pane) {
    const PaneView& shown = view(pane);
    if (shown.isVisible() && shown.rect().contains(shown.mapFromGlobal(QCursor::pos()))) return pane;
  }
  const QWidget* focus = QApplication::focusWidget();
  for (int pane = 1; pane <= 2; ++pane) {
    if (focus && view(pane).isAncestorOf(focus)) return pane;
  }
  return std::nullopt;
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int extraWidth = std::max(0, width() - kClientWidth);
  const int extraHeight = std::max(0, height() - kClientHeight);
  const int left = extraWidth / 2;  // pane 1's share; pane 2 takes the rest
  area_->setGeometry(kTransferAreaPlace.adjusted(0, 0, extraWidth, extraHeight));
  view(1).Stretch(0, left, extraHeight);
  view(2).Stretch(left, extraWidth - left, extraHeight);
  for (const auto& [control, place] : between_) control->setGeometry(place.translated(left, extraHeight));
  // The SAROO converter stays over pane 2.
  panels_[1]->move(kSarooToSsf.frame.topLeft() + QPoint(left, 0));
}

void MainWindow::KeepTabOrder() {
  for (std::size_t i = 1; i < std::size(kTabOrder); ++i) {
    setTabOrder(findChild<QWidget*>(kTabOrder[i - 1]), findChild<QWidget*>(kTabOrder[i]));
  }
}

void MainWindow::ApplyTexts() {
  captions_.Apply();
  for (ConverterPanel* panel : panels_) panel->ApplyTexts();
  for (PaneView* pane : panes_) pane->ApplyTexts();
}

void MainWindow::SwitchLanguage(catalog::Language language) {
  UseLanguage(language);
  if (languageChosen_) languageChosen_(language);
  ApplyTexts();
}

void MainWindow::Transfer(int source, int destination) {
  TransferSaves(*bench_, source, destination);
}

QByteArray MainWindow::DragPayload(int pane) const {
  return QByteArray::number(QCoreApplication::applicationPid()) + ' ' +
         QByteArray::number(reinterpret_cast<quintptr>(this)) + ' ' + QByteArray::number(pane);
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

bool MainWindow::OpenInPane(int pane, const std::filesystem::path& path) { return view(pane).OpenPlace(path); }

bool MainWindow::AcceptsPaneDrop(int pane, const QMimeData& data) const {
  const Pane& state = bench_->pane(pane);
  if (data.hasFormat(kPaneRowsMimeType)) {
    return data.data(kPaneRowsMimeType) == DragPayload(3 - pane) && state.TakesSaves();
  }
  const auto paths = DroppedPaths(data);
  if (paths.empty()) return false;
  return PlaceToOpen(paths) || state.TakesSaves();
}

void MainWindow::DropOnPane(int pane, const QMimeData& data) {
  if (!AcceptsPaneDrop(pane, data)) return;
  if (data.hasFormat(kPaneRowsMimeType)) {
    AfterDrop([this, pane] { Transfer(3 - pane, pane); });
    return;
  }
  const auto paths = DroppedPaths(data);
  if (const auto place = PlaceToOpen(paths)) {
    AfterDrop([this, pane, place = *place] { OpenInPane(pane, place); });
    return;
  }
  std::vector<std::filesystem::path> files;
  for (const auto& path : paths) {
    if (QFileInfo(PathText(path)).isFile()) files.push_back(path);
  }
  // One single save as "导入" would take it; several as a transfer does, told as one.
  AfterDrop([this, pane, files] {
    if (files.size() == 1) {
      ImportSingleSave(*bench_, pane, files.front());
    } else if (!files.empty()) {
      ImportSingleSaves(*bench_, pane, files, RunSummary::kDrop);
    }
  });
}

void MainWindow::AfterDrop(std::function<void()> work, int delayMs) {
  QTimer::singleShot(delayMs, this, [this, work = std::move(work)] {
    // Slow work under way lets timers run: the drop waits its turn.
    constexpr int kRetryMs = 50;
    if (SlowWorkRunning()) {
      AfterDrop(work, kRetryMs);
    } else {
      work();
    }
  });
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
  if (!data || !AcceptsPaneDrop(site->second, *data)) {
    drop->ignore();
    return true;
  }
  drop->setDropAction(Qt::CopyAction);
  drop->accept();
  if (type == QEvent::Drop) DropOnPane(site->second, *data);
  return true;
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
