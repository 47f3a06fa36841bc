#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

#include "model/byte_buffer.h"
#include "singlesave/converter.h"
#include "singlesave/single_save_file.h"

// The .BUP form that homebrew save copiers and other Saturn save tools write:
// a 64-byte header in the console's own field sizes, then the data. Numbers
// are big-endian.
namespace quillmere::singlesave {

struct BupSingleSaveFile {
  static constexpr std::string_view kMagic = "Vmem";
  static constexpr std::size_t kMagicOffset = 0x00;       // 4 bytes at +0x00: "Vmem"
  static constexpr std::size_t kSaveIdOffset = 0x04;      // 4 bytes at +0x04: written 0, ignored
  static constexpr std::size_t kNameOffset = 0x10;        // 12 bytes at +0x10: 11 name bytes and a zero
  static constexpr std::size_t kNameSize = 12;
  static constexpr std::size_t kCommentOffset = 0x1C;     // 11 bytes at +0x1C: 10 comment bytes and a zero
  static constexpr std::size_t kCommentSize = 11;
  static constexpr std::size_t kLanguageOffset = 0x27;    // 1 byte at +0x27: 0 Japanese, 1 English, ...
  static constexpr std::size_t kDateOffset = 0x28;        // 4 bytes at +0x28: minutes after 1979-12-31 16:00
  static constexpr std::size_t kSizeOffset = 0x2C;        // 4 bytes at +0x2C: data length
  static constexpr std::size_t kBlockCountOffset = 0x30;  // 2 bytes at +0x30: backup-RAM blocks the save takes
  static constexpr std::size_t kDateAgainOffset = 0x34;   // 4 bytes at +0x34: the date again
  static constexpr std::size_t kDataOffset = 0x40;
  static constexpr std::size_t kHeaderSize = 0x40;
};
static_assert(BupSingleSaveFile::kCommentOffset + BupSingleSaveFile::kCommentSize == BupSingleSaveFile::kLanguageOffset);

inline constexpr std::string_view kBupFolderName = "BUP";
std::filesystem::path BupFolder(const std::filesystem::path& programDirectory);

// True when the first four bytes are "Vmem".
bool IsBupSingleSave(const ByteBuffer& file);

// The data length a .BUP's header states; missing bytes count as zero.
std::uint32_t BupStatedSize(const ByteBuffer& bup);

// The data of a .BUP: after its 64-byte header, as SingleSaveData says.
SingleSaveData BupSaveData(const ByteBuffer& bup);

// The .BUP form of a SAROO single save: the name's first 11 bytes, the
// comment's first 10 and its byte 11 as the language, the date, and its data
// (SarooSaveData) with that data's length as the size.
ByteBuffer BupFromSaroo(const ByteBuffer& saroo);

// The SAROO form of a .BUP: its 12-byte name, its 10 comment bytes, a zero
// and the language byte, date, and its data (BupSaveData) with that data's
// length as the size. A SAROO save whose comment byte 10 is zero, and whose
// stated size is its data's length, goes there and back unchanged.
ByteBuffer SarooFromBup(const ByteBuffer& bup);

// A .BUP as the SAROO single save `outputFolder`/NAME.bin, NAME being its
// stored name made safe; nothing when it states more than kMaxDataSize bytes.
std::optional<ConvertedSave> BuildSarooFromBup(const ByteBuffer& bup, const std::filesystem::path& outputFolder);

// A SAROO single save as `outputFolder`/NAME.BUP, NAME being the 11 name bytes
// the .BUP holds, made safe; nothing when it states more than kMaxDataSize bytes.
std::optional<ConvertedSave> BuildBupFromSaroo(const ByteBuffer& saroo, const std::filesystem::path& outputFolder);

// The information row of a .BUP: name, comment and date as stored, and the
// length of its data (BupSaveData).
SingleSaveRow BupRow(const ByteBuffer& bup);

}  // namespace quillmere::singlesave
