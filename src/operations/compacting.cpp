#include "operations/compacting.h"

#include <utility>

#include "containers/mems_image.h"
#include "model/conversions.h"
#include "operations/file_writes.h"
#include "operations/save_transfer.h"

namespace quillmere {

namespace {

// The empty formatted state: every cluster free but the header and the
// directory, every byte after the first bitmap byte zero. The identification
// (0x00-0x0B) and reserved (0x0E-0x0F) bytes are the card's own and stay.
void ResetToEmpty(ByteBuffer& image) {
  if (image.size() < mems::kImageSize) image.Resize(mems::kImageSize);
  image.WriteBE(mems::kFreeClusterCountOffset, mems::kEmptyFreeClusterCount, 2);
  image.WriteBE(mems::kClusterBitmapOffset, 0xFF, 1);
  image.Fill(mems::kClusterBitmapOffset + 1, mems::kImageSize - mems::kClusterBitmapOffset - 1, 0);
}

}  // namespace

CompactOutcome CompactPane(Workbench& bench, int number) {
  Pane& pane = bench.pane(number);
  SaveOperationState& state = bench.state;
  if (pane.kind != ContainerKind::kMems || state.compacting || pane.rows.empty()) return CompactOutcome::kNothing;

  Host& host = bench.host();
  // A file whose opening left doubt (too short, or holding another kind) is never rewritten.
  if (pane.writeRefusal) {
    host.ShowMessage(*pane.writeRefusal);
    return CompactOutcome::kRefused;
  }
  // Compacting rewrites every cluster: on an image where saves share
  // clusters or reach outside the data area, moving one would change another.
  if (const auto problem = mems::FirstUnmendableProblem(pane.image)) {
    host.ShowMessage({TextId::kCannotCompactDamaged, {}, {problem->AsMessage()}});
    return CompactOutcome::kRefused;
  }
  host.ButtonChanged(number, PaneButton::kCompact, {TextId::kCompacting, {}, {}}, false);
  // However it ends, the window is interactive again and the button as it was.
  struct Restore {
    Workbench& bench;
    int number;
    bool done = false;
    void Run() {
      if (std::exchange(done, true)) return;
      bench.state.interactive = true;
      bench.state.compacting = false;
      bench.host().ButtonChanged(number, PaneButton::kCompact, {TextId::kCompact, {}, {}}, true);
    }
    ~Restore() { Run(); }
  } restore{bench, number};
  state.interactive = false;
  state.compacting = true;

  state.collectedSaves.clear();
  // Every save is lifted out, then placed back: two steps each.
  const std::size_t saves = pane.rows.size();
  ProgressRun progress(host, 2 * saves);
  for (std::size_t row = 0; row < pane.rows.size(); ++row) {
    if (!progress.Step(row)) return CompactOutcome::kNothing;
    state.transferRow = static_cast<int>(row);
    if (ExportSingleSave(bench, number).outcome != ExportOutcome::kCollected) continue;
    // Each save goes back under the name its slot listed, which a damaged
    // directory may hold apart from its record's.
    state.collectedSaves.back().slotName = pane.RecordOfRow(row).nameField;
  }
  ResetToEmpty(pane.image);
  pane.ShowRecords({});

  for (std::size_t k = 0; k < state.collectedSaves.size(); ++k) {
    if (!progress.Step(saves + k)) {
      // Stopped: the file was never touched, so the pane shows it again.
      ReloadPane(bench, number);
      return CompactOutcome::kNothing;
    }
    host.ButtonChanged(number, PaneButton::kCompact, {TextId::kCompactingCount, {k + 1}, {}}, false);
    state.pendingName = state.collectedSaves[k].name;
    state.pendingImage = state.collectedSaves[k].image;
    state.pendingSlotName = state.collectedSaves[k].slotName;
    if (ImportSingleSave(bench, number).outcome != ImportOutcome::kImported) {
      // All or nothing: the file was never touched, so the pane shows it again.
      ReloadPane(bench, number);
      return CompactOutcome::kRefused;
    }
  }
  progress.End();
  if (!WritePaneImage(bench, number)) return CompactOutcome::kWriteFailed;
  restore.Run();
  host.ShowMessage({TextId::kCompactDone, {}, {}});
  return CompactOutcome::kCompacted;
}

}  // namespace quillmere
