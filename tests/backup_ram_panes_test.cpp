#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "containers/backup_ram.h"
#include "operations/image_care.h"
#include "operations/save_transfer.h"
#include "operations/workbench.h"
#include "support/backup_ram_builder.h"
#include "support/cli_run.h"
#include "support/image_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

namespace br = backup_ram;
using testing::BackupRamBuilder;
using testing::NamedSave;
using testing::ReadFile;
using testing::WriteFile;

// The even bytes of a word-wide file: junk a write must leave as it is.
ByteBuffer EvenBytes(const ByteBuffer& file) {
  ByteBuffer even;
  for (std::size_t k = 0; k < file.size(); k += 2) even.Append(1, file.At(k));
  return even;
}

// A BKRAMSV.BIN pane beside an SS_MEMS.BIN pane; the backup RAM's even bytes
// hold junk, as some emulators leave them.
class BackupRamPaneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ByteBuffer file = BackupRamBuilder().AddSave(2, NamedSave("KEEP", 100, 1)).AddSave(9, NamedSave("GAME", 40, 2)).BuildFile();
    for (std::size_t k = 0; k < file.size(); k += 2) file.MustWriteBE(k, k / 2 % 251, 1);
    WriteFile(dir / "BKRAMSV.BIN", file);
    WriteFile(dir / "OTHER" / "SS_MEMS.BIN",
              testing::MemsImageBuilder().AddSave(1, 8, NamedSave("GAME", 3000, 3)).AddSave(2, 11, NamedSave("NEW", 10, 4)).Build());
    SetPaneKind(bench, 1, ContainerKind::kBkram);
    ReloadPane(bench, 2);
    even = EvenBytes(file);
  }
  ByteBuffer File() { return ReadFile(dir / "BKRAMSV.BIN"); }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const SaveEntry& row : bench.pane(1).rows) names.push_back(row.name());
    return names;
  }
  // The file is a sound backup RAM whose saves export as `expected` has them.
  void ExpectSaves(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& expected) {
    const ByteBuffer file = File();
    EXPECT_EQ(EvenBytes(file), even);
    EXPECT_TRUE(br::CheckBackupRam(br::WordWideToRam(file)).empty());
    ASSERT_EQ(bench.pane(1).rows.size(), expected.size());
    for (std::size_t row = 0; row < expected.size(); ++row) {
      EXPECT_EQ(bench.pane(1).rows[row].name(), expected[row].first);
      EXPECT_EQ(GatherSave(bench.pane(1), row).data.bytes(), expected[row].second) << expected[row].first;
    }
  }

  testing::TempDir dir;
  testing::ScriptedHost host;
  Workbench bench{dir.path(), host};
  ByteBuffer even;
};

TEST_F(BackupRamPaneTest, ImportTransferAndDeleteKeepTheRestOfTheMemory) {
  const std::vector<std::uint8_t> keep = NamedSave("KEEP", 100, 1).data;
  // Import with the same-name question answered OK: the save is replaced.
  const auto single = testing::WriteSarooSingleSave(dir / "in", "GAME", 500);
  host.answers = {true};
  EXPECT_EQ(ImportSingleSave(bench, 1, single).outcome, ImportOutcome::kReplaced);
  // Both saves' dates and sizes, so an older save is not taken for a newer one.
  EXPECT_EQ(host.questions.back(), "是否替换列表1已有存档？\r\n2:GAME\r\n已有：1980-01-01 00:00，40字节\r\n"
                                   "导入：1980-01-01 00:00，500字节");
  EXPECT_EQ(host.messages.back(), "导入完成！");
  ExpectSaves({{"KEEP", keep}, {"GAME", NamedSave("GAME", 500).data}});

  // A transfer skips the listed name and writes the new one, once.
  bench.pane(2).selection = {0, 1};
  const TransferReport report = TransferSaves(bench, 2, 1);
  EXPECT_EQ(report.imports[0].outcome, ImportOutcome::kSkipped);
  EXPECT_EQ(report.imports[1].outcome, ImportOutcome::kImported);
  ExpectSaves({{"KEEP", keep}, {"GAME", NamedSave("GAME", 500).data}, {"NEW", NamedSave("NEW", 10, 4).data}});

  // Delete clears the start block's marker and nothing else.
  const ByteBuffer before = br::WordWideToRam(File());
  const std::size_t start = bench.pane(1).RecordOfRow(1).offset;
  bench.pane(1).selection = {1};
  host.answers = {true};
  EXPECT_EQ(DeleteSaves(bench, 1), CareOutcome::kDone);
  ByteBuffer expected = before;
  expected.MustWriteBE(start, 0x00, 1);
  EXPECT_EQ(br::WordWideToRam(File()), expected);
  ExpectSaves({{"KEEP", keep}, {"NEW", NamedSave("NEW", 10, 4).data}});
}

// In a run of imports, a save for which too few blocks are left, and one
// larger than the whole memory, are refused with one message.
TEST_F(BackupRamPaneTest, SavesThatDoNotFitAreRefusedOnce) {
  const std::vector<std::pair<std::string, std::size_t>> saves = {{"FIRST", 25000}, {"SECOND", 25000}, {"WHOLE", 40000}};
  std::vector<std::filesystem::path> files;
  for (const auto& [name, size] : saves) files.push_back(testing::WriteSarooSingleSave(dir / "in", name, size));
  const testing::ImportRun run = testing::ImportAsARun(bench, 1, files);
  EXPECT_EQ(run.outcomes, (std::vector{ImportOutcome::kImported, ImportOutcome::kRefused, ImportOutcome::kRefused}));
  EXPECT_TRUE(run.written);
  EXPECT_EQ(run.said, std::vector<std::string>{"备份内存空间不足！"});
  // The new save takes the lowest free blocks, before GAME's, and lists there.
  ExpectSaves({{"KEEP", NamedSave("KEEP", 100, 1).data}, {"FIRST", NamedSave("FIRST", 25000).data},
               {"GAME", NamedSave("GAME", 40, 2).data}});
}

class BackupRamCommandLine : public testing::SamplesTest {};

// The emulator's own image, made from an empty SAROO memory by an export and
// an import; a delete and the import again give it back.
TEST_F(BackupRamCommandLine, ExportAndImportGiveTheEmulatorsImage) {
  testing::TempDir dir;
  const std::string image = (dir / "SS_BUP.BIN").string();
  const ByteBuffer expected = ReadFile(samples / "yabause-one-save" / "BKRAMSV.BIN");
  ASSERT_EQ(testing::RunCliWith({"format", image}).status, 0);
  const auto exported = testing::RunCliWith(
      {"export", (samples / "yabause-one-save" / "BKRAMSV.BIN").string(), "--row", "1", "--out", (dir / "out").string()});
  ASSERT_EQ(exported.status, 0) << exported.err;
  const std::string single = exported.out.substr(0, exported.out.size() - 1);
  for (int round = 0; round < 2; ++round) {
    const auto imported = testing::RunCliWith({"import", image, single});
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(ReadFile(image), expected) << round;
    if (round == 0) {
      ASSERT_EQ(testing::RunCliWith({"delete", image, "--name", "DRACULAX_01"}).status, 0);
    }
  }
  const auto listed = nlohmann::json::parse(testing::RunCliWith({"list", image, "--json"}).out);
  EXPECT_EQ(listed["freeBlocks"], 510 - 77);
  EXPECT_EQ(listed["remaining"], 391);
}

}  // namespace
}  // namespace quillmere
