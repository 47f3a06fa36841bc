#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "model/byte_buffer.h"
#include "model/save_entry.h"

namespace quillmere {

// A save of a backup-RAM image as the allocation map sees it.
struct SaveBlockEntry {
  std::string name;
  std::string blockList;  // each block number as 4 hex digits, first block first
  std::string address;
  int blockCount = 0;
  std::vector<std::uint32_t> blocks;  // the same blocks as numbers
};

// What loading one pane's container file yields.
struct PaneLoad {
  bool fileFound = false;  // false: the pane shows its placement hint
  std::filesystem::path file;
  ByteBuffer image;
  std::vector<SaveEntry> rows;
  // The figure beside "剩余:"; absent when the file is missing or the kind has none.
  std::optional<std::int64_t> remainingSpace;

  // SS_MEMS.BIN: how far the saves reach, as the clearing step sees it.
  std::uint32_t nextEntryPosition = 0;
  std::string nextDataOffset;

  // Backup-RAM images: the save table and one "0"/"1" per block.
  std::vector<SaveBlockEntry> saveTable;
  std::string blockUsage;

  // Set when the clearing step could not write the file back.
  std::optional<std::filesystem::path> failedWrite;
};

// Starts a pane's load: the file's whole bytes as the image when it exists,
// `fileFound` false (and nothing read) when it does not. An unreadable file
// counts as found, with an empty image.
PaneLoad ReadPaneFile(const std::filesystem::path& file);

}  // namespace quillmere
