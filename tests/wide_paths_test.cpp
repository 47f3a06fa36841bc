#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "catalog/catalog.h"
#include "platform/file_io.h"
#include "support/cli_run.h"
#include "support/image_builder.h"
#include "support/test_files.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

// Folders named in Japanese or Chinese, and replacing files that are already
// there. On Windows these go through the wide-character calls; the same
// expectations hold on every system.
namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::MemsImageBuilder;
using testing::NamedSave;
using testing::RunCliWith;
using testing::TempDir;

std::size_t EntryCount(const fs::path& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(WidePaths, FoldersNamedInJapaneseOrChineseWorkEndToEnd) {
  for (const std::string folderName : {"セーブデータ", "存档", "Ｚ：ｂａｃｋｕｐ"}) {
    TempDir dir;
    const fs::path folder = dir.path() / platform::PathFromUtf8(folderName);
    ASSERT_TRUE(platform::EnsureDirectory(folder)) << folderName;
    const ByteBuffer image = MemsImageBuilder().AddSave(1, 8, NamedSave("GAME01", 1500)).Build();
    ASSERT_TRUE(platform::WriteFileAtomic(folder / "Ss_Mems.bin", image.bytes())) << folderName;

    // The container is found by its name in any letter case, through the folder listing.
    const fs::path found = platform::ResolveFileName(folder, "SS_MEMS.BIN");
    EXPECT_EQ(found, folder / "Ss_Mems.bin") << folderName;
    EXPECT_EQ(platform::ReadFileChecked(found).bytes, image.bytes()) << folderName;

    // The command line takes and prints the path as UTF-8 text.
    const std::string path = platform::PathToUtf8(found);
    EXPECT_NE(path.find(folderName), std::string::npos) << path;
    const auto list = RunCliWith({"list", path, "--kind", "mems"});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_NE(list.out.find("GAME01"), std::string::npos) << list.out;

    const std::string out = platform::PathToUtf8(folder / platform::PathFromUtf8("导出"));
    const auto exported = RunCliWith({"export", path, "--kind", "mems", "--all", "--out", out});
    EXPECT_EQ(exported.status, 0) << exported.err;
    const fs::path written = folder / platform::PathFromUtf8("导出") / "GAME01.bin";
    EXPECT_EQ(exported.out, platform::PathToUtf8(written) + "\n");
    EXPECT_TRUE(platform::FileExists(written)) << exported.out;
  }
}

TEST(WidePaths, AtomicReplaceOverAnExistingAndAReadOnlyFile) {
  TempDir dir;
  const fs::path folder = dir.path() / platform::PathFromUtf8("セーブ");
  ASSERT_TRUE(platform::EnsureDirectory(folder));
  const fs::path file = folder / "SS_MEMS.BIN";
  ASSERT_TRUE(platform::WriteFileAtomic(file, platform::Bytes(70000, 0x11)));
  ASSERT_TRUE(platform::WriteFileAtomic(file, platform::Bytes{1, 2, 3}));
  EXPECT_EQ(platform::ReadWholeFile(file), (platform::Bytes{1, 2, 3}));

  // A read-only file is replaced as a rename replaces it on Linux, and stays read-only.
  fs::permissions(file, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  ASSERT_TRUE(platform::WriteFileAtomic(file, platform::Bytes{4, 5}));
  EXPECT_EQ(platform::ReadWholeFile(file), (platform::Bytes{4, 5}));
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesW(file.c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_READONLY);
#endif
  EXPECT_EQ(EntryCount(folder), 1u) << "a temporary file was left behind";
  fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
}

#ifdef _WIN32
TEST(WidePaths, AFileHeldOpenByAnotherProgramIsReportedAndKept) {
  TempDir dir;
  const fs::path folder = dir.path() / platform::PathFromUtf8("存档");
  ASSERT_TRUE(platform::EnsureDirectory(folder));
  const fs::path file = folder / "SS_MEMS.BIN";
  const ByteBuffer image = MemsImageBuilder().AddSave(3, 20, NamedSave("GAME01", 1500)).Build();
  ASSERT_TRUE(platform::WriteFileAtomic(file, image.bytes()));

  // Another program reads the file and does not let it be replaced meanwhile.
  const HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(platform::WriteFileAtomic(file, platform::Bytes{1}));
  const auto compact = RunCliWith({"compact", platform::PathToUtf8(file)});
  CloseHandle(held);

  EXPECT_EQ(compact.status, 1);
  // On one line, with the system's reason after the path ("Access denied").
  const std::string said = "quillmere-cli: 写入文件失败！: " + platform::PathToUtf8(file) + " (";
  EXPECT_TRUE(compact.err.starts_with(said) && compact.err.ends_with(")\n")) << compact.err;
  EXPECT_EQ(platform::ReadWholeFile(file), image.bytes());
  EXPECT_EQ(EntryCount(folder), 2u) << "a temporary file was left behind beside the file and its lock file";
}
#endif

}  // namespace
}  // namespace quillmere
