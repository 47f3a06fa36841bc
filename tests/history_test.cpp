#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/history.h"
#include "support/cli_run.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
namespace history = platform::history;
using testing::CliRun;
using testing::ReadFile;
using testing::RunCliInEnglish;
using testing::TempDir;

void SetEnvironment(const char* name, const std::optional<std::string>& value) {
#ifdef _WIN32
  _putenv_s(name, value ? value->c_str() : "");
#else
  if (value) {
    setenv(name, value->c_str(), 1);
  } else {
    unsetenv(name);
  }
#endif
}

// Points the history at a folder of the test's own for its lifetime.
class ScopedHistory {
 public:
  ScopedHistory(const fs::path& folder, std::optional<std::size_t> versions = std::nullopt) {
    const char* set = std::getenv("QUILLMERE_HISTORY");
    if (set) saved_ = set;
    SetEnvironment("QUILLMERE_HISTORY", folder.string());
    SetEnvironment("QUILLMERE_HISTORY_VERSIONS", versions ? std::optional(std::to_string(*versions)) : std::nullopt);
  }
  ~ScopedHistory() {
    SetEnvironment("QUILLMERE_HISTORY", saved_);
    SetEnvironment("QUILLMERE_HISTORY_VERSIONS", std::nullopt);
  }

 private:
  std::optional<std::string> saved_;
};

std::string NewestBlob(const fs::path& file) {
  const history::FileHistory kept = history::Read(file);
  return kept.versions.empty() ? std::string() : kept.versions.back().blob;
}

struct KindCase {
  const char* fileName;
  std::vector<std::string> importOptions;  // SS_SAVE.BIN names the game's area
  bool compacts;
  bool repairs;
};

// Whatever run of writes a file sees, version k is the file as it was before
// its k-th last write, for every k the bound keeps; history lists the writes
// newest first; and restoring any of them gives those bytes back.
TEST(History, EveryKeptVersionIsTheFileBeforeThatWrite) {
  constexpr std::size_t kBound = 6;
  const std::vector<KindCase> kinds = {
      {"SS_MEMS.BIN", {}, true, true},
      {"BKRAMSV.BIN", {}, false, false},
      {"SS_SAVE.BIN", {"--game", "T-1809G"}, false, true},
  };
  for (const KindCase& kind : kinds) {
    SCOPED_TRACE(kind.fileName);
    TempDir dir;
    const ScopedHistory scoped(dir / "history", kBound);
    const fs::path file = dir / kind.fileName;
    ASSERT_EQ(RunCliInEnglish({"format", file.string()}).status, 0);
    std::vector<fs::path> singles;
    for (const char* name : {"ALPHA", "BETA", "GAMMA", "DELTA"}) {
      singles.push_back(testing::WriteSarooSingleSave(dir.path(), name, 100 + 700 * singles.size()));
    }
    std::mt19937 random(static_cast<unsigned>(kind.fileName[3]));
    std::vector<ByteBuffer> before;
    std::vector<std::string> operations;
    for (int step = 0; step < 30; ++step) {
      const std::size_t kept = history::Read(file).versions.size();
      std::vector<std::string> args;
      std::string operation;
      switch (random() % 5) {
        case 0:
        case 1:
          args = {"import", file.string(), singles[random() % singles.size()].string(), "--overwrite"};
          args.insert(args.end(), kind.importOptions.begin(), kind.importOptions.end());
          operation = "import";
          break;
        case 2:
          args = {"delete", file.string(), "--row", "1"};
          operation = "delete";
          break;
        case 3:
          if (kind.compacts) args = {"compact", file.string()};
          if (kind.repairs && random() % 2) args = {"repair", file.string()};
          operation = args.empty() ? "" : args[0];
          break;
        default:
          if (kept == 0) break;
          args = {"restore", file.string(), "--version", std::to_string(1 + random() % kept)};
          operation = "restore";
      }
      if (args.empty()) continue;
      const ByteBuffer was = ReadFile(file);
      const std::string newest = NewestBlob(file);
      const CliRun run = RunCliInEnglish(args);
      const bool keptOne = NewestBlob(file) != newest;
      // A write that changed the file kept what it replaced.
      if (!(ReadFile(file) == was)) {
        EXPECT_TRUE(keptOne) << args[0] << ": " << run.err;
      }
      if (!keptOne) continue;
      before.push_back(was);
      operations.push_back(operation);
    }
    ASSERT_GE(before.size(), kBound) << "the run kept too few versions to reach the bound";

    const history::FileHistory kept = history::Read(file);
    ASSERT_EQ(kept.versions.size(), kBound);
    // Past the bound the oldest go, a batch at a time.
    std::size_t blobs = 0;
    for (const auto& entry : fs::directory_iterator(kept.index.parent_path())) blobs += entry.path().extension() == ".qmv";
    EXPECT_LT(blobs, kBound + 10);
    const CliRun listed = RunCliInEnglish({"history", file.string(), "--json"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    const nlohmann::json versions = nlohmann::json::parse(listed.out)["versions"];
    ASSERT_EQ(versions.size(), kBound);
    for (std::size_t k = 1; k <= kBound; ++k) {
      const std::size_t write = before.size() - k;
      EXPECT_EQ(versions[k - 1]["version"], k);
      EXPECT_EQ(versions[k - 1]["operation"], operations[write]) << "version " << k;
      const auto bytes = history::VersionBytes(kept, kept.versions[kBound - k]);
      ASSERT_TRUE(bytes) << "version " << k;
      EXPECT_TRUE(ByteBuffer(*bytes) == before[write]) << "version " << k;
    }
    const std::size_t k = 1 + random() % kBound;
    ASSERT_EQ(RunCliInEnglish({"restore", file.string(), "--version", std::to_string(k)}).status, 0);
    EXPECT_TRUE(ReadFile(file) == before[before.size() - k]) << "restore --version " << k;
  }
}

// History never stops a write: one that cannot be kept is said, and a
// damaged index or version is reported and left as it is.
TEST(History, AHistoryThatCannotBeUsedNeverStopsAWriteAndIsLeftAsItIs) {
  enum class Damage { kFolderIsAFile, kIndex, kVersion };
  struct Case {
    const char* what;
    Damage damage;
    std::vector<std::string> command;  // FILE and SINGLE are filled in
    int status;
    const char* said;
  };
  const std::vector<Case> cases = {
      {"history under a file", Damage::kFolderIsAFile, {"import", "FILE", "SINGLE"}, 0, "no earlier version of it was kept"},
      {"damaged index, a write", Damage::kIndex, {"import", "FILE", "SINGLE"}, 0, "damaged and was skipped"},
      {"damaged index, history", Damage::kIndex, {"history", "FILE"}, 1, "damaged and was skipped"},
      {"damaged version, restore", Damage::kVersion, {"restore", "FILE"}, 1, "Version 1 is damaged"},
      {"damaged version, list", Damage::kVersion, {"list", "FILE", "--version", "1"}, 1, "Version 1 is damaged"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    TempDir dir;
    const fs::path folder = test.damage == Damage::kFolderIsAFile ? dir / "taken" / "history" : dir / "history";
    const ScopedHistory scoped(folder);
    if (test.damage == Damage::kFolderIsAFile) testing::WriteFile(dir / "taken", ByteBuffer{1});
    const fs::path file = dir / "SS_MEMS.BIN";
    const fs::path single = testing::WriteSarooSingleSave(dir.path(), "ALPHA", 500);
    ASSERT_EQ(RunCliInEnglish({"format", file.string()}).status, 0);
    ASSERT_EQ(RunCliInEnglish({"import", file.string(), single.string()}).status, 0);
    const history::FileHistory kept = history::Read(file);
    fs::path damaged;
    switch (test.damage) {
      case Damage::kFolderIsAFile: break;
      case Damage::kIndex: damaged = kept.index; break;
      case Damage::kVersion: damaged = kept.index.parent_path() / kept.versions.back().blob; break;
    }
    // An index whose first line is no longer JSON, a version with a byte changed.
    ByteBuffer damagedBytes;
    if (!damaged.empty()) {
      std::vector<std::uint8_t> bytes = ReadFile(damaged).bytes();
      bytes[test.damage == Damage::kIndex ? 0 : bytes.size() / 2] ^= 0x5A;
      damagedBytes = ByteBuffer(std::move(bytes));
      testing::WriteFile(damaged, damagedBytes);
    }
    const ByteBuffer was = ReadFile(file);
    const fs::path another = testing::WriteSarooSingleSave(dir.path(), "BETA", 300);
    std::vector<std::string> args;
    for (const std::string& arg : test.command) {
      args.push_back(arg == "FILE" ? file.string() : arg == "SINGLE" ? another.string() : arg);
    }
    const CliRun run = RunCliInEnglish(args);
    EXPECT_EQ(run.status, test.status) << run.err;
    EXPECT_TRUE(testing::Prints(run.err, test.said));
    if (test.command[0] == "import") {
      EXPECT_FALSE(ReadFile(file) == was) << "the write went ahead";
    } else {
      EXPECT_TRUE(ReadFile(file) == was);
    }
    if (!damaged.empty()) {
      EXPECT_TRUE(ReadFile(damaged) == damagedBytes) << "the damaged file was kept as it was";
    }
  }
}

}  // namespace
}  // namespace quillmere
