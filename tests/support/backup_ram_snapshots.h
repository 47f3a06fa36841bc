// The property every backup-RAM writer keeps, shared by the tests and the
// fuzz targets: a live save it was not asked to change still starts at the
// same block, walks the same blocks, and each of them holds the same bytes.
#pragma once

#include <map>
#include <set>
#include <vector>

#include "containers/backup_ram.h"
#include "containers/backup_ram_write.h"
#include "model/byte_buffer.h"

namespace quillmere::testing {

struct BackupRamSaveSnapshot {
  std::vector<std::uint32_t> blocks;  // the start block, then the list as the reader walks it
  std::vector<ByteBuffer> contents;   // each block's bytes, as far as the RAM holds them
  bool operator==(const BackupRamSaveSnapshot&) const = default;
};

// The live saves by start block.
inline std::map<std::uint32_t, BackupRamSaveSnapshot> SnapshotBackupRamSaves(const ByteBuffer& ram) {
  std::map<std::uint32_t, BackupRamSaveSnapshot> saves;
  const std::size_t blockSize = backup_ram::GeometryOfRam(ram.size()).blockSize;
  for (const std::uint32_t start : backup_ram::LiveStartBlocks(ram)) {
    BackupRamSaveSnapshot& save = saves[start];
    save.blocks = backup_ram::CollectSaveBlocks(ram, start).blocks;
    for (const std::uint32_t block : save.blocks) {
      save.contents.push_back(ram.Slice(std::size_t{block} * blockSize, blockSize));
    }
  }
  return saves;
}

// Every save of `before` but those starting at `targets` is in `after` as it was.
inline bool KeepsOtherBackupRamSaves(const std::map<std::uint32_t, BackupRamSaveSnapshot>& before,
                                     const ByteBuffer& after, const std::set<std::uint32_t>& targets = {}) {
  const auto now = SnapshotBackupRamSaves(after);
  for (const auto& [start, save] : before) {
    if (targets.contains(start)) continue;
    const auto found = now.find(start);
    if (found == now.end() || found->second != save) return false;
  }
  return true;
}

}  // namespace quillmere::testing
