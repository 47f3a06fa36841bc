#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/byte_buffer.h"

namespace quillmere::testing {

// The header fields of a save as a test writes them.
struct TestSave {
  std::string name;                    // raw name bytes, cut or zero-filled to the field
  std::vector<std::uint8_t> comment;   // raw comment bytes (Shift-JIS)
  std::uint32_t date = 0;              // minutes after 1979-12-31 16:00
  std::vector<std::uint8_t> data;
  std::uint32_t size = 0xFFFFFFFF;     // the stored size; the data's length when left as is

  std::uint32_t StoredSize() const { return size == 0xFFFFFFFF ? static_cast<std::uint32_t>(data.size()) : size; }
};

// `bytes` cut or zero-filled to `width`, as a fixed field of a record.
std::vector<std::uint8_t> FixedField(const std::vector<std::uint8_t>& bytes, std::size_t width);
std::vector<std::uint8_t> FixedField(const std::string& text, std::size_t width);

// A save with the comment "NOTE", the date 1980-01-01 00:00 and `size` bytes of data.
TestSave NamedSave(const std::string& name, std::size_t size, std::uint8_t seed = 1);

// Data bytes that differ from save to save and from cluster to cluster.
std::vector<std::uint8_t> PatternData(std::size_t length, std::uint8_t seed);

// Builds SS_MEMS.BIN images: an empty image, then saves placed where a test wants them.
class MemsImageBuilder {
 public:
  explicit MemsImageBuilder(std::size_t size = 0x800000);

  // Places a save in `slot` with its record at `recordCluster`. A large save
  // takes `dataClusters`, or the clusters right after its record when none are
  // given. Marks the clusters in the bitmap and lowers the free count.
  MemsImageBuilder& AddSave(int slot, std::uint32_t recordCluster, const TestSave& save,
                            std::vector<std::uint32_t> dataClusters = {});
  // Writes a directory entry alone, without record or bitmap.
  MemsImageBuilder& SetSlot(int slot, const std::string& name, std::uint32_t firstCluster);
  MemsImageBuilder& SetFreeClusterCount(std::uint16_t count);

  ByteBuffer& image() { return image_; }
  ByteBuffer Build() const { return image_; }

 private:
  void MarkUsed(std::uint32_t cluster);
  ByteBuffer image_;
};

}  // namespace quillmere::testing
