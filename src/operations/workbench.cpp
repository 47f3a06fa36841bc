#include "operations/workbench.h"

#include "containers/backup_ram.h"
#include "containers/mems_image.h"
#include "containers/save_file.h"
#include "model/messages.h"
#include "operations/image_care.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"
#include "singlesave/bup_file.h"
#include "singlesave/converter.h"
#include "singlesave/sro_file.h"

namespace quillmere {

std::string Pane::HintText() const {
  return std::string(ContainerFileName(kind)) + (number == 1 ? "放程序目录" : "放OTHER目录");
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

PaneLoad LoadContainerFile(ContainerKind kind, const std::filesystem::path& file, int pane, bool clearUnused) {
  switch (kind) {
    case ContainerKind::kMems: return mems::LoadMemsFile(file, pane, clearUnused);
    case ContainerKind::kBkram:
    case ContainerKind::kBup: return backup_ram::LoadBackupRamFile(file, pane);
    case ContainerKind::kSave: return save_file::LoadSaveFile(file, pane);
  }
  PaneLoad load;
  load.file = file;
  return load;
}

PaneLoad LoadPaneFolder(ContainerKind kind, const std::filesystem::path& folder, int pane, bool clearUnused) {
  if (pane == 1) platform::EnsureDirectory(folder / "OTHER");
  else if (kind != ContainerKind::kMems) platform::EnsureDirectory(folder);
  return LoadContainerFile(kind, platform::ResolveFileName(folder, ContainerFileName(kind)), pane, clearUnused);
}

void ReloadPane(Workbench& bench, int number) {
  Pane& pane = bench.pane(number);
  const bool clearUnused = bench.clearUnusedOnRefresh && bench.state.interactive;
  PaneLoad load = pane.fixedFile.empty() ? LoadPaneFolder(pane.kind, pane.folder, number, clearUnused)
                                         : LoadContainerFile(pane.kind, pane.fixedFile, number, clearUnused);
  pane.file = load.file;
  pane.heldChanges = false;
  pane.rows = std::move(load.rows);
  pane.selection.clear();
  pane.image = std::move(load.image);
  // Only the kind that is written needs to know later whether the file changed.
  if (!load.stamp && load.fileFound && pane.Writable()) load.stamp = platform::StampFile(load.file, pane.image.bytes());
  pane.stamp = load.stamp;
  pane.hintVisible = !load.fileFound;
  // A missing file leaves the figure as it was.
  if (load.remainingSpace) pane.numberLabel = std::to_string(*load.remainingSpace);
  pane.nextEntryPosition = load.nextEntryPosition;
  pane.nextDataOffset = std::move(load.nextDataOffset);
  pane.saveTable = std::move(load.saveTable);
  pane.blockUsage = std::move(load.blockUsage);
  pane.problems = CheckPane(pane);
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
