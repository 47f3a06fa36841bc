#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "catalog/catalog.h"
#include "containers/mems_image.h"
#include "operations/save_transfer.h"
#include "support/backup_ram_builder.h"
#include "support/cli_run.h"
#include "support/image_builder.h"
#include "support/save_file_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::BackupRamBuilder;
using testing::FixedField;
using testing::MemsImageBuilder;
using testing::NamedSave;
using testing::ReadFile;
using testing::SaveFileBuilder;
using testing::ScriptedHost;
using testing::TempDir;
using testing::TestSave;
using testing::WriteFile;

void AppendBE(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A SAROO single save laid out by hand: magic, eight zeros, name, size,
// comment, date, sixteen zeros, data.
ByteBuffer Single(const std::vector<std::uint8_t>& name, std::uint32_t size, const std::vector<std::uint8_t>& comment,
                  std::uint32_t date, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> bytes = {'S', 'S', 'A', 'V', 'E', 'R', 'A', 'W', 0, 0, 0, 0, 0, 0, 0, 0};
  const auto name12 = FixedField(name, 12), comment12 = FixedField(comment, 12);
  bytes.insert(bytes.end(), name12.begin(), name12.end());
  AppendBE(bytes, size);
  bytes.insert(bytes.end(), comment12.begin(), comment12.end());
  AppendBE(bytes, date);
  bytes.resize(bytes.size() + 16, 0);
  bytes.insert(bytes.end(), data.begin(), data.end());
  return ByteBuffer(bytes);
}

ByteBuffer Single(const TestSave& save) {
  return Single({save.name.begin(), save.name.end()}, save.StoredSize(), save.comment, save.date, save.data);
}

class SaveTransferTest : public ::testing::Test {
 protected:
  void Load(int pane, ContainerKind kind, const ByteBuffer& file) {
    WriteFile(bench.pane(pane).folder / std::string(ContainerFileName(kind)), file);
    bench.pane(pane).kind = kind;
    ReloadPane(bench, pane);
  }
  ByteBuffer Image(int pane) { return ReadFile(bench.pane(pane).folder / "SS_MEMS.BIN"); }
  // Imports `single` into pane `pane` as a transfer would.
  ImportResult ImportQuietly(int pane, const ByteBuffer& single, const std::string& name) {
    const fs::path file = dir / (name + ".bin");
    WriteFile(file, single);
    const testing::ImportRun run = testing::ImportAsARun(
        bench, pane, {file}, bench.overwriteOnTransfer ? SameName::kReplace : SameName::kSkip);
    host.messages.insert(host.messages.end(), run.said.begin(), run.said.end());
    return run.report.imports.front();
  }
  ByteBuffer ExportRow(int pane, int row) {
    ExportRun run(bench.Folders(), {});
    const ExportResult result =
        run.Write(ExportSave(bench.pane(pane), bench.pane(pane).RecordOfRow(static_cast<std::size_t>(row)), ExportForm::kSaroo),
                  ExportForm::kSaroo);
    EXPECT_EQ(result.outcome, ExportOutcome::kWritten);
    return ReadFile(result.path);
  }

  TempDir dir;
  ScriptedHost host;
  Workbench bench{dir.path(), host};
};

TEST_F(SaveTransferTest, ImportIntoAnEmptyImagePlacesTheSaveFirstFit) {
  struct Case {
    std::uint32_t size;
    std::vector<std::uint32_t> dataClusters;
  };
  for (const Case& c : std::vector<Case>{{960, {}}, {961, {9}}, {2048, {9, 10}}, {2049, {9, 10, 11}}}) {
    SCOPED_TRACE(c.size);
    Load(1, ContainerKind::kMems, MemsImageBuilder().Build());
    const TestSave save = NamedSave("GAME", c.size, 5);
    ASSERT_EQ(ImportQuietly(1, Single(save), "GAME").outcome, ImportOutcome::kImported);
    const ByteBuffer image = Image(1);
    EXPECT_EQ(image.Slice(0x400 + 14, 2), (ByteBuffer{0x00, 0x08}));  // slot 1's record cluster
    EXPECT_EQ(image.ReadU16(0x00C), 0x1F77 - c.dataClusters.size());
    EXPECT_EQ(image.At(0x010), 0xFF);
    EXPECT_EQ(image.At(0x011), (1u << (1 + c.dataClusters.size())) - 1);
    EXPECT_EQ(image.Slice(0x2000, 12), ByteBuffer(FixedField("GAME", 12)));
    for (std::size_t k = 0; k < c.dataClusters.size(); ++k) EXPECT_EQ(image.ReadU16(0x2040 + 2 * k), c.dataClusters[k]);
    if (c.dataClusters.empty()) EXPECT_EQ(image.Slice(0x2040, c.size), ByteBuffer(save.data));
    else EXPECT_EQ(image.Slice(0x2040 + 2 * c.dataClusters.size(), 960 - 2 * c.dataClusters.size()),
                   ByteBuffer::Filled(960 - 2 * c.dataClusters.size(), 0));
    EXPECT_EQ(ExportRow(1, 0), Single(save));
    EXPECT_TRUE(mems::CheckMemsImage(image).empty());
  }
}

TEST_F(SaveTransferTest, ImportFillsTheHolesOfAFragmentedImage) {
  MemsImageBuilder builder;
  builder.AddSave(1, 8, NamedSave("A", 100)).AddSave(2, 10, NamedSave("B", 100)).AddSave(3, 13, NamedSave("C", 100));
  Load(1, ContainerKind::kMems, builder.Build());
  ASSERT_EQ(ImportQuietly(1, Single(NamedSave("D", 3000)), "D").outcome, ImportOutcome::kImported);
  const ByteBuffer image = Image(1);
  EXPECT_EQ(image.ReadU16(0x400 + 3 * 16 + 14), 9u);  // slot 4, record in the first hole
  EXPECT_EQ(mems::SaveClusters(image, 9), (std::vector<std::uint32_t>{9, 11, 12, 14}));
  EXPECT_TRUE(mems::CheckMemsImage(image).empty());
}

TEST_F(SaveTransferTest, ExportGathersEachKindByteForByte) {
  const TestSave small = NamedSave("SMALL", 28, 3), odd = NamedSave("ODDSIZE", 29, 4), big = NamedSave("BIGONE", 2049, 6);
  struct Case {
    ContainerKind kind;
    ByteBuffer file;
    ByteBuffer expected;
  };
  TestSave named = NamedSave("ABCDEFGHIJKL", 101, 7);
  const std::vector<std::uint8_t> elevenNameBytes(named.name.begin(), named.name.begin() + 11);
  std::vector<std::uint8_t> bupComment = FixedField(named.comment, 10);
  bupComment.insert(bupComment.end(), {0, 0x01});
  TestSave blocks02 = NamedSave("SPARSE", 200, 8);
  const std::vector<Case> cases = {
      {ContainerKind::kMems, MemsImageBuilder().AddSave(1, 8, small).AddSave(2, 20, big, {30, 25, 40}).Build(),
       Single(small)},
      {ContainerKind::kMems, MemsImageBuilder().AddSave(2, 20, big, {30, 25, 40}).Build(), Single(big)},
      {ContainerKind::kBkram, BackupRamBuilder().AddSave(3, small).BuildFile(), Single(small)},
      {ContainerKind::kBup, BackupRamBuilder().AddSave(3, odd).BuildFile(), Single(odd)},
      {ContainerKind::kBkram, BackupRamBuilder().AddSave(5, named, {}, 0x01).BuildFile(),
       Single(elevenNameBytes, 101, bupComment, named.date, named.data)},
      {ContainerKind::kSave, SaveFileBuilder().SetSlot(1, "GAME").AddRecord(1, 5, blocks02, {4, 2}).Build(),
       Single(blocks02)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.expected.Slice(16, 12)));
    Load(1, c.kind, c.file);
    ASSERT_FALSE(bench.pane(1).rows.empty());
    EXPECT_EQ(ExportRow(1, 0), c.expected);
  }
}

TEST_F(SaveTransferTest, InteractiveExportTakesTheLowestSelectedRowAndRevealsIt) {
  Load(1, ContainerKind::kMems, MemsImageBuilder().AddSave(1, 8, NamedSave("ONE", 10)).AddSave(2, 9, NamedSave("TWO", 10)).Build());
  EXPECT_EQ(ExportSingleSave(bench, 1).outcome, ExportOutcome::kNoRow);
  EXPECT_EQ(host.messages, std::vector<std::string>{"请先选中要导出的存档！"});
  bench.pane(1).selection = {1, 0};
  const ExportResult result = ExportSingleSave(bench, 1);
  EXPECT_EQ(result.path, dir / "SAROO" / "ONE.bin");
  EXPECT_EQ(host.revealed, std::vector<fs::path>{result.path});
}

TEST_F(SaveTransferTest, SameNameInteractiveAsksForEveryMatchingRow) {
  MemsImageBuilder builder;
  builder.AddSave(1, 8, NamedSave("GAME", 10, 1)).AddSave(2, 9, NamedSave("OTHER", 10, 2)).AddSave(3, 10, NamedSave("GAME", 10, 3));
  Load(1, ContainerKind::kMems, builder.Build());
  const ByteBuffer before = Image(1);
  const fs::path file = dir / "SAROO" / "GAME.BIN";
  const TestSave replacement = NamedSave("GAME", 20, 9);
  WriteFile(file, Single(replacement));

  host.pickedFiles = {file, file};
  host.answers = {true, false};
  EXPECT_EQ(ImportSingleSave(bench, 1).outcome, ImportOutcome::kCancelled);
  EXPECT_EQ(Image(1), before);
  EXPECT_EQ(host.filePicks[0].filter, FileFilter::kSingleSave);
  EXPECT_EQ(host.filePicks[0].initialFolder, dir / "SAROO");

  host.questionHeads.clear();
  host.answers = {true, true};
  EXPECT_EQ(ImportSingleSave(bench, 1).outcome, ImportOutcome::kReplaced);
  EXPECT_EQ(host.questionHeads, (std::vector<std::string>{"是否替换列表1已有存档？\r\n1:GAME", "是否替换列表1已有存档？\r\n3:GAME"}));
  EXPECT_EQ(host.messages.back(), "导入完成！");
  EXPECT_EQ(ExportRow(1, 2), Single(replacement));  // the last matching row was replaced
  EXPECT_EQ(ExportRow(1, 0).Slice(64, 10), ByteBuffer(NamedSave("GAME", 10, 1).data));
}

// A file dropped on the pane: no dialog, but the same questions and the same
// "导入完成！" as the button.
TEST_F(SaveTransferTest, InteractiveImportOfAGivenFileAsksNoDialog) {
  Load(1, ContainerKind::kMems, MemsImageBuilder().AddSave(1, 8, NamedSave("GAME", 10, 1)).Build());
  const ByteBuffer before = Image(1);
  const fs::path file = dir / "dropped" / "GAME.bin";
  const TestSave replacement = NamedSave("GAME", 3000, 7);
  WriteFile(file, Single(replacement));

  host.answers = {false};
  EXPECT_EQ(ImportSingleSave(bench, 1, file).outcome, ImportOutcome::kCancelled);
  EXPECT_EQ(Image(1), before);
  host.answers = {true};
  EXPECT_EQ(ImportSingleSave(bench, 1, file).outcome, ImportOutcome::kReplaced);
  EXPECT_TRUE(host.filePicks.empty());
  EXPECT_EQ(host.questionHeads, (std::vector<std::string>(2, "是否替换列表1已有存档？\r\n1:GAME")));
  EXPECT_EQ(host.messages, std::vector<std::string>{"导入完成！"});
  EXPECT_EQ(ExportRow(1, 0), Single(replacement));
}

TEST_F(SaveTransferTest, ReplacingKeepsTheImageConsistentWhateverTheShape) {
  struct Case {
    const char* what;
    std::uint32_t oldSize, newSize;
    int freeChange;  // clusters
    const char* message;
  };
  const std::vector<Case> cases = {
      {"small by small", 500, 900, 0, nullptr},
      {"large by fewer clusters", 5000, 1500, 3, nullptr},
      {"large by more clusters", 1500, 5000, -3, nullptr},
      {"small by large", 100, 3000, -3, nullptr},
      {"large by small", 3000, 100, 3, nullptr},
      {"too large for a cluster list", 100, 491521, 0, "存档过大，无法写入！"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // A neighbour right behind the save forces reallocation elsewhere.
    const TestSave old = NamedSave("GAME", c.oldSize, 1);
    Load(1, ContainerKind::kMems,
         MemsImageBuilder().AddSave(1, 8, old).AddSave(2, 9 + mems::DataClusterCount(c.oldSize), NamedSave("NEXT", 10)).Build());
    const ByteBuffer before = Image(1);
    bench.overwriteOnTransfer = true;
    host.messages.clear();
    const TestSave replacement = NamedSave("GAME", c.newSize, 2);
    const ImportResult result = ImportQuietly(1, Single(replacement), "GAME");
    if (c.message) {
      EXPECT_EQ(result.outcome, ImportOutcome::kRefused);
      EXPECT_EQ(host.messages, std::vector<std::string>{c.message});
      EXPECT_EQ(Image(1), before);
      continue;
    }
    ASSERT_EQ(result.outcome, ImportOutcome::kReplaced);
    const ByteBuffer after = Image(1);
    EXPECT_TRUE(mems::CheckMemsImage(after).empty()) << mems::CheckMemsImage(after)[0];
    EXPECT_EQ(static_cast<int>(after.ReadU16(0x00C)) - static_cast<int>(before.ReadU16(0x00C)), c.freeChange);
    EXPECT_EQ(after.ReadU16(0x400 + 14), 8u);  // slot and record cluster stay
    EXPECT_EQ(ExportRow(1, 0), Single(replacement));
    EXPECT_EQ(ExportRow(1, 1), Single(NamedSave("NEXT", 10)));
  }
}

TEST_F(SaveTransferTest, RefusalsLeaveTheImageAsItWas) {
  struct Case {
    const char* what;
    ByteBuffer image;
    ByteBuffer single;
    bool overwrite;
    std::string message;
  };
  MemsImageBuilder fullDirectory;
  for (int slot = 1; slot <= 448; ++slot) fullDirectory.SetSlot(slot, "X", 0);  // named, never listed
  MemsImageBuilder fullBitmap;
  fullBitmap.image().Fill(0x010, 1008, 0xFF);
  MemsImageBuilder almostFull;
  almostFull.image().Fill(0x010, 1007, 0xFF);  // clusters 8056-8063 stay free
  MemsImageBuilder damaged;
  damaged.AddSave(1, 8, NamedSave("GAME", 3000), {9, 5, 10});
  ByteBuffer notSaroo = Single(NamedSave("GAME", 10));
  notSaroo.MustWrite(11, ByteBuffer{1});  // bytes 12-15 would be a checksum
  const std::vector<Case> cases = {
      {"directory full", fullDirectory.Build(), Single(NamedSave("GAME", 10)), false, "存档列表已满!"},
      {"no record cluster", fullBitmap.Build(), Single(NamedSave("GAME", 10)), false, "存档位图数据已满!"},
      {"too few data clusters", almostFull.Build(), Single(NamedSave("GAME", 9000)), false, "存档位图空间不足!"},
      {"damaged target", damaged.Build(), Single(NamedSave("GAME", 10)), true, "目标存档已损坏，无法覆盖！"},
      {"not a SAROO save", MemsImageBuilder().Build(), notSaroo, false, "此存档不是SAROO单存档格式！"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Load(1, ContainerKind::kMems, c.image);
    bench.overwriteOnTransfer = c.overwrite;
    host.messages.clear();
    EXPECT_EQ(ImportQuietly(1, c.single, "GAME").outcome, ImportOutcome::kRefused);
    EXPECT_EQ(host.messages, std::vector<std::string>{c.message});
    EXPECT_EQ(Image(1), c.image);
  }
}

TEST_F(SaveTransferTest, ShortImagesAndShortSourcesNeverLeaveStaleBytes) {
  ByteBuffer shortImage = MemsImageBuilder().Build();
  shortImage.Resize(0x2000);
  Load(1, ContainerKind::kMems, shortImage);
  ByteBuffer truncated = Single(NamedSave("CUT", 3000));
  truncated.Resize(64 + 1500);
  ASSERT_EQ(ImportQuietly(1, truncated, "CUT").outcome, ImportOutcome::kImported);
  const ByteBuffer image = Image(1);
  EXPECT_EQ(image.size(), 0x800000u);
  // The save is the 1500 bytes the file carries, stated as such.
  ByteBuffer expected = Single(NamedSave("CUT", 3000));
  expected.Resize(64 + 1500);
  ASSERT_TRUE(expected.WriteBE(28, 1500, 4));
  EXPECT_EQ(ExportRow(1, 0), expected);
}

TEST_F(SaveTransferTest, TransferSkipsOrReplacesListedNames) {
  MemsImageBuilder source;
  source.AddSave(1, 8, NamedSave("A", 10, 1)).AddSave(2, 9, NamedSave("B", 2000, 2)).AddSave(3, 12, NamedSave("C", 10, 3));
  for (const bool overwrite : {false, true}) {
    SCOPED_TRACE(overwrite);
    Load(1, ContainerKind::kMems, source.Build());
    Load(2, ContainerKind::kMems, MemsImageBuilder().AddSave(1, 8, NamedSave("B", 50, 9)).Build());
    bench.overwriteOnTransfer = overwrite;
    bench.pane(1).selection = {2, 0, 1};
    host.messages.clear();
    const TransferReport report = TransferSaves(bench, 1, 2);
    // Only a skipped save makes the run say anything: its counts.
    EXPECT_EQ(host.messages.size(), overwrite ? 0u : 1u);
    ASSERT_EQ(report.imports.size(), 3u);
    EXPECT_EQ(report.imports[1].outcome, overwrite ? ImportOutcome::kReplaced : ImportOutcome::kSkipped);
    for (const char* name : {"A", "B", "C"}) EXPECT_TRUE(fs::exists(dir / "SAROO" / (std::string(name) + ".bin")));
    std::vector<std::string> names;
    for (const SaveEntry& row : bench.pane(2).rows) names.push_back(row.name());
    EXPECT_EQ(names, (std::vector<std::string>{"B", "A", "C"}));
    EXPECT_EQ(ExportRow(2, 0).Slice(64, 2000), overwrite ? ByteBuffer(NamedSave("B", 2000, 2).data) : ByteBuffer(NamedSave("B", 50, 9).data));
    EXPECT_TRUE(mems::CheckMemsImage(Image(2)).empty());
    EXPECT_EQ(bench.pane(1).selection, (std::vector<int>{2, 0, 1}));  // the source is only read
  }
}

TEST_F(SaveTransferTest, TransferReportsEachFailureAndNothingSelected) {
  Load(1, ContainerKind::kBkram, BackupRamBuilder().AddSave(2, NamedSave("ONE", 10)).AddSave(3, NamedSave("TWO", 10)).BuildFile());
  MemsImageBuilder full;
  for (int slot = 1; slot <= 448; ++slot) full.SetSlot(slot, "X", 0);
  Load(2, ContainerKind::kMems, full.Build());
  TransferSaves(bench, 1, 2);
  EXPECT_EQ(host.messages, std::vector<std::string>{"未选中任何要转移的存档！"});
  bench.pane(1).selection = {0, 1};
  host.messages.clear();
  const TransferReport report = TransferSaves(bench, 1, 2);
  // One box names each save refused, with its reason.
  ASSERT_EQ(host.shown.size(), 2u);
  EXPECT_EQ(CountTransfer(report), (TransferCounts{0, 0, 2}));
  EXPECT_EQ(RunSaid(report).size(), 1u);
  EXPECT_EQ(host.messages.back(), "已转移0个存档，0个因同名跳过，2个被拒绝。\r\n未导入的存档：\r\nONE：\r\n存档列表已满!"
                                  "\r\nTWO：\r\n存档列表已满!");
}

TEST_F(SaveTransferTest, FailedWritesChangeNeitherFileNorPane) {
  Load(1, ContainerKind::kMems, MemsImageBuilder().AddSave(1, 8, NamedSave("ONE", 10)).Build());
  Load(2, ContainerKind::kMems, MemsImageBuilder().Build());
  // A folder that is a file cannot hold the export.
  WriteFile(dir / "blocker", ByteBuffer{1});
  bench.sarooFolder = dir / "blocker" / "SAROO";
  bench.pane(1).selection = {0};
  const TransferReport failedExport = TransferSaves(bench, 1, 2);
  EXPECT_EQ(failedExport.exports[0].outcome, ExportOutcome::kWriteFailed);
  EXPECT_EQ(failedExport.imports[0].outcome, ImportOutcome::kNothing);
  ASSERT_EQ(host.shown.size(), 1u);
  EXPECT_EQ(catalog::Render(host.shown[0].lines.back().lines.back()),
            "写入文件失败！\r\n" + (dir / "blocker" / "SAROO" / "ONE.bin").string());

  bench.sarooFolder = dir / "SAROO";
  const ByteBuffer before = Image(2);
  bench.pane(2).file = dir / "blocker" / "SS_MEMS.BIN";  // where no file can be written
  host.messages.clear();
  const TransferReport failedWrite = TransferSaves(bench, 1, 2);
  EXPECT_TRUE(failedWrite.writeFailed);
  EXPECT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(Image(2), before);
  EXPECT_TRUE(bench.pane(2).rows.empty());
}

// Random imports, new and replacing, keep the image consistent, and every
// save exports exactly as it was imported.
TEST_F(SaveTransferTest, RandomImportsKeepTheImageConsistent) {
  Load(1, ContainerKind::kMems, MemsImageBuilder().Build());
  bench.overwriteOnTransfer = true;
  std::mt19937 random(1234);
  std::map<std::string, ByteBuffer> expected;
  const std::vector<std::uint32_t> sizes = {0, 1, 960, 961, 1024, 2049, 7000, 40000};
  for (int step = 0; step < 60; ++step) {
    const std::string name = "S" + std::to_string(random() % 12);
    const std::uint32_t size = sizes[random() % sizes.size()] + random() % 3;
    const ByteBuffer single = Single(NamedSave(name, size, static_cast<std::uint8_t>(step)));
    ASSERT_TRUE(ImportQuietly(1, single, name).Placed()) << step;
    expected[name] = single;
    const ByteBuffer image = Image(1);
    const auto problems = mems::CheckMemsImage(image);
    ASSERT_TRUE(problems.empty()) << step << ": " << problems[0];
  }
  ASSERT_EQ(bench.pane(1).rows.size(), expected.size());
  for (std::size_t row = 0; row < bench.pane(1).rows.size(); ++row) {
    EXPECT_EQ(ExportRow(1, static_cast<int>(row)), expected[bench.pane(1).rows[row].name()]);
  }
}

TEST_F(SaveTransferTest, CommandLineExitStatus) {
  const fs::path image = dir / "SS_MEMS.BIN";
  WriteFile(image, MemsImageBuilder().AddSave(1, 8, NamedSave("ONE", 10)).Build());
  const std::string saroo = (dir / "S").string();
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{"export", image.string()}, 2, "请给出--row N或--all"},
      {{"export", image.string(), "--row", "2"}, 1, "有1个存档；没有第2行"},
      {{"export", image.string(), "--row", "1", "--out", saroo}, 0, ""},
      {{"import", image.string(), saroo + "/ONE.bin"}, 0, "已跳过ONE"},
      {{"import", image.string(), saroo + "/ONE.bin", "--overwrite"}, 0, ""},
      {{"import", image.string(), (dir / "missing.bin").string()}, 1, "读取文件失败！"},
      {{"transfer", image.string(), (dir / "OTHER.BIN").string(), "--all"}, 1, "文件不存在"},
  };
  for (const Case& c : cases) {
    const auto run = testing::RunCliWith(c.args);
    EXPECT_EQ(run.status, c.status) << c.args[0] << " " << run.err;
    EXPECT_TRUE(testing::Prints(run.err, c.err)) << c.args[0];
  }
  EXPECT_TRUE(mems::CheckMemsImage(ReadFile(image)).empty());
}

class RealSaveExportTest : public testing::SamplesTest {};

TEST_F(RealSaveExportTest, ExportsMatchTheRawData) {
  struct Case {
    const char* container;
    ContainerKind kind;
    std::vector<const char*> raws;
  };
  for (const Case& c : std::vector<Case>{{"saroo-two-games/SS_SAVE.BIN", ContainerKind::kSave, {"HYPERDUEL_0", "CAP_DAD_002"}},
                                         {"yabause-one-save/BKRAMSV.BIN", ContainerKind::kBkram, {"DRACULAX_01"}}}) {
    TempDir out;
    const auto run = testing::RunCliWith({"export", (samples / c.container).string(), "--all", "--out", out.path().string()});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* raw : c.raws) {
      const ByteBuffer exported = ReadFile(out / (std::string(raw) + ".bin"));
      EXPECT_EQ(exported.Slice(64, exported.size()), ReadFile(fs::path(samples) / fs::path(c.container).parent_path() / (std::string(raw) + ".raw")));
    }
  }
}

}  // namespace
}  // namespace quillmere
