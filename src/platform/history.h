#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "platform/file_lock.h"

// The versions a write replaced, kept on this computer (never beside the
// file: an SD card must not fill up with copies), so that any write can be
// taken back. One folder per file, named by a hash of its canonical path,
// holds an index (JSON) and the kept bytes, deflated in chunks.
namespace quillmere::platform::history {

// Where the versions are kept: QUILLMERE_HISTORY when set (nothing when it
// is "off"), else %LOCALAPPDATA%\Quillmere\history on Windows and
// $XDG_DATA_HOME/Quillmere/history (~/.local/share/Quillmere/history) elsewhere.
std::optional<std::filesystem::path> Folder();

// How much is kept: versions per file, and bytes (as stored) in all.
struct Limits {
  std::size_t versions = 50;
  std::uint64_t bytes = 1ull << 30;
  bool operator==(const Limits&) const = default;
};
// The bounds in force: the window's settings (SetConfiguredLimits) or the
// defaults, each overridden by QUILLMERE_HISTORY_VERSIONS and
// QUILLMERE_HISTORY_BYTES where they hold a number.
Limits CurrentLimits();
void SetConfiguredLimits(const Limits& limits);

// The saves a version held: how many, and their names as listed.
struct Saves {
  std::size_t count = 0;
  std::vector<std::string> names;
  bool operator==(const Saves&) const = default;
};

// One kept version: the file as it was before one write.
struct Version {
  std::string blob;           // its bytes' file in the file's history folder
  std::int64_t time = 0;      // when it was replaced, seconds since 1970 (UTC)
  std::string operation;      // the write that replaced it: "import", "delete", ...
  Saves before;               // the saves it held
  Saves after;                // the saves the write left
  std::uint64_t size = 0;     // its bytes
  std::uint32_t crc = 0;      // crc32 of its bytes
  std::uint64_t afterSize = 0;
  std::uint32_t afterCrc = 0; // crc32 of the bytes written over it
  std::uint64_t stored = 0;   // what its blob takes on disk
};

enum class IndexState {
  kNone,     // nothing kept of this file
  kRead,
  kDamaged,  // an index that cannot be read, or is another program's or a later format's: left as it is
  kOff,      // history is off
};

// A file's kept versions, oldest first.
struct FileHistory {
  IndexState state = IndexState::kNone;
  std::filesystem::path index;  // where the index is (or would be)
  std::vector<Version> versions;
};
FileHistory Read(const std::filesystem::path& file);

// Why a version could not be kept, and where.
struct Failure {
  enum class Kind { kFolder, kIndexDamaged } kind = Kind::kFolder;
  std::filesystem::path where;
  std::string reason;  // the system's words, when it gave any
};

// What a write records of the version it replaces, besides its bytes.
struct Entry {
  std::string operation;
  Saves before;
  Saves after;
  const Bytes* written = nullptr;  // the bytes the write puts in their place
};

// A version kept and its index made, beside the file's index, while the
// write puts the new bytes in place; it enters the index (Enter) only once
// the write has succeeded. Holds the history folder's lock until then, so
// two writers each record theirs.
struct Pending {
  std::filesystem::path folder;
  std::string blob;
  std::string line;  // the version's line of the index
  // The index written anew without the versions past the bound (whose blobs
  // go once it has entered), when a batch of them is due.
  std::optional<FileHistory> rewritten;
  std::string canonical;
  std::vector<std::string> pruned;
  std::optional<std::uint64_t> usage;  // what the whole history will keep; nothing: count it afresh
  FileLock lock;
};
struct KeepResult {
  std::optional<Pending> pending;
  std::optional<Failure> failure;  // set when no version will be kept (and history is on)
};
// Keeps `previous`, the bytes of `file` that a write is about to replace.
// Nothing and no failure when history is off.
KeepResult Keep(const std::filesystem::path& file, const Bytes& previous, const Entry& entry);

// Enters the kept version as the newest of its file, and lets the oldest
// versions past the bounds go (never this one). A failure leaves the index as
// it was.
std::optional<Failure> Enter(Pending& pending);
// Removes what was kept for a write that did not happen.
void Discard(Pending& pending);

// The bytes of a version, inflated and checked against its crc32; nothing
// when its blob is missing or damaged.
std::optional<Bytes> VersionBytes(const FileHistory& history, const Version& version);

// What a version of `bytes` takes in the history, as Keep writes it.
Bytes StoredForm(const Bytes& bytes);

// crc32 of `bytes`, as the index records it.
std::uint32_t Crc32(const Bytes& bytes);

// A time of the index in this computer's local time: "2026-12-11 09:30:05".
std::string LocalTimeText(std::int64_t time);

}  // namespace quillmere::platform::history
