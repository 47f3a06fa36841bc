#include "model/byte_buffer.h"

#include <algorithm>
#include <cstdlib>

namespace quillmere {

ByteBuffer ByteBuffer::Slice(std::size_t offset, std::size_t length) const {
  if (offset >= bytes_.size()) return {};
  const std::size_t count = std::min(length, bytes_.size() - offset);
  return ByteBuffer(std::vector<std::uint8_t>(bytes_.begin() + static_cast<std::ptrdiff_t>(offset),
                                              bytes_.begin() + static_cast<std::ptrdiff_t>(offset + count)));
}

std::uint64_t ByteBuffer::ReadBE(std::size_t offset, std::size_t width) const {
  std::uint64_t value = 0;
  // Counted from `offset` without adding to it: an offset near SIZE_MAX must
  // not wrap round to the start of the buffer.
  const std::size_t present = offset < bytes_.size() ? bytes_.size() - offset : 0;
  for (std::size_t i = 0; i < width; ++i) value = (value << 8) | (i < present ? bytes_[offset + i] : 0);
  return value;
}

bool ByteBuffer::Write(std::size_t offset, const std::vector<std::uint8_t>& field) {
  if (!Contains(offset, field.size())) return false;
  std::copy(field.begin(), field.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
  return true;
}

bool ByteBuffer::WriteBE(std::size_t offset, std::uint64_t value, std::size_t width) {
  if (!Contains(offset, width)) return false;
  for (std::size_t i = 0; i < width; ++i) {
    bytes_[offset + width - 1 - i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
  return true;
}

void ByteBuffer::MustWrite(std::size_t offset, const ByteBuffer& field) { MustWrite(offset, field.bytes_); }

void ByteBuffer::MustWrite(std::size_t offset, const std::vector<std::uint8_t>& field) {
  if (!Write(offset, field)) std::abort();
}

void ByteBuffer::MustWriteBE(std::size_t offset, std::uint64_t value, std::size_t width) {
  if (!WriteBE(offset, value, width)) std::abort();
}

void ByteBuffer::Fill(std::size_t offset, std::size_t length, std::uint8_t value) {
  if (offset >= bytes_.size()) return;
  const std::size_t count = std::min(length, bytes_.size() - offset);
  std::fill_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), count, value);
}

ByteBuffer ZeroFilledField(const ByteBuffer& bytes, std::size_t offset, std::size_t length) {
  ByteBuffer field = bytes.Slice(offset, length);
  field.Resize(length);
  return field;
}

}  // namespace quillmere
