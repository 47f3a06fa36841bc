#include "operations/allocation_map.h"

#include <algorithm>

#include "containers/backup_ram.h"
#include "containers/mems_image.h"
#include "model/conversions.h"

namespace quillmere {

namespace {

constexpr int kClusterMapWidth = 32;
constexpr int kClusterMapRows = 252;  // 8064 cells: every cluster the bitmap has a bit for
constexpr int kBlockMapWidth = 22;
constexpr int kBlockMapRows = 24;     // 528 cells for 512 blocks
// The blocks before the first a save may take: "BackUpRam Format" and the reserved block.
constexpr std::uint32_t kBackupRamHeaderBlocks = 2;

// The entry of a listed save. It blinks its first unit, then each unit its
// list names, each once; a unit without a cell in the container's part of
// the grid (a damaged record or list) is left out, so nothing ever indexes
// past the grid.
MapSaveEntry EntryOf(const SaveRecord& record, std::uint32_t unitSize, std::uint32_t unitLimit) {
  MapSaveEntry entry;
  entry.name = DecodeName(record.nameField);
  entry.address = UintToHex(record.offset);
  auto keep = [&](std::uint64_t unit) {
    if (unit >= unitLimit) return;
    const auto u = static_cast<std::uint32_t>(unit);
    if (std::find(entry.blinkUnits.begin(), entry.blinkUnits.end(), u) == entry.blinkUnits.end()) {
      entry.blinkUnits.push_back(u);
    }
  };
  const std::uint64_t first = record.offset / unitSize;
  if (first < unitLimit) entry.firstUnit = static_cast<std::uint32_t>(first);
  keep(first);
  for (std::size_t k = 1; k < record.units.size(); ++k) keep(record.units[k]);
  return entry;
}

AllocationMap EmptyMap(std::uint32_t unitSize, int width, int rows, std::uint32_t unitLimit, MapGeometry geometry) {
  AllocationMap map;
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
  map.headerUnits = static_cast<std::uint32_t>(mems::kDataAreaOffset / mems::kClusterSize);
  map.clusters = true;
  // Clusters 0-7 are drawn as the bitmap has them, like every other cluster.
  for (std::uint32_t cluster = 0; cluster < mems::kBitmapClusters; ++cluster) {
    if (mems::IsClusterUsed(image, cluster)) map.cells[cluster] = MapImage::kUsed;
  }
  for (const mems::MemsSave& save : mems::ListMemsSaves(image)) {
    map.saves.push_back(EntryOf(mems::MemsRecord(image, save, 0), map.unitSize, map.unitLimit));
  }
  MarkFirstUnits(map);
  return map;
}

AllocationMap BuildBlockMap(const std::vector<SaveRecord>& records, const backup_ram::BackupRamGeometry& geometry) {
  const int rows = geometry.IsCartridge()
                       ? static_cast<int>((geometry.blockCount + kBlockMapWidth - 1) / kBlockMapWidth)
                       : kBlockMapRows;
  AllocationMap map = EmptyMap(static_cast<std::uint32_t>(geometry.blockSize), kBlockMapWidth, rows,
                               geometry.blockCount, {{715, 327, 490, 426}, {5, 5, 357, 389}, {368, 5, 112, 389}});
  map.headerUnits = kBackupRamHeaderBlocks;
  const std::vector<bool> used = backup_ram::UsedBlocks(records, geometry.blockCount);
  for (std::size_t block = 0; block < used.size() && block < map.unitLimit; ++block) {
    if (used[block]) map.cells[block] = MapImage::kUsed;
  }
  for (const SaveRecord& record : records) map.saves.push_back(EntryOf(record, map.unitSize, map.unitLimit));
  MarkFirstUnits(map);
  return map;
}

AllocationMap BuildAllocationMap(const Container& container) {
  if (container.kind == ContainerKind::kMems) return BuildClusterMap(container.image);
  return BuildBlockMap(container.records, container.geometry);
}

MapUnitInfo DescribeMapUnit(const AllocationMap& map, std::uint32_t unit) {
  MapUnitInfo info;
  if (unit >= map.unitLimit || unit >= map.cells.size()) return info;
  for (std::size_t k = 0; k < map.saves.size(); ++k) {
    const std::vector<std::uint32_t>& units = map.saves[k].blinkUnits;
    const auto at = std::find(units.begin(), units.end(), unit);
    if (at != units.end()) {
      info.owners.push_back({k, static_cast<std::size_t>(at - units.begin()) + 1, units.size()});
    }
  }
  // A save that names a header unit is told as such: that is the damage to see.
  if (!info.owners.empty()) info.use = MapUnitUse::kSave;
  else if (unit < map.headerUnits) info.use = MapUnitUse::kHeader;
  else if (map.cells[unit] != MapImage::kNone) info.use = MapUnitUse::kUnlisted;
  else info.use = MapUnitUse::kFree;
  return info;
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
