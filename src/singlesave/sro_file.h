#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

#include "model/byte_buffer.h"
#include "singlesave/converter.h"
#include "singlesave/single_save_file.h"

// The .SRO form SAROO users share saves in: the SAROO single save with a
// CRC-32 of the save in the header's reserved bytes. A zero there means no
// checksum, which is the plain SAROO form.
namespace quillmere::singlesave {

struct SroSingleSaveFile {
  static constexpr std::size_t kZeroOffset = 0x08;      // 4 bytes at +0x08: zero
  static constexpr std::size_t kZeroSize = 4;
  static constexpr std::size_t kChecksumOffset = 0x0C;  // 4 bytes at +0x0C: CRC-32, big-endian; 0 for none
  static constexpr std::size_t kChecksumSize = 4;
  static constexpr std::size_t kCheckedOffset = 0x10;   // the checksum covers from here to the end of the file
};
static_assert(SroSingleSaveFile::kZeroOffset == SarooSingleSaveFile::kReservedOffset);
static_assert(SroSingleSaveFile::kChecksumOffset + SroSingleSaveFile::kChecksumSize ==
              SarooSingleSaveFile::kSaveHeaderOffset);
static_assert(SroSingleSaveFile::kCheckedOffset == SarooSingleSaveFile::kSaveHeaderOffset);

inline constexpr std::string_view kSroFolderName = "SRO";
std::filesystem::path SroFolder(const std::filesystem::path& programDirectory);

// The CRC-32 (zlib's) of the bytes from +0x10 to the end of the file.
std::uint32_t SroChecksum(const ByteBuffer& file);

enum class SroCheck {
  kNone,     // no checksum: not "SSAVERAW", nonzero +0x08..+0x0B, or a zero checksum (plain SAROO)
  kGood,     // a checksum that matches the save
  kDamaged,  // a checksum that does not: the save is not to be trusted
};
SroCheck CheckSro(const ByteBuffer& file);

// The file with bytes +0x08..+0x0B zeroed and its checksum filled in; and
// with the checksum zeroed again, the plain SAROO form the rest of the
// program reads and writes.
ByteBuffer SroFromSaroo(const ByteBuffer& saroo);
ByteBuffer SarooFromSro(const ByteBuffer& sro);

// A SAROO single save, holding exactly its data (SarooWithItsData), as
// `outputFolder`/NAME.SRO with its checksum, NAME being
// the stored name made safe; nothing when it states more than kMaxDataSize bytes.
std::optional<ConvertedSave> BuildSroFromSaroo(const ByteBuffer& saroo, const std::filesystem::path& outputFolder);

}  // namespace quillmere::singlesave
