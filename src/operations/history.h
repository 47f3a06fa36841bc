#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/byte_buffer.h"
#include "model/outcome.h"
#include "model/save_record.h"
#include "platform/history.h"

// Taking a write back: what each write records of the file it replaces, and
// restoring one of the versions kept.
namespace quillmere {

// The writes that keep the version they replace.
enum class WriteOperation { kImport, kTransfer, kDelete, kCompact, kRepair, kClear, kFormat, kRestore };

// The word the index stores for an operation ("import"): stable, for scripts.
std::string_view OperationWord(WriteOperation operation);
// The text that names the operation of an index word; a word of a later
// release names itself.
Message OperationMessage(std::string_view word);

// The name fields of `records`, in their order.
std::vector<ByteBuffer> NameFieldsOf(const std::vector<SaveRecord>& records);
// The saves of those name fields, decoded, as a version records them.
platform::history::Saves SavesOf(const std::vector<ByteBuffer>& names);

// The names one list holds more often than the other: `added` for a save
// the version held that the file does not hold now (a restore brings it
// back), `removed` for one it holds now that the version did not.
struct NameDifference {
  std::vector<std::string> added;
  std::vector<std::string> removed;
  // "+NAME -NAME": the added, then the removed.
  std::string Text() const;
};
NameDifference Differences(const std::vector<std::string>& then, const std::vector<std::string>& now);

// What a version-keeping write tells besides its outcome: no version was
// kept (the history folder cannot be written, or its index is damaged).
std::optional<Message> HistoryNote(const platform::history::Failure& failure);

// The saves a container file's bytes hold, as the opener and the listers
// find them; none when they are no container it can open.
platform::history::Saves SavesInFile(const std::filesystem::path& file, const ByteBuffer& bytes);

// One version of a file's history, by its number: 1 is the one before the
// last write. Nothing, after the reason, when there is none such or the
// history cannot be read.
struct ChosenVersion {
  platform::history::FileHistory history;
  platform::history::Version version;
};
struct VersionChoice {
  std::optional<ChosenVersion> chosen;
  std::optional<Message> said;
};
VersionChoice ChooseVersion(const std::filesystem::path& file, int number);

// The bytes of a chosen version, checked; nothing, after the reason, when
// it is damaged or gone.
struct VersionRead {
  std::optional<ByteBuffer> bytes;
  std::optional<Message> said;
};
VersionRead ReadVersion(const std::filesystem::path& file, const ChosenVersion& chosen, int number);

// Whether the file on disk is no longer what Quillmere last wrote to it:
// another program (on an SD card, usually the console) changed it since.
bool ChangedElsewhere(const platform::history::FileHistory& history, const ByteBuffer& current);

// Puts version `number` of `file` back, byte for byte: under the file's lock,
// only if the file is still the one just read, atomically, and recorded as a
// version itself (so a restore can be taken back). Refused for a damaged
// version and for anything that is not a regular file; a missing file is
// made again.
struct RestoreOutcome {
  bool restored = false;
  std::optional<Message> said;         // why it was not, with the path
  std::optional<Message> historyNote;  // no version was kept of what it replaced
};
RestoreOutcome RestoreVersion(const std::filesystem::path& file, int number);

}  // namespace quillmere
