#include "operations/container.h"

#include <set>

#include "containers/backup_ram.h"
#include "containers/backup_ram_write.h"
#include "containers/mems_image.h"
#include "containers/save_file.h"
#include "model/save_header.h"

namespace quillmere {

ByteBuffer Container::FileBytes() const {
  if (IsBackupMemory()) return backup_ram::FileWithRam({form, stored}, device, image);
  return image;
}

std::optional<std::int64_t> Container::ListAgain() {
  switch (kind) {
    case ContainerKind::kMems: {
      mems::MemsListing listing = mems::ListMemsImage(image, save_header::kCommentSize);
      records = std::move(listing.records);
      return listing.remainingSpace;
    }
    case ContainerKind::kBkram:
    case ContainerKind::kBup: {
      backup_ram::BackupRamListing listing = backup_ram::ListBackupRam(image, geometry);
      records = std::move(listing.records);
      // A cartridge's blocks all count alike: its figure is its free blocks.
      return geometry.IsCartridge() ? std::int64_t{backup_ram::FreeBlockCount(image, geometry)}
                                    : listing.remainingSpace;
    }
    case ContainerKind::kSave: records = save_file::ListSaveFile(image).records; return std::nullopt;
  }
  return std::nullopt;
}

std::vector<SaveRecord> RecordsAt(const Container& container, const std::vector<std::size_t>& offsets) {
  const std::set<std::size_t> wanted(offsets.begin(), offsets.end());
  std::vector<SaveRecord> found;
  for (const SaveRecord& record : container.records) {
    if (wanted.count(record.offset) != 0) found.push_back(record);
  }
  return found;
}

}  // namespace quillmere
