#include "operations/save_steps.h"

#include <algorithm>

#include "containers/backup_ram.h"
#include "containers/backup_ram_write.h"
#include "containers/save_file.h"
#include "containers/save_file_write.h"
#include "model/conversions.h"
#include "model/safe_file_name.h"
#include "model/save_header.h"
#include "platform/file_io.h"
#include "singlesave/bup_file.h"
#include "singlesave/single_save_file.h"
#include "singlesave/sro_file.h"

namespace quillmere {

namespace fs = std::filesystem;

GatheredSave GatherSave(const Container& container, const SaveRecord& record) {
  switch (container.kind) {
    case ContainerKind::kMems: return mems::ExtractMemsSave(container.image, record.offset);
    case ContainerKind::kBkram:
    case ContainerKind::kBup: {
      GatheredSave save = backup_ram::ExtractBackupRamSave(container.image, record.offset, container.geometry);
      // A save the end of a short memory cuts is written as far as it goes, never as whole.
      save.complete = save.complete && backup_ram::UnitsPresent(record, container.geometry, container.presentBytes);
      return save;
    }
    case ContainerKind::kSave: return save_file::ExtractSaveFileSave(container.image, record.offset);
  }
  return {};
}

ByteBuffer SingleSaveOf(const GatheredSave& save) {
  return singlesave::BuildSarooSingleSave(save.nameField, save.size, save.commentField, save.date, save.data);
}

ExportedSave ExportSave(const Container& container, const SaveRecord& record, ExportForm form) {
  const GatheredSave save = GatherSave(container, record);
  ExportedSave exported;
  exported.name = DecodeName(save.nameField);
  exported.complete = save.complete;
  exported.saroo = SingleSaveOf(save);
  // No save name can lead the write out of the folder. A .BUP and a .SRO
  // hold 11 name bytes, and are named by what they hold.
  const std::string held = SafeFileName(DecodeName(save_header::StoredName(save.nameField)));
  switch (form) {
    case ExportForm::kSaroo:
      exported.fileName = SafeFileName(exported.name) + ".bin";
      exported.bytes = exported.saroo;
      break;
    case ExportForm::kBup:
      exported.fileName = held + ".BUP";
      exported.bytes = singlesave::BupFromSaroo(exported.saroo);
      break;
    case ExportForm::kSro:
      exported.fileName = held + ".SRO";
      exported.bytes = singlesave::SroFromSaroo(exported.saroo);
      break;
  }
  return exported;
}

ExportRun::ExportRun(ExportFolders folders, std::vector<fs::path> protectedFiles) : folders_(std::move(folders)) {
  names_.StartRun(std::move(protectedFiles));
}

ExportResult ExportRun::Write(const ExportedSave& save, ExportForm form) {
  const fs::path& folder = folders_.For(form);
  const fs::path path = names_.Claim(folder / platform::PathFromUtf8(save.fileName));
  platform::EnsureDirectory(folder);
  if (!platform::WriteFileAtomic(path, save.bytes.bytes())) {
    return {ExportOutcome::kWriteFailed, path, Message{WriteFailed{platform::PathToUtf8(path)}, {}}, save.name};
  }
  if (!save.complete) {
    return {ExportOutcome::kIncomplete, path, Message{IncompleteSave{save.name}, {}}, save.name};
  }
  return {ExportOutcome::kWritten, path, std::nullopt, save.name};
}

namespace {

// Runs `count` steps of a run into `target`, each after asking the progress
// sink and each given the run's policy; stopped there, the target goes back
// to what it was.
template <typename Step>
void RunInto(Container& target, const ImportPolicy& policy, std::size_t count, ProgressSink* progress,
             TransferReport& report, Step step) {
  const ByteBuffer image = target.image;
  const std::vector<SaveRecord> records = target.records;
  // Into a backup memory, whose every plan would walk every save's list
  // again: its blocks are worked out once, and each placement keeps them.
  ImportPolicy runPolicy = policy;
  std::optional<backup_ram::BlockOccupancy> occupancy;
  if (target.IsBackupMemory()) {
    occupancy.emplace(target.image, target.geometry);
    runPolicy.occupancy = &*occupancy;
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (progress && !progress->Report(i, count)) {
      report.cancelled = true;
      break;
    }
    step(i, runPolicy);
  }
  if (progress) progress->Report(count, count);
  if (report.cancelled) {
    target.image = image;
    target.records = records;
  }
}

}  // namespace

TransferReport TransferSaves(const Container& source, const std::vector<SaveRecord>& saves, Container& target,
                             const ImportPolicy& policy, ExportRun& copies, ProgressSink* progress) {
  TransferReport report;
  RunInto(target, policy, saves.size(), progress, report, [&](std::size_t i, const ImportPolicy& runPolicy) {
    const ExportedSave exported = ExportSave(source, saves[i], ExportForm::kSaroo);
    report.exports.push_back(copies.Write(exported, ExportForm::kSaroo));
    // A save that could not be read whole was said so on export; it never
    // enters the target looking sound.
    switch (report.exports.back().outcome) {
      case ExportOutcome::kWritten: report.imports.push_back(ImportSave(target, exported.saroo, runPolicy)); break;
      case ExportOutcome::kIncomplete: report.imports.push_back({ImportOutcome::kRefused, exported.name, {}, {}, false, {}}); break;
      case ExportOutcome::kNoRow:
      case ExportOutcome::kWriteFailed: report.imports.push_back({}); break;
    }
  });
  return report;
}

TransferReport ImportFiles(Container& target, const std::vector<fs::path>& files, const ImportPolicy& policy,
                           ProgressSink* progress) {
  TransferReport report;
  RunInto(target, policy, files.size(), progress, report, [&](std::size_t i, const ImportPolicy& runPolicy) {
    SingleSaveRead read = ReadSingleSave(files[i]);
    ImportResult result;
    if (read.saroo) {
      result = ImportSave(target, *read.saroo, runPolicy);
    } else {
      result.outcome = ImportOutcome::kRefused;
      result.reason = std::move(read.refusal);
    }
    if (result.name.empty()) result.name = read.name;
    result.warnings.insert(result.warnings.begin(), read.warnings.begin(), read.warnings.end());
    report.imports.push_back(std::move(result));
  });
  return report;
}

TransferCounts CountTransfer(const TransferReport& report) {
  TransferCounts counts;
  for (std::size_t i = 0; i < report.imports.size(); ++i) {
    const ImportOutcome outcome = report.imports[i].outcome;
    const bool exportFailed = i < report.exports.size() && report.exports[i].outcome == ExportOutcome::kWriteFailed;
    if (report.imports[i].Placed()) ++counts.imported;
    if (outcome == ImportOutcome::kSkipped) ++counts.skipped;
    if (outcome == ImportOutcome::kRefused || outcome == ImportOutcome::kWriteFailed || exportFailed) ++counts.refused;
  }
  return counts;
}

std::vector<std::vector<Message>> SaidPerSave(const TransferReport& report) {
  std::vector<std::vector<Message>> said(std::max(report.exports.size(), report.imports.size()));
  std::vector<Message> roomRefusals;
  for (std::size_t i = 0; i < said.size(); ++i) {
    if (i < report.exports.size() && report.exports[i].said) said[i].push_back(*report.exports[i].said);
    if (i >= report.imports.size()) continue;
    const ImportResult& result = report.imports[i];
    said[i].insert(said[i].end(), result.warnings.begin(), result.warnings.end());
    if (!result.reason) continue;
    if (result.forLackOfRoom) {
      const auto sameKind = [&](const Message& told) { return SameKind(told.what, result.reason->what); };
      if (std::any_of(roomRefusals.begin(), roomRefusals.end(), sameKind)) continue;
      roomRefusals.push_back(*result.reason);
    }
    said[i].push_back(*result.reason);
  }
  return said;
}

std::vector<Message> RunSaid(const TransferReport& report) {
  std::vector<Message> said;
  for (const std::vector<Message>& save : SaidPerSave(report)) said.insert(said.end(), save.begin(), save.end());
  if (report.writeSaid) said.push_back(*report.writeSaid);
  return said;
}

std::vector<Message> RunMessages(const TransferReport& report, RunSummary summary) {
  std::vector<Message> said = RunSaid(report);
  const TransferCounts counts = CountTransfer(report);
  if (counts.skipped + counts.refused == 0 || report.cancelled || report.writeFailed) return said;
  // A save taken with other sizes than stated is no reason for a refusal,
  // and is still said after the summary.
  std::vector<Message> warnings;
  std::erase_if(said, [&](const Message& message) {
    if (!Is<SingleSaveSizesDiffer>(message)) return false;
    warnings.push_back(message);
    return true;
  });
  Message told = summary == RunSummary::kDrop ? Message(DropSummary{counts.imported, counts.skipped, counts.refused})
                                              : Message(TransferSummary{counts.imported, counts.skipped, counts.refused});
  told.lines.push_back({RunSavesNotImported{}, {}});
  for (std::size_t i = 0; i < report.imports.size(); ++i) {
    const ImportResult& result = report.imports[i];
    const ExportResult* copy = i < report.exports.size() ? &report.exports[i] : nullptr;
    std::optional<Message> reason;
    if (copy && copy->outcome != ExportOutcome::kWritten && copy->said) {
      reason = copy->said;
    } else if (result.outcome == ImportOutcome::kSkipped) {
      reason = Message{SkippedSameName{}, {}};
    } else if (result.outcome == ImportOutcome::kRefused || result.outcome == ImportOutcome::kWriteFailed) {
      reason = result.reason;
    }
    if (!reason) continue;
    const std::string& name = result.name.empty() && copy ? copy->name : result.name;
    told.lines.push_back({SaveWithReason{name}, {std::move(*reason)}});
  }
  warnings.insert(warnings.begin(), std::move(told));
  return warnings;
}

namespace {

// The empty formatted state: every cluster free but the header and the
// directory, every byte after the first bitmap byte zero. The identification
// (0x00-0x0B) and reserved (0x0E-0x0F) bytes are the card's own and stay.
ByteBuffer EmptiedMemsImage(ByteBuffer image) {
  if (image.size() < mems::kImageSize) image.Resize(mems::kImageSize);
  // The image is at least 8 MiB now: both fields lie inside it.
  image.MustWriteBE(mems::kFreeClusterCountOffset, mems::kEmptyFreeClusterCount, 2);
  image.MustWriteBE(mems::kClusterBitmapOffset, 0xFF, 1);
  image.Fill(mems::kClusterBitmapOffset + 1, mems::kImageSize - mems::kClusterBitmapOffset - 1, 0);
  return image;
}

}  // namespace

CompactResult Compact(Container& container, const std::vector<SaveRecord>& order, ProgressSink* progress) {
  if (container.kind != ContainerKind::kMems || order.empty()) return {};
  // A file whose opening left doubt (too short, or holding another kind) is never rewritten.
  if (container.writeRefusal) return {CompactOutcome::kRefused, container.writeRefusal};
  // Compacting rewrites every cluster: on an image where saves share
  // clusters or reach outside the data area, moving one would change another.
  if (const auto problem = mems::FirstUnmendableProblem(container.image)) {
    return {CompactOutcome::kRefused, Message{CannotCompactDamaged{}, {problem->AsMessage()}}};
  }
  const std::size_t saves = order.size();
  const auto stopped = [&](std::size_t done) {
    if (!progress || progress->Report(done, saves)) return false;
    progress->Report(saves, saves);
    return true;
  };
  struct Lifted {
    ByteBuffer saroo;
    ByteBuffer slotName;
  };
  std::vector<Lifted> lifted;
  for (std::size_t k = 0; k < saves; ++k) {
    // Each save goes back under the name its slot listed, which a damaged
    // directory may hold apart from its record's.
    lifted.push_back({SingleSaveOf(GatherSave(container, order[k])), order[k].nameField});
  }
  Container rebuilt = container;
  rebuilt.image = EmptiedMemsImage(std::move(rebuilt.image));
  rebuilt.records.clear();
  for (std::size_t k = 0; k < lifted.size(); ++k) {
    if (stopped(k)) return {CompactOutcome::kCancelled, std::nullopt};
    ImportPolicy policy;
    policy.slotName = lifted[k].slotName;
    ImportResult placed = ImportSave(rebuilt, lifted[k].saroo, policy);
    // All or nothing: the container stays as it was.
    if (!placed.Placed()) return {CompactOutcome::kRefused, std::move(placed.reason)};
  }
  if (progress) progress->Report(saves, saves);
  container = std::move(rebuilt);
  return {CompactOutcome::kCompacted, std::nullopt};
}

void DeleteSaves(Container& container, const std::vector<SaveRecord>& saves) {
  std::vector<int> slots;
  std::vector<std::uint32_t> startBlocks;
  std::vector<std::size_t> offsets;
  for (const SaveRecord& record : saves) {
    slots.push_back(static_cast<int>(record.num));
    if (container.IsBackupMemory()) startBlocks.push_back(static_cast<std::uint32_t>(record.offset / container.geometry.blockSize));
    offsets.push_back(record.offset);
  }
  switch (container.kind) {
    case ContainerKind::kMems: mems::DeleteMemsSaves(container.image, slots); break;
    case ContainerKind::kBkram:
    case ContainerKind::kBup: backup_ram::DeleteBackupRamSaves(container.image, startBlocks, container.geometry); break;
    case ContainerKind::kSave: save_file::DeleteSaveFileSaves(container.image, offsets); break;
  }
  container.ListAgain();
}

std::optional<Message> RepairRefusal(const Container& container) {
  // A backup memory has no allocation record: its saves are their own record.
  if (container.IsBackupMemory()) {
    return Message{RepairNotForMemory{platform::PathToUtf8(container.file)}, {}};
  }
  if (container.writeRefusal) return container.writeRefusal;
  if (container.kind == ContainerKind::kMems && container.image.size() < mems::kDataAreaOffset) {
    return Message{WrongFormat{}, {}};
  }
  return std::nullopt;
}

RepairResult Repair(Container& container) {
  RepairResult result;
  result.refusal = RepairRefusal(container);
  if (result.refusal) return result;
  ByteBuffer repaired = container.image;
  if (container.kind == ContainerKind::kSave) {
    save_file::SaveFileRepair repair = save_file::RepairSaveFile(repaired);
    result.repair = {std::move(repair.mended), std::move(repair.remaining)};
  } else {
    result.repair = mems::RepairMemsImage(repaired);
  }
  result.changed = repaired != container.image;
  if (result.changed) {
    container.image = std::move(repaired);
    container.ListAgain();
  }
  return result;
}

std::vector<Problem> Check(const Container& container) {
  std::vector<Problem> problems = container.openingProblems;
  std::vector<Problem> found;
  switch (container.kind) {
    case ContainerKind::kMems: found = mems::CheckMemsImage(container.image); break;
    case ContainerKind::kBkram:
    case ContainerKind::kBup: found = backup_ram::CheckBackupRam(container.image, container.geometry); break;
    case ContainerKind::kSave: found = save_file::CheckSaveFile(container.image, container.records); break;
  }
  problems.insert(problems.end(), found.begin(), found.end());
  return problems;
}

}  // namespace quillmere
