// Any bytes as a backup-RAM file: word-wide, repeated over the internal
// memory or a 512 KiB cartridge as the RAM itself (so markers and long block
// lists are reached), or as a memory file recognised by its content (packed,
// word-wide, gzip, MiSTer's two memories). The listing must stay in bounds,
// end every block-list walk, keep its tables in step with its rows, and a
// memory put back into its file must come out again as it went in.
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <set>

#include "containers/backup_memory_file.h"
#include "containers/backup_ram.h"

using quillmere::ByteBuffer;
namespace backup_ram = quillmere::backup_ram;

namespace {

void CheckListing(const ByteBuffer& ram) {
  const backup_ram::BackupRamGeometry geometry = backup_ram::GeometryOfRam(ram.size());
  const backup_ram::BackupRamListing listing = backup_ram::ListBackupRam(ram);
  const std::vector<bool> used = backup_ram::UsedBlocks(listing.records, geometry.blockCount);
  assert(used.size() == geometry.blockCount);
  assert(!used[0]);  // block 0 is never part of a save
  for (const quillmere::SaveRecord& record : listing.records) {
    assert(!record.units.empty() && record.offset == std::size_t{record.units[0]} * geometry.blockSize);
    assert(record.units.size() <= geometry.blockCount + 1);
  }

  const std::size_t lastBlock = ram.size() / geometry.blockSize;
  for (std::size_t n = 1; n <= lastBlock && n < 2048; ++n) {
    const backup_ram::SaveBlocks save = backup_ram::CollectSaveBlocks(ram, static_cast<std::uint32_t>(n));
    assert(!save.blocks.empty() && save.blocks[0] == n);
    // Every listed block is distinct, inside the RAM and below the block count; none is block 0.
    const std::set<std::uint32_t> distinct(save.blocks.begin() + 1, save.blocks.end());
    assert(distinct.size() == save.blocks.size() - 1);
    for (std::size_t k = 1; k < save.blocks.size(); ++k) {
      assert(save.blocks[k] != 0 && save.blocks[k] != n);
      assert(save.blocks[k] < geometry.blockCount);
      assert(std::size_t{save.blocks[k]} * geometry.blockSize < ram.size());
    }
    const ByteBuffer saveData = backup_ram::ReadSaveData(ram, static_cast<std::uint32_t>(n));
    assert(saveData.size() <= (geometry.blockSize - 34) + (geometry.blockSize - 4) * (save.blocks.size() - 1));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteBuffer file(std::vector<std::uint8_t>(data, data + size));
  if (const auto opened = backup_ram::OpenMemoryFile(file, std::nullopt)) {
    for (const auto device : {backup_ram::Device::kInternal, backup_ram::Device::kCart}) {
      const ByteBuffer ram = backup_ram::RamOf(*opened, device);
      CheckListing(ram);
      const auto again = backup_ram::OpenMemoryFile(backup_ram::FileWithRam(*opened, device, ram), opened->form.layout);
      assert(again && again->form == opened->form && again->contents == opened->contents);
    }
  }
  ByteBuffer ram = backup_ram::WordWideToRam(file);
  assert(ram.size() == size / 2);
  if (size > 0 && size < 0x4000 && data[0] & 1) {
    std::vector<std::uint8_t> full(data[0] & 2 ? 512 * 1024 : backup_ram::kBlockCount * backup_ram::kBlockSize);
    for (std::size_t i = 0; i < full.size(); ++i) full[i] = data[i % size];
    ram = ByteBuffer(std::move(full));
  }
  CheckListing(ram);
  return 0;
}
