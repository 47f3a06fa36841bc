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

// The grid as text with `marks` ('#' or '@') set over a blank one.
std::string Grid(std::size_t cells, const std::vector<std::pair<std::uint32_t, char>>& marks) {
  std::string text(cells, '.');
  for (const auto& [unit, mark] : marks) text[unit] = mark;
  return text;
}

TEST(ClusterMap, SavesBlinkTheirRecordThenTheirListedClusters) {
  struct Case {
    std::uint32_t size;
    Units data;
  };
  const std::vector<Case> cases = {
      {500, {}},             // one small save: cells 0-7 used, 8 first
      {3000, {9, 300, 40}},  // list order, not cluster order
      {960, {}},             // still fits the record cluster
      {961, {9}},            // the first size with a data cluster
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    const AllocationMap map = BuildClusterMap(MemsImageBuilder().AddSave(1, 8, NamedSave("GAME01", c.size), c.data).Build());
    std::vector<std::pair<std::uint32_t, char>> marks = {{0, '#'}, {1, '#'}, {2, '#'}, {3, '#'}, {4, '#'},
                                                         {5, '#'}, {6, '#'}, {7, '#'}, {8, '@'}};
    Units blink{8};
    for (const std::uint32_t cluster : c.data) {
      marks.emplace_back(cluster, '#');
      blink.push_back(cluster);
    }
    EXPECT_EQ(MapCellsText(map), Grid(8064, marks));
    ASSERT_EQ(map.saves.size(), 1u);
    EXPECT_EQ(map.saves[0].name, "GAME01");
    EXPECT_EQ(map.saves[0].address, "2000");
    EXPECT_EQ(map.saves[0].blinkUnits, blink);
  }
}

TEST(ClusterMap, OnlySlotsWithANameAndARecordAreListedAndMarked) {
  struct Case {
    std::string name;
    std::uint32_t firstCluster;
    bool listed;
  };
  // The last: a record the bitmap does not know is marked all the same.
  for (const Case& c : {Case{"NOCLUSTER", 0, false}, Case{"", 20, false}, Case{"GHOST", 20, true}}) {
    const AllocationMap map = BuildClusterMap(MemsImageBuilder().SetSlot(2, c.name, c.firstCluster).Build());
    EXPECT_EQ(MapCellsText(map).substr(0, 21), std::string(8, '#') + std::string(12, '.') + (c.listed ? "@" : "."));
    EXPECT_EQ(map.saves.size(), c.listed ? 1u : 0u) << c.name;
  }
  // A missing file: 252 blank rows, no names.
  const AllocationMap missing = BuildClusterMap(ByteBuffer());
  EXPECT_EQ(missing.unitSize, 1024u);
  EXPECT_EQ(MapCellsText(missing), std::string(252 * 32, '.'));
  EXPECT_TRUE(missing.saves.empty());
}

TEST(ClusterMap, UnitsOutsideTheGridAreNeitherDrawnNorBlinked) {
  MemsImageBuilder builder(0x900000);  // long enough to hold a record past cluster 8063
  builder.AddSave(1, 8, NamedSave("LISTFAR", 3000), {9, 8100, 65535});
  builder.SetSlot(2, "RECFAR", 8064);
  builder.image().MustWriteBE(8064 * 1024 + 12, 2000, 4);  // its record lists 8070 and 10
  builder.image().MustWriteBE(8064 * 1024 + 64, 8070, 2);
  builder.image().MustWriteBE(8064 * 1024 + 66, 10, 2);
  const AllocationMap map = BuildClusterMap(builder.Build());
  ASSERT_EQ(map.saves.size(), 2u);
  EXPECT_EQ(map.saves[0].blinkUnits, (Units{8, 9}));
  EXPECT_EQ(map.saves[1].address, "7E0000");
  EXPECT_FALSE(map.saves[1].firstUnit);
  EXPECT_EQ(map.saves[1].blinkUnits, Units{10});
  EXPECT_EQ(map.cells.size(), 8064u);
}

TEST(BlockMap, DrawsTheUsageTextAndMarksFirstBlocksInsideTheRam) {
  const auto listing = backup_ram::ListBackupRam(
      BackupRamBuilder().AddSave(2, NamedSave("ALPHA", 100)).AddSave(9, NamedSave("BETA", 10)).BuildRam());
  const AllocationMap map = BuildBlockMap(listing.records);
  EXPECT_EQ(map.unitSize, 64u);
  EXPECT_EQ(map.width, 22);
  EXPECT_EQ(map.rows, 24);
  EXPECT_EQ(MapCellsText(map), Grid(528, {{2, '@'}, {3, '#'}, {4, '#'}, {9, '@'}}));
  ASSERT_EQ(map.saves.size(), 2u);
  EXPECT_EQ(map.saves[0].blinkUnits, (Units{2, 3, 4}));  // the first block listed once

  // Cells 512-527 stay blank, and a save that starts past the RAM has no marker.
  SaveRecord wide;
  wide.offset = 2 * 64;
  for (std::uint32_t block = 2; block < 600; ++block) wide.units.push_back(block);
  EXPECT_EQ(MapCellsText(BuildBlockMap({wide})), "..@" + std::string(509, '#') + std::string(16, '.'));
  SaveRecord farRecord;
  farRecord.offset = 32768 * 64;
  farRecord.units = {32768, 520, 10};
  const AllocationMap far = BuildBlockMap({farRecord});
  EXPECT_EQ(MapCellsText(far), Grid(528, {{10, '#'}}));
  EXPECT_EQ(far.saves[0].blinkUnits, Units{10});
}

// Hovering names what a unit holds: each save that lists it (two on a damaged
// image), with the unit's place among the save's units, or the header, free
// space, or a bitmap mark no save explains.
TEST(AllocationMap, AUnitNamesTheSavesThatOwnIt) {
  // ALPHA: record 8, data 9-11. BETA: record 20, data 11 (shared) and 21.
  // The slot of the save at 300 is emptied: its cluster stays marked, unlisted.
  const AllocationMap mems = BuildClusterMap(MemsImageBuilder()
                                                 .AddSave(1, 8, NamedSave("ALPHA", 3000))
                                                 .AddSave(2, 20, NamedSave("BETA", 2000), {11, 21})
                                                 .AddSave(3, 300, NamedSave("GHOST", 500))
                                                 .SetSlot(3, "", 0)
                                                 .Build());
  const AllocationMap ram = BuildBlockMap(
      backup_ram::ListBackupRam(BackupRamBuilder().AddSave(2, NamedSave("RAMSAVE", 100)).BuildRam()).records);
  struct Case {
    const AllocationMap* map;
    std::uint32_t unit;
    MapUnitUse use;
    std::vector<MapUnitOwner> owners;
  };
  const std::vector<Case> cases = {
      {&mems, 8, MapUnitUse::kSave, {{0, 1, 4}}},  // a record is its save's first unit
      {&mems, 10, MapUnitUse::kSave, {{0, 3, 4}}},
      {&mems, 11, MapUnitUse::kSave, {{0, 4, 4}, {1, 2, 3}}},
      {&mems, 0, MapUnitUse::kHeader, {}},
      {&mems, 12, MapUnitUse::kFree, {}},
      {&mems, 300, MapUnitUse::kUnlisted, {}},
      {&mems, 8064, MapUnitUse::kOutside, {}},
      {&ram, 1, MapUnitUse::kHeader, {}},
      {&ram, 4, MapUnitUse::kSave, {{0, 3, 3}}},
      {&ram, 5, MapUnitUse::kFree, {}},
      {&ram, 512, MapUnitUse::kOutside, {}},  // the blank cells after the last block
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.unit);
    const MapUnitInfo info = DescribeMapUnit(*c.map, c.unit);
    EXPECT_EQ(info.use, c.use);
    EXPECT_EQ(info.owners, c.owners);
  }
}

// A sorted pane lists its rows in another order; each name of the map still
// goes with the save at its own address.
TEST(AllocationMap, ASortedPaneMapsEachNameToItsOwnSave) {
  Pane bkram;
  bkram.kind = ContainerKind::kBkram;
  auto listing = backup_ram::ListBackupRam(
      BackupRamBuilder().AddSave(2, NamedSave("ZED", 100)).AddSave(20, NamedSave("ABC", 200)).BuildRam());
  bkram.ShowRecords(listing.records);
  Pane mems;
  mems.image = MemsImageBuilder().AddSave(1, 8, NamedSave("ZED", 3000)).AddSave(2, 30, NamedSave("ABC", 10)).Build();
  mems.ShowRecords(mems::ListMemsImage(mems.image, 10).records);

  for (Pane* pane : {&bkram, &mems}) {
    SortRows(*pane, SaveColumn::kName, [](const std::string& a, const std::string& b) { return a.compare(b); });
    ASSERT_EQ(pane->rows[0].name(), "ABC");
    const AllocationMap map = BuildAllocationMap(*pane);
    ASSERT_EQ(map.saves.size(), 2u);
    EXPECT_EQ(map.saves[0].name, "ZED");
    EXPECT_EQ(map.saves[0].blinkUnits.front(), pane == &mems ? 8u : 2u);
    EXPECT_EQ(map.saves[1].blinkUnits.front(), pane == &mems ? 30u : 20u);
    for (const SaveEntry& row : pane->rows) {
      const auto entry = std::find_if(map.saves.begin(), map.saves.end(),
                                      [&](const MapSaveEntry& s) { return s.address == row.address(); });
      ASSERT_NE(entry, map.saves.end());
      EXPECT_EQ(entry->name, row.name());
    }
  }
}

}  // namespace
}  // namespace quillmere
