#pragma once

#include <cstdint>

#include "model/byte_buffer.h"

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
};

}  // namespace quillmere
