#include "operations/image_care.h"

#include <set>

#include "containers/backup_ram.h"
#include "containers/save_file.h"
#include "model/conversions.h"
#include "model/messages.h"
#include "operations/file_writes.h"

namespace quillmere {

namespace {

std::string Lines(const std::vector<std::string>& lines, std::size_t most) {
  std::string text;
  for (std::size_t i = 0; i < lines.size() && i < most; ++i) text += "\r\n" + lines[i];
  return text;
}

}  // namespace

std::vector<int> SelectedSlots(const Pane& pane) {
  std::set<int> taken;
  std::vector<int> slots;
  for (const int row : pane.selection) {
    if (row < 0 || static_cast<std::size_t>(row) >= pane.rows.size()) continue;
    const int slot = static_cast<int>(pane.RecordOfRow(static_cast<std::size_t>(row)).num);
    if (taken.insert(slot).second) slots.push_back(slot);
  }
  return slots;
}

CareOutcome DeleteSaves(Workbench& bench, int number) {
  Pane& pane = bench.pane(number);
  Host& host = bench.host();
  if (!pane.Writable() || pane.image.empty()) return CareOutcome::kNothing;
  if (pane.selection.empty()) {
    host.ShowMessage(messages::kSelectSaveToDelete);
    return CareOutcome::kNothing;
  }
  if (bench.state.interactive && !host.AskOkCancel(messages::DeleteQuestion(pane.selection.size()))) {
    return CareOutcome::kNothing;
  }
  mems::DeleteMemsSaves(pane.image, SelectedSlots(pane));
  return WritePaneImage(bench, number) ? CareOutcome::kDone : CareOutcome::kWriteFailed;
}

RepairResult RepairPane(Workbench& bench, int number) {
  Pane& pane = bench.pane(number);
  Host& host = bench.host();
  RepairResult result;
  if (!pane.Writable() || pane.hintVisible) return result;
  if (pane.image.size() < mems::kDataAreaOffset) {
    host.ShowMessage(messages::kWrongFormat);
    return result;
  }
  if (bench.state.interactive && !host.AskOkCancel(messages::kRepairQuestion)) return result;

  ByteBuffer repaired = pane.image;
  result.repair = mems::RepairMemsImage(repaired);
  result.outcome = CareOutcome::kDone;
  if (repaired != pane.image) {
    pane.image = std::move(repaired);
    if (!WritePaneImage(bench, number)) {
      result.outcome = CareOutcome::kWriteFailed;
      return result;
    }
  }
  std::string report;
  if (!result.repair.mended.empty()) report = std::string(messages::kRepairDone) + Lines(result.repair.mended, 10);
  if (!result.repair.remaining.empty()) {
    report += (report.empty() ? "" : "\r\n") + std::string(messages::kCannotRepair) + Lines(result.repair.remaining, 10);
  }
  host.ShowMessage(report.empty() ? std::string(messages::kNothingToRepair) : report);
  return result;
}

std::vector<std::string> CheckPane(const Pane& pane) {
  // A missing file has nothing to check; an empty one is checked like any other.
  if (pane.hintVisible) return {};
  switch (pane.kind) {
    case ContainerKind::kMems: return mems::CheckMemsImage(pane.image);
    case ContainerKind::kBkram:
    case ContainerKind::kBup: return backup_ram::CheckBackupRam(pane.image);
    case ContainerKind::kSave: return save_file::CheckSaveFile(pane.image, pane.records);
  }
  return {};
}

}  // namespace quillmere
