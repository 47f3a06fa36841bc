// Any bytes as a word-wide backup-RAM file: the listing must stay in bounds,
// end every block-list walk, and keep its tables in step with its rows.
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <set>

#include "containers/backup_ram.h"

using quillmere::ByteBuffer;
namespace backup_ram = quillmere::backup_ram;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const ByteBuffer file(std::vector<std::uint8_t>(data, data + size));
  ByteBuffer ram = backup_ram::WordWideToRam(file);
  assert(ram.size() == size / 2);
  // Small inputs also serve as the RAM itself, repeated over 32 KiB, so that
  // markers and long block lists are reached.
  if (size > 0 && size < 0x4000 && data[0] & 1) {
    std::vector<std::uint8_t> full(backup_ram::kBlockCount * backup_ram::kBlockSize);
    for (std::size_t i = 0; i < full.size(); ++i) full[i] = data[i % size];
    ram = ByteBuffer(std::move(full));
  }

  const backup_ram::BackupRamListing listing = backup_ram::ListBackupRam(ram);
  const std::vector<bool> used = backup_ram::UsedBlocks(listing.records);
  assert(used.size() == backup_ram::kBlockCount);
  assert(!used[0]);  // block 0 is never part of a save
  for (const quillmere::SaveRecord& record : listing.records) {
    assert(!record.units.empty() && record.offset == std::size_t{record.units[0]} * backup_ram::kBlockSize);
    assert(record.units.size() <= backup_ram::kBlockCount + 1);
  }

  const std::size_t lastBlock = ram.size() / backup_ram::kBlockSize;
  for (std::size_t n = 1; n <= lastBlock && n < 2048; ++n) {
    const backup_ram::SaveBlocks save = backup_ram::CollectSaveBlocks(ram, static_cast<std::uint32_t>(n));
    assert(!save.blocks.empty() && save.blocks[0] == n);
    // Every listed block is distinct, inside the RAM and below 512; none is block 0.
    const std::set<std::uint32_t> distinct(save.blocks.begin() + 1, save.blocks.end());
    assert(distinct.size() == save.blocks.size() - 1);
    for (std::size_t k = 1; k < save.blocks.size(); ++k) {
      assert(save.blocks[k] != 0 && save.blocks[k] != n);
      assert(save.blocks[k] < backup_ram::kBlockCount);
      assert(std::size_t{save.blocks[k]} * backup_ram::kBlockSize < ram.size());
    }
    const ByteBuffer saveData = backup_ram::ReadSaveData(ram, static_cast<std::uint32_t>(n));
    assert(saveData.size() <= 30 + 60 * (save.blocks.size() - 1));
  }
  return 0;
}
