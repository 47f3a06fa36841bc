#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere::platform {

using Bytes = std::vector<std::uint8_t>;

// Reads a whole file; a missing or unreadable file reads as empty. Only for
// tests and tools: the program reads with ReadFileChecked, so that an
// unreadable file is never taken for an empty one.
Bytes ReadWholeFile(const std::filesystem::path& path);

bool FileExists(const std::filesystem::path& path);

// No container or single save is this large; a larger file is refused before
// it is read, so a stray disk image cannot exhaust memory.
inline constexpr std::uintmax_t kMaxReadSize = 512ull * 1024 * 1024;

enum class ReadStatus {
  kRead,        // `bytes` holds the whole file
  kMissing,     // no regular file at the path
  kUnreadable,  // it exists, but could not be read whole (permissions, a bad sector)
  kTooLarge,    // larger than kMaxReadSize; nothing was read
};

struct FileContents {
  ReadStatus status = ReadStatus::kMissing;
  Bytes bytes;
  bool ok() const { return status == ReadStatus::kRead; }
};

// Reads a whole file and says why when it could not: a file that exists but
// cannot be read is never mistaken for an empty one.
FileContents ReadFileChecked(const std::filesystem::path& path);

// `folder / name`, or the file in `folder` whose name differs from `name` only
// in letter case (SD cards and Windows folders ignore case; other systems do
// not). When neither exists, `folder / name`.
std::filesystem::path ResolveFileName(const std::filesystem::path& folder, std::string_view name);

// Why the last read (ReadFileChecked) or write (WriteFileAtomic,
// ReplaceFileIfUnchanged) of this thread failed, in the system's words
// ("Permission denied"); empty when it did not, or the system did not say.
std::string LastFailure();

// Replaces `path` with `bytes` so that a crash or a full disk leaves either the
// old file or the new one: a temporary file in the same folder is written,
// flushed and synced, then renamed over the target. Through a symbolic link,
// the link's target is replaced and the link stays. The new file keeps the
// permission bits of the one it replaces, and its owner and group where this
// process may set them; a new file gets the usual default. The temporary
// file's name is short whatever the target's (ShortNamePrefix, then
// ".XXXXXXXX.qmtmp"), and the write first removes this program's temporary
// files in that folder that are more than an hour old (left by a killed
// write). Returns false on any failure (also past a file-size limit), in which
// case the target is untouched and no temporary file is left.
// Unsynced (`synced` false), a crash may lose the new file, never leave half
// of it: for copies that may be lost without losing a save (the history's).
bool WriteFileAtomic(const std::filesystem::path& path, const Bytes& bytes, bool synced = true);

// What a file is without reading it: its size, its modification time and
// which file it is (device and inode; on Windows the volume and file index),
// its links followed.
struct FileIdentity {
  std::uintmax_t size = 0;
  std::filesystem::file_time_type modified{};
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

// Nothing when there is no regular file at `path`.
std::optional<FileIdentity> IdentifyFile(const std::filesystem::path& path);

enum class ReplaceOutcome {
  kReplaced,
  kFailed,   // nothing was written: the write failed, or the file may not be written (read-only)
  kChanged,  // nothing was written: the file is no longer the one `expected` describes
};

// Replaces a container file as WriteFileAtomic does, with two more checks: a
// file this user may not write (a read-only mark, or no permission) is
// refused before anything is written, and once the new bytes are synced, just
// before the rename, the file is compared with `expected` once more (size,
// modification time, identity), so that a program which changed it without
// taking the lock never loses its write.
ReplaceOutcome ReplaceFileIfUnchanged(const std::filesystem::path& path, const Bytes& bytes,
                                      const FileIdentity& expected);

// The file a write to `path` replaces: `path`, or where its chain of symbolic
// links ends (also when that file does not exist yet).
std::filesystem::path ResolveWriteTarget(const std::filesystem::path& path);

// The first 32 bytes of a file name (32 UTF-16 units on Windows), never
// ending inside a character: the stem of the names put beside a file.
std::filesystem::path ShortNamePrefix(const std::filesystem::path& name);

// Whether `name` is one of this program's temporary file names: today's
// "PREFIX.XXXXXXXX.qmtmp" or the former "NAME.tmp-XXXXXXXX".
bool IsTemporaryFileName(const std::filesystem::path& name);

// Creates the folder (and its parents) when missing. True when it exists afterwards.
bool EnsureDirectory(const std::filesystem::path& path);

// The folder that holds the running program.
std::filesystem::path ProgramDirectory();

// Path text for messages and output, UTF-8 on every system.
std::string PathToUtf8(const std::filesystem::path& path);
std::filesystem::path PathFromUtf8(const std::string& text);

}  // namespace quillmere::platform
