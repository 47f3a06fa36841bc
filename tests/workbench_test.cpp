#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "containers/mems_image.h"
#include "operations/workbench.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"
#include "support/image_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::MemsImageBuilder;
using testing::PatternData;
using testing::ReadFile;
using testing::ScriptedHost;
using testing::TempDir;
using testing::TestSave;
using testing::WriteFile;

TestSave Save(const std::string& name, std::size_t size) {
  TestSave save;
  save.name = name;
  save.data = PatternData(size, static_cast<std::uint8_t>(size));
  return save;
}

// An image with two saves and leftovers that clearing removes.
ByteBuffer ImageWithLeftovers() {
  MemsImageBuilder builder;
  builder.AddSave(1, 8, Save("ONE", 100)).AddSave(2, 9, Save("TWO", 3000));
  builder.image().Fill(0x2000 + 40 * 1024, 2048, 0xAB);
  return builder.Build();
}

class WorkbenchTest : public ::testing::Test {
 protected:
  TempDir dir;
  ScriptedHost host;
  Workbench bench{dir.path(), host};
};

// A file that goes takes its figure with it: no figure is left from a file no longer listed.
TEST_F(WorkbenchTest, MissingFilesShowTheHintsAndClearTheFigure) {
  WriteFile(dir / "SS_MEMS.BIN", MemsImageBuilder().Build());
  ReloadPane(bench, 1);
  EXPECT_EQ(bench.pane(1).numberLabel, "128880");
  fs::remove(dir / "SS_MEMS.BIN");
  host.paneChanges.clear();
  ReloadPane(bench, 1);
  EXPECT_TRUE(bench.pane(1).hintVisible);
  EXPECT_TRUE(bench.pane(1).rows.empty());
  EXPECT_TRUE(bench.pane(1).image.empty());
  EXPECT_EQ(bench.pane(1).numberLabel, "");
  EXPECT_EQ(host.paneChanges, std::vector<int>{1});
  EXPECT_TRUE(host.messages.empty());
  EXPECT_FALSE(fs::exists(dir / "SS_MEMS.BIN"));  // container files are never created
}

TEST_F(WorkbenchTest, OnlyPane1CreatesTheOtherFolderForSsMems) {
  ReloadPane(bench, 2);
  EXPECT_FALSE(fs::exists(dir / "OTHER"));
  ReloadPane(bench, 1);
  EXPECT_TRUE(fs::is_directory(dir / "OTHER"));
}

TEST_F(WorkbenchTest, LoadsBothPanesFromTheirFolders) {
  WriteFile(dir / "SS_MEMS.BIN", MemsImageBuilder().AddSave(1, 8, Save("MINE", 10)).Build());
  WriteFile(dir / "OTHER" / "ss_mems.bin", MemsImageBuilder().Build());  // any letter case will do
  ReloadPane(bench, 1);
  ReloadPane(bench, 2);
  EXPECT_FALSE(bench.pane(1).hintVisible);
  ASSERT_EQ(bench.pane(1).rows.size(), 1u);
  EXPECT_EQ(bench.pane(1).rows[0].name(), "MINE");
  EXPECT_EQ(bench.pane(1).numberLabel, std::to_string(16 * 8055 - 16));
  EXPECT_FALSE(bench.pane(2).hintVisible);
  EXPECT_EQ(bench.pane(2).numberLabel, "128880");
  EXPECT_EQ(bench.pane(1).image.size(), mems::kImageSize);

  // A kind change resets the figure; the reload then sets it again.
  SetPaneKind(bench, 2, ContainerKind::kMems);
  EXPECT_EQ(bench.pane(2).numberLabel, "128880");
}

TEST_F(WorkbenchTest, ClearingRunsOnlyWhenAskedAndInteractive) {
  const ByteBuffer original = ImageWithLeftovers();
  WriteFile(dir / "SS_MEMS.BIN", original);

  ReloadPane(bench, 1);  // option off
  EXPECT_EQ(ReadFile(dir / "SS_MEMS.BIN"), original);

  bench.clearUnusedOnRefresh = true;
  ReloadPane(bench, 1, false);  // as after the program's own write
  EXPECT_EQ(ReadFile(dir / "SS_MEMS.BIN"), original);

  ReloadPane(bench, 1);
  const ByteBuffer cleared = ReadFile(dir / "SS_MEMS.BIN");
  EXPECT_NE(cleared, original);
  EXPECT_EQ(cleared.Slice(0x2000 + 40 * 1024, 2048), ByteBuffer::Filled(2048, 0));
  EXPECT_EQ(cleared.Slice(0, 0x2000 + 4 * 1024), original.Slice(0, 0x2000 + 4 * 1024));
  EXPECT_EQ(bench.pane(1).image, cleared);
  EXPECT_TRUE(host.messages.empty());
  // Nothing but the container and its lock file is left in the folder.
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    EXPECT_TRUE(entry.path().filename() == "SS_MEMS.BIN" || entry.path().filename() == "OTHER" ||
                entry.path() == platform::LockFilePath(dir / "SS_MEMS.BIN"))
        << entry.path();
  }
}

TEST_F(WorkbenchTest, AFolderInPlaceOfTheFileIsNeverWrittenOver) {
  fs::create_directories(dir / "SS_MEMS.BIN");
  bench.clearUnusedOnRefresh = true;
  ReloadPane(bench, 1);
  EXPECT_TRUE(fs::is_directory(dir / "SS_MEMS.BIN"));
  EXPECT_TRUE(bench.pane(1).rows.empty());
  EXPECT_TRUE(host.messages.empty());
}

// A clearing write that fails is reported, and neither file nor pane changes.
void ExpectFailedClearing(Workbench& bench, ScriptedHost& host, const fs::path& file, const ByteBuffer& original) {
  EXPECT_EQ(ReadFile(file), original);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], "写入文件失败！\r\n" + file.string());
  EXPECT_EQ(bench.pane(1).image, original);
  EXPECT_EQ(bench.pane(1).rows.size(), 2u);
}

TEST_F(WorkbenchTest, ClearingIntoAReadOnlyFolderIsReported) {
  if (testing::IgnoresFilePermissions()) {
    GTEST_SKIP() << "this user writes into read-only folders (root, or Windows, where the mark does not stop writes)";
  }
  const ByteBuffer original = ImageWithLeftovers();
  WriteFile(dir / "SS_MEMS.BIN", original);
  fs::create_directories(dir / "OTHER");
  fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
  bench.clearUnusedOnRefresh = true;
  ReloadPane(bench, 1);
  fs::permissions(dir.path(), fs::perms::owner_all, fs::perm_options::add);
  ExpectFailedClearing(bench, host, dir / "SS_MEMS.BIN", original);
}

#ifndef _WIN32
TEST_F(WorkbenchTest, ClearingOntoAFullDiskIsReported) {
  const ByteBuffer original = ImageWithLeftovers();
  WriteFile(dir / "SS_MEMS.BIN", original);
  // A file-size limit fails the write the way a full disk does, even for root.
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit limited = saved;
  limited.rlim_cur = 4096;
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &limited);
  bench.clearUnusedOnRefresh = true;
  ReloadPane(bench, 1);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  ExpectFailedClearing(bench, host, dir / "SS_MEMS.BIN", original);
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    EXPECT_FALSE(platform::IsTemporaryFileName(entry.path().filename())) << "temporary file left behind";
  }
}
#endif

}  // namespace
}  // namespace quillmere
