#include "containers/mems_image.h"

#include <algorithm>
#include <set>

#include "model/conversions.h"
#include "model/save_header.h"

namespace quillmere::mems {

namespace sh = save_header;

std::uint32_t DataClusterCount(std::uint32_t size) {
  if (size <= kSmallSaveLimit) return 0;
  return size / kClusterSize + (size % kClusterSize != 0 ? 1 : 0);
}

namespace {

// Calls `visit` with the record cluster, then each data cluster the list names.
template <typename Visit>
void VisitSaveClusters(const ByteBuffer& image, std::uint32_t firstCluster, Visit visit) {
  visit(firstCluster);
  const std::size_t record = std::size_t{firstCluster} * kClusterSize;
  const std::uint32_t size = image.ReadU32(record + sh::kSizeOffset);
  // The list cannot name more clusters than the record cluster holds.
  const std::uint32_t listed = std::min<std::uint32_t>(DataClusterCount(size), kClusterListCapacity);
  for (std::uint32_t k = 0; k < listed; ++k) visit(image.ReadU16(record + kRecordPayloadOffset + 2 * k));
}

}  // namespace

std::vector<std::uint32_t> SaveClusters(const ByteBuffer& image, std::uint32_t firstCluster) {
  std::vector<std::uint32_t> clusters;
  const std::uint32_t size = image.ReadU32(std::size_t{firstCluster} * kClusterSize + sh::kSizeOffset);
  clusters.reserve(1 + std::min<std::uint32_t>(DataClusterCount(size), kClusterListCapacity));
  VisitSaveClusters(image, firstCluster, [&](std::uint32_t cluster) { clusters.push_back(cluster); });
  return clusters;
}

bool IsClusterUsed(const ByteBuffer& image, std::uint32_t cluster) {
  if (cluster >= kBitmapClusters) return false;
  return (image.At(kClusterBitmapOffset + cluster / 8) >> (cluster % 8)) & 1;
}

std::vector<MemsSave> ListMemsSaves(const ByteBuffer& image, bool withClusters) {
  std::vector<MemsSave> saves;
  for (int slot = 1; slot <= kDirectorySlots; ++slot) {
    const std::size_t entry = SlotOffset(slot);
    const std::uint32_t firstCluster = image.ReadU16(entry + kEntryFirstClusterOffset);
    if (image.At(entry + kEntryNameOffset) == 0 || firstCluster == 0) continue;
    const std::uint32_t size = image.ReadU32(std::size_t{firstCluster} * kClusterSize + sh::kSizeOffset);
    saves.push_back({slot, firstCluster, size, withClusters ? SaveClusters(image, firstCluster) : std::vector<std::uint32_t>{}});
  }
  return saves;
}

SaveRecord MemsRecord(const ByteBuffer& image, const MemsSave& save, std::size_t commentBytes) {
  const std::size_t start = std::size_t{save.firstCluster} * kClusterSize;
  SaveRecord record;
  record.num = static_cast<std::uint32_t>(save.slot);
  record.offset = start;
  record.units = save.clusters;
  record.nameField = image.Slice(SlotOffset(save.slot) + kEntryNameOffset, kEntryNameSize);
  record.commentField = image.Slice(start + sh::kCommentOffset, std::min(commentBytes, sh::kCommentSize));
  record.language = image.At(start + sh::kCommentOffset + sh::kCommentSize - 1);
  record.date = image.ReadU32(start + sh::kDateOffset);
  record.size = save.size;
  return record;
}

MemsListing ListMemsImage(const ByteBuffer& image, std::size_t commentBytes) {
  MemsListing listing;
  // A full image (or one too short to hold a free count) has nothing left, never less.
  listing.remainingSpace =
      std::max<std::int64_t>(0, 16 * static_cast<std::int64_t>(image.ReadU16(kFreeClusterCountOffset)) - 16);
  listing.nextEntryPosition = kDirectoryOffset + 1;
  std::int64_t runningEnd = kDataAreaOffset;
  std::vector<MemsSave> saves = ListMemsSaves(image);
  listing.records.reserve(saves.size());
  for (MemsSave& save : saves) {
    // The record takes the save's clusters over rather than a copy of them.
    std::vector<std::uint32_t> units = std::move(save.clusters);
    save.clusters.clear();
    listing.records.push_back(MemsRecord(image, save, commentBytes));
    listing.records.back().units = std::move(units);
    listing.nextEntryPosition = static_cast<std::uint32_t>(kDirectoryOffset + 1 + kDirectoryEntrySize * save.slot);
    // The save reaches over its record cluster and, when large, one cluster
    // per started 1024 bytes of data.
    const std::int64_t start = static_cast<std::int64_t>(save.firstCluster) * kClusterSize;
    const std::int64_t span = save.size + (save.size >= kClusterSize ? kClusterSize : 64);
    const std::int64_t clusters = std::max<std::int64_t>(1, (span + kClusterSize - 1) / kClusterSize);
    runningEnd = start + clusters * static_cast<std::int64_t>(kClusterSize);
  }
  listing.nextDataOffset = runningEnd;
  return listing;
}

namespace {

bool InDataArea(std::uint32_t cluster) { return cluster >= kReservedClusters && cluster < kBitmapClusters; }

}  // namespace

GatheredSave ExtractMemsSave(const ByteBuffer& image, std::size_t recordOffset) {
  GatheredSave save = GatherSaveHeader(image, recordOffset);
  // A record inside the header or the directory, or past the bitmap, holds no
  // save of its own: what it reads is another structure's bytes.
  save.complete = recordOffset % kClusterSize == 0 && InDataArea(static_cast<std::uint32_t>(
                                                         std::min<std::size_t>(recordOffset / kClusterSize, kClusterCount)));
  if (save.size <= kSmallSaveLimit) {
    save.data = image.Slice(recordOffset + kRecordPayloadOffset, save.size);
  } else {
    const std::uint32_t listed = std::min<std::uint32_t>(DataClusterCount(save.size), kClusterListCapacity);
    for (std::uint32_t k = 0; k < listed && save.data.size() < save.size; ++k) {
      const std::uint32_t cluster = image.ReadU16(recordOffset + kRecordPayloadOffset + 2 * k);
      save.complete = save.complete && InDataArea(cluster);
      const ByteBuffer chunk = image.Slice(std::size_t{cluster} * kClusterSize, kClusterSize);
      save.data.Append(chunk);
      // Past the end of a short image the rest would land out of place: what
      // can be read is the data up to there.
      if (chunk.size() < kClusterSize) break;
    }
    if (save.data.size() > save.size) save.data.Resize(save.size);
  }
  // A list longer than a record holds, or clusters past the end of a short
  // image, leave the data short of its size.
  save.complete = save.complete && save.data.size() == save.size;
  return save;
}

namespace {

// Zeroes [from, to) of `image` except the clusters in `keep`.
void ZeroOutside(ByteBuffer& image, std::size_t from, std::size_t to, const std::set<std::uint32_t>& keep) {
  to = std::min(to, image.size());
  while (from < to) {
    const auto cluster = static_cast<std::uint32_t>(from / kClusterSize);
    const std::size_t clusterEnd = std::min<std::size_t>((std::size_t{cluster} + 1) * kClusterSize, to);
    if (!keep.contains(cluster)) image.Fill(from, clusterEnd - from, 0);
    from = clusterEnd;
  }
}

}  // namespace

ByteBuffer ClearUnusedSpace(const ByteBuffer& image, const MemsListing& listing) {
  ByteBuffer cleared = image;
  std::set<std::uint32_t> occupied;
  for (const SaveRecord& save : listing.records) occupied.insert(save.units.begin(), save.units.end());
  // The directory after the highest in-use slot. A damaged directory can point
  // a record into clusters 1-7; that record is kept like any other save.
  ZeroOutside(cleared, listing.nextEntryPosition - 1, kDataAreaOffset, occupied);
  // The data area from where the highest slot's save ends. A damaged record
  // in clusters 1-7 puts that end inside the directory, which the data step
  // must never reach: only the step above clears slots.
  const std::size_t dataFrom = static_cast<std::size_t>(std::max<std::int64_t>(listing.nextDataOffset, kDataAreaOffset));
  ZeroOutside(cleared, dataFrom, cleared.size(), occupied);
  return cleared;
}

namespace {

// One flag per cluster of the data area: taken unless the bitmap marks it free
// and no listed save's record or cluster list names it. A damaged bitmap
// that lost a save's bits never hands that save's clusters to another.
std::vector<std::uint8_t> TakenClusters(const ByteBuffer& image) {
  const ByteBuffer bitmap = ZeroFilledField(image, kClusterBitmapOffset, kClusterBitmapSize);
  std::vector<std::uint8_t> use(kBitmapClusters, 0);
  for (std::size_t byte = 0; byte < kClusterBitmapSize; ++byte) {
    for (std::size_t bit = 0; bitmap.At(byte) >> bit; ++bit) use[byte * 8 + bit] = (bitmap.At(byte) >> bit) & 1;
  }
  std::fill_n(use.begin(), kReservedClusters, 1);
  // Every import asks this of a growing image: the lists are walked in
  // place, without gathering them.
  for (const MemsSave& save : ListMemsSaves(image, false)) {
    VisitSaveClusters(image, save.firstCluster, [&](std::uint32_t cluster) {
      if (cluster < kBitmapClusters) use[cluster] = 1;
    });
  }
  return use;
}

// `cluster` must have a bit (below kBitmapClusters) and the image must hold
// the bitmap.
void SetClusterBit(ByteBuffer& image, std::uint32_t cluster, bool used) {
  const std::size_t at = kClusterBitmapOffset + cluster / 8;
  const auto mask = static_cast<std::uint8_t>(1u << (cluster % 8));
  image.MustWriteBE(at, used ? image.At(at) | mask : image.At(at) & ~mask, 1);
}

// Takes the lowest free cluster, or nothing when every cluster is used.
std::optional<std::uint32_t> TakeFirstFree(std::vector<std::uint8_t>& use, std::uint32_t& from) {
  while (from < use.size() && use[from]) ++from;
  if (from >= use.size()) return std::nullopt;
  use[from] = true;
  return from++;
}

int FirstFreeSlot(const ByteBuffer& image) {
  for (int slot = 1; slot <= kDirectorySlots; ++slot) {
    if (image.At(SlotOffset(slot) + kEntryNameOffset) == 0) return slot;
  }
  return 0;
}

}  // namespace

MemsPlacement PlanMemsSave(const ByteBuffer& image, std::uint32_t size, const ByteBuffer& nameField,
                           std::optional<std::size_t> replacedRecord) {
  MemsPlacement plan;
  const std::uint32_t needed = DataClusterCount(size);
  if (needed > kClusterListCapacity) {
    plan.refusal = PlacementRefusal::kTooLarge;
    return plan;
  }
  std::vector<std::uint8_t> use = TakenClusters(image);
  std::uint32_t searchFrom = 0;

  if (!replacedRecord) {
    // The directory counts a slot whose name starts with a zero byte as
    // empty, so such a save would take clusters no listing ever shows.
    if (nameField.At(0) == 0) {
      plan.refusal = PlacementRefusal::kUnnamed;
      return plan;
    }
    plan.slot = FirstFreeSlot(image);
    if (plan.slot == 0) {
      plan.refusal = PlacementRefusal::kDirectoryFull;
      return plan;
    }
    const auto record = TakeFirstFree(use, searchFrom);
    if (!record) {
      plan.refusal = PlacementRefusal::kNoRecordCluster;
      return plan;
    }
    plan.recordCluster = *record;
    plan.taken.push_back(*record);
  } else {
    // The save to replace must be one listed save whose clusters are its
    // own: writing through a record or a list that points outside the data
    // area, or into clusters another slot also names, would overwrite the
    // header, the directory or that other save.
    const std::size_t offset = *replacedRecord;
    plan.recordCluster = static_cast<std::uint32_t>(std::min<std::size_t>(offset / kClusterSize, kClusterCount));
    const std::vector<MemsSave> saves = ListMemsSaves(image);
    const MemsSave* target = nullptr;
    std::set<std::uint32_t> others;
    int owners = 0;
    for (const MemsSave& save : saves) {
      if (save.firstCluster == plan.recordCluster && offset % kClusterSize == 0) {
        target = &save;
        ++owners;
      } else {
        others.insert(save.clusters.begin(), save.clusters.end());
      }
    }
    bool damaged = owners != 1;
    std::set<std::uint32_t> seen;
    if (target != nullptr) {
      for (const std::uint32_t cluster : target->clusters) {
        damaged = damaged || !InDataArea(cluster) || others.contains(cluster) || !seen.insert(cluster).second;
      }
    }
    if (damaged) {
      plan.refusal = PlacementRefusal::kDamagedTarget;
      return plan;
    }
    const std::vector<std::uint32_t> oldData(target->clusters.begin() + 1, target->clusters.end());
    const bool oldSmall = oldData.empty();
    const bool inPlace = (needed == 0 && oldSmall) || (needed > 0 && !oldSmall && needed <= oldData.size());
    const std::size_t kept = inPlace ? needed : 0;
    plan.dataClusters.assign(oldData.begin(), oldData.begin() + static_cast<std::ptrdiff_t>(kept));
    // The record stays taken; the data clusters no longer listed are the
    // save's alone (a shared one refused the plan above), so they come free.
    for (std::size_t k = kept; k < oldData.size(); ++k) {
      use[oldData[k]] = false;
      plan.released.push_back(oldData[k]);
    }
    if (inPlace) return plan;
  }

  for (std::uint32_t k = 0; k < needed; ++k) {
    const auto cluster = TakeFirstFree(use, searchFrom);
    if (!cluster) {
      MemsPlacement refused;
      refused.refusal = PlacementRefusal::kNoDataClusters;
      return refused;
    }
    plan.dataClusters.push_back(*cluster);
    plan.taken.push_back(*cluster);
  }
  return plan;
}

bool WriteMemsSave(ByteBuffer& image, const MemsPlacement& plan, const ByteBuffer& nameField,
                   const ByteBuffer& header, const ByteBuffer& data) {
  const std::uint32_t size = static_cast<std::uint32_t>(header.ReadU32(sh::kSizeOffset));
  // A plan made by hand, or for another size than the header states, could
  // name a slot outside the directory, a cluster outside the data area, or
  // spill a small save's data over the clusters after its record.
  const auto allInDataArea = [](const std::vector<std::uint32_t>& clusters) {
    return std::all_of(clusters.begin(), clusters.end(), InDataArea);
  };
  if (plan.refusal != PlacementRefusal::kNone || plan.slot < 0 || plan.slot > kDirectorySlots ||
      !InDataArea(plan.recordCluster) || !allInDataArea(plan.dataClusters) || !allInDataArea(plan.taken) ||
      !allInDataArea(plan.released) || plan.dataClusters.size() != DataClusterCount(size)) {
    return false;
  }
  // From here every write lies in the header, a directory slot or a data-area
  // cluster of an image lengthened to 8 MiB: none of them can miss.
  if (image.size() < kImageSize) image.Resize(kImageSize);
  if (plan.slot != 0) {
    const std::size_t entry = SlotOffset(plan.slot);
    image.MustWrite(entry + kEntryNameOffset, ZeroFilledField(nameField, 0, kEntryNameSize));
    image.MustWriteBE(entry + kEntryFirstClusterOffset, plan.recordCluster, 2);
  }
  const std::size_t record = std::size_t{plan.recordCluster} * kClusterSize;
  image.Fill(record, kClusterSize, 0);
  image.MustWrite(record, ZeroFilledField(header, 0, sh::kSize));
  if (plan.dataClusters.empty()) {
    image.MustWrite(record + kRecordPayloadOffset, ZeroFilledField(data, 0, size));
  } else {
    for (std::size_t k = 0; k < plan.dataClusters.size(); ++k) {
      const std::size_t cluster = std::size_t{plan.dataClusters[k]} * kClusterSize;
      image.MustWriteBE(record + kRecordPayloadOffset + 2 * k, plan.dataClusters[k], 2);
      // The last cluster takes what is left of the data; missing bytes are zero.
      const std::size_t from = k * kClusterSize;
      const std::size_t length = std::min<std::size_t>(kClusterSize, size - from);
      image.Fill(cluster, kClusterSize, 0);
      image.MustWrite(cluster, data.Slice(from, length));
    }
  }

  if (plan.taken.empty() && plan.released.empty()) return true;
  // The bitmap as the plan leaves it; clusters 0-7 are always in use.
  image.MustWriteBE(kClusterBitmapOffset, 0xFF, 1);
  for (const std::uint32_t cluster : plan.released) SetClusterBit(image, cluster, false);
  for (const std::uint32_t cluster : plan.taken) SetClusterBit(image, cluster, true);
  const std::int64_t freeCount = std::int64_t{image.ReadU16(kFreeClusterCountOffset)} +
                                 static_cast<std::int64_t>(plan.released.size()) -
                                 static_cast<std::int64_t>(plan.taken.size());
  image.MustWriteBE(kFreeClusterCountOffset, static_cast<std::uint64_t>(std::clamp<std::int64_t>(freeCount, 0, 0xFFFF)), 2);
  return true;
}

ByteBuffer EmptyMemsImage() {
  ByteBuffer image = ByteBuffer::Filled(kImageSize, 0);
  image.MustWrite(0, ByteBuffer{'S', 'a', 'r', 'o', 'M', 'e', 'm', 's', 0x00, 0x80, 0x00, 0x00});
  image.MustWriteBE(kFreeClusterCountOffset, kEmptyFreeClusterCount, 2);
  image.MustWriteBE(kClusterBitmapOffset, 0xFF, 1);
  return image;
}

void DeleteMemsSaves(ByteBuffer& image, const std::vector<int>& slots) {
  // A slot number outside the directory names no slot: its offset would lie
  // in the bitmap or in cluster 8 on.
  std::set<int> doomed;
  for (const int slot : slots) {
    if (slot >= 1 && slot <= kDirectorySlots) doomed.insert(slot);
  }
  std::set<std::uint32_t> kept, released;
  const std::vector<MemsSave> saves = ListMemsSaves(image);
  for (const MemsSave& save : saves) {
    if (!doomed.contains(save.slot)) kept.insert(save.clusters.begin(), save.clusters.end());
  }
  for (const MemsSave& save : saves) {
    if (!doomed.contains(save.slot)) continue;
    for (const std::uint32_t cluster : save.clusters) {
      if (InDataArea(cluster) && !kept.contains(cluster)) released.insert(cluster);
    }
  }
  for (const int slot : doomed) image.Fill(SlotOffset(slot), kDirectoryEntrySize, 0);
  // A listed save's slot lies past the free count and the bitmap, so an image
  // that lists one holds both; with nothing released neither changes.
  if (released.empty()) return;
  std::int64_t freed = 0;
  for (const std::uint32_t cluster : released) {
    freed += IsClusterUsed(image, cluster) ? 1 : 0;
    SetClusterBit(image, cluster, false);
    image.Fill(std::size_t{cluster} * kClusterSize, kClusterSize, 0);
  }
  const std::int64_t freeCount = std::int64_t{image.ReadU16(kFreeClusterCountOffset)} + freed;
  image.MustWriteBE(kFreeClusterCountOffset, static_cast<std::uint64_t>(std::min<std::int64_t>(freeCount, 0xFFFF)), 2);
}

MemsRepair RepairMemsImage(ByteBuffer& image) {
  MemsRepair repair;
  if (image.size() < kClusterBitmapOffset + kClusterBitmapSize) {
    repair.remaining = CheckMemsImage(image);
    return repair;
  }
  // First the slots' reserved bytes: a damaged record that lies in the
  // directory reads its size and cluster list from them, so the bitmap is
  // rebuilt from what the repaired image will list.
  int reservedSlots = 0;
  for (int slot = 1; slot <= kDirectorySlots; ++slot) {
    const std::size_t reserved = SlotOffset(slot) + kEntryReservedOffset;
    if (image.ReadU16(reserved) == 0) continue;
    ++reservedSlots;
    image.Fill(reserved, 2, 0);
  }
  if (reservedSlots > 0) repair.mended.push_back({MendedReservedBytes{reservedSlots}, {}});
  std::vector<std::uint8_t> used(kBitmapClusters, 0);
  std::fill_n(used.begin(), kReservedClusters, 1);
  for (const MemsSave& save : ListMemsSaves(image)) {
    for (const std::uint32_t cluster : save.clusters) {
      if (InDataArea(cluster)) used[cluster] = 1;
    }
  }
  std::uint32_t strayBits = 0, missingBits = 0, usedCount = 0;
  for (std::uint32_t c = 0; c < kBitmapClusters; ++c) {
    usedCount += used[c];
    if (IsClusterUsed(image, c) == static_cast<bool>(used[c])) continue;
    (used[c] ? missingBits : strayBits) += 1;
    SetClusterBit(image, c, used[c] != 0);
  }
  if (strayBits > 0) repair.mended.push_back({MendedStrayBits{strayBits}, {}});
  if (missingBits > 0) repair.mended.push_back({MendedMissingBits{missingBits}, {}});
  const std::uint32_t freeCount = image.ReadU16(kFreeClusterCountOffset);
  if (freeCount != kBitmapClusters - usedCount) {
    repair.mended.push_back({MendedFreeCount{freeCount, kBitmapClusters - usedCount}, {}});
    image.MustWriteBE(kFreeClusterCountOffset, kBitmapClusters - usedCount, 2);  // the image holds the bitmap
  }
  repair.remaining = CheckMemsImage(image);
  return repair;
}

namespace {

// Walks the problems of an image in a fixed order, handing each to `report`.
template <typename Report>
void VisitProblems(const ByteBuffer& image, Report report) {
  auto fatal = [&](ProblemKind problem) { report(Problem{std::move(problem), Severity::kFatal}); };
  auto warning = [&](ProblemKind problem) { report(Problem{std::move(problem), Severity::kWarning}); };
  if (image.size() != kImageSize) warning(ProblemImageSize{image.size(), kImageSize});
  const std::vector<MemsSave> saves = ListMemsSaves(image);
  std::vector<int> owner(kClusterCount, 0);
  for (std::uint32_t c = 0; c < kReservedClusters; ++c) owner[c] = -1;
  for (const MemsSave& save : saves) {
    if (DataClusterCount(save.size) > kClusterListCapacity) {
      fatal(ProblemTooLargeForList{save.slot, save.size, kClusterListCapacity});
    }
    for (const std::uint32_t cluster : save.clusters) {
      if (cluster < kReservedClusters || cluster >= kBitmapClusters) {
        fatal(ProblemOutsideDataArea{save.slot, cluster});
      } else if (owner[cluster] != 0) {
        fatal(ProblemSharedCluster{save.slot, cluster, owner[cluster]});
      } else {
        owner[cluster] = save.slot;
        if ((std::size_t{cluster} + 1) * kClusterSize > image.size()) fatal(ProblemPastImageEnd{save.slot, cluster});
      }
    }
  }
  std::uint32_t used = 0;
  for (std::uint32_t c = 0; c < kBitmapClusters; ++c) {
    const bool expected = owner[c] != 0;
    used += expected ? 1 : 0;
    if (IsClusterUsed(image, c) != expected) {
      warning(expected ? ProblemKind(ProblemBitmapMarksFree{c}) : ProblemKind(ProblemBitmapMarksUsed{c}));
    }
  }
  const std::uint32_t freeCount = image.ReadU16(kFreeClusterCountOffset);
  if (freeCount != kBitmapClusters - used) warning(ProblemFreeCount{freeCount, kBitmapClusters - used});
}

}  // namespace

std::vector<Problem> CheckMemsImage(const ByteBuffer& image) {
  std::vector<Problem> problems;
  VisitProblems(image, [&](Problem problem) { problems.push_back(std::move(problem)); });
  return problems;
}

std::optional<Problem> FirstUnmendableProblem(const ByteBuffer& image) {
  std::optional<Problem> first;
  VisitProblems(image, [&](Problem problem) {
    if (!first && problem.severity == Severity::kFatal) first = std::move(problem);
  });
  return first;
}

}  // namespace quillmere::mems
