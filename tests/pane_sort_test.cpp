#include <gtest/gtest.h>

#include "model/conversions.h"
#include "operations/pane_sort.h"
#include "support/image_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

SaveRecord Record(std::uint32_t num, const std::string& name, const std::string& comment, const SaveDateTime& date,
                  std::uint32_t size) {
  SaveRecord record;
  record.num = num;
  record.offset = 0x2000 + 0x400 * num;
  record.nameField = ByteBuffer::FromText(name);
  record.commentField = ByteBuffer::FromText(comment);
  record.date = static_cast<std::uint32_t>(MinutesFromSaveDate(date));
  record.size = size;
  return record;
}

Pane PaneOf(std::vector<SaveRecord> records) {
  Pane pane;
  pane.ShowRecords(std::move(records));
  return pane;
}

std::vector<std::string> Cells(const std::vector<SaveEntry>& rows, SaveColumn column) {
  std::vector<std::string> cells;
  for (const SaveEntry& row : rows) cells.push_back(row.cell(column));
  return cells;
}

int ByteCompare(const std::string& a, const std::string& b) { return a.compare(b); }

TEST(PaneSort, EachColumnSortsByItsOwnValue) {
  const Pane pane = PaneOf({
      Record(1, "b", "x", {2023, 6, 15, 12, 34}, 100),
      Record(3, "a", "z", {10146, 2, 14, 20, 15}, 99),
      Record(7, "c", "y", {1979, 12, 31, 16, 0}, 2000),
  });
  auto sorted = [&](SaveColumn column, const TextCompare& compare = ByteCompare) {
    Pane copy = pane;
    SortRows(copy, column, compare);
    EXPECT_EQ(Cells(copy.rows, SaveColumn::kNum), (std::vector<std::string>{"1", "2", "3"}));
    // Each row still shows its own record.
    for (std::size_t r = 0; r < copy.rows.size(); ++r) {
      EXPECT_EQ(copy.rows[r].address(), PresentSave(copy.RecordOfRow(r)).address());
    }
    return copy.rows;
  };
  EXPECT_EQ(Cells(sorted(SaveColumn::kName), SaveColumn::kName), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(Cells(sorted(SaveColumn::kComment), SaveColumn::kComment), (std::vector<std::string>{"x", "y", "z"}));
  // Numbers by value, not as text: 99 before 100 before 2000.
  EXPECT_EQ(Cells(sorted(SaveColumn::kSize), SaveColumn::kSize), (std::vector<std::string>{"99", "100", "2000"}));
  // Dates by value: a five-digit year comes last although "1" sorts first as text.
  EXPECT_EQ(Cells(sorted(SaveColumn::kDate), SaveColumn::kName), (std::vector<std::string>{"c", "b", "a"}));
  // The text comparison is the one passed in.
  const auto reversed = sorted(SaveColumn::kName, [](const std::string& a, const std::string& b) { return b.compare(a); });
  EXPECT_EQ(Cells(reversed, SaveColumn::kName), (std::vector<std::string>{"c", "b", "a"}));
}

TEST(PaneSort, EqualKeysKeepTheirOrderAndEmptyStaysEmpty) {
  Pane pane = PaneOf({Record(1, "same", "", {}, 5), Record(2, "same", "", {}, 5), Record(4, "other", "", {}, 5)});
  SortRows(pane, SaveColumn::kSize, ByteCompare);
  EXPECT_EQ(Cells(pane.rows, SaveColumn::kAddress), (std::vector<std::string>{"2400", "2800", "3000"}));
  Pane none;
  SortRows(none, SaveColumn::kName, ByteCompare);
  EXPECT_TRUE(none.rows.empty());
}

TEST(PaneSort, HeaderClicksSortOrReload) {
  testing::TempDir dir;
  testing::TestSave a, b;
  a.name = "ZED";
  a.data = testing::PatternData(10, 1);
  b.name = "ABE";
  b.data = testing::PatternData(20, 2);
  testing::WriteFile(dir / "SS_MEMS.BIN", testing::MemsImageBuilder().AddSave(2, 8, a).AddSave(5, 9, b).Build());
  testing::ScriptedHost host;
  Workbench bench(dir.path(), host);
  ReloadPane(bench, 1);
  bench.pane(1).selection = {1};

  OnPaneHeaderClick(bench, 1, 0, ByteCompare);  // "Num": nothing at all
  EXPECT_EQ(Cells(bench.pane(1).rows, SaveColumn::kNum), (std::vector<std::string>{"2", "5"}));
  EXPECT_EQ(bench.pane(1).selection, std::vector<int>{1});

  OnPaneHeaderClick(bench, 1, 1, ByteCompare);
  EXPECT_EQ(Cells(bench.pane(1).rows, SaveColumn::kName), (std::vector<std::string>{"ABE", "ZED"}));
  EXPECT_EQ(Cells(bench.pane(1).rows, SaveColumn::kNum), (std::vector<std::string>{"1", "2"}));
  EXPECT_TRUE(bench.pane(1).selection.empty());  // the rows moved under it

  OnPaneHeaderClick(bench, 1, 2, ByteCompare);  // "Address": file order again
  EXPECT_EQ(Cells(bench.pane(1).rows, SaveColumn::kName), (std::vector<std::string>{"ZED", "ABE"}));
  EXPECT_EQ(Cells(bench.pane(1).rows, SaveColumn::kNum), (std::vector<std::string>{"2", "5"}));
  EXPECT_EQ(host.paneChanges, (std::vector<int>{1, 1, 1}));
}

}  // namespace
}  // namespace quillmere
