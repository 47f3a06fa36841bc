#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/byte_buffer.h"
#include "model/gathered_save.h"
#include "model/outcome.h"
#include "model/save_record.h"

// SS_MEMS.BIN: an 8 MiB image of 1024-byte clusters. Cluster 0 holds the free
// count and the cluster bitmap, clusters 1-7 a directory of 448 slots, and
// the saves live from cluster 8 on.
namespace quillmere::mems {

inline constexpr std::size_t kImageSize = 0x800000;
inline constexpr std::size_t kClusterSize = 1024;
inline constexpr std::uint32_t kClusterCount = kImageSize / kClusterSize;  // 8192
inline constexpr std::uint32_t kBitmapClusters = 8064;  // clusters 8064-8191 have no bit
inline constexpr std::uint32_t kReservedClusters = 8;   // header and directory
inline constexpr std::size_t kFreeClusterCountOffset = 0x00C;  // 2 bytes at +0x00C
inline constexpr std::size_t kClusterBitmapOffset = 0x010;     // 1008 bytes at +0x010, bit n%8 of byte n/8
inline constexpr std::size_t kClusterBitmapSize = kBitmapClusters / 8;  // 1008
inline constexpr std::size_t kDirectoryOffset = 0x400;  // 448 entries of 16 bytes at +0x400
inline constexpr int kDirectorySlots = 448;
inline constexpr std::size_t kDirectoryEntrySize = 16;
inline constexpr std::size_t kDataAreaOffset = 0x2000;
static_assert(kClusterBitmapOffset + kClusterBitmapSize == kDirectoryOffset, "the bitmap fills cluster 0");
static_assert(kDirectoryOffset + kDirectorySlots * kDirectoryEntrySize == kDataAreaOffset, "the directory fills clusters 1-7");
inline constexpr std::uint16_t kEmptyFreeClusterCount = kBitmapClusters - kReservedClusters;  // 0x1F78
inline constexpr std::size_t kIdentificationSize = 12;  // 12 bytes at +0x000: "SaroMems" 00 80 00 00

// Directory entry fields.
inline constexpr std::size_t kEntryNameOffset = 0;           // 12 bytes at +0: name
inline constexpr std::size_t kEntryNameSize = 12;
inline constexpr std::size_t kEntryReservedOffset = 12;      // 2 bytes at +12: reserved, written as zero
inline constexpr std::size_t kEntryFirstClusterOffset = 14;  // 2 bytes at +14: record cluster

// Save record: the 32-byte save header, 32 reserved bytes, then the data of a
// small save or the cluster list of a large one.
inline constexpr std::size_t kRecordPayloadOffset = 64;
inline constexpr std::uint32_t kSmallSaveLimit = kClusterSize - kRecordPayloadOffset;  // 960: data that fits the record cluster
inline constexpr std::size_t kClusterListCapacity = kSmallSaveLimit / 2;  // 480 two-byte entries

constexpr std::size_t SlotOffset(int slot) { return kDirectoryOffset + kDirectoryEntrySize * static_cast<std::size_t>(slot - 1); }

// One save of the directory.
struct MemsSave {
  int slot = 0;
  std::uint32_t firstCluster = 0;
  std::uint32_t size = 0;
  // Every cluster the save occupies: its record cluster, then its listed data clusters.
  std::vector<std::uint32_t> clusters;
};

// A listing of an image: its saves in slot order, and its figures.
struct MemsListing {
  std::vector<SaveRecord> records;
  std::int64_t remainingSpace = 0;
  std::uint32_t nextEntryPosition = 0;  // 1-based position just past the highest in-use slot
  std::int64_t nextDataOffset = 0;      // just past that slot's save
};

// Number of data clusters a large save lists (none for a small save).
std::uint32_t DataClusterCount(std::uint32_t size);

// The clusters of the save whose record is at `firstCluster`: the record
// cluster, then the data clusters its list names.
std::vector<std::uint32_t> SaveClusters(const ByteBuffer& image, std::uint32_t firstCluster);

bool IsClusterUsed(const ByteBuffer& image, std::uint32_t cluster);

// The saves of the in-use directory slots, in slot order, without their rows.
// Without `withClusters`, each save's clusters are left empty, which spares
// reading 448 cluster lists where only the slots matter.
std::vector<MemsSave> ListMemsSaves(const ByteBuffer& image, bool withClusters = true);

// The record of a listed save: its slot's name, the first `commentBytes`
// bytes of its comment, and its clusters as `save` holds them.
SaveRecord MemsRecord(const ByteBuffer& image, const MemsSave& save, std::size_t commentBytes);

// The save whose record starts at `recordOffset`: its header fields, and its
// data from the record cluster (small saves) or from the clusters its list
// names, in list order, cut to the stated size. A list never counts more than
// the record cluster holds, and reads past the image give less data.
GatheredSave ExtractMemsSave(const ByteBuffer& image, std::size_t recordOffset);

// Lists the saves of an image, each comment cut to `commentBytes`.
MemsListing ListMemsImage(const ByteBuffer& image, std::size_t commentBytes);

// The image with the space no listed save uses set to zero: the directory
// slots after the highest in-use slot, and every cluster from `nextDataOffset`
// (never below cluster 8) on. A cluster that a listed save's record or cluster
// list names is kept whole wherever it lies, so every listed save lists the
// same afterwards. Free count and bitmap are left alone.
ByteBuffer ClearUnusedSpace(const ByteBuffer& image, const MemsListing& listing);

// Why a save cannot be placed in an image.
enum class PlacementRefusal {
  kNone,
  kDirectoryFull,    // no slot has an empty name: "存档列表已满!"
  kNoRecordCluster,  // no free cluster for the record: "存档位图数据已满!"
  kNoDataClusters,   // too few free clusters for the data: "存档位图空间不足!"
  kTooLarge,         // more data clusters than a cluster list holds: "存档过大，无法写入！"
  kDamagedTarget,    // the save to replace shares clusters or has some outside the data area: "目标存档已损坏，无法覆盖！"
  kUnnamed,          // a new save whose name starts with a zero byte, which no slot lists: "存档没有名称，无法写入！"
};

// Where a save goes, worked out in full before a byte of the image changes,
// so a refusal leaves the image as it was.
struct MemsPlacement {
  PlacementRefusal refusal = PlacementRefusal::kNone;
  int slot = 0;                             // the slot a new save takes; 0 when replacing
  std::uint32_t recordCluster = 0;
  std::vector<std::uint32_t> dataClusters;  // the cluster list the record will hold
  std::vector<std::uint32_t> taken;         // clusters that become used
  std::vector<std::uint32_t> released;      // clusters of the replaced save that become free
};

// Plans a save of `size` bytes: first fit from cluster 8 up, record cluster
// first. A cluster is free only when the bitmap marks it free and no listed
// save's record or cluster list names it. With `replacedRecord` (the record
// offset of a listed save) the save's slot and record cluster are kept; its
// data clusters are reused in place when the new save needs no more of them,
// and otherwise released and the new ones allocated afresh. A target that
// is not exactly one listed save, or that names a cluster outside the data
// area, twice, or also named by another save, is refused (kDamagedTarget). A new
// save's `nameField` (the 12 bytes its slot will hold) must not start with a
// zero byte; a replaced save keeps its slot's name.
MemsPlacement PlanMemsSave(const ByteBuffer& image, std::uint32_t size, const ByteBuffer& nameField,
                           std::optional<std::size_t> replacedRecord = std::nullopt);

// Carries out a plan that was not refused: lengthens a short image to 8 MiB,
// writes the slot (name and first cluster) for a new save, the 32-byte
// `header` and 32 zero bytes, then the data (`size` bytes, zero-filled where
// `data` is short) into the record cluster or the listed clusters, each
// cluster's unused tail zeroed, and updates the free count (never below 0)
// and the bitmap. False, and nothing changes, for a refused plan, one that
// names a slot outside the directory or a cluster outside the data area, or
// one whose cluster list does not fit the size `header` states.
[[nodiscard]] bool WriteMemsSave(ByteBuffer& image, const MemsPlacement& placement, const ByteBuffer& nameField,
                   const ByteBuffer& header, const ByteBuffer& data);

// A new, empty image: "SaroMems" and 00 80 00 00 as its identification, every
// cluster free but the header and the directory, every other byte zero.
ByteBuffer EmptyMemsImage();

// Removes the saves of `slots` (numbers outside 1-448 are passed over) from
// the directory (all 16 bytes of each slot become zero) and frees the
// clusters that only they used: their bitmap bits are cleared, the free count
// rises by the clusters that were marked used, and the clusters are zeroed. Clusters outside the data area, and clusters
// that a remaining listed save also names, are left as they are.
void DeleteMemsSaves(ByteBuffer& image, const std::vector<int>& slots);

// What a repair did and what it left for the user.
struct MemsRepair {
  std::vector<Message> mended;     // empty when the image needed nothing
  std::vector<Problem> remaining;  // problems a repair cannot mend, as CheckMemsImage reports them
};

// Rebuilds the bitmap and the free count from clusters 0-7 and the listed
// saves' clusters in the data area, and zeroes bytes 12-13 of every slot.
// Never moves, drops or rewrites a save: shared clusters and clusters out of
// range stay and are reported as remaining.
MemsRepair RepairMemsImage(ByteBuffer& image);

// Problems that make an image inconsistent, in a fixed order: its size, then
// each save's clusters, then the bitmap and the free count; empty when it is
// sound. A warning is one a repair (and compacting, which rebuilds the
// allocation and lengthens a short image) mends without moving, dropping or
// rewriting a save: the image's size, the bitmap, the free count. A shared
// cluster, one outside the data area, or a save its clusters cannot hold is
// fatal.
std::vector<Problem> CheckMemsImage(const ByteBuffer& image);

// The first fatal problem; nothing when every problem is one repair mends.
std::optional<Problem> FirstUnmendableProblem(const ByteBuffer& image);

}  // namespace quillmere::mems
