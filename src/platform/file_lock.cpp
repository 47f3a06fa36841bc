#include "platform/file_lock.h"

#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cwctype>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace quillmere::platform {

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
using LockHandle = HANDLE;
const LockHandle kNoHandle = INVALID_HANDLE_VALUE;

LockHandle OpenLockFile(const fs::path& path) {
  // Any program may open, replace or delete beside it while it is locked.
  return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
}

bool TryLock(LockHandle handle) {
  OVERLAPPED whole{};
  return LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole);
}

void CloseLockFile(LockHandle handle) {
  OVERLAPPED whole{};
  UnlockFileEx(handle, 0, MAXDWORD, MAXDWORD, &whole);
  CloseHandle(handle);
}
#else
using LockHandle = int;
constexpr LockHandle kNoHandle = -1;

LockHandle OpenLockFile(const fs::path& path) {
  // Read-only is enough for flock, so a lock file another user made still serves.
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool TryLock(LockHandle fd) {
  int result = 0;
  do {
    result = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  return result == 0;
}

void CloseLockFile(LockHandle fd) { ::close(fd); }  // closing the last descriptor unlocks
#endif

// The locks this process holds, one descriptor per lock file: a second
// descriptor of the same file would wait for the first (flock), so a holder
// that takes its own lock again only counts up.
struct HeldLock {
  LockHandle handle = kNoHandle;
  int holders = 0;
};

std::mutex& TableMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<std::string, HeldLock>& Table() {
  static std::map<std::string, HeldLock> table;
  return table;
}

}  // namespace

fs::path LockFilePath(const fs::path& file) {
  const fs::path target = ResolveWriteTarget(file);
  return target.parent_path() /
         (fs::path(".").native() + ShortNamePrefix(target.filename()).native() + fs::path(".qmlock").native());
}

FileLock FileLock::Acquire(const fs::path& file, std::chrono::milliseconds wait) {
  const fs::path lockFile = LockFilePath(file);
  FileLock lock;
  lock.key_ = CanonicalPathText(lockFile);
  const auto deadline = std::chrono::steady_clock::now() + wait;
  LockHandle handle = kNoHandle;
  while (true) {
    {
      std::lock_guard guard(TableMutex());
      auto held = Table().find(lock.key_);
      if (held != Table().end()) {
        ++held->second.holders;
        lock.status_ = LockStatus::kHeld;
        break;
      }
      if (handle == kNoHandle) handle = OpenLockFile(lockFile);
      if (handle == kNoHandle) {
        lock.status_ = LockStatus::kFailed;
        break;
      }
      if (TryLock(handle)) {
        Table()[lock.key_] = HeldLock{handle, 1};
        handle = kNoHandle;
        lock.status_ = LockStatus::kHeld;
        break;
      }
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      lock.status_ = LockStatus::kBusy;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (handle != kNoHandle) CloseLockFile(handle);
  return lock;
}

void FileLock::Release() {
  if (status_ != LockStatus::kHeld) return;
  status_ = LockStatus::kFailed;
  std::lock_guard guard(TableMutex());
  auto held = Table().find(key_);
  if (held == Table().end() || --held->second.holders > 0) return;
  CloseLockFile(held->second.handle);
  Table().erase(held);
}

FileLock::~FileLock() { Release(); }

FileLock::FileLock(FileLock&& other) noexcept
    : key_(std::move(other.key_)), status_(std::exchange(other.status_, LockStatus::kFailed)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    key_ = std::move(other.key_);
    status_ = std::exchange(other.status_, LockStatus::kFailed);
  }
  return *this;
}

namespace {

constexpr std::uint64_t kHashMultiplier = 0x9E3779B97F4A7C15ull;

// A bijective step: for a given state, each word leads to another state.
std::uint64_t HashStep(std::uint64_t state, std::uint64_t word) {
  state = (state ^ word) * kHashMultiplier;
  return state ^ (state >> 32);
}

}  // namespace

std::uint64_t ContentHash(const Bytes& bytes) {
  // Four lanes of 8-byte words, for speed, folded in turn. Every step is
  // bijective, so a change confined to one word always changes the result;
  // other changes do but by a 2^-64 chance.
  std::uint64_t lanes[4] = {0x243F6A8885A308D3ull, 0x13198A2E03707344ull, 0xA4093822299F31D0ull, 0x082EFA98EC4E6C89ull};
  std::size_t at = 0;
  for (; at + 32 <= bytes.size(); at += 32) {
    for (std::size_t lane = 0; lane < 4; ++lane) {
      std::uint64_t word = 0;
      std::memcpy(&word, bytes.data() + at + 8 * lane, 8);
      lanes[lane] = HashStep(lanes[lane], word);
    }
  }
  std::uint64_t hash = bytes.size();
  for (const std::uint64_t lane : lanes) hash = HashStep(hash, lane);
  for (; at < bytes.size(); ++at) hash = HashStep(hash, bytes[at]);
  return HashStep(hash, 0);
}

FileStamp StampFile(const fs::path& file, const Bytes& content) {
  FileStamp stamp;
  stamp.size = content.size();
  if (const auto identity = IdentifyFile(file)) {
    stamp.modified = identity->modified;
    stamp.device = identity->device;
    stamp.inode = identity->inode;
  }
  stamp.contentHash = ContentHash(content);
  return stamp;
}

std::optional<Bytes> ReadIfMatchesStamp(const fs::path& file, const FileStamp& stamp) {
  if (IdentifyFile(file) != stamp.Identity()) return std::nullopt;
  FileContents contents = ReadFileChecked(file);
  if (!contents.ok() || contents.bytes.size() != stamp.size || ContentHash(contents.bytes) != stamp.contentHash) {
    return std::nullopt;
  }
  return std::move(contents.bytes);
}

bool FileMatchesStamp(const fs::path& file, const FileStamp& stamp) { return ReadIfMatchesStamp(file, stamp).has_value(); }

std::string CanonicalPathText(const fs::path& path) {
  std::error_code ec;
  // Absolute first: a bare name whose file is not there yet would stay
  // relative, and the same lock taken again once it exists would wait on itself.
  const fs::path absolute = fs::absolute(path, ec).lexically_normal();
  fs::path full = fs::weakly_canonical(absolute, ec);
  if (ec) full = absolute;
#ifdef _WIN32
  // Windows names ignore letter case.
  std::wstring text = full.native();
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return PathToUtf8(fs::path(text));
#else
  return PathToUtf8(full);
#endif
}

}  // namespace quillmere::platform
