#include "support/test_files.h"

#include <atomic>
#include <chrono>
#include <fstream>

#include "model/conversions.h"
#include "platform/file_io.h"
#include "singlesave/single_save_file.h"
#include "support/image_builder.h"

namespace quillmere {

void PrintTo(const ByteBuffer& bytes, std::ostream* out) {
  *out << bytes.size() << " bytes";
  if (!bytes.empty()) *out << ": " << BytesToHex(bytes.Slice(0, 32)) << (bytes.size() > 32 ? "..." : "");
}

}  // namespace quillmere

namespace quillmere::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = fs::temp_directory_path() /
          ("quillmere-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  // Read-only folders left by permission tests must be writable to remove.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(path_, ec);
}

void WriteFile(const fs::path& path, const ByteBuffer& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

ByteBuffer ReadFile(const fs::path& path) { return ByteBuffer(platform::ReadWholeFile(path)); }

ByteBuffer SarooSingleSave(const std::string& name, std::size_t size, std::uint8_t seed) {
  const TestSave save = NamedSave(name, size, seed);
  return singlesave::BuildSarooSingleSave(ByteBuffer(FixedField(save.name, 12)), save.StoredSize(),
                                          ByteBuffer(save.comment), save.date, ByteBuffer(save.data));
}

fs::path WriteSarooSingleSave(const fs::path& folder, const std::string& name, std::size_t size) {
  const fs::path file = folder / (name + ".bin");
  WriteFile(file, SarooSingleSave(name, size));
  return file;
}

std::optional<fs::path> SamplesDir() {
  const fs::path dir = QUILLMERE_SAMPLES_DIR;
  std::error_code ec;
  if (fs::is_directory(dir, ec)) return fs::canonical(dir, ec);
  return std::nullopt;
}

bool IgnoresFilePermissions() {
  TempDir dir;
  fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
  std::ofstream probe(dir / "probe");
  const bool wrote = static_cast<bool>(probe);
  probe.close();
  fs::permissions(dir.path(), fs::perms::owner_all, fs::perm_options::add);
  return wrote;
}

void MakeUnreadableFile(const fs::path& path) {
  fs::create_directories(path.parent_path());
  if (IgnoresFilePermissions()) {
    fs::create_symlink("/proc/self/status", path);
  } else {
    WriteFile(path, ByteBuffer::Filled(64, 0x41));
    fs::permissions(path, fs::perms::none, fs::perm_options::replace);
  }
}

void MakeTooLargeFile(const fs::path& path) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).put('\0');
  fs::resize_file(path, platform::kMaxReadSize + 1);
}

}  // namespace quillmere::testing
