#include "operations/history.h"

#include <array>
#include <map>
#include <utility>

#include "model/conversions.h"
#include "operations/file_writes.h"
#include "operations/pane_load.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"

namespace quillmere {

namespace {

namespace history = platform::history;

struct OperationName {
  WriteOperation operation;
  std::string_view word;
  Message text;
};
const std::array<OperationName, 8> kOperations = {{
    {WriteOperation::kImport, "import", OperationImport{}},
    {WriteOperation::kTransfer, "transfer", OperationTransfer{}},
    {WriteOperation::kDelete, "delete", OperationDelete{}},
    {WriteOperation::kCompact, "compact", OperationCompact{}},
    {WriteOperation::kRepair, "repair", OperationRepair{}},
    {WriteOperation::kClear, "clear", OperationClear{}},
    {WriteOperation::kFormat, "format", OperationFormat{}},
    {WriteOperation::kRestore, "restore", OperationRestore{}},
}};

}  // namespace

std::string_view OperationWord(WriteOperation operation) {
  for (const OperationName& name : kOperations) {
    if (name.operation == operation) return name.word;
  }
  return "write";
}

Message OperationMessage(std::string_view word) {
  for (const OperationName& name : kOperations) {
    if (name.word == word) return name.text;
  }
  return {OperationOther{word}, {}};
}

std::vector<ByteBuffer> NameFieldsOf(const std::vector<SaveRecord>& records) {
  std::vector<ByteBuffer> names;
  names.reserve(records.size());
  for (const SaveRecord& record : records) names.push_back(record.nameField);
  return names;
}

history::Saves SavesOf(const std::vector<ByteBuffer>& names) {
  history::Saves saves{names.size(), {}};
  for (const ByteBuffer& name : names) saves.names.push_back(DecodeName(name));
  return saves;
}

NameDifference Differences(const std::vector<std::string>& then, const std::vector<std::string>& now) {
  std::map<std::string, int> count;
  for (const std::string& name : then) ++count[name];
  for (const std::string& name : now) --count[name];
  NameDifference difference;
  for (const auto& [name, surplus] : count) {
    for (int i = 0; i < surplus; ++i) difference.added.push_back(name);
    for (int i = 0; i < -surplus; ++i) difference.removed.push_back(name);
  }
  return difference;
}

std::string NameDifference::Text() const {
  std::string text;
  for (const std::string& name : added) text += (text.empty() ? "+" : " +") + name;
  for (const std::string& name : removed) text += (text.empty() ? "-" : " -") + name;
  return text;
}

std::optional<Message> HistoryNote(const history::Failure& failure) {
  const std::string where = platform::PathToUtf8(failure.where);
  if (failure.kind == history::Failure::Kind::kIndexDamaged) return Message{HistoryIndexDamaged{where}, {}};
  return Message{HistoryNotKept{where, failure.reason.empty() ? std::string("?") : failure.reason}, {}};
}

history::Saves SavesInFile(const std::filesystem::path& file, const ByteBuffer& bytes) {
  ContainerReading reading;
  reading.contents = &bytes;
  const PaneLoad load = LoadContainerFile(file, false, reading);
  return load.refusal ? history::Saves{} : SavesOf(NameFieldsOf(load.records));
}

VersionChoice ChooseVersion(const std::filesystem::path& file, int number) {
  VersionChoice choice;
  const std::string where = platform::PathToUtf8(file);
  history::FileHistory read = history::Read(file);
  switch (read.state) {
    case history::IndexState::kOff: choice.said = Message{HistoryOff{}, {}}; return choice;
    case history::IndexState::kDamaged:
      choice.said = Message{HistoryIndexDamaged{platform::PathToUtf8(read.index)}, {}};
      return choice;
    case history::IndexState::kNone:
    case history::IndexState::kRead: break;
  }
  if (read.versions.empty()) {
    choice.said = Message{HistoryNone{where}, {}};
    return choice;
  }
  if (number < 1 || static_cast<std::size_t>(number) > read.versions.size()) {
    choice.said = Message{HistoryNoSuchVersion{where, number, read.versions.size()}, {}};
    return choice;
  }
  history::Version version = read.versions[read.versions.size() - static_cast<std::size_t>(number)];
  choice.chosen = ChosenVersion{std::move(read), std::move(version)};
  return choice;
}

VersionRead ReadVersion(const std::filesystem::path& file, const ChosenVersion& chosen, int number) {
  VersionRead read;
  if (auto bytes = history::VersionBytes(chosen.history, chosen.version)) {
    read.bytes = ByteBuffer(std::move(*bytes));
  } else {
    read.said = Message{HistoryVersionDamaged{platform::PathToUtf8(file), number}, {}};
  }
  return read;
}

bool ChangedElsewhere(const history::FileHistory& history, const ByteBuffer& current) {
  if (history.versions.empty()) return false;
  const history::Version& newest = history.versions.back();
  return newest.afterSize != current.size() || newest.afterCrc != history::Crc32(current.bytes());
}

RestoreOutcome RestoreVersion(const std::filesystem::path& file, int number) {
  RestoreOutcome outcome;
  const std::string where = platform::PathToUtf8(file);
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(file, ec);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    outcome.said = Message{NotRegularFile{where}, {}};
    return outcome;
  }
  VersionChoice choice = ChooseVersion(file, number);
  if (!choice.chosen) {
    outcome.said = std::move(choice.said);
    return outcome;
  }
  const VersionRead version = ReadVersion(file, *choice.chosen, number);
  if (!version.bytes) {
    outcome.said = version.said;
    return outcome;
  }
  // Held from the read of the file it replaces to the rename.
  const platform::FileLock lock = platform::FileLock::Acquire(file);
  if (lock.status() == platform::LockStatus::kBusy) {
    outcome.said = Message{FileBusy{where}, {}};
    return outcome;
  }
  const platform::FileContents current = platform::ReadFileChecked(file);
  if (current.status == platform::ReadStatus::kMissing) {
    // Nothing is replaced, so nothing is kept: the file comes back as it was.
    outcome.restored = platform::WriteFileAtomic(file, version.bytes->bytes());
    if (!outcome.restored) outcome.said = Message{WriteFailed{where}, {}};
    return outcome;
  }
  if (!current.ok()) {
    outcome.said = current.status == platform::ReadStatus::kTooLarge ? Message(FileTooLarge{where}) : Message(ReadFailed{where});
    return outcome;
  }
  const ByteBuffer now(current.bytes);
  std::optional<platform::FileStamp> stamp = platform::StampFile(file, current.bytes);
  const ContainerWrite write = ReplaceContainerFile(
      file, stamp, *version.bytes, {WriteOperation::kRestore, SavesInFile(file, now), choice.chosen->version.before});
  outcome.restored = write.written;
  outcome.said = write.said;
  outcome.historyNote = write.historyNote;
  return outcome;
}

}  // namespace quillmere
