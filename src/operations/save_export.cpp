#include "operations/save_transfer.h"

#include <algorithm>
#include <utility>

#include "containers/backup_ram.h"
#include "containers/mems_image.h"
#include "containers/save_file.h"
#include "model/conversions.h"
#include "model/safe_file_name.h"
#include "model/save_header.h"
#include "operations/file_writes.h"
#include "platform/file_io.h"
#include "singlesave/bup_file.h"
#include "singlesave/single_save_file.h"
#include "singlesave/sro_file.h"

// Export: a listed save gathered from its container and written as a single save.
namespace quillmere {

namespace fs = std::filesystem;

GatheredSave GatherSave(const Pane& pane, std::size_t row) {
  const std::size_t address = pane.RecordOfRow(row).offset;
  switch (pane.kind) {
    case ContainerKind::kMems: return mems::ExtractMemsSave(pane.image, address);
    case ContainerKind::kBkram:
    case ContainerKind::kBup: {
      GatheredSave save = backup_ram::ExtractBackupRamSave(pane.image, address, pane.geometry);
      // A save the end of a short memory cuts is written as far as it goes, never as whole.
      save.complete = save.complete && backup_ram::UnitsPresent(pane.RecordOfRow(row), pane.geometry, pane.presentBytes);
      return save;
    }
    case ContainerKind::kSave: return save_file::ExtractSaveFileSave(pane.image, address);
  }
  return {};
}

ByteBuffer SingleSaveOf(const GatheredSave& save) {
  return singlesave::BuildSarooSingleSave(save.nameField, save.size, save.commentField, save.date, save.data);
}

void StartExportRun(Workbench& bench) {
  bench.state.exportNames.StartRun({bench.pane(1).file, bench.pane(2).file});
}

ExportResult ExportSingleSave(Workbench& bench, int number, ExportForm form) {
  const Pane& pane = bench.pane(number);
  SaveOperationState& state = bench.state;
  std::size_t row = 0;
  if (state.interactive) {
    if (pane.selection.empty()) {
      bench.host().ShowMessage({TextId::kSelectSaveToExport, {}, {}});
      return {};
    }
    row = static_cast<std::size_t>(*std::min_element(pane.selection.begin(), pane.selection.end()));
    StartExportRun(bench);
  } else {
    if (state.transferRow < 0) return {};
    row = static_cast<std::size_t>(state.transferRow);
  }
  if (row >= pane.rows.size()) return {};

  const GatheredSave save = GatherSave(pane, row);
  ByteBuffer file = SingleSaveOf(save);
  const std::string name = DecodeName(save.nameField);
  if (state.compacting && pane.kind == ContainerKind::kMems) {
    state.collectedSaves.push_back({name, std::move(file), {}});
    return {ExportOutcome::kCollected, {}};
  }

  // No save name can lead the write out of the folder. A .BUP holds 11 name
  // bytes, and is named by what it holds.
  const bool bup = form == ExportForm::kBup;
  const bool sro = form == ExportForm::kSro;
  const fs::path& folder = bup ? bench.bupFolder : sro ? bench.sroFolder : bench.sarooFolder;
  const std::string fileName = bup   ? SafeFileName(DecodeName(save_header::StoredName(save.nameField))) + ".BUP"
                               : sro ? SafeFileName(DecodeName(save_header::StoredName(save.nameField))) + ".SRO"
                                     : SafeFileName(name) + ".bin";
  const fs::path path = state.exportNames.Claim(folder / platform::PathFromUtf8(fileName));
  if (bup) file = singlesave::BupFromSaroo(file);
  if (sro) file = singlesave::SroFromSaroo(file);
  platform::EnsureDirectory(folder);
  if (!WriteFileOrReport(bench.host(), path, file)) return {ExportOutcome::kWriteFailed, path};
  // What could be read is written (it may be all that is left of the save),
  // but it is never passed off as the whole save.
  if (!save.complete) bench.host().ShowMessage({TextId::kIncompleteSave, {name}, {}});
  if (state.interactive) RevealWrittenFile(bench.host(), path);
  state.transferPath = path;
  return {save.complete ? ExportOutcome::kWritten : ExportOutcome::kIncomplete, path};
}

}  // namespace quillmere
