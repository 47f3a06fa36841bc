#include "operations/pane_sort.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "model/conversions.h"

namespace quillmere {

namespace {

// A cell that does not read as a date or a number sorts first.
std::int64_t DateKey(const std::string& text) {
  const auto date = ParseSaveDate(text);
  return date ? MinutesFromSaveDate(*date) : std::numeric_limits<std::int64_t>::min();
}

std::int64_t NumberKey(const std::string& text) {
  std::int64_t value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() ? value : std::numeric_limits<std::int64_t>::min();
}

}  // namespace

void SortRows(std::vector<SaveEntry>& rows, SaveColumn column, const TextCompare& compare) {
  auto byKey = [&](auto key) {
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const SaveEntry& a, const SaveEntry& b) { return key(a.cell(column)) < key(b.cell(column)); });
  };
  switch (column) {
    case SaveColumn::kDate: byKey(DateKey); break;
    case SaveColumn::kSize: byKey(NumberKey); break;
    default:
      std::stable_sort(rows.begin(), rows.end(), [&](const SaveEntry& a, const SaveEntry& b) {
        return compare(a.cell(column), b.cell(column)) < 0;
      });
  }
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i].cell(SaveColumn::kNum) = Decimal(i + 1);
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
      SortRows(pane.rows, static_cast<SaveColumn>(column), compare);
      pane.selection.clear();
      bench.host().PaneChanged(number);
      return;
    }
  }
}

}  // namespace quillmere
