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

TextId RefusalText(mems::PlacementRefusal refusal) {
  switch (refusal) {
    case mems::PlacementRefusal::kDirectoryFull: return TextId::kDirectoryFull;
    case mems::PlacementRefusal::kNoRecordCluster: return TextId::kBitmapFullForRecord;
    case mems::PlacementRefusal::kNoDataClusters: return TextId::kBitmapFullForData;
    case mems::PlacementRefusal::kTooLarge: return TextId::kSaveTooLarge;
    case mems::PlacementRefusal::kDamagedTarget: return TextId::kDamagedTarget;
    case mems::PlacementRefusal::kUnnamed:
    case mems::PlacementRefusal::kNone: break;
  }
  return TextId::kUnnamedSave;
}

// While a transfer holds the writes, the records and rows follow the image
// the way a reload would list them, so later saves of the same transfer meet
// the names of the earlier ones.
void FollowHeldImport(Pane& pane, const mems::MemsPlacement& plan, std::uint32_t size,
                      const std::optional<std::size_t>& replacedRecord) {
  mems::MemsSave save{plan.slot, plan.recordCluster, size, {plan.recordCluster}};
  save.clusters.insert(save.clusters.end(), plan.dataClusters.begin(), plan.dataClusters.end());
  const std::size_t commentBytes = ShownCommentBytes(pane.kind, pane.number);
  if (!replacedRecord) {
    pane.AppendRecord(mems::MemsRecord(pane.image, save, commentBytes));
    return;
  }
  for (std::size_t index = 0; index < pane.records.size(); ++index) {
    SaveRecord& record = pane.records[index];
    if (record.offset != *replacedRecord) continue;
    // The directory entry, and so the listed name, stays; the record changed.
    save.slot = static_cast<int>(record.num);
    record = mems::MemsRecord(pane.image, save, commentBytes);
    const SaveEntry fresh = PresentSave(record);
    for (std::size_t r = 0; r < pane.rows.size(); ++r) {
      if (pane.rowRecords[r] != index) continue;
      for (const SaveColumn column : {SaveColumn::kComment, SaveColumn::kDate, SaveColumn::kSize}) {
        pane.rows[r].cell(column) = fresh.cell(column);
      }
    }
  }
}

}  // namespace

GatheredSave GatherSave(const Pane& pane, std::size_t row) {
  const std::size_t address = pane.RecordOfRow(row).offset;
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

std::string SourceNameOf(const fs::path& file, std::string_view extension) {
  const std::string name = platform::PathToUtf8(file.filename());
  std::string lower = name;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  return name.substr(0, lower.find(extension));
}

namespace {

// Shows a refusal. In a run of imports a refusal for lack of room is said
// once: the saves after it meet the same full list or bitmap.
void ShowRefusal(Workbench& bench, const Message& message, bool forLackOfRoom) {
  if (forLackOfRoom && !bench.state.interactive && !bench.state.shownRoomRefusals.insert(message.id).second) return;
  bench.host().ShowMessage(message);
}

bool ForLackOfRoom(mems::PlacementRefusal refusal) {
  return refusal == mems::PlacementRefusal::kDirectoryFull || refusal == mems::PlacementRefusal::kNoRecordCluster ||
         refusal == mems::PlacementRefusal::kNoDataClusters;
}

// The 1-based row that shows `save`; the slot number where no row does.
std::size_t RowOfRecord(const Pane& pane, const mems::MemsSave& save) {
  const std::size_t offset = std::size_t{save.firstCluster} * mems::kClusterSize;
  for (std::size_t r = 0; r < pane.rows.size(); ++r) {
    if (pane.RecordOfRow(r).offset == offset) return r + 1;
  }
  return static_cast<std::size_t>(save.slot);
}

}  // namespace

ImportResult ImportSingleSave(Workbench& bench, int number, const std::optional<fs::path>& file) {
  Pane& pane = bench.pane(number);
  SaveOperationState& state = bench.state;
  Host& host = bench.host();
  if (!pane.Writable() || pane.hintVisible) return {};
  // Too short to hold the free count, the bitmap and the directory: no
  // SS_MEMS.BIN, and nothing to place a save in.
  if (pane.image.size() < mems::kDataAreaOffset) {
    host.ShowMessage({TextId::kWrongFormat, {}, {}});
    return {ImportOutcome::kRefused, {}};
  }

  ImportResult result;
  ByteBuffer single;
  if (state.compacting) {
    single = state.pendingImage;
  } else {
    fs::path source = state.transferPath;
    if (state.interactive && file) {
      source = *file;
    } else if (state.interactive) {
      const auto picked = host.PickOpenFile(TextId::kSingleSaveFilter, bench.sarooFolder);
      if (!picked) return {};
      source = *picked;
    }
    result.name = SourceNameOf(source);
    auto read = ReadFileOrReport(host, source);
    if (!read) return {ImportOutcome::kRefused, result.name};
    single = std::move(*read);
    if (singlesave::IsBupSingleSave(single)) {
      // A stated size no save can have is no .BUP, however it begins.
      if (singlesave::BupStatedSize(single) > singlesave::kMaxDataSize) {
        host.ShowMessage({TextId::kWrongFormat, {}, {}});
        return {ImportOutcome::kRefused, result.name};
      }
      single = singlesave::SarooFromBup(single);
    }
    // A checksum that does not match means damaged bytes: none of them go in.
    const singlesave::SroCheck check = singlesave::CheckSro(single);
    if (check == singlesave::SroCheck::kDamaged) {
      host.ShowMessage({TextId::kChecksumFailed, {platform::PathToUtf8(source)}, {}});
      return {ImportOutcome::kRefused, result.name};
    }
    if (check == singlesave::SroCheck::kGood) single = singlesave::SarooFromSro(single);
  }
  if (single.Slice(0, Saroo::kSaveHeaderOffset) != SarooMagic()) {
    host.ShowMessage({TextId::kNotSarooSingleSave, {}, {}});
    result.outcome = ImportOutcome::kRefused;
    return result;
  }
  const ByteBuffer header = ZeroFilledField(single, Saroo::kSaveHeaderOffset, save_header::kSize);
  const ByteBuffer nameField = header.Slice(save_header::kNameOffset, save_header::kNameSize);
  const std::uint32_t size = header.ReadU32(save_header::kSizeOffset);
  if (size > singlesave::kMaxDataSize) {
    host.ShowMessage({TextId::kWrongFormat, {}, {}});
    result.outcome = ImportOutcome::kRefused;
    return result;
  }
  // The save is known by the name it holds, byte for byte: never by its file
  // name or its decoded text, which different names can share.
  const ByteBuffer storedName = save_header::StoredName(nameField);
  if (!state.compacting) result.name = DecodeName(storedName);

  // Every listed save of that name is asked about; the last one is replaced.
  // A compaction puts every save back as a new one, so it matches nothing.
  std::optional<std::size_t> replacedRecord;
  if (!state.compacting) {
    for (const mems::MemsSave& listed : mems::ListMemsSaves(pane.image, false)) {
      const ByteBuffer listedName = pane.image.Slice(mems::SlotOffset(listed.slot) + mems::kEntryNameOffset, mems::kEntryNameSize);
      if (save_header::StoredName(listedName) != storedName) continue;
      replacedRecord = std::size_t{listed.firstCluster} * mems::kClusterSize;
      if (state.interactive) {
        if (!host.AskOkCancel({TextId::kReplaceQuestion, {number, RowOfRecord(pane, listed), result.name}, {}})) {
          result.outcome = ImportOutcome::kCancelled;
          return result;
        }
      } else if (!bench.overwriteOnTransfer) {
        result.outcome = ImportOutcome::kSkipped;
        return result;
      }
    }
  }
  // A full list refuses a new save only; a replacement keeps its slot.
  if (!replacedRecord && pane.rows.size() >= static_cast<std::size_t>(mems::kDirectorySlots)) {
    ShowRefusal(bench, {TextId::kListFull, {number}, {}}, true);
    result.outcome = ImportOutcome::kRefused;
    return result;
  }

  // Compacting gives a save back the name its slot listed.
  const ByteBuffer slotName = state.compacting && !state.pendingSlotName.empty() ? state.pendingSlotName : nameField;
  const mems::MemsPlacement plan = mems::PlanMemsSave(pane.image, size, slotName, replacedRecord);
  if (plan.refusal != mems::PlacementRefusal::kNone) {
    ShowRefusal(bench, {RefusalText(plan.refusal), {}, {}}, ForLackOfRoom(plan.refusal));
    // The pane shows the file afresh, unless it holds changes not yet written.
    const bool bitmapFull = plan.refusal == mems::PlacementRefusal::kNoRecordCluster ||
                            plan.refusal == mems::PlacementRefusal::kNoDataClusters;
    if (bitmapFull && !state.compacting && !pane.holdWrites) ReloadPane(bench, number);
    result.outcome = ImportOutcome::kRefused;
    return result;
  }
  mems::WriteMemsSave(pane.image, plan, slotName, header, single.Slice(Saroo::kDataOffset, size));
  result.outcome = ImportOutcome::kImported;
  if (state.compacting) return result;
  if (pane.holdWrites) {
    pane.heldChanges = true;
    FollowHeldImport(pane, plan, size, replacedRecord);
    return result;
  }

  if (!WritePaneImage(bench, number)) result.outcome = ImportOutcome::kWriteFailed;
  if (result.outcome == ImportOutcome::kImported && state.interactive) host.ShowMessage({TextId::kImportDone, {}, {}});
  return result;
}

namespace {

// A run of imports into one pane without questions, written once at the end:
// however it ends, the window is interactive again and writes are not held.
class HeldImportRun {
 public:
  HeldImportRun(Workbench& bench, int destination) : bench_(bench), destination_(destination) {
    bench.state.interactive = false;
  }
  ~HeldImportRun() {
    bench_.state.interactive = true;
    bench_.pane(destination_).holdWrites = false;
  }
  HeldImportRun(const HeldImportRun&) = delete;
  HeldImportRun& operator=(const HeldImportRun&) = delete;

  // Runs `count` steps, each asking the host's progress first; then writes
  // what they placed, or, when stopped, drops it and shows the file again.
  template <typename Step>
  void Run(std::size_t count, TransferReport& report, Step step) {
    bench_.pane(destination_).holdWrites = true;
    bench_.state.shownRoomRefusals.clear();
    ProgressRun progress(bench_.host(), count);
    for (std::size_t i = 0; i < count; ++i) {
      if (!progress.Step(i)) {
        report.cancelled = true;
        break;
      }
      step(i);
    }
    progress.End();
    Finish(report);
  }

 private:
  void Finish(TransferReport& report) {
    Pane& target = bench_.pane(destination_);
    if (report.cancelled) {
      target.holdWrites = false;
      if (std::exchange(target.heldChanges, false)) ReloadPane(bench_, destination_);
      return;
    }
    report.writeFailed = !WriteHeldChanges(bench_, destination_);
  }

  Workbench& bench_;
  int destination_;
};

}  // namespace

TransferReport TransferSaves(Workbench& bench, int source, int destination) {
  TransferReport report;
  Pane& target = bench.pane(destination);
  if (source == destination || !target.Writable()) return report;
  HeldImportRun run(bench, destination);

  std::vector<int> rows = bench.pane(source).selection;
  std::sort(rows.begin(), rows.end());
  if (rows.empty()) {
    bench.host().ShowMessage({TextId::kNothingSelectedToTransfer, {}, {}});
    return report;
  }
  StartExportRun(bench);
  run.Run(rows.size(), report, [&](std::size_t i) {
    bench.state.transferRow = rows[i];
    report.exports.push_back(ExportSingleSave(bench, source));
    // A save that could not be read whole was said so on export; it never
    // enters the target looking sound.
    const ExportOutcome exported = report.exports.back().outcome;
    report.imports.push_back(exported == ExportOutcome::kWritten ? ImportSingleSave(bench, destination)
                             : exported == ExportOutcome::kIncomplete ? ImportResult{ImportOutcome::kRefused, {}}
                                                                      : ImportResult{});
  });
  return report;
}

TransferReport ImportSingleSaves(Workbench& bench, int pane, const std::vector<fs::path>& files) {
  TransferReport report;
  if (!bench.pane(pane).Writable()) return report;
  HeldImportRun run(bench, pane);
  run.Run(files.size(), report, [&](std::size_t i) {
    bench.state.transferPath = files[i];
    report.imports.push_back(ImportSingleSave(bench, pane));
  });
  return report;
}

TransferCounts CountTransfer(const TransferReport& report) {
  TransferCounts counts;
  for (std::size_t i = 0; i < report.imports.size(); ++i) {
    const ImportOutcome outcome = report.imports[i].outcome;
    const bool exportFailed = i < report.exports.size() && report.exports[i].outcome == ExportOutcome::kWriteFailed;
    if (outcome == ImportOutcome::kImported) ++counts.imported;
    if (outcome == ImportOutcome::kSkipped) ++counts.skipped;
    if (outcome == ImportOutcome::kRefused || outcome == ImportOutcome::kWriteFailed || exportFailed) ++counts.refused;
  }
  return counts;
}

std::vector<Message> RunMessages(const TransferReport& report, std::vector<Message> said, TextId summary) {
  const TransferCounts counts = CountTransfer(report);
  if (counts.skipped + counts.refused == 0 || report.cancelled || report.writeFailed) return said;
  Message told{summary, {counts.imported, counts.skipped, counts.refused}, {}};
  if (counts.refused > 0 && !said.empty()) {
    told.lines.push_back({TextId::kTransferFirstReason, {}, {}});
    told.lines.push_back(std::move(said.front()));
  }
  return {told};
}

bool WriteHeldChanges(Workbench& bench, int number) {
  Pane& pane = bench.pane(number);
  pane.holdWrites = false;
  if (!pane.heldChanges) return true;
  return WritePaneImage(bench, number);
}

}  // namespace quillmere
