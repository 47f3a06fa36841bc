#include <gtest/gtest.h>

#include <utility>

#include "containers/mems_image.h"
#include "operations/compacting.h"
#include "operations/image_care.h"
#include "operations/save_transfer.h"
#include "support/image_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::MemsImageBuilder;
using testing::NamedSave;
using testing::ReadFile;
using testing::ScriptedHost;
using testing::TempDir;
using testing::WriteFile;

// A report of imports with these outcomes, each after an export that wrote
// its file; the refusals, in order, give `reasons` as their reasons.
TransferReport Report(std::vector<ImportOutcome> outcomes, std::vector<Message> reasons = {}) {
  TransferReport report;
  std::size_t reason = 0;
  for (const ImportOutcome outcome : outcomes) {
    report.exports.push_back({ExportOutcome::kWritten, {}, {}, "X"});
    report.imports.push_back({outcome, "X", {}, {}, false, {}});
    if (outcome == ImportOutcome::kRefused && reason < reasons.size()) report.imports.back().reason = reasons[reason++];
  }
  return report;
}

// Silent when all went in; otherwise one message of the counts that names
// each save skipped or refused with its reason; what a stopped or unwritten
// run said is passed on as it was.
TEST(RunSummary, CountsAndEachReason) {
  using O = ImportOutcome;
  const Message full{ListFull{2}, {}};
  const Message bitmap{BitmapFullForData{}, {}};
  const Message written{WriteFailed{"/x"}, {}};
  // The summary names each save not imported, with its reason.
  const Message heading{RunSavesNotImported{}, {}};
  const Message skipped{SkippedSameName{}, {}};
  const auto named = [](const Message& reason) { return Message{SaveWithReason{"X"}, {reason}}; };
  TransferReport exportFailed = Report({O::kImported, O::kNothing});
  exportFailed.exports[1] = {ExportOutcome::kWriteFailed, {}, written, "X"};
  TransferReport stopped = Report({O::kSkipped});
  stopped.cancelled = true;
  TransferReport unwritten = Report({O::kImported, O::kSkipped});
  unwritten.writeFailed = true;
  unwritten.writeSaid = written;
  // A second refusal for the same lack of room is not said again.
  TransferReport full2 = Report({O::kRefused, O::kImported, O::kRefused, O::kRefused}, {full, full, bitmap});
  for (ImportResult& result : full2.imports) result.forLackOfRoom = true;
  struct Case {
    const char* what;
    TransferReport report;
    std::vector<Message> said;
    TransferCounts counts;
    std::vector<Message> told;
  };
  const std::vector<Case> cases = {
      {"all in", Report({O::kImported, O::kImported}), {}, {2, 0, 0}, {}},
      {"skipped", Report({O::kImported, O::kSkipped, O::kSkipped}), {}, {1, 2, 0},
       {{TransferSummary{1, 2, 0}, {heading, named(skipped), named(skipped)}}}},
      {"refused", Report({O::kRefused, O::kImported, O::kRefused}, {full, bitmap}), {full, bitmap}, {1, 0, 2},
       {{TransferSummary{1, 0, 2}, {heading, named(full), named(bitmap)}}}},
      {"export failed", exportFailed, {written}, {1, 0, 1},
       {{TransferSummary{1, 0, 1}, {heading, named(written)}}}},
      {"stopped", stopped, {}, {0, 1, 0}, {}},
      {"not written", unwritten, {written}, {1, 1, 0}, {written}},
      {"room said once", full2, {full, bitmap}, {1, 0, 3},
       {{TransferSummary{1, 0, 3}, {heading, named(full), named(full), named(bitmap)}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(CountTransfer(c.report), c.counts);
    EXPECT_EQ(RunSaid(c.report), c.said);
    EXPECT_EQ(RunMessages(c.report, RunSummary::kTransfer), c.told);
  }
}

class StoppedRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MemsImageBuilder source;
    source.AddSave(1, 8, NamedSave("A", 10, 1)).AddSave(2, 9, NamedSave("B", 2000, 2)).AddSave(3, 12, NamedSave("C", 10, 3));
    WriteFile(dir / "SS_MEMS.BIN", source.Build());
    WriteFile(dir / "OTHER" / "SS_MEMS.BIN", MemsImageBuilder().AddSave(1, 8, NamedSave("B", 50, 9)).Build());
    ReloadPane(bench, 1);
    ReloadPane(bench, 2);
  }
  std::vector<std::string> Names(int pane) {
    std::vector<std::string> names;
    for (const SaveEntry& row : bench.pane(pane).rows) names.push_back(row.name());
    return names;
  }

  TempDir dir;
  ScriptedHost host;
  Workbench bench{dir.path(), host};
};

// Stopped at any step, a transfer writes nothing, the pane shows its file,
// and the host hears each step and the end.
TEST_F(StoppedRunTest, ATransferStoppedWritesNothing) {
  const ByteBuffer before = ReadFile(dir / "OTHER" / "SS_MEMS.BIN");
  for (const std::size_t stop : {0u, 1u, 2u}) {
    SCOPED_TRACE(stop);
    host.progress.clear();
    host.stopAt = stop;
    bench.pane(1).selection = {0, 1, 2};
    const TransferReport report = TransferSaves(bench, 1, 2);
    EXPECT_TRUE(report.cancelled);
    EXPECT_EQ(report.imports.size(), stop);
    EXPECT_EQ(ReadFile(dir / "OTHER" / "SS_MEMS.BIN"), before);
    EXPECT_EQ(Names(2), std::vector<std::string>{"B"});
    ASSERT_EQ(host.progress.size(), stop + 2);
    EXPECT_EQ(host.progress.front(), (std::pair<std::size_t, std::size_t>{0, 3}));
    EXPECT_EQ(host.progress.back(), (std::pair<std::size_t, std::size_t>{3, 3}));
  }
  // Not stopped, it writes once with what went in.
  host.stopAt.reset();
  const TransferReport report = TransferSaves(bench, 1, 2);
  EXPECT_FALSE(report.cancelled);
  EXPECT_EQ(CountTransfer(report), (TransferCounts{2, 1, 0}));
  EXPECT_EQ(Names(2), (std::vector<std::string>{"B", "A", "C"}));
}

// Stopped while lifting the saves out or while placing them back, a
// compaction leaves the file and the pane as they were.
TEST_F(StoppedRunTest, ACompactionStoppedWritesNothing) {
  MemsImageBuilder scattered;
  scattered.AddSave(3, 20, NamedSave("A", 10, 1)).AddSave(7, 40, NamedSave("B", 2000, 2));
  WriteFile(dir / "SS_MEMS.BIN", scattered.Build());
  ReloadPane(bench, 1);
  const ByteBuffer before = ReadFile(dir / "SS_MEMS.BIN");
  for (const std::size_t stop : {0u, 1u}) {
    SCOPED_TRACE(stop);
    host.stopAt = stop;
    host.messages.clear();
    EXPECT_EQ(CompactPane(bench, 1), CompactOutcome::kCancelled);
    EXPECT_EQ(ReadFile(dir / "SS_MEMS.BIN"), before);
    EXPECT_EQ(Names(1), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(host.messages, std::vector<std::string>{catalog::Render(RunCancelled{(dir / "SS_MEMS.BIN").string()})});
    EXPECT_EQ(host.buttonChanges.back().caption, "");
  }
  host.stopAt.reset();
  EXPECT_EQ(CompactPane(bench, 1), CompactOutcome::kCompacted);
  EXPECT_NE(ReadFile(dir / "SS_MEMS.BIN"), before);
}

// Several files import as a transfer does: a listed name is skipped without
// a question, and the file is written once.
TEST_F(StoppedRunTest, SeveralFilesImportAsATransferDoes) {
  bench.pane(1).selection = {0, 1, 2};
  std::vector<fs::path> files;
  ExportRun run(bench.Folders(), {});
  for (const SaveRecord& record : bench.pane(1).records) {
    files.push_back(run.Write(ExportSave(bench.pane(1), record, ExportForm::kSaroo), ExportForm::kSaroo).path);
  }
  host.stopAt = 1;
  EXPECT_TRUE(ImportSingleSaves(bench, 2, files).cancelled);
  EXPECT_EQ(Names(2), std::vector<std::string>{"B"});
  host.stopAt.reset();
  const TransferReport report = ImportSingleSaves(bench, 2, files);
  EXPECT_TRUE(host.questions.empty());
  EXPECT_EQ(CountTransfer(report), (TransferCounts{2, 1, 0}));
  EXPECT_EQ(Names(2), (std::vector<std::string>{"B", "A", "C"}));
  EXPECT_TRUE(mems::CheckMemsImage(ReadFile(dir / "OTHER" / "SS_MEMS.BIN")).empty());
}

// Up to ten saves are named in the delete question, one a line; more are only counted.
TEST(DeleteQuestion, NamesUpToTenSaves) {
  for (const std::size_t selected : {1u, 10u, 11u}) {
    SCOPED_TRACE(selected);
    Pane pane;
    for (std::size_t i = 0; i < 12; ++i) {
      SaveEntry row;
      row.cell(SaveColumn::kName) = "SAVE" + std::to_string(i);
      pane.rows.push_back(row);
    }
    for (std::size_t i = 0; i < selected; ++i) pane.selection.push_back(static_cast<int>(11 - i));
    const Message question = QuestionOfDeleting(pane);
    EXPECT_EQ(question.what, Outcome(DeleteQuestion{selected}));
    ASSERT_EQ(question.lines.size(), selected <= kDeleteQuestionNames ? selected : 0u);
    if (!question.lines.empty()) {
      EXPECT_EQ(question.lines.front(), (Message{SaveNameLine{"SAVE11"}, {}}));
    }
  }
}

}  // namespace
}  // namespace quillmere
