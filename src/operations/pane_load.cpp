#include "operations/pane_load.h"

#include "containers/backup_memory_file.h"
#include "containers/backup_ram.h"
#include "containers/backup_ram_write.h"
#include "containers/mems_image.h"
#include "containers/save_file.h"
#include "model/save_header.h"
#include "operations/file_writes.h"
#include "platform/file_io.h"

namespace quillmere {

namespace {

// Marks a load as refused with `message`: the records and the image are
// dropped and the pane shows its placement hint.
void RefusePaneLoad(PaneLoad& load, Message message) {
  const std::filesystem::path file = load.file;
  load = PaneLoad{};
  load.file = file;
  load.refusal = std::move(message);
}

// Starts a load: the file's whole bytes as the image when it exists,
// `fileFound` false (and nothing read) when it does not. A file that exists
// but cannot be read whole, or is too large, is not found either, and
// `refusal` says why.
PaneLoad ReadPaneFile(const std::filesystem::path& file) {
  PaneLoad load;
  load.file = file;
  platform::FileContents contents = platform::ReadFileChecked(file);
  switch (contents.status) {
    case platform::ReadStatus::kRead:
      load.fileFound = true;
      load.image = ByteBuffer(std::move(contents.bytes));
      break;
    case platform::ReadStatus::kMissing: break;
    case platform::ReadStatus::kUnreadable: RefusePaneLoad(load, {ReadFailed{platform::PathToUtf8(file)}, {}}); break;
    case platform::ReadStatus::kTooLarge: RefusePaneLoad(load, {FileTooLarge{platform::PathToUtf8(file)}, {}}); break;
  }
  return load;
}

// The clearing step: writes the image back with the space no save uses
// cleared, under the file's lock and only if the file is still the one read.
// False when the file changed since it was read (the caller reads it again).
bool ClearUnusedSpace(PaneLoad& load, const mems::MemsListing& listing) {
  ByteBuffer cleared = mems::ClearUnusedSpace(load.image, listing);
  if (cleared == load.image) return true;
  const platform::history::Saves saves = SavesOf(NameFieldsOf(listing.records));
  const ContainerWrite write = ReplaceContainerFile(load.file, load.stamp, cleared, {WriteOperation::kClear, saves, saves});
  if (write.changed) return false;
  if (write.written) load.image = std::move(cleared);
  load.failedWrite = write.said;
  load.historyNote = write.historyNote;
  return true;
}

// Lists what the opening established; false when the clearing step found
// the file changed since it was read and `mayRetry`.
bool ListOpened(PaneLoad& load, OpenedContainer& opened, bool clearUnused, bool mayRetry) {
  load.kind = opened.kind;
  load.device = opened.device;
  load.image = std::move(opened.image);
  load.openingProblems = std::move(opened.problems);
  load.writeRefusal = std::move(opened.writeRefusal);
  if (opened.IsBackupMemory()) {
    load.form = opened.memory.form;
    load.stored = std::move(opened.memory.contents);
    load.geometry = opened.geometry;
    load.presentBytes = opened.presentBytes;
  }
  if (opened.kind == ContainerKind::kMems) {
    mems::MemsListing listing = mems::ListMemsImage(load.image, save_header::kCommentSize);
    load.remainingSpace = listing.remainingSpace;
    // An empty file, or one no writer may act on, is never rewritten.
    if (clearUnused && !load.writeRefusal && !load.image.empty() && !ClearUnusedSpace(load, listing) && mayRetry) {
      return false;
    }
    load.records = std::move(listing.records);
    return true;
  }
  load.remainingSpace = load.ListAgain();
  return true;
}

}  // namespace

std::size_t ShownCommentBytes(ContainerKind kind, int pane) {
  return kind == ContainerKind::kMems && pane == 2 ? save_header::kCommentSize : save_header::kShownCommentBytes;
}

PaneLoad LoadContainerFile(const std::filesystem::path& file, bool clearUnused, const ContainerReading& reading) {
  // A file another program replaces between the read and the clearing step's
  // write is read again: a few times, then it is shown as read, uncleared.
  constexpr int kClearingAttempts = 3;
  for (int attempt = 1;; ++attempt) {
    PaneLoad load;
    if (reading.contents) {
      // A kept version: listed as the file was, and never written.
      load.file = file;
      load.fileFound = true;
      load.image = *reading.contents;
      clearUnused = false;
    } else {
      load = ReadPaneFile(file);
      if (!load.fileFound) return load;
      // The stamp is the file's own bytes: a compressed file is compared as it lies.
      if (!reading.listingOnly || clearUnused) load.stamp = platform::StampFile(file, load.image.bytes());
    }
    OpenOutcome outcome = OpenContainer(std::move(load.image), {platform::PathToUtf8(file.filename()), reading.kind,
                                                                reading.layout, reading.device, reading.blockSize});
    if (auto* refusal = std::get_if<OpenRefusal>(&outcome)) {
      RefusePaneLoad(load, std::move(refusal->message));
      load.kindUnknown = refusal->failure == OpenFailure::kUnknownKind;
      return load;
    }
    if (ListOpened(load, std::get<OpenedContainer>(outcome), clearUnused, attempt < kClearingAttempts)) {
      // Only a file that may be written needs them.
      if (load.stamp) load.namesAsRead = NameFieldsOf(load.records);
      return load;
    }
  }
}

std::optional<ContainerKind> ContainerKindOfFile(const std::filesystem::path& file) {
  const std::optional<ContainerKind> byName = ContainerKindFromFileName(platform::PathToUtf8(file.filename()));
  platform::FileContents contents = platform::ReadFileChecked(file);
  if (contents.status != platform::ReadStatus::kRead) return byName;
  const OpenOutcome outcome = OpenContainer(ByteBuffer(std::move(contents.bytes)), {platform::PathToUtf8(file.filename()), {}, {}, {}, {}});
  if (const auto* opened = std::get_if<OpenedContainer>(&outcome)) return opened->kind;
  return std::nullopt;
}

}  // namespace quillmere
