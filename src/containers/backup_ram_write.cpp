#include "containers/backup_ram_write.h"

#include <algorithm>

#include "model/save_header.h"

namespace quillmere::backup_ram {

namespace {

// Stream bytes that are not data in every block: bytes 0-3 of each block
// (the marker, or the zeros of a further block) and one 2-byte list entry.
constexpr std::uint64_t kPerBlockOverhead = kFurtherStreamOffset + kListEntrySize;
// What the start block's header and the list's 0 entry take beyond that.
constexpr std::uint64_t kSaveOverhead = kBlockListOffset + kListEntrySize - kPerBlockOverhead;  // 30

// Export puts the language byte after the 10 comment bytes and a zero byte.
constexpr std::size_t kLanguageInCommentField = kCommentSize + 1;

// The RAM as a write leaves it: lengthened with zeros to the whole memory.
// Copies only a short RAM.
class AsWritten {
 public:
  AsWritten(const ByteBuffer& ram, std::size_t ramSize) : ram_(&ram) {
    if (ram.size() >= ramSize) return;
    lengthened_ = ram;
    lengthened_.Resize(ramSize);
    ram_ = &lengthened_;
  }
  const ByteBuffer& operator*() const { return *ram_; }

 private:
  const ByteBuffer* ram_;
  ByteBuffer lengthened_;
};

// Calls `visit` with each block, in order, that starts a live save.
template <typename Visit>
void VisitLiveStartBlocks(const ByteBuffer& ram, const BackupRamGeometry& geometry, Visit visit) {
  const std::size_t blockSize = geometry.blockSize;
  // Block 0 holds the format text, never a save.
  for (std::size_t n = 1; n * blockSize < ram.size(); ++n) {
    // The marker's first byte rules out almost every block at the cost of one read.
    const std::size_t start = n * blockSize + kMarkerOffset;
    if (ram.At(start) == 0x80 && ram.ReadU32(start) == kSaveMarker) visit(static_cast<std::uint32_t>(n));
  }
}

// How many live saves name each block of the memory, counting to 2 at most,
// and how much of the listing's budget of further blocks is left. No owners
// when the lists together name more blocks than a listing follows: the
// blocks past that point are unknown, so none can be free.
struct Ownership {
  std::optional<std::vector<std::uint8_t>> owners;
  std::size_t budgetLeft = 0;
};

Ownership BlockOwners(const ByteBuffer& ram, const BackupRamGeometry& geometry) {
  std::vector<std::uint8_t> owners(geometry.blockCount, 0);
  std::size_t budget = ListedBlockBudget(geometry);
  bool beyondBudget = false;
  // Every import asks this of the memory: the starts are visited in place, not gathered.
  VisitLiveStartBlocks(ram, geometry, [&](std::uint32_t start) {
    if (beyondBudget) return;
    const SaveBlocks walk = CollectSaveBlocks(ram, start, budget, geometry);
    if (walk.stop == SaveBlocks::Stop::kBudget) {
      beyondBudget = true;
      return;
    }
    budget -= walk.blocks.size() - 1;
    for (const std::uint32_t block : walk.blocks) {
      if (block < geometry.blockCount && owners[block] < 2) ++owners[block];
    }
  });
  if (beyondBudget) return {};
  return {std::move(owners), budget};
}

BackupRamPlacement Refused(BackupRamRefusal why) {
  BackupRamPlacement refused;
  refused.refusal = why;
  return refused;
}

// The plan, given who owns each block of the RAM as the writer will leave it.
BackupRamPlacement PlanWithOwners(const ByteBuffer& view, const BackupRamGeometry& geometry, std::uint32_t size,
                                  const ByteBuffer& nameField, std::optional<std::uint32_t> replacedStartBlock,
                                  std::optional<std::vector<std::uint8_t>> owners) {
  BackupRamPlacement plan;
  plan.geometry = geometry;
  if (nameField.At(0) == 0) return Refused(BackupRamRefusal::kUnnamed);
  const std::uint64_t needed = BlocksNeeded(size, geometry);
  if (needed > geometry.blockCount - kFirstSaveBlock) return Refused(BackupRamRefusal::kTooLarge);
  if (!owners) return Refused(BackupRamRefusal::kNoRoom);

  if (replacedStartBlock) {
    // Freeing a block another save also names, or following a list that
    // loops or leaves the RAM, would hand out blocks that are not the
    // target's to give.
    const std::uint32_t start = *replacedStartBlock;
    const std::vector<std::uint32_t> live = LiveStartBlocks(view, geometry);
    if (start >= geometry.blockCount || !std::binary_search(live.begin(), live.end(), start)) {
      return Refused(BackupRamRefusal::kDamagedTarget);
    }
    const SaveBlocks target = CollectSaveBlocks(view, start, kMaxListedBlocks, geometry);
    const bool shared = std::any_of(target.blocks.begin(), target.blocks.end(),
                                    [&](std::uint32_t block) { return (*owners)[block] > 1; });
    if (target.stop != SaveBlocks::Stop::kEnded || shared) return Refused(BackupRamRefusal::kDamagedTarget);
    for (const std::uint32_t block : target.blocks) (*owners)[block] = 0;
    plan.replacedStartBlock = start;
    plan.freed = target.blocks;
  }

  std::vector<std::uint32_t> blocks;
  for (std::uint32_t block = kFirstSaveBlock; block < geometry.blockCount && blocks.size() < needed; ++block) {
    if ((*owners)[block] == 0) blocks.push_back(block);
  }
  if (blocks.size() < needed) return Refused(BackupRamRefusal::kNoRoom);
  plan.startBlock = blocks.front();
  plan.listBlocks.assign(blocks.begin() + 1, blocks.end());
  return plan;
}

}  // namespace

std::uint64_t BlocksNeeded(std::uint64_t size, const BackupRamGeometry& geometry) {
  if (geometry.blockSize < kBlockListOffset + kListEntrySize) return UINT64_MAX;
  const std::uint64_t perBlock = geometry.blockSize - kPerBlockOverhead;
  return (size + kSaveOverhead + perBlock - 1) / perBlock;
}

ByteBuffer RamIntoWordWide(const ByteBuffer& file, const ByteBuffer& ram) {
  std::vector<std::uint8_t> bytes = file.bytes();
  if (bytes.size() < 2 * ram.size()) bytes.resize(2 * ram.size(), 0xFF);
  const std::uint8_t* from = ram.data();
  for (std::size_t k = 0; k < ram.size(); ++k) bytes[2 * k + 1] = from[k];
  return ByteBuffer(std::move(bytes));
}

ByteBuffer EmptyBackupRam(const BackupRamGeometry& geometry) {
  ByteBuffer ram = ByteBuffer::Filled(geometry.RamSize(), 0);
  for (std::size_t at = 0; at + kFormatText.size() <= geometry.blockSize && ram.Contains(at, kFormatText.size());
       at += kFormatText.size()) {
    ram.MustWrite(at, ByteBuffer::FromText(kFormatText));
  }
  return ram;
}

ByteBuffer EmptyInternalBackupRamFile() { return RamIntoWordWide(ByteBuffer{}, EmptyBackupRam()); }

std::vector<std::uint32_t> LiveStartBlocks(const ByteBuffer& ram) { return LiveStartBlocks(ram, GeometryOfRam(ram.size())); }

std::vector<std::uint32_t> LiveStartBlocks(const ByteBuffer& ram, const BackupRamGeometry& geometry) {
  std::vector<std::uint32_t> starts;
  VisitLiveStartBlocks(ram, geometry, [&](std::uint32_t start) { starts.push_back(start); });
  return starts;
}

std::optional<std::uint32_t> FindBackupRamSave(const ByteBuffer& ram, const ByteBuffer& nameField) {
  return FindBackupRamSave(ram, nameField, GeometryOfRam(ram.size()));
}

std::optional<std::uint32_t> FindBackupRamSave(const ByteBuffer& ram, const ByteBuffer& nameField,
                                               const BackupRamGeometry& geometry) {
  const ByteBuffer wanted = save_header::StoredName(nameField);
  const std::size_t blockSize = geometry.blockSize;
  for (const std::uint32_t start : LiveStartBlocks(ram, geometry)) {
    const ByteBuffer name = ram.Slice(std::size_t{start} * blockSize + kNameOffset, kNameSize);
    if (save_header::StoredName(name) == wanted) return start;
  }
  return std::nullopt;
}

std::uint32_t FreeBlockCount(const ByteBuffer& ram) { return FreeBlockCount(ram, GeometryOfRam(ram.size())); }

std::uint32_t FreeBlockCount(const ByteBuffer& ram, const BackupRamGeometry& geometry) {
  const AsWritten view(ram, geometry.RamSize());
  const auto owners = BlockOwners(*view, geometry).owners;
  if (!owners) return 0;
  return static_cast<std::uint32_t>(std::count(owners->begin() + kFirstSaveBlock, owners->end(), 0));
}

BackupRamPlacement PlanBackupRamSave(const ByteBuffer& ram, std::uint32_t size, const ByteBuffer& nameField,
                                     std::optional<std::uint32_t> replacedStartBlock) {
  return PlanBackupRamSave(ram, GeometryOfRam(ram.size()), size, nameField, replacedStartBlock);
}

BackupRamPlacement PlanBackupRamSave(const ByteBuffer& ram, const BackupRamGeometry& geometry, std::uint32_t size,
                                     const ByteBuffer& nameField, std::optional<std::uint32_t> replacedStartBlock) {
  const AsWritten view(ram, geometry.RamSize());
  return PlanWithOwners(*view, geometry, size, nameField, replacedStartBlock, BlockOwners(*view, geometry).owners);
}

BlockOccupancy::BlockOccupancy(const ByteBuffer& ram, const BackupRamGeometry& geometry) : geometry_(geometry) {
  const AsWritten view(ram, geometry.RamSize());
  Ownership ownership = BlockOwners(*view, geometry);
  owners_ = std::move(ownership.owners);
  budget_ = ownership.budgetLeft;
}

BackupRamPlacement BlockOccupancy::Plan(const ByteBuffer& ram, std::uint32_t size, const ByteBuffer& nameField,
                                        std::optional<std::uint32_t> replacedStartBlock) const {
  const AsWritten view(ram, geometry_.RamSize());
  return PlanWithOwners(*view, geometry_, size, nameField, replacedStartBlock, owners_);
}

void BlockOccupancy::Placed(const BackupRamPlacement& plan) {
  if (!owners_ || plan.refusal != BackupRamRefusal::kNone) return;
  std::vector<std::uint8_t>& owners = *owners_;
  // The replaced save's blocks were its alone (a shared one is refused) and
  // are no one's now; its further blocks leave the listing's budget.
  for (const std::uint32_t block : plan.freed) owners[block] = 0;
  if (!plan.freed.empty()) budget_ += plan.freed.size() - 1;
  // The new save owns blocks no save named, and its list counts against the
  // budget as a listing would count it.
  if (plan.listBlocks.size() > budget_) {
    owners_.reset();
    return;
  }
  budget_ -= plan.listBlocks.size();
  owners[plan.startBlock] = 1;
  for (const std::uint32_t block : plan.listBlocks) owners[block] = 1;
}

bool WriteBackupRamSave(ByteBuffer& ram, const BackupRamPlacement& plan, const GatheredSave& save) {
  const BackupRamGeometry& geometry = plan.geometry;
  std::vector<std::uint32_t> blocks{plan.startBlock};
  blocks.insert(blocks.end(), plan.listBlocks.begin(), plan.listBlocks.end());
  // A plan made by hand could name block 0 or 1, or blocks past the RAM.
  const bool inRange = std::all_of(blocks.begin(), blocks.end(), [&](std::uint32_t block) {
    return block >= kFirstSaveBlock && block < geometry.blockCount;
  });
  if (plan.refusal != BackupRamRefusal::kNone || !inRange || geometry.blockSize < kBlockListOffset + kListEntrySize) {
    return false;
  }

  // From here every write lies in a block of the plan, each below the block
  // count, in a RAM lengthened to the whole memory, and each block holds the
  // start block's header: none of them can miss.
  if (ram.size() < geometry.RamSize()) ram.Resize(geometry.RamSize());
  if (plan.replacedStartBlock) DeleteBackupRamSaves(ram, {*plan.replacedStartBlock}, geometry);

  // The stream: the list, its 0 entry, then the data, cut where the blocks end.
  ByteBuffer stream = ByteBuffer::Filled(kListEntrySize * (plan.listBlocks.size() + 1), 0);
  for (std::size_t k = 0; k < plan.listBlocks.size(); ++k) stream.MustWriteBE(kListEntrySize * k, plan.listBlocks[k], 2);
  const std::size_t capacity = (geometry.blockSize - kBlockListOffset) +
                               (blocks.size() - 1) * (geometry.blockSize - kFurtherStreamOffset);
  stream.Append(ZeroFilledField(save.data, 0, std::min<std::size_t>(save.size, capacity - stream.size())));

  std::size_t from = 0;
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    const std::size_t at = std::size_t{blocks[i]} * geometry.blockSize;
    const std::size_t streamAt = i == 0 ? kBlockListOffset : kFurtherStreamOffset;
    const std::size_t count = std::min(geometry.blockSize - streamAt, stream.size() - from);
    ram.Fill(at, geometry.blockSize, 0);
    ram.MustWrite(at + streamAt, stream.Slice(from, count));
    from += count;
  }

  const std::size_t at = std::size_t{plan.startBlock} * geometry.blockSize;
  ram.MustWriteBE(at + kMarkerOffset, kSaveMarker, 4);
  ram.MustWrite(at + kNameOffset, ZeroFilledField(save.nameField, 0, kNameSize));
  ram.MustWriteBE(at + kLanguageOffset, save.commentField.At(kLanguageInCommentField), 1);
  ram.MustWrite(at + kCommentOffset, ZeroFilledField(save.commentField, 0, kCommentSize));
  ram.MustWriteBE(at + kDateOffset, save.date, 4);
  ram.MustWriteBE(at + kSizeOffset, save.size, 4);
  return true;
}

std::size_t DeleteBackupRamSaves(ByteBuffer& ram, const std::vector<std::uint32_t>& startBlocks) {
  return DeleteBackupRamSaves(ram, startBlocks, GeometryOfRam(ram.size()));
}

std::size_t DeleteBackupRamSaves(ByteBuffer& ram, const std::vector<std::uint32_t>& startBlocks,
                                 const BackupRamGeometry& geometry) {
  std::size_t deleted = 0;
  const std::size_t blockSize = geometry.blockSize;
  for (const std::uint32_t start : startBlocks) {
    const std::size_t at = std::size_t{start} * blockSize + kMarkerOffset;
    // A marker read whole or cut after its 0x80 byte: either way that byte is in the RAM.
    if (start == 0 || ram.ReadU32(at) != kSaveMarker) continue;
    ram.MustWriteBE(at, kDeletedMarkerByte, 1);
    ++deleted;
  }
  return deleted;
}

}  // namespace quillmere::backup_ram
