#pragma once

#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <string>

#include "model/byte_buffer.h"

namespace quillmere {
// Shows a buffer's size and its first bytes when an expectation fails.
void PrintTo(const ByteBuffer& bytes, std::ostream* out);
}  // namespace quillmere

namespace quillmere::testing {

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

void WriteFile(const std::filesystem::path& path, const ByteBuffer& bytes);
ByteBuffer ReadFile(const std::filesystem::path& path);

// The SAROO single save of NamedSave(name, size, seed).
ByteBuffer SarooSingleSave(const std::string& name, std::size_t size, std::uint8_t seed = 1);

// Writes `folder`/NAME.bin, the SAROO single save of NamedSave(name, size), and returns its path.
std::filesystem::path WriteSarooSingleSave(const std::filesystem::path& folder, const std::string& name, std::size_t size);

// The folder of real save files, when this checkout has it beside it.
std::optional<std::filesystem::path> SamplesDir();

// A fixture for tests on the real save files: skipped, visibly, where the
// folder is absent.
class SamplesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto dir = SamplesDir();
    if (!dir) GTEST_SKIP() << "the real sample files (../shared/samples) are absent";
    samples = *dir;
  }
  std::filesystem::path samples;
};

// Puts at `path` a file that exists but cannot be read whole: one without
// read permission, or, where permissions do not bind (root), a link to a
// system file that reports no length and then yields bytes. Linux only.
void MakeUnreadableFile(const std::filesystem::path& path);
// Puts at `path` a sparse file one byte larger than any file the program reads.
void MakeTooLargeFile(const std::filesystem::path& path);

// True when this process cannot be kept out of a read-only folder (root can
// write anywhere, so read-only tests are meaningless there).
bool IgnoresFilePermissions();

}  // namespace quillmere::testing
