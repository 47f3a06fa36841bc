#include <gtest/gtest.h>

#include <algorithm>

#include "catalog/catalog.h"
#include "containers/backup_ram.h"
#include "containers/mems_image.h"
#include "model/conversions.h"
#include "operations/image_care.h"
#include "operations/pane_sort.h"
#include "operations/save_transfer.h"
#include "support/backup_ram_builder.h"
#include "support/cli_run.h"
#include "support/image_builder.h"
#include "support/mems_pane_test.h"
#include "support/scoped_language.h"
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

class ImageCareTest : public testing::MemsPaneTest {
 protected:
  std::map<std::string, ByteBuffer> SinglesByName() {
    std::map<std::string, ByteBuffer> singles;
    for (std::size_t row = 0; row < bench.pane(1).rows.size(); ++row) {
      singles[bench.pane(1).rows[row].name()] = SingleSaveOf(GatherSave(bench.pane(1), row));
    }
    return singles;
  }

};

// Small, large and scattered saves, alone and together: the rest export as
// before, the image stays consistent, and the freed space is reused first fit.
TEST_F(ImageCareTest, DeleteFreesOnlyWhatTheSavesUsed) {
  struct Case {
    const char* what;
    std::vector<std::string> doomed;
    std::uint32_t nextRecord;  // where a new save's record lands afterwards
  };
  const std::vector<Case> cases = {
      {"small", {"SMALL"}, 8}, {"large", {"LARGE"}, 9}, {"scattered", {"SCATTERED"}, 13}, {"all three", {"SMALL", "LARGE", "SCATTERED"}, 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MemsImageBuilder builder;
    builder.AddSave(1, 8, NamedSave("SMALL", 500)).AddSave(2, 9, NamedSave("LARGE", 3000));
    builder.AddSave(3, 13, NamedSave("SCATTERED", 2500), {30, 20, 40}).AddSave(4, 14, NamedSave("KEPT", 100));
    Load(builder.Build());
    std::map<std::string, ByteBuffer> before = SinglesByName();
    // Sorted by name, so the rows' numbers are no longer the slots.
    SortRows(bench.pane(1), SaveColumn::kName, [](const std::string& a, const std::string& b) { return a.compare(b); });
    for (std::size_t r = 0; r < bench.pane(1).rows.size(); ++r) {
      for (const std::string& name : c.doomed) {
        if (bench.pane(1).rows[r].name() == name) bench.pane(1).selection.push_back(static_cast<int>(r));
      }
    }
    host.answers = {true};
    ASSERT_EQ(DeleteSaves(bench, 1), CareOutcome::kDone);
    // The question names the doomed saves, in the order of the rows.
    std::vector<std::string> names = c.doomed;
    std::sort(names.begin(), names.end());
    std::string question = "是否删除选中的" + std::to_string(c.doomed.size()) + "个存档？";
    for (const std::string& name : names) question += "\r\n" + name;
    EXPECT_EQ(host.questions.back(), question);
    const ByteBuffer after = File();
    EXPECT_TRUE(mems::CheckMemsImage(after).empty());
    for (const std::string& name : c.doomed) before.erase(name);
    EXPECT_EQ(SinglesByName(), before);
    // The slot of the first deleted save, all 16 bytes zero; its clusters zeroed.
    EXPECT_EQ(after.Slice(0x2000 + 1024 * (c.nextRecord - 8), 1024), ByteBuffer::Filled(1024, 0));
    WriteFile(dir / "NEW.bin", SingleSaveOf({ByteBuffer::FromText("NEW"), 10, {}, 0, ByteBuffer::Filled(10, 7)}));
    ASSERT_EQ(ImportSingleSave(bench, 1, dir / "NEW.bin").outcome, ImportOutcome::kImported);
    const auto& rows = bench.pane(1).rows;
    const auto added = std::find_if(rows.begin(), rows.end(), [](const SaveEntry& row) { return row.name() == "NEW"; });
    ASSERT_NE(added, rows.end());
    EXPECT_EQ(added->address(), UintToHex(1024 * c.nextRecord));
  }
}

TEST_F(ImageCareTest, DeleteAsksAndKeepsWhatAnotherSaveShares) {
  MemsImageBuilder builder;
  builder.AddSave(1, 8, NamedSave("A", 2000), {10, 11}).AddSave(2, 9, NamedSave("B", 2000), {11, 12});
  Load(builder.Build());
  EXPECT_EQ(DeleteSaves(bench, 1), CareOutcome::kNothing);
  EXPECT_EQ(host.messages, std::vector<std::string>{"请先选中要删除的存档！"});
  bench.pane(1).selection = {0};
  const ByteBuffer before = File();
  EXPECT_EQ(DeleteSaves(bench, 1), CareOutcome::kNothing);  // Cancel
  EXPECT_EQ(File(), before);
  host.answers = {true};
  bench.pane(1).selection = {0};
  ASSERT_EQ(DeleteSaves(bench, 1), CareOutcome::kDone);
  const ByteBuffer after = File();
  EXPECT_TRUE(mems::IsClusterUsed(after, 11));  // B still names it
  EXPECT_FALSE(mems::IsClusterUsed(after, 10));
  EXPECT_EQ(after.ReadU16(0x00C), before.ReadU16(0x00C) + 2);
}

TEST_F(ImageCareTest, RepairMendsTheRecordsAndReportsWhatItCannot) {
  struct Case {
    const char* what;
    std::function<void(MemsImageBuilder&)> damage;
    std::size_t mended;
    bool remains;
  };
  const std::vector<Case> cases = {
      {"wrong free count", [](MemsImageBuilder& b) { b.SetFreeClusterCount(100); }, 1, false},
      {"stray bitmap bits", [](MemsImageBuilder& b) { b.image().MustWriteBE(0x010 + 5, 0xFF, 1); }, 1, false},
      {"missing bitmap bit", [](MemsImageBuilder& b) { b.image().MustWriteBE(0x011, 0x00, 1); }, 1, false},
      {"slot bytes 12-13", [](MemsImageBuilder& b) { b.image().MustWriteBE(0x400 + 12, 0x1234, 2); }, 1, false},
      {"shared cluster", [](MemsImageBuilder& b) { b.image().MustWriteBE(9 * 1024 + 64, 14, 2); }, 0, true},
      {"cluster out of range", [](MemsImageBuilder& b) { b.image().MustWriteBE(9 * 1024 + 66, 9000, 2); }, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MemsImageBuilder builder;
    builder.AddSave(1, 8, NamedSave("A", 100)).AddSave(2, 9, NamedSave("B", 3000)).AddSave(3, 13, NamedSave("C", 1500));
    const std::map<std::string, ByteBuffer> sound = [&] { Load(builder.Build()); return SinglesByName(); }();
    c.damage(builder);
    Load(builder.Build());
    const std::map<std::string, ByteBuffer> before = SinglesByName();
    host.answers = {true};
    const RepairReport result = RepairPane(bench, 1);
    EXPECT_EQ(result.outcome, CareOutcome::kDone);
    EXPECT_GE(result.repair.mended.size(), c.mended);
    EXPECT_EQ(!result.repair.remaining.empty(), c.remains);
    EXPECT_EQ(SinglesByName(), before);  // no save moves or changes
    if (!c.remains) {
      EXPECT_TRUE(mems::CheckMemsImage(File()).empty());
      EXPECT_EQ(File().ReadU16(0x400 + 12), 0u);
      EXPECT_EQ(before, sound);
    }
  }
  // A sound image is left alone, and says so.
  Load(MemsImageBuilder().AddSave(1, 8, NamedSave("A", 100)).Build());
  const auto stamp = std::filesystem::last_write_time(dir / "SS_MEMS.BIN");
  host.answers = {true};
  RepairPane(bench, 1);
  EXPECT_EQ(host.messages.back(), "存档文件无需修复。\r\n文件：" + (dir / "SS_MEMS.BIN").string());
  EXPECT_EQ(std::filesystem::last_write_time(dir / "SS_MEMS.BIN"), stamp);
}

TEST(BackupRamCheck, EachKindOfDamage) {
  const testing::ScopedLanguage english(catalog::Language::kEnglish);
  using testing::BackupRamBuilder;
  struct Case {
    const char* what;
    ByteBuffer ram;
    std::string problem;  // empty: sound
  };
  const std::vector<Case> cases = {
      {"sound", BackupRamBuilder().AddSave(2, NamedSave("A", 100)).AddSave(10, NamedSave("B", 28)).BuildRam(), ""},
      {"shared block", BackupRamBuilder().AddSave(2, NamedSave("A", 100)).AddSave(10, NamedSave("B", 100), {4, 11}).BuildRam(),
       "save B at block 10 shares block 4 with save A at block 2"},
      {"outside the RAM", BackupRamBuilder().AddSave(2, NamedSave("A", 100), {3, 600}).BuildRam(),
       "save A at block 2 lists block 600, outside the RAM"},
      {"a loop", BackupRamBuilder().AddSave(2, NamedSave("A", 200), {3, 4, 3}).BuildRam(),
       "save A at block 2 lists block 3 twice: its list loops"},
      {"size beyond its blocks", BackupRamBuilder().AddSave(2, NamedSave("A", 300), {3}).BuildRam(),
       "save A at block 2 states 300 bytes, but its blocks hold 86"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> problems;
    for (const Problem& problem : backup_ram::CheckBackupRam(c.ram)) problems.push_back(catalog::Render(problem.AsMessage()));
    if (c.problem.empty()) {
      EXPECT_TRUE(problems.empty()) << problems[0];
    } else {
      EXPECT_NE(std::find(problems.begin(), problems.end(), c.problem), problems.end()) << problems.size();
    }
  }
}

TEST_F(ImageCareTest, CommandLine) {
  MemsImageBuilder builder;
  builder.AddSave(1, 8, NamedSave("A", 100)).AddSave(2, 9, NamedSave("B", 100)).SetFreeClusterCount(5);
  Load(builder.Build());
  const std::string image = (dir / "SS_MEMS.BIN").string();
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;
  };
  const std::vector<Case> cases = {
      {{"check", image}, 1, "free count is 5, but 8054 clusters are free\n"},
      {{"check", image, "--json"}, 1, R"("problems":[{"code":"free-count","severity":"warning","text":"free count is 5)"},
      {{"repair", image}, 0, "mended: free count 5 set to 8054\n"},
      {{"check", image}, 0, ""},
      {{"delete", image, "--name", "NOBODY"}, 1, ""},
      {{"delete", image, "--name", "B"}, 0, ""},
      {{"delete", image}, 2, ""},
  };
  for (const Case& c : cases) {
    const auto run = testing::RunCliInEnglish(c.args);
    EXPECT_EQ(run.status, c.status) << c.args[0] << ": " << run.err;
    EXPECT_TRUE(testing::Prints(run.out, c.out)) << c.args[0];
  }
  ReloadPane(bench, 1);
  ASSERT_EQ(bench.pane(1).rows.size(), 1u);
  EXPECT_TRUE(bench.pane(1).problems.empty());
}

}  // namespace
}  // namespace quillmere
