#include "operations/image_care.h"

#include <set>

#include "containers/backup_ram.h"
#include "containers/backup_ram_write.h"
#include "containers/save_file.h"
#include "containers/save_file_write.h"
#include "model/conversions.h"
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

std::vector<const SaveRecord*> SelectedRecords(const Pane& pane) {
  std::set<std::size_t> taken;
  std::vector<const SaveRecord*> records;
  for (const int row : pane.selection) {
    if (row < 0 || static_cast<std::size_t>(row) >= pane.rows.size()) continue;
    const std::size_t index = pane.rowRecords[static_cast<std::size_t>(row)];
    if (taken.insert(index).second) records.push_back(&pane.records[index]);
  }
  return records;
}

CareOutcome DeleteSaves(Workbench& bench, int number) {
  Pane& pane = bench.pane(number);
  Host& host = bench.host();
  if (!pane.Writable() || pane.image.empty()) return CareOutcome::kNothing;
  if (pane.selection.empty()) {
    host.ShowMessage({TextId::kSelectSaveToDelete, {}, {}});
    return CareOutcome::kNothing;
  }
  if (bench.state.interactive && !host.AskOkCancel(DeleteQuestion(pane))) return CareOutcome::kNothing;
  // SS_MEMS.BIN frees the saves' slots and clusters; backup RAM, as the
  // console does, only clears each start block's marker.
  std::vector<int> slots;
  std::vector<std::uint32_t> startBlocks;
  const std::size_t blockSize = pane.geometry.blockSize;
  for (const SaveRecord* record : SelectedRecords(pane)) {
    slots.push_back(static_cast<int>(record->num));
    startBlocks.push_back(static_cast<std::uint32_t>(record->offset / blockSize));
  }
  std::vector<std::size_t> records;
  for (const SaveRecord* record : SelectedRecords(pane)) records.push_back(record->offset);
  switch (pane.kind) {
    case ContainerKind::kMems: mems::DeleteMemsSaves(pane.image, slots); break;
    case ContainerKind::kBkram:
    case ContainerKind::kBup: backup_ram::DeleteBackupRamSaves(pane.image, startBlocks, pane.geometry); break;
    // The firmware's way: each save is unlinked from its chain and its blocks freed.
    case ContainerKind::kSave: save_file::DeleteSaveFileSaves(pane.image, records); break;
  }
  return WritePaneImage(bench, number) ? CareOutcome::kDone : CareOutcome::kWriteFailed;
}

RepairResult RepairPane(Workbench& bench, int number) {
  Pane& pane = bench.pane(number);
  Host& host = bench.host();
  RepairResult result;
  if (!pane.Repairable() || pane.hintVisible) return result;
  if (pane.kind == ContainerKind::kMems && pane.image.size() < mems::kDataAreaOffset) {
    host.ShowMessage({TextId::kWrongFormat, {}, {}});
    return result;
  }
  if (bench.state.interactive && !host.AskOkCancel({TextId::kRepairQuestion, {}, {}})) return result;

  ByteBuffer repaired = pane.image;
  if (pane.kind == ContainerKind::kSave) {
    save_file::SaveFileRepair repair = save_file::RepairSaveFile(repaired);
    result.repair = {std::move(repair.mended), std::move(repair.remaining)};
  } else {
    result.repair = mems::RepairMemsImage(repaired);
  }
  result.outcome = CareOutcome::kDone;
  if (repaired != pane.image) {
    pane.image = std::move(repaired);
    if (!WritePaneImage(bench, number)) {
      result.outcome = CareOutcome::kWriteFailed;
      return result;
    }
  }
  // What was mended, then what could not be, each under its heading.
  std::vector<Message> parts;
  if (!result.repair.mended.empty()) {
    parts.push_back({TextId::kRepairDone, {}, ReportLines(result.repair.mended, [](const Message& m) { return m; })});
  }
  if (!result.repair.remaining.empty()) {
    parts.push_back({TextId::kCannotRepair, {},
                     ReportLines(result.repair.remaining, [](const Problem& p) { return p.AsMessage(); })});
  }
  if (parts.empty()) {
    host.ShowMessage({TextId::kNothingToRepair, {}, {}});
    return result;
  }
  Message report = parts.front();
  if (parts.size() > 1) report.lines.push_back(parts.back());
  host.ShowMessage(report);
  return result;
}

std::vector<Problem> CheckPane(const Pane& pane) {
  // A missing file has nothing to check; an empty one is checked like any other.
  if (pane.hintVisible) return {};
  std::vector<Problem> problems = pane.openingProblems;
  std::vector<Problem> found;
  switch (pane.kind) {
    case ContainerKind::kMems: found = mems::CheckMemsImage(pane.image); break;
    case ContainerKind::kBkram:
    case ContainerKind::kBup: found = backup_ram::CheckBackupRam(pane.image, pane.geometry); break;
    case ContainerKind::kSave: found = save_file::CheckSaveFile(pane.image, pane.records); break;
  }
  problems.insert(problems.end(), found.begin(), found.end());
  return problems;
}

}  // namespace quillmere
