#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/byte_buffer.h"
#include "model/conversions.h"
#include "model/save_header.h"

// The two forms a single save takes outside any container, and the packed
// date of the SSF form.
namespace quillmere::singlesave {

// The SAROO form: "SSAVERAW", eight zero bytes, the 32-byte save header,
// 16 reserved bytes, then the data. Numbers are big-endian.
struct SarooSingleSaveFile {
  static constexpr std::string_view kMagic = "SSAVERAW";
  static constexpr std::size_t kMagicOffset = 0x00;       // 8 bytes at +0x00: "SSAVERAW"
  static constexpr std::size_t kMagicSize = 8;
  static constexpr std::size_t kReservedOffset = 0x08;    // 8 bytes at +0x08: zero
  static constexpr std::size_t kReservedSize = 8;
  static constexpr std::size_t kSaveHeaderOffset = 0x10;  // 32 bytes at +0x10: the save header
  static constexpr std::size_t kNameOffset = 0x10;        // 12 bytes at +0x10: name, GBK, zero-ended
  static constexpr std::size_t kNameSize = 12;
  static constexpr std::size_t kSizeOffset = 0x1C;        // 4 bytes at +0x1C: data length (see SarooSaveData)
  static constexpr std::size_t kCommentOffset = 0x20;     // 12 bytes at +0x20: comment, Shift-JIS
  static constexpr std::size_t kCommentSize = 12;
  static constexpr std::size_t kDateOffset = 0x2C;        // 4 bytes at +0x2C: minutes after 1979-12-31 16:00
  static constexpr std::size_t kTailReservedOffset = 0x30;  // 16 bytes at +0x30: zero
  static constexpr std::size_t kTailReservedSize = 16;
  static constexpr std::size_t kDataOffset = 0x40;        // the data, to the end of the file
  static constexpr std::size_t kHeaderSize = 0x40;
};
static_assert(SarooSingleSaveFile::kNameOffset == SarooSingleSaveFile::kSaveHeaderOffset + save_header::kNameOffset);
static_assert(SarooSingleSaveFile::kSizeOffset == SarooSingleSaveFile::kSaveHeaderOffset + save_header::kSizeOffset);
static_assert(SarooSingleSaveFile::kCommentOffset ==
              SarooSingleSaveFile::kSaveHeaderOffset + save_header::kCommentOffset);
static_assert(SarooSingleSaveFile::kDateOffset == SarooSingleSaveFile::kSaveHeaderOffset + save_header::kDateOffset);
static_assert(SarooSingleSaveFile::kTailReservedOffset ==
              SarooSingleSaveFile::kSaveHeaderOffset + save_header::kSize);
static_assert(SarooSingleSaveFile::kTailReservedOffset + SarooSingleSaveFile::kTailReservedSize ==
              SarooSingleSaveFile::kDataOffset);

// The SSF form: the comment and a packed date, then the data. It has no name
// and no size field; the name is the file's base name.
struct SsfSingleSaveFile {
  static constexpr std::size_t kCommentOffset = 0x00;  // 12 bytes at +0x00: comment, Shift-JIS
  static constexpr std::size_t kCommentSize = 12;
  static constexpr std::size_t kDateOffset = 0x0C;     // 4 bytes at +0x0C: SsfPackedDate, little-endian
  static constexpr std::size_t kDateSize = 4;
  static constexpr std::size_t kDataOffset = 0x10;     // the data, to the end of the file
  static constexpr std::size_t kHeaderSize = 0x10;
};
static_assert(SsfSingleSaveFile::kCommentSize == SarooSingleSaveFile::kCommentSize);

// Data beyond this length is not taken from a single save.
inline constexpr std::size_t kMaxDataSize = 9'999'999;

// True when the first eight bytes are "SSAVERAW".
bool IsSarooSingleSave(const ByteBuffer& file);

// The data length a SAROO single save's header states; missing bytes count as zero.
std::uint32_t SarooStatedSize(const ByteBuffer& file);

// A single save's data as show, convert and import all take it. A header
// states a size, and the file carries data bytes after its header; the save
// is the stated size when the file carries that many bytes (bytes after them
// are not the save's), and every carried byte when it carries fewer (a save
// is never padded with bytes it does not have).
struct SingleSaveData {
  ByteBuffer bytes;
  std::uint32_t statedSize = 0;
  std::uint64_t carriedSize = 0;
  bool SizesDiffer() const { return statedSize != carriedSize; }
};

// The length SingleSaveData takes of `carried` bytes when `stated` are stated.
std::uint64_t TakenSize(std::uint32_t stated, std::uint64_t carried);

// The data of a single save whose header states its size in the 4 bytes at
// `sizeOffset` and whose data starts at `dataOffset`.
SingleSaveData SaveDataAfterHeader(const ByteBuffer& file, std::size_t sizeOffset, std::size_t dataOffset);

// The data of a SAROO single save (a .SRO once its checksum is zeroed):
// after the 64-byte header, as SingleSaveData says.
SingleSaveData SarooSaveData(const ByteBuffer& file);

// The SAROO single save holding exactly its data: the header's 64 bytes with
// the size field set to the data's length, then the data.
ByteBuffer SarooWithItsData(const ByteBuffer& file);

// The packed date of an SSF file, its four bytes in file order (+0x0C first).
// As one little-endian 32-bit value, from the top bit down: years after 1980
// (9 bits), month (4), day (5), hour (5), minute (6), three reserved zero bits.
using SsfPackedDate = std::array<std::uint8_t, 4>;

// The packed date as a date-time. Out-of-range fields carry over: from
// 1979-11-30 00:00 add the years, then step the month count times to the
// last day of the following month, then add the days, hours and minutes.
// Valid fields give exactly that date; four zero bytes give 1979-11-30 00:00
// and month 13 is January of the following year.
SaveDateTime DecodeSsfDate(const SsfPackedDate& date);

// The earliest and latest dates the packed form holds.
inline constexpr SaveDateTime kEarliestSsfDate{1979, 11, 30, 0, 0};
inline constexpr SaveDateTime kLatestSsfDate{2491, 12, 31, 23, 59};

// A date-time, to the minute, packed so that DecodeSsfDate gives it back:
// - 1980-01-01 00:00 to 2491-12-31 23:59: year - 1980, month, day, hour and
//   minute, reserved bits zero;
// - 1979-11-30 00:00 to 1979-12-31 23:59 (a SAROO stamp below 480 minutes
//   lands here; stamp 0, "no date", is the common case): years and month 0,
//   the days counted from 1979-11-30, hour and minute, which the carry-over
//   decodes to the very same minute;
// - earlier dates pack as four zero bytes (1979-11-30 00:00) and later ones
//   as 2491-12-31 23:59, the nearest dates the form holds.
SsfPackedDate EncodeSsfDate(const SaveDateTime& date);

// The SSF file's packed date; missing bytes count as zero.
SsfPackedDate SsfDateOf(const ByteBuffer& ssfFile);

// The text between the last "\" or "/" of a path and the last ".bin" in any
// letter case. Empty when either is missing, or when the ".bin" lies before
// the separator.
std::string BaseNameOfPath(std::string_view path);

// A 12-byte name field for a name given as UTF-8 text: its GBK bytes (a
// character GBK lacks becomes "?"), cut to at most 11 bytes without splitting
// a two-byte character, then zero-filled, so the field always ends in zero.
ByteBuffer NameFieldFromText(std::string_view name);

// A SAROO single save from its header fields. `nameField` and `commentField`
// are cut or zero-filled to 12 bytes; `size` is stored as given.
ByteBuffer BuildSarooSingleSave(const ByteBuffer& nameField, std::uint32_t size, const ByteBuffer& commentField,
                                std::uint32_t date, const ByteBuffer& data);

// An SSF single save: the comment cut or zero-filled to 12 bytes, the packed
// date, the data.
ByteBuffer BuildSsfSingleSave(const ByteBuffer& commentField, const SsfPackedDate& date, const ByteBuffer& data);


}  // namespace quillmere::singlesave
