// Any bytes as a container of each kind (the first byte picks it): every
// listed save gathers and becomes a single save. The gathered data is never
// longer than the size the save states, the single save is the 64-byte
// header and exactly that data, and the row lists the size the save states.
#include <cassert>
#include <cstddef>
#include <cstdint>

#include "containers/backup_ram.h"
#include "containers/mems_image.h"
#include "containers/save_file.h"
#include "fuzz_inputs.h"
#include "model/conversions.h"
#include "operations/pane.h"
#include "operations/save_transfer.h"
#include "singlesave/single_save_file.h"

using quillmere::ByteBuffer;
using quillmere::ContainerKind;
using quillmere::Pane;
using Saroo = quillmere::singlesave::SarooSingleSaveFile;
namespace fuzzing = quillmere::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const ByteBuffer input = fuzzing::Bytes(data + 1, size - 1);
  Pane pane;
  pane.number = 1 + (data[0] >> 7);
  switch (data[0] % 4) {
    case 0:
      pane.kind = ContainerKind::kMems;
      pane.image = input;
      pane.ShowRecords(quillmere::mems::ListMemsImage(pane.image, ShownCommentBytes(pane.kind, pane.number)).records);
      break;
    case 1:  // the word-wide file, as BKRAMSV.BIN and SS_BUP.BIN hold it
    case 2:  // the RAM copy straight away, so every input byte counts
      pane.kind = data[0] % 4 == 1 ? ContainerKind::kBkram : ContainerKind::kBup;
      pane.image = data[0] % 4 == 1 ? quillmere::backup_ram::WordWideToRam(input) : input;
      pane.ShowRecords(quillmere::backup_ram::ListBackupRam(pane.image).records);
      break;
    default:
      pane.kind = ContainerKind::kSave;
      pane.image = fuzzing::SaveFileFrom(input);
      pane.ShowRecords(quillmere::save_file::ListSaveFile(pane.image).records);
      break;
  }
  for (std::size_t row = 0; row < pane.rows.size(); ++row) {
    const quillmere::GatheredSave save = quillmere::GatherSave(pane, pane.RecordOfRow(row));
    assert(save.data.size() <= save.size);
    assert(save.nameField.size() <= Saroo::kNameSize && save.commentField.size() <= Saroo::kCommentSize);
    assert(pane.rows[row].size() == quillmere::Decimal(save.size));
    const ByteBuffer single = quillmere::SingleSaveOf(save);
    assert(single.size() == Saroo::kHeaderSize + save.data.size());
    assert(quillmere::singlesave::IsSarooSingleSave(single));
    assert(single.ReadU32(Saroo::kSizeOffset) == save.size);
    assert(single.ReadU32(Saroo::kDateOffset) == save.date);
    assert(single.Slice(Saroo::kNameOffset, save.nameField.size()) == save.nameField);
    assert(single.Slice(Saroo::kCommentOffset, save.commentField.size()) == save.commentField);
    assert(single.Slice(Saroo::kDataOffset, single.size()) == save.data);
  }
  return 0;
}
