#include "operations/file_writes.h"

#include "platform/file_io.h"
#include "platform/file_lock.h"

namespace quillmere {

ContainerWrite WriteContainer(Container& container) {
  ContainerWrite write;
  if (container.writeRefusal) {
    write.said = container.writeRefusal;
    return write;
  }
  const std::string where = platform::PathToUtf8(container.file);
  const platform::FileLock lock = platform::FileLock::Acquire(container.file);
  if (lock.status() == platform::LockStatus::kBusy) {
    write.said = Message{TextId::kFileBusy, {where}, {}};
    return write;
  }
  if (!lock.held()) {
    write.said = Message{TextId::kWriteFailed, {where}, {}};
    return write;
  }
  if (!container.stamp || !platform::FileMatchesStamp(container.file, *container.stamp)) {
    write.changed = true;
  } else {
    const ByteBuffer bytes = container.FileBytes();
    switch (platform::ReplaceFileIfUnchanged(container.file, bytes.bytes(), container.stamp->Identity())) {
      case platform::ReplaceOutcome::kReplaced:
        write.written = true;
        container.stamp = platform::StampFile(container.file, bytes.bytes());
        return write;
      case platform::ReplaceOutcome::kChanged: write.changed = true; break;
      case platform::ReplaceOutcome::kFailed: write.said = Message{TextId::kWriteFailed, {where}, {}}; return write;
    }
  }
  write.said = Message{TextId::kFileChanged, {where}, {}};
  return write;
}

ContainerWrite WriteContainer(Host& host, Container& container) {
  ContainerWrite write;
  host.RunSlow({TextId::kWritingFile, {platform::PathToUtf8(container.file)}, {}},
               [&](ProgressSink&) { write = WriteContainer(container); });
  return write;
}

bool WriteFileOrReport(Host& host, const std::filesystem::path& path, const ByteBuffer& bytes) {
  bool written = false;
  host.RunSlow({TextId::kWritingFile, {platform::PathToUtf8(path)}, {}},
               [&](ProgressSink&) { written = platform::WriteFileAtomic(path, bytes.bytes()); });
  if (written) return true;
  host.ShowMessage({TextId::kWriteFailed, {platform::PathToUtf8(path)}, {}});
  return false;
}

bool WritePaneImage(Workbench& bench, int number) {
  const ContainerWrite write = WriteContainer(bench.host(), bench.pane(number));
  // A refusal is said before the pane shows the file again; a change after,
  // so the message speaks of the file the pane now shows.
  if (write.said && !write.changed) bench.host().ShowMessage(*write.said);
  ReloadPane(bench, number, false);
  if (write.changed) bench.host().ShowMessage(*write.said);
  return write.written;
}

std::optional<ByteBuffer> ReadFileOrReport(Host& host, const std::filesystem::path& path) {
  platform::FileContents contents = platform::ReadFileChecked(path);
  switch (contents.status) {
    case platform::ReadStatus::kRead: return ByteBuffer(std::move(contents.bytes));
    case platform::ReadStatus::kTooLarge: host.ShowMessage({TextId::kFileTooLarge, {platform::PathToUtf8(path)}, {}}); break;
    case platform::ReadStatus::kMissing:
    case platform::ReadStatus::kUnreadable: host.ShowMessage({TextId::kReadFailed, {platform::PathToUtf8(path)}, {}}); break;
  }
  return std::nullopt;
}

void RevealWrittenFile(Host& host, const std::filesystem::path& path) {
  if (!host.RevealFile(path)) host.ShowMessage({TextId::kFileWritten, {platform::PathToUtf8(path)}, {}});
}

}  // namespace quillmere
