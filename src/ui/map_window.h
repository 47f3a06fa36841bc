#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QTimer>
#include <vector>

#include "operations/allocation_map.h"

class QListWidget;
class QTableView;

namespace quillmere::ui {

// The cells of an allocation map as a table: column 0 carries nothing, column
// j >= 1 of row r shows unit r * width + j - 1. Qt::DecorationRole gives the
// cell's 16 x 15 image, Qt::UserRole its MapImage as an int, Qt::ToolTipRole
// what the unit holds (MapUnitTip).
class MapGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // Keeps its own copy of the map, as drawn, for the tooltips.
  MapGridModel(const AllocationMap& map, QObject* parent);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  QModelIndex IndexOf(std::uint32_t unit) const;
  // Repaints the cells in order; a unit without a cell is ignored.
  void Paint(const std::vector<MapPaint>& paints);

 private:
  AllocationMap map_;
  int width_;
  std::vector<MapImage> cells_;  // as shown now, blinking included
};

// A unit's tooltip: its number, then each save that owns it with the unit's
// place among the save's units, or what else the unit is.
QString MapUnitTip(const AllocationMap& map, std::uint32_t unit);

// The image a map cell shows: green for a used unit, yellow with a red square
// for a save's first unit, red while blinking; a null pixmap for a blank cell.
QPixmap MapCellPixmap(MapImage image);

// The legend's height under the grid.
inline constexpr int kMapLegendHeight = 16;

// The modal allocation map of one pane, built from copies taken at the click,
// so later changes to the pane do not reach it. Choosing a name makes that
// save's units blink: 150 ms red, 150 ms normal, on a timer of this window's
// thread, which goes with the window.
class MapWindow : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kBlinkHalfMs = 150;

  MapWindow(AllocationMap map, QWidget* parent);

  const AllocationMap& map() const { return map_; }
  // A choice in the name list: index into the save table, -1 for none.
  void ChooseSave(int index);

 private:
  void OnBlinkTick();
  // The colours' names, in a row at `place`.
  void AddLegend(QRect place);

  AllocationMap map_;
  MapGridModel* model_ = nullptr;
  QTableView* grid_ = nullptr;
  QListWidget* names_ = nullptr;
  QTimer* blinkTimer_ = nullptr;
  int chosen_ = 0;  // 0: no save; k >= 1: the k-th save of the table
  bool red_ = false;
};

// Opens the map modally: the window behind it takes no input until the map
// closes, and comes to the front again then. Returns at once; the map window
// deletes itself when closed.
MapWindow* OpenMapWindow(AllocationMap map, QWidget* owner);

}  // namespace quillmere::ui
