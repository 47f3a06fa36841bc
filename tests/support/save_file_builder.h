#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "model/byte_buffer.h"
#include "support/image_builder.h"

namespace quillmere::testing {

// Builds SS_SAVE.BIN files: the slot table in area 0, then one 64 KiB area
// per slot that a test fills. The file grows to hold every area it touches.
class SaveFileBuilder {
 public:
  SaveFileBuilder();

  // Writes slot `slot`'s label (cut to 16 bytes) and a fresh area for it:
  // its header with the label as the game's ID, block 0 marked, 511 free.
  SaveFileBuilder& SetSlot(int slot, const std::string& label);
  // Places a save record in block `block` of slot `slot`'s area and appends it
  // to the area's chain. Its data fills `dataBlocks` in ascending order (the
  // blocks right after the record when none are given), and its bitmap marks
  // them. The area's bitmap marks the record's blocks and its free count
  // follows the bitmap; an area without a header gets one first.
  SaveFileBuilder& AddRecord(int slot, std::uint32_t block, const TestSave& save,
                             std::vector<std::uint32_t> dataBlocks = {});
  // Raw chain links, for damaged chains.
  SaveFileBuilder& SetFirstRecordBlock(int slot, std::uint32_t block);
  SaveFileBuilder& SetNextRecordBlock(int slot, std::uint32_t block, std::uint32_t next);

  ByteBuffer& image() { return image_; }
  ByteBuffer Build() const { return image_; }

  static std::size_t Area(int slot) { return 0x10000 * static_cast<std::size_t>(slot); }
  static std::size_t Record(int slot, std::uint32_t block) { return Area(slot) + 128 * std::size_t{block}; }

 private:
  void Reach(std::size_t size);
  void FormatArea(int slot, const std::string& label);
  void MarkUsed(int slot, std::uint32_t block);
  void Recount(int slot);
  ByteBuffer image_;
  std::map<int, std::uint32_t> lastRecord_;
};

}  // namespace quillmere::testing
