#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "containers/backup_ram.h"
#include "model/byte_buffer.h"

// The files that hold a backup RAM: BKRAMSV.BIN and SS_BUP.BIN, and the
// memories every Saturn emulator and MiSTer keep, recognised by their content.
// Each is one RAM (or MiSTer's two) stored packed (RAM byte k is file byte k)
// or word-wide (RAM byte k is file byte 2k + 1), and the file may be a gzip
// stream of that. A write puts the RAM back in the same form.
namespace quillmere::backup_ram {

enum class RamLayout { kWordWide, kPacked };

// The memory of a file that holds two: MiSTer's internal memory, then its cartridge.
enum class Device { kInternal, kCart };

struct MemoryFileForm {
  RamLayout layout = RamLayout::kWordWide;
  bool gzip = false;         // the file is a gzip stream of the memory
  bool twoMemories = false;  // word-wide: the internal memory, then a cartridge
  bool operator==(const MemoryFileForm&) const = default;
};

// A file of two memories: 64 KiB (the internal memory, word-wide), then a
// 512 KiB cartridge, word-wide.
inline constexpr std::size_t kInternalWordWideSize = 2 * 32 * 1024;
inline constexpr std::size_t kTwoMemoriesFileSize = kInternalWordWideSize + 2 * 512 * 1024;  // 1,114,112

// The text a formatted RAM starts with; at least its first 16 bytes tell one.
inline constexpr std::size_t kFormatTextProbe = 16;

// A memory file as read: its form and its bytes, decompressed.
struct MemoryFile {
  MemoryFileForm form;
  ByteBuffer contents;
};

// Reads the bytes of a memory file. A gzip stream (up to kMaxFileSize
// decompressed) is decompressed first. With `layout` the memory is taken as
// stored that way; without, it must start with the format text, packed or
// word-wide, or nothing is returned. A word-wide file of 1,114,112 bytes
// holds two memories. Nothing, too, for more than kMaxFileSize bytes.
std::optional<MemoryFile> OpenMemoryFile(const ByteBuffer& file, std::optional<RamLayout> layout);

// The RAM of `device` in the file; a file of one memory has only that one,
// whichever device is asked for.
ByteBuffer RamOf(const MemoryFile& file, Device device);

// The file's bytes, as they are written, with `ram` as the memory of
// `device`: the same form, compressed again when it was; a word-wide file
// keeps its even bytes and the other memory stays as it was.
ByteBuffer FileWithRam(const MemoryFile& file, Device device, const ByteBuffer& ram);

// An empty file of a form: the memory (or each of the two, the cartridge of
// `geometry`) formatted, 0xFF in the even bytes of a word-wide one.
ByteBuffer EmptyMemoryFile(const MemoryFileForm& form, const BackupRamGeometry& geometry);

// The forms `format --like` names: what writes them, and the blocks of the
// memory (the cartridge's, for a file of two).
struct NamedMemoryForm {
  std::string_view name;
  MemoryFileForm form;
  BackupRamGeometry geometry;
};
const std::vector<NamedMemoryForm>& NamedMemoryForms();
std::optional<NamedMemoryForm> FindNamedMemoryForm(std::string_view name);

// The form and blocks of an existing memory file, to make an empty one like
// it; `geometry` is what its opening established.
NamedMemoryForm ShapeOf(const MemoryFile& file, const BackupRamGeometry& geometry);

}  // namespace quillmere::backup_ram
