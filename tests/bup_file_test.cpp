#include <gtest/gtest.h>

#include "containers/backup_ram.h"
#include "operations/save_transfer.h"
#include "singlesave/bup_file.h"
#include "singlesave/single_save_file.h"
#include "support/backup_ram_builder.h"
#include "support/cli_run.h"
#include "support/image_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

using testing::FixedField;
using testing::NamedSave;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

ByteBuffer Bytes(std::initializer_list<std::vector<std::uint8_t>> parts) {
  ByteBuffer bytes;
  for (const auto& part : parts) bytes.Append(ByteBuffer(part));
  return bytes;
}

// A SAROO save whose name fills all 12 bytes and whose comment carries a
// language byte after its zero.
const std::vector<std::uint8_t> kData = testing::PatternData(100, 3);
ByteBuffer SarooSave(std::uint8_t nameByte11, std::uint8_t commentByte10) {
  return singlesave::BuildSarooSingleSave(ByteBuffer(FixedField(std::string("ABCDEFGHIJK") + char(nameByte11), 12)), 100,
                                          Bytes({FixedField("MEMO", 10), {commentByte10, 0x03}}), 0x01020304,
                                          ByteBuffer(kData));
}

TEST(BupFile, HeaderFieldsAndBothDirections) {
  const ByteBuffer bup = singlesave::BupFromSaroo(SarooSave('L', 0));
  const ByteBuffer expected = Bytes({{'V', 'm', 'e', 'm', 0, 0, 0, 0}, std::vector<std::uint8_t>(8, 0),
                                     FixedField("ABCDEFGHIJK", 12), FixedField("MEMO", 11), {0x03},
                                     {1, 2, 3, 4}, {0, 0, 0, 100}, {0, 3}, {0, 0}, {1, 2, 3, 4},
                                     std::vector<std::uint8_t>(8, 0), kData});
  EXPECT_EQ(bup, expected);
  EXPECT_TRUE(singlesave::IsBupSingleSave(bup));
  const singlesave::SingleSaveRow row = singlesave::BupRow(bup);
  EXPECT_EQ(row.name(), "ABCDEFGHIJK");
  EXPECT_EQ(row.comment(), "MEMO");
  EXPECT_EQ(row.size(), "100");
  // Byte 11 of the name does not fit the form; a zero there goes there and back unchanged.
  EXPECT_EQ(singlesave::SarooFromBup(bup), SarooSave(0, 0));
  EXPECT_EQ(singlesave::SarooFromBup(singlesave::BupFromSaroo(SarooSave(0, 0))), SarooSave(0, 0));

  // A short file gives the bytes it carries, never padding, and states their length.
  ByteBuffer cut = bup;
  cut.Resize(64 + 40);
  EXPECT_EQ(singlesave::SarooFromBup(cut).size(), 64u + 40u);
  EXPECT_EQ(singlesave::SarooFromBup(cut).ReadU32(28), 40u);
  EXPECT_EQ(singlesave::SarooFromBup(ByteBuffer::FromText("Vmem")).size(), 64u);
}

TEST(BupFile, BlockCountFollowsTheBackupRamLayout) {
  for (std::uint32_t size = 0; size < 2000; ++size) {
    ASSERT_EQ(backup_ram::BlocksOccupied(size), 1 + testing::FurtherBlocksNeeded(size)) << size;
  }
}

TEST(BupFile, ImportAndExportThroughThePanes) {
  TempDir dir;
  testing::ScriptedHost host;
  Workbench bench(dir.path(), host);
  WriteFile(dir / "BKRAMSV.BIN", testing::BackupRamBuilder().AddSave(4, NamedSave("CARTSAVE", 300), {}, 0x02).BuildFile());
  WriteFile(dir / "OTHER" / "SS_MEMS.BIN", testing::MemsImageBuilder().Build());
  bench.pane(1).kind = ContainerKind::kBkram;
  ReloadPane(bench, 1);
  ReloadPane(bench, 2);
  bench.pane(1).selection = {0};
  const ExportResult exported = ExportSingleSave(bench, 1, ExportForm::kBup);
  ASSERT_EQ(exported.outcome, ExportOutcome::kWritten);
  EXPECT_EQ(exported.path, dir / "BUP" / "CARTSAVE.BUP");
  const ByteBuffer bup = ReadFile(exported.path);
  EXPECT_EQ(bup.At(39), 0x02);
  EXPECT_EQ(bup.Slice(64, 300), ByteBuffer(NamedSave("CARTSAVE", 300).data));

  // Imported as the save it holds, whatever the file is called.
  WriteFile(dir / "Renamed.Bup", bup);
  const ImportResult imported = ImportSingleSave(bench, 2, dir / "Renamed.Bup");
  EXPECT_EQ(imported.outcome, ImportOutcome::kImported);
  EXPECT_EQ(imported.name, "CARTSAVE");
  bench.pane(2).selection = {0};
  const ExportResult back = ExportSingleSave(bench, 2);
  EXPECT_EQ(ReadFile(back.path), singlesave::SarooFromBup(bup));
  EXPECT_EQ(ReadFile(back.path).At(0x20 + 11), 0x02);  // the language byte survives the trip
}

TEST(BupFile, CommandLine) {
  TempDir dir;
  const std::string saroo = (dir / "GAME.bin").string(), out = (dir / "out").string();
  WriteFile(saroo, SarooSave(0, 0));
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string printed;
  };
  const std::vector<Case> cases = {
      {{"convert", saroo, "--to", "bup", "--out", out}, 0, "ABCDEFGHIJK.BUP"},
      {{"show", out + "/ABCDEFGHIJK.BUP", "--json"}, 0, R"({"form":"bup","name":"ABCDEFGHIJK","comment":"MEMO")"},
      {{"convert", out + "/ABCDEFGHIJK.BUP", "--out", out}, 0, "ABCDEFGHIJK.bin"},
      {{"convert", out + "/ABCDEFGHIJK.BUP", "--to", "bup"}, 2, ""},
  };
  for (const Case& c : cases) {
    const auto run = testing::RunCliWith(c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_TRUE(testing::Prints(run.out, c.printed));
  }
  EXPECT_EQ(ReadFile(dir / "out" / "ABCDEFGHIJK.bin"), SarooSave(0, 0));
}

}  // namespace
}  // namespace quillmere
