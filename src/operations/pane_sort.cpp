#include "operations/pane_sort.h"

#include <algorithm>

#include "model/conversions.h"

namespace quillmere {

void SortRows(Pane& pane, SaveColumn column, const TextCompare& compare) {
  std::vector<std::size_t> order(pane.rows.size());
  for (std::size_t r = 0; r < order.size(); ++r) order[r] = r;
  auto byKey = [&](auto key) {
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      return key(pane.RecordOfRow(a)) < key(pane.RecordOfRow(b));
    });
  };
  switch (column) {
    case SaveColumn::kDate: byKey([](const SaveRecord& record) { return record.date; }); break;
    case SaveColumn::kSize: byKey([](const SaveRecord& record) { return record.size; }); break;
    default:
      std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return compare(pane.rows[a].cell(column), pane.rows[b].cell(column)) < 0;
      });
  }
  std::vector<SaveEntry> rows;
  std::vector<std::size_t> rowRecords;
  rows.reserve(order.size());
  rowRecords.reserve(order.size());
  for (const std::size_t r : order) {
    rows.push_back(std::move(pane.rows[r]));
    rowRecords.push_back(pane.rowRecords[r]);
  }
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i].cell(SaveColumn::kNum) = Decimal(i + 1);
  pane.rows = std::move(rows);
  pane.rowRecords = std::move(rowRecords);
}

void OnPaneHeaderClick(Workbench& bench, int number, int column, const TextCompare& compare) {
  switch (static_cast<SaveColumn>(column)) {
    case SaveColumn::kNum: return;
    case SaveColumn::kAddress: ReloadPane(bench, number); return;
    case SaveColumn::kName:
    case SaveColumn::kComment:
    case SaveColumn::kDate:
    case SaveColumn::kSize: {
      Pane& pane = bench.pane(number);
      SortRows(pane, static_cast<SaveColumn>(column), compare);
      pane.selection.clear();
      bench.host().PaneChanged(number);
      return;
    }
  }
}

}  // namespace quillmere
