// The inputs the fuzz targets found faults with, each rebuilt here in the
// few bytes that matter.
#include <gtest/gtest.h>

#include <algorithm>

#include "containers/mems_image.h"
#include "catalog/catalog.h"
#include "operations/compacting.h"
#include "operations/save_transfer.h"
#include "operations/workbench.h"
#include "singlesave/bup_file.h"
#include "singlesave/single_save_file.h"
#include "support/image_builder.h"
#include "support/save_snapshots.h"
#include "support/scripted_host.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

using testing::MemsImageBuilder;
using testing::NamedSave;
using testing::ReadFile;
using testing::ScriptedHost;
using testing::TempDir;
using testing::WriteFile;

ByteBuffer TwoSaves() {
  MemsImageBuilder builder;
  builder.AddSave(1, 8, NamedSave("SMALL", 10)).AddSave(2, 20, NamedSave("LARGE", 3000, 2), {30, 25, 40});
  return builder.Build();
}

// fuzz_care: slot numbers past the directory (507 and 453 from the fuzzer)
// zeroed 16 bytes of cluster 8 on, and slot 0 the end of the bitmap.
TEST(FuzzRegression, DeletingSlotsOutsideTheDirectoryChangesNothingTheyDoNotName) {
  const std::vector<std::vector<int>> cases = {{507, 453}, {0}, {-1}, {449}, {0, 2, 449}};
  for (const auto& slots : cases) {
    ByteBuffer image = TwoSaves();
    mems::DeleteMemsSaves(image, slots);
    ByteBuffer expected = TwoSaves();
    if (std::find(slots.begin(), slots.end(), 2) != slots.end()) mems::DeleteMemsSaves(expected, {2});
    EXPECT_EQ(image, expected) << slots.front();
    EXPECT_TRUE(mems::CheckMemsImage(image).empty()) << slots.front();
  }
}

// fuzz_import: where a damaged bitmap showed the replaced save's record
// cluster free, the new data clusters were taken from it, and the data
// overwrote the record it belongs to.
TEST(FuzzRegression, AReplacedSaveNeverTakesItsOwnRecordClusterForData) {
  for (const std::uint32_t size : {961u, 5000u}) {
    ByteBuffer image = TwoSaves();
    image.MustWriteBE(mems::kClusterBitmapOffset + 1, image.At(mems::kClusterBitmapOffset + 1) & 0xFE, 1);  // cluster 8
    const ByteBuffer name = ByteBuffer::FromText("SMALL");
    const mems::MemsPlacement plan = mems::PlanMemsSave(image, size, name, 8 * mems::kClusterSize);
    ASSERT_EQ(plan.refusal, mems::PlacementRefusal::kNone);
    EXPECT_EQ(std::count(plan.dataClusters.begin(), plan.dataClusters.end(), 8u), 0) << size;
    const ByteBuffer data(testing::PatternData(size, 7));
    const ByteBuffer single = singlesave::BuildSarooSingleSave(name, size, ByteBuffer::FromText("NEW"), 9, data);
    const ByteBuffer header = single.Slice(16, 32);
    ASSERT_TRUE(mems::WriteMemsSave(image, plan, name, header, data));
    EXPECT_EQ(SingleSaveOf(mems::ExtractMemsSave(image, 8 * mems::kClusterSize)), single) << size;
  }
}

// fuzz_import and fuzz_compact: a save whose name starts with a zero byte was
// given a slot the directory counts as empty, so its clusters were taken by
// no listed save; a compaction lost such a save without a word.
class UnnamedSaveTest : public ::testing::Test {
 protected:
  ByteBuffer Unnamed(std::uint32_t size) {
    return singlesave::BuildSarooSingleSave(ByteBuffer(std::vector<std::uint8_t>(12)), size, ByteBuffer::FromText("NOTE"), 0,
                                            ByteBuffer(testing::PatternData(size, 3)));
  }
  TempDir dir;
  ScriptedHost host;
  Workbench bench{dir.path(), host};
};

// A save is the name it holds: one without a name is a new save, whatever
// its file is called, and is refused.
TEST_F(UnnamedSaveTest, ASaveWithoutANameIsRefusedWhateverItsFileIsCalled) {
  struct Case {
    std::uint32_t size;
    bool replace;  // the file is named after a listed save
    ImportOutcome outcome;
  };
  for (const Case c : {Case{0x29, false, ImportOutcome::kRefused}, Case{5000, false, ImportOutcome::kRefused},
                       Case{0x29, true, ImportOutcome::kRefused}}) {
    WriteFile(dir / "SS_MEMS.BIN", TwoSaves());
    ReloadPane(bench, 1);
    host.messages.clear();
    const std::string name = c.replace ? "SMALL" : "NEW";
    WriteFile(dir / (name + ".bin"), Unnamed(c.size));
    const testing::ImportRun run = testing::ImportAsARun(bench, 1, {dir / (name + ".bin")}, SameName::kReplace);
    EXPECT_EQ(run.outcomes.front(), c.outcome) << c.size;
    const ByteBuffer file = ReadFile(dir / "SS_MEMS.BIN");
    EXPECT_TRUE(mems::CheckMemsImage(file).empty());
    if (c.outcome == ImportOutcome::kRefused) {
      EXPECT_EQ(file, TwoSaves());
      EXPECT_EQ(run.said, std::vector<std::string>{std::string(catalog::Render(UnnamedSave{}))});
    } else {
      EXPECT_EQ(bench.pane(1).rows.size(), 2u);
      EXPECT_EQ(SingleSaveOf(GatherSave(bench.pane(1), 0)), Unnamed(c.size));
    }
  }
}

// A listed save whose record holds no name goes back under its slot's name.
TEST_F(UnnamedSaveTest, CompactingKeepsAListedSaveWhoseRecordHasNoNameUnderItsSlotName) {
  MemsImageBuilder builder;
  builder.AddSave(1, 8, NamedSave("SMALL", 10)).AddSave(3, 15, NamedSave("", 1500, 2)).SetSlot(3, "LISTED", 15);
  WriteFile(dir / "SS_MEMS.BIN", builder.Build());
  ReloadPane(bench, 1);
  ASSERT_EQ(bench.pane(1).rows.size(), 2u);
  const auto saves = testing::SnapshotSaves(builder.Build());

  EXPECT_EQ(CompactPane(bench, 1), CompactOutcome::kCompacted);
  EXPECT_TRUE(testing::KeepsEverySaveMoved(saves, ReadFile(dir / "SS_MEMS.BIN")));
  ASSERT_EQ(bench.pane(1).rows.size(), 2u);
  EXPECT_EQ(bench.pane(1).rows[1].name(), "LISTED");
}

// fuzz_compact: an SS_MEMS.BIN of 6,583 bytes, too short for its own
// directory, lists a slot; compacting is refused with the reason the opening
// gave, and the file is left as it is.
TEST(FuzzRegression, CompactingAFileTooShortToWriteIsRefused) {
  TempDir dir;
  ScriptedHost host;
  Workbench bench(dir.path(), host);
  const ByteBuffer shortImage = MemsImageBuilder(6583).SetSlot(1, "SHORT", 8).Build();
  WriteFile(dir / "SS_MEMS.BIN", shortImage);
  ReloadPane(bench, 1);
  ASSERT_EQ(bench.pane(1).rows.size(), 1u);
  EXPECT_EQ(CompactPane(bench, 1), CompactOutcome::kRefused);
  EXPECT_EQ(ReadFile(dir / "SS_MEMS.BIN"), shortImage);
  EXPECT_EQ(host.shown.back(), *bench.pane(1).writeRefusal);
}

}  // namespace
}  // namespace quillmere
