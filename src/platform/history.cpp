#include "platform/history.h"

#include <zlib.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <mutex>
#include <random>
#include <string_view>
#include <thread>

#include "platform/file_lock.h"

namespace quillmere::platform::history {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

namespace {

constexpr int kIndexFormat = 1;
// The index is JSON Lines: a first line naming the format and the file, then
// one line per version, oldest first. A version enters it as one appended
// line: replacing a whole file by a rename costs this kind of disk a third of
// a millisecond, an append next to nothing. The oldest lines go in batches
// (kPruneSlack at a time past the bound), when the index is written anew.
constexpr const char* kIndexFile = "index.jsonl";
constexpr std::size_t kPruneSlack = 10;
// A blob is its magic, then chunks of at most kChunk bytes, each as 4 bytes
// of its length and 4 of what it takes (both big-endian), then that many
// bytes: none for a chunk of zeros (an SS_MEMS.BIN or an SS_SAVE.BIN is mostly
// zeros, and finding them costs next to nothing), its own length for a chunk
// kept as it is, fewer for one deflated. Deflating at zlib's fastest level
// keeps a write of a full 8 MiB image quick.
constexpr std::string_view kBlobMagic = "QMHIST1\n";
constexpr std::size_t kChunk = 64u * 1024;
constexpr std::size_t kChunkHeader = 8;

std::optional<fs::path> EnvironmentPath(const char* name) {
#ifdef _WIN32
  std::wstring wide(name, name + std::char_traits<char>::length(name));
  const wchar_t* value = _wgetenv(wide.c_str());
  if (!value || !*value) return std::nullopt;
  return fs::path(value);
#else
  const char* value = std::getenv(name);
  if (!value || !*value) return std::nullopt;
  return fs::path(value);
#endif
}

std::optional<std::uint64_t> EnvironmentNumber(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) return std::nullopt;
  const std::string_view text(value);
  if (text.find_first_not_of("0123456789") != std::string_view::npos || text.size() > 18) return std::nullopt;
  return std::stoull(std::string(text));
}

std::mutex& LimitsMutex() {
  static std::mutex mutex;
  return mutex;
}
Limits& Configured() {
  static Limits limits;
  return limits;
}

// The folder of one file's versions: a hash of its canonical path, so that
// every spelling of the path (a link, another letter case on Windows) finds it.
fs::path FileFolder(const fs::path& root, const std::string& canonical) {
  std::uint64_t hash = 0xCBF29CE484222325ull;  // FNV-1a
  for (const char c : canonical) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
  static constexpr char kHex[] = "0123456789abcdef";
  std::string name(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) name[static_cast<std::size_t>(i)] = kHex[hash & 0xF];
  return root / name;
}

// Creates the folder when missing, readable by this user alone.
bool EnsurePrivateFolder(const fs::path& folder, std::string& reason) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    fs::create_directories(folder, ec);
    if (ec) {
      reason = ec.message();
      return false;
    }
#ifndef _WIN32
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
#endif
  }
  return fs::is_directory(folder, ec);
}

void PutBigEndian(Bytes& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint32_t GetBigEndian(const Bytes& in, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | in[at + i];
  return value;
}

bool AllZero(const std::uint8_t* bytes, std::size_t length) {
  std::size_t at = 0;
  for (; at + 8 <= length; at += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes + at, 8);
    if (word != 0) return false;
  }
  for (; at < length; ++at) {
    if (bytes[at] != 0) return false;
  }
  return true;
}

// Chunks [from, to) of `bytes`, each with its header.
Bytes DeflateChunks(const Bytes& bytes, std::size_t from, std::size_t to) {
  Bytes out;
  std::vector<Bytef> chunk(compressBound(kChunk));
  for (std::size_t at = from * kChunk; at < bytes.size() && at < to * kChunk; at += kChunk) {
    const std::size_t length = std::min(kChunk, bytes.size() - at);
    const std::uint8_t* raw = bytes.data() + at;
    PutBigEndian(out, static_cast<std::uint32_t>(length));
    if (AllZero(raw, length)) {
      PutBigEndian(out, 0);
      continue;
    }
    uLongf deflated = static_cast<uLongf>(chunk.size());
    const bool smaller = compress2(chunk.data(), &deflated, raw, static_cast<uLong>(length), Z_BEST_SPEED) == Z_OK &&
                         deflated < length;
    PutBigEndian(out, static_cast<std::uint32_t>(smaller ? deflated : length));
    if (smaller) {
      out.insert(out.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(deflated));
    } else {
      out.insert(out.end(), raw, raw + length);
    }
  }
  return out;
}

// A large file's chunks are deflated in two halves at once: a full 8 MiB
// image takes zlib some 60 ms alone.
Bytes Deflate(const Bytes& bytes) {
  constexpr std::size_t kHalvesFrom = 16;  // chunks: below a megabyte a second thread costs more than it saves
  const std::size_t chunks = (bytes.size() + kChunk - 1) / kChunk;
  Bytes out(kBlobMagic.begin(), kBlobMagic.end());
  if (chunks < kHalvesFrom) {
    const Bytes all = DeflateChunks(bytes, 0, chunks);
    out.insert(out.end(), all.begin(), all.end());
    return out;
  }
  Bytes second;
  std::thread helper([&] { second = DeflateChunks(bytes, chunks / 2, chunks); });
  const Bytes first = DeflateChunks(bytes, 0, chunks / 2);
  helper.join();
  out.insert(out.end(), first.begin(), first.end());
  out.insert(out.end(), second.begin(), second.end());
  return out;
}

// The blob's bytes, exactly `size` of them, or nothing for any damage.
std::optional<Bytes> Inflate(const Bytes& blob, std::uint64_t size) {
  if (size > kMaxReadSize || blob.size() < kBlobMagic.size() ||
      !std::equal(kBlobMagic.begin(), kBlobMagic.end(), blob.begin())) {
    return std::nullopt;
  }
  Bytes out(static_cast<std::size_t>(size));
  std::size_t written = 0;
  std::size_t at = kBlobMagic.size();
  while (at < blob.size()) {
    if (blob.size() - at < kChunkHeader) return std::nullopt;
    const std::uint32_t length = GetBigEndian(blob, at);
    const std::uint32_t stored = GetBigEndian(blob, at + 4);
    at += kChunkHeader;
    if (length == 0 || length > kChunk || length > out.size() - written || stored > length ||
        stored > blob.size() - at) {
      return std::nullopt;
    }
    if (stored == length) {
      std::memcpy(out.data() + written, blob.data() + at, length);
    } else if (stored > 0) {
      uLongf inflated = length;
      if (uncompress(out.data() + written, &inflated, blob.data() + at, stored) != Z_OK || inflated != length) {
        return std::nullopt;
      }
    }  // else a chunk of zeros, as `out` already holds
    written += length;
    at += stored;
  }
  if (written != out.size()) return std::nullopt;
  return out;
}

json SavesJson(const Saves& saves) { return {{"count", saves.count}, {"names", saves.names}}; }
Saves SavesOf(const json& value) { return {value.at("count").get<std::size_t>(), value.at("names").get<std::vector<std::string>>()}; }

json VersionJson(const Version& version) {
  return {{"blob", version.blob},   {"time", version.time},           {"operation", version.operation},
          {"before", SavesJson(version.before)},                      {"after", SavesJson(version.after)},
          {"size", version.size},   {"crc32", version.crc},           {"afterSize", version.afterSize},
          {"afterCrc32", version.afterCrc}, {"stored", version.stored}};
}

Version VersionOf(const json& value) {
  Version version;
  version.blob = value.at("blob").get<std::string>();
  version.time = value.at("time").get<std::int64_t>();
  version.operation = value.at("operation").get<std::string>();
  version.before = SavesOf(value.at("before"));
  version.after = SavesOf(value.at("after"));
  version.size = value.at("size").get<std::uint64_t>();
  version.crc = value.at("crc32").get<std::uint32_t>();
  version.afterSize = value.at("afterSize").get<std::uint64_t>();
  version.afterCrc = value.at("afterCrc32").get<std::uint32_t>();
  version.stored = value.at("stored").get<std::uint64_t>();
  // A blob names a file in this folder and nothing outside it.
  const fs::path blob = PathFromUtf8(version.blob);
  if (version.blob.empty() || blob.filename() != blob || version.blob == "." || version.blob == "..") {
    throw std::invalid_argument("blob");
  }
  return version;
}

std::string HeaderLine(const std::string& canonical) {
  return json{{"format", kIndexFormat}, {"file", canonical}}.dump(-1, ' ', false, json::error_handler_t::replace) +
         "\n";
}

std::string VersionLine(const Version& version) {
  return VersionJson(version).dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

// The index at `index`, which must be the history of `canonical`: every
// version it lists. A last line cut short (an append a crash broke off) is
// left out; any other damage makes the whole index damaged.
FileHistory ReadIndex(const fs::path& index, const std::string& canonical) {
  FileHistory history;
  history.index = index;
  const FileContents contents = ReadFileChecked(index);
  if (contents.status == ReadStatus::kMissing) return history;
  history.state = IndexState::kDamaged;
  if (!contents.ok()) return history;
  const std::string text(contents.bytes.begin(), contents.bytes.end());
  std::size_t at = 0;
  bool header = true;
  try {
    while (at < text.size()) {
      const std::size_t end = text.find('\n', at);
      if (end == std::string::npos && !header) break;  // a torn append
      const json value = json::parse(text.substr(at, end == std::string::npos ? end : end - at), nullptr, false);
      if (value.is_discarded()) throw std::invalid_argument("line");
      if (header) {
        if (value.at("format").get<int>() != kIndexFormat || value.at("file").get<std::string>() != canonical) {
          return history;
        }
        header = false;
      } else {
        history.versions.push_back(VersionOf(value));
      }
      if (end == std::string::npos) break;
      at = end + 1;
    }
  } catch (const std::exception&) {
    history.versions.clear();
    return history;
  }
  if (header) return history;
  history.state = IndexState::kRead;
  return history;
}

bool WriteIndex(const FileHistory& history, const std::string& canonical, std::string& reason) {
  std::string text = HeaderLine(canonical);
  for (const Version& version : history.versions) text += VersionLine(version);
  if (WriteFileAtomic(history.index, Bytes(text.begin(), text.end()), false)) return true;
  reason = LastFailure();
  return false;
}

// Adds `text` at the end of `file`; false, with the system's reason, when it could not.
bool Append(const fs::path& file, const std::string& text, std::string& reason) {
  std::ofstream out(file, std::ios::binary | std::ios::app);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (out) return true;
  reason = std::error_code(errno, std::generic_category()).message();
  return false;
}

// What the whole history keeps, as stored: a running count beside the
// folders, so that a write need not read every index. Written in place (a
// count torn by a crash reads as none), and counted afresh from the indexes
// when it is missing or damaged, and whenever it passes the bound.
constexpr const char* kUsageFile = "usage";
constexpr std::size_t kUsageDigits = 20;

std::optional<std::uint64_t> ReadUsage(const fs::path& root) {
  const FileContents contents = ReadFileChecked(root / kUsageFile);
  if (!contents.ok() || contents.bytes.size() != kUsageDigits + 1 || contents.bytes.back() != '\n') return std::nullopt;
  std::uint64_t bytes = 0;
  for (std::size_t i = 0; i < kUsageDigits; ++i) {
    const std::uint8_t digit = contents.bytes[i];
    if (digit < '0' || digit > '9' || bytes > (UINT64_MAX - 9) / 10) return std::nullopt;
    bytes = bytes * 10 + (digit - '0');
  }
  return bytes;
}

void WriteUsage(const fs::path& root, std::uint64_t bytes) {
  std::string text = std::to_string(bytes);
  text = std::string(kUsageDigits - std::min(kUsageDigits, text.size()), '0') + text + "\n";
  const fs::path file = root / kUsageFile;
  // In place where it exists: no new file, no rename.
  std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
  if (!out.is_open()) out.open(file, std::ios::binary | std::ios::out | std::ios::trunc);
  out.seekp(0);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void RemoveBlob(const fs::path& folder, const Version& version) {
  std::error_code ec;
  fs::remove(folder / PathFromUtf8(version.blob), ec);
}

// Every readable index of the history (damaged ones are left alone and not
// counted), pruned oldest first until what they keep fits `bound`; `keep`
// (the folder and blob just entered) is never pruned. Returns what is kept.
std::uint64_t PruneAll(const fs::path& root, std::uint64_t bound, const fs::path& keepFolder, const std::string& keep) {
  struct Indexed {
    FileHistory history;
    std::string canonical;
    bool changed = false;
  };
  std::vector<Indexed> indexes;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(root, ec)) {
    if (!entry.is_directory(ec)) continue;
    const fs::path index = entry.path() / kIndexFile;
    const FileContents contents = ReadFileChecked(index);
    if (!contents.ok()) continue;
    const std::string text(contents.bytes.begin(), contents.bytes.end());
    const json header = json::parse(text.substr(0, text.find('\n')), nullptr, false);
    if (header.is_discarded() || !header.is_object() || !header.contains("file") || !header["file"].is_string()) continue;
    const std::string canonical = header["file"].get<std::string>();
    FileHistory history = ReadIndex(index, canonical);
    if (history.state == IndexState::kRead) indexes.push_back({std::move(history), canonical, false});
  }
  struct Candidate {
    std::int64_t time;
    std::size_t index;
    std::string blob;
  };
  std::vector<Candidate> candidates;
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < indexes.size(); ++i) {
    for (const Version& version : indexes[i].history.versions) {
      total += version.stored;
      if (!(indexes[i].history.index.parent_path() == keepFolder && version.blob == keep)) {
        candidates.push_back({version.time, i, version.blob});
      }
    }
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const Candidate& a, const Candidate& b) { return a.time < b.time; });
  for (const Candidate& candidate : candidates) {
    if (total <= bound) break;
    Indexed& indexed = indexes[candidate.index];
    auto& versions = indexed.history.versions;
    const auto found = std::find_if(versions.begin(), versions.end(),
                                    [&](const Version& version) { return version.blob == candidate.blob; });
    total -= found->stored;
    RemoveBlob(indexed.history.index.parent_path(), *found);
    versions.erase(found);
    indexed.changed = true;
  }
  for (const Indexed& indexed : indexes) {
    std::string reason;
    if (indexed.changed) WriteIndex(indexed.history, indexed.canonical, reason);
  }
  return total;
}

std::string NewBlobName() {
  static std::mutex mutex;
  static std::mt19937_64 random{std::random_device{}()};
  const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
  std::lock_guard guard(mutex);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string suffix(8, '0');
  std::uint64_t bits = random();
  for (char& c : suffix) {
    c = kHex[bits & 0xF];
    bits >>= 4;
  }
  return std::to_string(now) + "-" + suffix + ".qmv";
}

}  // namespace

std::optional<fs::path> Folder() {
  if (const auto set = EnvironmentPath("QUILLMERE_HISTORY")) {
    if (set->native() == fs::path("off").native()) return std::nullopt;
    return *set;
  }
#ifdef _WIN32
  if (const auto local = EnvironmentPath("LOCALAPPDATA")) return *local / "Quillmere" / "history";
#else
  if (const auto data = EnvironmentPath("XDG_DATA_HOME"); data && data->is_absolute()) {
    return *data / "Quillmere" / "history";
  }
  if (const auto home = EnvironmentPath("HOME")) return *home / ".local" / "share" / "Quillmere" / "history";
#endif
  return std::nullopt;
}

Limits CurrentLimits() {
  Limits limits;
  {
    std::lock_guard guard(LimitsMutex());
    limits = Configured();
  }
  if (const auto versions = EnvironmentNumber("QUILLMERE_HISTORY_VERSIONS")) limits.versions = *versions;
  if (const auto bytes = EnvironmentNumber("QUILLMERE_HISTORY_BYTES")) limits.bytes = *bytes;
  limits.versions = std::max<std::size_t>(limits.versions, 1);
  return limits;
}

void SetConfiguredLimits(const Limits& limits) {
  std::lock_guard guard(LimitsMutex());
  Configured() = limits;
}

FileHistory Read(const fs::path& file) {
  const auto root = Folder();
  if (!root) return {IndexState::kOff, {}, {}};
  const std::string canonical = CanonicalPathText(file);
  FileHistory history = ReadIndex(FileFolder(*root, canonical) / kIndexFile, canonical);
  // Past the bound, the oldest lines wait to be pruned with the next batch.
  const std::size_t bound = CurrentLimits().versions;
  if (history.versions.size() > bound) {
    history.versions.erase(history.versions.begin(),
                           history.versions.end() - static_cast<std::ptrdiff_t>(bound));
  }
  return history;
}

KeepResult Keep(const fs::path& file, const Bytes& previous, const Entry& entry) {
  KeepResult result;
  const auto root = Folder();
  if (!root) return result;
  const std::string canonical = CanonicalPathText(file);
  const fs::path folder = FileFolder(*root, canonical);
  std::string reason;
  if (!EnsurePrivateFolder(*root, reason) || !EnsurePrivateFolder(folder, reason)) {
    result.failure = Failure{Failure::Kind::kFolder, *root, reason};
    return result;
  }
  Pending pending;
  pending.lock = FileLock::Acquire(*root / "history");
  if (!pending.lock.held()) {
    result.failure = Failure{Failure::Kind::kFolder, *root, LastFailure()};
    return result;
  }
  FileHistory history = ReadIndex(folder / kIndexFile, canonical);
  if (history.state == IndexState::kDamaged) {
    result.failure = Failure{Failure::Kind::kIndexDamaged, history.index, {}};
    return result;
  }
  if (history.state == IndexState::kNone && !WriteIndex(history, canonical, reason)) {
    result.failure = Failure{Failure::Kind::kFolder, history.index, reason};
    return result;
  }
  pending.folder = folder;
  pending.blob = NewBlobName();
  const Bytes blob = StoredForm(previous);
  // Unsynced, as the index: a power cut may cost the newest version, never
  // the file, and a synced copy would double what every write waits for.
  if (!WriteFileAtomic(folder / pending.blob, blob, false)) {
    result.failure = Failure{Failure::Kind::kFolder, folder, LastFailure()};
    return result;
  }
  Version version;
  version.blob = pending.blob;
  version.time = std::chrono::duration_cast<std::chrono::seconds>(
                     std::chrono::system_clock::now().time_since_epoch())
                     .count();
  version.operation = entry.operation;
  version.before = entry.before;
  version.after = entry.after;
  version.size = previous.size();
  version.crc = Crc32(previous);
  if (entry.written) {
    version.afterSize = entry.written->size();
    version.afterCrc = Crc32(*entry.written);
  }
  version.stored = blob.size();
  pending.line = VersionLine(version);
  history.versions.push_back(std::move(version));

  const Limits limits = CurrentLimits();
  std::int64_t change = static_cast<std::int64_t>(blob.size());
  if (history.versions.size() >= limits.versions + kPruneSlack) {
    while (history.versions.size() > limits.versions) {
      change -= static_cast<std::int64_t>(history.versions.front().stored);
      pending.pruned.push_back(history.versions.front().blob);
      history.versions.erase(history.versions.begin());
    }
    pending.rewritten = std::move(history);
    pending.canonical = canonical;
  }
  if (const auto usage = ReadUsage(*root)) {
    const auto total = static_cast<std::uint64_t>(std::max<std::int64_t>(0, static_cast<std::int64_t>(*usage) + change));
    if (total <= limits.bytes) pending.usage = total;
  }
  result.pending = std::move(pending);
  return result;
}

std::optional<Failure> Enter(Pending& pending) {
  const auto root = Folder();
  std::string reason;
  const bool entered = pending.rewritten ? WriteIndex(*pending.rewritten, pending.canonical, reason)
                                         : Append(pending.folder / kIndexFile, pending.line, reason);
  if (!entered || !root) {
    Discard(pending);
    return Failure{Failure::Kind::kFolder, pending.folder / kIndexFile, reason};
  }
  std::error_code ec;
  for (const std::string& blob : pending.pruned) fs::remove(pending.folder / PathFromUtf8(blob), ec);
  const std::uint64_t total =
      pending.usage ? *pending.usage : PruneAll(*root, CurrentLimits().bytes, pending.folder, pending.blob);
  WriteUsage(*root, total);
  pending.lock = FileLock{};
  return std::nullopt;
}

void Discard(Pending& pending) {
  std::error_code ec;
  if (!pending.blob.empty()) fs::remove(pending.folder / PathFromUtf8(pending.blob), ec);
  pending.lock = FileLock{};
}

std::optional<Bytes> VersionBytes(const FileHistory& history, const Version& version) {
  const FileContents blob = ReadFileChecked(history.index.parent_path() / PathFromUtf8(version.blob));
  if (!blob.ok()) return std::nullopt;
  std::optional<Bytes> bytes = Inflate(blob.bytes, version.size);
  if (!bytes || Crc32(*bytes) != version.crc) return std::nullopt;
  return bytes;
}

Bytes StoredForm(const Bytes& bytes) { return Deflate(bytes); }

std::uint32_t Crc32(const Bytes& bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  for (std::size_t at = 0; at < bytes.size(); at += kChunk) {
    crc = crc32(crc, bytes.data() + at, static_cast<uInt>(std::min(kChunk, bytes.size() - at)));
  }
  return static_cast<std::uint32_t>(crc);
}

std::string LocalTimeText(std::int64_t time) {
  const std::time_t when = static_cast<std::time_t>(time);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &when);
#else
  localtime_r(&when, &local);
#endif
  std::array<char, 32> text{};
  const std::size_t length = std::strftime(text.data(), text.size(), "%Y-%m-%d %H:%M:%S", &local);
  return std::string(text.data(), length);
}

}  // namespace quillmere::platform::history
