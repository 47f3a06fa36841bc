#pragma once

#include <cstdint>

#include "model/byte_buffer.h"
#include "model/save_header.h"

namespace quillmere {

// A save lifted out of a container, as the SAROO single save holds it: the
// 12-byte name and comment fields as stored, the size the header states, the
// date stamp, and the data. The data can be shorter than `size` where a
// damaged container does not hold it all; it is never longer.
struct GatheredSave {
  ByteBuffer nameField;
  std::uint32_t size = 0;
  ByteBuffer commentField;
  std::uint32_t date = 0;
  ByteBuffer data;
  // False when the save cannot be read whole: its clusters or blocks cannot
  // hold its stated size, lie outside its image or area, or are the area's
  // own header. What could be read is still in `data`.
  bool complete = true;
};

// The fields of the 32-byte save header at `offset` (SS_MEMS.BIN and
// SS_SAVE.BIN records share it), without the data.
inline GatheredSave GatherSaveHeader(const ByteBuffer& image, std::size_t offset) {
  GatheredSave save;
  save.nameField = image.Slice(offset + save_header::kNameOffset, save_header::kNameSize);
  save.size = image.ReadU32(offset + save_header::kSizeOffset);
  save.commentField = image.Slice(offset + save_header::kCommentOffset, save_header::kCommentSize);
  save.date = image.ReadU32(offset + save_header::kDateOffset);
  return save;
}

}  // namespace quillmere
