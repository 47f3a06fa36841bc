#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/byte_buffer.h"

namespace quillmere {

// Every byte as two upper-case hex digits, high nibble first.
std::string BytesToHex(const ByteBuffer& bytes);

// Upper-case hex without leading zeros. Offsets in a container never reach
// the file size limit, so every address a pane shows fits in 29 bits.
std::string UintToHex(std::uint64_t value);

std::string PadLeftZeros(std::string_view text, std::size_t width);

// A copy with bytes [start, start + length) reversed. A start below 0 counts
// as 0, a length of 0 or less means the whole buffer, the end is clamped.
ByteBuffer ReverseBytes(const ByteBuffer& bytes, std::int64_t start, std::int64_t length);

// The bytes up to and including the first zero byte (all when none), padded
// with zero bytes to a multiple of 4.
ByteBuffer CutAtNulPad4(const ByteBuffer& bytes);

// A Shift-JIS comment field as UTF-8 text: nothing after its first zero byte
// is shown, and invalid bytes become U+FFFD.
std::string DecodeComment(const ByteBuffer& field);

// A save name field as UTF-8 text: its bytes up to the first zero byte (or the
// whole field), read as GBK.
std::string DecodeName(const ByteBuffer& field);

// Decimal text of an unsigned number.
std::string Decimal(std::uint64_t value);

struct SaveDateTime {
  std::int64_t year = 1979;
  int month = 12;
  int day = 31;
  int hour = 16;
  int minute = 0;
  bool operator==(const SaveDateTime&) const = default;
  auto operator<=>(const SaveDateTime&) const = default;
};

// The date-time 1979-12-31 16:00 plus `minutes` minutes.
SaveDateTime SaveDateFromMinutes(std::uint32_t minutes);

// Whole minutes from 1979-12-31 16:00 to `date` (negative before the base).
std::int64_t MinutesFromSaveDate(const SaveDateTime& date);

// YYYY-MM-DD HH:MM; the year as plain decimal, the rest padded to two digits.
std::string FormatSaveDate(const SaveDateTime& date);

// Whole days and minutes on the proleptic Gregorian calendar, counted from
// 1970-01-01 00:00, for arithmetic that carries over months and years.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day);
SaveDateTime DateTimeFromEpochMinutes(std::int64_t minutes);
std::int64_t EpochMinutes(const SaveDateTime& date);
int DaysInMonth(std::int64_t year, int month);

}  // namespace quillmere
