#include <gtest/gtest.h>

#include "containers/backup_ram.h"
#include "containers/mems_image.h"
#include "operations/allocation_map.h"
#include "operations/pane_sort.h"
#include "support/backup_ram_builder.h"
#include "support/image_builder.h"

namespace quillmere {
namespace {

using testing::BackupRamBuilder;
using testing::MemsImageBuilder;
using testing::NamedSave;
using Units = std::vector<std::uint32_t>;

// The cells that are not blank, as "unit:image" pairs, to compare a whole grid at once.
std::vector<std::pair<std::uint32_t, MapImage>> Drawn(const AllocationMap& map) {
  std::vector<std::pair<std::uint32_t, MapImage>> drawn;
  for (std::uint32_t u = 0; u < map.cells.size(); ++u) {
    if (map.cells[u] != MapImage::kNone) drawn.emplace_back(u, map.cells[u]);
  }
  return drawn;
}

std::vector<std::pair<std::uint32_t, MapImage>> Span(std::uint32_t from, std::uint32_t to, MapImage image) {
  std::vector<std::pair<std::uint32_t, MapImage>> cells;
  for (std::uint32_t u = from; u <= to; ++u) cells.emplace_back(u, image);
  return cells;
}

TEST(ClusterMap, OneSmallSaveInACompactImage) {
  const AllocationMap map = BuildClusterMap(MemsImageBuilder().AddSave(1, 8, NamedSave("GAME01", 500)).Build());
  EXPECT_EQ(map.caption, "VIEW MAP ( Cluster size:1024 )");
  EXPECT_EQ(map.unitSize, 1024u);
  EXPECT_EQ(map.width, 32);
  EXPECT_EQ(map.rows, 252);
  EXPECT_EQ(map.cells.size(), 8064u);
  auto expected = Span(0, 7, MapImage::kUsed);
  expected.emplace_back(8, MapImage::kFirst);
  EXPECT_EQ(Drawn(map), expected);
  ASSERT_EQ(map.saves.size(), 1u);
  EXPECT_EQ(map.saves[0].name, "GAME01");
  EXPECT_EQ(map.saves[0].address, "2000");
  EXPECT_EQ(map.saves[0].unitList, "");
  EXPECT_EQ(map.saves[0].unitCount, 1);
  EXPECT_EQ(map.saves[0].blinkUnits, Units{8});
  EXPECT_EQ(MapCellsText(map).substr(0, 10), "########@.");
}

TEST(ClusterMap, LargeSavesBlinkTheirRecordAndListedClusters) {
  struct Case {
    std::uint32_t size;
    Units dataClusters;
    std::string unitList;
    int unitCount;
  };
  const std::vector<Case> cases = {
      {3000, {9, 300, 40}, "0009012C0028", 3},  // blinked in list order, not cluster order
      {960, {}, "", 1},                          // still fits the record cluster
      {961, {9}, "0009", 1},                     // the first size that needs a data cluster
      {2048, {10, 11}, "000A000B", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    const ByteBuffer image = MemsImageBuilder().AddSave(1, 8, NamedSave("BIG", c.size), c.dataClusters).Build();
    const AllocationMap map = BuildClusterMap(image);
    ASSERT_EQ(map.saves.size(), 1u);
    EXPECT_EQ(map.saves[0].unitList, c.unitList);
    EXPECT_EQ(map.saves[0].unitCount, c.unitCount);
    Units blink{8};
    blink.insert(blink.end(), c.dataClusters.begin(), c.dataClusters.end());
    EXPECT_EQ(map.saves[0].blinkUnits, blink);
    EXPECT_EQ(map.cells[8], MapImage::kFirst);
    for (const std::uint32_t cluster : c.dataClusters) EXPECT_EQ(map.cells[cluster], MapImage::kUsed) << cluster;
  }
}

TEST(ClusterMap, OnlySlotsWithANameAndARecordAreListed) {
  struct Case {
    const char* what;
    std::string name;
    std::uint32_t firstCluster;
    bool listed;
  };
  const std::vector<Case> cases = {
      {"a name but no cluster", "NOCLUSTER", 0, false},
      {"a cluster but no name", "", 20, false},
      // A record the bitmap does not know still gets its marker.
      {"a record the bitmap forgot", "GHOST", 20, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const AllocationMap map = BuildClusterMap(MemsImageBuilder().SetSlot(2, c.name, c.firstCluster).Build());
    auto expected = Span(0, 7, MapImage::kUsed);
    if (c.listed) expected.emplace_back(c.firstCluster, MapImage::kFirst);
    EXPECT_EQ(Drawn(map), expected);
    EXPECT_EQ(map.saves.size(), c.listed ? 1u : 0u);
  }
}

TEST(ClusterMap, UnitsOutsideTheGridAreNeitherDrawnNorBlinked) {
  MemsImageBuilder builder(0x900000);  // long enough to hold a record past cluster 8063
  builder.AddSave(1, 8, NamedSave("LISTFAR", 3000), {9, 8100, 65535});
  builder.SetSlot(2, "RECFAR", 8064);
  builder.image().WriteBE(8064 * 1024 + 12, 2000, 4);  // its record lists 8070 and 10
  builder.image().WriteBE(8064 * 1024 + 64, 8070, 2);
  builder.image().WriteBE(8064 * 1024 + 66, 10, 2);
  const AllocationMap map = BuildClusterMap(builder.Build());
  ASSERT_EQ(map.saves.size(), 2u);
  EXPECT_EQ(map.saves[0].unitList, "00091FA4FFFF");
  EXPECT_EQ(map.saves[0].blinkUnits, (Units{8, 9}));
  EXPECT_EQ(map.saves[1].address, "7E0000");
  EXPECT_FALSE(map.saves[1].firstUnit);
  EXPECT_EQ(map.saves[1].blinkUnits, Units{10});
  EXPECT_EQ(map.cells.size(), 8064u);
  // Painting either save stays inside the grid.
  for (const MapSaveEntry& save : map.saves) {
    for (const bool red : {true, false}) {
      for (const MapPaint& paint : BlinkPaints(save, red)) EXPECT_LT(paint.unit, map.cells.size());
    }
  }
}

TEST(ClusterMap, AMissingFileGivesBlankRowsAndNoNames) {
  const AllocationMap map = BuildClusterMap(ByteBuffer());
  EXPECT_EQ(map.rows, 252);
  EXPECT_EQ(MapCellsText(map), std::string(8064, '.'));
  EXPECT_TRUE(map.saves.empty());
}

TEST(BlockMap, DrawsTheUsageTextAndMarksFirstBlocks) {
  const ByteBuffer ram = BackupRamBuilder().AddSave(2, NamedSave("ALPHA", 100)).AddSave(9, NamedSave("BETA", 10)).BuildRam();
  const auto listing = backup_ram::ListBackupRam(ram);
  const AllocationMap map = BuildBlockMap(listing.blockUsage, listing.saveTable);
  EXPECT_EQ(map.caption, "VIEW MAP ( Cluster size:64 )");
  EXPECT_EQ(map.width, 22);
  EXPECT_EQ(map.rows, 24);
  EXPECT_EQ(map.cells.size(), 528u);
  EXPECT_EQ(map.geometry.window.width, 490);
  EXPECT_EQ(map.geometry.names.x, 368);
  // ALPHA: first block 2 and two further blocks; BETA fits its first block.
  std::vector<std::pair<std::uint32_t, MapImage>> expected = {
      {2, MapImage::kFirst}, {3, MapImage::kUsed}, {4, MapImage::kUsed}, {9, MapImage::kFirst}};
  EXPECT_EQ(Drawn(map), expected);
  ASSERT_EQ(map.saves.size(), 2u);
  EXPECT_EQ(map.saves[0].address, "80");
  EXPECT_EQ(map.saves[0].unitList, "000200030004");
  EXPECT_EQ(map.saves[0].blinkUnits, (Units{2, 3, 4}));  // the first block is listed once
  EXPECT_EQ(map.saves[1].blinkUnits, Units{9});
}

TEST(BlockMap, CellsPastTheRamStayBlankAndShortTextsLeaveTheRestBlank) {
  struct Case {
    std::string usage;
    std::string text;
  };
  const std::vector<Case> cases = {
      {std::string(600, '1'), std::string(512, '#') + std::string(16, '.')},
      {"1101", "##.#" + std::string(524, '.')},
      {"", std::string(528, '.')},
  };
  for (const Case& c : cases) EXPECT_EQ(MapCellsText(BuildBlockMap(c.usage, {})), c.text);
  // A save whose first block lies past the RAM has no marker and blinks only its blocks inside it.
  const AllocationMap map = BuildBlockMap("", {{"FAR", "0200000A", "8200", 2, {520, 10}}});
  EXPECT_EQ(MapCellsText(map), std::string(528, '.'));
  EXPECT_EQ(map.saves[0].blinkUnits, Units{10});
}

// A sorted pane shows its rows in another order; the map pairs each name
// with the save at its own address all the same.
TEST(AllocationMap, ASortedPaneMapsEachNameToItsOwnSave) {
  auto byName = [](const std::string& a, const std::string& b) { return a.compare(b); };
  Pane bkram;
  bkram.kind = ContainerKind::kBkram;
  auto listing = backup_ram::ListBackupRam(
      BackupRamBuilder().AddSave(2, NamedSave("ZED", 100)).AddSave(20, NamedSave("ABC", 200)).BuildRam());
  bkram.rows = listing.rows;
  bkram.saveTable = listing.saveTable;
  bkram.blockUsage = listing.blockUsage;

  Pane mems;
  mems.image = MemsImageBuilder().AddSave(1, 8, NamedSave("ZED", 3000)).AddSave(2, 30, NamedSave("ABC", 10)).Build();
  mems.rows = mems::ListMemsImage(mems.image, 1).rows;

  for (Pane* pane : {&bkram, &mems}) {
    const AllocationMap before = BuildAllocationMap(*pane);
    SortRows(pane->rows, SaveColumn::kName, byName);
    ASSERT_EQ(pane->rows[0].name(), "ABC");
    const AllocationMap after = BuildAllocationMap(*pane);
    ASSERT_EQ(after.saves.size(), 2u);
    EXPECT_EQ(after.cells, before.cells);
    for (std::size_t k = 0; k < 2; ++k) {
      EXPECT_EQ(after.saves[k].name, before.saves[k].name);
      EXPECT_EQ(after.saves[k].blinkUnits, before.saves[k].blinkUnits);
      // The row at the entry's address carries the entry's name.
      const auto row = std::find_if(pane->rows.begin(), pane->rows.end(),
                                    [&](const SaveEntry& r) { return r.address() == after.saves[k].address; });
      ASSERT_NE(row, pane->rows.end());
      EXPECT_EQ(row->name(), after.saves[k].name);
    }
  }
  EXPECT_EQ(BuildAllocationMap(bkram).saves[1].blinkUnits.front(), 20u);
  EXPECT_EQ(BuildAllocationMap(mems).saves[1].blinkUnits, Units{30});
}

TEST(AllocationMap, TheNormalHalfOfABlinkEndsWithTheFirstUnitMarked) {
  MapSaveEntry save;
  save.blinkUnits = {8, 9, 12};
  save.firstUnit = 8;
  EXPECT_EQ(BlinkPaints(save, true),
            (std::vector<MapPaint>{{8, MapImage::kBlink}, {9, MapImage::kBlink}, {12, MapImage::kBlink}}));
  EXPECT_EQ(BlinkPaints(save, false), (std::vector<MapPaint>{{8, MapImage::kUsed},
                                                              {9, MapImage::kUsed},
                                                              {12, MapImage::kUsed},
                                                              {8, MapImage::kFirst}}));
}

}  // namespace
}  // namespace quillmere
