#include "support/image_builder.h"

#include <algorithm>

namespace quillmere::testing {

// The layout as literal offsets, not the reader's constants, so a wrong
// constant cannot pass in both.
constexpr std::size_t kFreeCountAt = 0x00C;    // 2 bytes
constexpr std::size_t kBitmapAt = 0x010;       // 1008 bytes, bit n%8 of byte n/8
constexpr std::size_t kDirectoryAt = 0x400;    // 16 bytes a slot
constexpr std::size_t kCluster = 1024;
constexpr std::uint32_t kBitmapClusters = 8064;
constexpr std::size_t kRecordSizeAt = 12;      // 4 bytes of the record's header
constexpr std::size_t kRecordCommentAt = 16;   // 12 bytes
constexpr std::size_t kRecordDateAt = 28;      // 4 bytes
constexpr std::size_t kPayloadAt = 64;         // small data, or the cluster list

std::uint32_t DataClusters(std::uint32_t size) { return size <= 960 ? 0 : (size + 1023) / 1024; }

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

MemsImageBuilder::MemsImageBuilder(std::size_t size) : image_(ByteBuffer::Filled(size, 0)) {
  image_.MustWriteBE(kFreeCountAt, 0x1F78, 2);
  image_.MustWriteBE(kBitmapAt, 0xFF, 1);
}

void MemsImageBuilder::MarkUsed(std::uint32_t cluster) {
  if (cluster >= kBitmapClusters) return;
  const std::size_t at = kBitmapAt + cluster / 8;
  image_.MustWriteBE(at, image_.At(at) | (1u << (cluster % 8)), 1);
  image_.MustWriteBE(kFreeCountAt, image_.ReadU16(kFreeCountAt) - 1, 2);
}

MemsImageBuilder& MemsImageBuilder::SetSlot(int slot, const std::string& name, std::uint32_t firstCluster) {
  const std::size_t entry = kDirectoryAt + 16 * static_cast<std::size_t>(slot - 1);
  image_.MustWrite(entry, FixedField(name, 12));
  image_.MustWriteBE(entry + 14, firstCluster, 2);
  return *this;
}

MemsImageBuilder& MemsImageBuilder::SetFreeClusterCount(std::uint16_t count) {
  image_.MustWriteBE(kFreeCountAt, count, 2);
  return *this;
}

MemsImageBuilder& MemsImageBuilder::AddSave(int slot, std::uint32_t recordCluster, const TestSave& save,
                                            std::vector<std::uint32_t> dataClusters) {
  SetSlot(slot, save.name, recordCluster);
  // A record or a damaged list's cluster past the end of a short image is
  // left out: each field is written where it fits.
  const auto place = [&](std::size_t at, const std::vector<std::uint8_t>& field) {
    static_cast<void>(image_.Write(at, field));
  };
  const auto placeBE = [&](std::size_t at, std::uint64_t value, std::size_t width) {
    static_cast<void>(image_.WriteBE(at, value, width));
  };
  const std::size_t record = std::size_t{recordCluster} * kCluster;
  place(record, FixedField(save.name, 12));
  placeBE(record + kRecordSizeAt, save.StoredSize(), 4);
  place(record + kRecordCommentAt, FixedField(save.comment, 12));
  placeBE(record + kRecordDateAt, save.date, 4);
  MarkUsed(recordCluster);

  const std::uint32_t listed = DataClusters(save.StoredSize());
  if (listed == 0) {
    place(record + kPayloadAt, save.data);
    return *this;
  }
  for (std::uint32_t k = static_cast<std::uint32_t>(dataClusters.size()); k < listed; ++k) {
    dataClusters.push_back(recordCluster + 1 + k);
  }
  for (std::uint32_t k = 0; k < listed; ++k) {
    const std::uint32_t cluster = dataClusters[k];
    placeBE(record + kPayloadAt + 2 * k, cluster, 2);
    MarkUsed(cluster);
    const std::size_t from = std::size_t{k} * kCluster;
    if (from < save.data.size()) {
      const std::size_t count = std::min(kCluster, save.data.size() - from);
      place(std::size_t{cluster} * kCluster,
            std::vector<std::uint8_t>(save.data.begin() + from, save.data.begin() + from + count));
    }
  }
  return *this;
}

}  // namespace quillmere::testing
