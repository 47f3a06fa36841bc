#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "containers/backup_memory_file.h"
#include "model/byte_buffer.h"
#include "model/container_kind.h"
#include "model/outcome.h"
#include "model/save_record.h"
#include "platform/file_lock.h"

namespace quillmere {

// What loading one pane's container file yields.
struct PaneLoad {
  bool fileFound = false;  // false: the pane shows its placement hint
  std::filesystem::path file;
  ByteBuffer image;   // the file's bytes; for backup RAM, the RAM copy
  ByteBuffer stored;  // backup RAM: the file's bytes, decompressed
  backup_ram::MemoryFileForm form;  // backup RAM: how the file holds it
  std::vector<SaveRecord> records;
  // The figure beside "剩余:"; absent when the file is missing or the kind has none.
  std::optional<std::int64_t> remainingSpace;

  // Set when the clearing step could not write the file back: the message
  // that says why (kWriteFailed or kFileBusy, with the path).
  std::optional<Message> failedWrite;
  // The file as the clearing step wrote it back; unset when it wrote nothing.
  std::optional<platform::FileStamp> stamp;
  // Set when the file exists but was refused: it could not be read whole
  // (kReadFailed), is too large for any container (kFileTooLarge) or for its
  // kind (kWrongFormat). The message is shown once; the pane shows the file
  // as missing, and nothing is ever written over it.
  std::optional<Message> refusal;
};

// How to read a backup-RAM file: the layout a user named (none: the four
// container names are word-wide, any other file is recognised by its
// content), and which memory of a file of two (a file of one has only that).
struct BackupRamReading {
  std::optional<backup_ram::RamLayout> layout;
  backup_ram::Device device = backup_ram::Device::kInternal;
};

// The comment bytes pane `pane` shows for `kind`: SS_MEMS.BIN shows 10 in
// pane 1 and all 12 in pane 2; the other kinds show 10 in both.
std::size_t ShownCommentBytes(ContainerKind kind, int pane);

// Reads a container file of `kind` and lists its saves, each comment cut to
// `commentBytes`. SS_MEMS.BIN runs the clearing step when `clearUnused` is
// set, and writes the cleared image back. A missing file is reported, never
// created; a file that exists but cannot be read whole, or is too large for
// any container or for its kind, is refused. Backup RAM is read as
// `reading` says.
PaneLoad LoadContainerFile(ContainerKind kind, const std::filesystem::path& file, std::size_t commentBytes,
                           bool clearUnused, const BackupRamReading& reading = {});

// The kind of a container file: by its name, or for any other name a backup
// memory recognised by its content (kBkram). Nothing when neither tells.
std::optional<ContainerKind> ContainerKindOfFile(const std::filesystem::path& file);

}  // namespace quillmere
