#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/byte_buffer.h"
#include "model/gathered_save.h"
#include "model/outcome.h"
#include "model/save_record.h"

// SS_SAVE.BIN: a sequence of 64 KiB areas. Area 0 holds the slot table; area
// i (1 to 4095) belongs to slot i and is cut into 512 blocks of 128 bytes.
// Each save is one record block; the records of an area form a chain, and
// each record marks the blocks holding its data in a bitmap.
namespace quillmere::save_file {

inline constexpr std::size_t kAreaSize = 0x10000;
inline constexpr int kSlotCount = 4095;  // slots 1-4095
inline constexpr std::size_t kBlockSize = 128;
inline constexpr std::uint32_t kAreaBlocks = kAreaSize / kBlockSize;  // 512

// Slot table, in area 0.
inline constexpr std::size_t kSlotLabelSize = 16;  // 16 bytes at 16 x slot: label, zero-ended; empty ends the table

// The index: entry i holds the 16-byte ID of the game whose area is area i.
// The firmware matches games by the ID's first 8 bytes and stops at the
// first entry whose first 4 bytes are zero; a new game takes that entry.
inline constexpr std::size_t kGameIdSize = kSlotLabelSize;  // 16 bytes at 16 x entry: the disc header's bytes 0x20-0x2F
inline constexpr std::size_t kGameMatchSize = 8;            // the bytes two IDs must share to name one game
inline constexpr std::size_t kEntryEndSize = 4;             // an entry whose first 4 bytes are zero ends the index

// Area header, in the area's block 0.
inline constexpr std::string_view kAreaMagic = "SaroSave";  // 8 bytes at +0x00
inline constexpr std::size_t kAreaTotalSizeOffset = 0x08;   // 4 bytes at +0x08: the area's size, 0x10000
inline constexpr std::size_t kAreaBlockSizeOffset = 0x0C;   // 2 bytes at +0x0C: the block size, 0x80
inline constexpr std::size_t kFreeBlockCountOffset = 0x0E;  // 2 bytes at +0x0E: free blocks; the firmware trusts it
inline constexpr std::size_t kAreaGameIdOffset = 0x20;      // 16 bytes at +0x20: the game's ID
inline constexpr std::size_t kFirstRecordBlockOffset = 62;  // 2 bytes at +62: first record's block, 0 = none
inline constexpr std::size_t kAreaBitmapOffset = 0x40;      // 64 bytes at +0x40: bit k%8 of byte k/8 = block k used

// Save record: the 32-byte save header, then the chain link and the bitmap.
inline constexpr std::size_t kRecordNameSize = 16;          // 16 bytes at +0: the name as listed, zero-ended
inline constexpr std::size_t kNextRecordBlockOffset = 62;   // 2 bytes at +62: next record's block, 0 = last
inline constexpr std::size_t kBlockBitmapOffset = 64;       // 64 bytes at +64: bit k%8 of byte k/8 = block k holds data
inline constexpr std::size_t kBlockBitmapSize = 64;
// What a start block stores of the save header: 11 name bytes, 10 comment
// bytes and the language in the comment field's last byte; the 12th name
// byte and the 11th comment byte are always zero.
inline constexpr std::size_t kRecordStoredNameSize = 11;   // 11 bytes at +0x00
inline constexpr std::size_t kRecordCommentSize = 10;      // 10 bytes at +0x10
inline constexpr std::size_t kRecordLanguageOffset = 0x1B;  // 1 byte at +0x1B

// An area has 512 blocks and block 0 is its header, so no chain has more records.
inline constexpr std::uint32_t kMaxRecordsPerArea = 511;

constexpr std::size_t SlotLabelOffset(int slot) { return kSlotLabelSize * static_cast<std::size_t>(slot); }
// The 16-byte game ID of entry `slot`, whose area holds the saves listed with that slot.
inline ByteBuffer GameIdOf(const ByteBuffer& image, int slot) { return image.Slice(SlotLabelOffset(slot), kGameIdSize); }
constexpr std::size_t AreaOffset(int slot) { return kAreaSize * static_cast<std::size_t>(slot); }
constexpr std::size_t RecordOffset(std::size_t area, std::uint32_t block) { return area + kBlockSize * block; }

// True when the 64-byte bitmap at `bitmap` (an area's or a record's) marks block `block`.
inline bool BlockMarked(const ByteBuffer& image, std::size_t bitmap, std::uint32_t block) {
  return (image.At(bitmap + block / 8) >> (block % 8)) & 1;
}

// The record blocks of the area at `area`, in chain order. The chain ends at
// a 0 link, a link past the area's 512 blocks, a record it has already
// visited, or after 511 records.
std::vector<std::uint32_t> RecordChain(const ByteBuffer& image, std::size_t area);

// The blocks whose bit is set in the bitmap of the record at `record`, ascending.
std::vector<std::uint32_t> DataBlocks(const ByteBuffer& image, std::size_t record);

// The data of the record at `record`: its data blocks of the record's area,
// 128 bytes each, cut to `size`; shorter where the image ends.
ByteBuffer ReadRecordData(const ByteBuffer& image, std::size_t record);

// The save whose record is at `record`: the header's 12-byte name, its size,
// comment and date, and the data of its bitmap blocks. Incomplete when the
// bitmap marks block 0, the area's header, or its blocks hold less than the size.
GatheredSave ExtractSaveFileSave(const ByteBuffer& image, std::size_t record);

// A listing of a file: its saves, numbered across the whole file. Each
// record's units are its record block, then its data blocks.
struct SaveFileListing {
  std::vector<SaveRecord> records;
};

// Lists the saves of every area in slot order, up to the first entry that
// ends the index (EndsIndex). Both panes list alike. In an area the end of
// the file cuts, the chain is listed up to its first record block past the
// end; data past the end reads as zeros.
SaveFileListing ListSaveFile(const ByteBuffer& image);

// A game ID as a user gives it (`T-1809G`): its bytes, cut to 16, padded
// with spaces to 16.
ByteBuffer PadGameId(std::string_view id);

// Whether a user's text can name a game: 1 to 16 printable ASCII characters,
// not only spaces. A disc's ID is such text; anything else would add an entry
// no disc ever matches, or one that reads as blank.
bool IsValidGameId(std::string_view id);

// The ID of `gameId` as text, without the spaces that pad it.
std::string GameIdText(const ByteBuffer& gameId);

// True when entry `slot` ends the index as the firmware reads it: its first
// 4 bytes are zero (bytes past the end of the file read as zero).
bool EndsIndex(const ByteBuffer& image, int slot);

// A game the firmware reaches: its entry (= its area's number), its 16-byte ID
// and the offset of its area, which may lie past the end of the file.
struct GameEntry {
  int slot = 0;
  ByteBuffer id;
  std::size_t area = 0;
  bool operator==(const GameEntry&) const = default;
};

// The entries before the first that ends the index, in order.
std::vector<GameEntry> ListGames(const ByteBuffer& image);

// The first reachable entry whose first 8 bytes are those of `gameId`.
std::optional<int> FindGame(const ByteBuffer& image, const ByteBuffer& gameId);

// The entry a new game takes: the first that ends the index; none when all
// 4095 are taken.
std::optional<int> FreeGameEntry(const ByteBuffer& image);

// How an area's blocks are held, as its header and its chain say. Every
// number is read bounded; the chain walk stops as RecordChain's does.
struct AreaSurvey {
  bool blank = true;        // every byte of the area that exists is zero (or none exists): it holds no saves
  bool headerSound = false; // "SaroSave", total size 0x10000, block size 0x80
  std::uint32_t freeCount = 0;   // as block 0 states it
  std::uint32_t bitmapFree = 0;  // blocks the area's bitmap leaves free
  std::vector<std::uint32_t> chain;  // start blocks in chain order (RecordChain)
  std::optional<std::uint32_t> loopsAt;  // the chain's last block links back to this visited block
  std::optional<std::uint32_t> leavesFrom;  // this block (0 = the header) links past block 511
  std::uint32_t leavingLink = 0;
  // Per chain save: its start block, then its data blocks.
  std::vector<std::vector<std::uint32_t>> blocks;
  // A block two holders claim: the save (index into chain) that claims it a
  // second time, the block, and the first holder (-1 = the area header).
  struct Clash {
    std::size_t save = 0;
    std::uint32_t block = 0;
    int holder = -1;
  };
  std::vector<Clash> clashes;
  std::vector<bool> used;        // 512 flags: the header's block 0 and every block a chain save claims
  std::uint32_t marksFree = 0;   // blocks in use that the bitmap leaves free
  std::uint32_t marksUsed = 0;   // blocks the bitmap marks that nothing uses

  // A write can trust the area: a sound header, a free count that equals the
  // bitmap, a chain that ends with a 0 link, no block claimed twice, and
  // every used block marked (blocks marked but unused only leak space).
  bool Writable() const {
    return headerSound && freeCount == bitmapFree && !loopsAt && !leavesFrom && clashes.empty() && marksFree == 0;
  }
};

AreaSurvey SurveyArea(const ByteBuffer& image, std::size_t area);

// The reachable entries whose area the file does not hold whole: an area past
// the end of the file, or one the end cuts (both fatal). Their saves are lost
// or partly lost, and a write would put a fresh area where they belong.
std::vector<Problem> CutAreaProblems(const ByteBuffer& image);

// The problems of a file, in a fixed order; empty when it is sound. First the
// whole index, past its end too: entries the firmware never reaches (fatal)
// and entries whose IDs share their first 8 bytes (fatal); then the areas the
// file does not hold whole (CutAreaProblems). Then every area of
// an entry whose first 4 bytes are not zero, unless it is blank: a header
// that is not an area's (fatal, and nothing more of the area is read), a
// chain that loops or leaves the area (fatal), blocks two saves (or a save
// and the header) claim (fatal), a bitmap that disagrees with the chains and
// a free count that disagrees with the bitmap (warnings: a repair mends
// them), and a save whose name begins the name of an earlier save of the
// chain, which the firmware never finds (a warning). Last the listed saves
// that cannot be read whole (fatal): a bitmap that marks the area's header
// block, or blocks that hold less than the stated size.
std::vector<Problem> CheckSaveFile(const ByteBuffer& image);
// The same, with the saves `records` lists, as ListSaveFile gave them.
std::vector<Problem> CheckSaveFile(const ByteBuffer& image, const std::vector<SaveRecord>& records);

}  // namespace quillmere::save_file
