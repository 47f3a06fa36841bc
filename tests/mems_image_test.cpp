#include <gtest/gtest.h>

#include "catalog/catalog.h"
#include "containers/mems_image.h"
#include "operations/pane_load.h"
#include "support/image_builder.h"
#include "support/scoped_language.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

using testing::MemsImageBuilder;
using testing::PatternData;
using testing::TestSave;

TestSave Save(const std::string& name, std::size_t size, std::uint8_t seed = 1) {
  TestSave save;
  save.name = name;
  save.comment = {'C', 'O', 'M', 'M', 'E', 'N', 'T', 0};
  save.date = 480;
  save.data = PatternData(size, seed);
  return save;
}

// Every byte of every cluster the listed saves occupy.
std::vector<ByteBuffer> SaveBytes(const ByteBuffer& image) {
  std::vector<ByteBuffer> all;
  for (const SaveRecord& save : mems::ListMemsImage(image, 10).records) {
    ByteBuffer bytes;
    for (const std::uint32_t cluster : save.units) bytes.Append(image.Slice(cluster * mems::kClusterSize, 1024));
    all.push_back(bytes);
  }
  return all;
}

TEST(MemsListing, EmptyImageHasNoSavesAndFullSpace) {
  const mems::MemsListing listing = mems::ListMemsImage(MemsImageBuilder().Build(), 10);
  EXPECT_TRUE(listing.records.empty());
  EXPECT_EQ(listing.remainingSpace, 128880);
  EXPECT_EQ(listing.nextEntryPosition, 1025u);
  EXPECT_EQ(listing.nextDataOffset, 0x2000);
  EXPECT_TRUE(mems::CheckMemsImage(MemsImageBuilder().Build()).empty());
}

TEST(MemsListing, RowsCarrySlotNumbersAcrossGaps) {
  TestSave first = Save("GAME01", 960);
  first.date = 22855474;
  first.comment = {0x83, 0x5A, 0x81, 0x5B, 0x83, 0x75, 0};  // セーブ
  const ByteBuffer image = MemsImageBuilder()
                               .AddSave(1, 8, first)
                               .AddSave(2, 9, Save("GAME02", 2000, 2))
                               .AddSave(5, 12, Save("GAME05", 10, 3))
                               .Build();
  const mems::MemsListing listing = mems::ListMemsImage(image, 10);
  ASSERT_EQ(listing.records.size(), 3u);
  EXPECT_EQ(PresentSave(listing.records[0]).cells, (std::array<std::string, 6>{"1", "GAME01", "2000", "セーブ", "2023-06-15 12:34", "960"}));
  EXPECT_EQ(PresentSave(listing.records[1]).cells, (std::array<std::string, 6>{"2", "GAME02", "2400", "COMMENT", "1980-01-01 00:00", "2000"}));
  EXPECT_EQ(PresentSave(listing.records[2]).num(), "5");
  EXPECT_EQ(PresentSave(listing.records[2]).address(), "3000");
  EXPECT_EQ(listing.nextEntryPosition, 1025u + 16 * 5);
  EXPECT_EQ(listing.nextDataOffset, 0x3400);
  // 1 + (1 + 2) + 1 clusters taken.
  EXPECT_EQ(listing.remainingSpace, 16 * (8056 - 5) - 16);
  EXPECT_EQ(listing.records[1].units, (std::vector<std::uint32_t>{9, 10, 11}));
  EXPECT_TRUE(mems::CheckMemsImage(image).empty());
}

TEST(MemsListing, SlotsNeedBothANameAndACluster) {
  const ByteBuffer image = MemsImageBuilder()
                               .SetSlot(1, "NOCLUSTER", 0)
                               .SetSlot(2, "", 8)
                               .AddSave(3, 9, Save("REAL", 16))
                               .Build();
  const mems::MemsListing listing = mems::ListMemsImage(image, 10);
  ASSERT_EQ(listing.records.size(), 1u);
  EXPECT_EQ(PresentSave(listing.records[0]).num(), "3");
}

TEST(MemsListing, SaveSpanFollowsTheClusterBoundaries) {
  struct Case {
    std::size_t size;
    std::int64_t nextDataOffset;
  };
  for (const Case c : {Case{0, 0x2400}, Case{960, 0x2400}, Case{961, 0x2800}, Case{1000, 0x2800},
                       Case{1024, 0x2800}, Case{1025, 0x2C00}, Case{4096, 0x3400}}) {
    const ByteBuffer image = MemsImageBuilder().AddSave(1, 8, Save("S", c.size)).Build();
    EXPECT_EQ(mems::ListMemsImage(image, 10).nextDataOffset, c.nextDataOffset) << c.size;
    EXPECT_TRUE(mems::CheckMemsImage(image).empty()) << c.size;
  }
}

TEST(MemsListing, Pane2ShowsAllTwelveCommentBytes) {
  TestSave save = Save("S", 10);
  save.comment = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L'};
  const ByteBuffer image = MemsImageBuilder().AddSave(1, 8, save).Build();
  const std::vector<SaveRecord> records = mems::ListMemsImage(image, 12).records;
  EXPECT_EQ(PresentSaves(records, ShownCommentBytes(ContainerKind::kMems, 1))[0].comment(), "ABCDEFGHIJ");
  EXPECT_EQ(PresentSaves(records, ShownCommentBytes(ContainerKind::kMems, 2))[0].comment(), "ABCDEFGHIJKL");
}

TEST(MemsListing, TruncatedImagesReadMissingFieldsAsEmpty) {
  const ByteBuffer full = MemsImageBuilder().AddSave(1, 8, Save("FIRST", 100)).AddSave(2, 9, Save("SECOND", 3000)).Build();

  // Cut inside slot 2's entry: its cluster number is gone, so only slot 1 lists.
  const mems::MemsListing cutDirectory = mems::ListMemsImage(full.Slice(0, 0x400 + 16 + 13), 10);
  ASSERT_EQ(cutDirectory.records.size(), 1u);
  // Slot 1's record lies past the end: an empty save.
  EXPECT_EQ(PresentSave(cutDirectory.records[0]).cells, (std::array<std::string, 6>{"1", "FIRST", "2000", "", "1979-12-31 16:00", "0"}));

  // Cut inside slot 2's size field (00 00 0B B8): the missing byte reads as zero.
  const mems::MemsListing cutRecord = mems::ListMemsImage(full.Slice(0, 0x2400 + 12 + 3), 10);
  EXPECT_EQ(PresentSave(cutRecord.records[1]).size(), std::to_string(0x0B00));

  // Cut inside the free count (1F 76): 0x1F00 free clusters.
  EXPECT_EQ(mems::ListMemsImage(full.Slice(0, 13), 10).remainingSpace, 16 * 0x1F00 - 16);
  EXPECT_EQ(mems::ListMemsImage(full.Slice(0, 11), 10).remainingSpace, 0);  // never below nothing
  EXPECT_TRUE(PresentSaves(mems::ListMemsImage(ByteBuffer{}, 10).records).empty());
}

TEST(MemsListing, DamagedSizesNeitherOverflowNorOverrun) {
  MemsImageBuilder builder;
  builder.AddSave(1, 8, Save("HUGE", 16));
  builder.image().MustWriteBE(8 * 1024 + 12, 0xFFFFFFFE, 4);
  const ByteBuffer image = builder.Build();
  const mems::MemsListing listing = mems::ListMemsImage(image, 10);
  ASSERT_EQ(listing.records.size(), 1u);
  EXPECT_EQ(PresentSave(listing.records[0]).size(), "4294967294");
  EXPECT_GT(listing.nextDataOffset, 0x2000 + 0xFFFFFFFEll);
  EXPECT_EQ(listing.records[0].units.size(), 1u + mems::kClusterListCapacity);
  // Far past the image: clearing must not write there.
  EXPECT_EQ(mems::ClearUnusedSpace(image, listing).size(), image.size());
}

TEST(MemsClearing, SlotOrderedImageLosesOnlyLeftovers) {
  MemsImageBuilder builder;
  builder.AddSave(1, 8, Save("SMALL", 500, 1)).AddSave(2, 9, Save("LARGE", 5000, 2));
  // Leftovers of deleted saves: a stale slot and stale data after the last save.
  ByteBuffer& raw = builder.image();
  raw.MustWrite(mems::SlotOffset(7), ByteBuffer{0, 'O', 'L', 'D'});
  raw.Fill(0x2000 + 20 * 1024, 3000, 0xAA);
  raw.Fill(mems::kImageSize - 10, 10, 0xBB);
  const ByteBuffer before = builder.Build();

  const mems::MemsListing listing = mems::ListMemsImage(before, 10);
  const ByteBuffer after = mems::ClearUnusedSpace(before, listing);
  EXPECT_EQ(SaveBytes(after), SaveBytes(before));
  EXPECT_EQ(after.Slice(0, 0x400), before.Slice(0, 0x400));  // free count and bitmap stay
  EXPECT_EQ(after.Slice(mems::SlotOffset(3), 0x2000 - mems::SlotOffset(3)), ByteBuffer::Filled(0x2000 - mems::SlotOffset(3), 0));
  EXPECT_EQ(after.Slice(0x2000 + 20 * 1024, 3000), ByteBuffer::Filled(3000, 0));
  EXPECT_EQ(after.Slice(mems::kImageSize - 10, 10), ByteBuffer::Filled(10, 0));
  EXPECT_TRUE(mems::CheckMemsImage(after).empty());
}

TEST(MemsClearing, SavesOutOfSlotOrderSurvive) {
  MemsImageBuilder builder;
  // Slot 1's save lies after slot 2's, and its data clusters are scattered
  // beyond the end that slot 2 marks.
  builder.AddSave(1, 40, Save("LATE", 3000, 1), {100, 60, 7000})
      .AddSave(2, 8, Save("EARLY", 900, 2))
      .AddSave(3, 5000, Save("FAR", 200, 3));
  builder.image().Fill(0x2000 + 30 * 1024, 1024, 0xCC);  // stale cluster 38
  builder.SetSlot(3, "", 0);  // slot 3 was deleted, its clusters are now stale too
  const ByteBuffer before = builder.Build();

  const mems::MemsListing listing = mems::ListMemsImage(before, 12);
  EXPECT_EQ(listing.nextEntryPosition, 1025u + 32);
  EXPECT_EQ(listing.nextDataOffset, 0x2400);
  const ByteBuffer after = mems::ClearUnusedSpace(before, listing);
  EXPECT_EQ(SaveBytes(after), SaveBytes(before));
  EXPECT_EQ(after.Slice(38 * 1024, 1024), ByteBuffer::Filled(1024, 0));
  EXPECT_EQ(after.Slice(5000 * 1024, 1024), ByteBuffer::Filled(1024, 0));
}

TEST(MemsClearing, RecordInsideTheDirectoryIsKept) {
  MemsImageBuilder builder;
  builder.SetSlot(1, "ODD", 3);
  builder.image().Fill(3 * 1024 + 64, 100, 0x5A);
  builder.image().MustWriteBE(3 * 1024 + 12, 100, 4);
  const ByteBuffer before = builder.Build();
  const ByteBuffer after = mems::ClearUnusedSpace(before, mems::ListMemsImage(before, 10));
  EXPECT_EQ(after.Slice(3 * 1024, 1024), before.Slice(3 * 1024, 1024));
}

TEST(MemsClearing, ImageWithoutSavesBecomesEmpty) {
  MemsImageBuilder builder;
  // Stale reserved bytes in every slot, stale data everywhere after the directory.
  for (int slot = 1; slot <= mems::kDirectorySlots; ++slot) builder.image().Fill(mems::SlotOffset(slot) + 12, 2, 0x77);
  builder.image().Fill(0x2000, 0x800000 - 0x2000, 0x77);
  const ByteBuffer before = builder.Build();
  ASSERT_TRUE(PresentSaves(mems::ListMemsImage(before, 10).records).empty());
  const ByteBuffer after = mems::ClearUnusedSpace(before, mems::ListMemsImage(before, 10));
  EXPECT_EQ(after.Slice(0, 0x400), before.Slice(0, 0x400));
  EXPECT_EQ(after.Slice(0x400, 0x800000), ByteBuffer::Filled(0x800000 - 0x400, 0));
}

TEST(MemsClearing, ShortImageIsClearedUpToItsEnd) {
  MemsImageBuilder builder(0x3000);
  builder.AddSave(1, 8, Save("S", 100));
  builder.image().Fill(0x2400, 0xC00, 0x11);
  const ByteBuffer after = mems::ClearUnusedSpace(builder.Build(), mems::ListMemsImage(builder.Build(), 10));
  ASSERT_EQ(after.size(), 0x3000u);
  EXPECT_EQ(after.Slice(0x2400, 0xC00), ByteBuffer::Filled(0xC00, 0));
}

TEST(MemsCheck, FindsEveryKindOfInconsistency) {
  const testing::ScopedLanguage english(catalog::Language::kEnglish);
  MemsImageBuilder shared, badCount, stray, outside;
  shared.AddSave(1, 8, Save("A", 2000), {9, 10}).AddSave(2, 11, Save("B", 2000), {10, 12});
  badCount.AddSave(1, 8, Save("A", 100)).SetFreeClusterCount(8056);
  stray.AddSave(1, 8, Save("A", 100));
  stray.image().MustWriteBE(mems::kClusterBitmapOffset + 2, 0x01, 1);  // cluster 16 marked, unowned
  outside.AddSave(1, 8100, Save("A", 100));
  struct Case {
    const char* what;
    ByteBuffer image;
    Problem first;
  };
  const std::vector<Case> cases = {
      {"shared", shared.Build(), {ProblemSharedCluster{2, 10, 1}, Severity::kFatal}},
      {"free count", badCount.Build(), {ProblemFreeCount{8056, 8055}, Severity::kWarning}},
      {"stray bit", stray.Build(), {ProblemBitmapMarksUsed{16}, Severity::kWarning}},
      {"outside", outside.Build(), {ProblemOutsideDataArea{1, 8100}, Severity::kFatal}},
      {"short", ByteBuffer::Filled(100, 0), {ProblemImageSize{100, mems::kImageSize}, Severity::kWarning}},
  };
  for (const Case& c : cases) {
    const std::vector<Problem> problems = mems::CheckMemsImage(c.image);
    ASSERT_FALSE(problems.empty()) << c.what;
    EXPECT_EQ(problems[0], c.first) << c.what;
    // Only a fatal problem stops compacting.
    EXPECT_EQ(mems::FirstUnmendableProblem(c.image).has_value(), c.first.severity == Severity::kFatal) << c.what;
  }
  EXPECT_EQ(mems::CheckMemsImage(badCount.Build()).size(), 1u);

  // A wrecked image disagrees on every cluster: the report stays short.
  MemsImageBuilder wrecked;
  wrecked.image().Fill(mems::kClusterBitmapOffset, mems::kClusterBitmapSize, 0xFF);
  const auto lines = catalog::ProblemLines(mems::CheckMemsImage(wrecked.Build()), kCheckedProblemLimit);
  ASSERT_EQ(lines.size(), kCheckedProblemLimit + 1);
  EXPECT_EQ(lines.back(), "and 7956 more problems");  // 8056 clusters marked but unowned
}

}  // namespace
}  // namespace quillmere
