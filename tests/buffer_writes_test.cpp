// Writes that would not fit: each writer refuses the whole save before a byte
// changes, and a short file reads, and is written, as if zeros followed.
#include <gtest/gtest.h>

#include <functional>

#include "containers/backup_ram.h"
#include "containers/backup_ram_write.h"
#include "containers/mems_image.h"
#include "containers/save_file.h"
#include "containers/save_file_write.h"
#include "singlesave/single_save_file.h"
#include "support/backup_ram_builder.h"
#include "support/image_builder.h"
#include "support/save_file_builder.h"

namespace quillmere {
namespace {

using testing::NamedSave;

TEST(BufferWrites, AMemsPlanThatDoesNotFitChangesNothing) {
  const ByteBuffer before = testing::MemsImageBuilder().AddSave(1, 8, NamedSave("OLD", 100)).Build();
  const ByteBuffer name = ByteBuffer::FromText("NEW");
  const ByteBuffer data(testing::PatternData(3000, 5));
  const ByteBuffer header = singlesave::BuildSarooSingleSave(name, 3000, ByteBuffer::FromText("NOTE"), 9, data).Slice(16, 32);
  const mems::MemsPlacement good = mems::PlanMemsSave(before, 3000, name);
  ASSERT_EQ(good.refusal, mems::PlacementRefusal::kNone);
  ASSERT_EQ(good.dataClusters.size(), 3u);

  const struct {
    const char* what;
    std::function<void(mems::MemsPlacement&)> spoil;
  } rows[] = {
      {"refused", [](auto& p) { p.refusal = mems::PlacementRefusal::kDirectoryFull; }},
      {"slot past the directory", [](auto& p) { p.slot = mems::kDirectorySlots + 1; }},
      {"record in the directory", [](auto& p) { p.recordCluster = 7; }},
      {"record with no bitmap bit", [](auto& p) { p.recordCluster = mems::kBitmapClusters; }},
      {"data cluster past the image", [](auto& p) { p.dataClusters[1] = 9000; }},
      {"taken cluster with no bitmap bit", [](auto& p) { p.taken.push_back(8100); }},
      {"released cluster in the header", [](auto& p) { p.released.push_back(0); }},
      {"one cluster short of the size", [](auto& p) { p.dataClusters.pop_back(); }},
      // 3000 bytes after the record's header would run over clusters 10-12.
      {"a small save's plan for a large header", [](auto& p) { p.dataClusters.clear(); }},
  };
  for (const auto& row : rows) {
    mems::MemsPlacement plan = good;
    row.spoil(plan);
    ByteBuffer image = before;
    EXPECT_FALSE(mems::WriteMemsSave(image, plan, name, header, data)) << row.what;
    EXPECT_EQ(image, before) << row.what;
  }
  ByteBuffer image = before;
  ASSERT_TRUE(mems::WriteMemsSave(image, good, name, header, data));
  EXPECT_EQ(mems::ExtractMemsSave(image, std::size_t{good.recordCluster} * mems::kClusterSize).data, data);
  EXPECT_TRUE(mems::CheckMemsImage(image).empty());
}

TEST(BufferWrites, ASaveFilePlanThatDoesNotFitChangesNothing) {
  testing::SaveFileBuilder builder;
  builder.SetSlot(1, "T-1809G   V1.001").AddRecord(1, 1, NamedSave("A", 256));
  const ByteBuffer before = builder.Build();
  GatheredSave save{ByteBuffer::FromText("NEW"), 300, ByteBuffer::FromText("NOTE"), 9,
                    ByteBuffer(testing::PatternData(300, 3))};
  const save_file::SaveFilePlacement good =
      save_file::PlanSaveFileSave(before, save_file::PadGameId("T-1809G"), 300, save.nameField);
  ASSERT_EQ(good.refusal, save_file::SaveFileRefusal::kNone);
  ASSERT_EQ(good.slot, 1);

  const struct {
    const char* what;
    std::function<void(save_file::SaveFilePlacement&)> spoil;
  } rows[] = {
      {"refused", [](auto& p) { p.refusal = save_file::SaveFileRefusal::kNoRoom; }},
      {"slot 0, the index itself", [](auto& p) { p.slot = 0; }},
      {"slot past the index", [](auto& p) { p.slot = save_file::kSlotCount + 1; }},
      {"start block 0, the area's header", [](auto& p) { p.startBlock = 0; }},
      {"data block past the area", [](auto& p) { p.dataBlocks.push_back(save_file::kAreaBlocks); }},
  };
  for (const auto& row : rows) {
    save_file::SaveFilePlacement plan = good;
    row.spoil(plan);
    ByteBuffer image = before;
    EXPECT_FALSE(save_file::WriteSaveFileSave(image, plan, save)) << row.what;
    EXPECT_EQ(image, before) << row.what;
  }
  // A plan whose file size falls short of its area still writes the save whole.
  save_file::SaveFilePlacement shortFile = good;
  shortFile.fileSize = 0;
  ByteBuffer image = before;
  image.Resize(save_file::AreaOffset(1) + save_file::kBlockSize * 4);
  ASSERT_TRUE(save_file::WriteSaveFileSave(image, shortFile, save));
  EXPECT_EQ(image.size(), save_file::AreaOffset(2));
  EXPECT_EQ(save_file::ExtractSaveFileSave(image, save_file::RecordOffset(save_file::AreaOffset(1), good.startBlock)).data,
            save.data);
}

TEST(BufferWrites, ShortFilesReadAndChangeAsIfZerosFollowed) {
  // A backup memory cut one byte into a start block: its marker reads
  // 80 00 00 00, so the save is listed, and deleting it clears that byte.
  ByteBuffer ram = testing::BackupRamBuilder().AddSave(2, NamedSave("KEPT", 10)).BuildRam();
  ram.Resize(5 * 64 + 1);
  ram.MustWriteBE(5 * 64, 0x80, 1);
  EXPECT_EQ(backup_ram::LiveStartBlocks(ram, backup_ram::BackupRamGeometry{}), (std::vector<std::uint32_t>{2, 5}));
  EXPECT_EQ(backup_ram::DeleteBackupRamSaves(ram, {5}, backup_ram::BackupRamGeometry{}), 1u);
  EXPECT_EQ(ram.At(5 * 64), 0x00);

  // An SS_SAVE.BIN cut inside a record's link to block 300 (01 2C): the link
  // reads 0x0100, and deleting the save it names must really unlink it,
  // not count a deletion the file never got.
  testing::SaveFileBuilder builder;
  builder.SetSlot(1, "T-1809G").AddRecord(1, 1, NamedSave("A", 10)).SetNextRecordBlock(1, 1, 300);
  ByteBuffer image = builder.Build();
  const std::size_t area = save_file::AreaOffset(1);
  image.Resize(save_file::RecordOffset(area, 1) + save_file::kNextRecordBlockOffset + 1);
  ASSERT_EQ(save_file::RecordChain(image, area), (std::vector<std::uint32_t>{1, 256}));
  EXPECT_EQ(save_file::DeleteSaveFileSaves(image, {save_file::RecordOffset(area, 256)}), 1u);
  EXPECT_EQ(save_file::RecordChain(image, area), (std::vector<std::uint32_t>{1}));
  EXPECT_EQ(image.size(), area + save_file::kAreaSize);
}

}  // namespace
}  // namespace quillmere
