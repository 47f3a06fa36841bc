#include "operations/workbench.h"

#include <algorithm>
#include <set>

#include "operations/file_writes.h"
#include "platform/file_io.h"
#include "singlesave/bup_file.h"
#include "singlesave/converter.h"
#include "singlesave/sro_file.h"

namespace quillmere {

void Pane::ShowRecords(std::vector<SaveRecord> listed) {
  records = std::move(listed);
  rows = PresentSaves(records, ShownCommentBytes());
  rowRecords.resize(records.size());
  for (std::size_t r = 0; r < rowRecords.size(); ++r) rowRecords[r] = r;
}

std::vector<SaveRecord> Pane::SelectedRecords() const {
  std::set<std::size_t> taken;
  std::vector<int> sorted = selection;
  std::sort(sorted.begin(), sorted.end());
  std::vector<SaveRecord> chosen;
  for (const int row : sorted) {
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) continue;
    const std::size_t index = rowRecords[static_cast<std::size_t>(row)];
    if (taken.insert(index).second) chosen.push_back(records[index]);
  }
  return chosen;
}

std::vector<SaveRecord> Pane::RecordsInRowOrder() const {
  std::vector<SaveRecord> ordered;
  for (std::size_t r = 0; r < rows.size(); ++r) ordered.push_back(RecordOfRow(r));
  return ordered;
}

std::size_t Pane::ShownCommentBytes() const { return quillmere::ShownCommentBytes(kind, number); }

Workbench::Workbench(std::filesystem::path programDirectory, Host& host)
    : sarooFolder(singlesave::SarooFolder(programDirectory)),
      bupFolder(singlesave::BupFolder(programDirectory)),
      sroFolder(singlesave::SroFolder(programDirectory)),
      programDirectory_(std::move(programDirectory)), host_(host) {
  panes_[0].number = 1;
  panes_[0].folder = programDirectory_;
  panes_[1].number = 2;
  panes_[1].folder = programDirectory_ / "OTHER";
}

PaneLoad LoadPaneFolder(ContainerKind kind, const std::filesystem::path& folder, int pane, bool clearUnused) {
  if (pane == 1) platform::EnsureDirectory(folder / "OTHER");
  else if (kind != ContainerKind::kMems) platform::EnsureDirectory(folder);
  PaneLoad load = LoadContainerFile(platform::ResolveFileName(folder, ContainerFileName(kind)), clearUnused);
  // The kind list says what the pane shows: a file that holds another kind
  // is refused, with what it holds.
  if (load.fileFound && load.kind != kind) {
    PaneLoad refused;
    refused.file = load.file;
    refused.refusal = load.writeRefusal;
    return refused;
  }
  return load;
}

void ReloadPane(Workbench& bench, int number, bool mayClear) {
  Pane& pane = bench.pane(number);
  const bool clearUnused = bench.clearUnusedOnRefresh && mayClear;
  // Read (and cleared) as slow work: a 256 MiB SS_SAVE.BIN takes a while.
  PaneLoad load;
  std::vector<Problem> problems;
  const std::filesystem::path shown = pane.fixedFile.empty() ? pane.folder : pane.fixedFile;
  bench.host().RunSlow({ReadingFile{platform::PathToUtf8(shown)}, {}}, [&](ProgressSink&) {
    load = pane.fixedFile.empty() ? LoadPaneFolder(pane.kind, pane.folder, number, clearUnused)
                                  : LoadContainerFile(pane.fixedFile, clearUnused,
                                                      {pane.namedKind, pane.layout, pane.device, pane.blockSize});
    // A missing file has nothing to check; an empty one is checked like any other.
    if (load.fileFound) problems = Check(load);
  });
  // The kind list and the memory switch say what the pane asks for; a file
  // found shows what it holds.
  const ContainerKind shownKind = load.fileFound ? load.kind : pane.kind;
  const backup_ram::Device askedDevice = pane.device;
  static_cast<Container&>(pane) = std::move(static_cast<Container&>(load));
  pane.kind = shownKind;
  pane.device = askedDevice;
  pane.ShowRecords(std::move(pane.records));
  pane.selection.clear();
  pane.hintVisible = !load.fileFound;
  // The figure is the listed file's: none while no file is listed (nor for
  // SS_SAVE.BIN), never the figure of a file that has gone.
  pane.numberLabel = load.remainingSpace ? std::to_string(*load.remainingSpace) : std::string();
  pane.problems = std::move(problems);
  // An 8 MiB word-wide memory whose saves do not tell its blocks (an empty
  // one): the window asks, and reads it again as told.
  const auto undecided = [](const Problem& problem) { return Is<ProblemBlockSizeBoth>(problem); };
  if (!pane.blockSize && std::any_of(pane.openingProblems.begin(), pane.openingProblems.end(), undecided)) {
    const std::vector<Message> sizes = {{SaveNameLine{"64"}, {}}, {SaveNameLine{"1024"}, {}}};
    const auto answer =
        bench.host().AskChoice({AskBlockSize{platform::PathToUtf8(pane.file.filename())}, {}}, sizes, 0);
    const std::string said = !answer ? "" : answer->listed ? Find<SaveNameLine>(sizes[*answer->listed])->name.value
                                                           : answer->typed;
    if (said == "64" || said == "1024") {
      pane.blockSize = said == "64" ? 64 : 1024;
      ReloadPane(bench, number, mayClear);
      return;
    }
  }
  bench.host().PaneChanged(number);
  if (load.refusal) bench.host().ShowMessage(*load.refusal);
  if (load.failedWrite) bench.host().ShowMessage(*load.failedWrite);
  TellHistoryNote(bench, load.historyNote);
}

void SetPaneKind(Workbench& bench, int number, ContainerKind kind) {
  Pane& pane = bench.pane(number);
  pane.kind = kind;
  ReloadPane(bench, number);
}

}  // namespace quillmere
