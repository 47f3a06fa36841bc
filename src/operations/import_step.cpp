#include "operations/import_step.h"

#include "containers/backup_ram.h"
#include "containers/backup_ram_write.h"
#include "containers/mems_image.h"
#include "containers/save_file.h"
#include "containers/save_file_write.h"
#include "model/conversions.h"
#include "model/gathered_save.h"
#include "model/save_header.h"
#include "operations/single_save_conversion.h"
#include "platform/ascii.h"
#include "platform/file_io.h"
#include "singlesave/bup_file.h"
#include "singlesave/single_save_file.h"
#include "singlesave/sro_file.h"

namespace quillmere {

namespace fs = std::filesystem;
using Saroo = singlesave::SarooSingleSaveFile;

namespace {

// "SSAVERAW" and the eight zero bytes that must follow it.
const ByteBuffer& SarooMagic() {
  static const ByteBuffer magic = [] {
    ByteBuffer bytes = ByteBuffer::FromText(Saroo::kMagic);
    bytes.Resize(Saroo::kMagicSize + Saroo::kReservedSize);
    return bytes;
  }();
  return magic;
}

ImportResult Refused(ImportResult result, Message reason, bool forLackOfRoom = false) {
  result.outcome = ImportOutcome::kRefused;
  result.reason = std::move(reason);
  result.forLackOfRoom = forLackOfRoom;
  return result;
}

Message MemsRefusalText(mems::PlacementRefusal refusal) {
  switch (refusal) {
    case mems::PlacementRefusal::kDirectoryFull: return DirectoryFull{};
    case mems::PlacementRefusal::kNoRecordCluster: return BitmapFullForRecord{};
    case mems::PlacementRefusal::kNoDataClusters: return BitmapFullForData{};
    case mems::PlacementRefusal::kTooLarge: return SaveTooLarge{};
    case mems::PlacementRefusal::kDamagedTarget: return DamagedTarget{};
    case mems::PlacementRefusal::kUnnamed:
    case mems::PlacementRefusal::kNone: break;
  }
  return UnnamedSave{};
}

bool ForLackOfRoom(mems::PlacementRefusal refusal) {
  return refusal == mems::PlacementRefusal::kDirectoryFull || refusal == mems::PlacementRefusal::kNoRecordCluster ||
         refusal == mems::PlacementRefusal::kNoDataClusters;
}

Message BackupRamRefusalText(backup_ram::BackupRamRefusal refusal) {
  switch (refusal) {
    case backup_ram::BackupRamRefusal::kDamagedTarget: return DamagedTarget{};
    case backup_ram::BackupRamRefusal::kUnnamed: return UnnamedSave{};
    case backup_ram::BackupRamRefusal::kNoRoom:
    case backup_ram::BackupRamRefusal::kTooLarge:
    case backup_ram::BackupRamRefusal::kNone: break;
  }
  return BackupRamFull{};
}

Message SaveFileRefusalText(save_file::SaveFileRefusal refusal) {
  switch (refusal) {
    case save_file::SaveFileRefusal::kIndexFull: return GameIndexFull{};
    case save_file::SaveFileRefusal::kUnnamedSave: return UnnamedSave{};
    case save_file::SaveFileRefusal::kUnnamedGame: return UnnamedGame{};
    case save_file::SaveFileRefusal::kDamagedArea: return DamagedArea{};
    case save_file::SaveFileRefusal::kDamagedTarget: return DamagedTarget{};
    case save_file::SaveFileRefusal::kNoRoom:
    case save_file::SaveFileRefusal::kNone: break;
  }
  return AreaFull{};
}

// The record of a save just placed in an SS_MEMS.BIN image, as the reader
// would list it; a replaced save keeps its directory entry and so its number.
SaveRecord PlacedMemsRecord(const ByteBuffer& image, const mems::MemsPlacement& plan, std::uint32_t size, int slot) {
  mems::MemsSave save{slot, plan.recordCluster, size, {plan.recordCluster}};
  save.clusters.insert(save.clusters.end(), plan.dataClusters.begin(), plan.dataClusters.end());
  return mems::MemsRecord(image, save, save_header::kCommentSize);
}

// The save as the containers' writers take it: its header's fields and data.
GatheredSave SaveOf(const ByteBuffer& saroo, const ByteBuffer& header, std::uint32_t size) {
  GatheredSave save = GatherSaveHeader(header, 0);
  save.data = saroo.Slice(Saroo::kDataOffset, size);
  return save;
}

ImportResult PlaceInMems(Container& container, const ByteBuffer& saroo, const ByteBuffer& header, std::uint32_t size,
                         const std::optional<std::size_t>& replaced, const ImportPolicy& policy, ImportResult result) {
  // A full list refuses a new save only; a replacement keeps its slot.
  if (!replaced && container.records.size() >= static_cast<std::size_t>(mems::kDirectorySlots)) {
    return Refused(std::move(result), {ListFull{policy.listNumber}, {}}, true);
  }
  const ByteBuffer slotName =
      policy.slotName && !policy.slotName->empty() ? *policy.slotName
                                                   : header.Slice(save_header::kNameOffset, save_header::kNameSize);
  const mems::MemsPlacement plan = mems::PlanMemsSave(container.image, size, slotName, replaced);
  if (plan.refusal != mems::PlacementRefusal::kNone) {
    return Refused(std::move(result), MemsRefusalText(plan.refusal), ForLackOfRoom(plan.refusal));
  }
  // A plan the writer cannot carry out whole changes nothing and is refused.
  if (!mems::WriteMemsSave(container.image, plan, slotName, header, saroo.Slice(Saroo::kDataOffset, size))) {
    return Refused(std::move(result), {DamagedTarget{}, {}});
  }
  if (!replaced) {
    container.records.push_back(PlacedMemsRecord(container.image, plan, size, plan.slot));
    return result;
  }
  for (SaveRecord& record : container.records) {
    if (record.offset == *replaced) record = PlacedMemsRecord(container.image, plan, size, static_cast<int>(record.num));
  }
  return result;
}

ImportResult PlaceInBackupRam(Container& container, const ByteBuffer& saroo, const ByteBuffer& header,
                              std::uint32_t size, const std::optional<std::size_t>& replaced,
                              backup_ram::BlockOccupancy* occupancy, ImportResult result) {
  const GatheredSave save = SaveOf(saroo, header, size);
  std::optional<std::uint32_t> replacedBlock;
  if (replaced) replacedBlock = static_cast<std::uint32_t>(*replaced / container.geometry.blockSize);
  const backup_ram::BackupRamPlacement plan =
      occupancy ? occupancy->Plan(container.image, size, save.nameField, replacedBlock)
                : backup_ram::PlanBackupRamSave(container.image, container.geometry, size, save.nameField, replacedBlock);
  if (plan.refusal != backup_ram::BackupRamRefusal::kNone) {
    const bool forLackOfRoom = plan.refusal == backup_ram::BackupRamRefusal::kNoRoom ||
                               plan.refusal == backup_ram::BackupRamRefusal::kTooLarge;
    return Refused(std::move(result), BackupRamRefusalText(plan.refusal), forLackOfRoom);
  }
  if (!backup_ram::WriteBackupRamSave(container.image, plan, save)) {
    return Refused(std::move(result), {DamagedTarget{}, {}});
  }
  if (occupancy) occupancy->Placed(plan);
  // The records follow the RAM, the new save last; a reload lists them in block order.
  if (replaced) std::erase_if(container.records, [&](const SaveRecord& r) { return r.offset == *replaced; });
  container.records.push_back(backup_ram::BackupRamRecord(container.image, plan.startBlock,
                                                          static_cast<std::uint32_t>(container.records.size() + 1),
                                                          backup_ram::kMaxListedBlocks, container.geometry));
  return result;
}

ImportResult PlaceInSaveFile(Container& container, const ByteBuffer& saroo, const ByteBuffer& header,
                             std::uint32_t size, const ImportPolicy& policy, ImportResult result) {
  const GatheredSave save = SaveOf(saroo, header, size);
  const save_file::SaveFilePlacement plan =
      save_file::PlanSaveFileSave(container.image, policy.game, size, save.nameField);
  if (plan.refusal != save_file::SaveFileRefusal::kNone) {
    const bool forLackOfRoom = plan.refusal == save_file::SaveFileRefusal::kNoRoom ||
                               plan.refusal == save_file::SaveFileRefusal::kIndexFull;
    return Refused(std::move(result), SaveFileRefusalText(plan.refusal), forLackOfRoom);
  }
  if (!save_file::WriteSaveFileSave(container.image, plan, save)) {
    return Refused(std::move(result), {DamagedTarget{}, {}});
  }
  if (plan.newEntry) result.newGame = save_file::GameIdText(plan.gameId);
  container.records = save_file::ListSaveFile(container.image).records;
  return result;
}

}  // namespace

std::string SourceNameOf(const fs::path& file, std::string_view extension) {
  const std::string name = platform::PathToUtf8(file.filename());
  return name.substr(0, platform::AsciiLower(name).find(extension));
}

SingleSaveRead ReadSingleSave(const fs::path& file) {
  SingleSaveRead read;
  read.name = SourceNameOf(file);
  platform::FileContents contents = platform::ReadFileChecked(file);
  switch (contents.status) {
    case platform::ReadStatus::kRead: break;
    case platform::ReadStatus::kTooLarge:
      read.refusal = Message{FileTooLarge{platform::PathToUtf8(file)}, {}};
      return read;
    case platform::ReadStatus::kMissing:
    case platform::ReadStatus::kUnreadable:
      read.refusal = Message{ReadFailed{platform::PathToUtf8(file)}, {}};
      return read;
  }
  ByteBuffer single(std::move(contents.bytes));
  // Worked out on the file as read: a .BUP is turned into the SAROO form below.
  std::optional<Message> sizesDiffer = SizesDifferWarning(file, single);
  const auto refuse = [&](Message message) {
    read.refusal = std::move(message);
    return read;
  };
  if (singlesave::IsBupSingleSave(single)) {
    // A stated size no save can have is no .BUP, however it begins.
    if (singlesave::BupStatedSize(single) > singlesave::kMaxDataSize) return refuse({WrongFormat{}, {}});
    single = singlesave::SarooFromBup(single);
  }
  // A checksum that does not match means damaged bytes: none of them go in.
  const singlesave::SroCheck check = singlesave::CheckSro(single);
  if (check == singlesave::SroCheck::kDamaged) {
    return refuse({ChecksumFailed{platform::PathToUtf8(file)}, {}});
  }
  if (check == singlesave::SroCheck::kGood) single = singlesave::SarooFromSro(single);
  // The data show and convert take too (singlesave::SingleSaveData): said
  // where the stated size is not the data's length, and stored as taken.
  if (singlesave::IsSarooSingleSave(single)) {
    // A size, stated or carried, that no save can have: no single save.
    const singlesave::SingleSaveData data = singlesave::SarooSaveData(single);
    if (data.statedSize > singlesave::kMaxDataSize || data.carriedSize > singlesave::kMaxDataSize) {
      return refuse({WrongFormat{}, {}});
    }
    single = singlesave::SarooWithItsData(single);
  }
  if (sizesDiffer) read.warnings.push_back(std::move(*sizesDiffer));
  read.saroo = std::move(single);
  return read;
}

bool IsSingleSaveFile(const fs::path& file) {
  const SingleSaveRead read = ReadSingleSave(file);
  return read.saroo && read.saroo->Slice(0, Saroo::kSaveHeaderOffset) == SarooMagic();
}

ImportResult ImportSave(Container& container, const ByteBuffer& saroo, const ImportPolicy& policy) {
  ImportResult result;
  // Too short to hold the free count, the bitmap and the directory: no
  // SS_MEMS.BIN, and nothing to place a save in.
  if (container.kind == ContainerKind::kMems && container.image.size() < mems::kDataAreaOffset) {
    return Refused(std::move(result), {WrongFormat{}, {}});
  }
  if (saroo.Slice(0, Saroo::kSaveHeaderOffset) != SarooMagic()) {
    return Refused(std::move(result), {NotSarooSingleSave{}, {}});
  }
  const ByteBuffer header = ZeroFilledField(saroo, Saroo::kSaveHeaderOffset, save_header::kSize);
  const std::uint32_t size = header.ReadU32(save_header::kSizeOffset);
  if (size > singlesave::kMaxDataSize) return Refused(std::move(result), {WrongFormat{}, {}});
  // The save is known by the name it holds, byte for byte: never by its file
  // name or its decoded text, which different names can share.
  const ByteBuffer storedName =
      save_header::StoredName(header.Slice(save_header::kNameOffset, save_header::kNameSize));
  result.name = DecodeName(storedName);

  // Every listed save of that name is asked about; the last one is replaced.
  // A compaction puts every save back as a new one, so it matches nothing.
  std::optional<std::size_t> replaced;
  SaveRecord incoming;
  incoming.nameField = header.Slice(save_header::kNameOffset, save_header::kNameSize);
  incoming.date = header.ReadU32(save_header::kDateOffset);
  incoming.size = size;
  // In SS_SAVE.BIN only the chosen game's saves share its names.
  const int gameArea =
      container.kind == ContainerKind::kSave ? save_file::FindGame(container.image, policy.game).value_or(0) : 0;
  if (!policy.slotName) {
    for (const SaveRecord& listed : container.records) {
      if (!save_header::HoldsStoredName(listed.nameField, storedName) || listed.area != gameArea) continue;
      replaced = listed.offset;
      const bool mayReplace = policy.sameName == SameName::kReplace ||
                              (policy.sameName == SameName::kAsk && policy.questions &&
                               policy.questions->ReplaceSave(listed, incoming));
      if (mayReplace) continue;
      result.outcome = policy.sameName == SameName::kAsk ? ImportOutcome::kCancelled : ImportOutcome::kSkipped;
      return result;
    }
  }
  result.outcome = replaced ? ImportOutcome::kReplaced : ImportOutcome::kImported;
  switch (container.kind) {
    case ContainerKind::kMems: return PlaceInMems(container, saroo, header, size, replaced, policy, std::move(result));
    case ContainerKind::kBkram:
    case ContainerKind::kBup:
      return PlaceInBackupRam(container, saroo, header, size, replaced, policy.occupancy, std::move(result));
    case ContainerKind::kSave: return PlaceInSaveFile(container, saroo, header, size, policy, std::move(result));
  }
  return result;
}

}  // namespace quillmere
