#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
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

// Area header, in the area's block 0.
inline constexpr std::size_t kFirstRecordBlockOffset = 62;  // 2 bytes at +62: first record's block, 0 = none

// Save record: the 32-byte save header, then the chain link and the bitmap.
inline constexpr std::size_t kRecordNameSize = 16;          // 16 bytes at +0: the name as listed, zero-ended
inline constexpr std::size_t kNextRecordBlockOffset = 62;   // 2 bytes at +62: next record's block, 0 = last
inline constexpr std::size_t kBlockBitmapOffset = 64;       // 64 bytes at +64: bit k%8 of byte k/8 = block k holds data
inline constexpr std::size_t kBlockBitmapSize = 64;

// An area has 512 blocks and block 0 is its header, so no chain has more records.
inline constexpr std::uint32_t kMaxRecordsPerArea = 511;

constexpr std::size_t SlotLabelOffset(int slot) { return kSlotLabelSize * static_cast<std::size_t>(slot); }
constexpr std::size_t AreaOffset(int slot) { return kAreaSize * static_cast<std::size_t>(slot); }
constexpr std::size_t RecordOffset(std::size_t area, std::uint32_t block) { return area + kBlockSize * block; }

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

// Lists the saves of every area in slot order, up to the first empty slot
// label. Both panes list alike.
SaveFileListing ListSaveFile(const ByteBuffer& image);

// Saves that cannot be read whole, each a fatal problem: a bitmap that marks
// the area's header block, or blocks that hold less than the stated size.
// Empty when every save is sound.
std::vector<Problem> CheckSaveFile(const ByteBuffer& image);
// The same for the saves `records` lists, as ListSaveFile gave them.
std::vector<Problem> CheckSaveFile(const ByteBuffer& image, const std::vector<SaveRecord>& records);

}  // namespace quillmere::save_file
