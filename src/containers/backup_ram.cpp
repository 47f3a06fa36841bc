#include "containers/backup_ram.h"

#include <algorithm>
#include <bitset>
#include <optional>

#include "model/conversions.h"

namespace quillmere::backup_ram {

namespace {

// Stream bytes the first block holds (+34 to its end), and each further block (+4 to its end).
std::size_t FirstBlockStream(const BackupRamGeometry& geometry) { return geometry.blockSize - kBlockListOffset; }
std::size_t FurtherBlockStream(const BackupRamGeometry& geometry) { return geometry.blockSize - kFurtherStreamOffset; }

}  // namespace

BackupRamGeometry GeometryOfRam(std::size_t ramSize) {
  constexpr std::size_t kKiB = 1024;
  switch (ramSize) {
    case 512 * kKiB:
    case 1024 * kKiB:
    case 2048 * kKiB: return {512, static_cast<std::uint32_t>(ramSize / 512)};
    case 4096 * kKiB: return {1024, kMaxBlockCount};
    default: return {};
  }
}

std::size_t ListedBlockBudget(const BackupRamGeometry& geometry) { return std::size_t{8} * geometry.blockCount; }

ByteBuffer WordWideToRam(const ByteBuffer& file) {
  std::vector<std::uint8_t> ram(file.size() / 2);
  const std::uint8_t* words = file.data();
  for (std::size_t k = 0; k < ram.size(); ++k) ram[k] = words[2 * k + 1];  // 2k + 1 < the file's size
  return ByteBuffer(std::move(ram));
}

std::optional<std::size_t> StreamOffset(const std::vector<std::uint32_t>& blocks, std::size_t position,
                                        const BackupRamGeometry& geometry) {
  if (blocks.empty()) return std::nullopt;
  const std::size_t first = FirstBlockStream(geometry);
  if (position < first) return std::size_t{blocks[0]} * geometry.blockSize + kBlockListOffset + position;
  const std::size_t further = position - first;
  const std::size_t index = 1 + further / FurtherBlockStream(geometry);
  if (index >= blocks.size()) return std::nullopt;
  return std::size_t{blocks[index]} * geometry.blockSize + kFurtherStreamOffset + further % FurtherBlockStream(geometry);
}

ByteBuffer ReadStream(const ByteBuffer& ram, const std::vector<std::uint32_t>& blocks, std::size_t position,
                      std::size_t count, const BackupRamGeometry& geometry) {
  ByteBuffer bytes;
  // One step per block, so a huge count ends with the blocks.
  while (count > 0) {
    const std::optional<std::size_t> offset = StreamOffset(blocks, position, geometry);
    if (!offset) break;
    const std::size_t chunk = std::min(count, geometry.blockSize - *offset % geometry.blockSize);
    bytes.Append(ram.Slice(*offset, chunk));
    position += chunk;
    count -= chunk;
  }
  return bytes;
}

SaveBlocks CollectSaveBlocks(const ByteBuffer& ram, std::uint32_t firstBlock, std::size_t maxFurtherBlocks) {
  return CollectSaveBlocks(ram, firstBlock, maxFurtherBlocks, GeometryOfRam(ram.size()));
}

SaveBlocks CollectSaveBlocks(const ByteBuffer& ram, std::uint32_t firstBlock, std::size_t maxFurtherBlocks,
                             const BackupRamGeometry& geometry) {
  SaveBlocks save;
  const std::uint32_t size = ram.ReadU32(std::size_t{firstBlock} * geometry.blockSize + kSizeOffset);
  save.blocks.reserve(std::min<std::size_t>(BlocksOccupied(size), geometry.blockCount));
  save.blocks.push_back(firstBlock);
  if (size <= kFirstBlockDataLimit) {
    // The list is its 0 entry alone and is not read.
    save.dataStart = kListEntrySize;
    save.listEnded = true;
    return save;
  }

  // The blocks met so far. A run of imports walks every save's list for each
  // save, and most lists are a few blocks long: those are checked against
  // the blocks already taken, and only a long list gets a bit per block.
  constexpr std::size_t kLinearBlocks = 32;
  std::vector<bool> taken;
  const auto seen = [&](std::uint32_t block) {
    if (taken.empty()) return std::find(save.blocks.begin(), save.blocks.end(), block) != save.blocks.end();
    return block < taken.size() && taken[block];
  };
  const auto see = [&](std::uint32_t block) {
    if (taken.empty() && save.blocks.size() < kLinearBlocks) return;
    if (taken.empty()) {
      taken.assign(geometry.blockCount, false);
      for (const std::uint32_t met : save.blocks) {
        if (met < taken.size()) taken[met] = true;
      }
    }
    if (block < taken.size()) taken[block] = true;
  };
  if (firstBlock < geometry.blockCount) see(firstBlock);
  std::size_t position = 0;
  // Where the next entry lies, as StreamOffset says, followed a step at a
  // time rather than divided out for every entry.
  std::size_t blockIndex = 0;
  std::size_t within = 0;
  // Every entry that continues the walk adds a new block below the block
  // count, so the walk ends after at most that many entries.
  while (true) {
    if (blockIndex >= save.blocks.size()) {  // the list ran past the blocks it named: never fall into block 0
      save.stop = SaveBlocks::Stop::kRanOut;
      break;
    }
    const std::size_t streamStart = blockIndex == 0 ? kBlockListOffset : kFurtherStreamOffset;
    const std::uint32_t entry = ram.ReadU16(std::size_t{save.blocks[blockIndex]} * geometry.blockSize + streamStart + within);
    position += kListEntrySize;
    within += kListEntrySize;
    const std::size_t held = blockIndex == 0 ? FirstBlockStream(geometry) : FurtherBlockStream(geometry);
    if (within >= held) {
      within -= held;
      ++blockIndex;
    }
    if (entry == 0) {
      save.listEnded = true;
      break;
    }
    // A block outside the RAM or already in the save would be read twice or
    // not at all; it is neither kept nor followed.
    const bool outside = entry >= geometry.blockCount || std::size_t{entry} * geometry.blockSize >= ram.size();
    if (outside || seen(entry) || save.blocks.size() > maxFurtherBlocks) {
      save.stop = outside ? SaveBlocks::Stop::kOutside : seen(entry) ? SaveBlocks::Stop::kRepeated : SaveBlocks::Stop::kBudget;
      save.badEntry = entry;
      break;
    }
    see(entry);
    save.blocks.push_back(entry);
  }
  save.dataStart = position;
  return save;
}

ByteBuffer ReadSaveData(const ByteBuffer& ram, std::uint32_t firstBlock) {
  const BackupRamGeometry geometry = GeometryOfRam(ram.size());
  const SaveBlocks save = CollectSaveBlocks(ram, firstBlock, kMaxListedBlocks, geometry);
  const std::uint32_t size = ram.ReadU32(std::size_t{firstBlock} * geometry.blockSize + kSizeOffset);
  return ReadStream(ram, save.blocks, save.dataStart, size, geometry);
}

GatheredSave ExtractBackupRamSave(const ByteBuffer& ram, std::size_t offset) {
  return ExtractBackupRamSave(ram, offset, GeometryOfRam(ram.size()));
}

GatheredSave ExtractBackupRamSave(const ByteBuffer& ram, std::size_t offset, const BackupRamGeometry& geometry) {
  GatheredSave save;
  save.nameField = ram.Slice(offset + kNameOffset, kNameSize);
  save.nameField.Resize(kNameSize + 1);
  save.commentField = ram.Slice(offset + kCommentOffset, kCommentSize);
  save.commentField.Resize(kCommentSize + 1);
  save.commentField.Append(1, ram.At(offset + kLanguageOffset));
  save.date = ram.ReadU32(offset + kDateOffset);
  save.size = ram.ReadU32(offset + kSizeOffset);
  // A record address always starts a block; one that does not names no save.
  save.complete = false;
  const std::size_t blockSize = geometry.blockSize;
  if (offset % blockSize == 0 && offset / blockSize < (std::size_t{1} << 32)) {
    const SaveBlocks blocks =
        CollectSaveBlocks(ram, static_cast<std::uint32_t>(offset / blockSize), kMaxListedBlocks, geometry);
    save.data = ReadStream(ram, blocks.blocks, blocks.dataStart, save.size, geometry);
    // A list that loops or leaves the RAM, or blocks too few for the size,
    // give only part of the save.
    save.complete = blocks.listEnded && save.data.size() == save.size;
  }
  return save;
}

std::uint32_t BlocksOccupied(std::uint32_t size) {
  if (size <= kFirstBlockDataLimit) return 1;
  // 30 + 60k stream bytes hold 2k + 2 list bytes and the data.
  constexpr std::uint64_t kPerBlock = kBlockSize - kFurtherStreamOffset - kListEntrySize;
  return static_cast<std::uint32_t>(1 + (std::uint64_t{size} - kFirstBlockDataLimit + kPerBlock - 1) / kPerBlock);
}

std::int64_t SpaceTaken(std::uint32_t size) { return (std::int64_t{size} + 94) / 64; }

SaveRecord BackupRamRecord(const ByteBuffer& ram, std::uint32_t startBlock, std::uint32_t num,
                           std::size_t maxFurtherBlocks) {
  return BackupRamRecord(ram, startBlock, num, maxFurtherBlocks, GeometryOfRam(ram.size()));
}

SaveRecord BackupRamRecord(const ByteBuffer& ram, std::uint32_t startBlock, std::uint32_t num,
                           std::size_t maxFurtherBlocks, const BackupRamGeometry& geometry) {
  const std::size_t start = std::size_t{startBlock} * geometry.blockSize;
  SaveRecord record;
  record.num = num;
  record.offset = start;
  record.nameField = ram.Slice(start + kNameOffset, kNameSize);
  record.commentField = ram.Slice(start + kCommentOffset, kCommentSize);
  record.language = ram.At(start + kLanguageOffset);
  record.date = ram.ReadU32(start + kDateOffset);
  record.size = ram.ReadU32(start + kSizeOffset);
  record.units = CollectSaveBlocks(ram, startBlock, maxFurtherBlocks, geometry).blocks;
  return record;
}

BackupRamListing ListBackupRam(const ByteBuffer& ram) { return ListBackupRam(ram, GeometryOfRam(ram.size())); }

BackupRamListing ListBackupRam(const ByteBuffer& ram, const BackupRamGeometry& geometry) {
  BackupRamListing listing;
  std::size_t budget = ListedBlockBudget(geometry);
  const std::size_t lastBlock = ram.size() / geometry.blockSize;
  // Block 0 holds the RAM's format text, never a save.
  for (std::size_t n = 1; n <= lastBlock; ++n) {
    const std::size_t start = n * geometry.blockSize;
    if (ram.ReadU32(start + kMarkerOffset) != kSaveMarker) continue;
    SaveRecord record = BackupRamRecord(ram, static_cast<std::uint32_t>(n),
                                        static_cast<std::uint32_t>(listing.records.size() + 1), budget, geometry);
    budget -= record.units.size() - 1;
    listing.remainingSpace -= SpaceTaken(record.size);
    listing.records.push_back(std::move(record));
  }
  // Saves that claim more than the RAM holds leave nothing, never less.
  listing.remainingSpace = std::max<std::int64_t>(0, listing.remainingSpace);
  return listing;
}

bool UnitsPresent(const SaveRecord& record, const BackupRamGeometry& geometry, std::size_t presentBytes) {
  return std::all_of(record.units.begin(), record.units.end(), [&](std::uint32_t block) {
    return (std::size_t{block} + 1) * geometry.blockSize <= presentBytes;
  });
}

std::vector<bool> UsedBlocks(const std::vector<SaveRecord>& records, std::uint32_t blockCount) {
  std::vector<bool> used(blockCount, false);
  for (const SaveRecord& record : records) {
    // Blocks past the last of a long image are listed but lie outside the RAM.
    for (const std::uint32_t block : record.units) {
      if (block < blockCount) used[block] = true;
    }
  }
  return used;
}

std::vector<Problem> CheckBackupRam(const ByteBuffer& ram) { return CheckBackupRam(ram, GeometryOfRam(ram.size())); }

std::vector<Problem> CheckBackupRam(const ByteBuffer& ram, const BackupRamGeometry& geometry) {
  std::vector<Problem> problems;
  // Each problem names the save by its name and first block.
  struct Owner {
    std::string name;
    std::size_t block = 0;
  };
  std::vector<std::optional<Owner>> owner(geometry.blockCount);
  std::size_t budget = ListedBlockBudget(geometry);
  const std::size_t lastBlock = ram.size() / geometry.blockSize;
  for (std::size_t n = 1; n <= lastBlock; ++n) {
    const std::size_t start = n * geometry.blockSize;
    if (ram.ReadU32(start + kMarkerOffset) != kSaveMarker) continue;
    const std::string name = DecodeName(ram.Slice(start + kNameOffset, kNameSize));
    auto report = [&](ProblemKind problem) { problems.push_back({std::move(problem), Severity::kFatal}); };
    const SaveBlocks walk = CollectSaveBlocks(ram, static_cast<std::uint32_t>(n), budget, geometry);
    budget -= walk.blocks.size() - 1;
    switch (walk.stop) {
      case SaveBlocks::Stop::kEnded: break;
      case SaveBlocks::Stop::kOutside: report(ProblemListOutsideRam{name, n, walk.badEntry}); break;
      case SaveBlocks::Stop::kRepeated: report(ProblemListLoops{name, n, walk.badEntry}); break;
      case SaveBlocks::Stop::kRanOut: report(ProblemListRunsOn{name, n}); break;
      case SaveBlocks::Stop::kBudget: report(ProblemListTooLong{name, n}); break;
    }
    for (const std::uint32_t block : walk.blocks) {
      if (block >= geometry.blockCount) {
        if (block == n) report(ProblemOutsideRam{name, n});
        continue;
      }
      if (owner[block]) report(ProblemSharedBlock{name, n, block, owner[block]->name, owner[block]->block});
      else owner[block] = Owner{name, n};
    }
    // The stream holds 30 bytes in the first block and 60 in each further one (of 64).
    const std::size_t stream = FirstBlockStream(geometry) + FurtherBlockStream(geometry) * (walk.blocks.size() - 1);
    const std::size_t room = stream > walk.dataStart ? stream - walk.dataStart : 0;
    const std::uint32_t size = ram.ReadU32(start + kSizeOffset);
    if (size > room) report(ProblemSizeExceedsBlocks{name, n, size, room});
  }
  return problems;
}

}  // namespace quillmere::backup_ram
