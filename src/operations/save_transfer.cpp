#include "operations/save_transfer.h"

#include <algorithm>
#include <utility>

#include "containers/backup_ram.h"
#include "containers/backup_ram_write.h"
#include "containers/mems_image.h"
#include "containers/save_file.h"
#include "containers/save_file_write.h"
#include "model/conversions.h"
#include "model/safe_file_name.h"
#include "model/save_header.h"
#include "operations/file_writes.h"
#include "operations/single_save_conversion.h"
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

// The 1-based row that shows `record`; the reader's number where no row does.
std::size_t RowOfRecord(const Pane& pane, const SaveRecord& record) {
  for (std::size_t r = 0; r < pane.rows.size(); ++r) {
    if (pane.RecordOfRow(r).offset == record.offset) return r + 1;
  }
  return record.num;
}

TextId BackupRamRefusalText(backup_ram::BackupRamRefusal refusal) {
  switch (refusal) {
    case backup_ram::BackupRamRefusal::kDamagedTarget: return TextId::kDamagedTarget;
    case backup_ram::BackupRamRefusal::kUnnamed: return TextId::kUnnamedSave;
    case backup_ram::BackupRamRefusal::kNoRoom:
    case backup_ram::BackupRamRefusal::kTooLarge:
    case backup_ram::BackupRamRefusal::kNone: break;
  }
  return TextId::kBackupRamFull;
}

TextId SaveFileRefusalText(save_file::SaveFileRefusal refusal) {
  switch (refusal) {
    case save_file::SaveFileRefusal::kIndexFull: return TextId::kGameIndexFull;
    case save_file::SaveFileRefusal::kUnnamedSave: return TextId::kUnnamedSave;
    case save_file::SaveFileRefusal::kUnnamedGame: return TextId::kUnnamedGame;
    case save_file::SaveFileRefusal::kDamagedArea: return TextId::kDamagedArea;
    case save_file::SaveFileRefusal::kDamagedTarget: return TextId::kDamagedTarget;
    case save_file::SaveFileRefusal::kNoRoom:
    case save_file::SaveFileRefusal::kNone: break;
  }
  return TextId::kAreaFull;
}

// Places the save in the chosen game's area of the pane's SS_SAVE.BIN; a
// same-named save of that game is replaced. False, after the refusal, when
// it cannot be. A game that had no entry gets one, named in `newGame`.
bool PlaceInSaveFile(Workbench& bench, Pane& pane, const ByteBuffer& single, const ByteBuffer& header,
                     std::uint32_t size, std::string& newGame) {
  GatheredSave save = GatherSaveHeader(header, 0);
  save.data = single.Slice(Saroo::kDataOffset, size);
  const save_file::SaveFilePlacement plan =
      save_file::PlanSaveFileSave(pane.image, bench.state.targetGame, size, save.nameField);
  if (plan.refusal != save_file::SaveFileRefusal::kNone) {
    const bool forLackOfRoom = plan.refusal == save_file::SaveFileRefusal::kNoRoom ||
                               plan.refusal == save_file::SaveFileRefusal::kIndexFull;
    ShowRefusal(bench, {SaveFileRefusalText(plan.refusal), {}, {}}, forLackOfRoom);
    return false;
  }
  save_file::WriteSaveFileSave(pane.image, plan, save);
  if (plan.newEntry) newGame = save_file::GameIdText(plan.gameId);
  if (pane.holdWrites) pane.ShowRecords(save_file::ListSaveFile(pane.image).records);
  return true;
}

// The game an SS_SAVE.BIN import goes to, chosen for one operation: asked
// when nobody named one, and forgotten when the operation ends.
class GameForOneRun {
 public:
  GameForOneRun(Workbench& bench, int number, bool mayAsk) : bench_(bench) {
    if (bench.pane(number).kind != ContainerKind::kSave || !bench.state.targetGame.empty()) return;
    asked_ = true;
    chosen_ = mayAsk && ChooseTargetGame(bench, number);
  }
  ~GameForOneRun() {
    if (asked_) bench_.state.targetGame = ByteBuffer{};
  }
  // False when it was asked and the question was cancelled (or could not be asked).
  bool Ready() const { return !asked_ || chosen_; }

 private:
  Workbench& bench_;
  bool asked_ = false;
  bool chosen_ = false;
};

// Places the save of SAROO single save `single` (header `header`, `size`
// bytes of data) in the pane's backup RAM, replacing the save that starts at
// `replacedRecord`. False, after the refusal, when it does not fit.
bool PlaceInBackupRam(Workbench& bench, Pane& pane, const ByteBuffer& single, const ByteBuffer& header,
                      std::uint32_t size, const std::optional<std::size_t>& replacedRecord) {
  GatheredSave save = GatherSaveHeader(header, 0);
  save.data = single.Slice(Saroo::kDataOffset, size);
  std::optional<std::uint32_t> replaced;
  if (replacedRecord) replaced = static_cast<std::uint32_t>(*replacedRecord / pane.geometry.blockSize);
  const backup_ram::BackupRamPlacement plan =
      backup_ram::PlanBackupRamSave(pane.image, pane.geometry, size, save.nameField, replaced);
  if (plan.refusal != backup_ram::BackupRamRefusal::kNone) {
    const bool forLackOfRoom = plan.refusal == backup_ram::BackupRamRefusal::kNoRoom ||
                               plan.refusal == backup_ram::BackupRamRefusal::kTooLarge;
    ShowRefusal(bench, {BackupRamRefusalText(plan.refusal), {}, {}}, forLackOfRoom);
    return false;
  }
  backup_ram::WriteBackupRamSave(pane.image, plan, save);
  // Held writes: the records follow the RAM, so later saves of the run meet
  // this one's name; the reload after the write lists them in block order.
  if (pane.holdWrites) {
    if (replacedRecord) pane.RemoveRecord(*replacedRecord);
    pane.AppendRecord(backup_ram::BackupRamRecord(pane.image, plan.startBlock,
                                                  static_cast<std::uint32_t>(pane.records.size() + 1),
                                                  backup_ram::kMaxListedBlocks, pane.geometry));
  }
  return true;
}

// An import that changed the image: held for the end of the run, or written
// now and said to be done.
ImportResult FinishImport(Workbench& bench, int number, ImportResult result) {
  Pane& pane = bench.pane(number);
  result.outcome = ImportOutcome::kImported;
  if (pane.holdWrites) {
    pane.heldChanges = true;
    return result;
  }
  if (!WritePaneImage(bench, number)) result.outcome = ImportOutcome::kWriteFailed;
  if (result.outcome == ImportOutcome::kImported && bench.state.interactive) {
    Message done{TextId::kImportDone, {}, {}};
    if (!result.newGame.empty()) done.lines.push_back({TextId::kNewGameAdded, {result.newGame}, {}});
    bench.host().ShowMessage(done);
  }
  return result;
}

}  // namespace

bool ChooseTargetGame(Workbench& bench, int number) {
  const Pane& pane = bench.pane(number);
  int selectedArea = 0;
  if (!pane.selection.empty()) {
    const auto row = static_cast<std::size_t>(*std::min_element(pane.selection.begin(), pane.selection.end()));
    if (row < pane.rows.size()) selectedArea = pane.RecordOfRow(row).area;
  }
  std::vector<std::string> choices;
  std::size_t chosen = 0;
  for (const save_file::GameEntry& game : save_file::ListGames(pane.image)) {
    if (game.slot == selectedArea) chosen = choices.size();
    choices.push_back(DecodeName(game.id));
  }
  // Asked again after an invalid ID, a bounded number of times, so a host
  // that keeps answering the same can never hold the window.
  constexpr int kAsks = 10;
  for (int ask = 0; ask < kAsks; ++ask) {
    const auto answer =
        bench.host().AskChoice({TextId::kChooseGame, {}, {{TextId::kGameIdHint, {}, {}}}}, choices, chosen);
    if (!answer) return false;
    if (save_file::IsValidGameId(*answer)) {
      bench.state.targetGame = save_file::PadGameId(*answer);
      return true;
    }
    bench.host().ShowMessage({TextId::kGameIdInvalid, {}, {}});
  }
  return false;
}

ImportResult ImportSingleSave(Workbench& bench, int number, const std::optional<fs::path>& file) {
  Pane& pane = bench.pane(number);
  SaveOperationState& state = bench.state;
  Host& host = bench.host();
  if (!pane.Writable() || pane.hintVisible) return {};
  const GameForOneRun game(bench, number, state.interactive);
  if (!game.Ready()) return {};
  const bool memsPane = pane.kind == ContainerKind::kMems;
  // Too short to hold the free count, the bitmap and the directory: no
  // SS_MEMS.BIN, and nothing to place a save in.
  if (memsPane && pane.image.size() < mems::kDataAreaOffset) {
    host.ShowMessage({TextId::kWrongFormat, {}, {}});
    return {ImportOutcome::kRefused, {}, {}};
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
    if (!read) return {ImportOutcome::kRefused, result.name, {}};
    single = std::move(*read);
    // Worked out on the file as read: a .BUP is turned into the SAROO form below.
    std::optional<Message> sizesDiffer = SizesDifferWarning(source, single);
    if (singlesave::IsBupSingleSave(single)) {
      // A stated size no save can have is no .BUP, however it begins.
      if (singlesave::BupStatedSize(single) > singlesave::kMaxDataSize) {
        host.ShowMessage({TextId::kWrongFormat, {}, {}});
        return {ImportOutcome::kRefused, result.name, {}};
      }
      single = singlesave::SarooFromBup(single);
    }
    // A checksum that does not match means damaged bytes: none of them go in.
    const singlesave::SroCheck check = singlesave::CheckSro(single);
    if (check == singlesave::SroCheck::kDamaged) {
      host.ShowMessage({TextId::kChecksumFailed, {platform::PathToUtf8(source)}, {}});
      return {ImportOutcome::kRefused, result.name, {}};
    }
    if (check == singlesave::SroCheck::kGood) single = singlesave::SarooFromSro(single);
    // The data show and convert take too (singlesave::SingleSaveData): said
    // where the stated size is not the data's length, and stored as taken.
    if (singlesave::IsSarooSingleSave(single)) {
      // A size, stated or carried, that no save can have: no single save.
      const singlesave::SingleSaveData data = singlesave::SarooSaveData(single);
      if (data.statedSize > singlesave::kMaxDataSize || data.carriedSize > singlesave::kMaxDataSize) {
        host.ShowMessage({TextId::kWrongFormat, {}, {}});
        return {ImportOutcome::kRefused, result.name, {}};
      }
      single = singlesave::SarooWithItsData(single);
    }
    if (sizesDiffer) host.ShowMessage(*sizesDiffer);
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
  // In SS_SAVE.BIN only the chosen game's saves share its names.
  const bool saveFilePane = pane.kind == ContainerKind::kSave;
  const int gameArea = saveFilePane ? save_file::FindGame(pane.image, state.targetGame).value_or(0) : 0;
  if (!state.compacting) {
    for (const SaveRecord& listed : pane.records) {
      if (!save_header::HoldsStoredName(listed.nameField, storedName) || listed.area != gameArea) continue;
      replacedRecord = listed.offset;
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
  if (!memsPane) {
    const bool placed = saveFilePane ? PlaceInSaveFile(bench, pane, single, header, size, result.newGame)
                                     : PlaceInBackupRam(bench, pane, single, header, size, replacedRecord);
    if (!placed) {
      result.outcome = ImportOutcome::kRefused;
      return result;
    }
    return FinishImport(bench, number, std::move(result));
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
  if (state.compacting) return {ImportOutcome::kImported, result.name, {}};
  if (pane.holdWrites) FollowHeldImport(pane, plan, size, replacedRecord);
  return FinishImport(bench, number, std::move(result));
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
  const bool interactive = bench.state.interactive;
  HeldImportRun run(bench, destination);

  std::vector<int> rows = bench.pane(source).selection;
  std::sort(rows.begin(), rows.end());
  if (rows.empty()) {
    bench.host().ShowMessage({TextId::kNothingSelectedToTransfer, {}, {}});
    return report;
  }
  // Into SS_SAVE.BIN: the game is asked once for the whole transfer.
  const GameForOneRun game(bench, destination, interactive);
  if (!game.Ready()) return report;
  StartExportRun(bench);
  run.Run(rows.size(), report, [&](std::size_t i) {
    bench.state.transferRow = rows[i];
    report.exports.push_back(ExportSingleSave(bench, source));
    // A save that could not be read whole was said so on export; it never
    // enters the target looking sound.
    const ExportOutcome exported = report.exports.back().outcome;
    report.imports.push_back(exported == ExportOutcome::kWritten ? ImportSingleSave(bench, destination)
                             : exported == ExportOutcome::kIncomplete ? ImportResult{ImportOutcome::kRefused, {}, {}}
                                                                      : ImportResult{});
  });
  return report;
}

TransferReport ImportSingleSaves(Workbench& bench, int pane, const std::vector<fs::path>& files) {
  TransferReport report;
  if (!bench.pane(pane).Writable()) return report;
  // Into SS_SAVE.BIN: the game is asked once for all the files.
  const GameForOneRun game(bench, pane, bench.state.interactive);
  if (!game.Ready()) return report;
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
  // A save taken with other sizes than stated is no reason for a refusal,
  // and is still said after the summary.
  std::vector<Message> warnings;
  std::erase_if(said, [&](const Message& message) {
    if (message.id != TextId::kSingleSaveSizesDiffer) return false;
    warnings.push_back(message);
    return true;
  });
  Message told{summary, {counts.imported, counts.skipped, counts.refused}, {}};
  if (counts.refused > 0 && !said.empty()) {
    told.lines.push_back({TextId::kTransferFirstReason, {}, {}});
    told.lines.push_back(std::move(said.front()));
  }
  warnings.insert(warnings.begin(), std::move(told));
  return warnings;
}

bool WriteHeldChanges(Workbench& bench, int number) {
  Pane& pane = bench.pane(number);
  pane.holdWrites = false;
  if (!pane.heldChanges) return true;
  return WritePaneImage(bench, number);
}

}  // namespace quillmere
