// Writing backup RAM block for block as the BIOS does, held to the real
// images and to the reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "catalog/catalog.h"
#include "containers/backup_ram.h"
#include "containers/backup_ram_write.h"
#include "containers/save_file_write.h"
#include "operations/save_transfer.h"
#include "support/backup_ram_builder.h"
#include "support/backup_ram_snapshots.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

namespace br = backup_ram;
using Refusal = br::BackupRamRefusal;
using Blocks = std::vector<std::uint32_t>;

// A save's fields as a SAROO single save carries them, the language in the comment field's last byte.
GatheredSave Fields(const std::string& name, std::uint32_t size, std::uint8_t seed, std::uint8_t language = 0) {
  // No cartridge of 512 KiB holds more than 520,000 bytes; a larger size is a
  // refusal's and needs no data.
  const testing::TestSave test = testing::NamedSave(name, std::min<std::uint32_t>(size, 520000), seed);
  GatheredSave save{ByteBuffer(testing::FixedField(name, 12)), size, ByteBuffer(testing::FixedField(test.comment, 12)),
                    test.date, ByteBuffer(test.data)};
  save.commentField.MustWriteBE(11, language, 1);
  return save;
}

Blocks Range(std::uint32_t from, std::uint32_t to, Blocks before = {}) {
  for (std::uint32_t b = from; b <= to; ++b) before.push_back(b);
  return before;
}

// Imports `save` over the live save of its name, if any, as a replacement does.
Refusal Import(ByteBuffer& ram, const GatheredSave& save) {
  const auto plan = br::PlanBackupRamSave(ram, save.size, save.nameField, br::FindBackupRamSave(ram, save.nameField));
  EXPECT_EQ(br::WriteBackupRamSave(ram, plan, save), plan.refusal == Refusal::kNone);
  return plan.refusal;
}

// Saves at 2 (1 block) and 5 (listing 4 and 9); at 14 one whose list leaves
// the RAM after naming 13; the leftovers of a deleted save at 10 and 11; at
// 20 one that shares block 9; at 24 one whose list loops.
ByteBuffer BusyRam() {
  testing::BackupRamBuilder builder;
  builder.AddSave(2, testing::NamedSave("A", 28)).AddSave(5, testing::NamedSave("B", 87), {4, 9})
      .AddSave(14, testing::NamedSave("OUT", 200), {13, 600}).AddSave(10, testing::NamedSave("GONE", 29), {11});
  br::DeleteBackupRamSaves(builder.ram(), {10});
  builder.AddSave(20, testing::NamedSave("SHARE", 90), {21, 9}).AddSave(24, testing::NamedSave("LOOP", 90), {25, 25});
  return builder.BuildRam();
}

TEST(BackupRamWrite, BlocksNeededAgreesWithTheReaderAndTheCartridges) {
  for (std::uint32_t size = 0; size < 40000; ++size) ASSERT_EQ(br::BlocksNeeded(size), br::BlocksOccupied(size)) << size;
  EXPECT_EQ(br::BlocksNeeded(0xFFFFFFFF), br::BlocksOccupied(0xFFFFFFFF));
  const br::BackupRamGeometry cart{512, 1024}, big{1024, 4096};
  for (const auto& [size, geometry, blocks] : std::vector<std::tuple<std::uint32_t, br::BackupRamGeometry, std::uint64_t>>{
           {476, cart, 1}, {477, cart, 2}, {982, cart, 2}, {983, cart, 3}, {24344, cart, 49}, {988, big, 1}, {989, big, 2}}) {
    EXPECT_EQ(br::BlocksNeeded(size, geometry), blocks) << size;
  }
}

TEST(BackupRamWrite, NewSavesTakeTheLowestFreeBlocks) {
  const ByteBuffer busy = BusyRam();
  // Blocks 2, 4, 5, 9, 13, 14, 20, 21, 24 and 25 are named; the rest from 2 up are free.
  ASSERT_EQ(br::FreeBlockCount(busy), 500u);
  const Blocks low = {6, 7, 8, 10, 11, 12, 15, 16, 17, 18, 19, 22, 23};
  const struct { std::uint32_t size; Blocks list; } rows[] = {
      {0, {}}, {28, {}}, {29, {6}}, {86, {6}}, {87, {6, 7}}, {202, {6, 7, 8}}, {203, {6, 7, 8, 10}},
      {492, {6, 7, 8, 10, 11, 12, 15, 16}}, {493, {6, 7, 8, 10, 11, 12, 15, 16, 17}},
      {28 + 58 * 499, Range(26, 511, low)},  // the largest that fits
  };
  for (const auto& row : rows) {
    ByteBuffer ram = busy;
    const GatheredSave save = Fields("NEW", row.size, 7, 0x2A);
    const br::BackupRamPlacement plan = br::PlanBackupRamSave(ram, row.size, save.nameField);
    ASSERT_EQ(plan.refusal, Refusal::kNone) << row.size;
    EXPECT_EQ(plan.startBlock, 3u);
    EXPECT_EQ(plan.listBlocks, row.list) << row.size;
    ASSERT_TRUE(br::WriteBackupRamSave(ram, plan, save));
    // Every other byte as it was; the save's blocks whole, as the builder lays them out.
    testing::BackupRamBuilder expected;
    expected.ram() = busy;
    for (const std::uint32_t block : Range(3, 3, row.list)) expected.ram().Fill(std::size_t{block} * 64, 64, 0);
    expected.AddSave(3, testing::NamedSave("NEW", row.size, 7), row.list, 0x2A);
    EXPECT_EQ(ram, expected.BuildRam()) << row.size;
  }
}

// A short RAM is planned as the write leaves it, lengthened with zeros: a
// list entry past its end names a block the save will own then.
TEST(BackupRamWrite, ShortRamIsPlannedAsLengthened) {
  ByteBuffer ram = testing::BackupRamBuilder(3 * 64).AddSave(2, testing::NamedSave("A", 87), {5, 7}).BuildRam();
  const br::BackupRamPlacement plan = br::PlanBackupRamSave(ram, 87, ByteBuffer::FromText("B"));
  EXPECT_EQ(plan.startBlock, 3u);
  EXPECT_EQ(plan.listBlocks, (Blocks{4, 6}));
  ASSERT_TRUE(br::WriteBackupRamSave(ram, plan, Fields("B", 87, 2)));
  EXPECT_EQ(ram.size(), 0x8000u);
  EXPECT_EQ(br::CollectSaveBlocks(ram, 2).blocks, (Blocks{2, 5, 7}));
}

TEST(BackupRamWrite, RefusedPlansChangeNothing) {
  const ByteBuffer busy = BusyRam();
  const struct { std::uint32_t size; std::string name; std::optional<std::uint32_t> replaced; Refusal refusal; } rows[] = {
      {10, std::string("\0X", 2), {}, Refusal::kUnnamed},
      {29 + 58 * 499, "BIG", {}, Refusal::kNoRoom},
      {28 + 58 * 509, "BIG", {}, Refusal::kNoRoom},  // would fit an empty RAM
      {29 + 58 * 509, "BIG", {}, Refusal::kTooLarge},
      {0xFFFFFFFF, "BIG", {}, Refusal::kTooLarge},
      {10, "B", 5, Refusal::kDamagedTarget},      // block 9 is also SHARE's
      {10, "SHARE", 20, Refusal::kDamagedTarget},
      {10, "LOOP", 24, Refusal::kDamagedTarget},
      {10, "OUT", 14, Refusal::kDamagedTarget},
      {10, "GONE", 10, Refusal::kDamagedTarget},  // deleted: no save to replace
      {10, "X", 3, Refusal::kDamagedTarget},
      {10, "X", 600, Refusal::kDamagedTarget},
      {28 + 58 * 500, "A", 2, Refusal::kNone},  // the replaced save's block makes room
  };
  for (const auto& row : rows) {
    ByteBuffer ram = busy;
    const GatheredSave save = Fields(row.name, row.size, 3);
    const br::BackupRamPlacement plan = br::PlanBackupRamSave(ram, row.size, save.nameField, row.replaced);
    EXPECT_EQ(plan.refusal, row.refusal) << row.name << " " << row.size;
    if (plan.refusal != Refusal::kNone) {
      EXPECT_FALSE(br::WriteBackupRamSave(ram, plan, save));
      EXPECT_EQ(ram, busy);
    } else {
      EXPECT_EQ(plan.startBlock, 2u);
      EXPECT_EQ(plan.freed, Blocks{2});
    }
  }
}

TEST(BackupRamWrite, DeleteClearsTheMarkersFirstByteAlone) {
  ByteBuffer ram = BusyRam();
  ByteBuffer expected = ram;
  expected.MustWriteBE(5 * 64, 0x00, 1);
  expected.MustWriteBE(24 * 64, 0x00, 1);
  // Block 3 starts no save, 10 is deleted already, 0 is the format text.
  EXPECT_EQ(br::DeleteBackupRamSaves(ram, {5, 3, 0, 10, 5, 24, 70000}), 2u);
  EXPECT_EQ(ram, expected);
}

TEST(BackupRamWrite, WordWideWriteKeepsTheEvenBytes) {
  const struct { ByteBuffer file, ram, expected; } rows[] = {
      {{}, {0x11, 0x22}, {0xFF, 0x11, 0xFF, 0x22}},
      {{0x00, 0xAA, 0x5A, 0xBB}, {0x11, 0x22}, {0x00, 0x11, 0x5A, 0x22}},
      {{0x00, 0xAA, 0x5A}, {0x11, 0x22}, {0x00, 0x11, 0x5A, 0x22}},
      {{0x01, 0xAA, 0x02}, {0x11, 0x22, 0x33}, {0x01, 0x11, 0x02, 0x22, 0xFF, 0x33}},
      {{0x01, 0xAA, 0x02, 0xBB, 0x03}, {0x11}, {0x01, 0x11, 0x02, 0xBB, 0x03}},
  };
  for (const auto& row : rows) EXPECT_EQ(br::RamIntoWordWide(row.file, row.ram), row.expected);
}

// A run's record of the blocks plans exactly as a fresh look at the memory
// does, save after save, new or replacing, on a damaged memory (shared,
// looping and outside lists) and on memories whose lists nearly fill, or
// pass, what a listing follows.
TEST(BackupRamWrite, ARunsRecordPlansAsAFreshLook) {
  const auto same = [](const br::BackupRamPlacement& a, const br::BackupRamPlacement& b) {
    return a.refusal == b.refusal && a.startBlock == b.startBlock && a.listBlocks == b.listBlocks &&
           a.replacedStartBlock == b.replacedStartBlock && a.freed == b.freed;
  };
  // Saves at 2, 3, … that all list blocks 400 to 449: a listing follows 8
  // further blocks per block of the memory, which 160 such lists nearly use
  // and 170 pass.
  const auto sharing = [](std::uint32_t saves) {
    testing::BackupRamBuilder builder(512 * 1024, 512);
    for (std::uint32_t start = 2; start < 2 + saves; ++start) {
      builder.AddSave(start, testing::NamedSave("S" + std::to_string(start), 50 * 500), Range(400, 449));
    }
    return builder.BuildRam();
  };
  for (ByteBuffer ram : {BusyRam(), br::EmptyBackupRam(), sharing(160), sharing(170)}) {
    const br::BackupRamGeometry geometry = br::GeometryOfRam(ram.size());
    std::mt19937 rng(static_cast<std::uint32_t>(ram.size()));
    br::BlockOccupancy occupancy(ram, geometry);
    for (int step = 0; step < 60; ++step) {
      const std::vector<std::uint32_t> live = br::LiveStartBlocks(ram);
      const std::optional<std::uint32_t> replaced =
          !live.empty() && rng() % 3 == 0 ? std::optional(live[rng() % live.size()]) : std::nullopt;
      const auto size = static_cast<std::uint32_t>(rng() % 4 ? rng() % 3000 : rng() % 120000);
      const GatheredSave save = Fields("N" + std::to_string(step), size, 1);
      const auto plan = occupancy.Plan(ram, save.size, save.nameField, replaced);
      ASSERT_TRUE(same(plan, br::PlanBackupRamSave(ram, geometry, save.size, save.nameField, replaced))) << step;
      if (plan.refusal != Refusal::kNone) continue;
      ASSERT_TRUE(br::WriteBackupRamSave(ram, plan, save));
      occupancy.Placed(plan);
    }
  }
}

// Random imports, replacements and deletes, in the internal memory and in a
// cartridge of 512-byte blocks: every save exports as it went in, the RAM
// stays sound, and no step touches a save it did not target.
TEST(BackupRamWrite, RandomStepsKeepEverySaveWhole) {
  for (const br::BackupRamGeometry geometry : {br::BackupRamGeometry{}, br::BackupRamGeometry{512, 1024}}) {
    SCOPED_TRACE(geometry.blockSize);
    std::mt19937 rng(20261210);
    ByteBuffer ram = br::EmptyBackupRam(geometry);
    const std::uint32_t scale = static_cast<std::uint32_t>(geometry.RamSize() / br::BackupRamGeometry{}.RamSize());
    std::map<std::string, GatheredSave> held;
    for (int step = 0; step < 300; ++step) {
      const std::string name(1, static_cast<char>('A' + rng() % 8));
      const auto existing = br::FindBackupRamSave(ram, ByteBuffer::FromText(name));
      const auto before = testing::SnapshotBackupRamSaves(ram);
      const ByteBuffer unchanged = ram;
      if (rng() % 4 == 0) {
        EXPECT_EQ(br::DeleteBackupRamSaves(ram, {existing.value_or(0)}), existing ? 1u : 0u);
        held.erase(name);
      } else {
        const auto size = static_cast<std::uint32_t>(rng() % 3 ? rng() % 600 : rng() % (12000 * scale));
        const GatheredSave save = Fields(name, size, static_cast<std::uint8_t>(step), static_cast<std::uint8_t>(rng()));
        const std::size_t room = br::FreeBlockCount(ram) + (existing ? br::CollectSaveBlocks(ram, *existing).blocks.size() : 0);
        const Refusal refusal = Import(ram, save);
        ASSERT_EQ(refusal, br::BlocksNeeded(size, geometry) <= room ? Refusal::kNone : Refusal::kNoRoom);
        if (refusal == Refusal::kNone) {
          held[name] = save;
        } else {
          EXPECT_EQ(ram, unchanged);
        }
      }
      ASSERT_TRUE(testing::KeepsOtherBackupRamSaves(before, ram, {existing.value_or(0)})) << step;
      ASSERT_EQ(br::CheckBackupRam(ram), std::vector<Problem>{}) << step;
      ASSERT_EQ(br::LiveStartBlocks(ram).size(), held.size());
      std::uint64_t used = 0;
      for (const auto& [heldName, save] : held) {
        const auto start = br::FindBackupRamSave(ram, save.nameField);
        ASSERT_TRUE(start);
        EXPECT_EQ(SingleSaveOf(br::ExtractBackupRamSave(ram, *start * geometry.blockSize)), SingleSaveOf(save));
        used += br::BlocksNeeded(save.size, geometry);
      }
      EXPECT_EQ(br::FreeBlockCount(ram), geometry.blockCount - br::kFirstSaveBlock - used);
    }
  }
}

class BackupRamWriteSamples : public testing::SamplesTest {};

TEST_F(BackupRamWriteSamples, ImportIntoTheEmptyMemoryGivesTheEmulatorsImage) {
  const ByteBuffer empty = testing::ReadFile(samples / "saroo-empty" / "SS_BUP.BIN");
  const ByteBuffer expected = testing::ReadFile(samples / "yabause-one-save" / "BKRAMSV.BIN");
  const ByteBuffer data = testing::ReadFile(samples / "yabause-one-save" / "DRACULAX_01.raw");
  GatheredSave save{ByteBuffer::FromText("DRACULAX_01"), 4388, ByteBuffer::FromText("ULTIMATE"), 0x016B3DE6, data};
  ByteBuffer ram = br::WordWideToRam(empty);
  ASSERT_EQ(Import(ram, save), Refusal::kNone);
  EXPECT_EQ(br::RamIntoWordWide(empty, ram), expected);

  // Export, delete, import again: the same bytes.
  save = br::ExtractBackupRamSave(ram, 2 * 64);
  EXPECT_EQ(save.data, data);
  EXPECT_EQ(br::DeleteBackupRamSaves(ram, {2}), 1u);
  EXPECT_EQ(br::FreeBlockCount(ram), 510u);
  ASSERT_EQ(Import(ram, save), Refusal::kNone);
  EXPECT_EQ(br::RamIntoWordWide(empty, ram), expected);
}

TEST_F(BackupRamWriteSamples, EmptyImagesAreTheRealOnes) {
  EXPECT_EQ(br::EmptyInternalBackupRamFile(), testing::ReadFile(samples / "saroo-empty" / "SS_BUP.BIN"));
  EXPECT_EQ(save_file::EmptySaveFile(), testing::ReadFile(samples / "saroo-empty" / "SS_SAVE.BIN"));
}

// A cartridge's 512-byte blocks, written by a plan made by hand over a
// formatted cartridge: the emulator's image of the same save, whose block 0
// repeats the format text to the block's end.
TEST_F(BackupRamWriteSamples, CartridgeBlocksFollowTheGeometry) {
  const auto folder = samples / "emulators" / "mednafen-shining-force-3";
  const ByteBuffer expected = testing::ReadFile(folder / "SF3-uncompressed.bcr");
  const GatheredSave save{ByteBuffer::FromText("SFORCE33_01"), 24344, expected.Slice(1024 + 16, 10),
                          static_cast<std::uint32_t>(expected.ReadU32(1024 + 26)),
                          testing::ReadFile(folder / "SFORCE33_01-cart.raw")};
  br::BackupRamPlacement plan;
  plan.geometry = {512, 1024};
  plan.startBlock = 2;
  plan.listBlocks = Range(3, 50);
  ByteBuffer ram = br::EmptyBackupRam(plan.geometry);
  ASSERT_TRUE(br::WriteBackupRamSave(ram, plan, save));
  EXPECT_EQ(ram, expected);
}

}  // namespace
}  // namespace quillmere
