#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "containers/backup_memory_file.h"
#include "model/byte_buffer.h"
#include "model/container_kind.h"
#include "model/outcome.h"
#include "model/save_record.h"
#include "platform/file_lock.h"
#include "platform/history.h"

namespace quillmere {

// An opened container file as the operations act on it: what the opening
// established, the image, and the saves listed from it. The steps change the
// image and the records in memory; one checked write puts it on disk.
struct Container {
  std::filesystem::path file;  // in its own letter case; a write replaces it
  ContainerKind kind = ContainerKind::kMems;
  backup_ram::Device device = backup_ram::Device::kInternal;
  ByteBuffer image;   // the file's bytes; for backup RAM, the RAM copy
  ByteBuffer stored;  // backup RAM: the file as read (decompressed), whose other bytes a write keeps
  backup_ram::MemoryFileForm form;          // backup RAM: how the file holds the memory
  backup_ram::BackupRamGeometry geometry;   // backup RAM: its blocks, as the opening established them
  std::size_t presentBytes = 0;             // backup RAM: the RAM bytes the file holds
  // The saves in the reader's order. An SS_MEMS.BIN record keeps all 12
  // comment bytes; how many a view shows is its own choice.
  std::vector<SaveRecord> records;
  // The file as it was read; a write checks against it that no other
  // program changed the file since.
  std::optional<platform::FileStamp> stamp;
  // The name fields of the saves the file held as read (or last written):
  // what a write records of the version it replaces. Decoded only then.
  std::vector<ByteBuffer> namesAsRead;
  // What opening the file found (problems and notes).
  std::vector<Problem> openingProblems;
  // Set when no writer may act on the file as opened, with the reason.
  std::optional<Message> writeRefusal;

  bool Writable() const { return !writeRefusal; }
  bool IsBackupMemory() const { return kind == ContainerKind::kBkram || kind == ContainerKind::kBup; }
  // The bytes the file would hold for the image: the image itself, or for
  // backup RAM the file as read with the image in place of its memory, in
  // the file's form.
  ByteBuffer FileBytes() const;
  // Lists the saves of the image again, in the reader's order; returns the
  // figure a listing shows beside "剩余:" (free bytes, or a cartridge's free
  // blocks), nothing for SS_SAVE.BIN.
  std::optional<std::int64_t> ListAgain();
};

// The records of `container` at the given offsets, each once, in the
// reader's order.
std::vector<SaveRecord> RecordsAt(const Container& container, const std::vector<std::size_t>& offsets);

}  // namespace quillmere
