#include "ui/map_window.h"

#include <QAbstractItemDelegate>
#include <algorithm>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>

#include "catalog/catalog.h"
#include "ui/controls.h"
#include "ui/main_window.h"

namespace quillmere::ui {

namespace {

const QColor kUsedGreen(34, 177, 76);
const QColor kFirstYellow(255, 242, 0);
const QColor kRed(237, 28, 36);

// Between the grid and the legend under it.
constexpr int kLegendGap = 4;

// The frame a classic Windows caption and border take from the window's size.
constexpr int kFrameWidth = 6;
constexpr int kFrameHeight = 25;

QPixmap SolidCell(const QColor& colour) {
  QPixmap pixmap(kMapImageWidth, kMapImageHeight);
  pixmap.fill(colour);
  return pixmap;
}

// Paints a cell's image at the cell's top-left corner, on white, without the
// padding or selection a styled item would add.
class MapCellDelegate : public QAbstractItemDelegate {
 public:
  using QAbstractItemDelegate::QAbstractItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    painter->fillRect(option.rect, Qt::white);
    const QVariant image = index.data(Qt::DecorationRole);
    if (image.canConvert<QPixmap>()) {
      painter->save();
      painter->setClipRect(option.rect);
      painter->drawPixmap(option.rect.topLeft(), image.value<QPixmap>());
      painter->restore();
    }
  }
  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return {kMapCellWidth, kMapImageHeight + 1};
  }
};

}  // namespace

QPixmap MapCellPixmap(MapImage image) {
  static const QPixmap used = SolidCell(kUsedGreen);
  static const QPixmap blink = SolidCell(kRed);
  static const QPixmap first = [] {
    QPixmap pixmap = SolidCell(kFirstYellow);
    QPainter painter(&pixmap);
    painter.fillRect(4, 3, 9, 9, kRed);
    return pixmap;
  }();
  switch (image) {
    case MapImage::kUsed: return used;
    case MapImage::kFirst: return first;
    case MapImage::kBlink: return blink;
    case MapImage::kNone: break;
  }
  return {};
}

MapGridModel::MapGridModel(const AllocationMap& map, QObject* parent)
    : QAbstractTableModel(parent), map_(map), width_(map.width), cells_(map.cells) {}

QString MapUnitTip(const AllocationMap& map, std::uint32_t unit) {
  const MapUnitInfo info = DescribeMapUnit(map, unit);
  if (info.use == MapUnitUse::kOutside) return {};
  std::string tip = map.clusters ? Say(MapTipCluster{unit}) : Say(MapTipBlock{unit});
  const auto line = [&tip](const std::string& words) { tip += "\n" + words; };
  switch (info.use) {
    case MapUnitUse::kSave:
      for (const MapUnitOwner& owner : info.owners) {
        const std::string& name = map.saves[owner.save].name;
        line(map.clusters ? Say(MapTipSaveClusters{name, owner.position, owner.count})
                          : Say(MapTipSaveBlocks{name, owner.position, owner.count}));
      }
      break;
    case MapUnitUse::kHeader: line(Caption(map.clusters ? UiText::kMapTipMemsHeader : UiText::kMapTipRamHeader)); break;
    case MapUnitUse::kUnlisted: line(Caption(UiText::kMapTipUnlisted)); break;
    case MapUnitUse::kFree: line(Caption(UiText::kMapTipFree)); break;
    case MapUnitUse::kOutside: break;
  }
  return QString::fromStdString(tip);
}

int MapGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || width_ <= 0 ? 0 : static_cast<int>(cells_.size()) / width_;
}

int MapGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : width_ + 1; }

QVariant MapGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.column() == 0) return {};
  const std::size_t unit = static_cast<std::size_t>(index.row()) * static_cast<std::size_t>(width_) +
                           static_cast<std::size_t>(index.column() - 1);
  if (unit >= cells_.size()) return {};
  const MapImage image = cells_[unit];
  if (role == Qt::UserRole) return static_cast<int>(image);
  if (role == Qt::ToolTipRole) return MapUnitTip(map_, static_cast<std::uint32_t>(unit));
  if (role == Qt::DecorationRole && image != MapImage::kNone) return MapCellPixmap(image);
  return {};
}

QModelIndex MapGridModel::IndexOf(std::uint32_t unit) const {
  if (unit >= cells_.size()) return {};
  const auto w = static_cast<std::uint32_t>(width_);
  return index(static_cast<int>(unit / w), static_cast<int>(unit % w) + 1);
}

void MapGridModel::Paint(const std::vector<MapPaint>& paints) {
  for (const MapPaint& paint : paints) {
    const QModelIndex at = IndexOf(paint.unit);
    if (!at.isValid()) continue;
    cells_[paint.unit] = paint.image;
    emit dataChanged(at, at, {Qt::DecorationRole, Qt::UserRole});
  }
}

MapWindow::MapWindow(AllocationMap map, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      map_(std::move(map)) {
  const MapGeometry& g = map_.geometry;
  setObjectName("mapWindow");
  setWindowTitle(QString::fromStdString(Say(MapCaption{map_.unitSize})));
  setFixedSize(g.window.width - kFrameWidth, g.window.height - kFrameHeight);
  move(g.window.x, g.window.y);
  setSizeGripEnabled(false);
  ApplyWindowFont(*this);

  grid_ = new QTableView(this);
  grid_->setObjectName("mapGrid");
  grid_->setGeometry(g.grid.x, g.grid.y, g.grid.width, g.grid.height);
  model_ = new MapGridModel(map_, grid_);
  grid_->setModel(model_);
  grid_->setItemDelegate(new MapCellDelegate(grid_));
  grid_->setShowGrid(true);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Should the columns ever be wider than the grid, a bar reaches them.
  grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  grid_->horizontalHeader()->hide();
  grid_->verticalHeader()->hide();
  grid_->horizontalHeader()->setMinimumSectionSize(kMapColumnZeroWidth);
  grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->verticalHeader()->setMinimumSectionSize(1);
  grid_->verticalHeader()->setDefaultSectionSize(kMapImageHeight + 1);
  grid_->setColumnWidth(0, kMapColumnZeroWidth);
  for (int column = 1; column <= map_.width; ++column) grid_->setColumnWidth(column, kMapCellWidth);

  // A map with more rows than the grid shows (a cartridge's) scrolls: its
  // vertical bar gets room of its own beside the last column, which it would
  // cover otherwise, and the name list and the window move aside for it.
  const int frames = 2 * grid_->frameWidth();
  const int columns = kMapColumnZeroWidth + map_.width * kMapCellWidth + frames;
  const int bar = grid_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid_);
  const bool scrolls = map_.rows * (kMapImageHeight + 1) + frames > g.grid.height;
  const int wider = scrolls ? std::max(0, columns + bar - g.grid.width) : 0;
  grid_->resize(g.grid.width + wider, g.grid.height);
  setFixedSize(width() + wider, height());

  names_ = new QListWidget(this);
  names_->setObjectName("mapNames");
  names_->setGeometry(g.names.x + wider, g.names.y, g.names.width, g.names.height);
  names_->setSelectionMode(QAbstractItemView::SingleSelection);
  names_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  for (const MapSaveEntry& save : map_.saves) names_->addItem(QString::fromStdString(save.name));
  connect(names_, &QListWidget::currentRowChanged, this, &MapWindow::ChooseSave);

  // The legend under the grid names the colours; the window grows to hold it.
  AddLegend(QRect(g.grid.x, g.grid.y + g.grid.height + kLegendGap, g.names.x + wider + g.names.width - g.grid.x,
                  kMapLegendHeight));
  setFixedSize(width(), height() + kLegendGap + kMapLegendHeight);

  blinkTimer_ = new QTimer(this);
  blinkTimer_->setObjectName("blinkTimer");
  blinkTimer_->setInterval(kBlinkHalfMs);
  connect(blinkTimer_, &QTimer::timeout, this, &MapWindow::OnBlinkTick);
}

void MapWindow::AddLegend(QRect place) {
  auto* legend = new QWidget(this);
  legend->setObjectName("mapLegend");
  legend->setGeometry(place);
  auto* row = new QHBoxLayout(legend);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(4);
  // A free unit is a blank cell: white, framed as the grid frames it.
  QPixmap free(kMapImageWidth, kMapImageHeight);
  free.fill(Qt::white);
  {
    QPainter painter(&free);
    painter.setPen(grid_->palette().color(QPalette::Mid));
    painter.drawRect(0, 0, kMapImageWidth - 1, kMapImageHeight - 1);
  }
  const std::pair<QPixmap, UiText> entries[] = {
      {free, UiText::kMapLegendFree},
      {MapCellPixmap(MapImage::kUsed), UiText::kMapLegendUsed},
      {MapCellPixmap(MapImage::kFirst), UiText::kMapLegendFirst},
      {MapCellPixmap(MapImage::kBlink), UiText::kMapLegendBlink},
  };
  for (const auto& [swatch, words] : entries) {
    auto* sample = new QLabel(legend);
    sample->setPixmap(swatch);
    sample->setFixedSize(swatch.size());
    auto* caption = new QLabel(Words(words), legend);
    caption->setObjectName("mapLegendText");
    row->addWidget(sample);
    row->addWidget(caption);
    row->addSpacing(8);
  }
  row->addStretch(1);
}

void MapWindow::ChooseSave(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= map_.saves.size() || index + 1 == chosen_) return;
  // The previous save goes back to green with its first cell marked before
  // the next one turns red, so a unit both share ends up red.
  if (chosen_ != 0) model_->Paint(BlinkPaints(map_.saves[static_cast<std::size_t>(chosen_ - 1)], false));
  chosen_ = index + 1;
  const MapSaveEntry& save = map_.saves[static_cast<std::size_t>(index)];
  const auto shown = save.firstUnit ? save.firstUnit
                     : save.blinkUnits.empty() ? std::nullopt
                                               : std::optional<std::uint32_t>(save.blinkUnits.front());
  // The save's first unit's row in the middle of the grid, its neighbours
  // around it; only the rows scroll, so column 0 stays in view.
  if (shown) {
    const QModelIndex cell = model_->IndexOf(*shown);
    const int left = grid_->horizontalScrollBar()->value();
    grid_->scrollTo(cell, QAbstractItemView::PositionAtCenter);
    grid_->horizontalScrollBar()->setValue(left);
    grid_->scrollTo(cell, QAbstractItemView::EnsureVisible);
  }
  red_ = true;
  model_->Paint(BlinkPaints(save, red_));
  blinkTimer_->start();
}

void MapWindow::OnBlinkTick() {
  if (chosen_ == 0) return;
  red_ = !red_;
  model_->Paint(BlinkPaints(map_.saves[static_cast<std::size_t>(chosen_ - 1)], red_));
}

MapWindow* OpenMapWindow(AllocationMap map, QWidget* owner) {
  auto* window = new MapWindow(std::move(map), owner);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowModality(Qt::ApplicationModal);
  QPointer<QWidget> behind(owner);
  QObject::connect(window, &QDialog::finished, owner, [behind] {
    if (!behind) return;
    behind->raise();
    behind->activateWindow();
  });
  window->show();
  return window;
}

}  // namespace quillmere::ui
