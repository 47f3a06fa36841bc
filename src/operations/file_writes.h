#pragma once

#include <filesystem>
#include <optional>

#include "model/byte_buffer.h"
#include "operations/container.h"
#include "operations/history.h"
#include "operations/host.h"
#include "operations/workbench.h"

// Every container write goes through WriteContainer, and every file an
// operation writes or reads whole through these, so a failure is always
// reported the same way and never taken for success.
namespace quillmere {

// The locked, checked write of a container.
struct ContainerWrite {
  bool written = false;
  bool changed = false;          // the file is no longer the one read: nothing was written
  std::optional<Message> said;   // why it was not written, with the path
  // Written, but no version of what it replaced was kept: why.
  std::optional<Message> historyNote;
};

// What a write records of the version it replaces: the operation, and the
// saves the file held and will hold.
struct VersionFacts {
  WriteOperation operation = WriteOperation::kImport;
  platform::history::Saves before;
  platform::history::Saves after;
};

// The one locked, checked replacement of a container file: under the file's
// lock, only if it is still the file `stamp` was taken of, atomically. The
// bytes the check read are kept as a version of the file's history before
// the rename, and enter its index once the rename has succeeded; a history
// that cannot be written never stops the write (`historyNote` says so). On
// success `stamp` is the new file's.
ContainerWrite ReplaceContainerFile(const std::filesystem::path& file, std::optional<platform::FileStamp>& stamp,
                                    const ByteBuffer& bytes, const VersionFacts& facts);

// Writes the container's bytes over its file, holding the file's lock, and
// only if the file is still the one read (its stamp). Nothing is written to
// a file no writer may act on (its refusal is said), one another program
// holds past the wait ("文件正被其他程序使用，请稍后再试！"), or one that
// changed ("文件已被其他程序修改，已重新读取，请重试！"); a failed write (or a
// lock file that cannot be made: the write could not be either) says
// "写入文件失败！". Each message names the path. A written container's stamp
// is the new file's. The version it replaces is kept as `operation`'s.
ContainerWrite WriteContainer(Container& container, WriteOperation operation);

// The same write, run as the host's slow work ("正在写入文件，请稍候："):
// off the window's thread, which the lock wait, the sync and the keeping of
// the version may hold long.
ContainerWrite WriteContainer(Host& host, Container& container, WriteOperation operation);

// Replaces `path` atomically with `bytes`. On failure shows "写入文件失败！",
// a line break and the path, and returns false; the old file is untouched.
bool WriteFileOrReport(Host& host, const std::filesystem::path& path, const ByteBuffer& bytes);

// Writes pane `number`'s container (WriteContainer), then reloads the pane
// from the file, whatever happened, and says why when it was not written.
// True when the file was written.
bool WritePaneImage(Workbench& bench, int number, WriteOperation operation);

// Shows why no version was kept, the first time in this window only: a
// history folder that cannot be written would otherwise say so at every write.
void TellHistoryNote(Workbench& bench, const std::optional<Message>& note);

// The whole file, or nothing after "读取文件失败！" (missing or unreadable)
// or "文件过大，无法读取！" (larger than any save file can be), each followed
// by a line break and the path.
std::optional<ByteBuffer> ReadFileOrReport(Host& host, const std::filesystem::path& path);

// Shows a file just written in the file browser; where none can be started,
// says where the file went instead ("文件已写入：", a line break, the path).
void RevealWrittenFile(Host& host, const std::filesystem::path& path);

}  // namespace quillmere
