#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "containers/backup_ram.h"
#include "model/byte_buffer.h"
#include "model/gathered_save.h"

// Writing backup RAM block for block as the console's BIOS does: a new save
// takes the lowest free blocks, a delete clears the start block's marker and
// nothing else. Like the reader, everything here works on the RAM copy; the
// word-wide file is made from it at the end.
namespace quillmere::backup_ram {

// Block 0 holds the format text, block 1 is zero; saves use blocks 2 and up.
inline constexpr std::uint32_t kFirstSaveBlock = 2;
inline constexpr std::string_view kFormatText = "BackUpRam Format";  // repeated over block 0

// Bytes 0-3 of a start block whose save was deleted.
inline constexpr std::uint8_t kDeletedMarkerByte = 0x00;

// Blocks a save of `size` bytes takes: ceil((size + 30) / (blockSize - 6)).
// Each block carries blockSize - 6 bytes of data and list once its 2-byte
// entry and its 4 unused bytes are paid for; the start block's header and
// the list's 0 entry cost 30 more. For 64-byte blocks it agrees with
// BlocksOccupied. A block too small to hold the header needs ever more.
std::uint64_t BlocksNeeded(std::uint64_t size, const BackupRamGeometry& geometry = {});

// `file` (a word-wide BKRAMSV.BIN or SS_BUP.BIN, or nothing) with `ram` in its
// odd bytes: RAM byte k becomes file byte 2k + 1. Even bytes are kept as the
// file has them, and 0xFF where the file was too short; file bytes past the
// RAM's words are kept too. WordWideToRam of the result starts with `ram`.
ByteBuffer RamIntoWordWide(const ByteBuffer& file, const ByteBuffer& ram);

// A formatted, empty RAM: the format text repeated over block 0, every other
// byte zero.
ByteBuffer EmptyBackupRam(const BackupRamGeometry& geometry = {});

// A formatted, empty internal memory as an SS_BUP.BIN: 65,536 bytes, 0xFF in
// the even bytes.
ByteBuffer EmptyInternalBackupRamFile();

// The blocks from 1 on whose first four bytes are the live marker, ascending:
// the saves a listing shows.
std::vector<std::uint32_t> LiveStartBlocks(const ByteBuffer& ram, const BackupRamGeometry& geometry);
std::vector<std::uint32_t> LiveStartBlocks(const ByteBuffer& ram);

// The first live save whose stored name (its name bytes up to a zero, at most
// 11) is the stored name of `nameField`.
std::optional<std::uint32_t> FindBackupRamSave(const ByteBuffer& ram, const ByteBuffer& nameField,
                                               const BackupRamGeometry& geometry);
std::optional<std::uint32_t> FindBackupRamSave(const ByteBuffer& ram, const ByteBuffer& nameField);

// Blocks from 2 to the last that no live start block and no live save's list
// names, counting blocks past the end of a short RAM as free (a write
// lengthens it). 0 when the lists name more blocks than a listing follows
// (ListedBlockBudget): no block can then be shown free.
std::uint32_t FreeBlockCount(const ByteBuffer& ram, const BackupRamGeometry& geometry);
std::uint32_t FreeBlockCount(const ByteBuffer& ram);

enum class BackupRamRefusal {
  kNone,
  kNoRoom,         // fewer free blocks than the save needs
  kDamagedTarget,  // the save to replace is not a live save, shares a block, or its list loops or leaves the RAM
  kUnnamed,        // the name's first byte is zero: no listing would show the save
  kTooLarge,       // the save needs more blocks than the whole RAM has for saves
};

// Where a save goes. Worked out before a byte changes.
struct BackupRamPlacement {
  BackupRamRefusal refusal = BackupRamRefusal::kNone;
  BackupRamGeometry geometry;                       // the memory it is for
  std::uint32_t startBlock = 0;
  std::vector<std::uint32_t> listBlocks;            // the save's further blocks, ascending, in data order
  std::optional<std::uint32_t> replacedStartBlock;  // the save deleted first
  std::vector<std::uint32_t> freed;                 // the replaced save's blocks, free once it is deleted
};

// Plans a save of `size` bytes named by `nameField` (its first 11 bytes are
// stored). With `replacedStartBlock` the live save starting there is deleted
// first and its blocks count as free. A block is free unless a live start
// block or a live save's list names it (a list that stops early still owns
// what it named). The save takes the lowest free blocks from block 2 up:
// the lowest is its start block, the others its list. The RAM's size gives
// its geometry; it is read as the writer will leave it, lengthened with
// zeros to the whole memory.
BackupRamPlacement PlanBackupRamSave(const ByteBuffer& ram, const BackupRamGeometry& geometry, std::uint32_t size,
                                     const ByteBuffer& nameField,
                                     std::optional<std::uint32_t> replacedStartBlock = std::nullopt);
BackupRamPlacement PlanBackupRamSave(const ByteBuffer& ram, std::uint32_t size, const ByteBuffer& nameField,
                                     std::optional<std::uint32_t> replacedStartBlock = std::nullopt);

// Which blocks the live saves of a memory name, worked out once and then
// kept up to date through a run of placements, so that a run of imports
// does not walk every save's list again for each save it places. Its plans
// are PlanBackupRamSave's as long as the RAM changes only by
// WriteBackupRamSave of plans it made, each followed by Placed.
class BlockOccupancy {
 public:
  BlockOccupancy(const ByteBuffer& ram, const BackupRamGeometry& geometry);
  BackupRamPlacement Plan(const ByteBuffer& ram, std::uint32_t size, const ByteBuffer& nameField,
                          std::optional<std::uint32_t> replacedStartBlock = std::nullopt) const;
  // After WriteBackupRamSave carried out `plan`.
  void Placed(const BackupRamPlacement& plan);

 private:
  BackupRamGeometry geometry_;
  std::optional<std::vector<std::uint8_t>> owners_;  // none: the lists name more blocks than a listing follows
  std::size_t budget_ = 0;                            // further blocks a listing would still follow
};

// Carries out a plan that was not refused (false, and nothing changes, for a
// refused one). Lengthens a short RAM with zeros to the plan's RAM size,
// deletes the replaced save, then writes every block of the plan whole: the
// start block's marker, the 11 name bytes (nameField's first 11), the
// language (commentField's byte 11, where export puts it), the 10 comment
// bytes, the date and the size, then the list, its 0 entry and `size` data
// bytes (zero-filled where `save.data` is short), from +4 of each further
// block. Everything else in those blocks is zero. `save.size` must be the
// size the plan was made for; no byte is written past the plan's blocks.
[[nodiscard]] bool WriteBackupRamSave(ByteBuffer& ram, const BackupRamPlacement& plan, const GatheredSave& save);

// Deletes the live saves starting at `startBlocks` as the BIOS does: the
// first byte of the start block, 0x80, becomes 0x00, and nothing else
// changes. Blocks that start no live save (and block 0) are passed over.
// Returns how many saves were deleted.
std::size_t DeleteBackupRamSaves(ByteBuffer& ram, const std::vector<std::uint32_t>& startBlocks,
                                 const BackupRamGeometry& geometry);
std::size_t DeleteBackupRamSaves(ByteBuffer& ram, const std::vector<std::uint32_t>& startBlocks);

}  // namespace quillmere::backup_ram
