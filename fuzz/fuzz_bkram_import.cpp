// A save imported into any backup-RAM image, as a new save or over a live
// one, after a delete or not. The first byte is the mode: bit 0 repeats a
// short input over a RAM (so markers and long lists are reached), else the
// input is a file; bit 1 replaces a live save, bit 2 deletes one first;
// bits 3-4 choose the memory: the internal one word-wide, a 512 KiB
// cartridge, any memory file as recognised by content (its cartridge when
// bit 5 is set), or the repeated RAM packed and gzip-compressed; the rest
// picks which save. Then two bytes of size and a name byte. A delete clears
// one byte; a refused plan writes nothing; an accepted one stays inside the
// RAM, reads back whole, keeps every save it did not target as it was, and
// keeps a sound RAM sound; the file written back keeps its form, its even
// bytes and its other memory.
#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "containers/backup_memory_file.h"
#include "containers/backup_ram.h"
#include "containers/backup_ram_write.h"
#include "fuzz_inputs.h"
#include "platform/gzip.h"
#include "support/backup_ram_snapshots.h"

using quillmere::ByteBuffer;
using quillmere::ZeroFilledField;
namespace backup_ram = quillmere::backup_ram;
namespace fuzzing = quillmere::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::uint8_t mode = data[0];
  const auto saveSize = static_cast<std::uint32_t>(data[1] << 8 | data[2]);
  const ByteBuffer input = fuzzing::Bytes(data + 4, size - 4);
  const int memory = mode >> 3 & 3;
  const auto device = mode & 32 ? backup_ram::Device::kCart : backup_ram::Device::kInternal;
  const auto repeated = [&](std::size_t ramSize) {
    std::vector<std::uint8_t> full(ramSize);
    for (std::size_t i = 0; i < full.size(); ++i) full[i] = input.At(i % input.size());
    return ByteBuffer(std::move(full));
  };
  ByteBuffer file;
  ByteBuffer ram;
  std::optional<backup_ram::MemoryFile> opened;
  const bool repeat = (mode & 1) && !input.empty() && input.size() < 0x4000;
  if (memory == 1 && repeat) {
    ram = repeated(512 * 1024);
  } else if (memory == 2 || (memory == 3 && repeat)) {
    const ByteBuffer bytes = memory == 2 ? input : ByteBuffer(quillmere::platform::Gzip(repeated(0x8000).bytes()));
    opened = backup_ram::OpenMemoryFile(bytes, std::nullopt);
    if (!opened) return 0;
    ram = backup_ram::RamOf(*opened, device);
  } else if (repeat) {
    ram = repeated(0x8000);
  } else {
    file = input;
    ram = backup_ram::WordWideToRam(file);
  }
  const backup_ram::BackupRamGeometry geometry = backup_ram::GeometryOfRam(ram.size());
  const std::vector<std::uint32_t> live = backup_ram::LiveStartBlocks(ram);
  const std::uint32_t picked = live.empty() ? 0 : live[(mode >> 6) % live.size()];

  if ((mode & 4) && !live.empty()) {
    ByteBuffer expected = ram;
    expected.MustWriteBE(std::size_t{picked} * geometry.blockSize, 0x00, 1);
    assert(backup_ram::DeleteBackupRamSaves(ram, {picked, picked}) == 1);
    assert(ram == expected);
  }

  // The RAM as the writer leaves it before it writes: lengthened with zeros.
  ByteBuffer lengthened = ram;
  lengthened.Resize(std::max(ram.size(), geometry.RamSize()));
  const auto saves = quillmere::testing::SnapshotBackupRamSaves(lengthened);
  const bool wasSound = backup_ram::CheckBackupRam(lengthened).empty();
  const std::uint32_t freeBefore = backup_ram::FreeBlockCount(ram);

  quillmere::GatheredSave save{ByteBuffer{data[3], 'F', 'Z'}, saveSize, input.Slice(0, 12), 480,
                               input.Slice(12, saveSize)};
  const std::optional<std::uint32_t> target = (mode & 2) && !live.empty() ? std::optional(picked) : std::nullopt;
  const backup_ram::BackupRamPlacement plan = backup_ram::PlanBackupRamSave(ram, saveSize, save.nameField, target);
  // A run's record of the blocks plans as the fresh look does, before and
  // after the save it placed.
  const auto samePlan = [](const backup_ram::BackupRamPlacement& a, const backup_ram::BackupRamPlacement& b) {
    return a.refusal == b.refusal && a.startBlock == b.startBlock && a.listBlocks == b.listBlocks &&
           a.replacedStartBlock == b.replacedStartBlock && a.freed == b.freed;
  };
  backup_ram::BlockOccupancy occupancy(ram, geometry);
  assert(samePlan(occupancy.Plan(ram, saveSize, save.nameField, target), plan));
  const ByteBuffer original = ram;
  if (plan.refusal != backup_ram::BackupRamRefusal::kNone) {
    assert(!backup_ram::WriteBackupRamSave(ram, plan, save) && ram == original);
    return 0;
  }
  assert(backup_ram::WriteBackupRamSave(ram, plan, save));
  occupancy.Placed(plan);
  const ByteBuffer secondName{'S', '2'};
  assert(samePlan(occupancy.Plan(ram, saveSize / 2 + 1, secondName),
                  backup_ram::PlanBackupRamSave(ram, geometry, saveSize / 2 + 1, secondName)));
  assert(ram.size() == lengthened.size());
  assert(plan.startBlock >= backup_ram::kFirstSaveBlock);
  assert(std::is_sorted(plan.listBlocks.begin(), plan.listBlocks.end()));
  assert(plan.geometry == geometry);
  assert(plan.listBlocks.empty() ||
         (plan.listBlocks.front() > plan.startBlock && plan.listBlocks.back() < geometry.blockCount));
  assert(plan.listBlocks.size() + 1 == backup_ram::BlocksNeeded(saveSize, geometry));

  const quillmere::GatheredSave back =
      backup_ram::ExtractBackupRamSave(ram, std::size_t{plan.startBlock} * geometry.blockSize);
  assert(back.complete && back.size == saveSize && back.date == 480);
  assert(back.data == ZeroFilledField(save.data, 0, saveSize));
  assert(back.nameField == ZeroFilledField(save.nameField, 0, 12));
  ByteBuffer comment = ZeroFilledField(save.commentField, 0, backup_ram::kCommentSize + 1);
  comment.Append(1, save.commentField.At(11));
  comment.MustWriteBE(backup_ram::kCommentSize, 0, 1);  // the console has 10 comment bytes
  assert(back.commentField == comment);
  assert(quillmere::testing::KeepsOtherBackupRamSaves(saves, ram, {target.value_or(0)}));
  if (wasSound) {
    assert(backup_ram::CheckBackupRam(ram).empty());
    // Block 1 of a replaced save comes free but never counts: saves start at block 2.
    const auto regained = std::count_if(plan.freed.begin(), plan.freed.end(),
                                        [](std::uint32_t b) { return b >= backup_ram::kFirstSaveBlock; });
    assert(backup_ram::FreeBlockCount(ram) + plan.listBlocks.size() + 1 == freeBefore + std::size_t(regained));
  }

  if (opened) {
    // Back into the memory file: the same form, the other memory as it was,
    // a word-wide file's even bytes kept.
    const auto other = device == backup_ram::Device::kCart ? backup_ram::Device::kInternal : backup_ram::Device::kCart;
    const auto reopened =
        backup_ram::OpenMemoryFile(backup_ram::FileWithRam(*opened, device, ram), opened->form.layout);
    assert(reopened && reopened->form == opened->form);
    assert(backup_ram::RamOf(*reopened, device).Slice(0, ram.size()) == ram);
    assert(!opened->form.twoMemories || backup_ram::RamOf(*reopened, other) == backup_ram::RamOf(*opened, other));
    if (opened->form.layout == backup_ram::RamLayout::kWordWide) {
      for (std::size_t k = 0; k < opened->contents.size(); k += 2) assert(reopened->contents.At(k) == opened->contents.At(k));
    }
    return 0;
  }

  // Back into the file: the RAM in the odd bytes, the file's even bytes kept.
  const ByteBuffer written = backup_ram::RamIntoWordWide(file, ram);
  assert(backup_ram::WordWideToRam(written).Slice(0, ram.size()) == ram);
  for (std::size_t k = 0; k < file.size(); k += 2) assert(written.At(k) == file.At(k));
  return 0;
}
