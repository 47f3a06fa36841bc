// Any bytes as an SS_MEMS.BIN file, opened, compacted and written as the
// window and the command line do it (the file lives in a scratch folder, in
// memory where the system has one). All or nothing: the compaction is refused exactly when the
// image has damage repair cannot mend, a save cannot be read whole, or the
// saves need more clusters than the image has, and then the file and the
// pane are as they were. When it is done, the image is consistent and each
// save, in list order, exports the bytes it exported before, under the name
// its slot listed.
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "containers/mems_image.h"
#include "fuzz_inputs.h"
#include "operations/file_writes.h"
#include "operations/pane_load.h"
#include "operations/save_steps.h"
#include "platform/file_io.h"
#include "support/save_snapshots.h"

using quillmere::ByteBuffer;
namespace fs = std::filesystem;
namespace mems = quillmere::mems;
namespace fuzzing = quillmere::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fs::path folder = fuzzing::ScratchFolder("compact");
  const fs::path file = folder / "SS_MEMS.BIN";
  const ByteBuffer input = fuzzing::Bytes(data, size);
  if (!quillmere::platform::WriteFileAtomic(file, input.bytes())) return 0;

  quillmere::PaneLoad image = quillmere::LoadContainerFile(file, false);
  if (!image.fileFound) return 0;
  const ByteBuffer original = image.image;
  const std::vector<quillmere::SaveRecord> order = image.records;
  // Bytes the opener takes for another kind are no SS_MEMS.BIN to compact.
  if (image.kind != quillmere::ContainerKind::kMems) {
    assert(quillmere::Compact(image, order, nullptr).outcome == quillmere::CompactOutcome::kNothing);
    return 0;
  }

  // What each save must export afterwards, and whether they all fit: an
  // image with damage repair cannot mend is refused before anything moves.
  std::vector<ByteBuffer> expected;
  bool fits = !image.writeRefusal && !mems::FirstUnmendableProblem(original);
  std::uint64_t clusters = 0;
  for (std::size_t row = 0; row < order.size() && fits; ++row) {
    const quillmere::GatheredSave save = quillmere::GatherSave(image, order[row]);
    const std::uint32_t listed = mems::DataClusterCount(save.size);
    fits = listed <= mems::kClusterListCapacity && save.complete;
    clusters += 1 + listed;
    expected.push_back(quillmere::SingleSaveOf(save));
  }
  fits = fits && clusters <= mems::kBitmapClusters - mems::kReservedClusters;
  const auto saves = quillmere::testing::SnapshotSaves(original);

  const quillmere::CompactResult result = quillmere::Compact(image, order, nullptr);
  if (order.empty()) {
    assert(result.outcome == quillmere::CompactOutcome::kNothing);
    return 0;
  }
  if (!fits) {
    assert(result.outcome == quillmere::CompactOutcome::kRefused && result.reason);
    assert(image.image == original && image.records == order);
    return 0;
  }
  assert(result.outcome == quillmere::CompactOutcome::kCompacted);
  assert(quillmere::WriteContainer(image, quillmere::WriteOperation::kCompact).written);
  const quillmere::PaneLoad compacted = quillmere::LoadContainerFile(file, false);
  assert(mems::CheckMemsImage(compacted.image).empty());
  assert(compacted.records.size() == order.size());
  for (std::size_t row = 0; row < order.size(); ++row) {
    assert(quillmere::SingleSaveOf(quillmere::GatherSave(compacted, compacted.records[row])) == expected[row]);
  }
  // Every save is back under the name its slot listed.
  assert(quillmere::testing::KeepsEverySaveMoved(saves, compacted.image));
  return 0;
}
