#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere::platform {

// Encodings the saves use: names are GBK (code page 936) text, comments Shift-JIS.
inline constexpr const char* kShiftJis = "SHIFT_JIS";
inline constexpr const char* kGbk = "GBK";

// Decodes `bytes` from `encoding` to UTF-8. Every byte that does not form a
// valid character becomes U+FFFD; decoding never fails. A zero byte decodes to
// a zero character, which callers cut at when they want C-string semantics.
std::string DecodeToUtf8(const std::vector<std::uint8_t>& bytes, const char* encoding);
std::string DecodeToUtf8(const std::uint8_t* bytes, std::size_t size, const char* encoding);

// Encodes UTF-8 text into `encoding`. A character the encoding lacks, or a
// malformed UTF-8 sequence, becomes '?'.
std::vector<std::uint8_t> EncodeFromUtf8(std::string_view text, const char* encoding);

}  // namespace quillmere::platform
