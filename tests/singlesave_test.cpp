#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "model/conversions.h"
#include "catalog/catalog.h"
#include "model/safe_file_name.h"
#include "operations/single_save_conversion.h"
#include "platform/file_io.h"
#include "singlesave/converter.h"
#include "singlesave/single_save_file.h"
#include "support/image_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"

namespace quillmere {

// Dates read as dates when an expectation fails.
[[maybe_unused]] static void PrintTo(const SaveDateTime& date, std::ostream* out) { *out << FormatSaveDate(date); }

namespace {

namespace fs = std::filesystem;
using singlesave::SsfPackedDate;
using testing::ScriptedHost;
using testing::TempDir;

// The packed date put together byte by byte, the way the SSF form is laid out:
// +0x0F the years halved; +0x0E the years' low bit, the month and the day's
// top three bits; +0x0D the day's low two bits, the hour and the minute's top
// bit; +0x0C the minute's low five bits over three reserved bits.
SsfPackedDate PackByBytes(int years, int month, int day, int hour, int minute, int reserved = 0) {
  return {static_cast<std::uint8_t>((minute & 0x1F) << 3 | (reserved & 7)),
          static_cast<std::uint8_t>((day & 3) << 6 | hour << 1 | minute >> 5),
          static_cast<std::uint8_t>((years & 1) << 7 | month << 3 | day >> 2),
          static_cast<std::uint8_t>(years >> 1)};
}

SaveDateTime Date(std::int64_t year, int month, int day, int hour, int minute) {
  return {year, month, day, hour, minute};
}

// A Shift-JIS comment: "セーブ" then a zero byte, with bytes after the zero
// that must be carried along even though they are not shown.
const ByteBuffer kComment{0x83, 0x5A, 0x81, 0x5B, 0x83, 0x75, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55};

ByteBuffer SsfFile(const ByteBuffer& comment, const SsfPackedDate& date, const ByteBuffer& data) {
  ByteBuffer file = comment;
  file.Resize(12);
  file.Append(ByteBuffer(std::vector<std::uint8_t>(date.begin(), date.end())));
  file.Append(data);
  return file;
}

ByteBuffer Pattern(std::size_t length, std::uint8_t seed) { return ByteBuffer(testing::PatternData(length, seed)); }

// --- The packed date --------------------------------------------------------

TEST(SsfPackedDate, DecodesAndEncodesAKnownDate) {
  const SsfPackedDate bytes{0x40, 0x9E, 0xAC, 0x09};
  EXPECT_EQ(singlesave::DecodeSsfDate(bytes), Date(1999, 5, 18, 15, 8));
  EXPECT_EQ(singlesave::EncodeSsfDate(Date(1999, 5, 18, 15, 8)), bytes);
  EXPECT_EQ(PackByBytes(19, 5, 18, 15, 8), bytes);
  // The three reserved bits are ignored when read and written as zero.
  EXPECT_EQ(singlesave::DecodeSsfDate({0x47, 0x9E, 0xAC, 0x09}), Date(1999, 5, 18, 15, 8));
}

TEST(SsfPackedDate, OutOfRangeFieldsCarryOver) {
  using singlesave::DecodeSsfDate;
  EXPECT_EQ(DecodeSsfDate({0, 0, 0, 0}), Date(1979, 11, 30, 0, 0));
  EXPECT_EQ(DecodeSsfDate(PackByBytes(0, 13, 1, 0, 0)), Date(1981, 1, 1, 0, 0));  // month 13 of 1980
  EXPECT_EQ(DecodeSsfDate(PackByBytes(0, 1, 0, 0, 0)), Date(1979, 12, 31, 0, 0));
  EXPECT_EQ(DecodeSsfDate(PackByBytes(0, 0, 31, 16, 0)), Date(1979, 12, 31, 16, 0));
  // Day 0 is the last day of the month before: 29 February in a leap year.
  EXPECT_EQ(DecodeSsfDate(PackByBytes(20, 3, 0, 0, 0)), Date(2000, 2, 29, 0, 0));
  EXPECT_EQ(DecodeSsfDate(PackByBytes(21, 3, 0, 0, 0)), Date(2001, 2, 28, 0, 0));
  // Day 31 of a 30-day month, 31 February, hour 24+ and minute 60+ run on.
  EXPECT_EQ(DecodeSsfDate(PackByBytes(23, 4, 31, 0, 0)), Date(2003, 5, 1, 0, 0));
  EXPECT_EQ(DecodeSsfDate(PackByBytes(23, 2, 31, 0, 0)), Date(2003, 3, 3, 0, 0));
  EXPECT_EQ(DecodeSsfDate(PackByBytes(23, 12, 31, 31, 63)), Date(2004, 1, 1, 8, 3));
  // The largest value of every field.
  EXPECT_EQ(DecodeSsfDate({0xFF, 0xFF, 0xFF, 0xFF}), Date(2492, 4, 1, 8, 3));
}

TEST(SsfPackedDate, EveryDayAndEveryMinuteOfTheBoundaryDaysRoundTrips) {
  // Hour and minute are packed apart from the day, so every day at a few
  // times of day, and every minute of the days where the calendar turns,
  // stand for every minute of 1980-2491.
  const std::int64_t first = DaysFromCivil(1980, 1, 1);
  const std::int64_t last = DaysFromCivil(2491, 12, 31);
  for (std::int64_t day = first; day <= last; ++day) {
    for (const std::int64_t minuteOfDay : {std::int64_t{0}, 1439 - (day % 60), (day * 7) % 1440}) {
      const SaveDateTime date = DateTimeFromEpochMinutes(day * 1440 + minuteOfDay);
      const SsfPackedDate packed = singlesave::EncodeSsfDate(date);
      ASSERT_EQ(packed, PackByBytes(static_cast<int>(date.year - 1980), date.month, date.day, date.hour,
                                    date.minute))
          << FormatSaveDate(date);
      ASSERT_EQ(singlesave::DecodeSsfDate(packed), date) << FormatSaveDate(date);
    }
  }
  std::vector<SaveDateTime> days = {Date(1980, 1, 1, 0, 0),   Date(1980, 2, 28, 0, 0),  Date(1980, 2, 29, 0, 0),
                                    Date(1980, 12, 31, 0, 0), Date(1999, 12, 31, 0, 0), Date(2000, 2, 29, 0, 0),
                                    Date(2100, 2, 28, 0, 0),  Date(2100, 3, 1, 0, 0),   Date(2400, 2, 29, 0, 0),
                                    Date(2491, 12, 31, 0, 0)};
  for (int month = 1; month <= 12; ++month) {
    days.push_back(Date(2023, month, DaysInMonth(2023, month), 0, 0));
    days.push_back(Date(2024, month, 1, 0, 0));
  }
  for (const SaveDateTime& day : days) {
    for (int minute = 0; minute < 1440; ++minute) {
      const SaveDateTime date = DateTimeFromEpochMinutes(EpochMinutes(day) + minute);
      ASSERT_EQ(singlesave::DecodeSsfDate(singlesave::EncodeSsfDate(date)), date) << FormatSaveDate(date);
    }
  }
}

TEST(SsfPackedDate, DatesOutsideTheFieldsAreKeptOrClampedToTheNearestDate) {
  using singlesave::DecodeSsfDate;
  using singlesave::EncodeSsfDate;
  // 1979-11-30 to 1979-12-31 (SAROO stamps below 480, and the dates shown
  // for zero fields) are held exactly through the carry-over.
  const std::int64_t from = EpochMinutes(Date(1979, 11, 30, 0, 0));
  for (std::int64_t at = from; at < EpochMinutes(Date(1980, 1, 1, 0, 0)); ++at) {
    const SaveDateTime date = DateTimeFromEpochMinutes(at);
    ASSERT_EQ(DecodeSsfDate(EncodeSsfDate(date)), date) << FormatSaveDate(date);
  }
  EXPECT_EQ(EncodeSsfDate(SaveDateFromMinutes(0)), PackByBytes(0, 0, 31, 16, 0));
  EXPECT_EQ(EncodeSsfDate(Date(1979, 11, 30, 0, 0)), (SsfPackedDate{0, 0, 0, 0}));
  // Earlier dates take the earliest the form holds, later ones the latest valid one.
  EXPECT_EQ(EncodeSsfDate(Date(1979, 11, 29, 23, 59)), (SsfPackedDate{0, 0, 0, 0}));
  EXPECT_EQ(EncodeSsfDate(Date(1900, 1, 1, 0, 0)), (SsfPackedDate{0, 0, 0, 0}));
  const SsfPackedDate latest = PackByBytes(511, 12, 31, 23, 59);
  EXPECT_EQ(EncodeSsfDate(Date(2492, 1, 1, 0, 0)), latest);
  EXPECT_EQ(EncodeSsfDate(SaveDateFromMinutes(UINT32_MAX)), latest);
  EXPECT_EQ(DecodeSsfDate(latest), Date(2491, 12, 31, 23, 59));
}

// --- Names ------------------------------------------------------------------

TEST(SingleSaveNames, BaseNameLiesBetweenTheLastSeparatorAndTheLastBin) {
  using singlesave::BaseNameOfPath;
  EXPECT_EQ(BaseNameOfPath("C:\\Quillmere\\SSF\\GAME_01.BIN"), "GAME_01");
  EXPECT_EQ(BaseNameOfPath("C:\\Quillmere\\SSF\\GAME_01.bin"), "GAME_01");
  EXPECT_EQ(BaseNameOfPath("/home/saves/GAME_01.Bin"), "GAME_01");
  EXPECT_EQ(BaseNameOfPath("/saves\\mixed/GAME.bin"), "GAME");
  EXPECT_EQ(BaseNameOfPath("/saves/a.bin.bin"), "a.bin");
  EXPECT_EQ(BaseNameOfPath("/saves/a.bin.old"), "a");
  EXPECT_EQ(BaseNameOfPath("/saves/存档.bin"), "存档");
  EXPECT_EQ(BaseNameOfPath("/saves/.bin"), "");
  EXPECT_EQ(BaseNameOfPath("GAME.bin"), "");       // no separator
  EXPECT_EQ(BaseNameOfPath("/saves/GAME.sav"), "");  // no ".bin"
  EXPECT_EQ(BaseNameOfPath("/old.bin/GAME"), "");    // ".bin" before the separator
  EXPECT_EQ(BaseNameOfPath(""), "");
}

TEST(SingleSaveNames, NameFieldIsGbkCutToElevenBytesOnACharacterBoundary) {
  using singlesave::NameFieldFromText;
  EXPECT_EQ(NameFieldFromText("ABCDEFGHIJK"), ByteBuffer::FromText(std::string("ABCDEFGHIJK") + '\0'));
  EXPECT_EQ(NameFieldFromText("ABCDEFGHIJKLMNOP"), ByteBuffer::FromText(std::string("ABCDEFGHIJK") + '\0'));
  EXPECT_EQ(NameFieldFromText("AB"), ByteBuffer::FromText(std::string("AB") + std::string(10, '\0')));
  EXPECT_EQ(NameFieldFromText(""), ByteBuffer::Filled(12, 0));
  // 存 is B4 E6 and 档 is B5 B5 in GBK.
  EXPECT_EQ(NameFieldFromText("存档"), (ByteBuffer{0xB4, 0xE6, 0xB5, 0xB5, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(NameFieldFromText("A存档存档存档"),
            (ByteBuffer{'A', 0xB4, 0xE6, 0xB5, 0xB5, 0xB4, 0xE6, 0xB5, 0xB5, 0xB4, 0xE6, 0}));
  // Eleven bytes would end inside the sixth character: it is left out whole.
  EXPECT_EQ(NameFieldFromText("存档存档存档"),
            (ByteBuffer{0xB4, 0xE6, 0xB5, 0xB5, 0xB4, 0xE6, 0xB5, 0xB5, 0xB4, 0xE6, 0, 0}));
  EXPECT_EQ(DecodeName(NameFieldFromText("AB存档存档存档")), "AB存档存档");
}

TEST(SingleSaveNames, UnsafeFileNamesAreMadeSafe) {
  EXPECT_EQ(SafeFileName("GAME_01"), "GAME_01");
  EXPECT_EQ(SafeFileName("存档 1.x"), "存档 1.x");
  EXPECT_EQ(SafeFileName(R"(a\b/c:d*e?f"g<h>i|j)"), "a_b_c_d_e_f_g_h_i_j");
  EXPECT_EQ(SafeFileName(std::string("a\x01") + "b\x1F\x7F"), "a_b__");
  EXPECT_EQ(SafeFileName("a\xC2\x85" "b"), "a_b");  // U+0085, a C1 control
  EXPECT_EQ(SafeFileName("\xC2\xA0"), "\xC2\xA0");   // U+00A0 is no control
  EXPECT_EQ(SafeFileName(""), "_");
  EXPECT_EQ(SafeFileName("."), "_");
  EXPECT_EQ(SafeFileName(".."), "_");
  EXPECT_EQ(SafeFileName("../x"), ".._x");
  EXPECT_EQ(SafeFileName("..."), "...");
}

// --- Showing ----------------------------------------------------------------

TEST(ConverterRows, SsfRowShowsTheFileAsItIs) {
  const ByteBuffer file = SsfFile(kComment, {0x40, 0x9E, 0xAC, 0x09}, Pattern(100, 1));
  const singlesave::SingleSaveRow row = singlesave::SsfRow("C:\\SSF\\GAME_01.BIN", file);
  EXPECT_EQ(row.name(), "GAME_01");
  EXPECT_EQ(row.comment(), "セーブ");
  EXPECT_EQ(row.date(), "1999-05-18 15:08");
  EXPECT_EQ(row.size(), "100");

  // An empty, short or missing file shows what the zero bytes give.
  const singlesave::SingleSaveRow empty = singlesave::SsfRow("/x/E.bin", ByteBuffer{});
  EXPECT_EQ(empty.cells, (std::array<std::string, 4>{"E", "", "1979-11-30 00:00", "0"}));
  EXPECT_EQ(singlesave::SsfRow("/x/E.bin", ByteBuffer{'A', 'B'}).comment(), "AB");
  EXPECT_EQ(singlesave::SsfRow("/x/E.bin", ByteBuffer::Filled(14, 0x41)).size(), "0");
  TempDir dir;
  ScriptedHost host;
  EXPECT_EQ(ShowSsfFile(dir / "E.bin", host), singlesave::SsfRow(platform::PathToUtf8(dir / "E.bin"), {}));
  EXPECT_TRUE(host.messages.empty());
}

TEST(ConverterRows, SarooRowShowsTheHeaderAndPacksTheShownDate) {
  const ByteBuffer name = ByteBuffer::FromText(std::string("GAME01\0XYZW", 11));
  ByteBuffer file = singlesave::BuildSarooSingleSave(name, 0xFFFFFFFF, kComment, 22855474, Pattern(300, 2));
  const singlesave::SarooShown shown = singlesave::SarooRow(file);
  EXPECT_EQ(shown.row.name(), "GAME01");
  EXPECT_EQ(shown.row.comment(), "セーブ");
  EXPECT_EQ(shown.row.date(), "2023-06-15 12:34");
  EXPECT_EQ(shown.row.size(), "300");  // from the file's length, not the size field
  EXPECT_EQ(shown.pendingSsfDate, PackByBytes(43, 6, 15, 12, 34));

  // No magic check when showing; a short file shows what its bytes give.
  file.MustWriteBE(0, 'X', 1);
  EXPECT_EQ(singlesave::SarooRow(file).row.name(), "GAME01");
  const singlesave::SarooShown empty = singlesave::SarooRow(ByteBuffer{});
  EXPECT_EQ(empty.row.cells, (std::array<std::string, 4>{"", "", "1979-12-31 16:00", "0"}));
  EXPECT_EQ(empty.pendingSsfDate, PackByBytes(0, 0, 31, 16, 0));
  // A date field cut short by the end of the file counts its missing bytes as zero.
  const ByteBuffer cut = file.Slice(0, 46);
  EXPECT_EQ(singlesave::SarooRow(cut).row.date(), FormatSaveDate(SaveDateFromMinutes(0x015C0000)));
}

// --- Converting -------------------------------------------------------------

class ConverterFiles : public ::testing::Test {
 protected:
  fs::path Ssf(const std::string& fileName, const ByteBuffer& bytes) {
    const fs::path path = dir / ("in/" + fileName);
    testing::WriteFile(path, bytes);
    return path;
  }
  std::vector<fs::path> FilesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) files.push_back(it->path());
    return files;
  }
  ConversionResult SsfToSaroo(const fs::path& path) {
    return ConvertSsfToSaroo(path, ShowSsfFile(path, host), sarooFolder, host);
  }
  ConversionResult SarooToSsf(const fs::path& path) {
    return ConvertSarooToSsf(path, ShowSarooFile(path, host).pendingSsfDate, ssfFolder, host);
  }

  TempDir dir;
  fs::path sarooFolder = singlesave::SarooFolder(dir.path());
  fs::path ssfFolder = singlesave::SsfFolder(dir.path());
  ScriptedHost host;
};

TEST_F(ConverterFiles, ElevenCharacterNameConvertsToSarooAndBackByteForByte) {
  const ByteBuffer data = Pattern(8192, 3);
  const ByteBuffer original = SsfFile(kComment, {0x40, 0x9E, 0xAC, 0x09}, data);
  const fs::path ssf = Ssf("ABCDEFGHIJK.bin", original);

  const ConversionResult toSaroo = SsfToSaroo(ssf);
  ASSERT_EQ(toSaroo.outcome, ConversionOutcome::kWritten) << ::testing::PrintToString(host.messages);
  EXPECT_EQ(toSaroo.path, sarooFolder / "ABCDEFGHIJK.bin");
  EXPECT_EQ(host.revealed, std::vector<fs::path>{toSaroo.path});
  EXPECT_TRUE(host.messages.empty());

  const ByteBuffer saroo = testing::ReadFile(toSaroo.path);
  ASSERT_EQ(saroo.size(), 64u + 8192u);
  EXPECT_EQ(saroo.Slice(0, 16), ByteBuffer::FromText(std::string("SSAVERAW") + std::string(8, '\0')));
  EXPECT_EQ(saroo.Slice(16, 12), ByteBuffer::FromText(std::string("ABCDEFGHIJK") + '\0'));
  EXPECT_EQ(saroo.Slice(28, 4), (ByteBuffer{0x00, 0x00, 0x20, 0x00}));
  EXPECT_EQ(saroo.Slice(32, 12), original.Slice(0, 12));
  EXPECT_EQ(saroo.ReadU32(44), MinutesFromSaveDate(Date(1999, 5, 18, 15, 8)));
  EXPECT_EQ(saroo.Slice(48, 16), ByteBuffer::Filled(16, 0));
  EXPECT_EQ(saroo.Slice(64, 8192), data);

  const ConversionResult back = SarooToSsf(toSaroo.path);
  ASSERT_EQ(back.outcome, ConversionOutcome::kWritten) << ::testing::PrintToString(host.messages);
  EXPECT_EQ(back.path, ssfFolder / "ABCDEFGHIJK.bin");
  EXPECT_EQ(testing::ReadFile(back.path), original);
  EXPECT_EQ(host.revealed, (std::vector<fs::path>{toSaroo.path, back.path}));
}

TEST_F(ConverterFiles, DateTakesTheStampOfTheShownDate) {
  const fs::path ssf = Ssf("GAME.bin", SsfFile(kComment, PackByBytes(43, 6, 15, 12, 34), Pattern(10, 4)));
  ASSERT_EQ(ShowSsfFile(ssf, host).date(), "2023-06-15 12:34");
  const ConversionResult result = SsfToSaroo(ssf);
  ASSERT_EQ(result.outcome, ConversionOutcome::kWritten);
  const ByteBuffer saroo = testing::ReadFile(result.path);
  EXPECT_EQ(saroo.Slice(44, 4), (ByteBuffer{0x01, 0x5C, 0xBF, 0x32}));
  EXPECT_EQ(saroo.ReadU32(44), 22855474u);

  // The date is the one shown, not the one the file holds by now.
  singlesave::SingleSaveRow shown = ShowSsfFile(ssf, host);
  testing::WriteFile(ssf, SsfFile(kComment, PackByBytes(19, 5, 18, 15, 8), Pattern(20, 5)));
  ASSERT_EQ(ConvertSsfToSaroo(ssf, shown, sarooFolder, host).outcome, ConversionOutcome::kWritten);
  const ByteBuffer again = testing::ReadFile(result.path);
  EXPECT_EQ(again.ReadU32(44), 22855474u);
  EXPECT_EQ(again.Slice(64, 100), Pattern(20, 5));  // while the bytes are read afresh
}

TEST_F(ConverterFiles, DatesBeforeTheStampBaseBecomeStampZeroAndStayThere) {
  // Zero packed fields show 1979-11-30 00:00, before the SAROO base: the
  // stamp cannot go negative, so it is 0 rather than a wrapped-around year.
  const fs::path ssf = Ssf("OLD.bin", SsfFile(kComment, {0, 0, 0, 0}, Pattern(8, 6)));
  const ConversionResult toSaroo = SsfToSaroo(ssf);
  ASSERT_EQ(toSaroo.outcome, ConversionOutcome::kWritten);
  EXPECT_EQ(testing::ReadFile(toSaroo.path).ReadU32(44), 0u);

  // Stamp 0 and the other stamps below 480 survive SAROO -> SSF -> SAROO.
  for (const std::uint32_t stamp : {0u, 1u, 479u, 480u, 22855474u}) {
    const fs::path saroo = dir / "in/STAMP.bin";
    testing::WriteFile(saroo, singlesave::BuildSarooSingleSave(singlesave::NameFieldFromText("STAMP"), 4, kComment,
                                                               stamp, Pattern(4, 7)));
    const ConversionResult toSsf = SarooToSsf(saroo);
    ASSERT_EQ(toSsf.outcome, ConversionOutcome::kWritten);
    const ConversionResult backAgain = SsfToSaroo(toSsf.path);
    ASSERT_EQ(backAgain.outcome, ConversionOutcome::kWritten);
    EXPECT_EQ(testing::ReadFile(backAgain.path), testing::ReadFile(saroo)) << stamp;
  }
}

TEST_F(ConverterFiles, WrongFormsAreRefusedAndNothingIsWritten) {
  const ByteBuffer saroo =
      singlesave::BuildSarooSingleSave(singlesave::NameFieldFromText("GAME"), 16, kComment, 480, Pattern(16, 8));
  const fs::path picked = Ssf("GAME.bin", saroo);
  // A SAROO file in the SSF half: its comment reads "SSAVERAW".
  ASSERT_EQ(ShowSsfFile(picked, host).comment(), "SSAVERAW");
  EXPECT_EQ(SsfToSaroo(picked).outcome, ConversionOutcome::kRefused);
  EXPECT_EQ(host.messages, std::vector<std::string>{std::string(catalog::Render(WrongFormat{}))});

  // Any one byte of the magic wrong in the SAROO half.
  for (std::size_t i = 0; i < 8; ++i) {
    ByteBuffer bad = saroo;
    bad.MustWriteBE(i, bad.At(i) ^ 0x20, 1);
    testing::WriteFile(picked, bad);
    EXPECT_EQ(SarooToSsf(picked).outcome, ConversionOutcome::kRefused) << i;
  }
  // A file too short to hold the magic, and a missing one.
  testing::WriteFile(picked, ByteBuffer::FromText("SSAVERA"));
  EXPECT_EQ(SarooToSsf(picked).outcome, ConversionOutcome::kRefused);
  EXPECT_EQ(SarooToSsf(dir / "in/MISSING.bin").outcome, ConversionOutcome::kRefused);

  EXPECT_EQ(host.messages.size(), 11u);
  for (const std::string& message : host.messages) EXPECT_EQ(message, catalog::Render(WrongFormat{}));
  EXPECT_TRUE(host.revealed.empty());
  EXPECT_FALSE(fs::exists(sarooFolder));
  EXPECT_FALSE(fs::exists(ssfFolder));
}

TEST_F(ConverterFiles, EmptyPathBoxesDoNothing) {
  EXPECT_EQ(ConvertSsfToSaroo({}, {}, sarooFolder, host).outcome, ConversionOutcome::kNothingToDo);
  EXPECT_EQ(ConvertSarooToSsf({}, std::nullopt, ssfFolder, host).outcome, ConversionOutcome::kNothingToDo);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_TRUE(host.revealed.empty());
  EXPECT_FALSE(fs::exists(sarooFolder));
}

TEST_F(ConverterFiles, UpperCaseExtensionAndLongNamesAndReplacedFiles) {
  const ByteBuffer original = SsfFile(kComment, PackByBytes(19, 5, 18, 15, 8), Pattern(40, 9));
  const ConversionResult upper = SsfToSaroo(Ssf("GAME_01.BIN", original));
  ASSERT_EQ(upper.outcome, ConversionOutcome::kWritten);
  EXPECT_EQ(upper.path, sarooFolder / "GAME_01.bin");
  EXPECT_EQ(testing::ReadFile(upper.path).Slice(16, 12), singlesave::NameFieldFromText("GAME_01"));

  // A name longer than the field is cut to 11 bytes, and the file is named
  // after the stored name, so export and import find the same save again.
  const ConversionResult cut = SsfToSaroo(Ssf("ABCDEFGHIJKLMNOP.bin", original));
  ASSERT_EQ(cut.outcome, ConversionOutcome::kWritten);
  EXPECT_EQ(cut.path, sarooFolder / "ABCDEFGHIJK.bin");
  EXPECT_EQ(testing::ReadFile(cut.path).Slice(16, 12), ByteBuffer::FromText(std::string("ABCDEFGHIJK") + '\0'));

  // An existing file of that name is replaced without a question.
  const ConversionResult replaced = SsfToSaroo(Ssf("ABCDEFGHIJK.bin", SsfFile({}, {}, Pattern(3, 10))));
  ASSERT_EQ(replaced.outcome, ConversionOutcome::kWritten);
  EXPECT_EQ(testing::ReadFile(cut.path).Slice(64, 10), Pattern(3, 10));
  EXPECT_TRUE(host.questions.empty());
  EXPECT_EQ(FilesIn(sarooFolder).size(), 2u);
}

TEST_F(ConverterFiles, UnsafeStoredNamesStayInsideTheOutputFolder) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"../../x", ".._.._x.bin"}, {"..", "_.bin"}, {"a:b*c?", "a_b_c_.bin"}, {"", "_.bin"}, {"\x01", "_.bin"}};
  for (const auto& [name, fileName] : cases) {
    ByteBuffer nameField = ByteBuffer::FromText(name);
    const fs::path saroo = dir / "in/unsafe.bin";
    testing::WriteFile(saroo, singlesave::BuildSarooSingleSave(nameField, 2, kComment, 480, Pattern(2, 11)));
    const ConversionResult result = SarooToSsf(saroo);
    ASSERT_EQ(result.outcome, ConversionOutcome::kWritten) << name;
    EXPECT_EQ(result.path, ssfFolder / fileName);
    EXPECT_TRUE(fs::is_regular_file(ssfFolder / fileName)) << name;
  }
  EXPECT_EQ(FilesIn(ssfFolder).size(), 3u);  // "_.bin" stands for three of the names
  // Nothing landed beside the folder or above it.
  EXPECT_EQ(FilesIn(dir.path()).size(), 2u);  // "in" and "SSF"
}

TEST_F(ConverterFiles, ShortFilesConvertWithTheirMissingBytesAsZero) {
  for (std::size_t length = 0; length <= 17; ++length) {
    const ByteBuffer bytes = Pattern(length, 12);
    const ConversionResult result = SsfToSaroo(Ssf("SHORT.bin", bytes));
    ASSERT_EQ(result.outcome, ConversionOutcome::kWritten) << length;
    const ByteBuffer saroo = testing::ReadFile(result.path);
    const std::size_t dataLength = length > 16 ? length - 16 : 0;
    ASSERT_EQ(saroo.size(), 64 + dataLength);
    EXPECT_EQ(saroo.ReadU32(28), dataLength);
    EXPECT_EQ(saroo.Slice(32, 12), ZeroFilledField(bytes, 0, 12)) << length;
  }
  // The name field reads as far as the file goes; twelve bytes without a zero are all name.
  const std::vector<std::pair<std::size_t, std::string>> sarooCases = {
      {8, "_"}, {20, "NAME"}, {35, "NAMEISLONGXY"}, {46, "NAMEISLONGXY"}, {63, "NAMEISLONGXY"},
      {64, "NAMEISLONGXY"}, {65, "NAMEISLONGXY"}};
  for (const auto& [length, name] : sarooCases) {
    ByteBuffer bytes = singlesave::BuildSarooSingleSave(ByteBuffer::FromText("NAMEISLONGXY"), 1, Pattern(12, 13),
                                                        22855474, ByteBuffer{0xAB});
    bytes.Resize(length);
    const fs::path saroo = dir / "in/short.bin";
    testing::WriteFile(saroo, bytes);
    const ConversionResult result = SarooToSsf(saroo);
    ASSERT_EQ(result.outcome, ConversionOutcome::kWritten) << length;
    EXPECT_EQ(result.path, ssfFolder / (name + ".bin"));
    const ByteBuffer ssf = testing::ReadFile(result.path);
    ASSERT_EQ(ssf.size(), 16u + (length > 64 ? length - 64 : 0)) << length;
    EXPECT_EQ(ssf.Slice(0, 12), ZeroFilledField(bytes, 32, 12)) << length;
    EXPECT_EQ(ssf.Slice(16, 1), bytes.Slice(64, 1));
  }
}

TEST_F(ConverterFiles, FailedWritesAreReportedAndNothingIsRevealed) {
  // A regular file where the output folder should be: the folder cannot be
  // created, whatever rights the process has.
  testing::WriteFile(sarooFolder, ByteBuffer{1});
  testing::WriteFile(ssfFolder, ByteBuffer{2});
  const ByteBuffer ssfBytes = SsfFile(kComment, PackByBytes(19, 5, 18, 15, 8), Pattern(30, 14));
  const ConversionResult toSaroo = SsfToSaroo(Ssf("GAME.bin", ssfBytes));
  EXPECT_EQ(toSaroo.outcome, ConversionOutcome::kWriteFailed);
  EXPECT_EQ(toSaroo.path, sarooFolder / "GAME.bin");

  const fs::path saroo = dir / "in/SAROO.bin";
  testing::WriteFile(saroo, singlesave::BuildSarooSingleSave(singlesave::NameFieldFromText("GAME"), 30, kComment,
                                                             480, Pattern(30, 14)));
  const ConversionResult toSsf = SarooToSsf(saroo);
  EXPECT_EQ(toSsf.outcome, ConversionOutcome::kWriteFailed);

  const std::vector<std::string> expected = {"写入文件失败！\r\n" + platform::PathToUtf8(sarooFolder / "GAME.bin"),
                                             "写入文件失败！\r\n" + platform::PathToUtf8(ssfFolder / "GAME.bin")};
  EXPECT_EQ(host.messages, expected);
  EXPECT_TRUE(host.revealed.empty());
  EXPECT_EQ(testing::ReadFile(sarooFolder), ByteBuffer{1});
}

TEST(ConverterLimits, DataBeyondTheLimitIsRefusedNotCut) {
  const fs::path out = "out";
  ByteBuffer ssf = ByteBuffer::Filled(16 + singlesave::kMaxDataSize, 0x5A);
  const auto fits = singlesave::BuildSarooFromSsf("/x/BIG.bin", ssf, singlesave::SsfRow("/x/BIG.bin", ssf), out);
  ASSERT_TRUE(fits);
  EXPECT_EQ(fits->bytes.size(), 64 + singlesave::kMaxDataSize);
  EXPECT_EQ(fits->bytes.ReadU32(28), singlesave::kMaxDataSize);
  ssf.Append(1, 0x5A);
  EXPECT_FALSE(singlesave::BuildSarooFromSsf("/x/BIG.bin", ssf, singlesave::SsfRow("/x/BIG.bin", ssf), out));

  ByteBuffer saroo = singlesave::BuildSarooSingleSave({}, 0, {}, 0, ByteBuffer::Filled(singlesave::kMaxDataSize, 0x5A));
  EXPECT_TRUE(singlesave::BuildSsfFromSaroo(saroo, {}, out));
  saroo.Append(1, 0x5A);
  EXPECT_FALSE(singlesave::BuildSsfFromSaroo(saroo, {}, out));
}

}  // namespace
}  // namespace quillmere
