// The text codecs on Windows: code pages 932 and 936 through the Win32 API,
// with the results of the iconv codecs (text_codec.cpp) on every other system.
#ifdef _WIN32
#include "platform/text_codec.h"
#include "platform/utf8.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <span>

namespace quillmere::platform {

namespace {

// The Windows code pages with the characters the saves use.
UINT CodePageOf(const char* encoding) {
  const std::string_view name(encoding);
  if (name == kShiftJis) return 932;
  if (name == kGbk) return 936;
  return 0;
}

// Code page 932 is Microsoft's Shift-JIS; the comments are plain Shift-JIS as
// iconv reads it, and both builds must show a comment alike. These are the
// characters where the two differ: 0x5C and 0x7E are the yen sign and the
// overline, and six symbols of row 1 map to their JIS forms, not the
// full-width ones.
struct ShiftJisDifference {
  std::uint16_t code;  // one byte, or lead byte << 8 | trail byte
  std::uint32_t character;
};
constexpr ShiftJisDifference kShiftJisDifferences[] = {
    {0x5C, 0x00A5},   {0x7E, 0x203E},   {0x8160, 0x301C}, {0x8161, 0x2016},
    {0x817C, 0x2212}, {0x8191, 0x00A2}, {0x8192, 0x00A3}, {0x81CA, 0x00AC},
};

// Full-width forms that iconv writes with the codes of their JIS forms above,
// though it reads those codes back as the JIS forms.
constexpr ShiftJisDifference kShiftJisAlsoWritten[] = {{0x8191, 0xFFE0}, {0x8192, 0xFFE1}, {0x81CA, 0xFFE2}};

// Microsoft's additions that plain Shift-JIS lacks: byte 0x80, the NEC row
// (lead 0x87), the NEC-selected IBM rows (0xED, 0xEE), the user-defined area
// (0xF0-0xF9) and the IBM rows (0xFA-0xFC).
bool IsMicrosoftOnlyShiftJis(std::uint8_t lead) {
  return lead == 0x80 || lead == 0x87 || lead == 0xED || lead == 0xEE || (lead >= 0xF0 && lead <= 0xFC);
}

// GBK as iconv reads it has no user-defined area; code page 936 maps that
// area to private-use characters, as Windows' own code page 932 maps the
// single bytes 0xA0 and 0xFD-0xFF.
bool IsPrivateUse(std::uint32_t c) { return c >= 0xE000 && c <= 0xF8FF; }

// The code point of a well-formed UTF-8 sequence of `length` bytes.
std::uint32_t Utf8CodePoint(std::string_view text, std::size_t i, std::size_t length) {
  const auto byte = [&](std::size_t k) { return static_cast<std::uint32_t>(static_cast<unsigned char>(text[i + k])); };
  if (length == 1) return byte(0);
  std::uint32_t c = byte(0) & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) c = (c << 6) | (byte(k) & 0x3F);
  return c;
}

// Decodes one character of `length` (1 or 2) bytes as iconv would; false
// when it is not a character of the encoding.
bool DecodeCharacter(UINT codePage, const std::uint8_t* bytes, int length, std::uint32_t& c) {
  if (codePage == 932) {
    const std::uint16_t code = length == 1 ? bytes[0] : static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
    for (const ShiftJisDifference& difference : kShiftJisDifferences) {
      if (difference.code == code) {
        c = difference.character;
        return true;
      }
    }
    if (IsMicrosoftOnlyShiftJis(bytes[0])) return false;
  }
  if (length == 1 && bytes[0] < 0x80) {
    c = bytes[0];
    return true;
  }
  wchar_t wide[2];
  const int count = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(bytes), length,
                                        wide, 2);
  if (count != 1 || IsPrivateUse(wide[0])) return false;
  c = wide[0];
  return true;
}

// Encodes one character as iconv would; false when the encoding lacks it.
bool EncodeCharacter(UINT codePage, std::uint32_t c, std::string& out) {
  if (codePage == 932) {
    using Table = std::span<const ShiftJisDifference>;
    for (const Table table : {Table(kShiftJisDifferences), Table(kShiftJisAlsoWritten)}) {
      for (const ShiftJisDifference& difference : table) {
        if (difference.character != c) continue;
        if (difference.code > 0xFF) out += static_cast<char>(difference.code >> 8);
        out += static_cast<char>(difference.code & 0xFF);
        return true;
      }
    }
  }
  if (c >= 0x10000) return false;
  const wchar_t wide = static_cast<wchar_t>(c);
  char encoded[4];
  BOOL usedDefault = FALSE;
  const int count = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, &wide, 1, encoded, sizeof encoded, nullptr,
                                        &usedDefault);
  if (count <= 0 || count > 2 || usedDefault) return false;
  // Only what decodes back to the same character counts: this drops the
  // characters of Microsoft's additions, and the full-width forms whose
  // codes the differences above took over.
  std::uint32_t back = 0;
  if (!DecodeCharacter(codePage, reinterpret_cast<const std::uint8_t*>(encoded), count, back) || back != c) return false;
  out.append(encoded, static_cast<std::size_t>(count));
  return true;
}

}  // namespace

std::string DecodeToUtf8(const std::uint8_t* bytes, std::size_t size, const char* encoding) {
  return DecodeToUtf8(std::vector<std::uint8_t>(bytes, bytes + size), encoding);
}

std::string DecodeToUtf8(const std::vector<std::uint8_t>& bytes, const char* encoding) {
  std::string out;
  const UINT codePage = CodePageOf(encoding);
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::uint8_t lead = bytes[i];
    if (codePage == 0) {
      // No code page for this name: keep ASCII, mark everything else.
      if (lead < 0x80) out += static_cast<char>(lead);
      else out += utf8::kReplacement;
      ++i;
      continue;
    }
    const bool doubleByte = lead >= 0x80 && IsDBCSLeadByteEx(codePage, lead) != 0;
    if (doubleByte && i + 1 == bytes.size()) {
      out += utf8::kReplacement;  // a character cut off by the end of the field
      break;
    }
    const int length = doubleByte ? 2 : 1;
    std::uint32_t c = 0;
    if (!DecodeCharacter(codePage, bytes.data() + i, length, c)) {
      // One bad byte costs one replacement; the next byte may start a character.
      out += utf8::kReplacement;
      ++i;
      continue;
    }
    utf8::Append(out, c);
    i += static_cast<std::size_t>(length);
  }
  return out;
}

std::vector<std::uint8_t> EncodeFromUtf8(std::string_view text, const char* encoding) {
  std::string out;
  const UINT codePage = CodePageOf(encoding);
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t length = utf8::SequenceLength(text, i);
    if (length == 0) {
      out += '?';
      ++i;
      continue;
    }
    const std::uint32_t c = Utf8CodePoint(text, i, length);
    // A character the encoding lacks costs only itself; ASCII stays as it is.
    if (codePage == 0 || !EncodeCharacter(codePage, c, out)) out += length == 1 ? text[i] : '?';
    i += length;
  }
  return std::vector<std::uint8_t>(out.begin(), out.end());
}

}  // namespace quillmere::platform

#endif  // _WIN32
