#include <gtest/gtest.h>

#include <filesystem>

#include "containers/save_file.h"
#include "operations/workbench.h"
#include "support/image_builder.h"
#include "support/save_file_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::PatternData;
using testing::SaveFileBuilder;
using testing::TempDir;
using testing::TestSave;

using Row = std::array<std::string, 6>;

TestSave Save(const std::string& name, std::size_t size, std::uint8_t seed = 1) {
  return testing::NamedSave(name, size, seed);
}

std::vector<std::string> Names(const save_file::SaveFileListing& listing) {
  std::vector<std::string> names;
  for (const SaveEntry& row : PresentSaves(listing.records)) names.push_back(row.name());
  return names;
}

TEST(SaveFileListing, RowsShowTheRecordFields) {
  TestSave save = Save("ABCDEFGHIJKL", 300);  // fills the 12-byte name
  save.comment = {0x83, 0x5A, 0x81, 0x5B, 0x83, 0x75, '1', '2', '3', '4', 'X', 'Y'};  // only 10 bytes show
  save.date = 22855474;
  const ByteBuffer image = SaveFileBuilder().SetSlot(1, "T-1234G   V1.000").AddRecord(1, 1, save).Build();
  const save_file::SaveFileListing listing = save_file::ListSaveFile(image);
  ASSERT_EQ(listing.records.size(), 1u);
  EXPECT_EQ(PresentSave(listing.records[0]).cells, (Row{"1", "ABCDEFGHIJKL", "10080", "セーブ1234", "2023-06-15 12:34", "300"}));
  ASSERT_EQ(listing.records.size(), 1u);
  EXPECT_EQ(listing.records[0].area, 1);
  EXPECT_EQ(listing.records[0].units.front(), 1u);
  EXPECT_EQ(listing.records[0].offset, 0x10080u);
}

TEST(SaveFileListing, NameRunsOnToSixteenBytes) {
  // The listed name is the first 16 bytes up to a zero: a size without zero
  // bytes shows after a full 12-byte name.
  TestSave save = Save("ABCDEFGHIJKL", 0);
  save.size = 0x31323334;
  const ByteBuffer image = SaveFileBuilder().SetSlot(1, "S").AddRecord(1, 1, save).Build();
  EXPECT_EQ(PresentSave(save_file::ListSaveFile(image).records[0]).name(), "ABCDEFGHIJKL1234");
}

TEST(SaveFileListing, RowsAreNumberedAcrossAreas) {
  const ByteBuffer image = SaveFileBuilder()
                               .SetSlot(1, "ONE")
                               .SetSlot(2, "TWO")
                               .AddRecord(1, 1, Save("A1", 100, 1))
                               .AddRecord(1, 9, Save("A2", 300, 2))
                               .AddRecord(2, 5, Save("B1", 10, 3))
                               .Build();
  const save_file::SaveFileListing listing = save_file::ListSaveFile(image);
  ASSERT_EQ(listing.records.size(), 3u);
  EXPECT_EQ(Names(listing), (std::vector<std::string>{"A1", "A2", "B1"}));
  EXPECT_EQ(PresentSave(listing.records[0]).num(), "1");
  EXPECT_EQ(PresentSave(listing.records[1]).num(), "2");
  EXPECT_EQ(PresentSave(listing.records[2]).num(), "3");
  EXPECT_EQ(PresentSave(listing.records[0]).address(), "10080");
  EXPECT_EQ(PresentSave(listing.records[1]).address(), "10480");
  // Block 5 of area 2.
  EXPECT_EQ(PresentSave(listing.records[2]).address(), "20280");
}

TEST(SaveFileListing, RecordsFollowTheChainNotTheBlockOrder) {
  const ByteBuffer image = SaveFileBuilder()
                               .SetSlot(1, "ONE")
                               .AddRecord(1, 20, Save("FIRST", 10, 1))
                               .AddRecord(1, 3, Save("SECOND", 10, 2))
                               .AddRecord(1, 11, Save("THIRD", 10, 3))
                               .Build();
  EXPECT_EQ(Names(save_file::ListSaveFile(image)), (std::vector<std::string>{"FIRST", "SECOND", "THIRD"}));
}

TEST(SaveFileListing, EmptySlotEndsTheTable) {
  const ByteBuffer image = SaveFileBuilder()
                               .SetSlot(1, "ONE")
                               .SetSlot(2, "TWO")
                               .SetSlot(4, "FOUR")
                               .AddRecord(1, 1, Save("A1", 10))
                               .AddRecord(2, 1, Save("B1", 10))
                               .AddRecord(3, 1, Save("C1", 10))
                               .AddRecord(4, 1, Save("D1", 10))
                               .Build();
  EXPECT_EQ(Names(save_file::ListSaveFile(image)), (std::vector<std::string>{"A1", "B1"}));
}

TEST(SaveFileListing, AreaWithoutRecordsAddsNoRows) {
  SaveFileBuilder builder;
  builder.SetSlot(1, "ONE").SetSlot(2, "TWO").SetSlot(3, "THREE");
  builder.AddRecord(1, 1, Save("A1", 10)).AddRecord(3, 2, Save("C1", 10));
  // A record in area 2 that no chain reaches.
  builder.AddRecord(2, 1, Save("STRAY", 10)).SetFirstRecordBlock(2, 0);
  const save_file::SaveFileListing listing = save_file::ListSaveFile(builder.Build());
  EXPECT_EQ(Names(listing), (std::vector<std::string>{"A1", "C1"}));
  EXPECT_EQ(PresentSave(listing.records[1]).num(), "2");
  EXPECT_EQ(PresentSave(listing.records[1]).address(), "30100");
}

TEST(SaveFileListing, EmptyFileAndEmptyTableListNothing) {
  EXPECT_TRUE(save_file::ListSaveFile(ByteBuffer{}).records.empty());
  EXPECT_TRUE(save_file::ListSaveFile(SaveFileBuilder().Build()).records.empty());
}

TEST(SaveFileWalk, ChainsThatComeBackEnd) {
  struct Case {
    const char* what;
    std::uint32_t from;
    std::uint32_t to;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"back to the first record", 7, 2, {"R2", "R4", "R7"}},
      {"back to a later record", 7, 4, {"R2", "R4", "R7"}},
      {"onto itself", 4, 4, {"R2", "R4"}},
  };
  for (const Case& c : cases) {
    SaveFileBuilder builder;
    builder.SetSlot(1, "LOOP").SetSlot(2, "NEXT");
    builder.AddRecord(1, 2, Save("R2", 10), {30}).AddRecord(1, 4, Save("R4", 10), {31}).AddRecord(1, 7, Save("R7", 10), {32});
    builder.AddRecord(2, 1, Save("AFTER", 10));
    builder.SetNextRecordBlock(1, c.from, c.to);
    const save_file::SaveFileListing listing = save_file::ListSaveFile(builder.Build());
    std::vector<std::string> expected = c.names;
    expected.push_back("AFTER");  // the scan goes on with the next slot
    EXPECT_EQ(Names(listing), expected) << c.what;
  }
}

TEST(SaveFileWalk, ChainEndsAtTheEndOfItsArea) {
  // Links past block 511 reach into the next area, whose records would then
  // be listed twice: the chain ends at the area's last block.
  SaveFileBuilder builder;
  builder.SetSlot(1, "LONG");
  builder.SetFirstRecordBlock(1, 1);
  for (std::uint32_t b = 1; b <= 600; ++b) builder.SetNextRecordBlock(1, b, b == 600 ? 0 : b + 1);
  const ByteBuffer image = builder.Build();
  const std::vector<std::uint32_t> chain = save_file::RecordChain(image, save_file::AreaOffset(1));
  ASSERT_EQ(chain.size(), 511u);
  EXPECT_EQ(chain.front(), 1u);
  EXPECT_EQ(chain.back(), 511u);
  EXPECT_EQ(save_file::ListSaveFile(image).records.size(), 511u);

  SaveFileBuilder outside;
  outside.SetSlot(1, "OUT").SetSlot(2, "NEXT").AddRecord(2, 5, Save("B5", 10));
  outside.SetFirstRecordBlock(1, 512 + 5);  // block 5 of area 2, seen from area 1
  EXPECT_EQ(Names(save_file::ListSaveFile(outside.Build())), (std::vector<std::string>{"B5"}));
}

TEST(SaveFileWalk, TruncatedFilesReadMissingFieldsAsEmpty) {
  const ByteBuffer full = SaveFileBuilder()
                              .SetSlot(1, "ONE")
                              .SetSlot(2, "TWO")
                              .AddRecord(1, 1, Save("A1", 100))
                              .AddRecord(1, 3, Save("A2", 100))
                              .AddRecord(2, 1, Save("B1", 100))
                              .Build();
  struct Case {
    std::size_t length;
    std::size_t rows;
  };
  // A record block past the end is not listed, however the chain links to it.
  for (const Case c : {Case{0, 0}, Case{17, 0}, Case{0x10000 + 63, 0}, Case{0x10000 + 64, 0}, Case{0x10080 + 1, 1},
                       Case{0x10080 + 64, 1}, Case{0x10180 + 1, 2}, Case{0x20000 + 64, 2}, Case{0x20080 + 1, 3},
                       Case{full.size(), 3}}) {
    EXPECT_EQ(save_file::ListSaveFile(full.Slice(0, c.length)).records.size(), c.rows) << c.length;
  }
  // A record cut inside its size field reads as if zeros followed.
  const save_file::SaveFileListing cut = save_file::ListSaveFile(full.Slice(0, 0x10080 + 14));
  ASSERT_EQ(cut.records.size(), 1u);
  EXPECT_EQ(PresentSave(cut.records[0]).cells, (Row{"1", "A1", "10080", "", "1979-12-31 16:00", "0"}));
}

TEST(SaveFileData, DataIsTheMarkedBlocksInAscendingOrder) {
  const TestSave save = Save("DATA", 300, 5);
  const ByteBuffer image = SaveFileBuilder().SetSlot(1, "ONE").SetSlot(2, "TWO").AddRecord(2, 9, save, {40, 12, 300}).Build();
  const std::size_t record = SaveFileBuilder::Record(2, 9);
  EXPECT_EQ(save_file::DataBlocks(image, record), (std::vector<std::uint32_t>{12, 40, 300}));
  // The builder fills the blocks in ascending order on its own.
  EXPECT_EQ(image.Slice(SaveFileBuilder::Record(2, 40), 128), ByteBuffer(save.data).Slice(128, 128));
  EXPECT_EQ(save_file::ReadRecordData(image, record), ByteBuffer(save.data));

  // Bits 0 and 2: block 0 of the area, then block 2, cut to the size.
  SaveFileBuilder low;
  low.SetSlot(1, "ONE");
  TestSave small = Save("LOW", 0);
  small.size = 200;
  low.AddRecord(1, 5, small, {0, 2});
  low.image().Fill(SaveFileBuilder::Record(1, 2), 128, 0x22);
  const ByteBuffer lowImage = low.Build();
  ByteBuffer expected = lowImage.Slice(SaveFileBuilder::Area(1), 128);
  expected.Append(72, 0x22);
  EXPECT_EQ(save_file::ReadRecordData(lowImage, SaveFileBuilder::Record(1, 5)), expected);

  // Blocks past the end of the file give a shorter result.
  EXPECT_EQ(save_file::ReadRecordData(image.Slice(0, SaveFileBuilder::Record(2, 40) + 10), record),
            ByteBuffer(save.data).Slice(0, 138));
}

TEST(SaveFileFile, LoadsTheRawFileWithoutAFigure) {
  TempDir dir;
  const ByteBuffer image = SaveFileBuilder().SetSlot(1, "ONE").AddRecord(1, 1, Save("A1", 10)).Build();
  testing::WriteFile(dir / "SS_SAVE.BIN", image);
  const PaneLoad load = LoadContainerFile(dir / "SS_SAVE.BIN", false);
  EXPECT_TRUE(load.fileFound);
  EXPECT_EQ(load.image, image);
  ASSERT_EQ(load.records.size(), 1u);
  EXPECT_EQ(PresentSave(load.records[0]).name(), "A1");
  EXPECT_FALSE(load.remainingSpace.has_value());

  const PaneLoad missing = LoadContainerFile(dir / "OTHER" / "SS_SAVE.BIN", false);
  EXPECT_FALSE(missing.fileFound);
  EXPECT_TRUE(missing.image.empty());
  EXPECT_TRUE(missing.records.empty());
  EXPECT_FALSE(fs::exists(dir / "OTHER" / "SS_SAVE.BIN"));
}

TEST(SaveFileFile, PaneKeepsItsFigureForTheSaveFile) {
  TempDir dir;
  testing::ScriptedHost host;
  Workbench bench(dir.path(), host);
  testing::WriteFile(dir / "OTHER" / "SS_SAVE.BIN",
                     SaveFileBuilder().SetSlot(1, "ONE").AddRecord(1, 1, Save("A1", 10)).AddRecord(1, 3, Save("A2", 10)).Build());
  SetPaneKind(bench, 2, ContainerKind::kSave);
  const Pane& pane = bench.pane(2);
  EXPECT_FALSE(pane.hintVisible);
  ASSERT_EQ(pane.rows.size(), 2u);
  EXPECT_EQ(pane.rows[1].address(), "10180");
  EXPECT_EQ(pane.numberLabel, "");  // SS_SAVE.BIN has no figure
  bench.pane(2).numberLabel = "77";
  ReloadPane(bench, 2);
  EXPECT_EQ(pane.numberLabel, "");
  EXPECT_EQ(host.paneChanges, (std::vector<int>{2, 2}));
}

using SaveFileSamples = testing::SamplesTest;

TEST_F(SaveFileSamples, TwoGamesInAreas1And3) {
  const fs::path folder = samples / "saroo-two-games";
  const PaneLoad load = LoadContainerFile(folder / "SS_SAVE.BIN", false);
  ASSERT_TRUE(load.fileFound);
  ASSERT_EQ(load.records.size(), 2u);
  EXPECT_EQ(PresentSave(load.records[0]).cells, (Row{"1", "HYPERDUEL_0", "10080", "ﾊｲﾊﾟｰﾃﾞｭｴﾙ", "2000-05-31 18:00", "260"}));
  EXPECT_EQ(PresentSave(load.records[1]).cells, (Row{"2", "CAP_DAD_002", "30080", "D&Dｺﾚｸｼｮﾝ2", "2024-12-01 14:31", "416"}));
  EXPECT_FALSE(load.remainingSpace.has_value());
  EXPECT_EQ(save_file::ReadRecordData(load.image, 0x10080), testing::ReadFile(folder / "HYPERDUEL_0.raw"));
  EXPECT_EQ(save_file::ReadRecordData(load.image, 0x30080), testing::ReadFile(folder / "CAP_DAD_002.raw"));
}

TEST_F(SaveFileSamples, EmptySlotTable) {
  const PaneLoad load = LoadContainerFile(samples / "saroo-empty" / "SS_SAVE.BIN", false);
  ASSERT_TRUE(load.fileFound);
  EXPECT_EQ(load.image.size(), 65536u);
  EXPECT_TRUE(load.records.empty());
}

}  // namespace
}  // namespace quillmere
