#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "model/byte_buffer.h"
#include "model/gathered_save.h"
#include "operations/workbench.h"

// Moving saves out of panes, into SS_MEMS.BIN panes, and from one pane to the
// other. Export works on every container kind; import only on SS_MEMS.BIN.
namespace quillmere {

enum class ExportOutcome {
  kNoRow,        // nothing selected ("请先选中要导出的存档！" when interactive), or no such row
  kCollected,    // compacting: appended to collectedSaves, nothing written
  kWritten,      // the single save was written and transferPath set
  kWriteFailed,  // "写入文件失败！" and the path were shown; transferPath untouched
};

struct ExportResult {
  ExportOutcome outcome = ExportOutcome::kNoRow;
  std::filesystem::path path;
};

// The listed save at `row` of the pane, gathered from the pane's image the
// way its container kind stores it.
GatheredSave GatherSave(const Pane& pane, std::size_t row);

// The SAROO single save of a gathered save.
ByteBuffer SingleSaveOf(const GatheredSave& save);

// The single-save forms a save can be exported in.
enum class ExportForm {
  kSaroo,  // NAME.bin in bench.sarooFolder
  kBup,    // NAME.BUP in bench.bupFolder
};

// Exports one save of the pane as a SAROO single save named after the save
// (made safe for a file name) into bench.sarooFolder, or as a .BUP into
// bench.bupFolder. Interactive: the first
// selected row, and the file browser shows the file afterwards. Otherwise
// `transferRow`, and nothing is shown. While compacting, an SS_MEMS.BIN save
// is collected in memory instead.
ExportResult ExportSingleSave(Workbench& bench, int pane, ExportForm form = ExportForm::kSaroo);

enum class ImportOutcome {
  kNothing,      // no image, not an SS_MEMS.BIN pane, or the dialog was cancelled
  kCancelled,    // the same-name question was answered Cancel
  kSkipped,      // the name is listed and overwriting is off (transfers), silently
  kRefused,      // a message said why; the image and the file are as they were
  kImported,     // the image holds the save (and the file, unless writes are held or compacting)
  kWriteFailed,  // "写入文件失败！": the pane shows the file as it is on disk
};

struct ImportResult {
  ImportOutcome outcome = ImportOutcome::kNothing;
  std::string name;  // the name compared with the list (the file's name before ".bin")
};

// The name a single-save file is listed under: its own name up to the first
// `extension` in any letter case (the whole name when there is none).
std::string SourceNameOf(const std::filesystem::path& file, std::string_view extension = ".bin");

// Imports one SAROO single save (or a .BUP, turned into one in memory, listed
// under its name before ".bup") into the pane's SS_MEMS.BIN image: from a
// file picked in a dialog (interactive), from `transferPath` (transfers), or
// from `pendingImage` (compacting). A save whose name is listed replaces that
// save after an OK per matching row (interactive) or when overwriting on
// transfer is on; otherwise it is skipped. Every refusal is known before the
// image changes. Then the file is written and the pane reloaded, unless the
// pane holds its writes or a compaction runs. An interactive import of a file
// already chosen (dropped on the pane) passes it as `file` and is asked no
// file dialog; it still asks the same-name questions and says when it is done.
ImportResult ImportSingleSave(Workbench& bench, int pane,
                              const std::optional<std::filesystem::path>& file = std::nullopt);

// Ends a run of imports whose writes the pane held: writes the image once and
// reloads the pane from the file (WritePaneImage). False, after the message
// that says why, when it was not written; the pane then shows the file as it is.
bool WriteHeldChanges(Workbench& bench, int pane);

// What a transfer did with each selected row, in row order.
struct TransferReport {
  std::vector<ExportResult> exports;
  std::vector<ImportResult> imports;  // kNothing where the export wrote no file
  bool writeFailed = false;           // the destination could not be written at the end
};

// Exports every selected row of `source` and imports it into `destination`,
// without dialogs or questions. The destination file is written once at the
// end, exactly as if each import had written it; if that write fails, the
// file stays as it was before the transfer.
TransferReport TransferSaves(Workbench& bench, int source, int destination);

}  // namespace quillmere
