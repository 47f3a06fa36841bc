#include "operations/allocation_map.h"

#include <algorithm>
#include <charconv>

#include "containers/backup_ram.h"
#include "containers/mems_image.h"
#include "model/conversions.h"

namespace quillmere {

namespace {

constexpr int kClusterMapWidth = 32;
constexpr int kClusterMapRows = 252;  // 8064 cells: every cluster the bitmap has a bit for
constexpr int kBlockMapWidth = 22;
constexpr int kBlockMapRows = 24;     // 528 cells for 512 blocks
constexpr std::size_t kUnitDigits = 4;

std::string UnitText(std::uint32_t unit) { return PadLeftZeros(UintToHex(static_cast<std::int32_t>(unit)), kUnitDigits); }

std::optional<std::uint64_t> ParseHex(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

// The units an entry blinks, found from its own address and unit list: the
// first unit, then one per group of 4 hex digits. A unit without a cell in
// the container's part of the grid (a damaged record or list) is left out,
// so nothing ever indexes past the grid.
void FillBlinkUnits(MapSaveEntry& entry, std::uint32_t unitSize, std::uint32_t unitLimit) {
  auto keep = [&](std::uint64_t unit) {
    if (unit >= unitLimit) return;
    const auto u = static_cast<std::uint32_t>(unit);
    if (std::find(entry.blinkUnits.begin(), entry.blinkUnits.end(), u) == entry.blinkUnits.end()) {
      entry.blinkUnits.push_back(u);
    }
  };
  if (const auto address = ParseHex(entry.address)) {
    if (*address / unitSize < unitLimit) entry.firstUnit = static_cast<std::uint32_t>(*address / unitSize);
    keep(*address / unitSize);
  }
  for (std::size_t at = 0; at + kUnitDigits <= entry.unitList.size(); at += kUnitDigits) {
    if (const auto unit = ParseHex(std::string_view(entry.unitList).substr(at, kUnitDigits))) keep(*unit);
  }
}

AllocationMap EmptyMap(std::uint32_t unitSize, int width, int rows, std::uint32_t unitLimit, MapGeometry geometry) {
  AllocationMap map;
  map.caption = "VIEW MAP ( Cluster size:" + std::to_string(unitSize) + " )";
  map.unitSize = unitSize;
  map.width = width;
  map.rows = rows;
  map.unitLimit = unitLimit;
  map.geometry = geometry;
  map.cells.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(rows), MapImage::kNone);
  return map;
}

// Marks each save's first unit whatever the usage says: a save whose record
// the bitmap forgot still shows where it starts.
void MarkFirstUnits(AllocationMap& map) {
  for (const MapSaveEntry& save : map.saves) {
    if (save.firstUnit) map.cells[*save.firstUnit] = MapImage::kFirst;
  }
}

}  // namespace

AllocationMap BuildClusterMap(const ByteBuffer& image) {
  AllocationMap map = EmptyMap(mems::kClusterSize, kClusterMapWidth, kClusterMapRows, mems::kBitmapClusters,
                               {{619, 221, 681, 637}, {5, 5, 532, 600}, {552, 5, 112, 600}});
  // Clusters 0-7 are drawn as the bitmap has them, like every other cluster.
  for (std::uint32_t cluster = 0; cluster < mems::kBitmapClusters; ++cluster) {
    if (mems::IsClusterUsed(image, cluster)) map.cells[cluster] = MapImage::kUsed;
  }
  for (const mems::MemsSave& save : mems::ListMemsSaves(image)) {
    MapSaveEntry entry;
    entry.name = DecodeName(image.Slice(mems::SlotOffset(save.slot) + mems::kEntryNameOffset, mems::kEntryNameSize));
    entry.address = OffsetToHex(static_cast<std::int64_t>(save.firstCluster) * mems::kClusterSize);
    // save.clusters is the record cluster, then the listed data clusters.
    for (std::size_t k = 1; k < save.clusters.size(); ++k) entry.unitList += UnitText(save.clusters[k]);
    entry.unitCount = std::max<int>(1, static_cast<int>(save.clusters.size()) - 1);
    FillBlinkUnits(entry, map.unitSize, map.unitLimit);
    map.saves.push_back(std::move(entry));
  }
  MarkFirstUnits(map);
  return map;
}

AllocationMap BuildBlockMap(const std::string& blockUsage, const std::vector<SaveBlockEntry>& saveTable) {
  AllocationMap map = EmptyMap(backup_ram::kBlockSize, kBlockMapWidth, kBlockMapRows, backup_ram::kBlockCount,
                               {{715, 327, 490, 426}, {5, 5, 357, 389}, {368, 5, 112, 389}});
  const std::size_t drawn = std::min<std::size_t>(blockUsage.size(), map.unitLimit);
  for (std::size_t block = 0; block < drawn; ++block) {
    if (blockUsage[block] == '1') map.cells[block] = MapImage::kUsed;
  }
  for (const SaveBlockEntry& save : saveTable) {
    MapSaveEntry entry{save.name, save.address, save.blockList, save.blockCount, {}, std::nullopt};
    FillBlinkUnits(entry, map.unitSize, map.unitLimit);
    map.saves.push_back(std::move(entry));
  }
  MarkFirstUnits(map);
  return map;
}

AllocationMap BuildAllocationMap(const Pane& pane) {
  if (pane.kind == ContainerKind::kMems) return BuildClusterMap(pane.image);
  return BuildBlockMap(pane.blockUsage, pane.saveTable);
}

std::vector<MapPaint> BlinkPaints(const MapSaveEntry& save, bool red) {
  std::vector<MapPaint> paints;
  for (const std::uint32_t unit : save.blinkUnits) paints.push_back({unit, red ? MapImage::kBlink : MapImage::kUsed});
  if (!red && save.firstUnit) paints.push_back({*save.firstUnit, MapImage::kFirst});
  return paints;
}

std::string MapCellsText(const AllocationMap& map) {
  std::string text;
  text.reserve(map.cells.size());
  for (const MapImage cell : map.cells) {
    text += cell == MapImage::kFirst ? '@' : cell == MapImage::kNone ? '.' : '#';
  }
  return text;
}

}  // namespace quillmere
