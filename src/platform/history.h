#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_io.h"

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

// The bytes a write is about to replace, kept before the rename; the
// version enters the index only once the rename has succeeded (Enter).
struct Pending {
  std::filesystem::path folder;
  std::string blob;
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
  std::uint64_t stored = 0;
};
struct KeepResult {
  std::optional<Pending> pending;
  std::optional<Failure> failure;  // set when no version will be kept (and history is on)
};
// Nothing and no failure when history is off.
KeepResult Keep(const std::filesystem::path& file, const Bytes& previous);

// Enters the kept bytes as the newest version of `file`, then prunes the
// oldest versions past the limits (never this one). Under the history
// folder's lock, so two writers each record theirs. A failure leaves the
// index as it was.
std::optional<Failure> Enter(const std::filesystem::path& file, const Pending& pending, std::string operation,
                             Saves before, Saves after, const Bytes& written);
// Removes the kept bytes of a write that did not happen.
void Discard(const Pending& pending);

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
