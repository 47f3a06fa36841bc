#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "containers/save_file.h"
#include "model/byte_buffer.h"
#include "model/gathered_save.h"
#include "model/outcome.h"

// Writing SS_SAVE.BIN as the SAROO firmware does: a new save takes the lowest
// free blocks of its game's area and is linked at the end of the area's
// chain; a delete clears the save's bits, raises the free count and unlinks
// it. The free count always equals the bitmap afterwards, for the firmware
// trusts the count.
namespace quillmere::save_file {

// 16 bytes at +0 of area 0, where slot 0's label would be: the text and a zero byte.
inline constexpr std::string_view kIdentification = "Saroo Save File";
static_assert(kIdentification.size() < kSlotLabelSize);

// A new SS_SAVE.BIN: the identification, then an empty slot table, area 0 alone (64 KiB).
ByteBuffer EmptySaveFile();

// A fresh area for `gameId` (its first 16 bytes, zero-filled): "SaroSave",
// size 0x10000, block size 0x80, 511 blocks free, the ID at 0x20, no save,
// only block 0 marked; every other byte zero.
ByteBuffer FreshArea(const ByteBuffer& gameId);

// Blocks a save of `size` bytes takes: its start block and ceil(size / 128) data blocks.
std::uint64_t BlocksTaken(std::uint64_t size);

// The record offset of the first save in the chain of area `slot` whose stored
// name (its name bytes up to a zero, at most 11) is the stored name of `nameField`.
std::optional<std::size_t> FindSaveFileSave(const ByteBuffer& image, int slot, const ByteBuffer& nameField);

enum class SaveFileRefusal {
  kNone,
  kNoRoom,         // the area has fewer free blocks than the save takes: "存档空间不足！" (AreaFull)
  kIndexFull,      // a new game, and all 4095 entries are taken
  kUnnamedSave,    // the name's first byte is zero: the firmware finds no save by it
  kUnnamedGame,    // the game ID's first 4 bytes are zero: its entry would end the index
  kDamagedArea,    // the area cannot be trusted (AreaSurvey::Writable), or a new game's area is not blank
  kDamagedTarget,  // the save to replace shares a block with another save or the area's header
};

// Where a save goes, worked out in full before a byte changes, so that a
// refusal leaves the file as it was.
struct SaveFilePlacement {
  SaveFileRefusal refusal = SaveFileRefusal::kNone;
  int slot = 0;                 // the game's entry, and so its area
  ByteBuffer gameId;            // the ID a new entry and a fresh area take: the entry's own where the game has one
  bool newEntry = false;        // the game had no entry: it takes entry `slot`
  bool freshArea = false;       // the area was blank or past the end of the file: a fresh one is written first
  std::optional<std::size_t> replacedRecord;  // the same-named save deleted first
  std::uint32_t startBlock = 0;
  std::vector<std::uint32_t> dataBlocks;      // ascending: the data fills them in this order
  std::size_t fileSize = 0;     // the file's size once written: at least the end of the area
};

// Plans a save of `size` bytes named by `nameField` for the game `gameId`
// (PadGameId of a user's text, or an entry's ID). The game is the first
// reachable entry sharing the ID's first 8 bytes; without one the game takes
// the first entry that ends the index, whose area must be blank. A blank area,
// or one past the end of the file, is written fresh first. The first save of
// the chain with the same stored name is deleted first (its blocks count as
// free). The save then takes the lowest free block for its start block and
// the next lowest for its data, as the firmware does.
SaveFilePlacement PlanSaveFileSave(const ByteBuffer& image, const ByteBuffer& gameId, std::uint32_t size,
                                   const ByteBuffer& nameField);

// Carries out a plan that was not refused (false, and nothing changes, for a
// refused one): lengthens the file with zeros to the plan's size, writes the
// new entry and the fresh area, deletes the replaced save, then writes the
// start block whole (11 name bytes, the size, 10 comment bytes, the language
// from commentField's byte 11, the date, a 0 link, the data blocks' bitmap,
// every other byte zero) and each data block whole (`save.size` bytes,
// zero-filled where `save.data` is short, the rest of the last block zero),
// marks the blocks, lowers the free count by them and links the save at the
// end of the chain. `save.size` must be the size the plan was made for.
// False, and nothing changes, too for a plan that names a slot outside the
// index or a block outside its area.
[[nodiscard]] bool WriteSaveFileSave(ByteBuffer& image, const SaveFilePlacement& plan, const GatheredSave& save);

// Deletes the chained saves whose start blocks are at `records` (offsets as
// ListSaveFile gives them), in one pass, as the firmware does: each is
// unlinked (its predecessor, or block 0, takes its link), its blocks' bits
// are cleared and the free count rises by the bits cleared. A block another
// remaining save of the chain also claims keeps its bit. Block contents stay.
// A link that a short file cuts off is changed by lengthening the file with
// zeros to the end of that area. Offsets that start no chained save are passed over. Returns how many saves
// were deleted.
std::size_t DeleteSaveFileSaves(ByteBuffer& image, const std::vector<std::size_t>& records);

// What a repair did and what it left for the user.
struct SaveFileRepair {
  std::vector<Message> mended;     // empty when the file needed nothing
  std::vector<Problem> remaining;  // CheckSaveFile of the repaired file
};

// Rebuilds each area's bitmap from its header block and its chain's blocks,
// and sets its free count to the bitmap. Where the chain loops or leaves the
// area, saves it no longer reaches may still own blocks: there bits are only
// added, never cleared. Areas with a header that is not an area's, blank
// areas and entries are left as they are. Never moves, drops or rewrites a
// save.
SaveFileRepair RepairSaveFile(ByteBuffer& image);

}  // namespace quillmere::save_file
