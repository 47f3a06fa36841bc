// The property every writer of an SS_MEMS.BIN image keeps, shared by the
// tests and the fuzz targets: a save it was not asked to change exports
// byte for byte as before.
#pragma once

#include <algorithm>
#include <map>
#include <set>
#include <vector>

#include "containers/mems_image.h"
#include "model/byte_buffer.h"
#include "operations/save_transfer.h"

namespace quillmere::testing {

// What a listed save is to its user: the name its slot lists, its export, and
// the bytes of each cluster it names as far as the image holds them.
struct SaveSnapshot {
  ByteBuffer slotName;
  ByteBuffer single;
  std::vector<ByteBuffer> clusters;
  bool operator<(const SaveSnapshot& other) const {
    return slotName.bytes() != other.slotName.bytes() ? slotName.bytes() < other.slotName.bytes()
                                                      : single.bytes() < other.single.bytes();
  }
};

// The listed saves by slot. A save that names a cluster of the header or the
// directory is left out: its bytes are the image's own free count, bitmap
// and slots, which every write keeps up to date.
inline std::map<int, SaveSnapshot> SnapshotSaves(const ByteBuffer& image) {
  std::map<int, SaveSnapshot> saves;
  for (const mems::MemsSave& save : mems::ListMemsSaves(image)) {
    if (std::any_of(save.clusters.begin(), save.clusters.end(),
                    [](std::uint32_t c) { return c < mems::kReservedClusters; })) {
      continue;
    }
    SaveSnapshot& snapshot = saves[save.slot];
    snapshot.slotName = image.Slice(mems::SlotOffset(save.slot), mems::kEntryNameSize);
    snapshot.single = SingleSaveOf(mems::ExtractMemsSave(image, std::size_t{save.firstCluster} * mems::kClusterSize));
    for (const std::uint32_t cluster : save.clusters) {
      snapshot.clusters.push_back(image.Slice(std::size_t{cluster} * mems::kClusterSize, mems::kClusterSize));
    }
  }
  return saves;
}

// `after` is `before` with nothing lost: the same bytes, or, where a short
// image was lengthened, the same bytes followed by the zeros that now stand
// where the image used to end.
inline bool KeptWhole(const ByteBuffer& before, const ByteBuffer& after) {
  if (after.size() < before.size() || after.Slice(0, before.size()) != before) return false;
  const auto& tail = after.bytes();
  return std::all_of(tail.begin() + static_cast<std::ptrdiff_t>(before.size()), tail.end(),
                     [](std::uint8_t b) { return b == 0; });
}

// Every save of `before` but the slots in `targets` is listed in the same
// slot of `after`, under the same name, with every cluster it names as it was.
inline bool KeepsOtherSaves(const std::map<int, SaveSnapshot>& before, const ByteBuffer& after,
                            const std::set<int>& targets = {}) {
  const std::map<int, SaveSnapshot> now = SnapshotSaves(after);
  for (const auto& [slot, save] : before) {
    if (targets.contains(slot)) continue;
    const auto found = now.find(slot);
    if (found == now.end() || found->second.slotName != save.slotName ||
        found->second.clusters.size() != save.clusters.size()) {
      return false;
    }
    for (std::size_t k = 0; k < save.clusters.size(); ++k) {
      if (!KeptWhole(save.clusters[k], found->second.clusters[k])) return false;
    }
  }
  return true;
}

// The same saves, under the same names, in whatever slots (compacting moves them).
inline bool KeepsEverySaveMoved(const std::map<int, SaveSnapshot>& before, const ByteBuffer& after) {
  std::multiset<SaveSnapshot> was, is;
  for (const auto& [slot, save] : before) was.insert(save);
  for (const auto& [slot, save] : SnapshotSaves(after)) is.insert(save);
  return was.size() == is.size() && std::equal(was.begin(), was.end(), is.begin(), [](const auto& a, const auto& b) {
           return a.slotName == b.slotName && KeptWhole(a.single, b.single);
         });
}

}  // namespace quillmere::testing
