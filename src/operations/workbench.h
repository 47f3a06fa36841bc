#pragma once

#include <array>
#include <filesystem>

#include "operations/host.h"
#include "operations/pane.h"
#include "operations/pane_load.h"
#include "operations/save_steps.h"

namespace quillmere {

// The window's two panes side by side, its two options, the folders its
// exports go to, and the host it talks through.
class Workbench {
 public:
  Workbench(std::filesystem::path programDirectory, Host& host);

  Pane& pane(int number) { return panes_[static_cast<std::size_t>(number - 1)]; }
  const Pane& pane(int number) const { return panes_[static_cast<std::size_t>(number - 1)]; }

  const std::filesystem::path& programDirectory() const { return programDirectory_; }
  Host& host() { return host_; }

  // Where exports go: the program's SAROO, BUP and SRO folders.
  std::filesystem::path sarooFolder;
  std::filesystem::path bupFolder;
  std::filesystem::path sroFolder;
  ExportFolders Folders() const { return {sarooFolder, bupFolder, sroFolder}; }

  bool clearUnusedOnRefresh = false;  // "刷新时清空未使用区域"
  bool overwriteOnTransfer = false;   // "转移时覆盖同名存档"
  // Whether the window has said that no version was kept (it says so once).
  bool historyNoteShown = false;

 private:
  std::filesystem::path programDirectory_;
  Host& host_;
  std::array<Pane, 2> panes_;
};

// Reads the pane's container file afresh and lists its saves, then tells the
// host. A file that exists but is refused (unreadable, too large) shows as
// missing, after its message. The clearing step runs when the option is on
// and `mayClear` (a reload after the program's own write does not clear).
void ReloadPane(Workbench& bench, int pane, bool mayClear = true);

// Selects a kind for the pane, then reloads it.
void SetPaneKind(Workbench& bench, int pane, ContainerKind kind);

// Loads the pane's container file from its folder. Pane 1 makes sure the
// OTHER folder exists; pane 2 does so for every kind but SS_MEMS.BIN.
PaneLoad LoadPaneFolder(ContainerKind kind, const std::filesystem::path& folder, int pane, bool clearUnused);

}  // namespace quillmere
