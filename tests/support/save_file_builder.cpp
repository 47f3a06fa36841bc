#include "support/save_file_builder.h"

#include <algorithm>

namespace quillmere::testing {

SaveFileBuilder::SaveFileBuilder() : image_(ByteBuffer::Filled(0x10000, 0)) { image_.MustWrite(0, ByteBuffer::FromText("Saroo Save File")); }

void SaveFileBuilder::Reach(std::size_t size) {
  if (image_.size() < size) image_.Append(size - image_.size(), 0);
}

SaveFileBuilder& SaveFileBuilder::SetSlot(int slot, const std::string& label) {
  image_.MustWrite(16 * static_cast<std::size_t>(slot), FixedField(label, 16));
  Reach(Area(slot + 1));
  FormatArea(slot, label);
  return *this;
}

void SaveFileBuilder::FormatArea(int slot, const std::string& label) {
  const std::size_t area = Area(slot);
  image_.MustWrite(area, ByteBuffer::FromText("SaroSave"));
  image_.MustWriteBE(area + 8, 0x10000, 4);
  image_.MustWriteBE(area + 12, 128, 2);
  image_.MustWrite(area + 32, FixedField(label, 16));
  image_.MustWriteBE(area + 64, image_.At(area + 64) | 1, 1);
  Recount(slot);
}

void SaveFileBuilder::Recount(int slot) {
  std::uint32_t used = 0;
  for (std::size_t k = 0; k < 64; ++k) used += static_cast<std::uint32_t>(__builtin_popcount(image_.At(Area(slot) + 64 + k)));
  image_.MustWriteBE(Area(slot) + 14, 512 - used, 2);
}

void SaveFileBuilder::MarkUsed(int slot, std::uint32_t block) {
  if (block >= 512) return;
  const std::size_t at = Area(slot) + 64 + block / 8;
  image_.MustWriteBE(at, image_.At(at) | (1u << (block % 8)), 1);
}

SaveFileBuilder& SaveFileBuilder::SetFirstRecordBlock(int slot, std::uint32_t block) {
  Reach(Area(slot + 1));
  image_.MustWriteBE(Area(slot) + 62, block, 2);
  return *this;
}

SaveFileBuilder& SaveFileBuilder::SetNextRecordBlock(int slot, std::uint32_t block, std::uint32_t next) {
  Reach(Record(slot, block) + 128);
  image_.MustWriteBE(Record(slot, block) + 62, next, 2);
  return *this;
}

SaveFileBuilder& SaveFileBuilder::AddRecord(int slot, std::uint32_t block, const TestSave& save,
                                            std::vector<std::uint32_t> dataBlocks) {
  const std::size_t record = Record(slot, block);
  Reach(std::max(Area(slot + 1), record + 128));
  if (image_.Slice(Area(slot), 8) != ByteBuffer::FromText("SaroSave")) FormatArea(slot, "");
  image_.MustWrite(record, FixedField(save.name, 12));
  image_.MustWriteBE(record + 12, save.StoredSize(), 4);
  image_.MustWrite(record + 16, FixedField(save.comment, 12));
  image_.MustWriteBE(record + 28, save.date, 4);

  if (dataBlocks.empty()) {
    for (std::size_t k = 0; 128 * k < save.data.size(); ++k) dataBlocks.push_back(block + 1 + static_cast<std::uint32_t>(k));
  }
  std::sort(dataBlocks.begin(), dataBlocks.end());
  for (std::size_t k = 0; k < dataBlocks.size(); ++k) {
    const std::uint32_t data = dataBlocks[k];
    const std::size_t bit = record + 64 + data / 8;
    image_.MustWriteBE(bit, image_.At(bit) | (1u << (data % 8)), 1);
    MarkUsed(slot, data);
    const std::size_t from = 128 * k;
    if (from < save.data.size()) {
      const std::size_t count = std::min<std::size_t>(128, save.data.size() - from);
      image_.MustWrite(Record(slot, data), std::vector<std::uint8_t>(save.data.begin() + static_cast<std::ptrdiff_t>(from),
                                                                     save.data.begin() + static_cast<std::ptrdiff_t>(from + count)));
    }
  }

  MarkUsed(slot, block);
  Recount(slot);
  const auto last = lastRecord_.find(slot);
  if (last == lastRecord_.end()) SetFirstRecordBlock(slot, block);
  else SetNextRecordBlock(slot, last->second, block);
  lastRecord_[slot] = block;
  return *this;
}

}  // namespace quillmere::testing
