#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "model/byte_buffer.h"
#include "model/save_entry.h"
#include "platform/file_lock.h"

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
  // Each row's number and size as values, in row order, for output that
  // wants numbers rather than the shown text.
  struct RowNumbers {
    std::uint32_t num = 0;
    std::uint32_t size = 0;
  };
  std::vector<RowNumbers> rowNumbers;
  // The figure beside "剩余:"; absent when the file is missing or the kind has none.
  std::optional<std::int64_t> remainingSpace;

  // SS_MEMS.BIN: how far the saves reach, as the clearing step sees it.
  std::uint32_t nextEntryPosition = 0;
  std::string nextDataOffset;

  // Backup-RAM images: the save table and one "0"/"1" per block.
  std::vector<SaveBlockEntry> saveTable;
  std::string blockUsage;

  // Set when the clearing step could not write the file back: the message
  // that says why ("写入文件失败！" or "文件正被其他程序使用，请稍后再试！",
  // a line break and the path).
  std::optional<std::string> failedWrite;
  // The file as the clearing step wrote it back; unset when it wrote nothing.
  std::optional<platform::FileStamp> stamp;
  // Set when the file exists but was refused: it could not be read whole
  // ("读取文件失败！"), is too large for any container ("文件过大，无法读取！")
  // or for its kind ("错误的存档格式！"). The message is shown once; the pane
  // shows the file as missing, and nothing is ever written over it.
  std::optional<std::string> refusal;
};

// Starts a pane's load: the file's whole bytes as the image when it exists,
// `fileFound` false (and nothing read) when it does not. A file that exists
// but cannot be read whole, or is too large, is not found either, and
// `refusal` says why.
PaneLoad ReadPaneFile(const std::filesystem::path& file);

// Marks a load as refused with `message`: the rows and the image are dropped
// and the pane shows its placement hint.
void RefusePaneLoad(PaneLoad& load, std::string message);

}  // namespace quillmere
