#pragma once

#include <cstddef>

#include "model/byte_buffer.h"

namespace quillmere::save_header {

// The 32-byte save header shared by SS_MEMS.BIN records, SS_SAVE.BIN records
// and SAROO single saves.
inline constexpr std::size_t kNameOffset = 0x00;     // 12 bytes at +0x00: name, zero-ended
inline constexpr std::size_t kNameSize = 12;
inline constexpr std::size_t kSizeOffset = 0x0C;     // 4 bytes at +0x0C: data length
inline constexpr std::size_t kCommentOffset = 0x10;  // 12 bytes at +0x10: Shift-JIS comment
inline constexpr std::size_t kCommentSize = 12;
inline constexpr std::size_t kDateOffset = 0x1C;     // 4 bytes at +0x1C: minutes after 1979-12-31 16:00
inline constexpr std::size_t kSize = 32;

// Most readers show the first 10 comment bytes.
inline constexpr std::size_t kShownCommentBytes = 10;

// The console's names are 11 bytes; SAROO name fields have room for 12.
inline constexpr std::size_t kStoredNameMax = 11;

// A save's identity inside a container: the bytes of its name field up to the
// first zero byte, at most 11. Two saves are the same save exactly when these
// agree byte for byte, whatever their file names or decoded texts say.
inline ByteBuffer StoredName(const ByteBuffer& nameField) {
  std::size_t length = 0;
  while (length < kStoredNameMax && length < nameField.size() && nameField.At(length) != 0) ++length;
  return nameField.Slice(0, length);
}

// Whether `nameField` holds the stored name `stored`, compared in place: a
// run of imports asks this of every listed save for every save.
inline bool HoldsStoredName(const ByteBuffer& nameField, const ByteBuffer& stored) {
  std::size_t length = 0;
  while (length < kStoredNameMax && length < nameField.size() && nameField.At(length) != 0) ++length;
  if (length != stored.size()) return false;
  for (std::size_t i = 0; i < length; ++i) {
    if (nameField.At(i) != stored.At(i)) return false;
  }
  return true;
}

}  // namespace quillmere::save_header
