#include "singlesave/single_save_file.h"

#include <algorithm>

#include "platform/ascii.h"
#include "platform/text_codec.h"

namespace quillmere::singlesave {

namespace {

// Bit positions of the packed date's fields in its 32-bit value.
constexpr unsigned kYearShift = 23;    // 9 bits
constexpr unsigned kMonthShift = 19;   // 4 bits
constexpr unsigned kDayShift = 14;     // 5 bits
constexpr unsigned kHourShift = 9;     // 5 bits
constexpr unsigned kMinuteShift = 3;   // 6 bits; bits 2-0 are reserved
constexpr std::int64_t kFirstPackedYear = 1980;

constexpr std::uint32_t PackedValue(const SsfPackedDate& date) {
  return std::uint32_t{date[0]} | std::uint32_t{date[1]} << 8 | std::uint32_t{date[2]} << 16 |
         std::uint32_t{date[3]} << 24;
}

constexpr SsfPackedDate PackedBytes(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

std::uint32_t PackFields(std::int64_t years, int month, int day, int hour, int minute) {
  return static_cast<std::uint32_t>(years) << kYearShift | static_cast<std::uint32_t>(month) << kMonthShift |
         static_cast<std::uint32_t>(day) << kDayShift | static_cast<std::uint32_t>(hour) << kHourShift |
         static_cast<std::uint32_t>(minute) << kMinuteShift;
}

// A GBK lead byte starts a two-byte character.
constexpr bool IsGbkLeadByte(std::uint8_t byte) { return byte >= 0x81 && byte <= 0xFE; }

}  // namespace

bool IsSarooSingleSave(const ByteBuffer& file) {
  const ByteBuffer magic = file.Slice(SarooSingleSaveFile::kMagicOffset, SarooSingleSaveFile::kMagicSize);
  return magic == ByteBuffer::FromText(SarooSingleSaveFile::kMagic);
}

std::uint32_t SarooStatedSize(const ByteBuffer& file) {
  return ZeroFilledField(file, SarooSingleSaveFile::kSizeOffset, 4).ReadU32(0);
}

std::uint64_t TakenSize(std::uint32_t stated, std::uint64_t carried) { return std::min<std::uint64_t>(stated, carried); }

SingleSaveData SaveDataAfterHeader(const ByteBuffer& file, std::size_t sizeOffset, std::size_t dataOffset) {
  SingleSaveData data;
  data.statedSize = ZeroFilledField(file, sizeOffset, 4).ReadU32(0);
  data.carriedSize = file.size() > dataOffset ? file.size() - dataOffset : 0;
  data.bytes = file.Slice(dataOffset, TakenSize(data.statedSize, data.carriedSize));
  return data;
}

SingleSaveData SarooSaveData(const ByteBuffer& file) {
  return SaveDataAfterHeader(file, SarooSingleSaveFile::kSizeOffset, SarooSingleSaveFile::kDataOffset);
}

ByteBuffer SarooWithItsData(const ByteBuffer& file) {
  using Layout = SarooSingleSaveFile;
  const SingleSaveData data = SarooSaveData(file);
  ByteBuffer saroo = ZeroFilledField(file, 0, Layout::kHeaderSize);
  saroo.MustWriteBE(Layout::kSizeOffset, data.bytes.size(), 4);
  saroo.Append(data.bytes);
  return saroo;
}

SaveDateTime DecodeSsfDate(const SsfPackedDate& date) {
  const std::uint32_t value = PackedValue(date);
  const std::int64_t years = value >> kYearShift;
  const std::int64_t months = (value >> kMonthShift) & 0x0F;
  const std::int64_t days = (value >> kDayShift) & 0x1F;
  const std::int64_t hours = (value >> kHourShift) & 0x1F;
  const std::int64_t minutes = (value >> kMinuteShift) & 0x3F;

  // 30 November exists in every year, and it is the last day of its month, so
  // after the month steps the date is the last day of the month `months`
  // after November of year 1979 + years.
  const std::int64_t monthIndex = (kFirstPackedYear - 1 + years) * 12 + (11 - 1) + months;
  const std::int64_t year = monthIndex / 12;
  const int month = static_cast<int>(monthIndex % 12) + 1;
  const SaveDateTime monthEnd{year, month, DaysInMonth(year, month), 0, 0};
  return DateTimeFromEpochMinutes(EpochMinutes(monthEnd) + days * 1440 + hours * 60 + minutes);
}

SsfPackedDate EncodeSsfDate(const SaveDateTime& date) {
  const std::int64_t at = EpochMinutes(date);
  const std::int64_t earliest = EpochMinutes(kEarliestSsfDate);
  if (at < earliest) return PackedBytes(0);
  if (at > EpochMinutes(kLatestSsfDate)) return EncodeSsfDate(kLatestSsfDate);
  // Normalised, so a caller's out-of-range fields cannot spill into the neighbours.
  const SaveDateTime t = DateTimeFromEpochMinutes(at);
  if (t.year < kFirstPackedYear) {
    // Late 1979: month 0 keeps the decoder at 1979-11-30, and the day field
    // (at most 31) counts on from there.
    const auto daysAfter = static_cast<int>((at - earliest) / 1440);
    return PackedBytes(PackFields(0, 0, daysAfter, t.hour, t.minute));
  }
  return PackedBytes(PackFields(t.year - kFirstPackedYear, t.month, t.day, t.hour, t.minute));
}

SsfPackedDate SsfDateOf(const ByteBuffer& ssfFile) {
  const std::size_t at = SsfSingleSaveFile::kDateOffset;
  return {ssfFile.At(at), ssfFile.At(at + 1), ssfFile.At(at + 2), ssfFile.At(at + 3)};
}

std::string BaseNameOfPath(std::string_view path) {
  const std::size_t separator = path.find_last_of("\\/");
  if (separator == std::string_view::npos) return {};
  // ".bin" in any letter case. Lowering ASCII letters byte by byte leaves
  // multi-byte UTF-8 characters alone.
  const std::string lowered = platform::AsciiLower(path);
  const std::size_t extension = lowered.rfind(".bin");
  if (extension == std::string::npos || extension <= separator) return {};
  return std::string(path.substr(separator + 1, extension - separator - 1));
}

ByteBuffer NameFieldFromText(std::string_view name) {
  const std::vector<std::uint8_t> encoded = platform::EncodeFromUtf8(name, platform::kGbk);
  constexpr std::size_t kLimit = SarooSingleSaveFile::kNameSize - 1;  // the last byte stays zero
  std::size_t kept = 0;
  while (kept < encoded.size()) {
    const std::size_t width = IsGbkLeadByte(encoded[kept]) && kept + 1 < encoded.size() ? 2 : 1;
    // A zero byte would end the name early; GBK output never holds one, but
    // make sure.
    if (kept + width > kLimit || encoded[kept] == 0) break;
    kept += width;
  }
  ByteBuffer field = ByteBuffer::Filled(SarooSingleSaveFile::kNameSize, 0);
  field.MustWrite(0, std::vector<std::uint8_t>(encoded.begin(), encoded.begin() + static_cast<std::ptrdiff_t>(kept)));
  return field;
}

ByteBuffer BuildSarooSingleSave(const ByteBuffer& nameField, std::uint32_t size, const ByteBuffer& commentField,
                                std::uint32_t date, const ByteBuffer& data) {
  using Layout = SarooSingleSaveFile;
  ByteBuffer file = ByteBuffer::Filled(Layout::kHeaderSize, 0);
  file.MustWrite(Layout::kMagicOffset, ByteBuffer::FromText(Layout::kMagic));
  file.MustWrite(Layout::kNameOffset, ZeroFilledField(nameField, 0, Layout::kNameSize));
  file.MustWriteBE(Layout::kSizeOffset, size, 4);
  file.MustWrite(Layout::kCommentOffset, ZeroFilledField(commentField, 0, Layout::kCommentSize));
  file.MustWriteBE(Layout::kDateOffset, date, 4);
  file.Append(data);
  return file;
}

ByteBuffer BuildSsfSingleSave(const ByteBuffer& commentField, const SsfPackedDate& date, const ByteBuffer& data) {
  using Layout = SsfSingleSaveFile;
  ByteBuffer file = ByteBuffer::Filled(Layout::kHeaderSize, 0);
  file.MustWrite(Layout::kCommentOffset, ZeroFilledField(commentField, 0, Layout::kCommentSize));
  file.MustWrite(Layout::kDateOffset, std::vector<std::uint8_t>(date.begin(), date.end()));
  file.Append(data);
  return file;
}

}  // namespace quillmere::singlesave
