#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace quillmere {

// A counted byte string: whole file images and the fields cut from them.
// Every read is bounded: a slice that runs past the end yields the bytes that
// exist, and a number reads as if the buffer went on with zero bytes (so a
// block past the end of a short memory reads as zeros). Every write is
// bounded too: it changes nothing unless the whole range fits, and says so.
class ByteBuffer {
 public:
  ByteBuffer() = default;
  explicit ByteBuffer(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  // The bytes listed: ByteBuffer{0x1F, 0x78} is two bytes. A run of one
  // value is Filled(size, value), so the two can never be mistaken.
  ByteBuffer(std::initializer_list<std::uint8_t> bytes) : bytes_(bytes) {}
  static ByteBuffer Filled(std::size_t size, std::uint8_t value) {
    return ByteBuffer(std::vector<std::uint8_t>(size, value));
  }
  static ByteBuffer FromText(std::string_view text) {
    return ByteBuffer(std::vector<std::uint8_t>(text.begin(), text.end()));
  }

  std::size_t size() const { return bytes_.size(); }
  bool empty() const { return bytes_.empty(); }
  const std::uint8_t* data() const { return bytes_.data(); }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  bool operator==(const ByteBuffer&) const = default;

  // The byte at `offset`, 0 past the end.
  std::uint8_t At(std::size_t offset) const { return offset < bytes_.size() ? bytes_[offset] : 0; }

  // Up to `length` bytes from `offset`: fewer where the buffer ends.
  ByteBuffer Slice(std::size_t offset, std::size_t length) const;

  // The field read as one big-endian number (`width` at most 8), its bytes
  // past the end counting as zero: {0x12, 0x34, 0x56}.ReadU32(0) is 0x12345600.
  std::uint64_t ReadBE(std::size_t offset, std::size_t width) const;
  std::uint32_t ReadU16(std::size_t offset) const { return static_cast<std::uint32_t>(ReadBE(offset, 2)); }
  std::uint32_t ReadU32(std::size_t offset) const { return static_cast<std::uint32_t>(ReadBE(offset, 4)); }

  // True when [offset, offset + length) lies inside the buffer.
  bool Contains(std::size_t offset, std::size_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }

  // False, and nothing changes, when [offset, offset + size) does not fit.
  [[nodiscard]] bool Write(std::size_t offset, const ByteBuffer& field) { return Write(offset, field.bytes_); }
  [[nodiscard]] bool Write(std::size_t offset, const std::vector<std::uint8_t>& field);
  [[nodiscard]] bool WriteBE(std::size_t offset, std::uint64_t value, std::size_t width);
  // For a writer that made the room itself (sized the buffer, or checked its
  // plan against the buffer) just before: a field that does not fit is then a
  // fault in that writer, and the program stops rather than go on with a
  // half-written save.
  void MustWrite(std::size_t offset, const ByteBuffer& field);
  void MustWrite(std::size_t offset, const std::vector<std::uint8_t>& field);
  void MustWriteBE(std::size_t offset, std::uint64_t value, std::size_t width);
  // Sets [offset, offset + length) to `value`, clamped to the end of the buffer.
  void Fill(std::size_t offset, std::size_t length, std::uint8_t value);

  void Append(const ByteBuffer& other) { bytes_.insert(bytes_.end(), other.bytes_.begin(), other.bytes_.end()); }
  void Append(std::size_t count, std::uint8_t value) { bytes_.insert(bytes_.end(), count, value); }
  void Resize(std::size_t size) { bytes_.resize(size); }

 private:
  std::vector<std::uint8_t> bytes_;
};

// `length` bytes of `bytes` from `offset`; bytes past the end count as zero.
ByteBuffer ZeroFilledField(const ByteBuffer& bytes, std::size_t offset, std::size_t length);

}  // namespace quillmere
