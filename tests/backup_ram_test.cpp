#include <gtest/gtest.h>

#include <filesystem>

#include "containers/backup_ram.h"
#include "operations/workbench.h"
#include "model/conversions.h"
#include "support/backup_ram_builder.h"
#include "support/image_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::BackupRamBuilder;
using testing::PatternData;
using testing::TempDir;
using testing::TestSave;

using Row = std::array<std::string, 6>;

TestSave Save(const std::string& name, std::size_t size, std::uint8_t seed = 1) {
  return testing::NamedSave(name, size, seed);
}

using Units = std::vector<std::uint32_t>;

// Blocks `first`, then `from` .. `to`.
Units BlockList(std::uint32_t first, std::uint32_t from, std::uint32_t to) {
  Units blocks{first};
  for (std::uint32_t b = from; b <= to; ++b) blocks.push_back(b);
  return blocks;
}

// The block usage with exactly `used` marked.
std::vector<bool> Usage(const Units& used) {
  std::vector<bool> usage(backup_ram::kBlockCount, false);
  for (const std::uint32_t block : used) usage[block] = true;
  return usage;
}

TEST(BackupRamWordWide, RamBytesAreTheOddFileBytes) {
  EXPECT_EQ(backup_ram::WordWideToRam(ByteBuffer{0xFF, 0x11, 0xFF, 0x22, 0x00, 0x33}), (ByteBuffer{0x11, 0x22, 0x33}));
  // The last byte of an odd-length file belongs to no word.
  EXPECT_EQ(backup_ram::WordWideToRam(ByteBuffer{0xFF, 0x11, 0x80}), ByteBuffer{0x11});
  EXPECT_EQ(backup_ram::WordWideToRam(ByteBuffer{0x80}), ByteBuffer{});
  EXPECT_EQ(backup_ram::WordWideToRam(ByteBuffer{}), ByteBuffer{});

  BackupRamBuilder builder;
  builder.AddSave(2, Save("GAME", 500));
  EXPECT_EQ(backup_ram::WordWideToRam(builder.BuildFile()), builder.BuildRam());
}

TEST(BackupRamListing, EmptyRamHasAllItsSpaceAndNoUsedBlock) {
  const backup_ram::BackupRamListing listing = backup_ram::ListBackupRam(BackupRamBuilder().BuildRam());
  EXPECT_TRUE(listing.records.empty());
  EXPECT_TRUE(listing.records.empty());
  EXPECT_EQ(listing.remainingSpace, 461);
  EXPECT_EQ(backup_ram::UsedBlocks(listing.records), Usage({}));

  const backup_ram::BackupRamListing nothing = backup_ram::ListBackupRam(ByteBuffer{});
  EXPECT_EQ(nothing.remainingSpace, 461);
  EXPECT_EQ(backup_ram::UsedBlocks(nothing.records), Usage({}));
}

TEST(BackupRamListing, RowsShowTheHeaderFieldsAtTheirWidths) {
  TestSave save = Save("ABCDEFGHIJK", 10);  // fills the 11-byte name
  save.comment = {0x83, 0x5A, 0x81, 0x5B, 0x83, 0x75, '1', '2', '3', '4'};  // セーブ1234, the whole 10 bytes
  save.date = 22855474;
  const ByteBuffer ram = BackupRamBuilder().AddSave(2, save, {}, 'Z').BuildRam();
  const backup_ram::BackupRamListing listing = backup_ram::ListBackupRam(ram);
  ASSERT_EQ(listing.records.size(), 1u);
  // Neither the language byte after the name nor the date after the comment shows.
  EXPECT_EQ(PresentSave(listing.records[0]).cells, (Row{"1", "ABCDEFGHIJK", "80", "セーブ1234", "2023-06-15 12:34", "10"}));
  ASSERT_EQ(listing.records.size(), 1u);
  EXPECT_EQ(DecodeName(listing.records[0].nameField), "ABCDEFGHIJK");
  EXPECT_EQ(PresentSave(listing.records[0]).address(), "80");
}

TEST(BackupRamListing, SavesOf28And29BytesAndTheirData) {
  const TestSave small = Save("SMALL", 28, 1);
  const TestSave over = Save("OVER", 29, 2);
  const ByteBuffer ram = BackupRamBuilder().AddSave(2, small).AddSave(3, over, {9}).BuildRam();
  const backup_ram::BackupRamListing listing = backup_ram::ListBackupRam(ram);
  ASSERT_EQ(listing.records.size(), 2u);
  EXPECT_EQ(listing.records[0].units, (Units{2}));
  EXPECT_EQ(listing.records[0].units.size(), 1u);
  EXPECT_EQ(listing.records[1].units, (Units{3, 9}));
  EXPECT_EQ(listing.records[1].units.size(), 2u);
  EXPECT_EQ(backup_ram::UsedBlocks(listing.records), Usage({2, 3, 9}));
  EXPECT_EQ(listing.remainingSpace, 461 - (28 + 94) / 64 - (29 + 94) / 64);

  // 28 bytes fill +36..+63 of the first block; 29 bytes start at +38, after
  // the entry and the 0 entry, and end with 3 bytes at +4 of the listed block.
  EXPECT_EQ(ram.Slice(2 * 64 + 36, 28), ByteBuffer(small.data));
  EXPECT_EQ(backup_ram::ReadSaveData(ram, 2), ByteBuffer(small.data));
  EXPECT_EQ(ram.Slice(3 * 64 + 38, 26), ByteBuffer(over.data).Slice(0, 26));
  EXPECT_EQ(ram.Slice(9 * 64 + 4, 3), ByteBuffer(over.data).Slice(26, 3));
  EXPECT_EQ(backup_ram::ReadSaveData(ram, 3), ByteBuffer(over.data));
}

TEST(BackupRamListing, SmallSaveListIsNotRead) {
  // A save of 28 bytes whose data happens to start with a block number.
  TestSave save = Save("SMALL", 28);
  save.data[0] = 0x00;
  save.data[1] = 0x07;
  BackupRamBuilder builder;
  builder.AddSave(2, save);
  builder.ram().MustWriteBE(2 * 64 + 34, 0x0005, 2);  // not a 0 entry, yet no list is read
  const backup_ram::BackupRamListing listing = backup_ram::ListBackupRam(builder.BuildRam());
  EXPECT_EQ(listing.records[0].units, (Units{2}));
  EXPECT_EQ(backup_ram::UsedBlocks(listing.records), Usage({2}));
}

TEST(BackupRamListing, ListThatFillsTheFirstBlockGoesOnAtPlus4OfTheSecond) {
  // 1000 bytes need 17 further blocks: 15 entries at +34..+62 of the first
  // block, 2 more and the 0 entry at +4..+9 of the second.
  ASSERT_EQ(testing::FurtherBlocksNeeded(1000), 17u);
  const TestSave save = Save("LONG", 1000, 3);
  std::vector<std::uint32_t> further;
  for (std::uint32_t b = 40; b <= 56; ++b) further.push_back(b);
  BackupRamBuilder builder;
  builder.AddSave(10, save, further);
  // Bytes +0..+3 of further blocks are outside the stream: junk there must not be read.
  builder.ram().MustWriteBE(40 * 64, 0x12345678, 4);
  const ByteBuffer ram = builder.BuildRam();

  const backup_ram::BackupRamListing listing = backup_ram::ListBackupRam(ram);
  ASSERT_EQ(listing.records.size(), 1u);
  EXPECT_EQ(listing.records[0].units, BlockList(10, 40, 56));
  EXPECT_EQ(listing.records[0].units.size(), 18u);
  EXPECT_EQ(PresentSave(listing.records[0]).address(), "280");
  std::vector<std::uint32_t> used{10};
  used.insert(used.end(), further.begin(), further.end());
  EXPECT_EQ(backup_ram::UsedBlocks(listing.records), Usage(used));
  EXPECT_EQ(listing.remainingSpace, 461 - 1094 / 64);

  const backup_ram::SaveBlocks blocks = backup_ram::CollectSaveBlocks(ram, 10);
  EXPECT_TRUE(blocks.listEnded);
  EXPECT_EQ(blocks.dataStart, 36u);  // 18 entries
  EXPECT_EQ(backup_ram::ReadSaveData(ram, 10), ByteBuffer(save.data));
}

TEST(BackupRamListing, ListEndingAtABlockEndPutsTheDataInTheNextBlock) {
  // 44 entries and the 0 entry fill 15 places of the first block and all 30
  // of the second, so the data starts at +4 of the third.
  std::vector<std::uint32_t> further;
  for (std::uint32_t b = 100; b < 144; ++b) further.push_back(b);
  const TestSave save = Save("EDGE", 30 + 60 * 44 - 90, 4);
  const ByteBuffer ram = BackupRamBuilder().AddSave(2, save, further).BuildRam();
  ASSERT_EQ(ram.ReadU16(further[0] * 64 + 60), 143u);
  ASSERT_EQ(ram.ReadU16(further[0] * 64 + 62), 0u);

  const backup_ram::SaveBlocks blocks = backup_ram::CollectSaveBlocks(ram, 2);
  EXPECT_TRUE(blocks.listEnded);
  EXPECT_EQ(blocks.blocks.size(), 45u);
  EXPECT_EQ(backup_ram::StreamOffset(blocks.blocks, blocks.dataStart), std::size_t{further[1]} * 64 + 4);
  EXPECT_EQ(backup_ram::ReadSaveData(ram, 2), ByteBuffer(save.data));
}

TEST(BackupRamListing, SavesAreNumberedAndTakeTheirSpace) {
  BackupRamBuilder builder;
  builder.AddSave(2, Save("FIRST", 100, 1));
  EXPECT_EQ(backup_ram::ListBackupRam(builder.BuildRam()).remainingSpace, 461 - 3);

  builder.AddSave(7, Save("SECOND", 0, 2));
  const backup_ram::BackupRamListing listing = backup_ram::ListBackupRam(builder.BuildRam());
  ASSERT_EQ(listing.records.size(), 2u);
  EXPECT_EQ(PresentSave(listing.records[0]).num(), "1");
  EXPECT_EQ(PresentSave(listing.records[0]).address(), "80");
  EXPECT_EQ(PresentSave(listing.records[1]).num(), "2");
  EXPECT_EQ(PresentSave(listing.records[1]).address(), "1C0");
  EXPECT_EQ(PresentSave(listing.records[1]).name(), "SECOND");
  EXPECT_EQ(PresentSave(listing.records[1]).address(), "1C0");
  // 100 bytes take 3, an empty save 1.
  EXPECT_EQ(listing.remainingSpace, 461 - 3 - 1);
  EXPECT_EQ(backup_ram::UsedBlocks(listing.records), Usage({2, 3, 4, 7}));
}

TEST(BackupRamListing, HugeSizesNeitherOverflowNorOverrun) {
  TestSave save = Save("HUGE", 0);
  save.size = 0xFFFFFFFF - 1;
  const ByteBuffer ram = BackupRamBuilder().AddSave(2, save, {3, 4}).BuildRam();
  const backup_ram::BackupRamListing listing = backup_ram::ListBackupRam(ram);
  EXPECT_EQ(listing.remainingSpace, 0);  // never below nothing
  EXPECT_EQ(PresentSave(listing.records[0]).size(), "4294967294");
  // The data is what the three blocks hold after the list.
  EXPECT_EQ(backup_ram::ReadSaveData(ram, 2).size(), 30u + 60 + 60 - 6);
}

TEST(BackupRamWalk, StreamEndsWithTheCollectedBlocks) {
  const std::vector<std::uint32_t> blocks{2, 9};
  EXPECT_EQ(backup_ram::StreamOffset(blocks, 0), std::size_t{2 * 64 + 34});
  EXPECT_EQ(backup_ram::StreamOffset(blocks, 29), std::size_t{2 * 64 + 63});
  EXPECT_EQ(backup_ram::StreamOffset(blocks, 30), std::size_t{9 * 64 + 4});
  EXPECT_EQ(backup_ram::StreamOffset(blocks, 89), std::size_t{9 * 64 + 63});
  EXPECT_EQ(backup_ram::StreamOffset(blocks, 90), std::nullopt);
  EXPECT_EQ(backup_ram::StreamOffset({}, 0), std::nullopt);

  // A size larger than the listed blocks hold gives what they hold, no more.
  TestSave save = Save("SHORT", 40);
  save.size = 5000;
  const ByteBuffer ram = BackupRamBuilder().AddSave(2, save, {9}).BuildRam();
  const ByteBuffer data = backup_ram::ReadSaveData(ram, 2);
  ASSERT_EQ(data.size(), 86u);
  EXPECT_EQ(data.Slice(0, 40), ByteBuffer(save.data));
}

TEST(BackupRamWalk, RepeatedBlocksEndTheList) {
  struct Case {
    const char* what;
    std::vector<std::uint32_t> pattern;  // the entries, repeated through every stream byte
    std::vector<std::uint32_t> kept;
  };
  const Case cases[] = {
      {"back to the first block", {3, 2}, {2, 3}},
      {"round a loop of listed blocks", {3, 4, 5}, {2, 3, 4, 5}},
      {"one block over and over", {3}, {2, 3}},
  };
  for (const Case& c : cases) {
    TestSave save = Save("LOOP", 0);
    save.size = 2000;
    BackupRamBuilder builder;
    builder.AddSave(2, save, {3});
    // No 0 entry anywhere: without a guard the walk would never end.
    std::size_t k = 0;
    for (std::uint32_t block = 2; block <= 5; ++block) {
      for (std::size_t at = block == 2 ? 34 : 4; at < 64; at += 2) {
        builder.ram().MustWriteBE(block * 64 + at, c.pattern[k++ % c.pattern.size()], 2);
      }
    }
    const ByteBuffer ram = builder.BuildRam();

    const backup_ram::SaveBlocks blocks = backup_ram::CollectSaveBlocks(ram, 2);
    EXPECT_EQ(blocks.blocks, c.kept) << c.what;
    EXPECT_FALSE(blocks.listEnded) << c.what;
    const backup_ram::BackupRamListing listing = backup_ram::ListBackupRam(ram);
    ASSERT_EQ(listing.records.size(), 1u) << c.what;
    EXPECT_EQ(PresentSave(listing.records[0]).name(), "LOOP") << c.what;
    EXPECT_EQ(listing.records[0].units.size(), c.kept.size()) << c.what;
    EXPECT_EQ(backup_ram::UsedBlocks(listing.records), Usage(c.kept)) << c.what;
    EXPECT_LE(backup_ram::ReadSaveData(ram, 2).size(), 30u + 60 * (c.kept.size() - 1)) << c.what;
  }
}

TEST(BackupRamWalk, BlocksOutsideTheRamAreNeitherMarkedNorFollowed) {
  TestSave save = Save("FAR", 0);
  save.size = 2000;

  // Block numbers of 512 and more.
  const ByteBuffer ram = BackupRamBuilder().AddSave(2, save, {3, 512, 4}).AddSave(10, save, {0xFFFF, 11}).BuildRam();
  const backup_ram::BackupRamListing listing = backup_ram::ListBackupRam(ram);
  ASSERT_EQ(listing.records.size(), 2u);
  EXPECT_EQ(listing.records[0].units, (Units{2, 3}));
  EXPECT_EQ(listing.records[1].units, (Units{10}));
  EXPECT_EQ(backup_ram::UsedBlocks(listing.records), Usage({2, 3, 10}));

  // A block number below 512 that lies past the end of a short RAM.
  const ByteBuffer shortRam = BackupRamBuilder(20 * 64).AddSave(2, save, {3, 20, 4}).BuildRam();
  const backup_ram::BackupRamListing shortListing = backup_ram::ListBackupRam(shortRam);
  EXPECT_EQ(shortListing.records[0].units, (Units{2, 3}));
  EXPECT_EQ(backup_ram::UsedBlocks(shortListing.records), Usage({2, 3}));
}

TEST(BackupRamWalk, RamsLongerThan512BlocksAreReadToTheirEnd) {
  TestSave save = Save("LATE", 10);
  TestSave big = Save("BIG", 0);
  big.size = 500;
  const ByteBuffer ram =
      BackupRamBuilder(600 * 64).AddSave(2, big, {3, 520, 4}).AddSave(550, save).AddSave(599, big, {5, 6}).BuildRam();
  const backup_ram::BackupRamListing listing = backup_ram::ListBackupRam(ram);
  ASSERT_EQ(listing.records.size(), 3u);
  EXPECT_EQ(PresentSave(listing.records[1]).address(), "8980");  // 550 x 64
  EXPECT_EQ(listing.records[0].units, (Units{2, 3}));
  EXPECT_EQ(listing.records[1].units, (Units{550}));
  // A first block past 511 has no place in the usage text; its list entries do.
  EXPECT_EQ(listing.records[2].units, (Units{599, 5, 6}));
  EXPECT_EQ(backup_ram::UsedBlocks(listing.records), Usage({2, 3, 5, 6}));
}

TEST(BackupRamListing, TruncatedRamsReadMissingFieldsAsEmpty) {
  TestSave save = Save("CUT", 100);
  const ByteBuffer full = BackupRamBuilder().AddSave(2, save).AddSave(5, Save("TAIL", 10)).BuildRam();

  // A marker in the last four bytes: the save is listed with empty fields.
  const backup_ram::BackupRamListing marker = backup_ram::ListBackupRam(full.Slice(0, 5 * 64 + 4));
  ASSERT_EQ(marker.records.size(), 2u);
  EXPECT_EQ(PresentSave(marker.records[1]).cells, (Row{"2", "", "140", "", "1979-12-31 16:00", "0"}));
  EXPECT_EQ(marker.records[1].units, (Units{5}));
  // A marker cut after its first byte reads 80 00 00 00, as the writer that
  // lengthens the RAM with zeros will see it; with no byte left no block starts.
  for (const std::size_t kept : {1, 2, 3}) {
    EXPECT_EQ(backup_ram::ListBackupRam(full.Slice(0, 5 * 64 + kept)).records.size(), 2u) << kept;
  }
  EXPECT_EQ(backup_ram::ListBackupRam(full.Slice(0, 5 * 64)).records.size(), 1u);

  // Cut inside the first save's list: the walk stops where the RAM ends.
  const ByteBuffer cutList = full.Slice(0, 2 * 64 + 35);
  const backup_ram::BackupRamListing cut = backup_ram::ListBackupRam(cutList);
  ASSERT_EQ(cut.records.size(), 1u);
  EXPECT_EQ(cut.records[0].units, (Units{2}));
  EXPECT_TRUE(backup_ram::ReadSaveData(cutList, 2).empty());

  // Cut inside the last block's data: what remains is read. The save lists
  // blocks 3 and 4 and holds 24 data bytes in block 2, 60 in block 3.
  const ByteBuffer cutData = full.Slice(0, 4 * 64 + 10);
  EXPECT_EQ(backup_ram::ListBackupRam(cutData).records[0].units, (Units{2, 3, 4}));
  EXPECT_EQ(backup_ram::ReadSaveData(cutData, 2), ByteBuffer(save.data).Slice(0, 24 + 60 + 6));
}

TEST(BackupRamFile, LoadsTheRamCopyOfAnOddLengthFile) {
  TempDir dir;
  BackupRamBuilder builder;
  builder.AddSave(2, Save("GAME", 300)).AddSave(8, Save("MORE", 20, 2));
  ByteBuffer file = builder.BuildFile();
  file.Append(1, 0x80);
  testing::WriteFile(dir / "BKRAMSV.BIN", file);

  const PaneLoad load = LoadContainerFile(dir / "BKRAMSV.BIN", false);
  EXPECT_TRUE(load.fileFound);
  EXPECT_EQ(load.image, builder.BuildRam());
  ASSERT_EQ(load.records.size(), 2u);
  EXPECT_EQ(PresentSave(load.records[1]).name(), "MORE");
  EXPECT_EQ(load.remainingSpace, 461 - 394 / 64 - 114 / 64);
  EXPECT_EQ(load.records.size(), 2u);
  EXPECT_EQ(backup_ram::UsedBlocks(load.records), Usage({2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(LoadContainerFile(dir / "BKRAMSV.BIN", false).records.size(), load.records.size());
}

TEST(BackupRamFile, MissingFileLeavesEverythingEmpty) {
  TempDir dir;
  const PaneLoad load = LoadContainerFile(dir / "SS_BUP.BIN", false);
  EXPECT_FALSE(load.fileFound);
  EXPECT_TRUE(load.image.empty());
  EXPECT_TRUE(load.records.empty());
  EXPECT_TRUE(load.records.empty());
    EXPECT_FALSE(load.remainingSpace.has_value());
  EXPECT_FALSE(fs::exists(dir / "SS_BUP.BIN"));
}

TEST(BackupRamFile, PanesLoadBothBackupRamKinds) {
  TempDir dir;
  testing::ScriptedHost host;
  Workbench bench(dir.path(), host);
  BackupRamBuilder mine;
  mine.AddSave(4, Save("MINE", 200));
  BackupRamBuilder theirs;
  theirs.AddSave(2, Save("THEIRS", 10)).AddSave(3, Save("TWO", 10));
  testing::WriteFile(dir / "BKRAMSV.BIN", mine.BuildFile());
  testing::WriteFile(dir / "OTHER" / "ss_bup.bin", theirs.BuildFile());

  SetPaneKind(bench, 1, ContainerKind::kBkram);
  SetPaneKind(bench, 2, ContainerKind::kBup);
  const Pane& one = bench.pane(1);
  EXPECT_FALSE(one.hintVisible);
  EXPECT_EQ(one.image, mine.BuildRam());
  ASSERT_EQ(one.records.size(), 1u);
  EXPECT_EQ(PresentSave(one.records[0]).address(), "100");
  EXPECT_EQ(one.numberLabel, std::to_string(461 - 294 / 64));
  EXPECT_EQ(one.records.size(), 1u);
  EXPECT_EQ(backup_ram::UsedBlocks(one.records), Usage({4, 5, 6, 7}));
  const Pane& two = bench.pane(2);
  ASSERT_EQ(two.records.size(), 2u);
  EXPECT_EQ(PresentSave(two.records[1]).num(), "2");
  EXPECT_EQ(two.numberLabel, "459");

  // The other kind's file is missing: the hint shows and the table empties.
  SetPaneKind(bench, 2, ContainerKind::kBkram);
  EXPECT_TRUE(two.hintVisible);
  EXPECT_TRUE(two.records.empty());
  EXPECT_TRUE(two.records.empty());
    EXPECT_TRUE(two.image.empty());
  EXPECT_TRUE(host.messages.empty());
}

using BackupRamSamples = testing::SamplesTest;

TEST_F(BackupRamSamples, EmulatorImageHoldsOneSaveOf77Blocks) {
  const PaneLoad load = LoadContainerFile(samples / "yabause-one-save" / "BKRAMSV.BIN", false);
  ASSERT_TRUE(load.fileFound);
  EXPECT_EQ(load.image.size(), 32768u);
  ASSERT_EQ(load.records.size(), 1u);
  EXPECT_EQ(PresentSave(load.records[0]).cells, (Row{"1", "DRACULAX_01", "80", "ULTIMATE", "2025-04-05 04:54", "4388"}));
  EXPECT_EQ(load.remainingSpace, 461 - (4388 + 94) / 64);
  EXPECT_EQ(load.remainingSpace, 391);
  ASSERT_EQ(load.records.size(), 1u);
  EXPECT_EQ(load.records[0].units.size(), 77u);
  EXPECT_EQ(load.records[0].units, BlockList(2, 3, 78));
  std::vector<std::uint32_t> used;
  for (std::uint32_t b = 2; b <= 78; ++b) used.push_back(b);
  EXPECT_EQ(backup_ram::UsedBlocks(load.records), Usage(used));
  EXPECT_EQ(backup_ram::ReadSaveData(load.image, 2), testing::ReadFile(samples / "yabause-one-save" / "DRACULAX_01.raw"));
}

TEST_F(BackupRamSamples, ConsoleImageWithoutSaves) {
  const PaneLoad load = LoadContainerFile(samples / "saroo-empty" / "SS_BUP.BIN", false);
  ASSERT_TRUE(load.fileFound);
  EXPECT_EQ(load.image.size(), 32768u);
  EXPECT_TRUE(load.records.empty());
  EXPECT_EQ(load.remainingSpace, 461);
  EXPECT_EQ(backup_ram::UsedBlocks(load.records), Usage({}));
}

}  // namespace
}  // namespace quillmere
