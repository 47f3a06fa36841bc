#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "containers/mems_image.h"
#include "model/byte_buffer.h"
#include "model/gathered_save.h"
#include "model/outcome.h"
#include "operations/container.h"
#include "operations/export_names.h"
#include "operations/import_step.h"

// The operations as steps over an opened container: each changes the
// container in memory, or makes bytes to write, and returns what it did.
// Only the container write (WriteContainer) and an export run touch files.
namespace quillmere {

// The listed save `record`, gathered from the container's image the way its
// kind stores it.
GatheredSave GatherSave(const Container& container, const SaveRecord& record);

// The SAROO single save of a gathered save.
ByteBuffer SingleSaveOf(const GatheredSave& save);

// The single-save forms a save can be exported in.
enum class ExportForm {
  kSaroo,  // NAME.bin
  kBup,    // NAME.BUP
  kSro,    // NAME.SRO, with its checksum
};

// One save made into a single-save file, not yet written.
struct ExportedSave {
  std::string name;      // the save's name as text
  std::string fileName;  // made safe for a file name, with its extension
  ByteBuffer saroo;      // the SAROO form, which an import takes
  ByteBuffer bytes;      // the file in the form asked for
  bool complete = true;  // false: the save could not be read whole; the bytes hold what could
};
ExportedSave ExportSave(const Container& container, const SaveRecord& record, ExportForm form);

// The folders an export run writes each form into.
struct ExportFolders {
  std::filesystem::path saroo;
  std::filesystem::path bup;
  std::filesystem::path sro;
  // The folder a save of `form` goes to.
  const std::filesystem::path& For(ExportForm form) const {
    return form == ExportForm::kBup ? bup : form == ExportForm::kSro ? sro : saroo;
  }
};

enum class ExportOutcome {
  kNoRow,        // nothing was exported
  kWritten,      // the single save was written
  kIncomplete,   // written as far as it could be read; `said` is "存档已损坏，数据不完整：" and its name
  kWriteFailed,  // `said` is "写入文件失败！" and the path
};

struct ExportResult {
  ExportOutcome outcome = ExportOutcome::kNoRow;
  std::filesystem::path path;
  std::optional<Message> said;
  std::string name;  // the save's name as text
};

// One export or transfer: no file name is taken twice in it, and nothing is
// written onto the files it protects (its source and target; see ExportNames).
class ExportRun {
 public:
  ExportRun(ExportFolders folders, std::vector<std::filesystem::path> protectedFiles);
  // Writes the save into its form's folder, made when missing. What could be
  // read is written (it may be all that is left of the save), but it is
  // never passed off as the whole save.
  ExportResult Write(const ExportedSave& save, ExportForm form);

 private:
  ExportFolders folders_;
  ExportNames names_;
};

// What a run of imports did with each save, in order.
struct TransferReport {
  std::vector<ExportResult> exports;  // a transfer's copies; empty for an import of files
  std::vector<ImportResult> imports;  // kNothing where the export wrote no copy
  bool cancelled = false;             // stopped through the progress sink: the container is as it was
  // Set by whoever writes the container at the end, when it could not be.
  bool writeFailed = false;
  std::optional<Message> writeSaid;
};

// Transfers `saves` of `source` into `target`: each is exported as a SAROO
// single save into the run's folder (a copy the user keeps), then imported
// from the bytes in memory. A save that cannot be read whole is exported as
// far as it can be and not imported; one whose copy could not be written is
// not imported either. Stopped through `progress`, `target` is as it was.
TransferReport TransferSaves(const Container& source, const std::vector<SaveRecord>& saves, Container& target,
                             const ImportPolicy& policy, ExportRun& copies, ProgressSink* progress);

// Imports single-save files (SAROO, .BUP, .SRO) into `target` the same way.
TransferReport ImportFiles(Container& target, const std::vector<std::filesystem::path>& files,
                           const ImportPolicy& policy, ProgressSink* progress);

// How many saves of a run went in, were skipped for their name, and were
// refused (an import refused, or a copy that could not be written).
struct TransferCounts {
  std::size_t imported = 0;
  std::size_t skipped = 0;
  std::size_t refused = 0;
  bool operator==(const TransferCounts&) const = default;
};
TransferCounts CountTransfer(const TransferReport& report);

// What each save of a run said, in the order it happened: its export's and
// its import's messages (a refusal for lack of room once: the saves after it
// meet the same full list or bitmap).
std::vector<std::vector<Message>> SaidPerSave(const TransferReport& report);

// Everything a run has to say, in the order it happened: each save's
// export and import messages (a refusal for lack of room once: the saves
// after it meet the same full list or bitmap), then the write's.
std::vector<Message> RunSaid(const TransferReport& report);

// Which counts a run's summary gives: saves moved between panes, or files
// dropped on one.
enum class RunSummary { kTransfer, kDrop };

// What a run tells at its end: what it said, as it was, when it skipped and
// refused nothing, was stopped or could not write; otherwise one `summary`
// message of its counts (imported, skipped, refused) that names each save
// skipped or refused with its reason, then the warnings of saves whose
// stated size was not their data's length (which are never a reason).
std::vector<Message> RunMessages(const TransferReport& report, RunSummary summary);

enum class CompactOutcome {
  kNothing,      // not an SS_MEMS.BIN, or no saves
  kCompacted,    // the container holds the compacted image (and, from a shell, the file)
  kRefused,      // `reason` says why; the container is as it was
  kCancelled,    // stopped through the progress sink; the container is as it was
  kWriteFailed,  // set by whoever writes: the file is as it was
};
struct CompactResult {
  CompactOutcome outcome = CompactOutcome::kNothing;
  std::optional<Message> reason;
};

// Rebuilds an SS_MEMS.BIN image with no gaps: every save of `order`, in that
// order, is lifted out into memory, the image is reset to its empty
// formatted state (identification and reserved header bytes kept, a short
// image lengthened to 8 MiB), and the saves are placed back, through the
// import step, into slots 1, 2, ... and clusters from 8 on, each under the
// name its slot listed. All or nothing. Progress counts the saves placed
// back (lifting them out takes no time worth showing).
CompactResult Compact(Container& container, const std::vector<SaveRecord>& order, ProgressSink* progress);

// Deletes `saves` from the container: SS_MEMS.BIN frees their slots and
// clusters; backup RAM, as the console does, clears each start block's
// marker; SS_SAVE.BIN unlinks each from its chain. The records follow.
void DeleteSaves(Container& container, const std::vector<SaveRecord>& saves);

// Mends the allocation records of an SS_MEMS.BIN or SS_SAVE.BIN. `changed`
// when the image is different now.
struct RepairResult {
  mems::MemsRepair repair;
  bool changed = false;
  std::optional<Message> refusal;  // not a kind with allocation records to rebuild, or too short
};
RepairResult Repair(Container& container);
// Why a repair cannot act on the container; nothing when it can.
std::optional<Message> RepairRefusal(const Container& container);

// The problems the container has: what its opening found, allocation
// records that disagree, and saves that cannot be read whole.
std::vector<Problem> Check(const Container& container);

}  // namespace quillmere
