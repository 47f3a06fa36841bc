#include "platform/file_io.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <random>
#include <system_error>

#include "platform/ascii.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#elif defined(__APPLE__)
#include <fcntl.h>
#include <mach-o/dyld.h>
#include <unistd.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#endif

namespace quillmere::platform {

namespace fs = std::filesystem;

namespace {

// The system's words for the last failed read or write of this thread.
thread_local std::string lastFailure;

void NoteFailure(std::error_code code) { lastFailure = code.message(); }

// errno, or on Windows the last error of the system call that failed.
void NoteSystemFailure() {
#ifdef _WIN32
  NoteFailure({static_cast<int>(GetLastError()), std::system_category()});
#else
  NoteFailure({errno, std::generic_category()});
#endif
}

}  // namespace

std::string LastFailure() { return lastFailure; }

Bytes ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  in.seekg(0, std::ios::end);
  const std::streamoff length = in.tellg();
  if (length <= 0) return {};
  in.seekg(0, std::ios::beg);
  Bytes bytes(static_cast<std::size_t>(length));
  in.read(reinterpret_cast<char*>(bytes.data()), length);
  if (in.gcount() != length) return {};
  return bytes;
}

FileContents ReadFileChecked(const fs::path& path) {
  FileContents contents;
  lastFailure.clear();
  if (!FileExists(path)) return contents;
  std::error_code ec;
  const std::uintmax_t length = fs::file_size(path, ec);
  if (ec) {
    NoteFailure(ec);
    contents.status = ReadStatus::kUnreadable;
    return contents;
  }
  if (length > kMaxReadSize) {
    contents.status = ReadStatus::kTooLarge;
    return contents;
  }
  std::ifstream in(path, std::ios::binary);
  contents.status = ReadStatus::kUnreadable;
  if (!in) {
    NoteSystemFailure();
    return contents;
  }
  Bytes bytes(static_cast<std::size_t>(length));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length));
  // A short read is a failed read; one more byte means the file grew under us.
  if (static_cast<std::uintmax_t>(in.gcount()) != length || in.bad()) return contents;
  if (in.peek() != std::char_traits<char>::eof()) return contents;
  contents.status = ReadStatus::kRead;
  contents.bytes = std::move(bytes);
  return contents;
}

bool FileExists(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

fs::path ResolveFileName(const fs::path& folder, std::string_view name) {
  const fs::path exact = folder / PathFromUtf8(std::string(name));
  // Windows opens the file in any letter case, so there only the listing
  // tells the name as stored.
#ifndef _WIN32
  if (FileExists(exact)) return exact;
#endif
  const std::string wanted = AsciiLower(name);
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (AsciiLower(PathToUtf8(it->path().filename())) == wanted && FileExists(it->path())) return it->path();
  }
  return exact;
}

namespace {

std::string RandomSuffix() {
  std::random_device device;
  std::uniform_int_distribution<unsigned> digit(0, 35);
  std::string suffix;
  for (int i = 0; i < 8; ++i) suffix += "0123456789abcdefghijklmnopqrstuvwxyz"[digit(device)];
  return suffix;
}

#ifdef _WIN32
bool WriteAndSync(const fs::path& temp, const Bytes& bytes, bool synced) {
  HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::size_t done = 0;
  bool ok = true;
  while (ok && done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    ok = WriteFile(file, bytes.data() + done, chunk, &written, nullptr) && written == chunk;
    done += written;
  }
  ok = ok && (!synced || FlushFileBuffers(file));
  CloseHandle(file);
  return ok;
}

bool ReplaceWith(const fs::path& temp, const fs::path& target, bool synced) {
  // Windows refuses to replace a read-only file, where a rename on Linux does
  // not. The new file takes over the read-only mark, as it keeps the old
  // file's permission bits there; the old file gets its mark back if the
  // replace fails after all.
  const DWORD attributes = GetFileAttributesW(target.c_str());
  const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (readOnly && (!SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_READONLY) ||
                   !SetFileAttributesW(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))) {
    SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
    return false;
  }
  if (MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | (synced ? MOVEFILE_WRITE_THROUGH : 0))) {
    return true;
  }
  if (readOnly) {
    SetFileAttributesW(target.c_str(), attributes);
    SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);  // so that it can be removed
  }
  return false;
}
#else
// `existing`: the file being replaced, whose owner, group and permission bits
// the new file takes; a new file takes the usual default (0666 less the umask).
bool WriteAndSync(const fs::path& temp, const Bytes& bytes, const std::optional<struct stat>& existing, bool synced) {
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  std::size_t done = 0;
  // The owner first, as a change of owner may clear set-id bits. Only root
  // may give a file away; anyone else keeps the file as their own.
  if (existing && ::fchown(fd, existing->st_uid, existing->st_gid) != 0) {
    // Not allowed: the file stays this user's.
  }
  // fchmod, unlike open, ignores the umask, so the replaced file's bits come back exactly.
  bool ok = !existing || ::fchmod(fd, existing->st_mode & 07777) == 0;
  while (ok && done < bytes.size()) {
    const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      ok = false;
    } else {
      done += static_cast<std::size_t>(written);
    }
  }
#ifdef __APPLE__
  ok = ok && (!synced || ::fcntl(fd, F_FULLFSYNC) == 0);
#else
  ok = ok && (!synced || ::fsync(fd) == 0);
#endif
  ok = (::close(fd) == 0) && ok;
  return ok;
}

bool ReplaceWith(const fs::path& temp, const fs::path& target, bool synced) {
  if (std::rename(temp.c_str(), target.c_str()) != 0) return false;
  if (!synced) return true;
  // Sync the folder so the rename itself survives a power cut.
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  const int dir = ::open(folder.c_str(), O_RDONLY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}
#endif

}  // namespace

fs::path ResolveWriteTarget(const fs::path& path) {
  fs::path target = path;
  // A bound, as the system's own: a loop of links resolves to where it stops.
  for (int hop = 0; hop < 40; ++hop) {
    std::error_code ec;
    if (!fs::is_symlink(target, ec)) break;
    const fs::path link = fs::read_symlink(target, ec);
    if (ec) break;
    target = link.is_absolute() ? link : target.parent_path() / link;
  }
  return target;
}

fs::path ShortNamePrefix(const fs::path& name) {
  constexpr std::size_t kPrefixUnits = 32;
  auto text = name.native();
  if (text.size() <= kPrefixUnits) return name;
  std::size_t cut = kPrefixUnits;
#ifdef _WIN32
  if (text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF) --cut;  // the first half of a pair
#else
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // inside a UTF-8 sequence
#endif
  text.resize(cut);
  return fs::path(text);
}

namespace {

bool IsSuffixChar(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'); }

// Whether `text` ends in `marker` and eight suffix characters, or (`after`)
// eight suffix characters and `marker`.
bool EndsInSuffix(const std::string& text, std::string_view marker, bool after) {
  if (text.size() < marker.size() + 8 + 1) return false;
  const std::size_t suffixAt = after ? text.size() - marker.size() - 8 : text.size() - 8;
  const std::size_t markerAt = after ? text.size() - marker.size() : text.size() - 8 - marker.size();
  if (text.compare(markerAt, marker.size(), marker) != 0) return false;
  for (std::size_t i = suffixAt; i < suffixAt + 8; ++i) {
    if (!IsSuffixChar(text[i])) return false;
  }
  return after ? text[suffixAt - 1] == '.' : true;
}

// Removes this program's temporary files in `folder` that a write killed
// more than an hour ago left behind; no write takes that long. Lock files are
// never temporary files.
void RemoveStaleTemporaryFiles(const fs::path& folder) {
  const auto limit = fs::file_time_type::clock::now() - std::chrono::hours(1);
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code entryError;
    if (!IsTemporaryFileName(it->path().filename()) || !it->is_regular_file(entryError) || it->is_symlink(entryError)) {
      continue;
    }
    const auto modified = fs::last_write_time(it->path(), entryError);
    if (!entryError && modified < limit) fs::remove(it->path(), entryError);
  }
}

}  // namespace

bool IsTemporaryFileName(const fs::path& name) {
  const std::string text = PathToUtf8(name);
  return EndsInSuffix(text, ".qmtmp", true) || EndsInSuffix(text, ".tmp-", false);
}

std::optional<FileIdentity> IdentifyFile(const fs::path& path) {
#if !defined(_WIN32) && !defined(__APPLE__)
  // One stat, which tells all that is_regular_file, file_size and
  // last_write_time would tell in three, the time converted as they convert it.
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  using namespace std::chrono;
  if (status.st_mtim.tv_sec >= nanoseconds::max().count() / 1000000000) return std::nullopt;  // as last_write_time fails
  FileIdentity identity;
  identity.size = static_cast<std::uintmax_t>(status.st_size);
  identity.modified =
      file_clock::from_sys(system_clock::time_point{seconds{status.st_mtim.tv_sec} + nanoseconds{status.st_mtim.tv_nsec}});
  identity.device = static_cast<std::uint64_t>(status.st_dev);
  identity.inode = static_cast<std::uint64_t>(status.st_ino);
  return identity;
#else
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  FileIdentity identity;
  identity.size = fs::file_size(path, ec);
  if (ec) return std::nullopt;
  identity.modified = fs::last_write_time(path, ec);
  if (ec) return std::nullopt;
#ifdef _WIN32
  HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION information{};
  const bool known = GetFileInformationByHandle(file, &information);
  CloseHandle(file);
  if (!known) return std::nullopt;
  identity.device = information.dwVolumeSerialNumber;
  identity.inode = (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow;
#else
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  identity.device = static_cast<std::uint64_t>(status.st_dev);
  identity.inode = static_cast<std::uint64_t>(status.st_ino);
#endif
  return identity;
#endif
}

namespace {

// Whether this user may change the file at `target`: it carries no read-only
// mark (no write bit at all, even for root, who could write it anyway) and
// the system lets this user write it.
bool MayWrite(const fs::path& target) {
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesW(target.c_str());
  return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0;
#else
  struct stat status {};
  if (::stat(target.c_str(), &status) != 0) return true;  // a new file
  return (status.st_mode & 0222) != 0 && ::access(target.c_str(), W_OK) == 0;
#endif
}

// The atomic write; with `expected`, the two checks of ReplaceFileIfUnchanged.
ReplaceOutcome WriteAtomically(const fs::path& path, const Bytes& bytes, const std::optional<FileIdentity>& expected,
                               bool synced) {
  const fs::path target = ResolveWriteTarget(path);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::error_code ec;
  lastFailure.clear();
  if (!fs::is_directory(folder, ec)) {
    NoteFailure(std::make_error_code(fs::exists(folder, ec) ? std::errc::not_a_directory
                                                            : std::errc::no_such_file_or_directory));
    return ReplaceOutcome::kFailed;
  }
  // Never replace a folder.
  if (fs::exists(target, ec) && !fs::is_regular_file(target, ec)) {
    NoteFailure(std::make_error_code(std::errc::is_a_directory));
    return ReplaceOutcome::kFailed;
  }
  if (expected && !MayWrite(target)) {
    NoteFailure(std::make_error_code(std::errc::permission_denied));
    return ReplaceOutcome::kFailed;
  }
  RemoveStaleTemporaryFiles(folder);
  const fs::path temp =
      folder / (ShortNamePrefix(target.filename()).native() + fs::path("." + RandomSuffix() + ".qmtmp").native());
#ifdef _WIN32
  const bool written = WriteAndSync(temp, bytes, synced);
#else
  // Past a file-size limit (ulimit -f) the write must fail like any other, so
  // the temporary file is removed, rather than end the program by SIGXFSZ.
  // Set on every write (sigaction is thread-safe), so that code which saved
  // and restored the old disposition cannot undo it.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGXFSZ, &ignore, nullptr);
  // The new file keeps the owner and permissions of the one it replaces.
  std::optional<struct stat> existing;
  struct stat status {};
  if (::stat(target.c_str(), &status) == 0) existing = status;
  const bool written = WriteAndSync(temp, bytes, existing, synced);
#endif
  // The sync takes time: another program may have written the file meanwhile.
  if (written && expected && IdentifyFile(target) != expected) {
    fs::remove(temp, ec);
    return ReplaceOutcome::kChanged;
  }
  if (!written || !ReplaceWith(temp, target, synced)) {
    NoteSystemFailure();
    fs::remove(temp, ec);
    return ReplaceOutcome::kFailed;
  }
  return ReplaceOutcome::kReplaced;
}

}  // namespace

bool WriteFileAtomic(const fs::path& path, const Bytes& bytes, bool synced) {
  return WriteAtomically(path, bytes, std::nullopt, synced) == ReplaceOutcome::kReplaced;
}

ReplaceOutcome ReplaceFileIfUnchanged(const fs::path& path, const Bytes& bytes, const FileIdentity& expected) {
  return WriteAtomically(path, bytes, expected, true);
}

bool EnsureDirectory(const fs::path& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) return true;
  fs::create_directories(path, ec);
  return fs::is_directory(path, ec);
}

fs::path ProgramDirectory() {
#ifdef _WIN32
  std::wstring buffer(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  buffer.resize(length);
  return fs::path(buffer).parent_path();
#elif defined(__APPLE__)
  uint32_t size = 0;
  _NSGetExecutablePath(nullptr, &size);
  std::string buffer(size, '\0');
  if (_NSGetExecutablePath(buffer.data(), &size) != 0) return fs::current_path();
  std::error_code ec;
  const fs::path resolved = fs::canonical(buffer.c_str(), ec);
  return ec ? fs::path(buffer.c_str()).parent_path() : resolved.parent_path();
#else
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::current_path() : self.parent_path();
#endif
}

std::string PathToUtf8(const fs::path& path) {
  const auto text = path.u8string();
  return std::string(text.begin(), text.end());
}

fs::path PathFromUtf8(const std::string& text) {
  return fs::path(std::u8string(text.begin(), text.end()));
}

}  // namespace quillmere::platform
