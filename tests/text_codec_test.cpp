#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/text_codec.h"

#ifndef _WIN32
#include <iconv.h>

#include <cerrno>
#include <random>
#endif

// One table for both codecs: the iconv one and the Windows code pages must
// show every comment and name alike, so this file runs on Linux and under
// Wine unchanged. make test-windows also compares all one- and two-byte
// sequences between the two builds.
namespace quillmere {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr const char* kBad = "\xEF\xBF\xBD";  // U+FFFD

struct DecodeCase {
  const char* what;
  const char* encoding;
  Bytes bytes;
  std::string text;
};

TEST(TextCodecTable, DecodesShiftJisAndGbkAlikeOnEverySystem) {
  const std::string bad = kBad;
  const DecodeCase cases[] = {
      {"katakana and the long vowel mark", platform::kShiftJis, {0x83, 0x5A, 0x81, 0x5B, 0x83, 0x75}, "セーブ"},
      {"half-width katakana", platform::kShiftJis, {0xBE, 0xB0, 0xCC, 0xDE}, "ｾｰﾌﾞ"},
      {"kanji", platform::kShiftJis, {0x93, 0xFA, 0x96, 0x7B}, "日本"},
      {"0x5C and 0x7E are the yen sign and overline", platform::kShiftJis, {0x5C, 0x41, 0x7E}, "¥A‾"},
      {"row 1 symbols in their JIS forms", platform::kShiftJis, {0x81, 0x60, 0x81, 0x61, 0x81, 0x7C}, "〜‖−"},
      {"cent, pound and not signs", platform::kShiftJis, {0x81, 0x91, 0x81, 0x92, 0x81, 0xCA}, "¢£¬"},
      {"the full-width backslash", platform::kShiftJis, {0x81, 0x5F}, "＼"},
      {"the NEC row is not plain Shift-JIS", platform::kShiftJis, {0x87, 0x40}, bad + "@"},
      {"nor are the IBM rows", platform::kShiftJis, {0xFA, 0x40, 0xED, 0x40}, bad + "@" + bad + "@"},
      {"nor the user-defined area", platform::kShiftJis, {0xF0, 0x40}, bad + "@"},
      {"bytes that start nothing", platform::kShiftJis, {0x80, 0xA0, 0xFD, 0xFF, 0x41}, bad + bad + bad + bad + "A"},
      {"a bad second byte costs only the first", platform::kShiftJis, {0x81, 0x20, 0x41}, bad + " A"},
      {"a character cut off at the end", platform::kShiftJis, {0x41, 0x83}, "A" + bad},
      {"zero bytes pass through", platform::kShiftJis, {0x41, 0x00, 0x42}, std::string("A\0B", 3)},
      {"GBK name", platform::kGbk, {0xB4, 0xE6, 0xB5, 0xB5, 0x41}, "存档A"},
      {"GBK extension", platform::kGbk, {0x81, 0x40}, "丂"},
      {"GBK punctuation", platform::kGbk, {0xA1, 0xA4, 0xA1, 0xAA, 0xA1, 0xE9}, "·—￠"},
      {"0x80 is the euro sign", platform::kGbk, {0x80}, "€"},
      {"the user-defined area is not GBK", platform::kGbk, {0xAA, 0xA1}, bad + bad},
      {"nor is its part in row 0xFE", platform::kGbk, {0xFE, 0x50, 0x41}, bad + "PA"},
      {"after a bad byte the next one may start a character", platform::kGbk, {0xAA, 0xA1, 0xFE}, bad + "〓"},
      {"GBK byte 0xFF and a cut-off character", platform::kGbk, {0xFF, 0x41, 0xB4}, bad + "A" + bad},
      {"an empty field", platform::kGbk, {}, ""},
  };
  for (const DecodeCase& c : cases) {
    EXPECT_EQ(platform::DecodeToUtf8(c.bytes, c.encoding), c.text) << c.what;
  }
}

struct EncodeCase {
  const char* what;
  const char* encoding;
  std::string text;
  Bytes bytes;
};

TEST(TextCodecTable, EncodesAlikeOnEverySystem) {
  const EncodeCase cases[] = {
      {"GBK name", platform::kGbk, "存档A", {0xB4, 0xE6, 0xB5, 0xB5, 'A'}},
      {"the euro sign", platform::kGbk, "€", {0x80}},
      {"dashes", platform::kGbk, "—―", {0xA1, 0xAA, 0xA8, 0x44}},
      {"private use has no GBK code", platform::kGbk, "\xEE\x80\x80", {'?'}},
      {"outside the BMP, and a broken byte", platform::kGbk, "\xF0\x9F\x98\x80" "B\xFF", {'?', 'B', '?'}},
      {"katakana", platform::kShiftJis, "セーブ", {0x83, 0x5A, 0x81, 0x5B, 0x83, 0x75}},
      {"yen sign and overline", platform::kShiftJis, "¥‾", {0x5C, 0x7E}},
      {"backslash and tilde stay ASCII", platform::kShiftJis, "\\~", {'\\', '~'}},
      {"wave dash and its full-width twin", platform::kShiftJis, "〜～", {0x81, 0x60, '?'}},
      {"full-width cent, pound and not", platform::kShiftJis, "￠￡￢", {0x81, 0x91, 0x81, 0x92, 0x81, 0xCA}},
      {"NEC and IBM characters", platform::kShiftJis, "①ⅰ", {'?', '?'}},
  };
  for (const EncodeCase& c : cases) {
    EXPECT_EQ(platform::EncodeFromUtf8(c.text, c.encoding), c.bytes) << c.what;
  }
}

#ifndef _WIN32
// The text as iconv decodes it in one piece: each byte that starts no
// character becomes U+FFFD and the decoding goes on after it; a character cut
// off by the end becomes U+FFFD and ends it. DecodeToUtf8 looks characters up
// in a table that iconv filled one character at a time; it must agree.
std::string DecodedWhole(const Bytes& bytes, const char* encoding) {
  const iconv_t cd = iconv_open("UTF-8", encoding);
  std::string out;
  char* in = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
  std::size_t inLeft = bytes.size();
  while (inLeft > 0) {
    char buffer[256];
    char* at = buffer;
    std::size_t room = sizeof buffer;
    const std::size_t result = iconv(cd, &in, &inLeft, &at, &room);
    out.append(buffer, static_cast<std::size_t>(at - buffer));
    if (result != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
    out += kBad;
    if (errno != EILSEQ) break;
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return out;
}

TEST(TextCodecTable, DecodesEveryTextAsIconvDoesInOnePiece) {
  for (const char* encoding : {platform::kShiftJis, platform::kGbk}) {
    SCOPED_TRACE(encoding);
    int differ = 0;
    for (unsigned pair = 0; pair < 0x10000; ++pair) {
      const Bytes one{static_cast<std::uint8_t>(pair >> 8)};
      const Bytes two{static_cast<std::uint8_t>(pair >> 8), static_cast<std::uint8_t>(pair)};
      if (pair % 0x100 == 0 && platform::DecodeToUtf8(one, encoding) != DecodedWhole(one, encoding)) ++differ;
      if (platform::DecodeToUtf8(two, encoding) != DecodedWhole(two, encoding)) ++differ;
    }
    // Texts of mixed bytes, high ones more often, of the lengths names and comments have.
    std::mt19937 random(448);
    for (int text = 0; text < 20000; ++text) {
      Bytes bytes(random() % 16);
      for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random() % 4 == 0 ? random() % 0x80 : 0x80 + random() % 0x80);
      if (platform::DecodeToUtf8(bytes, encoding) != DecodedWhole(bytes, encoding)) ++differ;
    }
    EXPECT_EQ(differ, 0);
  }
}
#endif

}  // namespace
}  // namespace quillmere
