#include "operations/compacting.h"

#include "operations/file_writes.h"
#include "platform/file_io.h"

namespace quillmere {

namespace {

// The host's progress, and the "整理" button's caption while the run goes:
// "整理中" once it starts, then the count of the save being placed back.
class CompactProgress : public ProgressSink {
 public:
  CompactProgress(Host& host, int pane) : host_(host), pane_(pane) {}
  bool Report(std::size_t done, std::size_t total) override {
    if (done < total && !started_) {
      started_ = true;
      host_.ButtonChanged(pane_, PaneButton::kCompact, Message(Compacting{}), false);
    }
    const bool goOn = host_.Progress(done, total);
    if (goOn && done < total) host_.ButtonChanged(pane_, PaneButton::kCompact, Message(CompactingCount{done + 1}), false);
    return goOn;
  }
  // The button as it was, once the run is over.
  void Restore() {
    if (started_) host_.ButtonChanged(pane_, PaneButton::kCompact, std::nullopt, true);
    started_ = false;
  }

 private:
  Host& host_;
  int pane_;
  bool started_ = false;
};

}  // namespace

CompactOutcome CompactPane(Workbench& bench, int number) {
  Pane& pane = bench.pane(number);
  Host& host = bench.host();
  CompactProgress progress(host, number);
  CompactResult result = Compact(pane, pane.RecordsInRowOrder(), &progress);
  switch (result.outcome) {
    case CompactOutcome::kNothing:
    case CompactOutcome::kWriteFailed: break;
    case CompactOutcome::kCancelled:
      progress.Restore();
      host.ShowMessage({RunCancelled{platform::PathToUtf8(pane.file)}, {}});
      break;
    case CompactOutcome::kRefused:
      progress.Restore();
      if (result.reason) host.ShowMessage(*result.reason);
      break;
    case CompactOutcome::kCompacted:
      if (!WritePaneImage(bench, number, WriteOperation::kCompact)) {
        progress.Restore();
        return CompactOutcome::kWriteFailed;
      }
      progress.Restore();
      host.ShowMessage({CompactDone{}, {}});
      break;
  }
  return result.outcome;
}

}  // namespace quillmere
