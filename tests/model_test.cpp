#include <gtest/gtest.h>

#include "model/byte_buffer.h"
#include "model/conversions.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

TEST(HexText, ConvertsBothWaysWithoutSignTrouble) {
  EXPECT_EQ(BytesToHex(ByteBuffer{0x00, 0x0A, 0xFF}), "000AFF");
  EXPECT_EQ(BytesToHex(ByteBuffer{}), "");
  EXPECT_EQ(HexToUint("000AFF"), 2815u);
  EXPECT_EQ(HexToUint(""), 0u);
  EXPECT_EQ(HexToUint(" 1 0"), 16u);  // spaces are skipped
  // The backup-RAM marker must stay a large positive number.
  EXPECT_EQ(HexToUint("80000000"), 2147483648u);
  EXPECT_EQ(HexToUint("FFFFFFFF"), 4294967295u);

  EXPECT_EQ(UintToHex(0), "0");
  EXPECT_EQ(UintToHex(255), "FF");
  EXPECT_EQ(UintToHex(1024), "400");
  EXPECT_EQ(UintToHex(4095), "FFF");
  EXPECT_EQ(UintToHex(-1), "错误数值");
  EXPECT_EQ(UintToHex(INT32_MAX), "7FFFFFFF");
  EXPECT_EQ(OffsetToHex(std::int64_t{1} << 31), "错误数值");

  for (std::int32_t n : {1, 15, 16, 0x2000, 0x20280, 0x7FFFFF, 0x12345678}) {
    EXPECT_EQ(static_cast<std::int32_t>(HexToUint(UintToHex(n))), n) << n;
  }
  for (std::uint32_t n : {0u, 1u, 0x80u, 0xFFFFu, 0x80000000u, 0xDEADBEEFu}) {
    ByteBuffer field;
    field.Resize(4);
    field.WriteBE(0, n, 4);
    EXPECT_EQ(HexToUint(BytesToHex(field)), n);
    EXPECT_EQ(field.ReadU32(0), n);
  }
}

TEST(HexText, PadsOnlyShortText) {
  EXPECT_EQ(PadLeftZeros("7", 2), "07");
  EXPECT_EQ(PadLeftZeros("123", 2), "123");
  EXPECT_EQ(PadLeftZeros("", 4), "0000");
}

TEST(ByteBufferReads, FieldsPastTheEndReadAsTheBytesThatExist) {
  const ByteBuffer bytes{0x12, 0x34, 0x56};
  EXPECT_EQ(bytes.ReadU32(0), 0x123456u);  // three bytes present, read as one number
  EXPECT_EQ(bytes.ReadU16(2), 0x56u);
  EXPECT_EQ(bytes.ReadU32(3), 0u);
  EXPECT_EQ(bytes.ReadU32(SIZE_MAX - 1), 0u);
  EXPECT_EQ(bytes.Slice(1, 10), (ByteBuffer{0x34, 0x56}));
  EXPECT_TRUE(bytes.Slice(SIZE_MAX, 4).empty());
  EXPECT_EQ(bytes.At(7), 0);
}

TEST(ByteBufferWrites, NeverReachPastTheEnd) {
  ByteBuffer bytes = ByteBuffer::Filled(4, 0);
  EXPECT_FALSE(bytes.WriteBE(3, 0xABCD, 2));
  EXPECT_FALSE(bytes.WriteBE(SIZE_MAX, 1, 2));
  EXPECT_FALSE(bytes.Write(2, ByteBuffer{1, 2, 3}));
  EXPECT_EQ(bytes, ByteBuffer::Filled(4, 0));
  EXPECT_TRUE(bytes.WriteBE(2, 0xABCD, 2));
  EXPECT_EQ(bytes, (ByteBuffer{0, 0, 0xAB, 0xCD}));
  bytes.Fill(3, 100, 0xEE);
  EXPECT_EQ(bytes, (ByteBuffer{0, 0, 0xAB, 0xEE}));
}

TEST(ReverseBytes, ReversesTheClampedRange) {
  EXPECT_EQ(ReverseBytes(ByteBuffer{1, 2}, 0, 0), (ByteBuffer{2, 1}));
  EXPECT_EQ(ReverseBytes(ByteBuffer{9}, 0, 0), (ByteBuffer{9}));
  EXPECT_EQ(ReverseBytes(ByteBuffer{}, 0, 0), ByteBuffer{});
  EXPECT_EQ(ReverseBytes(ByteBuffer{1, 2, 3, 4}, 1, 2), (ByteBuffer{1, 3, 2, 4}));
  EXPECT_EQ(ReverseBytes(ByteBuffer{1, 2, 3, 4}, -5, 2), (ByteBuffer{2, 1, 3, 4}));
  EXPECT_EQ(ReverseBytes(ByteBuffer{1, 2, 3, 4}, 2, 99), (ByteBuffer{1, 2, 4, 3}));
  EXPECT_EQ(ReverseBytes(ByteBuffer{1, 2, 3, 4}, 3, 1), (ByteBuffer{1, 2, 3, 4}));
  // Writing a big-endian number: little-endian bytes, then reversed.
  EXPECT_EQ(ReverseBytes(ByteBuffer{0x08, 0x00}, 0, 0), (ByteBuffer{0x00, 0x08}));
}

TEST(CutAtNulPad4, KeepsTheFirstZeroAndPadsToFour) {
  EXPECT_EQ(CutAtNulPad4(ByteBuffer{0x41, 0x42, 0x00, 0x43}), (ByteBuffer{0x41, 0x42, 0x00, 0x00}));
  EXPECT_EQ(CutAtNulPad4(ByteBuffer{0x41, 0x42, 0x43, 0x00}), (ByteBuffer{0x41, 0x42, 0x43, 0x00}));
  EXPECT_EQ(CutAtNulPad4(ByteBuffer{0x00, 0x41, 0x42}), (ByteBuffer{0, 0, 0, 0}));
  const ByteBuffer ten = ByteBuffer::Filled(10, 0x41);
  ByteBuffer padded = ten;
  padded.Append(2, 0);
  EXPECT_EQ(CutAtNulPad4(ten), padded);
  EXPECT_TRUE(CutAtNulPad4(ByteBuffer{}).empty());
}

TEST(TextFields, CommentsAreShiftJisAndNamesGbk) {
  // "セーブ" then a zero byte and bytes that must not show.
  EXPECT_EQ(DecodeComment(ByteBuffer{0x83, 0x5A, 0x81, 0x5B, 0x83, 0x75, 0x00, 0x41, 0x42, 0x43}), "セーブ");
  // Half-width katakana, the usual Saturn comment.
  EXPECT_EQ(DecodeComment(ByteBuffer{0xBE, 0xB0, 0xCC, 0xDE}), "ｾｰﾌﾞ");
  EXPECT_EQ(DecodeComment(ByteBuffer{0x00, 0x41}), "");
  EXPECT_EQ(DecodeComment(ByteBuffer::Filled(10, 0x41)), "AAAAAAAAAA");
  // A lone lead byte at the end and an invalid byte both become U+FFFD.
  EXPECT_EQ(DecodeComment(ByteBuffer{0x41, 0x83}), "A\xEF\xBF\xBD");
  EXPECT_EQ(DecodeComment(ByteBuffer{0x41, 0xFF, 0x42}), "A\xEF\xBF\xBD" "B");

  EXPECT_EQ(DecodeName(ByteBuffer{'G', 'A', 'M', 'E', 0, 'X'}), "GAME");
  EXPECT_EQ(DecodeName(ByteBuffer{0xB4, 0xE6, 0xB5, 0xB5}), "存档");
  EXPECT_EQ(DecodeName(ByteBuffer::Filled(12, 'N')), "NNNNNNNNNNNN");  // no zero byte: the whole field
  EXPECT_EQ(DecodeName(ByteBuffer{0xFF, 'A'}), "\xEF\xBF\xBD" "A");
}

TEST(SaveDates, CountMinutesFromTheLastAfternoonOf1979) {
  EXPECT_EQ(FormatSaveDate(SaveDateFromMinutes(0)), "1979-12-31 16:00");
  EXPECT_EQ(FormatSaveDate(SaveDateFromMinutes(1)), "1979-12-31 16:01");
  EXPECT_EQ(FormatSaveDate(SaveDateFromMinutes(480)), "1980-01-01 00:00");
  EXPECT_EQ(FormatSaveDate(SaveDateFromMinutes(22855474)), "2023-06-15 12:34");
  // Across a leap day and the 2000 century exception.
  EXPECT_EQ(FormatSaveDate(SaveDateFromMinutes(480 + 59 * 1440)), "1980-02-29 00:00");
  EXPECT_EQ(FormatSaveDate(SaveDateFromMinutes(static_cast<std::uint32_t>(MinutesFromSaveDate({2000, 2, 29, 23, 59})))),
            "2000-02-29 23:59");
  // The largest stamp lies past the year 9999 and still formats.
  EXPECT_EQ(FormatSaveDate(SaveDateFromMinutes(0xFFFFFFFF)), "10146-02-14 20:15");
}

TEST(SaveDates, MinutesAndTextRoundTrip) {
  for (std::uint32_t minutes : {0u, 1u, 479u, 480u, 22855474u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    const SaveDateTime date = SaveDateFromMinutes(minutes);
    EXPECT_EQ(MinutesFromSaveDate(date), minutes);
    const auto parsed = ParseSaveDate(FormatSaveDate(date));
    ASSERT_TRUE(parsed.has_value()) << FormatSaveDate(date);
    EXPECT_EQ(*parsed, date);
  }
  EXPECT_EQ(MinutesFromSaveDate({1979, 11, 30, 0, 0}), -(31 * 1440 + 16 * 60));
  EXPECT_FALSE(ParseSaveDate("2023-02-29 10:00").has_value());
  EXPECT_FALSE(ParseSaveDate("2023-06-15 24:00").has_value());
  EXPECT_FALSE(ParseSaveDate("2023-6-15 10:00").has_value());
  EXPECT_FALSE(ParseSaveDate("").has_value());
}

}  // namespace
}  // namespace quillmere
