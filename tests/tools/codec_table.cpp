// Prints how the text codecs decode every one- and two-byte sequence and
// encode every character of the Basic Multilingual Plane, in Shift-JIS and
// GBK. make test-windows compares the Linux build's table with the Windows
// build's, so the two decoders cannot drift apart unnoticed.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/text_codec.h"
#include "platform/utf8.h"

namespace {

void PrintHex(const std::string& prefix, const std::vector<std::uint8_t>& in, const std::string& out) {
  std::printf("%s", prefix.c_str());
  for (const std::uint8_t byte : in) std::printf("%02X", byte);
  std::printf(" ->");
  for (const char c : out) std::printf(" %02X", static_cast<unsigned char>(c));
  std::printf("\n");
}

}  // namespace

int main() {
  using quillmere::platform::DecodeToUtf8;
  using quillmere::platform::EncodeFromUtf8;
  for (const char* encoding : {quillmere::platform::kShiftJis, quillmere::platform::kGbk}) {
    const std::string name = std::string(encoding) + " ";
    for (unsigned lead = 0; lead < 0x100; ++lead) {
      const std::vector<std::uint8_t> one{static_cast<std::uint8_t>(lead)};
      PrintHex(name, one, DecodeToUtf8(one, encoding));
      if (lead < 0x80) continue;
      for (unsigned trail = 0; trail < 0x100; ++trail) {
        const std::vector<std::uint8_t> two{static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail)};
        PrintHex(name, two, DecodeToUtf8(two, encoding));
      }
    }
    for (std::uint32_t c = 1; c < 0x10000; ++c) {
      if (c >= 0xD800 && c < 0xE000) continue;
      std::string text;
      quillmere::platform::utf8::Append(text, c);
      const std::vector<std::uint8_t> encoded = EncodeFromUtf8(text, encoding);
      std::printf("%sU+%04X ->", name.c_str(), static_cast<unsigned>(c));
      for (const std::uint8_t byte : encoded) std::printf(" %02X", byte);
      std::printf("\n");
    }
  }
  return 0;
}
