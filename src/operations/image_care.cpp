#include "operations/image_care.h"

#include "operations/file_writes.h"

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

Message DeleteQuestion(const Pane& pane) {
  Message question{TextId::kDeleteQuestion, {pane.selection.size()}, {}};
  // Few enough to read at a glance: each by name, a line each.
  if (pane.selection.size() > kDeleteQuestionNames) return question;
  for (const int row : pane.selection) {
    if (row >= 0 && static_cast<std::size_t>(row) < pane.rows.size()) {
      question.lines.push_back({TextId::kSaveNameLine, {pane.rows[static_cast<std::size_t>(row)].name()}, {}});
    }
  }
  return question;
}

CareOutcome DeleteSaves(Workbench& bench, int number) {
  Pane& pane = bench.pane(number);
  Host& host = bench.host();
  if (!pane.Writable() || pane.image.empty()) return CareOutcome::kNothing;
  if (pane.selection.empty()) {
    host.ShowMessage({TextId::kSelectSaveToDelete, {}, {}});
    return CareOutcome::kNothing;
  }
  if (!host.AskOkCancel(DeleteQuestion(pane))) return CareOutcome::kNothing;
  DeleteSaves(pane, pane.SelectedRecords());
  return WritePaneImage(bench, number) ? CareOutcome::kDone : CareOutcome::kWriteFailed;
}

Message RepairMessage(const mems::MemsRepair& repair) {
  std::vector<Message> parts;
  if (!repair.mended.empty()) {
    parts.push_back({TextId::kRepairDone, {}, ReportLines(repair.mended, [](const Message& m) { return m; })});
  }
  if (!repair.remaining.empty()) {
    parts.push_back({TextId::kCannotRepair, {}, ReportLines(repair.remaining, [](const Problem& p) { return p.AsMessage(); })});
  }
  if (parts.empty()) return {TextId::kNothingToRepair, {}, {}};
  Message report = parts.front();
  if (parts.size() > 1) report.lines.push_back(parts.back());
  return report;
}

RepairReport RepairPane(Workbench& bench, int number) {
  Pane& pane = bench.pane(number);
  Host& host = bench.host();
  RepairReport report;
  if (!pane.Repairable() || pane.hintVisible) return report;
  if (const auto refusal = RepairRefusal(pane)) {
    host.ShowMessage(*refusal);
    return report;
  }
  if (!host.AskOkCancel({TextId::kRepairQuestion, {}, {}})) return report;
  RepairResult result = Repair(pane);
  report.repair = std::move(result.repair);
  report.outcome = CareOutcome::kDone;
  if (result.changed && !WritePaneImage(bench, number)) {
    report.outcome = CareOutcome::kWriteFailed;
    return report;
  }
  host.ShowMessage(RepairMessage(report.repair));
  return report;
}

std::vector<Problem> CheckPane(const Pane& pane) {
  // A missing file has nothing to check; an empty one is checked like any other.
  if (pane.hintVisible) return {};
  return Check(pane);
}

}  // namespace quillmere
