// Any single save (SAROO or .BUP) imported into an SS_MEMS.BIN image, as a
// new save or over a listed one. The first byte picks the image: one of two
// consistent images (one with gaps, one nearly full) or, in mode 3, an
// arbitrary image from the input. A plan that is refused writes nothing;
// an accepted one leaves a consistent image consistent, keeps every other
// save as it was, and the imported save exports back byte for byte, its
// data zero-filled to its size. On any image the write stays in bounds, the
// save exports back, and every save it did not replace exports as before.
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "containers/mems_image.h"
#include "fuzz_inputs.h"
#include "model/save_header.h"
#include "operations/save_transfer.h"
#include "singlesave/bup_file.h"
#include "singlesave/single_save_file.h"
#include "support/save_snapshots.h"

using quillmere::ByteBuffer;
using quillmere::ZeroFilledField;
using Saroo = quillmere::singlesave::SarooSingleSaveFile;
namespace mems = quillmere::mems;
namespace sh = quillmere::save_header;
namespace fuzzing = quillmere::fuzzing;

namespace {

quillmere::ByteBuffer Export(const ByteBuffer& image, std::uint32_t recordCluster) {
  return quillmere::SingleSaveOf(mems::ExtractMemsSave(image, std::size_t{recordCluster} * mems::kClusterSize));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ByteBuffer kWithGaps = fuzzing::ImageWithGaps();
  static const ByteBuffer kNearlyFull = fuzzing::NearlyFullImage();
  if (size == 0) return 0;
  const int mode = data[0] & 3;
  const bool replace = (data[0] & 4) != 0;
  const std::size_t row = data[0] >> 3;
  const ByteBuffer input = fuzzing::Bytes(data + 1, size - 1);

  ByteBuffer single, image;
  if (mode == 3) {
    const std::size_t length = input.ReadU16(0);
    single = input.Slice(2, length);
    image = input.Slice(2 + length, input.size());
  } else {
    single = input;
    image = mode == 2 ? kNearlyFull : kWithGaps;
  }
  if (quillmere::singlesave::IsBupSingleSave(single)) single = quillmere::singlesave::SarooFromBup(single);
  if (!quillmere::singlesave::IsSarooSingleSave(single)) return 0;

  const ByteBuffer header = ZeroFilledField(single, Saroo::kSaveHeaderOffset, sh::kSize);
  const std::uint32_t saveSize = header.ReadU32(sh::kSizeOffset);
  const std::vector<mems::MemsSave> before = mems::ListMemsSaves(image);
  std::optional<std::size_t> replaced;
  int replacedSlot = 0;
  if (replace && !before.empty()) {
    const mems::MemsSave& target = before[row % before.size()];
    replaced = std::size_t{target.firstCluster} * mems::kClusterSize;
    replacedSlot = target.slot;
  }
  const mems::MemsPlacement plan = mems::PlanMemsSave(image, saveSize, header.Slice(sh::kNameOffset, sh::kNameSize), replaced);
  if (plan.refusal != mems::PlacementRefusal::kNone) return 0;  // the plan only read the image

  const ByteBuffer original = image;
  const auto saves = quillmere::testing::SnapshotSaves(original);
  const bool written = mems::WriteMemsSave(image, plan, header.Slice(sh::kNameOffset, sh::kNameSize), header,
                                           single.Slice(Saroo::kDataOffset, saveSize));
  assert(written);
  assert(image.size() == std::max(original.size(), mems::kImageSize));
  assert(plan.recordCluster >= mems::kReservedClusters && plan.recordCluster < mems::kBitmapClusters);
  for (const std::uint32_t cluster : plan.dataClusters) {
    assert(cluster >= mems::kReservedClusters && cluster < mems::kBitmapClusters);
  }
  const ByteBuffer expected = quillmere::singlesave::BuildSarooSingleSave(
      header.Slice(sh::kNameOffset, sh::kNameSize), saveSize, header.Slice(sh::kCommentOffset, sh::kCommentSize),
      header.ReadU32(sh::kDateOffset), ZeroFilledField(single, Saroo::kDataOffset, saveSize));
  assert(Export(image, plan.recordCluster) == expected);
  // On any image, damaged or not, every save but the one replaced keeps its
  // slot, its name and its bytes.
  assert(quillmere::testing::KeepsOtherSaves(saves, image, {replacedSlot}));
  if (mode == 3) return 0;

  assert(mems::CheckMemsImage(image).empty());
  const std::vector<mems::MemsSave> after = mems::ListMemsSaves(image);
  assert(after.size() == before.size() + (replaced ? 0 : 1));
  for (const mems::MemsSave& save : before) {
    if (save.slot == replacedSlot) continue;
    assert(Export(image, save.firstCluster) == Export(original, save.firstCluster));
  }
  return 0;
}
