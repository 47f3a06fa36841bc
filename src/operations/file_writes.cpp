#include "operations/file_writes.h"

#include <thread>

#include "platform/file_io.h"
#include "platform/file_lock.h"

namespace quillmere {

ContainerWrite ReplaceContainerFile(const std::filesystem::path& file, std::optional<platform::FileStamp>& stamp,
                                    const ByteBuffer& bytes, const VersionFacts& facts) {
  ContainerWrite write;
  const std::string where = platform::PathToUtf8(file);
  const platform::FileLock lock = platform::FileLock::Acquire(file);
  if (lock.status() == platform::LockStatus::kBusy) {
    write.said = Message{FileBusy{where}, {}};
    return write;
  }
  if (!lock.held()) {
    write.said = Message{WriteFailed{where}, {}};
    return write;
  }
  const std::optional<platform::Bytes> previous = stamp ? platform::ReadIfMatchesStamp(file, *stamp) : std::nullopt;
  if (!previous) {
    write.changed = true;
    write.said = Message{FileChanged{where}, {}};
    return write;
  }
  // The version is deflated and kept, and its index made, while the new
  // bytes are written and synced: the one waits on the processor, the other
  // on the disk.
  platform::history::KeepResult kept;
  std::thread keeper([&] {
    kept = platform::history::Keep(file, *previous,
                                   {std::string(OperationWord(facts.operation)), facts.before, facts.after, &bytes.bytes()});
  });
  const platform::ReplaceOutcome replaced = platform::ReplaceFileIfUnchanged(file, bytes.bytes(), stamp->Identity());
  keeper.join();
  std::optional<platform::history::Failure> failure = kept.failure;
  switch (replaced) {
    case platform::ReplaceOutcome::kReplaced:
      write.written = true;
      stamp = platform::StampFile(file, bytes.bytes());
      if (kept.pending) failure = platform::history::Enter(*kept.pending);
      if (failure) write.historyNote = HistoryNote(*failure);
      return write;
    case platform::ReplaceOutcome::kChanged:
      write.changed = true;
      write.said = Message{FileChanged{where}, {}};
      break;
    case platform::ReplaceOutcome::kFailed: write.said = Message{WriteFailed{where}, {}}; break;
  }
  if (kept.pending) platform::history::Discard(*kept.pending);
  return write;
}

ContainerWrite WriteContainer(Container& container, WriteOperation operation) {
  if (container.writeRefusal) {
    ContainerWrite write;
    write.said = container.writeRefusal;
    return write;
  }
  ContainerWrite write =
      ReplaceContainerFile(container.file, container.stamp, container.FileBytes(),
                           {operation, SavesOf(container.namesAsRead), SavesOf(NameFieldsOf(container.records))});
  if (write.written) container.namesAsRead = NameFieldsOf(container.records);
  return write;
}

ContainerWrite WriteContainer(Host& host, Container& container, WriteOperation operation) {
  ContainerWrite write;
  host.RunSlow({WritingFile{platform::PathToUtf8(container.file)}, {}},
               [&](ProgressSink&) { write = WriteContainer(container, operation); });
  return write;
}

bool WriteFileOrReport(Host& host, const std::filesystem::path& path, const ByteBuffer& bytes) {
  bool written = false;
  host.RunSlow({WritingFile{platform::PathToUtf8(path)}, {}},
               [&](ProgressSink&) { written = platform::WriteFileAtomic(path, bytes.bytes()); });
  if (written) return true;
  host.ShowMessage({WriteFailed{platform::PathToUtf8(path)}, {}});
  return false;
}

bool WritePaneImage(Workbench& bench, int number, WriteOperation operation) {
  const ContainerWrite write = WriteContainer(bench.host(), bench.pane(number), operation);
  // A refusal is said before the pane shows the file again; a change after,
  // so the message speaks of the file the pane now shows.
  if (write.said && !write.changed) bench.host().ShowMessage(*write.said);
  ReloadPane(bench, number, false);
  if (write.changed) bench.host().ShowMessage(*write.said);
  TellHistoryNote(bench, write.historyNote);
  return write.written;
}

void TellHistoryNote(Workbench& bench, const std::optional<Message>& note) {
  if (!note || bench.historyNoteShown) return;
  bench.historyNoteShown = true;
  bench.host().ShowMessage(*note);
}

std::optional<ByteBuffer> ReadFileOrReport(Host& host, const std::filesystem::path& path) {
  platform::FileContents contents = platform::ReadFileChecked(path);
  switch (contents.status) {
    case platform::ReadStatus::kRead: return ByteBuffer(std::move(contents.bytes));
    case platform::ReadStatus::kTooLarge: host.ShowMessage({FileTooLarge{platform::PathToUtf8(path)}, {}}); break;
    case platform::ReadStatus::kMissing:
    case platform::ReadStatus::kUnreadable: host.ShowMessage({ReadFailed{platform::PathToUtf8(path)}, {}}); break;
  }
  return std::nullopt;
}

void RevealWrittenFile(Host& host, const std::filesystem::path& path) {
  if (!host.RevealFile(path)) host.ShowMessage({FileWritten{platform::PathToUtf8(path)}, {}});
}

}  // namespace quillmere
