#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "containers/backup_memory_file.h"
#include "model/container_kind.h"
#include "model/outcome.h"
#include "operations/save_transfer.h"
#include "operations/workbench.h"
#include "platform/file_lock.h"

// What the commands of quillmere-cli share: exit statuses, the text forms of
// cells, and loading the container files a command reads or writes.
namespace quillmere::cli {

inline constexpr int kDone = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;

// One JSON value on one line; bytes that are not UTF-8 print as U+FFFD.
template <typename Json>
std::string Dump(const Json& value) {
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// A cell of the tab-separated text forms: a tab or line break in a save name
// would forge columns and rows, so every control character (C0, DEL, C1)
// prints as U+FFFD. JSON escapes them and keeps them exact.
std::string TextCell(std::string_view cell);

// One line of the catalog on `stream`.
void Say(std::ostream& stream, TextId id, std::vector<TextArg> args = {});

// The kind named by --kind ("packed" is a backup memory), else the one the
// file's name stands for, else a backup memory recognised by its content.
std::optional<ContainerKind> ResolveKind(const std::string& kindOption, const std::filesystem::path& file,
                                         std::ostream& err);

// The layout --kind names for a backup memory: packed for "packed",
// word-wide for "bkram" and "bup"; none otherwise (the file tells).
std::optional<backup_ram::RamLayout> LayoutOfKind(const std::string& kindOption);

// The memory --device chose for a file that holds two (internal unless
// told); every command of one run reads it.
backup_ram::Device& ChosenDevice();

// Whether the chosen memory is there: a cartridge is asked for only of a
// file that holds two memories, and a command none of whose files (read in
// `forms`) does is refused with the message and the path of `file`.
bool DeviceFound(const std::vector<backup_ram::MemoryFileForm>& forms, const std::string& file, std::ostream& err);

std::filesystem::path CurrentFolder();

enum class Access { kRead, kWrite };

// Loads `file` into pane `number` as `kind`; false, with the reason on the
// error stream, when it is missing or cannot be read, or when it is to be
// written and is too short to be an SS_MEMS.BIN.
bool LoadPane(Workbench& bench, int number, ContainerKind kind, const std::filesystem::path& file, std::ostream& err,
              Access access = Access::kRead, std::optional<backup_ram::RamLayout> layout = std::nullopt);

// Loads the container a command writes into: the kind its name says, a
// backup memory its content shows, and SS_MEMS.BIN for any other file. Saves go into SS_SAVE.BIN only for a game
// named by --game; false, with the reason, when `needsGame` and none is.
bool LoadWritablePane(Workbench& bench, int number, const std::string& image, const std::string& game, bool needsGame,
                      std::ostream& err);

// The lock a writing command holds from its read to its write, so that two
// commands on one image never lose each other's saves; nothing, after
// "文件正被其他程序使用，请稍后再试！" and the path, when another program holds
// it for the whole wait. A lock file that cannot be made (a read-only folder)
// stops nothing: a write there fails and says so. No lock file is made beside
// a file that is missing, unless the command is to create it.
std::optional<platform::FileLock> LockForWriting(const std::filesystem::path& file, std::ostream& err,
                                                 bool creates = false);

// The 0-based rows that --row (counted from 1) or --all name; nothing, after
// a message, when a row is not listed.
std::optional<std::vector<int>> PickRows(const std::vector<int>& given, bool all, const Pane& pane,
                                         const std::string& file, std::ostream& err);

// --out, else `fallback` under the current folder.
std::filesystem::path OutFolder(const std::string& out, std::string_view fallback);

// Reports an import that did not happen; true when that counts as done.
bool ImportDone(const ImportResult& result, std::ostream& err);

}  // namespace quillmere::cli
