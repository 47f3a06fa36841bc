#pragma once

#include <string>
#include <string_view>

// Letter case of the names the system reads (container names, file names on
// cards that ignore case): ASCII letters only, whatever the user's locale, so
// that "ss_mems.bin" is SS_MEMS.BIN under a Turkish locale too.
namespace quillmere::platform {

inline std::string AsciiUpper(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return folded;
}

inline std::string AsciiLower(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

}  // namespace quillmere::platform
