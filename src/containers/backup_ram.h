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

// The console's backup RAM: the internal memory (BKRAMSV.BIN and SS_BUP.BIN
// store it word-wide, each RAM byte in the second byte of a 16-bit word) and
// the cartridges emulators keep. The RAM is cut into blocks, 64 bytes in the
// internal memory; a save starts with a header block and chains further
// blocks through a block list. Everything below refers to the RAM copy, not
// to the file. A RAM's size tells its block size (GeometryOfRam), but for
// one: a 4 MiB RAM is a cartridge of 1024-byte blocks or YabaSanshiro's
// extended internal memory of 64-byte blocks, so every reader and writer
// takes the geometry the opening established; the forms without it are for
// a RAM whose size tells.
namespace quillmere::backup_ram {

inline constexpr std::size_t kBlockSize = 64;
inline constexpr std::uint32_t kBlockCount = 512;  // a 32 KiB backup RAM
inline constexpr std::uint32_t kSaveMarker = 0x80000000;
inline constexpr std::int64_t kTotalSpace = 461;  // the remaining space of an empty internal RAM
// The largest cartridge, 4 MiB of 1024-byte blocks, has the most blocks.
inline constexpr std::uint32_t kMaxBlockCount = 4096;
// Every block a 16-bit list entry can name: YabaSanshiro's 4 MiB internal
// memory of 64-byte blocks has this many.
inline constexpr std::uint32_t kMaxListedBlocks = 65536;

// The block size and count of a backup RAM. The default is the internal
// memory; cartridges have 512-byte blocks (1024-byte at 4 MiB). A block of
// fewer than 36 bytes cannot hold a start block's header and list end.
struct BackupRamGeometry {
  std::size_t blockSize = 64;
  std::uint32_t blockCount = kBlockCount;
  std::size_t RamSize() const { return blockSize * blockCount; }
  bool IsCartridge() const { return blockCount > kBlockCount; }
  bool operator==(const BackupRamGeometry&) const = default;
};

// The geometry of a RAM of `ramSize` bytes: a cartridge's for exactly 512 KiB,
// 1 MiB, 2 MiB (512-byte blocks) or 4 MiB (1024-byte blocks); the internal
// memory's for every other size, a short or overlong image included.
BackupRamGeometry GeometryOfRam(std::size_t ramSize);

// First block of a save.
inline constexpr std::size_t kMarkerOffset = 0;     // 4 bytes at +0: 0x80000000
inline constexpr std::size_t kNameOffset = 4;       // 11 bytes at +4: name, zero-ended
inline constexpr std::size_t kNameSize = 11;
inline constexpr std::size_t kLanguageOffset = 15;  // 1 byte at +15: language
inline constexpr std::size_t kCommentOffset = 16;   // 10 bytes at +16: Shift-JIS comment
inline constexpr std::size_t kCommentSize = 10;
inline constexpr std::size_t kDateOffset = 26;      // 4 bytes at +26: minutes after 1979-12-31 16:00
inline constexpr std::size_t kSizeOffset = 30;      // 4 bytes at +30: data length
inline constexpr std::size_t kBlockListOffset = 34; // 2 bytes per block from +34: the block list, then the data

// Further blocks carry the save's stream from +4 on.
inline constexpr std::size_t kFurtherStreamOffset = 4;
inline constexpr std::size_t kListEntrySize = 2;

// Data that fits after the list's 0 entry in the first block: no list is read.
inline constexpr std::uint32_t kFirstBlockDataLimit = kBlockSize - kBlockListOffset - kListEntrySize;  // 28

// The largest backup RAM there is, a 4 MiB cartridge, stored word-wide. A
// larger file is no backup-RAM image and is refused ("错误的存档格式！").
inline constexpr std::size_t kMaxFileSize = 8 * 1024 * 1024;

// Further blocks a whole listing may gather. Saves that share no block list
// at most 511 between them (every entry is below 512); only saves whose lists
// overlap come near this, and a hostile file with a marker in every block
// would otherwise gather 511 blocks for each of them. A cartridge's budget is
// as many times its own block count.
inline constexpr std::size_t kListedBlockBudget = 8 * kBlockCount;
std::size_t ListedBlockBudget(const BackupRamGeometry& geometry);

// The word-wide file as backup RAM: RAM byte k is file byte 2k + 1; the last
// byte of a file of odd length belongs to no word.
ByteBuffer WordWideToRam(const ByteBuffer& file);

// A save's blocks and where its data starts in its stream. The stream runs
// from +34 of the first block to its end, then from +4 to the end of each
// further block, in list order.
struct SaveBlocks {
  std::vector<std::uint32_t> blocks;  // the first block, then the list entries in order
  std::size_t dataStart = 0;          // stream position just past the list's 0 entry, or past
                                      // the entry where a damaged list was cut off
  bool listEnded = false;             // false: the walk stopped before a 0 entry
  // Why a walk stopped before a 0 entry.
  enum class Stop { kEnded, kOutside, kRepeated, kRanOut, kBudget } stop = Stop::kEnded;
  std::uint32_t badEntry = 0;         // the entry that stopped it (kOutside, kRepeated)
};

// Walks the block list of the save whose first block is `firstBlock`. The
// walk stops at the 0 entry, and also, keeping what it gathered, at an entry
// of the block count or more, one past the image, one already in the save, once the
// stream has run past the blocks collected so far, or once it has gathered
// `maxFurtherBlocks` blocks after the first. It never reads block 0.
SaveBlocks CollectSaveBlocks(const ByteBuffer& ram, std::uint32_t firstBlock, std::size_t maxFurtherBlocks,
                             const BackupRamGeometry& geometry);
SaveBlocks CollectSaveBlocks(const ByteBuffer& ram, std::uint32_t firstBlock,
                             std::size_t maxFurtherBlocks = kMaxListedBlocks);

// The RAM offset of stream position `position` over `blocks`; nothing once
// the position lies past the last of them.
std::optional<std::size_t> StreamOffset(const std::vector<std::uint32_t>& blocks, std::size_t position,
                                        const BackupRamGeometry& geometry = {});

// Up to `count` stream bytes from `position`: fewer where the blocks or the
// image end.
ByteBuffer ReadStream(const ByteBuffer& ram, const std::vector<std::uint32_t>& blocks, std::size_t position,
                      std::size_t count, const BackupRamGeometry& geometry);

// The save's data: `size` bytes of its stream after the block list, fewer when
// the blocks it lists do not hold that many.
ByteBuffer ReadSaveData(const ByteBuffer& ram, std::uint32_t firstBlock);

// The save whose first block starts at `offset`, in the SAROO single save's
// fields: the 11 name bytes and a zero byte; the 10 comment bytes, a zero byte
// and the language byte; the date, the size and `size` bytes of its stream
// after the block list (fewer where its blocks end).
GatheredSave ExtractBackupRamSave(const ByteBuffer& ram, std::size_t offset, const BackupRamGeometry& geometry);
GatheredSave ExtractBackupRamSave(const ByteBuffer& ram, std::size_t offset);

// Blocks a save of `size` bytes occupies: its first block and the further
// blocks that its list (2 bytes each), the list's 0 entry and the data need,
// 30 stream bytes in the first block and 60 in each further one.
std::uint32_t BlocksOccupied(std::uint32_t size);

// Blocks a save of `size` bytes counts against the remaining space.
std::int64_t SpaceTaken(std::uint32_t size);

// The record of the save whose start block is `startBlock`, numbered `num`;
// its units are its blocks as a list walk of at most `maxFurtherBlocks`
// finds them.
SaveRecord BackupRamRecord(const ByteBuffer& ram, std::uint32_t startBlock, std::uint32_t num,
                           std::size_t maxFurtherBlocks, const BackupRamGeometry& geometry);
SaveRecord BackupRamRecord(const ByteBuffer& ram, std::uint32_t startBlock, std::uint32_t num,
                           std::size_t maxFurtherBlocks = kMaxListedBlocks);

// A listing of a backup RAM: its saves in block order, each record's units
// its blocks as the list walk found them, and the remaining-space figure.
struct BackupRamListing {
  std::vector<SaveRecord> records;
  std::int64_t remainingSpace = kTotalSpace;
};

// Lists the saves of a backup RAM: every block from 1 on whose first four
// bytes are the marker. Both panes list alike. The saves' walks share
// ListedBlockBudget; once it is spent, a save lists its first block alone.
// The remaining space is the internal memory's figure; a cartridge shows its
// free blocks instead (FreeBlockCount).
BackupRamListing ListBackupRam(const ByteBuffer& ram, const BackupRamGeometry& geometry);
BackupRamListing ListBackupRam(const ByteBuffer& ram);

// Whether every block of a listed save lies within the first `presentBytes`
// bytes of the RAM: a memory cut short holds only part of the others.
bool UnitsPresent(const SaveRecord& record, const BackupRamGeometry& geometry, std::size_t presentBytes);

// For each of the `blockCount` blocks, whether a listed save occupies it.
std::vector<bool> UsedBlocks(const std::vector<SaveRecord>& records, std::uint32_t blockCount = kBlockCount);

// What is wrong with a backup RAM's saves: blocks shared by two saves, list
// entries outside the RAM, lists that loop or run past their blocks without
// a 0 entry, and sizes the blocks cannot hold. Each is fatal: no save whose
// blocks are in doubt can be read whole. Empty when every save is sound.
std::vector<Problem> CheckBackupRam(const ByteBuffer& ram, const BackupRamGeometry& geometry);
std::vector<Problem> CheckBackupRam(const ByteBuffer& ram);

}  // namespace quillmere::backup_ram
