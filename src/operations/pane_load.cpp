#include "operations/pane_load.h"

#include "containers/backup_memory_file.h"
#include "containers/backup_ram.h"
#include "containers/backup_ram_write.h"
#include "containers/mems_image.h"
#include "containers/save_file.h"
#include "model/save_header.h"
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
    case platform::ReadStatus::kUnreadable: RefusePaneLoad(load, {TextId::kReadFailed, {platform::PathToUtf8(file)}, {}}); break;
    case platform::ReadStatus::kTooLarge: RefusePaneLoad(load, {TextId::kFileTooLarge, {platform::PathToUtf8(file)}, {}}); break;
  }
  return load;
}

PaneLoad LoadMemsFile(const std::filesystem::path& file, std::size_t commentBytes, bool clearUnused) {
  // A file another program replaces between the read and the clearing step's
  // write is read again: a few times, then it is shown as read, uncleared.
  constexpr int kClearingAttempts = 3;
  for (int attempt = 1;; ++attempt) {
    PaneLoad load = ReadPaneFile(file);
    if (!load.fileFound) return load;
    mems::MemsListing listing = mems::ListMemsImage(load.image, commentBytes);
    load.remainingSpace = listing.remainingSpace;

    // An empty file has nothing to clear and is never rewritten. The write
    // takes the lock and makes sure the file is still the one read.
    if (clearUnused && !load.image.empty()) {
      ByteBuffer cleared = mems::ClearUnusedSpace(load.image, listing);
      if (cleared != load.image) {
        const platform::FileStamp read = platform::StampFile(load.file, load.image.bytes());
        const platform::FileLock lock = platform::FileLock::Acquire(load.file);
        const std::string where = platform::PathToUtf8(load.file);
        if (lock.status() == platform::LockStatus::kBusy) {
          load.failedWrite = Message{TextId::kFileBusy, {where}, {}};
        } else if (!lock.held()) {
          load.failedWrite = Message{TextId::kWriteFailed, {where}, {}};
        } else if (!platform::FileMatchesStamp(load.file, read)) {
          if (attempt < kClearingAttempts) continue;
        } else if (platform::WriteFileAtomic(load.file, cleared.bytes())) {
          load.image = std::move(cleared);
          load.stamp = platform::StampFile(load.file, load.image.bytes());
        } else {
          load.failedWrite = Message{TextId::kWriteFailed, {where}, {}};
        }
      }
    }
    load.records = std::move(listing.records);
    return load;
  }
}

// The layout a file's name stands for: BKRAMSV.BIN and SS_BUP.BIN (and the
// other container names, named with --kind) are word-wide.
std::optional<backup_ram::RamLayout> LayoutOfName(const std::filesystem::path& file) {
  if (ContainerKindFromFileName(platform::PathToUtf8(file.filename()))) return backup_ram::RamLayout::kWordWide;
  return std::nullopt;
}

// The pane's image becomes the RAM copy of the memory the file holds.
PaneLoad LoadBackupRamFile(const std::filesystem::path& file, const BackupRamReading& reading) {
  PaneLoad load = ReadPaneFile(file);
  if (!load.fileFound) return load;
  std::optional<backup_ram::MemoryFile> opened;
  if (load.image.size() <= backup_ram::kMaxFileSize) {
    opened = backup_ram::OpenMemoryFile(load.image, reading.layout ? reading.layout : LayoutOfName(file));
  }
  if (!opened) {
    RefusePaneLoad(load, {TextId::kWrongFormat, {}, {}});
    return load;
  }
  // The stamp is the file's own bytes: a compressed file is compared as it lies.
  load.stamp = platform::StampFile(file, load.image.bytes());
  load.form = opened->form;
  load.image = backup_ram::RamOf(*opened, reading.device);
  load.stored = std::move(opened->contents);
  backup_ram::BackupRamListing listing = backup_ram::ListBackupRam(load.image);
  load.records = std::move(listing.records);
  // A cartridge's blocks all count alike: its figure is its free blocks.
  load.remainingSpace = backup_ram::GeometryOfRam(load.image.size()).IsCartridge()
                            ? std::int64_t{backup_ram::FreeBlockCount(load.image)}
                            : listing.remainingSpace;
  return load;
}

// SS_SAVE.BIN has no remaining-space figure.
PaneLoad LoadSaveFile(const std::filesystem::path& file) {
  PaneLoad load = ReadPaneFile(file);
  if (load.fileFound) load.records = save_file::ListSaveFile(load.image).records;
  return load;
}

}  // namespace

std::size_t ShownCommentBytes(ContainerKind kind, int pane) {
  return kind == ContainerKind::kMems && pane == 2 ? save_header::kCommentSize : save_header::kShownCommentBytes;
}

PaneLoad LoadContainerFile(ContainerKind kind, const std::filesystem::path& file, std::size_t commentBytes,
                           bool clearUnused, const BackupRamReading& reading) {
  switch (kind) {
    case ContainerKind::kMems: return LoadMemsFile(file, commentBytes, clearUnused);
    case ContainerKind::kBkram:
    case ContainerKind::kBup: return LoadBackupRamFile(file, reading);
    case ContainerKind::kSave: return LoadSaveFile(file);
  }
  PaneLoad load;
  load.file = file;
  return load;
}

std::optional<ContainerKind> ContainerKindOfFile(const std::filesystem::path& file) {
  if (auto kind = ContainerKindFromFileName(platform::PathToUtf8(file.filename()))) return kind;
  // A file larger than any memory is not read to be told so.
  std::error_code error;
  const auto size = std::filesystem::file_size(file, error);
  if (error || size > backup_ram::kMaxFileSize) return std::nullopt;
  platform::FileContents contents = platform::ReadFileChecked(file);
  if (contents.status != platform::ReadStatus::kRead || contents.bytes.size() > backup_ram::kMaxFileSize) {
    return std::nullopt;
  }
  if (backup_ram::OpenMemoryFile(ByteBuffer(std::move(contents.bytes)), std::nullopt)) return ContainerKind::kBkram;
  return std::nullopt;
}

}  // namespace quillmere
