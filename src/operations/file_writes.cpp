#include "operations/file_writes.h"

#include "model/messages.h"
#include "platform/file_io.h"

namespace quillmere {

bool WriteFileOrReport(Host& host, const std::filesystem::path& path, const ByteBuffer& bytes) {
  if (platform::WriteFileAtomic(path, bytes.bytes())) return true;
  host.ShowMessage(messages::WriteFailed(platform::PathToUtf8(path)));
  return false;
}

std::optional<ByteBuffer> ReadFileOrReport(Host& host, const std::filesystem::path& path) {
  platform::FileContents contents = platform::ReadFileChecked(path);
  switch (contents.status) {
    case platform::ReadStatus::kRead: return ByteBuffer(std::move(contents.bytes));
    case platform::ReadStatus::kTooLarge: host.ShowMessage(messages::FileTooLarge(platform::PathToUtf8(path))); break;
    case platform::ReadStatus::kMissing:
    case platform::ReadStatus::kUnreadable: host.ShowMessage(messages::ReadFailed(platform::PathToUtf8(path))); break;
  }
  return std::nullopt;
}

void RevealWrittenFile(Host& host, const std::filesystem::path& path) {
  if (!host.RevealFile(path)) host.ShowMessage(messages::FileWritten(platform::PathToUtf8(path)));
}

}  // namespace quillmere
