#pragma once

#include <cstddef>
#include <string_view>

#include "containers/save_file.h"
#include "model/byte_buffer.h"

// Writing SS_SAVE.BIN.
namespace quillmere::save_file {

// 16 bytes at +0 of area 0, where slot 0's label would be: the text and a zero byte.
inline constexpr std::string_view kIdentification = "Saroo Save File";
static_assert(kIdentification.size() < kSlotLabelSize);

// A new SS_SAVE.BIN: the identification, then an empty slot table, area 0 alone (64 KiB).
ByteBuffer EmptySaveFile();

}  // namespace quillmere::save_file
