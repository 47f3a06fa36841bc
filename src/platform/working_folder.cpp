#include "platform/working_folder.h"

#include <system_error>

#include "platform/file_io.h"

namespace quillmere::platform {

namespace fs = std::filesystem;

bool FolderIsWritable(const fs::path& folder) {
  const fs::path probe = folder / ".quillmere-write-probe";
  if (!WriteFileAtomic(probe, {})) return false;
  std::error_code ec;
  fs::remove(probe, ec);
  return true;
}

StartFolders ChooseStartFolders(const fs::path& programFolder, bool programFolderWritable,
                                const fs::path& documentsFolder, const std::optional<fs::path>& folderArgument) {
  StartFolders folders;
  folders.working = programFolderWritable ? programFolder : documentsFolder / kUserFolderName;
  folders.shown = folderArgument.value_or(folders.working);
  folders.besideProgram = programFolderWritable;
  return folders;
}

bool SameFolder(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error) && !error;
}

}  // namespace quillmere::platform
