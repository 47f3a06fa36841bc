// Any bytes as an SS_MEMS.BIN file, compacted through a workbench as the
// window does it (the file lives in a scratch folder, in memory where the
// system has one). All or nothing: the compaction is refused exactly when the
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
#include "operations/compacting.h"
#include "operations/save_transfer.h"
#include "operations/workbench.h"
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

  fuzzing::QuietHost host;
  quillmere::Workbench bench(folder, host);
  quillmere::Pane& pane = bench.pane(1);
  pane.kind = quillmere::ContainerKind::kMems;
  pane.fixedFile = file;
  quillmere::ReloadPane(bench, 1);
  const ByteBuffer original = pane.image;
  const std::size_t rowCount = pane.rows.size();
  // Bytes the opener takes for another kind are no SS_MEMS.BIN to compact.
  if (pane.kind != quillmere::ContainerKind::kMems) {
    assert(quillmere::CompactPane(bench, 1) == quillmere::CompactOutcome::kNothing);
    assert(quillmere::platform::ReadWholeFile(file) == input.bytes());
    return 0;
  }

  // What each save must export afterwards, and whether they all fit: an
  // image with damage repair cannot mend is refused before anything moves.
  std::vector<ByteBuffer> expected;
  bool fits = !pane.writeRefusal && !mems::FirstUnmendableProblem(original);
  std::uint64_t clusters = 0;
  for (std::size_t row = 0; row < rowCount && fits; ++row) {
    const quillmere::GatheredSave save = quillmere::GatherSave(pane, row);
    const std::uint32_t listed = mems::DataClusterCount(save.size);
    fits = listed <= mems::kClusterListCapacity && save.complete;
    clusters += 1 + listed;
    expected.push_back(quillmere::SingleSaveOf(save));
  }
  fits = fits && clusters <= mems::kBitmapClusters - mems::kReservedClusters;
  const auto saves = quillmere::testing::SnapshotSaves(original);

  const quillmere::CompactOutcome outcome = quillmere::CompactPane(bench, 1);
  if (rowCount == 0) {
    assert(outcome == quillmere::CompactOutcome::kNothing);
    return 0;
  }
  assert(!bench.state.compacting && bench.state.interactive);
  if (!fits) {
    assert(outcome == quillmere::CompactOutcome::kRefused);
    assert(pane.image == original);
    assert(quillmere::platform::ReadWholeFile(file) == input.bytes());
    return 0;
  }
  assert(outcome == quillmere::CompactOutcome::kCompacted);
  assert(mems::CheckMemsImage(pane.image).empty());
  assert(pane.rows.size() == rowCount);
  for (std::size_t row = 0; row < rowCount; ++row) {
    assert(quillmere::SingleSaveOf(quillmere::GatherSave(pane, row)) == expected[row]);
  }
  // Every save is back under the name its slot listed.
  assert(quillmere::testing::KeepsEverySaveMoved(saves, pane.image));
  return 0;
}
