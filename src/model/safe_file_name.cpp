#include "model/safe_file_name.h"

namespace quillmere {

std::string SafeFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return "_";
  std::string safe;
  safe.reserve(name.size());
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    // C1 controls are two bytes in UTF-8 (C2 80 to C2 9F); one "_" stands for both.
    if (byte == 0xC2 && i + 1 < name.size()) {
      const auto next = static_cast<unsigned char>(name[i + 1]);
      if (next >= 0x80 && next <= 0x9F) {
        safe += '_';
        ++i;
        continue;
      }
    }
    // Bytes below 0x80 never occur inside a multi-byte UTF-8 character, so
    // replacing them one by one cannot split a character.
    const bool unsafe = byte < 0x20 || byte == 0x7F || byte == '\\' || byte == '/' || byte == ':' ||
                        byte == '*' || byte == '?' || byte == '"' || byte == '<' || byte == '>' || byte == '|';
    safe += unsafe ? '_' : static_cast<char>(byte);
  }
  return safe;
}

}  // namespace quillmere
