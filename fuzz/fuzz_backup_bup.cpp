// Backup-RAM checking and the .BUP form. The first byte picks what the rest
// is: a backup RAM (checked: bounded report, every save listed), a .BUP
// (shown and turned into a SAROO save of exactly its stated size), or a
// SAROO save made canonical (magic, zero reserved bytes, name byte 11 and
// comment byte 10 zero, size = its data length), which must go to .BUP and
// back byte for byte.
#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>

#include "containers/backup_ram.h"
#include "fuzz_inputs.h"
#include "singlesave/bup_file.h"
#include "singlesave/single_save_file.h"

using quillmere::ByteBuffer;
using Bup = quillmere::singlesave::BupSingleSaveFile;
using Saroo = quillmere::singlesave::SarooSingleSaveFile;
namespace backup_ram = quillmere::backup_ram;
namespace singlesave = quillmere::singlesave;
namespace fuzzing = quillmere::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  ByteBuffer input = fuzzing::Bytes(data + 1, size - 1);
  switch (data[0] % 3) {
    case 0: {
      const ByteBuffer ram = (data[0] & 0x80) != 0 ? backup_ram::WordWideToRam(input) : input;
      for (const quillmere::Problem& problem : backup_ram::CheckBackupRam(ram)) assert(problem.severity == quillmere::Severity::kFatal);
      const backup_ram::BackupRamListing listing = backup_ram::ListBackupRam(ram);
      assert(backup_ram::UsedBlocks(listing.records).size() == backup_ram::kBlockCount);
      break;
    }
    case 1: {
      const singlesave::SingleSaveRow row = singlesave::BupRow(input);
      (void)row;
      const std::uint32_t stated = quillmere::ZeroFilledField(input, Bup::kSizeOffset, 4).ReadU32(0);
      const ByteBuffer saroo = singlesave::SarooFromBup(input);
      assert(singlesave::IsSarooSingleSave(saroo));
      // The data taken: the stated size where the file carries it, never padding, never past the limit.
      const std::size_t carried = input.size() > Bup::kDataOffset ? input.size() - Bup::kDataOffset : 0;
      const std::size_t taken = std::min<std::size_t>({stated, carried, singlesave::kMaxDataSize});
      assert(saroo.size() == Saroo::kHeaderSize + taken);
      assert(saroo.ReadU32(Saroo::kSizeOffset) == taken);
      const ByteBuffer bup = singlesave::BupFromSaroo(saroo);
      assert(singlesave::IsBupSingleSave(bup) && bup.size() == saroo.size());
      // The .BUP name field keeps its 12th byte in the SAROO form; only the
      // SAROO form's own 12th byte is dropped on the way to .BUP.
      if (input.At(Bup::kNameOffset + Bup::kNameSize - 1) == 0) assert(singlesave::SarooFromBup(bup) == saroo);
      break;
    }
    default: {
      if (input.size() < Saroo::kHeaderSize) input.Resize(Saroo::kHeaderSize);
      input.MustWrite(Saroo::kMagicOffset, ByteBuffer::FromText(Saroo::kMagic));
      input.Fill(Saroo::kReservedOffset, Saroo::kReservedSize, 0);
      input.Fill(Saroo::kTailReservedOffset, Saroo::kTailReservedSize, 0);
      input.MustWriteBE(Saroo::kNameOffset + 11, 0, 1);
      input.MustWriteBE(Saroo::kCommentOffset + 10, 0, 1);
      input.MustWriteBE(Saroo::kSizeOffset, input.size() - Saroo::kHeaderSize, 4);
      const ByteBuffer bup = singlesave::BupFromSaroo(input);
      assert(bup.size() == input.size());
      assert(singlesave::SarooFromBup(bup) == input);
      break;
    }
  }
  return 0;
}
