#include "support/backup_ram_builder.h"

#include <algorithm>
#include <string_view>

#include "containers/backup_ram_write.h"

namespace quillmere::testing {

std::uint32_t FurtherBlocksNeeded(std::uint32_t size, std::size_t blockSize) {
  const std::size_t inFirst = blockSize - 36;
  if (size <= inFirst) return 0;
  // (b - 34) + (b - 4)k bytes hold 2k + 2 list bytes and the data: (b - 36) + (b - 6)k >= size.
  return static_cast<std::uint32_t>((size - inFirst + blockSize - 7) / (blockSize - 6));
}

BackupRamBuilder::BackupRamBuilder(std::size_t ramSize, std::size_t blockSize)
    : ram_(ByteBuffer::Filled(ramSize, 0)), blockSize_(blockSize) {
  constexpr std::string_view kFormat = "BackUpRam Format";
  for (std::size_t at = 0; at + kFormat.size() <= blockSize; at += kFormat.size()) {
    ram_.MustWrite(at, ByteBuffer::FromText(kFormat));
  }
}

BackupRamBuilder& BackupRamBuilder::AddSave(std::uint32_t firstBlock, const TestSave& save,
                                            std::vector<std::uint32_t> furtherBlocks, std::uint8_t language) {
  const std::uint32_t size = save.StoredSize();
  const bool listed = size > blockSize_ - 36;
  if (furtherBlocks.empty()) {
    for (std::uint32_t k = 1; k <= FurtherBlocksNeeded(size, blockSize_); ++k) furtherBlocks.push_back(firstBlock + k);
  }
  const std::size_t start = std::size_t{firstBlock} * blockSize_;
  ram_.MustWriteBE(start, 0x80000000, 4);
  ram_.MustWrite(start + 4, FixedField(std::vector<std::uint8_t>(save.name.begin(), save.name.end()), 11));
  ram_.MustWriteBE(start + 15, language, 1);
  ram_.MustWrite(start + 16, FixedField(save.comment, 10));
  ram_.MustWriteBE(start + 26, save.date, 4);
  ram_.MustWriteBE(start + 30, size, 4);

  // The stream: list entries, the 0 entry, the data; spread over the first
  // block from +34 and each listed block from +4.
  std::vector<std::uint8_t> stream;
  if (listed) {
    for (const std::uint32_t block : furtherBlocks) {
      stream.push_back(static_cast<std::uint8_t>(block >> 8));
      stream.push_back(static_cast<std::uint8_t>(block));
    }
  }
  stream.push_back(0);
  stream.push_back(0);
  stream.insert(stream.end(), save.data.begin(), save.data.end());

  std::vector<std::uint32_t> blocks{firstBlock};
  if (listed) blocks.insert(blocks.end(), furtherBlocks.begin(), furtherBlocks.end());
  std::size_t from = 0;
  for (std::size_t i = 0; i < blocks.size() && from < stream.size(); ++i) {
    const std::size_t offset = i == 0 ? 34 : 4;
    const std::size_t count = std::min(blockSize_ - offset, stream.size() - from);
    // A listed block past the end of a short RAM holds none of the stream.
    static_cast<void>(ram_.Write(std::size_t{blocks[i]} * blockSize_ + offset,
                                 std::vector<std::uint8_t>(stream.begin() + static_cast<std::ptrdiff_t>(from),
                                                           stream.begin() + static_cast<std::ptrdiff_t>(from + count))));
    from += count;
  }
  return *this;
}

ByteBuffer BackupRamBuilder::BuildFile() const {
  std::vector<std::uint8_t> file(2 * ram_.size(), 0xFF);
  for (std::size_t k = 0; k < ram_.size(); ++k) file[2 * k + 1] = ram_.At(k);
  return ByteBuffer(std::move(file));
}

ByteBuffer MisterFile() {
  ByteBuffer file = backup_ram::RamIntoWordWide({}, BackupRamBuilder().AddSave(2, NamedSave("INNER", 100)).BuildRam());
  file.Append(backup_ram::RamIntoWordWide(
      {}, BackupRamBuilder(512 * 1024, 512).AddSave(900, NamedSave("OUTER", 1000)).BuildRam()));
  return file;
}

}  // namespace quillmere::testing
