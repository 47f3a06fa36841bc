#include "ui/converter_panel.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QUrl>

#include "operations/single_save_conversion.h"
#include "ui/save_rows_model.h"

namespace quillmere::ui {

namespace fs = std::filesystem;

const ConverterSetup kSsfToSaroo = {
    "ssf",
    QRect(46, 8, 370, 120),
    QRect(211, 90, 120, 25),
    QRect(333, 16, 32, 20),
    QRect(56, 17, 275, 20),
    QRect(8, 19, 48, 16),
    QRect(26, 45, 323, 36),
    UiText::kSsfToSarooArea,
    UiText::kToSaroo,
    UiText::kSsfLabel,
    FileFilter::kSsf,
    singlesave::SsfFolder,
    [](const fs::path& file, Host& host) { return singlesave::SarooShown{ShowSsfFile(file, host), {}}; },
    [](const fs::path& file, const singlesave::SarooShown& shown, const fs::path& programDirectory, Host& host) {
      ConvertSsfToSaroo(file, shown.row, singlesave::SarooFolder(programDirectory), host);
    },
};

const ConverterSetup kSarooToSsf = {
    "saroo",
    QRect(492, 8, 377, 120),
    QRect(218, 88, 120, 25),
    QRect(339, 15, 32, 20),
    QRect(62, 16, 275, 20),
    QRect(5, 18, 56, 16),
    QRect(32, 45, 323, 36),
    UiText::kSarooToSsfArea,
    UiText::kToSsf,
    UiText::kSarooLabel,
    FileFilter::kSaroo,
    singlesave::SarooFolder,
    [](const fs::path& file, Host& host) { return ShowSarooFile(file, host); },
    [](const fs::path& file, const singlesave::SarooShown& shown, const fs::path& programDirectory, Host& host) {
      ConvertSarooToSsf(file, shown.pendingSsfDate, singlesave::SsfFolder(programDirectory), host);
    },
};

namespace {

// A converter row in the columns the one-row lists show.
SaveEntry ToEntry(const singlesave::SingleSaveRow& row) {
  SaveEntry entry;
  entry.cell(SaveColumn::kName) = row.name();
  entry.cell(SaveColumn::kComment) = row.comment();
  entry.cell(SaveColumn::kDate) = row.date();
  entry.cell(SaveColumn::kSize) = row.size();
  return entry;
}

// The first local file of a drop from the file manager.
std::optional<fs::path> DroppedFile(const QMimeData* data) {
  if (!data) return std::nullopt;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const QString path = url.toLocalFile();
    if (!QFileInfo(path).isFile()) return std::nullopt;
    return PathOf(path);
  }
  return std::nullopt;
}

}  // namespace

ConverterPanel::ConverterPanel(const ConverterSetup& setup, fs::path programDirectory, Host& host, QWidget* window)
    : QGroupBox(window), setup_(setup), programDirectory_(std::move(programDirectory)), host_(host) {
  const QString prefix = setup.prefix;
  auto name = [&](const char* part) { return (prefix + part).toLatin1(); };
  captions_.Add(this, setup.title);
  setObjectName(name("Panel"));
  setGeometry(setup.frame);
  auto* convert = captions_.Add(MakeButton(this, {}, setup.convert, name("Convert")), setup.convertCaption);
  auto* pick = MakeButton(this, Words(UiText::kPickFile), setup.pick, name("Pick"));
  path_ = new QLineEdit(this);
  path_->setObjectName(name("Path"));
  path_->setGeometry(setup.path);
  path_->setReadOnly(true);
  QPalette palette = path_->palette();
  palette.setColor(QPalette::Base, QColor(255, 255, 255));
  path_->setPalette(palette);
  captions_.Add(MakeLabel(this, {}, setup.label, kBlackText, name("Label")), setup.labelCaption);

  const std::vector<SaveColumn> columns = {SaveColumn::kName, SaveColumn::kComment, SaveColumn::kDate, SaveColumn::kSize};
  list_ = MakeList(this, setup.list, name("List"));
  model_ = new SaveRowsModel([this]() -> const std::vector<SaveEntry>& { return row_; }, columns, Qt::AlignLeft, list_);
  list_->setModel(model_);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->horizontalHeader()->setSectionsClickable(false);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // One row that never scrolls: a frame wider than Fusion's (the Windows
  // styles' is 2 pixels) takes from the last column, not a scroll bar over the row.
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // The style's least section width would keep the last column from giving way.
  list_->horizontalHeader()->setMinimumSectionSize(20);
  for (std::size_t i = 0; i < singlesave::kSingleSaveColumnCount; ++i) {
    list_->setColumnWidth(static_cast<int>(i), kSingleSaveColumnWidths[i]);
  }
  list_->horizontalHeader()->setStretchLastSection(true);
  connect(pick, &QPushButton::clicked, this, &ConverterPanel::PickFile);
  connect(path_, &QLineEdit::textChanged, this, &ConverterPanel::ShowFile);
  connect(convert, &QPushButton::clicked, this, &ConverterPanel::Convert);

  // A file dropped anywhere on the panel is taken as if picked with "...".
  for (QWidget* site : {static_cast<QWidget*>(this), static_cast<QWidget*>(path_), list_->viewport()}) {
    site->setAcceptDrops(true);
    site->installEventFilter(this);
  }
}

void ConverterPanel::PickFile() {
  const auto chosen = host_.PickOpenFile(setup_.fileFilter, setup_.pickFolder(programDirectory_));
  if (chosen) path_->setText(PathText(*chosen));
}

void ConverterPanel::ShowFile(const QString& path) {
  shown_ = setup_.show(PathOf(path), host_);
  row_ = {ToEntry(shown_.row)};
  model_->Refresh();
}

void ConverterPanel::Convert() { setup_.convertFile(PathOf(path_->text()), shown_, programDirectory_, host_); }

void ConverterPanel::ApplyTexts() {
  captions_.Apply();
  emit model_->headerDataChanged(Qt::Horizontal, 0, model_->columnCount({}) - 1);
}

bool ConverterPanel::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
    return QGroupBox::eventFilter(watched, event);
  }
  auto* drop = static_cast<QDropEvent*>(event);
  const std::optional<fs::path> file = DroppedFile(drop->mimeData());
  if (!file) {
    drop->ignore();
    return true;
  }
  drop->setDropAction(Qt::CopyAction);
  drop->accept();
  if (type == QEvent::Drop) path_->setText(PathText(*file));
  return true;
}

}  // namespace quillmere::ui
