#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "model/byte_buffer.h"
#include "model/outcome.h"
#include "model/save_record.h"
#include "operations/container.h"

// The one step every way into a container takes (import, transfer, drops,
// the command line's import, compaction): one SAROO single save placed in an
// opened container, in memory. Nothing is written to disk here.
namespace quillmere {

namespace backup_ram {
class BlockOccupancy;
}

// The decisions a step may need from whoever runs it. The window asks the
// user; the command line and tests answer from their options or a script.
class Questions {
 public:
  virtual ~Questions() = default;
  // Whether the save listed as `listed` may be replaced by `incoming` (its
  // name, date and size as its header states them).
  virtual bool ReplaceSave(const SaveRecord& listed, const SaveRecord& incoming) = 0;
};

// Reports a long run's progress; false from Report stops the run before
// anything is written.
class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // `done` of `total` steps are done; `done == total` ends the run.
  virtual bool Report(std::size_t done, std::size_t total) = 0;
};

// What happens to a save whose name the target already lists.
enum class SameName {
  kSkip,     // transfers and the command line without --overwrite
  kReplace,  // "转移时覆盖同名存档", --overwrite
  kAsk,      // the window's import: Questions::ReplaceSave, once per listed save
};

struct ImportPolicy {
  SameName sameName = SameName::kSkip;
  Questions* questions = nullptr;  // needed for SameName::kAsk; without it nothing is replaced
  // SS_SAVE.BIN: the game (its 16-byte ID) whose area takes the save.
  ByteBuffer game;
  // Compaction: the name the slot listed, which a damaged directory may hold
  // apart from the record's; the save is placed as a new one under it.
  std::optional<ByteBuffer> slotName;
  // The list the messages name: the window's pane number.
  int listNumber = 1;
  // A run of imports into a backup memory: its blocks, worked out once for
  // the run. Set by the run loops alone, while nothing but this step
  // changes the container.
  backup_ram::BlockOccupancy* occupancy = nullptr;
};

enum class ImportOutcome {
  kNothing,      // nothing was asked of the step (no file read, no export made)
  kCancelled,    // the same-name question was answered Cancel
  kSkipped,      // the name is listed and replacing is off
  kRefused,      // `reason` says why; the container is as it was
  kImported,     // the container holds the save as a new one
  kReplaced,     // the container holds the save in place of a listed one
  kWriteFailed,  // placed, but the file could not be written (set by whoever writes)
};

struct ImportResult {
  ImportOutcome outcome = ImportOutcome::kNothing;
  std::string name;     // the save's stored name as text (the file's name where the file was not read)
  std::string newGame;  // SS_SAVE.BIN: the ID of the game entry this import added, without its padding
  std::optional<Message> reason;  // why it was refused
  bool forLackOfRoom = false;     // the reason is a full list, bitmap, memory or area
  std::vector<Message> warnings;  // said whatever the outcome (sizes that differ)
  // Whether the save is in the container now.
  bool Placed() const { return outcome == ImportOutcome::kImported || outcome == ImportOutcome::kReplaced; }
};

// A single-save file read for import: the SAROO form of a SAROO, .BUP or
// .SRO file, or the refusal that says why it cannot be imported.
struct SingleSaveRead {
  std::string name;  // for messages: the file's name without ".bin"
  std::optional<ByteBuffer> saroo;
  std::optional<Message> refusal;
  std::vector<Message> warnings;
};
SingleSaveRead ReadSingleSave(const std::filesystem::path& file);

// Whether the file is a single save an import takes (SAROO, .BUP or .SRO).
bool IsSingleSaveFile(const std::filesystem::path& file);

// The name a single-save file is listed under: its own name up to the first
// `extension` in any letter case (the whole name when there is none).
// Only for messages: a save is matched by the name it holds.
std::string SourceNameOf(const std::filesystem::path& file, std::string_view extension = ".bin");

// Places the SAROO single save `saroo` in the container. A save whose stored
// name (its name bytes up to the first zero, at most 11) a listed save of the
// same area holds replaces it as the policy says; otherwise it is new. Every
// refusal is known before the image changes; the records follow the image,
// so a later save of the same run meets this one's name.
ImportResult ImportSave(Container& container, const ByteBuffer& saroo, const ImportPolicy& policy);

}  // namespace quillmere
