#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "catalog/catalog.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"
#include "support/cli_run.h"
#include "support/image_builder.h"
#include "support/test_files.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

// Writes through links, under long names, beside leftovers of killed writes,
// to paths that start with "/", and over files of another owner.
namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::MemsImageBuilder;
using testing::NamedSave;
using testing::ReadFile;
using testing::RunCliWith;
using testing::TempDir;
using testing::WriteFile;
using testing::WriteSarooSingleSave;

#ifndef _WIN32
TEST(FileSafety, AWriteThroughALinkReplacesItsTargetAndKeepsTheLink) {
  TempDir dir;
  const fs::path card = dir / "card" / "SS_MEMS.BIN", link = dir / "SS_MEMS.BIN";
  WriteFile(card, MemsImageBuilder().Build());
  fs::create_symlink(fs::path("card") / "SS_MEMS.BIN", link);
  const fs::path single = WriteSarooSingleSave(dir.path(), "LINKED", 10);
  const testing::CliRun run = RunCliWith({"import", link.string(), single.string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_NE(RunCliWith({"list", card.string()}).out.find("LINKED"), std::string::npos);
  // The lock lies beside the file written, whichever name leads there.
  EXPECT_EQ(platform::LockFilePath(link), dir / "card" / ".SS_MEMS.BIN.qmlock");

  // A dangling link: format makes its target.
  const fs::path dangling = dir / "NEW.BIN";
  fs::create_symlink(fs::path("card") / "NEW.BIN", dangling);
  EXPECT_EQ(RunCliWith({"format", dangling.string(), "--kind", "mems"}).status, 0);
  EXPECT_TRUE(fs::is_symlink(dangling));
  EXPECT_EQ(ReadFile(dir / "card" / "NEW.BIN").size(), 8u * 1024 * 1024);
}

TEST(FileSafety, AReplacedFileKeepsItsOwnerWhereTheWriterMaySetIt) {
  TempDir dir;
  const fs::path file = dir / "SS_MEMS.BIN";
  WriteFile(file, ByteBuffer{1});
  // Root gives the file to another user first; anyone else keeps their own.
  const uid_t owner = ::geteuid() == 0 ? 12345 : ::geteuid();
  const gid_t group = ::geteuid() == 0 ? 23456 : ::getegid();
  ASSERT_EQ(::chown(file.c_str(), owner, group), 0);
  ASSERT_TRUE(platform::WriteFileAtomic(file, {2}));
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, owner);
  EXPECT_EQ(info.st_gid, group);
}
#endif

TEST(FileSafety, ALongNameIsWrittenWithShortNamesBesideIt) {
  TempDir dir;
  const fs::path image = dir / (std::string(241, 'S') + ".BIN");
  WriteFile(image, MemsImageBuilder().Build());
  const fs::path single = WriteSarooSingleSave(dir.path(), "LONG", 10);
  const testing::CliRun run = RunCliWith({"import", image.string(), single.string(), "--kind", "mems"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(RunCliWith({"list", image.string(), "--kind", "mems"}).out.find("LONG"), std::string::npos);
  EXPECT_EQ(platform::LockFilePath(image).filename(), "." + std::string(32, 'S') + ".qmlock");
  // A cut never splits a character: "存" is three bytes (one UTF-16 unit).
  const fs::path wide = platform::PathFromUtf8(std::string(31, 'A') + "存档");
#ifdef _WIN32
  EXPECT_EQ(platform::PathToUtf8(platform::ShortNamePrefix(wide)), std::string(31, 'A') + "存");
#else
  EXPECT_EQ(platform::PathToUtf8(platform::ShortNamePrefix(wide)), std::string(31, 'A'));
#endif
}

TEST(FileSafety, AWriteRemovesTemporaryFilesOlderThanAnHour) {
  TempDir dir;
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(2);
  const std::vector<std::string> stale = {"SS_MEMS.BIN.tmp-0a1b2c3d", "SS_MEMS.BIN.0a1b2c3d.qmtmp"};
  const std::vector<std::string> kept = {"FRESH.BIN.tmp-0a1b2c3d", "NOTES.tmp-ABCDEFGH", "NOTES.0a1b.qmtmp",
                                         ".SS_MEMS.BIN.qmlock", "SS_MEMS.BIN"};
  for (const std::string& name : stale) WriteFile(dir / name, ByteBuffer{1});
  for (const std::string& name : kept) WriteFile(dir / name, ByteBuffer{1});
  for (const std::string& name : stale) fs::last_write_time(dir / name, old);
  for (const std::string& name : kept) {
    if (name != "FRESH.BIN.tmp-0a1b2c3d") fs::last_write_time(dir / name, old);
  }
  ASSERT_TRUE(platform::WriteFileAtomic(dir / "SS_MEMS.BIN", {2}));
  for (const std::string& name : stale) EXPECT_FALSE(fs::exists(dir / name)) << name;
  for (const std::string& name : kept) EXPECT_TRUE(fs::exists(dir / name)) << name;
}

TEST(FileSafety, APathThatStartsWithASlashIsAPathOnEverySystem) {
  // Not a Windows-style option: the command takes it as its file. (make
  // test-windows lists a real file by such a path with quillmere-cli.exe.)
  for (const std::vector<std::string>& args : {std::vector<std::string>{"list", "/no/such/SS_MEMS.BIN"},
                                               {"delete", "/no/such/SS_MEMS.BIN", "--name", "/X"}}) {
    const testing::CliRun run = RunCliWith(args);
    EXPECT_EQ(run.status, 1) << args[0];
    EXPECT_EQ(run.err, "quillmere-cli: 文件不存在：/no/such/SS_MEMS.BIN\n") << args[0];
  }
}

}  // namespace
}  // namespace quillmere

namespace quillmere {
namespace {

// A container is replaced only while it is still the file that was read, and
// only when it may be written: otherwise nothing at all is written.
TEST(FileSafety, AContainerIsReplacedOnlyIfUnchangedAndWritable) {
  struct Case {
    const char* label;
    std::function<void(const std::filesystem::path&)> meanwhile;  // what happens after the read
    platform::ReplaceOutcome expected;
  };
  const std::vector<Case> cases = {
      {"untouched", [](const auto&) {}, platform::ReplaceOutcome::kReplaced},
      {"written in place, a byte longer", [](const auto& file) { testing::WriteFile(file, ByteBuffer{1, 2, 3}); },
       platform::ReplaceOutcome::kChanged},
      {"replaced by a rename, same size and time",
       [](const auto& file) {
         const auto time = std::filesystem::last_write_time(file);
         testing::WriteFile(file.string() + ".new", ByteBuffer{1, 2});
         std::filesystem::rename(file.string() + ".new", file);
         std::filesystem::last_write_time(file, time);
       },
       platform::ReplaceOutcome::kChanged},
      {"marked read-only",
       [](const auto& file) {
         std::filesystem::permissions(file, std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                                std::filesystem::perms::others_write,
                                      std::filesystem::perm_options::remove);
       },
       platform::ReplaceOutcome::kFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    testing::TempDir dir;
    const std::filesystem::path file = dir / "SS_MEMS.BIN";
    testing::WriteFile(file, ByteBuffer{1, 2});
    const auto read = platform::IdentifyFile(file).value();
    c.meanwhile(file);
    const ByteBuffer before = testing::ReadFile(file);
    EXPECT_EQ(platform::ReplaceFileIfUnchanged(file, {7, 7, 7}, read), c.expected);
    const ByteBuffer written{7, 7, 7};
    EXPECT_EQ(testing::ReadFile(file), c.expected == platform::ReplaceOutcome::kReplaced ? written : before);
    std::filesystem::permissions(file, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  }
}

}  // namespace
}  // namespace quillmere
