#pragma once

#include <string>
#include <string_view>

namespace quillmere {

// A save name (UTF-8 text) made fit to stand as a file name inside a target
// folder, so no name can lead a write elsewhere: each of \ / : * ? " < > |
// and each control character (U+0000-U+001F, U+007F-U+009F) becomes "_", and
// a name that is empty, "." or ".." becomes "_". Everything else is kept.
std::string SafeFileName(std::string_view name);

}  // namespace quillmere
