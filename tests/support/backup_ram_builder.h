#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/byte_buffer.h"
#include "support/image_builder.h"

namespace quillmere::testing {

// Further blocks a backup-RAM save of `size` bytes needs besides its first
// block: the list (2 bytes per further block), its 0 entry and the data must
// fit the first block from +34 and each further one from +4 (30 and 60
// bytes in 64-byte blocks).
std::uint32_t FurtherBlocksNeeded(std::uint32_t size, std::size_t blockSize = 64);

// Builds backup-RAM images of `blockSize`-byte blocks: the format text over
// block 0, then saves placed where a test wants them. Lays out the stream on
// its own, without the reader's help, so the two can disagree.
class BackupRamBuilder {
 public:
  explicit BackupRamBuilder(std::size_t ramSize = 0x8000, std::size_t blockSize = 64);

  // Places a save whose first block is `firstBlock`. A save of more than 28
  // bytes lists `furtherBlocks`, or the fewest blocks it needs right after its
  // first block when none are given. The list is written as given, so a test
  // can pass a damaged one; the data follows its 0 entry as far as the
  // listed blocks hold it.
  BackupRamBuilder& AddSave(std::uint32_t firstBlock, const TestSave& save,
                            std::vector<std::uint32_t> furtherBlocks = {}, std::uint8_t language = 0);

  ByteBuffer& ram() { return ram_; }
  ByteBuffer BuildRam() const { return ram_; }
  // The word-wide file: RAM byte k at file byte 2k + 1, 0xFF in the even
  // bytes, as the console's own images have it.
  ByteBuffer BuildFile() const;

 private:
  ByteBuffer ram_;
  std::size_t blockSize_;
};

// A MiSTer file: the internal memory with INNER, then a 512 KiB cartridge
// with OUTER far down its 1024 blocks, both word-wide.
ByteBuffer MisterFile();

}  // namespace quillmere::testing
