#include <gtest/gtest.h>

#include "model/byte_buffer.h"
#include "model/conversions.h"
#include "model/save_record.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

TEST(HexText, ConvertsBothWaysWithoutSignTrouble) {
  EXPECT_EQ(BytesToHex(ByteBuffer{0x00, 0x0A, 0xFF}), "000AFF");
  EXPECT_EQ(BytesToHex(ByteBuffer{}), "");
  EXPECT_EQ(BytesToHex(ByteBuffer{0x80, 0x00, 0x00, 0x00}), "80000000");

  EXPECT_EQ(UintToHex(0), "0");
  EXPECT_EQ(UintToHex(255), "FF");
  EXPECT_EQ(UintToHex(1024), "400");
  EXPECT_EQ(UintToHex(4095), "FFF");
  EXPECT_EQ(UintToHex(INT32_MAX), "7FFFFFFF");
  EXPECT_EQ(UintToHex(std::uint64_t{1} << 31), "80000000");
  EXPECT_EQ(UintToHex(0x12345678), "12345678");
}

TEST(HexText, PadsOnlyShortText) {
  EXPECT_EQ(PadLeftZeros("7", 2), "07");
  EXPECT_EQ(PadLeftZeros("123", 2), "123");
  EXPECT_EQ(PadLeftZeros("", 4), "0000");
}

TEST(ByteBufferReads, FieldsPastTheEndReadAsIfZeroBytesFollowed) {
  const ByteBuffer bytes{0x12, 0x34, 0x56};
  EXPECT_EQ(bytes.ReadU32(0), 0x12345600u);  // three bytes present, the fourth read as zero
  EXPECT_EQ(bytes.ReadU16(2), 0x5600u);
  EXPECT_EQ(bytes.ReadBE(1, 8), 0x3456000000000000u);
  EXPECT_EQ(bytes.ReadU32(3), 0u);
  // An offset near SIZE_MAX must not wrap round to the first bytes.
  EXPECT_EQ(bytes.ReadU32(SIZE_MAX - 1), 0u);
  EXPECT_EQ(bytes.ReadU32(SIZE_MAX), 0u);
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
  // A writer that vouched for the room and was wrong stops there.
  EXPECT_DEATH(bytes.MustWriteBE(3, 0xABCD, 2), "");
  EXPECT_DEATH(bytes.MustWrite(2, ByteBuffer{1, 2, 3}), "");
  bytes.MustWrite(0, ByteBuffer{7});
  EXPECT_EQ(bytes, (ByteBuffer{7, 0, 0xAB, 0xEE}));
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

TEST(SaveDates, MinutesRoundTrip) {
  for (std::uint32_t minutes : {0u, 1u, 479u, 480u, 22855474u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    EXPECT_EQ(MinutesFromSaveDate(SaveDateFromMinutes(minutes)), minutes);
  }
  EXPECT_EQ(MinutesFromSaveDate({1979, 11, 30, 0, 0}), -(31 * 1440 + 16 * 60));
}

// A record is drawn as the six cells of its row, whatever its fields hold.
TEST(SavePresenter, DrawsEachFieldInItsColumn) {
  struct Case {
    SaveRecord record;
    std::array<std::string, 6> cells;
  };
  auto record = [](std::uint32_t num, std::size_t offset, ByteBuffer name, ByteBuffer comment, std::uint32_t date,
                   std::uint32_t size) {
    SaveRecord r;
    r.num = num;
    r.offset = offset;
    r.nameField = std::move(name);
    r.commentField = std::move(comment);
    r.date = date;
    r.size = size;
    return r;
  };
  const std::vector<Case> cases = {
      {record(5, 0x3000, ByteBuffer{'G', 'A', 'M', 'E', 0, 'X'}, ByteBuffer{0x83, 0x5A, 0x81, 0x5B, 0x83, 0x75}, 22855474,
              960),
       {"5", "GAME", "3000", "セーブ", "2023-06-15 12:34", "960"}},
      // GBK names; a field with no zero byte is shown whole.
      {record(1, 0x80, ByteBuffer{0xB4, 0xE6, 0xB5, 0xB5, 'A', 'B', 'C', 'D', 'E', 'F', 'G'}, {}, 0, 0),
       {"1", "存档ABCDEFG", "80", "", "1979-12-31 16:00", "0"}},
      // The last area's address, and the largest stamp and size.
      {record(4095, 0x0FFF0080, {}, ByteBuffer{'C', 0, 'D'}, 0xFFFFFFFF, 0xFFFFFFFF),
       {"4095", "", "FFF0080", "C", "10146-02-14 20:15", "4294967295"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PresentSave(c.record).cells, c.cells) << c.cells[0];
  }
  EXPECT_EQ(PresentSaves({cases[0].record, cases[1].record}),
            (std::vector<SaveEntry>{PresentSave(cases[0].record), PresentSave(cases[1].record)}));
}

}  // namespace
}  // namespace quillmere
