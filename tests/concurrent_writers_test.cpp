#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "containers/mems_image.h"
#include "catalog/catalog.h"
#include "operations/image_care.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"
#include "support/cli_process.h"
#include "support/cli_run.h"
#include "support/image_builder.h"
#include "support/mems_pane_test.h"
#include "support/test_files.h"

// Two writers of one image, and a file that changed on disk since a pane read
// it: no save is ever lost, and nothing is reported as done that was not.
namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::CliProcess;
using testing::MemsImageBuilder;
using testing::NamedSave;
using testing::ReadFile;
using testing::RunCliWith;
using testing::TempDir;
using testing::WriteFile;
using testing::WriteSarooSingleSave;

std::string Listing(const fs::path& image) { return RunCliWith({"list", image.string()}).out; }

TEST(ConcurrentWriters, TwoImportProcessesAtOnceKeepBothSaves) {
  TempDir dir;
  const fs::path image = dir / "SS_MEMS.BIN";
  const fs::path first = WriteSarooSingleSave(dir.path(), "P1", 3000);
  const fs::path second = WriteSarooSingleSave(dir.path(), "P2", 3000);
  for (int run = 0; run < 20; ++run) {
    WriteFile(image, MemsImageBuilder().AddSave(1, 8, NamedSave("OLD", 100)).Build());
    CliProcess one({"import", image.string(), first.string()}, dir / "err1");
    CliProcess two({"import", image.string(), second.string()}, dir / "err2");
    ASSERT_EQ(one.Wait(), 0) << one.Err();
    ASSERT_EQ(two.Wait(), 0) << two.Err();
    const std::string listed = Listing(image);
    for (const char* name : {"\tOLD\t", "\tP1\t", "\tP2\t"}) ASSERT_NE(listed.find(name), std::string::npos) << run << listed;
    EXPECT_TRUE(mems::CheckMemsImage(ReadFile(image)).empty());
  }
}

TEST(ConcurrentWriters, AWaitingWriterReadsTheFileAfreshOnceTheLockIsFree) {
  TempDir dir;
  const fs::path image = dir / "SS_MEMS.BIN";
  WriteFile(image, MemsImageBuilder().Build());
  const fs::path first = WriteSarooSingleSave(dir.path(), "P1", 3000);
  const fs::path second = WriteSarooSingleSave(dir.path(), "P2", 3000);
  std::optional<CliProcess> waiting;
  {
    const platform::FileLock lock = platform::FileLock::Acquire(image);
    ASSERT_TRUE(lock.held());
    waiting.emplace(std::vector<std::string>{"import", image.string(), second.string()}, dir / "err");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // This process holds the lock, so its own import goes ahead.
    ASSERT_EQ(RunCliWith({"import", image.string(), first.string()}).status, 0);
  }
  ASSERT_EQ(waiting->Wait(), 0) << waiting->Err();
  const std::string listed = Listing(image);
  EXPECT_NE(listed.find("\tP1\t"), std::string::npos) << listed;
  EXPECT_NE(listed.find("\tP2\t"), std::string::npos) << listed;
}

// The one test that waits the whole 10 seconds.
TEST(ConcurrentWriters, AWriterGivesUpAfterTenSecondsAndWritesNothing) {
  TempDir dir;
  const fs::path image = dir / "SS_MEMS.BIN";
  const ByteBuffer original = MemsImageBuilder().AddSave(1, 8, NamedSave("OLD", 100)).Build();
  WriteFile(image, original);
  const platform::FileLock lock = platform::FileLock::Acquire(image);
  ASSERT_TRUE(lock.held());
  const auto start = std::chrono::steady_clock::now();
  CliProcess import({"import", image.string(), WriteSarooSingleSave(dir.path(), "P1", 3000).string()}, dir / "err");
  EXPECT_EQ(import.Wait(), 1);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(9500));
  EXPECT_EQ(import.Err(), "quillmere-cli: 文件正被其他程序使用，请稍后再试！: " + image.string() + "\n");
  EXPECT_EQ(ReadFile(image), original);
}

// A command names its file by a bare name in the current folder: the lock it
// takes before its read is the one its write takes again, not another
// program's, even when no lock file was there before.
TEST(ConcurrentWriters, ABareNameInTheCurrentFolderIsOneLock) {
  TempDir dir;
  const fs::path before = fs::current_path();
  fs::current_path(dir.path());
  const platform::FileLock first = platform::FileLock::Acquire("SS_MEMS.BIN");
  const platform::FileLock again = platform::FileLock::Acquire("SS_MEMS.BIN", std::chrono::milliseconds(100));
  const platform::FileLock spelled = platform::FileLock::Acquire(dir / "SS_MEMS.BIN", std::chrono::milliseconds(100));
  fs::current_path(before);
  EXPECT_TRUE(first.held() && again.held() && spelled.held());
}

TEST(FileStamps, AChangeOfContentIsSeenWithSizeAndTimeKept) {
  TempDir dir;
  const fs::path file = dir / "SS_MEMS.BIN";
  const ByteBuffer original = MemsImageBuilder().AddSave(1, 8, NamedSave("ONE", 100)).Build();
  WriteFile(file, original);
  const platform::FileStamp stamp = platform::StampFile(file, original.bytes());
  EXPECT_TRUE(platform::FileMatchesStamp(file, stamp));
  ByteBuffer changed = original;
  changed.MustWriteBE(0x123456, 1, 1);
  WriteFile(file, changed);
  fs::last_write_time(file, stamp.modified);
  EXPECT_FALSE(platform::FileMatchesStamp(file, stamp));
  fs::remove(file);
  EXPECT_FALSE(platform::FileMatchesStamp(file, stamp));
}

// A pane whose file another program replaced writes nothing, shows the new
// file and says so; the workbench-level twin of the window's test.
class ChangedFileTest : public testing::MemsPaneTest {};

TEST_F(ChangedFileTest, WritersLeaveAReplacedFileAloneAndReloadIt) {
  Load(MemsImageBuilder().AddSave(1, 8, NamedSave("ALPHA", 100)).AddSave(2, 9, NamedSave("BETA", 100)).Build());
  const ByteBuffer replacement = MemsImageBuilder().AddSave(1, 8, NamedSave("NEWER", 2000)).Build();
  WriteFile(dir / "SS_MEMS.BIN", replacement);
  bench.pane(1).selection = {0};
  host.answers = {true, true};
  EXPECT_EQ(DeleteSaves(bench, 1), CareOutcome::kWriteFailed);
  EXPECT_EQ(host.messages, std::vector<std::string>{catalog::Render(FileChanged{(dir / "SS_MEMS.BIN").string()})});
  EXPECT_EQ(File(), replacement);
  ASSERT_EQ(bench.pane(1).rows.size(), 1u);
  EXPECT_EQ(bench.pane(1).rows[0].name(), "NEWER");
  // Reloaded, the pane writes again.
  bench.pane(1).selection = {0};
  EXPECT_EQ(DeleteSaves(bench, 1), CareOutcome::kDone);
  EXPECT_TRUE(bench.pane(1).rows.empty());
}

TEST_F(ChangedFileTest, TheClearingStepWritesOnlyTheFileItRead) {
  // A stale byte in an unused directory slot, which a refresh with clearing zeroes.
  ByteBuffer stale = MemsImageBuilder().AddSave(1, 8, NamedSave("ALPHA", 100)).Build();
  stale.MustWriteBE(mems::SlotOffset(5) + 8, 0x77, 1);
  WriteFile(dir / "SS_MEMS.BIN", stale);
  bench.clearUnusedOnRefresh = true;
  ReloadPane(bench, 1);
  EXPECT_NE(File(), stale);
  EXPECT_EQ(File(), bench.pane(1).image);
  EXPECT_EQ(bench.pane(1).stamp, platform::StampFile(dir / "SS_MEMS.BIN", File().bytes()));
  EXPECT_TRUE(host.messages.empty());
}

}  // namespace
}  // namespace quillmere
