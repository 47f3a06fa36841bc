#include "containers/mems_image.h"

#include <algorithm>
#include <set>

#include "model/conversions.h"
#include "model/save_header.h"
#include "platform/file_io.h"

namespace quillmere::mems {

namespace sh = save_header;

std::uint32_t DataClusterCount(std::uint32_t size) {
  if (size <= kSmallSaveLimit) return 0;
  return size / kClusterSize + (size % kClusterSize != 0 ? 1 : 0);
}

std::vector<std::uint32_t> SaveClusters(const ByteBuffer& image, std::uint32_t firstCluster) {
  std::vector<std::uint32_t> clusters{firstCluster};
  const std::size_t record = std::size_t{firstCluster} * kClusterSize;
  const std::uint32_t size = image.ReadU32(record + sh::kSizeOffset);
  // The list cannot name more clusters than the record cluster holds.
  const std::uint32_t listed = std::min<std::uint32_t>(DataClusterCount(size), kClusterListCapacity);
  for (std::uint32_t k = 0; k < listed; ++k) {
    clusters.push_back(image.ReadU16(record + kRecordPayloadOffset + 2 * k));
  }
  return clusters;
}

bool IsClusterUsed(const ByteBuffer& image, std::uint32_t cluster) {
  if (cluster >= kBitmapClusters) return false;
  return (image.At(kClusterBitmapOffset + cluster / 8) >> (cluster % 8)) & 1;
}

MemsListing ListMemsImage(const ByteBuffer& image, int pane) {
  MemsListing listing;
  listing.remainingSpace = 16 * static_cast<std::int64_t>(image.ReadU16(kFreeClusterCountOffset)) - 16;
  listing.nextEntryPosition = kDirectoryOffset + 1;
  std::int64_t runningEnd = kDataAreaOffset;
  const std::size_t commentBytes = pane == 1 ? sh::kShownCommentBytes : sh::kCommentSize;

  for (int slot = 1; slot <= kDirectorySlots; ++slot) {
    const std::size_t entry = SlotOffset(slot);
    const ByteBuffer name = image.Slice(entry + kEntryNameOffset, kEntryNameSize);
    const std::uint32_t firstCluster = image.ReadU16(entry + kEntryFirstClusterOffset);
    if (name.empty() || name[0] == 0 || firstCluster == 0) continue;

    listing.nextEntryPosition = static_cast<std::uint32_t>(kDirectoryOffset + 1 + kDirectoryEntrySize * slot);
    const std::size_t start = std::size_t{firstCluster} * kClusterSize;
    const std::uint32_t size = image.ReadU32(start + sh::kSizeOffset);
    const std::uint32_t date = image.ReadU32(start + sh::kDateOffset);

    SaveEntry row;
    row.cell(SaveColumn::kNum) = Decimal(slot);
    row.cell(SaveColumn::kName) = DecodeName(name);
    row.cell(SaveColumn::kAddress) = OffsetToHex(static_cast<std::int64_t>(start));
    row.cell(SaveColumn::kComment) = DecodeComment(image.Slice(start + sh::kCommentOffset, commentBytes));
    row.cell(SaveColumn::kDate) = FormatSaveDate(SaveDateFromMinutes(date));
    row.cell(SaveColumn::kSize) = Decimal(size);
    listing.rows.push_back(std::move(row));

    // The save reaches over its record cluster and, when large, one cluster
    // per started 1024 bytes of data.
    const std::int64_t end = static_cast<std::int64_t>(start) + size + (size >= kClusterSize ? kClusterSize : 64);
    const std::int64_t span = end - static_cast<std::int64_t>(start);
    const std::int64_t clusters = std::max<std::int64_t>(1, (span + kClusterSize - 1) / kClusterSize);
    runningEnd = static_cast<std::int64_t>(start) + clusters * static_cast<std::int64_t>(kClusterSize);

    listing.saves.push_back({slot, firstCluster, size, SaveClusters(image, firstCluster)});
  }
  listing.nextDataOffset = runningEnd;
  return listing;
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
  for (const MemsSave& save : listing.saves) occupied.insert(save.clusters.begin(), save.clusters.end());
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

PaneLoad LoadMemsFile(const std::filesystem::path& file, int pane, bool clearUnused) {
  PaneLoad load = ReadPaneFile(file);
  if (!load.fileFound) return load;
  MemsListing listing = ListMemsImage(load.image, pane);
  load.remainingSpace = listing.remainingSpace;
  load.nextEntryPosition = listing.nextEntryPosition;
  load.nextDataOffset = OffsetToHex(listing.nextDataOffset);

  // An empty file has nothing to clear and is never rewritten.
  if (clearUnused && !load.image.empty()) {
    ByteBuffer cleared = ClearUnusedSpace(load.image, listing);
    if (cleared != load.image) {
      if (platform::WriteFileAtomic(load.file, cleared.bytes())) {
        load.image = std::move(cleared);
      } else {
        load.failedWrite = load.file;
      }
    }
  }
  load.rows = std::move(listing.rows);
  return load;
}

std::vector<std::string> CheckMemsImage(const ByteBuffer& image) {
  std::vector<std::string> problems;
  std::size_t unreported = 0;
  // A wrecked image can disagree on every cluster; the first problems tell
  // enough, and the rest are only counted, without building their text.
  auto report = [&](auto describe) {
    if (problems.size() < kMaxReportedProblems) problems.push_back(describe());
    else ++unreported;
  };
  if (image.size() != kImageSize) {
    report([&] { return "image is " + Decimal(image.size()) + " bytes, not " + Decimal(kImageSize); });
  }
  const MemsListing listing = ListMemsImage(image, 1);
  std::vector<int> owner(kClusterCount, 0);
  for (std::uint32_t c = 0; c < kReservedClusters; ++c) owner[c] = -1;
  for (const MemsSave& save : listing.saves) {
    for (const std::uint32_t cluster : save.clusters) {
      if (cluster < kReservedClusters || cluster >= kBitmapClusters) {
        report([&] { return "slot " + Decimal(save.slot) + " uses cluster " + Decimal(cluster) + ", outside the data area"; });
      } else if (owner[cluster] != 0) {
        report([&] {
          return "slot " + Decimal(save.slot) + " shares cluster " + Decimal(cluster) + " with slot " +
                 Decimal(owner[cluster]);
        });
      } else {
        owner[cluster] = save.slot;
      }
    }
  }
  std::uint32_t used = 0;
  for (std::uint32_t c = 0; c < kBitmapClusters; ++c) {
    const bool expected = owner[c] != 0;
    used += expected ? 1 : 0;
    if (IsClusterUsed(image, c) != expected) {
      report([&] {
        return "bitmap marks cluster " + Decimal(c) + (expected ? " free, but it is in use" : " used, but no save has it");
      });
    }
  }
  const std::uint32_t freeCount = image.ReadU16(kFreeClusterCountOffset);
  if (freeCount != kBitmapClusters - used) {
    report([&] { return "free count is " + Decimal(freeCount) + ", but " + Decimal(kBitmapClusters - used) + " clusters are free"; });
  }
  if (unreported > 0) problems.push_back("and " + Decimal(unreported) + " more problems");
  return problems;
}

}  // namespace quillmere::mems
