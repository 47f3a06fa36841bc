#include "operations/save_transfer.h"

#include <algorithm>

#include "containers/backup_ram.h"
#include "containers/mems_image.h"
#include "containers/save_file.h"
#include "model/conversions.h"
#include "model/messages.h"
#include "model/safe_file_name.h"
#include "model/save_header.h"
#include "operations/file_writes.h"
#include "platform/file_io.h"
#include "singlesave/bup_file.h"
#include "singlesave/single_save_file.h"

namespace quillmere {

namespace fs = std::filesystem;
using Saroo = singlesave::SarooSingleSaveFile;

namespace {

// "SSAVERAW" and the eight zero bytes that must follow it.
ByteBuffer SarooMagic() {
  ByteBuffer magic = ByteBuffer::FromText(Saroo::kMagic);
  magic.Resize(Saroo::kMagicSize + Saroo::kReservedSize);
  return magic;
}

std::string_view RefusalMessage(mems::PlacementRefusal refusal) {
  switch (refusal) {
    case mems::PlacementRefusal::kDirectoryFull: return messages::kDirectoryFull;
    case mems::PlacementRefusal::kNoRecordCluster: return messages::kBitmapFullForRecord;
    case mems::PlacementRefusal::kNoDataClusters: return messages::kBitmapFullForData;
    case mems::PlacementRefusal::kTooLarge: return messages::kSaveTooLarge;
    case mems::PlacementRefusal::kDamagedTarget: return messages::kDamagedTarget;
    case mems::PlacementRefusal::kUnnamed: return messages::kUnnamedSave;
    case mems::PlacementRefusal::kNone: break;
  }
  return {};
}

// While a transfer holds the writes, the rows follow the image the way a
// reload would list them, so later saves of the same transfer meet the names
// of the earlier ones.
void FollowHeldImport(Pane& pane, const mems::MemsPlacement& plan, std::uint32_t size,
                      const std::optional<std::string>& replacedAddress) {
  const mems::MemsSave save{plan.slot, plan.recordCluster, size, {}};
  const SaveEntry fresh = mems::MemsRow(pane.image, save, pane.number);
  if (!replacedAddress) {
    pane.rows.push_back(fresh);
    return;
  }
  // The directory entry, and so the listed name, stays; the record changed.
  for (SaveEntry& row : pane.rows) {
    if (row.address() != *replacedAddress) continue;
    for (const SaveColumn column : {SaveColumn::kComment, SaveColumn::kDate, SaveColumn::kSize}) {
      row.cell(column) = fresh.cell(column);
    }
  }
}

}  // namespace

GatheredSave GatherSave(const Pane& pane, std::size_t row) {
  const std::size_t address = HexToUint(pane.rows.at(row).address());
  switch (pane.kind) {
    case ContainerKind::kMems: return mems::ExtractMemsSave(pane.image, address);
    case ContainerKind::kBkram:
    case ContainerKind::kBup: return backup_ram::ExtractBackupRamSave(pane.image, address);
    case ContainerKind::kSave: return save_file::ExtractSaveFileSave(pane.image, address);
  }
  return {};
}

ByteBuffer SingleSaveOf(const GatheredSave& save) {
  return singlesave::BuildSarooSingleSave(save.nameField, save.size, save.commentField, save.date, save.data);
}

ExportResult ExportSingleSave(Workbench& bench, int number, ExportForm form) {
  const Pane& pane = bench.pane(number);
  SaveOperationState& state = bench.state;
  std::size_t row = 0;
  if (state.interactive) {
    if (pane.selection.empty()) {
      bench.host().ShowMessage(messages::kSelectSaveToExport);
      return {};
    }
    row = static_cast<std::size_t>(*std::min_element(pane.selection.begin(), pane.selection.end()));
  } else {
    if (state.transferRow < 0) return {};
    row = static_cast<std::size_t>(state.transferRow);
  }
  if (row >= pane.rows.size()) return {};

  const GatheredSave save = GatherSave(pane, row);
  ByteBuffer file = SingleSaveOf(save);
  const std::string name = DecodeName(save.nameField);
  if (state.compacting && pane.kind == ContainerKind::kMems) {
    state.collectedSaves.push_back({name, std::move(file)});
    return {ExportOutcome::kCollected, {}};
  }

  // No save name can lead the write out of the folder.
  const bool bup = form == ExportForm::kBup;
  const fs::path& folder = bup ? bench.bupFolder : bench.sarooFolder;
  const fs::path path = folder / platform::PathFromUtf8(SafeFileName(name) + (bup ? ".BUP" : ".bin"));
  if (bup) file = singlesave::BupFromSaroo(file);
  platform::EnsureDirectory(folder);
  if (!WriteFileOrReport(bench.host(), path, file)) return {ExportOutcome::kWriteFailed, path};
  if (state.interactive) RevealWrittenFile(bench.host(), path);
  state.transferPath = path;
  return {ExportOutcome::kWritten, path};
}

std::string SourceNameOf(const fs::path& file, std::string_view extension) {
  const std::string name = platform::PathToUtf8(file.filename());
  std::string lower = name;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return name.substr(0, lower.find(extension));
}

ImportResult ImportSingleSave(Workbench& bench, int number, const std::optional<fs::path>& file) {
  Pane& pane = bench.pane(number);
  SaveOperationState& state = bench.state;
  Host& host = bench.host();
  if (!pane.Writable()) return {};
  if (pane.rows.size() >= static_cast<std::size_t>(mems::kDirectorySlots)) {
    host.ShowMessage(messages::ListFull(number));
    return {ImportOutcome::kRefused, {}};
  }
  if (pane.image.empty()) return {};

  ImportResult result;
  ByteBuffer single;
  if (state.compacting) {
    single = state.pendingImage;
    result.name = state.pendingName;
  } else {
    fs::path source = state.transferPath;
    if (state.interactive && file) {
      source = *file;
    } else if (state.interactive) {
      const auto picked = host.PickOpenFile(messages::kSingleSaveFilter, bench.sarooFolder);
      if (!picked) return {};
      source = *picked;
    }
    auto read = ReadFileOrReport(host, source);
    if (!read) return {ImportOutcome::kRefused, SourceNameOf(source)};
    single = std::move(*read);
    const bool bup = singlesave::IsBupSingleSave(single);
    if (bup) single = singlesave::SarooFromBup(single);
    result.name = SourceNameOf(source, bup ? ".bup" : ".bin");
  }
  if (single.Slice(0, Saroo::kSaveHeaderOffset) != SarooMagic()) {
    host.ShowMessage(messages::kNotSarooSingleSave);
    result.outcome = ImportOutcome::kRefused;
    return result;
  }

  // Every listed save of that name is asked about; the last one is replaced.
  std::optional<std::string> replacedAddress;
  for (std::size_t r = 0; r < pane.rows.size(); ++r) {
    if (pane.rows[r].name() != result.name) continue;
    replacedAddress = pane.rows[r].address();
    if (state.interactive) {
      if (!host.AskOkCancel(messages::ReplaceQuestion(number) + Decimal(r + 1) + ":" + result.name)) {
        result.outcome = ImportOutcome::kCancelled;
        return result;
      }
    } else if (!bench.overwriteOnTransfer) {
      result.outcome = ImportOutcome::kSkipped;
      return result;
    }
  }

  const ByteBuffer header = ZeroFilledField(single, Saroo::kSaveHeaderOffset, save_header::kSize);
  const std::uint32_t size = header.ReadU32(save_header::kSizeOffset);
  const std::optional<std::size_t> replacedRecord =
      replacedAddress ? std::optional<std::size_t>(HexToUint(*replacedAddress)) : std::nullopt;
  const mems::MemsPlacement plan = mems::PlanMemsSave(pane.image, size, header.Slice(save_header::kNameOffset, save_header::kNameSize), replacedRecord);
  if (plan.refusal != mems::PlacementRefusal::kNone) {
    host.ShowMessage(RefusalMessage(plan.refusal));
    // The pane shows the file afresh, unless it holds changes not yet written.
    const bool bitmapFull = plan.refusal == mems::PlacementRefusal::kNoRecordCluster ||
                            plan.refusal == mems::PlacementRefusal::kNoDataClusters;
    if (bitmapFull && !state.compacting && !pane.holdWrites) ReloadPane(bench, number);
    result.outcome = ImportOutcome::kRefused;
    return result;
  }
  mems::WriteMemsSave(pane.image, plan, header.Slice(save_header::kNameOffset, save_header::kNameSize), header,
                      single.Slice(Saroo::kDataOffset, size));
  result.outcome = ImportOutcome::kImported;
  if (state.compacting) return result;
  if (pane.holdWrites) {
    pane.heldChanges = true;
    FollowHeldImport(pane, plan, size, replacedAddress);
    return result;
  }

  if (!WritePaneImage(bench, number)) result.outcome = ImportOutcome::kWriteFailed;
  if (result.outcome == ImportOutcome::kImported && state.interactive) host.ShowMessage(messages::kImportDone);
  return result;
}

TransferReport TransferSaves(Workbench& bench, int source, int destination) {
  TransferReport report;
  Pane& target = bench.pane(destination);
  if (source == destination || !target.Writable()) return report;

  // However the loop ends, the window is interactive again and writes are not held.
  struct Restore {
    Workbench& bench;
    Pane& target;
    ~Restore() {
      bench.state.interactive = true;
      target.holdWrites = false;
    }
  } restore{bench, target};
  bench.state.interactive = false;

  std::vector<int> rows = bench.pane(source).selection;
  std::sort(rows.begin(), rows.end());
  if (rows.empty()) {
    bench.host().ShowMessage(messages::kNothingSelectedToTransfer);
    return report;
  }
  target.holdWrites = true;
  for (const int row : rows) {
    bench.state.transferPath.clear();
    bench.state.transferRow = row;
    report.exports.push_back(ExportSingleSave(bench, source));
    report.imports.push_back(bench.state.transferPath.empty() ? ImportResult{}
                                                              : ImportSingleSave(bench, destination));
  }
  report.writeFailed = !WriteHeldChanges(bench, destination);
  return report;
}

bool WriteHeldChanges(Workbench& bench, int number) {
  Pane& pane = bench.pane(number);
  pane.holdWrites = false;
  if (!pane.heldChanges) return true;
  return WritePaneImage(bench, number);
}

}  // namespace quillmere
