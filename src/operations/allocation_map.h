#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "containers/backup_ram.h"
#include "model/save_record.h"
#include "model/byte_buffer.h"
#include "operations/container.h"

// The allocation map: a pane's container drawn as a grid with one cell per
// allocation unit (a 1024-byte cluster of SS_MEMS.BIN, a 64-byte block of
// backup RAM), and the saves whose units a user can make blink.
namespace quillmere {

// What a cell of the map shows.
enum class MapImage : std::uint8_t {
  kNone,   // unit free, or outside the container
  kUsed,   // unit in use
  kFirst,  // first unit of a listed save
  kBlink,  // unit of the chosen save, in the red half of its blink
};

// A rectangle in pixels.
struct MapRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// Where the map window and its two children lie: the window on the screen
// (its frame), the grid and the name list in its client area.
struct MapGeometry {
  MapRect window;
  MapRect grid;
  MapRect names;
};

inline constexpr int kMapColumnZeroWidth = 1;  // the grid's first column carries nothing
inline constexpr int kMapCellWidth = 16;
inline constexpr int kMapImageWidth = 16;
inline constexpr int kMapImageHeight = 15;

// One save of the map, in name-list order.
struct MapSaveEntry {
  std::string name;
  std::string address;   // upper-case hex byte offset of the save's first unit
  // The units that blink: the first unit, then the listed ones, each once,
  // and only those that have a cell in the container's part of the grid.
  std::vector<std::uint32_t> blinkUnits;
  // The first unit, when it has such a cell; it is the one marked.
  std::optional<std::uint32_t> firstUnit;
};

struct AllocationMap {
  std::uint32_t unitSize = 0;  // the caption shows it
  int width = 0;  // units per grid row
  int rows = 0;
  // Units below this lie in the container and may be drawn; the cells past it
  // (blocks 512-527 of the internal memory's block map) stay blank.
  std::uint32_t unitLimit = 0;
  // Units below this hold the container's own header (and SS_MEMS.BIN's directory), no save.
  std::uint32_t headerUnits = 0;
  bool clusters = false;  // SS_MEMS.BIN's clusters; else backup-RAM blocks
  MapGeometry geometry;
  std::vector<MapImage> cells;  // rows * width, unit u at index u
  std::vector<MapSaveEntry> saves;

  std::size_t CellCount() const { return cells.size(); }
  // The grid row that shows `unit`.
  int RowOf(std::uint32_t unit) const { return width > 0 ? static_cast<int>(unit / static_cast<std::uint32_t>(width)) : 0; }
};

// The cluster map of an SS_MEMS.BIN image: 252 rows of 32 clusters drawn
// from the bitmap, and one entry per directory slot with a name and a record
// cluster, in slot order. An empty image (a missing file) gives blank rows
// and no saves.
AllocationMap BuildClusterMap(const ByteBuffer& image);

// The block map of a backup RAM: 24 rows of 22 blocks for the internal
// memory, as many rows of 22 as a cartridge's blocks need; a block used when
// a listed save occupies it, and one entry per record, in the reader's order.
AllocationMap BuildBlockMap(const std::vector<SaveRecord>& records, const backup_ram::BackupRamGeometry& geometry = {});

// The map a pane's "MAP" button shows: the cluster map for SS_MEMS.BIN, the
// block map for every other kind. Built from the pane's image and records
// alone, never from its rows, so sorting the pane changes nothing.
AllocationMap BuildAllocationMap(const Container& pane);

// What one unit of the map holds, as hovering over its cell tells.
enum class MapUnitUse {
  kOutside,   // no unit of the container: the blank cells after the last block
  kHeader,    // the container's header (and directory), no save named it
  kFree,
  kUnlisted,  // marked used, but no listed save names it: a damaged allocation record
  kSave,      // named by one save, or by several in a damaged image
};

// A save that names a unit: its index in the map's save table, and the
// unit's place among the save's units, counted from 1 (its first unit is 1).
struct MapUnitOwner {
  std::size_t save = 0;
  std::size_t position = 0;
  std::size_t count = 0;
  bool operator==(const MapUnitOwner&) const = default;
};

struct MapUnitInfo {
  MapUnitUse use = MapUnitUse::kOutside;
  std::vector<MapUnitOwner> owners;  // in save-table order
};

// Which saves own `unit`, or what else the unit is. Built from the map's
// saves and its cells as drawn, not as they blink.
MapUnitInfo DescribeMapUnit(const AllocationMap& map, std::uint32_t unit);

// One cell to repaint.
struct MapPaint {
  std::uint32_t unit = 0;
  MapImage image = MapImage::kNone;
  bool operator==(const MapPaint&) const = default;
};

// The paints of one half of a save's blink cycle, to be applied in order.
// Red: every blink unit red. Normal: every blink unit used, then the first
// unit marked, so the save ends green with its first cell marked.
std::vector<MapPaint> BlinkPaints(const MapSaveEntry& save, bool red);

// The grid as text, one character per cell: '.' blank, '#' used, '@' first.
std::string MapCellsText(const AllocationMap& map);

}  // namespace quillmere
