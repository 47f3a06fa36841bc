#pragma once

#include <filesystem>
#include <optional>

namespace quillmere::platform {

// Whether files can be made in `folder`, found by writing and removing a small
// file there: permission bits do not tell (root writes anywhere, a read-only
// mount or a network share refuses what its bits allow).
bool FolderIsWritable(const std::filesystem::path& folder);

// The name of the user's own working folder, made in the documents folder
// when the program lies where it cannot write (an installed program).
inline constexpr const char* kUserFolderName = "Quillmere";

// Whether the two name one folder (links and spellings resolved); false
// when either cannot be looked at.
bool SameFolder(const std::filesystem::path& a, const std::filesystem::path& b);

struct StartFolders {
  // Where pane 1 usually looks and where SAROO/, SSF/, BUP/ and SRO/ go.
  std::filesystem::path working;
  // What pane 1 shows at start: a folder given on the command line, or `working`.
  std::filesystem::path shown;
  // Whether `working` is the program's own folder; if not, the window's
  // hints name it, since "the program folder" would send the user elsewhere.
  bool besideProgram = false;
};

// The program keeps its files beside itself when it may write there, as an
// unpacked program does; otherwise in Quillmere in the documents folder. A
// folder given on the command line is shown, but exports still go to the
// working folder.
StartFolders ChooseStartFolders(const std::filesystem::path& programFolder, bool programFolderWritable,
                                const std::filesystem::path& documentsFolder,
                                const std::optional<std::filesystem::path>& folderArgument);

}  // namespace quillmere::platform
