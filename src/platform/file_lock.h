#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/file_io.h"

// What keeps two writers of one container from losing each other's saves: an
// advisory lock held from the read to the rename, and a stamp of the file as
// it was read, compared before it is replaced.
namespace quillmere::platform {

// How long a writer waits for another program to finish with the file.
inline constexpr std::chrono::milliseconds kLockWait{10000};

enum class LockStatus {
  kHeld,    // this process holds the lock
  kBusy,    // another program held it for the whole wait
  kFailed,  // no lock file could be opened or created (a read-only folder, a missing one)
};

// An exclusive advisory lock on a file (flock on POSIX, LockFileEx on
// Windows), taken on a lock file beside it (LockFilePath) that is never
// removed, so it outlives the renames that replace the file: two writers can
// never both hold it. It is re-entrant within a process (one lock per lock
// file, counted), so a command holding it can call writers that take it too.
// Released when the last holder in the process goes.
class FileLock {
 public:
  FileLock() = default;
  ~FileLock();
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Locks the file that writes to `file` replace (the target of a link),
  // waiting up to `wait` while another program holds it.
  static FileLock Acquire(const std::filesystem::path& file, std::chrono::milliseconds wait = kLockWait);

  LockStatus status() const { return status_; }
  bool held() const { return status_ == LockStatus::kHeld; }

 private:
  void Release();
  std::string key_;  // the lock file, in the process's table of held locks
  LockStatus status_ = LockStatus::kFailed;
};

// The lock file of `file`: beside the file a write replaces, a hidden file
// named "." and the first bytes of its name (ShortNamePrefix) and ".qmlock",
// so that its name is never too long: ".SS_MEMS.BIN.qmlock". Two names that
// differ only in letter case share it where the folder ignores case, as they
// share the file.
std::filesystem::path LockFilePath(const std::filesystem::path& file);

// The file as it was read: its size, modification time, which file it is,
// and a 64-bit hash of its content.
struct FileStamp {
  std::uintmax_t size = 0;
  std::filesystem::file_time_type modified{};
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t contentHash = 0;
  bool operator==(const FileStamp&) const = default;
  FileIdentity Identity() const { return {size, modified, device, inode}; }
};

// The stamp of `file`, whose content `content` was just read.
FileStamp StampFile(const std::filesystem::path& file, const Bytes& content);

// Whether `file` is still the one `stamp` was taken of: same size, same
// modification time, the same file, same content. A file that is gone or unreadable is not.
bool FileMatchesStamp(const std::filesystem::path& file, const FileStamp& stamp);
// The same check, keeping what it read: the file's bytes when it is still
// the one `stamp` was taken of.
std::optional<Bytes> ReadIfMatchesStamp(const std::filesystem::path& file, const FileStamp& stamp);

// One text per file however its path was spelled: absolute, its links
// resolved, and on Windows in one letter case. Locks and the history of
// versions key files by it.
std::string CanonicalPathText(const std::filesystem::path& path);

// A 64-bit hash of `bytes`; any change of content changes it but by chance.
std::uint64_t ContentHash(const Bytes& bytes);

}  // namespace quillmere::platform
