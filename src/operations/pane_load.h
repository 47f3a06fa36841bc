#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "containers/backup_memory_file.h"
#include "containers/container_opener.h"
#include "model/byte_buffer.h"
#include "model/container_kind.h"
#include "model/outcome.h"
#include "model/save_record.h"
#include "operations/container.h"
#include "platform/file_lock.h"

namespace quillmere {

// What loading a container file yields: the opened container, or why
// there is none.
struct PaneLoad : Container {
  bool fileFound = false;  // false: the pane shows its placement hint
  // The figure beside "剩余:"; absent when the file is missing or the kind has none.
  std::optional<std::int64_t> remainingSpace;

  // Set when the clearing step could not write the file back: the message
  // that says why (kWriteFailed or kFileBusy, with the path).
  std::optional<Message> failedWrite;
  // Set when the clearing step wrote the file but kept no version of it: why.
  std::optional<Message> historyNote;
  // Set when the file exists but was refused: it could not be read whole
  // (kReadFailed), is too large for any container (kFileTooLarge) or for its
  // kind (kWrongFormat). The message is shown once; the pane shows the file
  // as missing, and nothing is ever written over it.
  std::optional<Message> refusal;
  // Set with `refusal` when neither the name, the content nor the user told what the file is.
  bool kindUnknown = false;
};

// What a user named of a file: the kind and, for a backup memory, the
// layout (--kind; none: the name and the content tell), and which memory of
// a file of two (a file of one has only that).
struct ContainerReading {
  std::optional<ContainerKind> kind;
  std::optional<backup_ram::RamLayout> layout;
  backup_ram::Device device = backup_ram::Device::kInternal;
  std::optional<std::size_t> blockSize;
  // Set for a listing that nothing will write: no stamp is taken, which
  // would read every byte of the file once more.
  bool listingOnly = false;
  // The file's bytes as they were (a kept version), read instead of the
  // file: listed and checked, never written.
  const ByteBuffer* contents = nullptr;
};

// The comment bytes pane `pane` shows for `kind`: SS_MEMS.BIN shows 10 in
// pane 1 and all 12 in pane 2; the other kinds show 10 in both.
std::size_t ShownCommentBytes(ContainerKind kind, int pane);

// Reads a container file, opens it (OpenContainer: its name, its content and
// `reading` establish what it holds) and lists its saves. An SS_MEMS.BIN
// that may be written runs the clearing step when `clearUnused` is set, and
// writes the cleared image back. A missing file is reported, never created;
// a file that exists but cannot be read whole, is too large, or cannot be
// opened is refused.
PaneLoad LoadContainerFile(const std::filesystem::path& file, bool clearUnused, const ContainerReading& reading = {});

// The kind of a container file as the opener establishes it from its name
// and content. Nothing when neither tells, or the file cannot be read.
std::optional<ContainerKind> ContainerKindOfFile(const std::filesystem::path& file);

}  // namespace quillmere
