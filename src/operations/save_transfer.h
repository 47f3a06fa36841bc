#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "model/byte_buffer.h"
#include "model/gathered_save.h"
#include "operations/workbench.h"

// Moving saves out of panes, into them, and from one pane to the other.
// Export and import work on every container kind: SS_MEMS.BIN, backup RAM,
// and a chosen game's area of SS_SAVE.BIN.
namespace quillmere {

enum class ExportOutcome {
  kNoRow,        // nothing selected ("请先选中要导出的存档！" when interactive), or no such row
  kCollected,    // compacting: appended to collectedSaves, nothing written
  kWritten,      // the single save was written and transferPath set
  kIncomplete,   // written as far as it could be read, after "存档已损坏，数据不完整：" and its name
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
  kSro,    // NAME.SRO, with its checksum, in bench.sroFolder
};

// Starts a run of exports: no file name is taken twice in it, and nothing is
// written onto either pane's file (see ExportNames).
void StartExportRun(Workbench& bench);

// Exports one save of the pane as a SAROO single save named after the save
// (made safe for a file name) into bench.sarooFolder, or as a .BUP into
// bench.bupFolder, or as a .SRO into bench.sroFolder. Interactive: the first
// selected row, in a run of its own, and the file browser shows the file
// afterwards. Otherwise `transferRow`, within the run the caller started, and
// nothing is shown. While compacting, an SS_MEMS.BIN save is collected in
// memory instead. A save that cannot be read whole is written as far as it
// can be, and said to be incomplete.
ExportResult ExportSingleSave(Workbench& bench, int pane, ExportForm form = ExportForm::kSaroo);

enum class ImportOutcome {
  kNothing,      // no image, not an SS_MEMS.BIN pane, or the dialog was cancelled
  kCancelled,    // the same-name question was answered Cancel
  kSkipped,      // the name is listed and overwriting is off (transfers), silently
  kRefused,      // a message said why (a refusal for lack of room once per run); the image and file are as they were
  kImported,     // the image holds the save (and the file, unless writes are held or compacting)
  kWriteFailed,  // "写入文件失败！": the pane shows the file as it is on disk
};

struct ImportResult {
  ImportOutcome outcome = ImportOutcome::kNothing;
  std::string name;  // the save's stored name as text (the file's name where the file was not read)
  std::string newGame;  // SS_SAVE.BIN: the ID of the game entry this import added, without its padding
};

// The name a single-save file is listed under: its own name up to the first
// `extension` in any letter case (the whole name when there is none).
// Only for messages: a save is matched by the name it holds.
std::string SourceNameOf(const std::filesystem::path& file, std::string_view extension = ".bin");

// Imports one SAROO single save (or a .BUP, turned into one in memory, or a
// .SRO whose checksum matches) into the pane's SS_MEMS.BIN image: from a
// file picked in a dialog (interactive), from `transferPath` (transfers), or
// from `pendingImage` (compacting). A save whose stored name (its name bytes
// up to the first zero, at most 11) a slot also holds replaces that save
// after an OK per matching slot (interactive) or when overwriting on
// transfer is on; otherwise it is skipped. A SAROO or .BUP save that states
// more than 9,999,999 bytes is refused ("错误的存档格式！"). Every refusal is known before the
// image changes. Then the file is written and the pane reloaded, unless the
// pane holds its writes or a compaction runs. A .SRO whose checksum does not
// match is refused ("存档校验失败！", a line break and the path). An
// interactive import of a file already chosen (dropped on the pane) passes it
// as `file` and is asked no file dialog; it still asks the same-name
// questions and says when it is done.
ImportResult ImportSingleSave(Workbench& bench, int pane,
                              const std::optional<std::filesystem::path>& file = std::nullopt);

// Asks which game's area of the SS_SAVE.BIN pane takes the saves: the
// file's games, the selected row's game chosen, or a game ID typed in. An
// ID save_file::IsValidGameId refuses is said to be invalid and the question
// asked again. Sets bench.state.targetGame; false on Cancel.
bool ChooseTargetGame(Workbench& bench, int pane);

// Ends a run of imports whose writes the pane held: writes the image once and
// reloads the pane from the file (WritePaneImage). False, after the message
// that says why, when it was not written; the pane then shows the file as it is.
bool WriteHeldChanges(Workbench& bench, int pane);

// What a transfer did with each selected row, in row order.
struct TransferReport {
  std::vector<ExportResult> exports;
  std::vector<ImportResult> imports;  // kNothing where the export wrote no file
  bool writeFailed = false;           // the destination could not be written at the end
  bool cancelled = false;             // stopped through the host's progress: nothing was written
};

// How many saves of a run went in, were skipped for their name, and were
// refused (an import refused, or an export that could not be written).
struct TransferCounts {
  std::size_t imported = 0;
  std::size_t skipped = 0;
  std::size_t refused = 0;
  bool operator==(const TransferCounts&) const = default;
};
TransferCounts CountTransfer(const TransferReport& report);

// What a run tells at its end, given `said`, the messages it raised on its
// way: those as they were, when it skipped and refused nothing, was stopped
// or could not write; otherwise one `summary` message of its counts
// (imported, skipped, refused) with the first message said as the first
// refusal's reason, then the warnings of saves whose stated size was not
// their data's length (which are never that reason).
std::vector<Message> RunMessages(const TransferReport& report, std::vector<Message> said, TextId summary);

// Exports every selected row of `source` and imports it into `destination`,
// without dialogs or questions. A save that cannot be read whole is exported
// as far as it can be read and not imported. The destination file is written once at the
// end, exactly as if each import had written it; if that write fails, the
// file stays as it was before the transfer.
// Each step reports to the host's progress; stopped there, the destination
// is not written and shows its file again.
TransferReport TransferSaves(Workbench& bench, int source, int destination);

// Imports several single-save files (SAROO, .BUP, .SRO) into the pane as a
// transfer would: no dialog or question, a save whose name is listed skipped
// unless overwriting on transfer is on, and the file written once at the end.
// The report's exports stay empty.
TransferReport ImportSingleSaves(Workbench& bench, int pane, const std::vector<std::filesystem::path>& files);

}  // namespace quillmere
