// Files built the way an attacker would build them: damaged directories,
// unreadable and oversized files, names with control characters, writes past
// a file-size limit. Each test is the regression test of one such fault.
// POSIX only: permissions, file-size limits, fork and any byte in file names.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <random>
#include <set>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "containers/backup_ram.h"
#include "containers/mems_image.h"
#include "catalog/catalog.h"
#include "operations/single_save_conversion.h"
#include "operations/workbench.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"
#include "singlesave/single_save_file.h"
#include "support/cli_run.h"
#include "support/image_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::MemsImageBuilder;
using testing::NamedSave;
using testing::RunCliWith;
using testing::ScriptedHost;
using testing::TempDir;

// The inode, size and change time: a file replaced by a write gets a new inode.
struct FileIdentity {
  ino_t inode = 0;
  off_t size = 0;
  bool operator==(const FileIdentity&) const = default;
};
FileIdentity IdentityOf(const fs::path& path) {
  struct stat info {};
  ::lstat(path.c_str(), &info);
  return {info.st_ino, info.st_size};
}

// --- The clearing step -------------------------------------------------------

// Slot 1 at cluster 8, slot 100 at cluster 9, and the highest slot 101 a
// damaged entry whose record lies in the directory's cluster 1; leftover
// bytes in cluster 40 for the clearing step to remove.
constexpr std::size_t kLeftovers = 40 * mems::kClusterSize;
ByteBuffer ImageWithRecordInTheDirectory() {
  MemsImageBuilder builder;
  builder.AddSave(1, 8, NamedSave("GAME01", 100)).AddSave(100, 9, NamedSave("GAME02", 200)).SetSlot(101, "BAD", 1);
  builder.image().Fill(kLeftovers, 16, 0xAB);
  return builder.Build();
}

TEST(ClearingStep, KeepsEveryListedSaveWhateverTheDirectoryPointsAt) {
  std::mt19937 random(8);
  auto below = [&random](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
  constexpr std::size_t kImageSize = 0x40000;  // 256 clusters keep each round quick
  for (int round = 0; round < 400; ++round) {
    MemsImageBuilder builder(kImageSize);
    std::uint32_t cluster = 8;
    for (int slot = 1 + static_cast<int>(below(8)); slot <= 448 && cluster < 200; slot += 1 + static_cast<int>(below(80))) {
      const std::uint32_t size = below(3000);
      builder.AddSave(slot, cluster, NamedSave("S" + std::to_string(slot), size, static_cast<std::uint8_t>(slot)));
      cluster += 1 + mems::DataClusterCount(size);
    }
    // Damage: slots pointing anywhere, the header and directory included, and stray bytes.
    for (std::uint32_t k = below(4); k > 0; --k) {
      builder.SetSlot(1 + static_cast<int>(below(448)), "BAD", below(2) ? 1 + below(7) : below(300));
    }
    for (std::uint32_t k = below(30); k > 0; --k) builder.image().MustWriteBE(below(kImageSize), static_cast<std::uint8_t>(random()), 1);
    const ByteBuffer image = builder.Build();

    const mems::MemsListing listing = mems::ListMemsImage(image, 10);
    const ByteBuffer cleared = mems::ClearUnusedSpace(image, listing);
    ASSERT_EQ(PresentSaves(mems::ListMemsImage(cleared, 10).records), PresentSaves(listing.records)) << "round " << round;
    std::set<int> listedSlots;
    for (const SaveRecord& save : listing.records) {
      listedSlots.insert(static_cast<int>(save.num));
      for (const std::uint32_t c : save.units) {
        ASSERT_EQ(cleared.Slice(c * mems::kClusterSize, mems::kClusterSize), image.Slice(c * mems::kClusterSize, mems::kClusterSize))
            << "round " << round << ", slot " << save.num << ", cluster " << c;
      }
    }
    // In clusters 0-7 only the slots not in use may change.
    for (std::size_t at = 0; at < mems::kDataAreaOffset; ++at) {
      if (image.At(at) == cleared.At(at)) continue;
      ASSERT_GE(at, mems::kDirectoryOffset) << "round " << round;
      ASSERT_FALSE(listedSlots.contains(static_cast<int>((at - mems::kDirectoryOffset) / 16 + 1))) << "round " << round;
    }
  }
}

TEST(ClearingStep, ClearCommandClearsAsARefreshDoesAndOnlyWhenNeeded) {
  TempDir dir;
  const fs::path file = dir / "SS_MEMS.BIN";
  testing::WriteFile(file, ImageWithRecordInTheDirectory());
  const std::string before = RunCliWith({"list", file.string()}).out;
  ASSERT_NE(before.find("GAME02"), std::string::npos);

  testing::CliRun run = RunCliWith({"clear", file.string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out + run.err, "");
  EXPECT_EQ(RunCliWith({"list", file.string()}).out, before);
  EXPECT_EQ(testing::ReadFile(file).Slice(kLeftovers, 16), ByteBuffer::Filled(16, 0));

  // The same as the window's refresh with the box checked.
  ScriptedHost host;
  Workbench bench(dir.path(), host);
  bench.clearUnusedOnRefresh = true;
  testing::WriteFile(file, ImageWithRecordInTheDirectory());
  ReloadPane(bench, 1);
  const ByteBuffer refreshed = testing::ReadFile(file);
  testing::WriteFile(file, ImageWithRecordInTheDirectory());
  ASSERT_EQ(RunCliWith({"clear", file.string()}).status, 0);
  EXPECT_EQ(testing::ReadFile(file), refreshed);

  // Nothing left to clear: the file is not rewritten.
  const FileIdentity cleared = IdentityOf(file);
  run = RunCliWith({"clear", file.string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(IdentityOf(file), cleared);

  EXPECT_EQ(RunCliWith({"clear", (dir / "NONE.BIN").string()}).status, 1);
  EXPECT_EQ(RunCliWith({"clear"}).status, 2);
}

// --- Files that exist but are not read ---------------------------------------

enum class Trouble { kUnreadable, kTooLarge };

std::string MakeTrouble(Trouble trouble, const fs::path& path) {
  if (trouble == Trouble::kUnreadable) {
    testing::MakeUnreadableFile(path);
    return catalog::Render(ReadFailed{platform::PathToUtf8(path)});
  }
  testing::MakeTooLargeFile(path);
  return catalog::Render(FileTooLarge{platform::PathToUtf8(path)});
}

TEST(RefusedFiles, PanesShowThemAsMissingReportOnceAndNeverWriteThem) {
  for (const Trouble trouble : {Trouble::kUnreadable, Trouble::kTooLarge}) {
    for (const ContainerKind kind : kAllContainerKinds) {
      TempDir dir;
      const fs::path file = dir / std::string(ContainerFileName(kind));
      const std::string message = MakeTrouble(trouble, file);
      const FileIdentity identity = IdentityOf(file);
      ScriptedHost host;
      Workbench bench(dir.path(), host);
      bench.clearUnusedOnRefresh = true;
      SetPaneKind(bench, 1, kind);
      EXPECT_TRUE(bench.pane(1).hintVisible) << message;
      EXPECT_TRUE(bench.pane(1).rows.empty());
      EXPECT_TRUE(bench.pane(1).image.empty());
      EXPECT_EQ(bench.pane(1).numberLabel, "");
      EXPECT_EQ(host.messages, std::vector<std::string>{message});
      EXPECT_EQ(IdentityOf(file), identity);
    }
  }
}

TEST(RefusedFiles, CommandsExitOneAndWriteNothing) {
  for (const Trouble trouble : {Trouble::kUnreadable, Trouble::kTooLarge}) {
    TempDir dir;
    // The SAROO save converted into its own folder: a file read as empty would replace it.
    const fs::path file = dir / "SAROO" / "GAME.bin";
    // The window's box, as the command line says it: on one line after the program's name.
    std::string message = "quillmere-cli: " + MakeTrouble(trouble, file);
    message.replace(message.find("\r\n"), 2, ": ");
    const std::vector<std::vector<std::string>> commands = {{"list", "--kind", "mems", file.string()},
                                                            {"list", "--kind", "bkram", file.string()},
                                                            {"show", file.string()},
                                                            {"convert", file.string(), "--out", (dir / "SAROO").string()},
                                                            {"convert", file.string(), "--out", (dir / "SSF").string()},
                                                            {"clear", file.string()}};
    for (const auto& command : commands) {
      const testing::CliRun run = RunCliWith(command);
      EXPECT_EQ(run.status, 1) << command[0];
      EXPECT_EQ(run.out, "") << command[0];
      EXPECT_EQ(run.err, message + "\n") << command[0];
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "SAROO"), fs::directory_iterator()), 1);
    EXPECT_FALSE(fs::exists(dir / "SSF"));
  }
}

TEST(RefusedFiles, ConverterHalvesShowNothingAndConvertNothing) {
  TempDir dir;
  const fs::path file = dir / "in" / "GAME.bin";
  const std::string message = MakeTrouble(Trouble::kUnreadable, file);
  ScriptedHost host;
  EXPECT_EQ(ShowSsfFile(file, host), singlesave::SingleSaveRow{});
  EXPECT_EQ(ShowSarooFile(file, host).row, singlesave::SingleSaveRow{});
  EXPECT_FALSE(ShowSarooFile(file, host).pendingSsfDate);
  EXPECT_EQ(ConvertSsfToSaroo(file, {}, dir / "SAROO", host).outcome, ConversionOutcome::kReadFailed);
  EXPECT_EQ(ConvertSarooToSsf(file, std::nullopt, dir / "SSF", host).outcome, ConversionOutcome::kReadFailed);
  EXPECT_EQ(host.messages, std::vector<std::string>(5, message));
  EXPECT_TRUE(host.revealed.empty());
  EXPECT_FALSE(fs::exists(dir / "SAROO"));
  EXPECT_FALSE(fs::exists(dir / "SSF"));
}

// --- Backup-RAM files --------------------------------------------------------

TEST(BackupRamLimits, ListsOfEveryBlockShareOneBudgetAndLargeFilesAreRefused) {
  // A marker in every block, and every block a list of 30 distinct blocks, so
  // that each save would otherwise gather 511 blocks. (A size of no
  // cartridge, so the blocks are the internal memory's 64 bytes.)
  constexpr std::size_t kBlocks = 16383;
  ByteBuffer ram = ByteBuffer::Filled(kBlocks * backup_ram::kBlockSize, 0);
  for (std::size_t n = 0; n < kBlocks; ++n) {
    const std::size_t at = n * backup_ram::kBlockSize;
    ram.MustWriteBE(at, backup_ram::kSaveMarker, 4);
    for (std::size_t k = 0; k < 30; ++k) ram.MustWriteBE(at + 4 + 2 * k, (n * 7 + k * 17) % 511 + 1, 2);
  }
  const backup_ram::BackupRamListing listing = backup_ram::ListBackupRam(ram);
  ASSERT_EQ(listing.records.size(), kBlocks - 1);
  std::size_t further = 0;
  for (const SaveRecord& record : listing.records) further += record.units.size() - 1;
  EXPECT_EQ(further, backup_ram::kListedBlockBudget);
  EXPECT_GT(listing.records[0].units.size(), 1u);
  EXPECT_EQ(listing.records.back().units.size(), 1u);  // past the budget, the first block alone

  TempDir dir;
  for (const std::size_t size : {backup_ram::kMaxFileSize, backup_ram::kMaxFileSize + 2}) {
    testing::WriteFile(dir / "BKRAMSV.BIN", ByteBuffer::Filled(size, 0));
    const PaneLoad load = LoadContainerFile(dir / "BKRAMSV.BIN", false);
    EXPECT_EQ(load.fileFound, size == backup_ram::kMaxFileSize);
    EXPECT_EQ(load.refusal.has_value(), size > backup_ram::kMaxFileSize);
    const testing::CliRun run = RunCliWith({"list", (dir / "BKRAMSV.BIN").string()});
    EXPECT_EQ(run.status, size > backup_ram::kMaxFileSize ? 1 : 0);
    EXPECT_EQ(run.err, load.refusal ? "quillmere-cli: " + std::string(catalog::Render(WrongFormat{})) + "\n" : "");
  }
}

// --- Writes -----------------------------------------------------------------

TEST(AtomicWrites, ReplacedFilesKeepTheirPermissionsAndNewFilesGetTheDefault) {
  TempDir dir;
  for (const mode_t mode : {0600, 0640, 0755, 0444, 0604}) {
    const fs::path file = dir / ("F" + std::to_string(mode));
    testing::WriteFile(file, ByteBuffer{1});
    ::chmod(file.c_str(), mode);
    ASSERT_TRUE(platform::WriteFileAtomic(file, {2, 3}));
    struct stat info {};
    ::stat(file.c_str(), &info);
    EXPECT_EQ(info.st_mode & 07777, mode);
    EXPECT_EQ(testing::ReadFile(file), (ByteBuffer{2, 3}));
  }
  const mode_t mask = ::umask(022);
  ::umask(mask);
  ASSERT_TRUE(platform::WriteFileAtomic(dir / "NEW", {1}));
  struct stat info {};
  ::stat((dir / "NEW").c_str(), &info);
  EXPECT_EQ(info.st_mode & 07777, 0666 & ~mask);
}

TEST(AtomicWrites, AFileSizeLimitFailsTheWriteAndLeavesNoTemporaryFile) {
  TempDir dir;
  const fs::path file = dir / "SS_MEMS.BIN";
  const ByteBuffer original = ImageWithRecordInTheDirectory();
  testing::WriteFile(file, original);
  // A fresh process under `ulimit -f`, with the signal's default action.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_DFL);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 4096;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const testing::CliRun run = RunCliWith({"clear", file.string()});
    const bool reported = run.err == "quillmere-cli: 写入文件失败！: " + platform::PathToUtf8(file) + " (File too large)\n";
    if (!reported) std::fprintf(stderr, "status %d: %s\n", run.status, run.err.c_str());
    ::_exit(run.status == 1 && reported ? 0 : 3);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(testing::ReadFile(file), original);
  // The file and its lock file; no temporary file.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
  EXPECT_TRUE(fs::exists(platform::LockFilePath(file)));
}

// --- Text output -------------------------------------------------------------

TEST(TextOutput, ControlCharactersPrintAsReplacementsAndJsonStaysExact) {
  TempDir dir;
  const std::string forged = "X\n9\tFAKE\t";
  testing::WriteFile(dir / "SS_MEMS.BIN", MemsImageBuilder().AddSave(1, 8, NamedSave(forged + "\x7F", 10)).Build());
  testing::CliRun run = RunCliWith({"list", (dir / "SS_MEMS.BIN").string()});
  EXPECT_EQ(run.out.substr(run.out.find('\n') + 1, run.out.rfind("剩余") - run.out.find('\n') - 1),
            "1\tX\uFFFD9\uFFFDFAKE\uFFFD\uFFFD\t2000\tNOTE\t1980-01-01 00:00\t10\n");
  run = RunCliWith({"list", "--json", (dir / "SS_MEMS.BIN").string()});
  EXPECT_EQ(nlohmann::json::parse(run.out)["saves"][0]["name"], forged + "\x7F");

  // An SSF save is named after its file, which may hold any byte but '/'.
  const fs::path ssf = dir / "A\tB\xC2\x85" "C\x1B.bin";
  testing::WriteFile(ssf, ByteBuffer::Filled(20, 0x41));
  run = RunCliWith({"show", ssf.string()});
  EXPECT_EQ(run.out, "Form\tName\tComment\tDate\tSize\nssf\tA\uFFFDB\uFFFDC\uFFFD\tAAAAAAAAAAAA\t2110-08-05 00:40\t4\n");
  run = RunCliWith({"show", "--json", ssf.string()});
  EXPECT_EQ(nlohmann::json::parse(run.out)["name"], "A\tB\xC2\x85" "C\x1B");
}

}  // namespace
}  // namespace quillmere
#endif
