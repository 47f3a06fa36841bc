#pragma once

#include <filesystem>
#include <optional>

#include "model/byte_buffer.h"
#include "operations/host.h"
#include "operations/workbench.h"

// Every file an operation writes or reads whole goes through these, so a
// failure is always reported the same way and never taken for success.
namespace quillmere {

// Replaces `path` atomically with `bytes`. On failure shows "写入文件失败！",
// a line break and the path, and returns false; the old file is untouched.
bool WriteFileOrReport(Host& host, const std::filesystem::path& path, const ByteBuffer& bytes);

// Writes pane `number`'s image over its container file, then reloads the
// pane from the file, whatever happened. The write holds the file's lock and
// happens only if the file is still the one the pane loaded (its stamp):
// otherwise nothing is written and, after the reload, the host says
// "文件已被其他程序修改，已重新读取，请重试！". A lock another program holds
// past the wait gives "文件正被其他程序使用，请稍后再试！", a failed write
// (or a lock file that cannot be made: the write could not be either)
// "写入文件失败！"; each is followed by a line break and the path. True when
// the file was written.
bool WritePaneImage(Workbench& bench, int number);

// The whole file, or nothing after "读取文件失败！" (missing or unreadable)
// or "文件过大，无法读取！" (larger than any save file can be), each followed
// by a line break and the path.
std::optional<ByteBuffer> ReadFileOrReport(Host& host, const std::filesystem::path& path);

// Shows a file just written in the file browser; where none can be started,
// says where the file went instead ("文件已写入：", a line break, the path).
void RevealWrittenFile(Host& host, const std::filesystem::path& path);

}  // namespace quillmere
