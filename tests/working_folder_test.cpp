#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "platform/working_folder.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

TEST(WorkingFolder, BesideTheProgramWhenItCanWriteThereElseInTheDocuments) {
  const fs::path program = "/opt/quillmere";
  const fs::path documents = "/home/me/Documents";
  const fs::path user = documents / "Quillmere";
  const fs::path card = "/media/me/SAROO/SAVE";
  struct Case {
    const char* what;
    bool writable;
    std::optional<fs::path> argument;
    fs::path working;
    fs::path shown;
    bool besideProgram;
  };
  const Case cases[] = {
      {"an unpacked program", true, std::nullopt, program, program, true},
      {"an installed program", false, std::nullopt, user, user, false},
      {"an unpacked program started on a folder", true, card, program, card, true},
      {"an installed program started on a folder", false, card, user, card, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const platform::StartFolders folders = platform::ChooseStartFolders(program, c.writable, documents, c.argument);
    EXPECT_EQ(folders.working, c.working);
    EXPECT_EQ(folders.shown, c.shown);
    EXPECT_EQ(folders.besideProgram, c.besideProgram);
  }
}

TEST(WorkingFolder, WritabilityIsTriedAndLeavesNothingBehind) {
  TempDir dir;
  EXPECT_TRUE(platform::FolderIsWritable(dir.path()));
  EXPECT_TRUE(fs::is_empty(dir.path()));
  EXPECT_FALSE(platform::FolderIsWritable(dir / "missing"));
  EXPECT_FALSE(fs::exists(dir / "missing"));

  // Permission bits bind everyone but root; the probe must agree with what a
  // real write would do, either way.
  fs::create_directories(dir / "read-only");
  fs::permissions(dir / "read-only", fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_EQ(platform::FolderIsWritable(dir / "read-only"), testing::IgnoresFilePermissions());
  fs::permissions(dir / "read-only", fs::perms::owner_all);
  EXPECT_TRUE(fs::is_empty(dir / "read-only"));
}

TEST(WorkingFolder, AFolderNotEvenRootCanWriteIsUnwritable) {
#ifdef _WIN32
  GTEST_SKIP() << "needs /proc, which Windows has not";
#else
  if (!fs::is_directory("/proc/self")) GTEST_SKIP() << "needs /proc, which this system has not";
  EXPECT_FALSE(platform::FolderIsWritable("/proc/self"));
#endif
}

}  // namespace
}  // namespace quillmere
