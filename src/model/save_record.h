#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/byte_buffer.h"
#include "model/save_entry.h"
#include "model/save_header.h"

namespace quillmere {

// One save as its container lists it: where it lies and what its header
// holds, as values. The operations find, sort and move saves by these; the
// rows a pane shows are drawn from them and never read back.
struct SaveRecord {
  // The reader's number: the directory slot in SS_MEMS.BIN, elsewhere the
  // save's place in the listing, from 1.
  std::uint32_t num = 0;
  // SS_SAVE.BIN: the slot whose area holds the save; 0 elsewhere.
  int area = 0;
  // The byte offset of the save's record (its record cluster, start block or
  // record block) in the image; backup RAM counts in the RAM copy.
  std::size_t offset = 0;
  // The units the save occupies: its record's cluster or block first, then
  // those its list or bitmap names, in that order.
  std::vector<std::uint32_t> units;
  ByteBuffer nameField;     // the name bytes as the container lists them
  ByteBuffer commentField;  // the comment bytes as listed (up to 12; a view may show fewer)
  std::uint8_t language = 0;
  std::uint32_t date = 0;   // minutes after 1979-12-31 16:00
  std::uint32_t size = 0;   // the data length the header states
  bool operator==(const SaveRecord&) const = default;
};

// The row a pane shows for a record: its number, name, address, comment
// (its first `commentBytes`), date and size as text.
SaveEntry PresentSave(const SaveRecord& record, std::size_t commentBytes = save_header::kShownCommentBytes);
std::vector<SaveEntry> PresentSaves(const std::vector<SaveRecord>& records,
                                    std::size_t commentBytes = save_header::kShownCommentBytes);

}  // namespace quillmere
