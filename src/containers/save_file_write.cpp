#include "containers/save_file_write.h"

#include <algorithm>
#include <map>
#include <set>

#include "model/save_header.h"

namespace quillmere::save_file {

namespace sh = save_header;

ByteBuffer EmptySaveFile() {
  ByteBuffer image = ByteBuffer::Filled(kAreaSize, 0);
  image.MustWrite(0, ByteBuffer::FromText(kIdentification));
  return image;
}

namespace {

// `k` must be a block of the area (below kAreaBlocks) and the image must hold
// the 64-byte bitmap at `bitmap`.
void SetBit(ByteBuffer& image, std::size_t bitmap, std::uint32_t k, bool on) {
  const std::uint8_t byte = image.At(bitmap + k / 8);
  const auto mask = static_cast<std::uint8_t>(1u << (k % 8));
  image.MustWriteBE(bitmap + k / 8, on ? byte | mask : byte & ~mask, 1);
}

std::size_t LinkOffset(std::size_t area, std::uint32_t block) {
  return RecordOffset(area, block) + (block == 0 ? kFirstRecordBlockOffset : kNextRecordBlockOffset);
}

}  // namespace

ByteBuffer FreshArea(const ByteBuffer& gameId) {
  ByteBuffer area = ByteBuffer::Filled(kAreaSize, 0);
  area.MustWrite(0, ByteBuffer::FromText(kAreaMagic));
  area.MustWriteBE(kAreaTotalSizeOffset, kAreaSize, 4);
  area.MustWriteBE(kAreaBlockSizeOffset, kBlockSize, 2);
  area.MustWriteBE(kFreeBlockCountOffset, kAreaBlocks - 1, 2);
  area.MustWrite(kAreaGameIdOffset, ZeroFilledField(gameId, 0, kGameIdSize));
  SetBit(area, kAreaBitmapOffset, 0, true);
  return area;
}

std::uint64_t BlocksTaken(std::uint64_t size) { return (size + kBlockSize - 1) / kBlockSize + 1; }

std::optional<std::size_t> FindSaveFileSave(const ByteBuffer& image, int slot, const ByteBuffer& nameField) {
  const ByteBuffer wanted = sh::StoredName(nameField);
  const std::size_t area = AreaOffset(slot);
  for (const std::uint32_t block : RecordChain(image, area)) {
    const std::size_t record = RecordOffset(area, block);
    if (sh::StoredName(image.Slice(record, kRecordNameSize)) == wanted) return record;
  }
  return std::nullopt;
}

SaveFilePlacement PlanSaveFileSave(const ByteBuffer& image, const ByteBuffer& gameId, std::uint32_t size,
                                   const ByteBuffer& nameField) {
  SaveFilePlacement plan;
  plan.gameId = ZeroFilledField(gameId, 0, kGameIdSize);
  auto refuse = [&](SaveFileRefusal refusal) {
    plan.refusal = refusal;
    return plan;
  };
  if (nameField.At(0) == 0) return refuse(SaveFileRefusal::kUnnamedSave);
  if (plan.gameId.ReadU32(0) == 0) return refuse(SaveFileRefusal::kUnnamedGame);
  if (const auto found = FindGame(image, plan.gameId)) {
    plan.slot = *found;
    plan.gameId = ZeroFilledField(image, SlotLabelOffset(plan.slot), kGameIdSize);
  } else if (const auto entry = FreeGameEntry(image)) {
    plan.slot = *entry;
    plan.newEntry = true;
  } else {
    return refuse(SaveFileRefusal::kIndexFull);
  }

  const std::size_t area = AreaOffset(plan.slot);
  const AreaSurvey survey = SurveyArea(image, area);
  std::vector<bool> free(kAreaBlocks, true);
  free[0] = false;
  if (survey.blank) {
    plan.freshArea = true;
  } else {
    // A new game's entry that ended the index still has an area: another
    // game's leftovers, which a fresh area would wipe.
    if (plan.newEntry) return refuse(SaveFileRefusal::kDamagedArea);
    plan.replacedRecord = FindSaveFileSave(image, plan.slot, nameField);
    std::vector<std::uint32_t> replacedBlocks;
    if (plan.replacedRecord) {
      const std::uint32_t start = static_cast<std::uint32_t>((*plan.replacedRecord - area) / kBlockSize);
      const std::size_t index = static_cast<std::size_t>(std::find(survey.chain.begin(), survey.chain.end(), start) -
                                                         survey.chain.begin());
      for (const AreaSurvey::Clash& clash : survey.clashes) {
        if (clash.save == index || clash.holder == static_cast<int>(index)) return refuse(SaveFileRefusal::kDamagedTarget);
      }
      replacedBlocks = survey.blocks[index];
    }
    if (!survey.Writable()) return refuse(SaveFileRefusal::kDamagedArea);
    for (std::uint32_t k = 0; k < kAreaBlocks; ++k) free[k] = !BlockMarked(image, area + kAreaBitmapOffset, k);
    for (const std::uint32_t block : replacedBlocks) free[block] = true;
  }

  std::vector<std::uint32_t> taken;
  const std::uint64_t needed = BlocksTaken(size);
  for (std::uint32_t k = 1; k < kAreaBlocks && taken.size() < needed; ++k) {
    if (free[k]) taken.push_back(k);
  }
  if (taken.size() < needed) return refuse(SaveFileRefusal::kNoRoom);
  plan.startBlock = taken.front();
  plan.dataBlocks.assign(taken.begin() + 1, taken.end());
  plan.fileSize = std::max(image.size(), area + kAreaSize);
  return plan;
}

bool WriteSaveFileSave(ByteBuffer& image, const SaveFilePlacement& plan, const GatheredSave& save) {
  // A plan made by hand could name a slot outside the index or a block
  // outside its area (block 0 is the area's header).
  const auto inArea = [](std::uint32_t block) { return block >= 1 && block < kAreaBlocks; };
  if (plan.refusal != SaveFileRefusal::kNone || plan.slot < 1 || plan.slot > kSlotCount || !inArea(plan.startBlock) ||
      !std::all_of(plan.dataBlocks.begin(), plan.dataBlocks.end(), inArea)) {
    return false;
  }
  // From here every write lies in the index or in the slot's area, which the
  // file is lengthened to hold whole: none of them can miss.
  const std::size_t area = AreaOffset(plan.slot);
  const std::size_t fileSize = std::max(plan.fileSize, area + kAreaSize);
  if (image.size() < fileSize) image.Append(fileSize - image.size(), 0);
  if (plan.newEntry) image.MustWrite(SlotLabelOffset(plan.slot), ZeroFilledField(plan.gameId, 0, kGameIdSize));
  if (plan.freshArea) image.MustWrite(area, FreshArea(plan.gameId));
  if (plan.replacedRecord) DeleteSaveFileSaves(image, {*plan.replacedRecord});

  ByteBuffer start = ByteBuffer::Filled(kBlockSize, 0);
  start.MustWrite(sh::kNameOffset, ZeroFilledField(save.nameField, 0, kRecordStoredNameSize));
  start.MustWriteBE(sh::kSizeOffset, save.size, 4);
  start.MustWrite(sh::kCommentOffset, ZeroFilledField(save.commentField, 0, kRecordCommentSize));
  start.MustWriteBE(kRecordLanguageOffset, save.commentField.At(sh::kCommentSize - 1), 1);
  start.MustWriteBE(sh::kDateOffset, save.date, 4);
  for (const std::uint32_t block : plan.dataBlocks) SetBit(start, kBlockBitmapOffset, block, true);
  image.MustWrite(RecordOffset(area, plan.startBlock), start);
  for (std::size_t k = 0; k < plan.dataBlocks.size(); ++k) {
    const std::size_t from = kBlockSize * k;
    const std::size_t length = from < save.size ? std::min<std::size_t>(kBlockSize, save.size - from) : 0;
    ByteBuffer block = ZeroFilledField(save.data, from, length);
    block.Resize(kBlockSize);
    image.MustWrite(RecordOffset(area, plan.dataBlocks[k]), block);
  }

  SetBit(image, area + kAreaBitmapOffset, plan.startBlock, true);
  for (const std::uint32_t block : plan.dataBlocks) SetBit(image, area + kAreaBitmapOffset, block, true);
  const std::uint32_t taken = static_cast<std::uint32_t>(plan.dataBlocks.size() + 1);
  const std::uint32_t count = image.ReadU16(area + kFreeBlockCountOffset);
  image.MustWriteBE(area + kFreeBlockCountOffset, count > taken ? count - taken : 0, 2);
  const std::vector<std::uint32_t> chain = RecordChain(image, area);
  image.MustWriteBE(LinkOffset(area, chain.empty() ? 0 : chain.back()), plan.startBlock, 2);
  return true;
}

std::size_t DeleteSaveFileSaves(ByteBuffer& image, const std::vector<std::size_t>& records) {
  std::set<std::size_t> areas;
  for (const std::size_t record : records) {
    if (record >= kAreaSize && record % kBlockSize == 0) areas.insert(record - record % kAreaSize);
  }
  const std::set<std::size_t> targets(records.begin(), records.end());
  std::size_t deleted = 0;
  for (const std::size_t area : areas) {
    const std::vector<std::uint32_t> chain = RecordChain(image, area);
    std::vector<bool> kept(kAreaBlocks, false);
    kept[0] = true;
    std::vector<std::uint32_t> freed;
    for (const std::uint32_t block : chain) {
      std::vector<std::uint32_t> blocks = DataBlocks(image, RecordOffset(area, block));
      blocks.push_back(block);
      for (const std::uint32_t b : blocks) {
        if (!targets.count(RecordOffset(area, block))) kept[b] = true;
        else freed.push_back(b);
      }
    }
    // Each link to a deleted save takes that save's next, through a run of
    // deleted saves; a damaged chain's link back into one is mended the same
    // way, so no deleted save stays reachable.
    std::map<std::uint32_t, std::uint32_t> nextOf;
    std::vector<std::uint32_t> holders = {0};
    for (const std::uint32_t block : chain) {
      if (targets.count(RecordOffset(area, block))) nextOf[block] = image.ReadU16(LinkOffset(area, block));
      else holders.push_back(block);
    }
    for (const std::uint32_t holder : holders) {
      const std::uint32_t link = image.ReadU16(LinkOffset(area, holder));
      std::uint32_t next = link;
      for (std::size_t steps = 0; nextOf.count(next) && steps <= nextOf.size(); ++steps) next = nextOf[next];
      if (nextOf.count(next)) next = 0;
      if (next == link) continue;
      // A link cut by the end of a short file reads as if zeros followed; to
      // change it the area is lengthened whole, as an import into it would.
      if (!image.Contains(LinkOffset(area, holder), 2)) image.Resize(area + kAreaSize);
      image.MustWriteBE(LinkOffset(area, holder), next, 2);
    }
    deleted += nextOf.size();
    std::uint32_t cleared = 0;
    for (const std::uint32_t b : freed) {
      if (kept[b] || !BlockMarked(image, area + kAreaBitmapOffset, b)) continue;
      SetBit(image, area + kAreaBitmapOffset, b, false);
      ++cleared;
    }
    const std::uint32_t count = image.ReadU16(area + kFreeBlockCountOffset);
    // A bit was cleared, so the area's first block, which holds the count, is in the file.
    if (cleared > 0) image.MustWriteBE(area + kFreeBlockCountOffset, std::min<std::uint32_t>(count + cleared, 0xFFFF), 2);
  }
  return deleted;
}

SaveFileRepair RepairSaveFile(ByteBuffer& image) {
  SaveFileRepair repair;
  for (int slot = 1; slot <= kSlotCount && AreaOffset(slot) < image.size(); ++slot) {
    const std::size_t area = AreaOffset(slot);
    if (EndsIndex(image, slot) || !image.Contains(area, kBlockSize)) continue;
    const AreaSurvey survey = SurveyArea(image, area);
    if (survey.blank || !survey.headerSound) continue;
    // A broken chain may hide saves that still own their blocks: keep every mark.
    const bool chainBroken = survey.loopsAt || survey.leavesFrom;
    std::uint32_t freed = 0, marked = 0, used = 0;
    for (std::uint32_t k = 0; k < kAreaBlocks; ++k) {
      const bool bit = BlockMarked(image, area + kAreaBitmapOffset, k);
      const bool want = survey.used[k] || (chainBroken && bit);
      used += want ? 1 : 0;
      if (bit == want) continue;
      (bit ? freed : marked) += 1;
      SetBit(image, area + kAreaBitmapOffset, k, want);
    }
    if (freed > 0 || marked > 0) repair.mended.push_back({MendedAreaBitmap{slot, freed, marked}, {}});
    if (survey.freeCount != kAreaBlocks - used) {
      repair.mended.push_back({MendedAreaFreeCount{slot, survey.freeCount, kAreaBlocks - used}, {}});
      image.MustWriteBE(area + kFreeBlockCountOffset, kAreaBlocks - used, 2);  // the area's first block is in the file
    }
  }
  repair.remaining = CheckSaveFile(image);
  return repair;
}

}  // namespace quillmere::save_file
