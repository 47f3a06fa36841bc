#include "support/image_builder.h"

#include "containers/mems_image.h"
#include "model/save_header.h"

namespace quillmere::testing {

namespace sh = save_header;

std::vector<std::uint8_t> PatternData(std::size_t length, std::uint8_t seed) {
  std::vector<std::uint8_t> data(length);
  for (std::size_t i = 0; i < length; ++i) data[i] = static_cast<std::uint8_t>(seed * 31 + i * 7 + i / 1024);
  return data;
}

std::vector<std::uint8_t> FixedField(const std::vector<std::uint8_t>& bytes, std::size_t width) {
  std::vector<std::uint8_t> field = bytes;
  field.resize(width, 0);
  return field;
}

std::vector<std::uint8_t> FixedField(const std::string& text, std::size_t width) {
  return FixedField(std::vector<std::uint8_t>(text.begin(), text.end()), width);
}

TestSave NamedSave(const std::string& name, std::size_t size, std::uint8_t seed) {
  TestSave save;
  save.name = name;
  save.comment = {'N', 'O', 'T', 'E', 0};
  save.date = 480;
  save.data = PatternData(size, seed);
  return save;
}

MemsImageBuilder::MemsImageBuilder(std::size_t size) : image_(size, 0) {
  image_.WriteBE(mems::kFreeClusterCountOffset, mems::kEmptyFreeClusterCount, 2);
  image_.WriteBE(mems::kClusterBitmapOffset, 0xFF, 1);
}

void MemsImageBuilder::MarkUsed(std::uint32_t cluster) {
  if (cluster >= mems::kBitmapClusters) return;
  const std::size_t at = mems::kClusterBitmapOffset + cluster / 8;
  image_.WriteBE(at, image_.At(at) | (1u << (cluster % 8)), 1);
  image_.WriteBE(mems::kFreeClusterCountOffset, image_.ReadU16(mems::kFreeClusterCountOffset) - 1, 2);
}

MemsImageBuilder& MemsImageBuilder::SetSlot(int slot, const std::string& name, std::uint32_t firstCluster) {
  const std::size_t entry = mems::SlotOffset(slot);
  image_.Write(entry + mems::kEntryNameOffset, FixedField(name, mems::kEntryNameSize));
  image_.WriteBE(entry + mems::kEntryFirstClusterOffset, firstCluster, 2);
  return *this;
}

MemsImageBuilder& MemsImageBuilder::SetFreeClusterCount(std::uint16_t count) {
  image_.WriteBE(mems::kFreeClusterCountOffset, count, 2);
  return *this;
}

MemsImageBuilder& MemsImageBuilder::AddSave(int slot, std::uint32_t recordCluster, const TestSave& save,
                                            std::vector<std::uint32_t> dataClusters) {
  SetSlot(slot, save.name, recordCluster);
  const std::size_t record = std::size_t{recordCluster} * mems::kClusterSize;
  image_.Write(record + sh::kNameOffset, FixedField(save.name, sh::kNameSize));
  image_.WriteBE(record + sh::kSizeOffset, save.StoredSize(), 4);
  image_.Write(record + sh::kCommentOffset, FixedField(save.comment, sh::kCommentSize));
  image_.WriteBE(record + sh::kDateOffset, save.date, 4);
  MarkUsed(recordCluster);

  const std::uint32_t listed = mems::DataClusterCount(save.StoredSize());
  if (listed == 0) {
    image_.Write(record + mems::kRecordPayloadOffset, save.data);
    return *this;
  }
  for (std::uint32_t k = static_cast<std::uint32_t>(dataClusters.size()); k < listed; ++k) {
    dataClusters.push_back(recordCluster + 1 + k);
  }
  for (std::uint32_t k = 0; k < listed; ++k) {
    const std::uint32_t cluster = dataClusters[k];
    image_.WriteBE(record + mems::kRecordPayloadOffset + 2 * k, cluster, 2);
    MarkUsed(cluster);
    const std::size_t from = std::size_t{k} * mems::kClusterSize;
    if (from < save.data.size()) {
      const std::size_t count = std::min(mems::kClusterSize, save.data.size() - from);
      image_.Write(std::size_t{cluster} * mems::kClusterSize,
                   std::vector<std::uint8_t>(save.data.begin() + from, save.data.begin() + from + count));
    }
  }
  return *this;
}

}  // namespace quillmere::testing
