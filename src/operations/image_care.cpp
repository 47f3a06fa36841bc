#include "operations/image_care.h"

#include "operations/file_writes.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"

namespace quillmere {

namespace {

// The first kRepairReportLimit of `lines`, each a line of a report.
template <typename Line, typename AsMessage>
std::vector<Message> ReportLines(const std::vector<Line>& lines, AsMessage asMessage) {
  std::vector<Message> report;
  for (std::size_t i = 0; i < lines.size() && i < kRepairReportLimit; ++i) report.push_back(asMessage(lines[i]));
  return report;
}

}  // namespace

Message QuestionOfDeleting(const Pane& pane) {
  Message question{DeleteQuestion{pane.selection.size()}, {}};
  // Few enough to read at a glance: each by name, a line each.
  if (pane.selection.size() > kDeleteQuestionNames) return question;
  for (const int row : pane.selection) {
    if (row >= 0 && static_cast<std::size_t>(row) < pane.rows.size()) {
      question.lines.push_back({SaveNameLine{pane.rows[static_cast<std::size_t>(row)].name()}, {}});
    }
  }
  return question;
}

CareOutcome DeleteSaves(Workbench& bench, int number) {
  Pane& pane = bench.pane(number);
  Host& host = bench.host();
  if (!pane.Writable() || pane.image.empty()) return CareOutcome::kNothing;
  if (pane.selection.empty()) {
    host.ShowMessage({SelectSaveToDelete{}, {}});
    return CareOutcome::kNothing;
  }
  if (!host.AskOkCancel(QuestionOfDeleting(pane))) return CareOutcome::kNothing;
  DeleteSaves(pane, pane.SelectedRecords());
  return WritePaneImage(bench, number, WriteOperation::kDelete) ? CareOutcome::kDone : CareOutcome::kWriteFailed;
}

Message RepairMessage(const mems::MemsRepair& repair) {
  std::vector<Message> parts;
  if (!repair.mended.empty()) {
    parts.push_back({RepairDone{}, ReportLines(repair.mended, [](const Message& m) { return m; })});
  }
  if (!repair.remaining.empty()) {
    parts.push_back({CannotRepair{}, ReportLines(repair.remaining, [](const Problem& p) { return p.AsMessage(); })});
  }
  if (parts.empty()) return {NothingToRepair{}, {}};
  Message report = parts.front();
  if (parts.size() > 1) report.lines.push_back(parts.back());
  return report;
}

bool ShowsFileAsItIs(const Pane& pane) {
  return pane.hintVisible || (pane.stamp && platform::FileMatchesStamp(pane.file, *pane.stamp));
}

RepairReport RepairPane(Workbench& bench, int number) {
  Pane& pane = bench.pane(number);
  Host& host = bench.host();
  RepairReport report;
  if (!pane.Repairable() || pane.hintVisible) return report;
  // A repair of a copy another program has since replaced would mend the
  // wrong file: as every writer, it shows the file afresh and stops.
  if (!ShowsFileAsItIs(pane)) {
    ReloadPane(bench, number, false);
    host.ShowMessage({FileChanged{platform::PathToUtf8(pane.file)}, {}});
    return report;
  }
  if (const auto refusal = RepairRefusal(pane)) {
    host.ShowMessage(*refusal);
    return report;
  }
  if (!host.AskOkCancel({RepairQuestion{}, {}})) return report;
  RepairResult result = Repair(pane);
  report.repair = std::move(result.repair);
  report.outcome = CareOutcome::kDone;
  if (result.changed && !WritePaneImage(bench, number, WriteOperation::kRepair)) {
    report.outcome = CareOutcome::kWriteFailed;
    return report;
  }
  Message told = RepairMessage(report.repair);
  told.lines.push_back({FileLookedAt{platform::PathToUtf8(pane.file)}, {}});
  host.ShowMessage(told);
  return report;
}

std::vector<Problem> CheckPane(const Pane& pane) {
  // A missing file has nothing to check; an empty one is checked like any other.
  if (pane.hintVisible) return {};
  return Check(pane);
}

}  // namespace quillmere

namespace quillmere {

Message ProblemReport(const std::vector<Problem>& problems, std::size_t most) {
  Message report{ImageHasProblems{}, {}};
  for (std::size_t i = 0; i < problems.size() && i < most; ++i) report.lines.push_back(problems[i].AsMessage());
  if (problems.size() > most) report.lines.push_back({MoreProblemsEllipsis{}, {}});
  return report;
}

Message CheckPaneFile(Workbench& bench, int number) {
  if (!ShowsFileAsItIs(bench.pane(number))) ReloadPane(bench, number, false);
  const Pane& pane = bench.pane(number);
  const std::vector<Problem> problems = CheckPane(pane);
  Message report = problems.empty() ? Message{NoProblemsFound{}, {}} : ProblemReport(problems, kCheckReportLimit);
  if (!pane.hintVisible) report.lines.push_back({FileLookedAt{platform::PathToUtf8(pane.file)}, {}});
  return report;
}

}  // namespace quillmere
