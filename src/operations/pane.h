#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "containers/backup_memory_file.h"
#include "model/container_kind.h"
#include "model/outcome.h"
#include "model/save_entry.h"
#include "model/save_record.h"
#include "operations/container.h"

namespace quillmere {

// One of the window's two panes: the container it shows, where it came
// from, and the view over it (rows, selection, figure, hint).
struct Pane : Container {
  int number = 1;
  std::filesystem::path folder;  // the program folder, or its OTHER folder for pane 2
  // A file named outright (opened or dropped); empty: the kind's file in `folder`.
  std::filesystem::path fixedFile;
  // The rows shown for the records: row r shows records[rowRecords[r]].
  // Sorting reorders the rows alone.
  std::vector<SaveEntry> rows;
  std::vector<std::size_t> rowRecords;
  std::vector<int> selection;    // selected rows, 0-based
  // What a user named of a file: its kind and, for a backup memory, its
  // layout; none: the name and the content tell. And the block size of a
  // 4 MiB word-wide memory the window asked.
  std::optional<ContainerKind> namedKind;
  std::optional<backup_ram::RamLayout> layout;
  std::optional<std::size_t> blockSize;
  std::string numberLabel;       // the figure beside "剩余:"; empty while no file is listed
  bool hintVisible = false;      // the placement hint, shown while the file is missing
  // What is wrong with the loaded image (Check); empty when sound.
  std::vector<Problem> problems;

  // The record shown in row `row` (0-based, in range).
  const SaveRecord& RecordOfRow(std::size_t row) const { return records.at(rowRecords.at(row)); }
  // Shows `records` in reader order, each as the presenter draws it.
  void ShowRecords(std::vector<SaveRecord> listed);
  // The records of the selected rows, each once, in row order.
  std::vector<SaveRecord> SelectedRecords() const;
  // The records in the order the rows show them.
  std::vector<SaveRecord> RecordsInRowOrder() const;
  // How many comment bytes the rows show: an SS_MEMS.BIN shows 10 in pane 1
  // and all 12 in pane 2; the other kinds show 10 in both.
  std::size_t ShownCommentBytes() const;

  // Whether a file is listed: a pane whose file is missing (or refused) has
  // nothing to import into, compact, map, delete from or repair.
  bool HasFile() const { return !hintVisible; }
  // Whether the pane takes saves in: import, drops and the transfer into it.
  bool TakesSaves() const { return HasFile() && Writable(); }
  // Whether compacting applies: SS_MEMS.BIN alone (backup RAM needs no
  // compaction, its saves may use any blocks; SS_SAVE.BIN keeps one area a game).
  bool Compactable() const { return kind == ContainerKind::kMems && TakesSaves(); }
  // Whether a repair applies: the kinds with an allocation record to rebuild.
  bool Repairable() const { return (kind == ContainerKind::kMems || kind == ContainerKind::kSave) && TakesSaves(); }
  bool ShowsRemaining() const { return kind != ContainerKind::kSave; }
  bool HasMap() const { return kind != ContainerKind::kSave; }
};

}  // namespace quillmere
