#include "model/conversions.h"

#include <algorithm>
#include <array>

#include "platform/text_codec.h"

namespace quillmere {

std::string BytesToHex(const ByteBuffer& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const std::uint8_t byte : bytes.bytes()) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

std::string UintToHex(std::uint64_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  char digits[16];
  std::size_t at = sizeof digits;
  std::uint64_t n = value;
  do {
    digits[--at] = kDigits[n % 16];
    n /= 16;
  } while (n != 0);
  return std::string(digits + at, sizeof digits - at);
}

std::string PadLeftZeros(std::string_view text, std::size_t width) {
  std::string padded(text);
  if (padded.size() < width) padded.insert(0, width - padded.size(), '0');
  return padded;
}

ByteBuffer ReverseBytes(const ByteBuffer& bytes, std::int64_t start, std::int64_t length) {
  std::vector<std::uint8_t> raw = bytes.bytes();
  const auto size = static_cast<std::int64_t>(raw.size());
  if (start < 0) start = 0;
  std::int64_t end = length <= 0 ? size : start + length;
  if (end > size) end = size;
  if (start < size - 1) std::reverse(raw.begin() + start, raw.begin() + end);
  return ByteBuffer(std::move(raw));
}

ByteBuffer CutAtNulPad4(const ByteBuffer& bytes) {
  std::vector<std::uint8_t> kept;
  for (const std::uint8_t byte : bytes.bytes()) {
    kept.push_back(byte);
    if (byte == 0) break;
  }
  if (kept.size() % 4 != 0) kept.resize(kept.size() + (4 - kept.size() % 4), 0);
  return ByteBuffer(std::move(kept));
}

namespace {

std::string CutAtNulChar(std::string text) {
  const auto nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

}  // namespace

std::string DecodeComment(const ByteBuffer& field) {
  // The bytes CutAtNulPad4 keeps: up to the first zero byte and that byte,
  // then zeros to a whole number of 4-byte words.
  const std::uint8_t* begin = field.data();
  const std::uint8_t* end = begin + field.size();
  const std::uint8_t* nul = std::find(begin, end, std::uint8_t{0});
  const std::size_t kept = static_cast<std::size_t>(nul - begin) + (nul == end ? 0 : 1);
  const std::size_t padded = (kept + 3) / 4 * 4;
  if (padded == kept) return CutAtNulChar(platform::DecodeToUtf8(begin, kept, platform::kShiftJis));
  std::array<std::uint8_t, 64> small{};  // a comment's field, zero-padded, without a heap copy
  if (padded <= small.size()) {
    std::copy(begin, begin + kept, small.begin());
    return CutAtNulChar(platform::DecodeToUtf8(small.data(), padded, platform::kShiftJis));
  }
  std::vector<std::uint8_t> bytes(begin, begin + kept);
  bytes.resize(padded, 0);
  return CutAtNulChar(platform::DecodeToUtf8(bytes, platform::kShiftJis));
}

std::string DecodeName(const ByteBuffer& field) {
  const std::uint8_t* begin = field.data();
  const std::uint8_t* end = begin + field.size();
  const std::uint8_t* nul = std::find(begin, end, std::uint8_t{0});
  return platform::DecodeToUtf8(begin, static_cast<std::size_t>(nul - begin), platform::kGbk);
}

std::string Decimal(std::uint64_t value) { return std::to_string(value); }

std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  // Howard Hinnant's days_from_civil, valid over the whole 64-bit year range we use.
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

namespace {

struct CivilDate {
  std::int64_t year;
  int month;
  int day;
};

CivilDate CivilFromDays(std::int64_t days) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t mp = (5 * dayOfYear + 2) / 153;
  const int day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); }

const std::int64_t kBaseEpochMinutes = DaysFromCivil(1979, 12, 31) * 1440 + 16 * 60;

}  // namespace

int DaysInMonth(std::int64_t year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

SaveDateTime DateTimeFromEpochMinutes(std::int64_t minutes) {
  const std::int64_t days = FloorDiv(minutes, 1440);
  const std::int64_t minuteOfDay = minutes - days * 1440;
  const CivilDate civil = CivilFromDays(days);
  return {civil.year, civil.month, civil.day, static_cast<int>(minuteOfDay / 60), static_cast<int>(minuteOfDay % 60)};
}

std::int64_t EpochMinutes(const SaveDateTime& date) {
  return DaysFromCivil(date.year, date.month, date.day) * 1440 + date.hour * 60 + date.minute;
}

SaveDateTime SaveDateFromMinutes(std::uint32_t minutes) {
  return DateTimeFromEpochMinutes(kBaseEpochMinutes + minutes);
}

std::int64_t MinutesFromSaveDate(const SaveDateTime& date) { return EpochMinutes(date) - kBaseEpochMinutes; }

namespace {

// `value` as PadLeftZeros(std::to_string(value), 2) writes it.
void AppendTwoDigits(std::string& text, int value) {
  if (value >= 0 && value < 100) {
    text += static_cast<char>('0' + value / 10);
    text += static_cast<char>('0' + value % 10);
  } else {
    text += PadLeftZeros(std::to_string(value), 2);
  }
}

}  // namespace

std::string FormatSaveDate(const SaveDateTime& date) {
  std::string text = std::to_string(date.year);
  text.reserve(text.size() + 12);
  text += '-';
  AppendTwoDigits(text, date.month);
  text += '-';
  AppendTwoDigits(text, date.day);
  text += ' ';
  AppendTwoDigits(text, date.hour);
  text += ':';
  AppendTwoDigits(text, date.minute);
  return text;
}

}  // namespace quillmere
