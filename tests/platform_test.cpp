#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_io.h"
#include "platform/text_codec.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

TEST(AtomicWrite, ReplacesTheWholeFileAndLeavesNothingElse) {
  TempDir dir;
  const fs::path file = dir / "SS_MEMS.BIN";
  ASSERT_TRUE(platform::WriteFileAtomic(file, platform::Bytes(5000, 0x11)));
  ASSERT_TRUE(platform::WriteFileAtomic(file, platform::Bytes{1, 2, 3}));
  EXPECT_EQ(platform::ReadWholeFile(file), (platform::Bytes{1, 2, 3}));
  ASSERT_TRUE(platform::WriteFileAtomic(file, platform::Bytes{}));
  EXPECT_TRUE(platform::FileExists(file));
  EXPECT_TRUE(platform::ReadWholeFile(file).empty());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(AtomicWrite, RefusesWhatItCannotReplaceSafely) {
  TempDir dir;
  EXPECT_FALSE(platform::WriteFileAtomic(dir / "missing" / "file.bin", platform::Bytes{1}));
  fs::create_directories(dir / "folder.bin");
  EXPECT_FALSE(platform::WriteFileAtomic(dir / "folder.bin", platform::Bytes{1}));
  EXPECT_TRUE(fs::is_directory(dir / "folder.bin"));
}

// A file's identity is read with one stat; its time must be the one
// std::filesystem reads, or a stamp compared with it would never match.
TEST(FileIdentities, TellTheSizeAndTimeTheFileSystemTells) {
  TempDir dir;
  const fs::path file = dir / "SS_MEMS.BIN";
  testing::WriteFile(file, ByteBuffer::Filled(1234, 7));
  const auto identity = platform::IdentifyFile(file);
  ASSERT_TRUE(identity.has_value());
  EXPECT_EQ(identity->size, 1234u);
  EXPECT_EQ(identity->modified, fs::last_write_time(file));
  fs::last_write_time(file, fs::last_write_time(file) - std::chrono::hours(30 * 24) + std::chrono::nanoseconds(123456789));
  EXPECT_EQ(platform::IdentifyFile(file)->modified, fs::last_write_time(file));
  EXPECT_FALSE(platform::IdentifyFile(dir.path()).has_value());
  EXPECT_FALSE(platform::IdentifyFile(dir / "MISSING.BIN").has_value());
}

TEST(FileNames, ResolveInAnyLetterCase) {
  TempDir dir;
  EXPECT_EQ(platform::ResolveFileName(dir.path(), "SS_MEMS.BIN"), dir / "SS_MEMS.BIN");
  testing::WriteFile(dir / "Ss_Mems.bin", ByteBuffer{1});
  EXPECT_EQ(platform::ResolveFileName(dir.path(), "SS_MEMS.BIN"), dir / "Ss_Mems.bin");
  EXPECT_TRUE(platform::ReadWholeFile(dir / "nothing").empty());
  EXPECT_TRUE(platform::EnsureDirectory(dir / "a" / "b"));
  EXPECT_TRUE(fs::is_directory(dir / "a" / "b"));
}

TEST(TextCodec, EncodesNamesBackToGbk) {
  EXPECT_EQ(platform::EncodeFromUtf8("存档A", platform::kGbk), (std::vector<std::uint8_t>{0xB4, 0xE6, 0xB5, 0xB5, 'A'}));
  // A character GBK lacks, and a broken UTF-8 byte, become '?'.
  EXPECT_EQ(platform::EncodeFromUtf8("\xF0\x9F\x98\x80" "B\xFF", platform::kGbk), (std::vector<std::uint8_t>{'?', 'B', '?'}));
  EXPECT_EQ(platform::DecodeToUtf8({0xB4, 0xE6, 0xB5, 0xB5}, platform::kGbk), "存档");
}

}  // namespace
}  // namespace quillmere
