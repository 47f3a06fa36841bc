#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "containers/backup_memory_file.h"
#include "model/container_kind.h"
#include "cli/words.h"
#include "model/outcome.h"
#include "operations/history.h"
#include "operations/pane_load.h"
#include "operations/save_transfer.h"
#include "platform/file_lock.h"

// What the commands of quillmere-cli share: exit statuses, the text forms of
// cells, and loading the container files a command reads or writes.
namespace CLI {
class App;
}

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

// A message of the core, or one of the command line's own, on the error
// stream, as the command line says one (ConsoleHost::Said).
void Say(std::ostream& err, const Message& message);
void Say(std::ostream& err, const CliPhrase& phrase);
void Say(std::ostream& err, CliText line);
// One of the command line's lines, as it reads, on the output (a figure, a caption).
void Print(std::ostream& out, const CliPhrase& phrase);
void Print(std::ostream& out, CliText line);

// What --kind names: a container kind and, for "packed", a backup memory's
// layout. Nothing (an empty option) names nothing.
struct KindOption {
  std::optional<ContainerKind> kind;
  std::optional<backup_ram::RamLayout> layout;
};

// --kind as named; nothing, after "unknown kind", for a name of no kind.
std::optional<KindOption> ParseKindOption(const std::string& option, std::ostream& err);

// The memory --device chose for a file that holds two (internal unless
// told); every command of one run reads it.
backup_ram::Device& ChosenDevice();

// The block size --block-size named for an 8 MiB word-wide memory; every
// command of one run reads it.
std::optional<std::size_t>& ChosenBlockSize();

// Whether the chosen memory is there: a cartridge is asked for only of a
// file that holds two memories, and a command none of whose files (read in
// `forms`) does is refused with the message and the path of `file`.
bool DeviceFound(const std::vector<backup_ram::MemoryFileForm>& forms, const std::string& file, std::ostream& err);

std::filesystem::path CurrentFolder();

// What a command does with the file it opens: reads it (nothing will be
// written, so no stamp is taken), writes it (refused when the opening left
// doubt), or writes it whatever the opening found (format of an unformatted
// memory, which looks at that itself).
enum class Access { kRead, kWrite, kReformat };

// Opens `file` through the opener, as --kind, --device and --block-size
// name it, into `opened`. kDone when it is open; otherwise the reason is on
// the error stream and the status is kFailed (missing, unreadable, not a
// regular file, contradicting --kind, or, to be written, a file no writer
// may act on) or kUsage (an unknown --kind, or a file whose kind nothing tells).
// With `version` (--version N), the file as it was before its N-th last
// write, from its history, is opened instead: read, never written.
int OpenFile(const std::string& file, const std::string& kindOption, Access access, PaneLoad& opened,
             std::ostream& err, int version = 0);

// The bytes of version `version` of `file` (1: before its last write); kFailed,
// after the reason, when there is none such, or it is damaged.
int ReadKeptVersion(const std::string& file, int version, ByteBuffer& bytes, std::ostream& err);

// Adds --version N to a command that reads a container file.
void AddVersionOption(CLI::App& command, int& version);

// Opens the container a command writes into, and for SS_SAVE.BIN the game
// --game names (its 16-byte ID, in `game`). kFailed, with the reason, when
// `needsGame` and none is named; kUsage for an ID no disc can carry.
int OpenWritableFile(const std::string& image, const std::string& kindOption, const std::string& gameOption,
                     bool needsGame, PaneLoad& opened, ByteBuffer& game, std::ostream& err);

// Says a message of the core on the error stream, in the command line's words.
void Tell(std::ostream& err, const Message& message);

// False, after "不是普通文件：" and the path, when `file` (its links followed)
// exists and is no regular file: a folder, a FIFO, a device.
bool RegularOrMissing(const std::filesystem::path& file, std::ostream& err);

// How a command reads an existing container file: --kind, --device and
// --block-size. `status` is kDone, or after the reason kUsage (an unknown
// --kind) or kFailed (missing, or no regular file).
struct NamedReading {
  int status = kDone;
  ContainerReading reading;
};
// A file read from its history (`kept`) need not exist any longer.
NamedReading ReadingOf(const std::string& file, const std::string& kindOption, std::ostream& err,
                       bool kept = false);

// The lock a writing command holds from its read to its write, so that two
// commands on one image never lose each other's saves; nothing, after
// "文件正被其他程序使用，请稍后再试！" and the path, when another program holds
// it for the whole wait. A lock file that cannot be made (a read-only folder)
// stops nothing: a write there fails and says so. No lock file is made beside
// a file that is missing, unless the command is to create it.
std::optional<platform::FileLock> LockForWriting(const std::filesystem::path& file, std::ostream& err,
                                                 bool creates = false);

// The saves that --row (counted from 1, in the order list prints) or --all
// name; nothing, after a message, when a row is not listed.
std::optional<std::vector<SaveRecord>> PickRows(const std::vector<int>& given, bool all, const Container& container,
                                                const std::string& file, std::ostream& err);

// --out, else `fallback` under the current folder.
std::filesystem::path OutFolder(const std::string& out, std::string_view fallback);

// Says which game entries the imports added (a typo in --game adds one too);
// only once the file holding them is written.
void AnnounceNewGames(const std::vector<ImportResult>& results, std::ostream& err);

// Tells a run of imports save by save (what each said, and each save skipped
// for its name), then writes the container once when anything went in. True
// when every save went in or was skipped for its name and the write succeeded.
bool TellRunAndWrite(TransferReport& report, Container& target, WriteOperation operation, std::ostream& err);

}  // namespace quillmere::cli
