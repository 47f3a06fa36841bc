#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "containers/backup_memory_file.h"
#include "model/outcome.h"
#include "model/save_record.h"
#include "platform/file_lock.h"
#include "model/byte_buffer.h"
#include "model/container_kind.h"
#include "model/save_entry.h"

namespace quillmere {

// One of the two panes: the container it shows and what its reader found.
struct Pane {
  int number = 1;
  ContainerKind kind = ContainerKind::kMems;
  std::filesystem::path folder;  // the program folder, or its OTHER folder for pane 2
  // A file named outright (the command line); empty: the kind's file in `folder`.
  std::filesystem::path fixedFile;
  std::filesystem::path file;    // the file the last load found, in its own letter case; writers write it
  // The saves the reader listed, in its order, and the rows shown for them:
  // row r shows records[rowRecords[r]]. Sorting reorders the rows alone.
  std::vector<SaveRecord> records;
  std::vector<SaveEntry> rows;
  std::vector<std::size_t> rowRecords;
  std::vector<int> selection;    // selected rows, 0-based
  ByteBuffer image;              // the loaded image (the backup-RAM copy for kinds 1 and 2)
  ByteBuffer stored;             // backup RAM: the file as read (decompressed), whose other bytes a write keeps
  backup_ram::BackupRamGeometry geometry;  // backup RAM: its blocks, as the opening established them
  std::size_t presentBytes = 0;            // backup RAM: the RAM bytes the file holds
  backup_ram::MemoryFileForm form;  // backup RAM: how the file holds the memory, as the last load found it
  // What a user named of a file (the command line's --kind): its kind and,
  // for a backup memory, its layout; none: the name and the content tell.
  // And the memory shown of a file that holds two.
  std::optional<ContainerKind> namedKind;
  std::optional<backup_ram::RamLayout> layout;
  std::optional<std::size_t> blockSize;  // what the user named of a 4 MiB word-wide memory
  backup_ram::Device device = backup_ram::Device::kInternal;
  // The file as the image was loaded; a container write checks against it
  // that no other program changed the file since (WritePaneImage).
  std::optional<platform::FileStamp> stamp;
  std::string numberLabel = "0"; // the figure beside "剩余:"
  bool hintVisible = false;      // the placement hint, shown while the file is missing

  // What is wrong with the loaded image's allocation records; empty when sound.
  std::vector<Problem> problems;
  // What opening the file found (problems and notes), which `problems` holds too.
  std::vector<Problem> openingProblems;
  // Set when no writer may act on the file as loaded, with the reason.
  std::optional<Message> writeRefusal;

  // While set, imports change the image and the rows but leave the file alone;
  // whoever set it writes the file once and reloads (a transfer of many saves).
  bool holdWrites = false;
  bool heldChanges = false;

  // The record shown in row `row` (0-based, in range).
  const SaveRecord& RecordOfRow(std::size_t row) const { return records.at(rowRecords.at(row)); }
  // Shows `records` in reader order, each as the presenter draws it.
  void ShowRecords(std::vector<SaveRecord> listed);
  // Adds a record the reader would list last, and its row.
  void AppendRecord(SaveRecord record);
  // Drops the record at `offset` and the rows that show it.
  void RemoveRecord(std::size_t offset);

  // Whether saves can be imported, transferred or dropped into the pane and
  // deleted from it: every kind (SS_SAVE.BIN into a chosen game's area),
  // once its opening left no doubt about what the file holds.
  bool Writable() const { return !writeRefusal; }
  // Whether compacting applies: SS_MEMS.BIN alone (backup RAM needs no
  // compaction, its saves may use any blocks; SS_SAVE.BIN keeps one area a game).
  bool Compactable() const { return kind == ContainerKind::kMems && Writable(); }
  // Whether a repair applies: the kinds with an allocation record to rebuild.
  bool Repairable() const { return (kind == ContainerKind::kMems || kind == ContainerKind::kSave) && Writable(); }
  // The bytes the file would hold for the image: the image itself, or for
  // backup RAM the file as read with the image in place of its memory, in
  // the file's form.
  ByteBuffer FileBytes() const;
  bool ShowsRemaining() const { return kind != ContainerKind::kSave; }
  bool HasMap() const { return kind != ContainerKind::kSave; }
};

}  // namespace quillmere
