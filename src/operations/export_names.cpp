#include "operations/export_names.h"

#include <algorithm>

#include "model/container_kind.h"
#include "platform/ascii.h"
#include "platform/file_io.h"

namespace quillmere {

namespace fs = std::filesystem;

namespace {

// One spelling per file whatever the letter case and however the folder was
// named ("SAROO", "./SAROO", an absolute path).
std::string Key(const fs::path& path) {
  std::error_code ec;
  fs::path absolute = fs::weakly_canonical(fs::absolute(path, ec), ec);
  if (ec) absolute = path.lexically_normal();
  return platform::AsciiLower(platform::PathToUtf8(absolute));
}

}  // namespace

void ExportNames::StartRun(std::vector<fs::path> protectedFiles) {
  taken_.clear();
  protected_ = std::move(protectedFiles);
  std::erase_if(protected_, [](const fs::path& file) { return file.empty(); });
}

bool ExportNames::Free(const fs::path& candidate) const {
  const std::string name = platform::AsciiLower(platform::PathToUtf8(candidate.filename()));
  for (const ContainerKind kind : kAllContainerKinds) {
    if (name == platform::AsciiLower(std::string(ContainerFileName(kind)))) return false;
  }
  const std::string key = Key(candidate);
  if (taken_.contains(key)) return false;
  std::error_code ec;
  for (const fs::path& file : protected_) {
    if (Key(file) == key || fs::equivalent(file, candidate, ec)) return false;
  }
  return true;
}

fs::path ExportNames::Claim(const fs::path& wanted) {
  const fs::path folder = wanted.parent_path();
  const std::string stem = platform::PathToUtf8(wanted.stem());
  const std::string extension = platform::PathToUtf8(wanted.extension());
  fs::path candidate = wanted;
  for (int n = 2; !Free(candidate); ++n) {
    candidate = folder / platform::PathFromUtf8(stem + "~" + std::to_string(n) + extension);
  }
  taken_.insert(Key(candidate));
  return candidate;
}

}  // namespace quillmere
