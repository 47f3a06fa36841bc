// Deleting input-chosen slots, then repairing, on SS_MEMS.BIN images: a
// consistent one (mode bit 0 set) or any bytes. A delete changes only the
// header, the chosen slots and the clusters of the saves it removes; the
// saves it keeps stay in their slots and export as before, on any image, and
// a consistent image stays consistent.
// A repair leaves only what it cannot mend (clusters shared or out of range,
// a short image), never changes a save, and a second repair changes nothing.
#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "containers/mems_image.h"
#include "fuzz_inputs.h"
#include "operations/save_transfer.h"
#include "support/save_snapshots.h"

using quillmere::ByteBuffer;
using quillmere::Problem;
using quillmere::Severity;
namespace mems = quillmere::mems;
namespace fuzzing = quillmere::fuzzing;

namespace {

ByteBuffer Export(const ByteBuffer& image, const mems::MemsSave& save) {
  return quillmere::SingleSaveOf(mems::ExtractMemsSave(image, std::size_t{save.firstCluster} * mems::kClusterSize));
}

bool InDataArea(const mems::MemsSave& save) {
  return std::all_of(save.clusters.begin(), save.clusters.end(), [](std::uint32_t cluster) {
    return cluster >= mems::kReservedClusters && cluster < mems::kBitmapClusters;
  });
}

bool CannotBeMended(const Problem& problem) {
  // A repair never resizes the image; every fatal problem stays too.
  return problem.severity == Severity::kFatal || quillmere::Is<quillmere::ProblemImageSize>(problem);
}

// Whether byte `at` may change when `doomed` are deleted: the free count and
// the bitmap, the doomed slots, and the clusters of the doomed saves.
bool MayChange(std::size_t at, const std::set<int>& doomed, const std::set<std::uint32_t>& doomedClusters) {
  if (at >= mems::kFreeClusterCountOffset && at < mems::kClusterBitmapOffset + mems::kClusterBitmapSize) return true;
  if (at >= mems::kDirectoryOffset && at < mems::kDataAreaOffset &&
      doomed.contains(static_cast<int>((at - mems::kDirectoryOffset) / mems::kDirectoryEntrySize) + 1)) {
    return true;
  }
  return doomedClusters.contains(static_cast<std::uint32_t>(at / mems::kClusterSize));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ByteBuffer kWithGaps = fuzzing::ImageWithGaps();
  if (size < 2) return 0;
  const bool consistent = (data[0] & 1) != 0;
  const int slotBase = (data[0] & 2) != 0 ? 254 : -2;  // slots from -2 to 509: past both ends of the directory
  const std::size_t count = std::min<std::size_t>(data[1], size - 2);
  std::vector<int> slots;
  for (std::size_t k = 0; k < count; ++k) slots.push_back(slotBase + data[2 + k]);
  ByteBuffer image = consistent ? kWithGaps : fuzzing::Bytes(data + 2 + count, size - 2 - count);

  const ByteBuffer original = image;
  const std::vector<mems::MemsSave> saves = mems::ListMemsSaves(image);
  std::set<int> doomed;
  std::set<std::uint32_t> doomedClusters;
  for (const int slot : slots) {
    if (slot >= 1 && slot <= mems::kDirectorySlots) doomed.insert(slot);
  }
  for (const mems::MemsSave& save : saves) {
    if (doomed.contains(save.slot)) doomedClusters.insert(save.clusters.begin(), save.clusters.end());
  }

  const auto snapshot = quillmere::testing::SnapshotSaves(original);
  mems::DeleteMemsSaves(image, slots);
  assert(quillmere::testing::KeepsOtherSaves(snapshot, image, doomed));
  assert(image.size() == original.size());
  for (std::size_t from = 0; from < image.size(); from += mems::kClusterSize) {
    const std::size_t to = std::min(image.size(), from + mems::kClusterSize);
    if (std::memcmp(image.data() + from, original.data() + from, to - from) == 0) continue;
    for (std::size_t at = from; at < to; ++at) {
      assert(image.At(at) == original.At(at) || MayChange(at, doomed, doomedClusters));
    }
  }
  std::size_t kept = 0;
  for (const mems::MemsSave& save : saves) {
    if (doomed.contains(save.slot)) continue;
    ++kept;
    if (InDataArea(save)) assert(Export(image, save) == Export(original, save));
  }
  if (consistent) {
    assert(mems::CheckMemsImage(image).empty());
    assert(mems::ListMemsSaves(image).size() == kept);
  }

  const ByteBuffer deleted = image;
  const auto deletedSnapshot = quillmere::testing::SnapshotSaves(deleted);
  const mems::MemsRepair repair = mems::RepairMemsImage(image);
  assert(quillmere::testing::KeepsOtherSaves(deletedSnapshot, image));
  assert(image.size() == deleted.size());
  assert(repair.remaining == mems::CheckMemsImage(image));
  if (consistent) assert(repair.mended.empty() && repair.remaining.empty() && image == deleted);
  const std::vector<mems::MemsSave> deletedSaves = mems::ListMemsSaves(deleted);
  for (const mems::MemsSave& save : deletedSaves) {
    if (InDataArea(save)) assert(Export(image, save) == Export(deleted, save));
  }
  // A record in clusters 0-7 reads its size and cluster list from the header
  // and directory bytes the repair rewrites, so its clusters move under the
  // repair; that record is reported as outside the data area, and the rest
  // holds only for images without one.
  if (std::any_of(deletedSaves.begin(), deletedSaves.end(),
                  [](const mems::MemsSave& save) { return save.firstCluster < mems::kReservedClusters; })) {
    return 0;
  }
  if (image.size() >= mems::kClusterBitmapOffset + mems::kClusterBitmapSize) {
    for (const Problem& problem : repair.remaining) assert(CannotBeMended(problem));
  }
  const ByteBuffer repaired = image;
  const mems::MemsRepair again = mems::RepairMemsImage(image);
  assert(again.mended.empty() && image == repaired && again.remaining == repair.remaining);
  return 0;
}
