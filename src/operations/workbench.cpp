#include "operations/workbench.h"

#include <algorithm>

#include "containers/backup_ram_write.h"
#include "operations/image_care.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"
#include "singlesave/bup_file.h"
#include "singlesave/converter.h"
#include "singlesave/sro_file.h"

namespace quillmere {

ByteBuffer Pane::FileBytes() const {
  if (kind == ContainerKind::kBkram || kind == ContainerKind::kBup) {
    return backup_ram::FileWithRam({form, stored}, device, image);
  }
  return image;
}

void Pane::ShowRecords(std::vector<SaveRecord> listed) {
  records = std::move(listed);
  rows = PresentSaves(records);
  rowRecords.resize(records.size());
  for (std::size_t r = 0; r < rowRecords.size(); ++r) rowRecords[r] = r;
}

void Pane::AppendRecord(SaveRecord record) {
  rows.push_back(PresentSave(record));
  rowRecords.push_back(records.size());
  records.push_back(std::move(record));
}

void Pane::RemoveRecord(std::size_t offset) {
  const auto found = std::find_if(records.begin(), records.end(), [&](const SaveRecord& r) { return r.offset == offset; });
  if (found == records.end()) return;
  const auto index = static_cast<std::size_t>(found - records.begin());
  records.erase(found);
  std::size_t kept = 0;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    if (rowRecords[r] == index) continue;
    rows[kept] = std::move(rows[r]);
    rowRecords[kept++] = rowRecords[r] - (rowRecords[r] > index ? 1 : 0);
  }
  rows.resize(kept);
  rowRecords.resize(kept);
}

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
  PaneLoad load = LoadContainerFile(platform::ResolveFileName(folder, ContainerFileName(kind)),
                                    ShownCommentBytes(ContainerKind::kMems, pane), clearUnused);
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

void ReloadPane(Workbench& bench, int number) {
  Pane& pane = bench.pane(number);
  const bool clearUnused = bench.clearUnusedOnRefresh && bench.state.interactive;
  PaneLoad load = pane.fixedFile.empty()
                      ? LoadPaneFolder(pane.kind, pane.folder, number, clearUnused)
                      : LoadContainerFile(pane.fixedFile, ShownCommentBytes(ContainerKind::kMems, number), clearUnused,
                                          {pane.namedKind, pane.layout, pane.device, pane.blockSize});
  pane.file = load.file;
  if (load.fileFound) pane.kind = load.kind;
  pane.heldChanges = false;
  pane.ShowRecords(std::move(load.records));
  pane.selection.clear();
  pane.image = std::move(load.image);
  pane.stored = std::move(load.stored);
  pane.form = load.form;
  pane.geometry = load.geometry;
  pane.presentBytes = load.presentBytes;
  pane.stamp = load.stamp;
  pane.hintVisible = !load.fileFound;
  pane.openingProblems = std::move(load.openingProblems);
  pane.writeRefusal = std::move(load.writeRefusal);
  // A missing file leaves the figure as it was.
  if (load.remainingSpace) pane.numberLabel = std::to_string(*load.remainingSpace);
  pane.problems = CheckPane(pane);
  // An 8 MiB word-wide memory whose saves do not tell its blocks (an empty
  // one): the window asks, and reads it again as told.
  const auto undecided = [](const Problem& problem) { return problem.id == TextId::kProblemBlockSizeBoth; };
  if (bench.state.interactive && !pane.blockSize &&
      std::any_of(pane.openingProblems.begin(), pane.openingProblems.end(), undecided)) {
    const auto answer = bench.host().AskChoice({TextId::kAskBlockSize, {platform::PathToUtf8(pane.file.filename())}, {}},
                                               {"64", "1024"}, 0);
    if (answer == "64" || answer == "1024") {
      pane.blockSize = answer == "64" ? 64 : 1024;
      ReloadPane(bench, number);
      return;
    }
  }
  bench.host().PaneChanged(number);
  if (load.refusal) bench.host().ShowMessage(*load.refusal);
  if (load.failedWrite) bench.host().ShowMessage(*load.failedWrite);
}

void SetPaneKind(Workbench& bench, int number, ContainerKind kind) {
  Pane& pane = bench.pane(number);
  pane.kind = kind;
  pane.numberLabel = "0";
  ReloadPane(bench, number);
}

}  // namespace quillmere
