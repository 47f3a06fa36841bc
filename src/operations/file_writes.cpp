#include "operations/file_writes.h"

#include "platform/file_io.h"
#include "platform/file_lock.h"

namespace quillmere {

bool WriteFileOrReport(Host& host, const std::filesystem::path& path, const ByteBuffer& bytes) {
  if (platform::WriteFileAtomic(path, bytes.bytes())) return true;
  host.ShowMessage({TextId::kWriteFailed, {platform::PathToUtf8(path)}, {}});
  return false;
}

bool WritePaneImage(Workbench& bench, int number) {
  Pane& pane = bench.pane(number);
  Host& host = bench.host();
  if (pane.writeRefusal) {
    host.ShowMessage(*pane.writeRefusal);
    ReloadPane(bench, number);
    return false;
  }
  const std::string where = platform::PathToUtf8(pane.file);
  bool written = false;
  bool changed = false;
  {
    const platform::FileLock lock = platform::FileLock::Acquire(pane.file);
    if (lock.status() == platform::LockStatus::kBusy) {
      host.ShowMessage({TextId::kFileBusy, {where}, {}});
    } else if (!lock.held()) {
      host.ShowMessage({TextId::kWriteFailed, {where}, {}});
    } else if (!pane.stamp || !platform::FileMatchesStamp(pane.file, *pane.stamp)) {
      changed = true;
    } else {
      switch (platform::ReplaceFileIfUnchanged(pane.file, pane.FileBytes().bytes(), pane.stamp->Identity())) {
        case platform::ReplaceOutcome::kReplaced: written = true; break;
        case platform::ReplaceOutcome::kChanged: changed = true; break;
        case platform::ReplaceOutcome::kFailed: host.ShowMessage({TextId::kWriteFailed, {where}, {}}); break;
      }
    }
  }
  ReloadPane(bench, number);
  if (changed) host.ShowMessage({TextId::kFileChanged, {where}, {}});
  return written;
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
