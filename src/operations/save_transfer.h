#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "operations/save_steps.h"
#include "operations/workbench.h"

// The window's import, export and transfer: shells over the steps that take
// the window's selection, ask its questions, write the pane's file once, and
// tell the outcome through the host after the step returns.
namespace quillmere {

// Exports the first selected row of the pane as a SAROO single save named
// after the save (made safe for a file name) into bench.sarooFolder, or as a
// .BUP into bench.bupFolder, or as a .SRO into bench.sroFolder, in a run of
// its own; the file browser shows the file afterwards.
ExportResult ExportSingleSave(Workbench& bench, int pane, ExportForm form = ExportForm::kSaroo);

// The same export of `saves` of any container (a kept version's too); the
// first result, or none after "请先选择要导出的存档" when `saves` is empty.
ExportResult ExportSaves(Workbench& bench, const Container& from, const std::vector<SaveRecord>& saves,
                         ExportForm form);

// Imports one single save (SAROO, .BUP, or .SRO whose checksum matches) into
// the pane: `file`, or one picked in a dialog. Into SS_SAVE.BIN the game is
// asked first. A listed save of the same name is replaced after an OK per
// matching save. Then the file is written, the pane reloaded, and
// "导入完成" said (with the game entry it added).
ImportResult ImportSingleSave(Workbench& bench, int pane,
                              const std::optional<std::filesystem::path>& file = std::nullopt);

// "导入": single saves picked in a dialog that takes several. One file is
// imported as ImportSingleSave imports it, with its same-name question and
// "导入完成！"; several as a drop of several files is, told in one summary.
// Nothing happens when the dialog is cancelled.
void ImportPickedSaves(Workbench& bench, int pane);

// Asks which game's area of the SS_SAVE.BIN pane takes the saves: the
// file's games, the selected row's game chosen, or a game ID typed in. An
// ID save_file::IsValidGameId refuses is said to be invalid and the question
// asked again. The game's 16-byte ID; nothing on Cancel.
std::optional<ByteBuffer> ChooseTargetGame(Workbench& bench, int pane);

// Exports every selected row of `source` into bench.sarooFolder and imports
// it into `destination` without questions (a listed name replaced only when
// overwriteOnTransfer), writes the destination once, reloads it, and tells
// the run: `summary` with its counts where anything was skipped or refused.
TransferReport TransferSaves(Workbench& bench, int source, int destination,
                             RunSummary summary = RunSummary::kTransfer);

// Imports several single-save files into the pane the same way.
TransferReport ImportSingleSaves(Workbench& bench, int pane, const std::vector<std::filesystem::path>& files,
                                 RunSummary summary = RunSummary::kDrop);

}  // namespace quillmere
