#include "singlesave/sro_file.h"

#include <zlib.h>

#include <algorithm>

#include "platform/file_io.h"

namespace quillmere::singlesave {

namespace fs = std::filesystem;
using Sro = SroSingleSaveFile;

fs::path SroFolder(const fs::path& programDirectory) {
  return programDirectory / platform::PathFromUtf8(std::string(kSroFolderName));
}

std::uint32_t SroChecksum(const ByteBuffer& file) {
  const uLong empty = crc32_z(0L, Z_NULL, 0);
  if (file.size() <= Sro::kCheckedOffset) return static_cast<std::uint32_t>(empty);
  return static_cast<std::uint32_t>(crc32_z(empty, file.data() + Sro::kCheckedOffset, file.size() - Sro::kCheckedOffset));
}

SroCheck CheckSro(const ByteBuffer& file) {
  const std::uint32_t stored = ZeroFilledField(file, Sro::kChecksumOffset, Sro::kChecksumSize).ReadU32(0);
  if (!IsSarooSingleSave(file) || file.ReadU32(Sro::kZeroOffset) != 0 || stored == 0) return SroCheck::kNone;
  return stored == SroChecksum(file) ? SroCheck::kGood : SroCheck::kDamaged;
}

ByteBuffer SroFromSaroo(const ByteBuffer& saroo) {
  // A file cut before its checksum field goes on with zeros to hold one.
  ByteBuffer sro = ZeroFilledField(saroo, 0, std::max<std::size_t>(saroo.size(), Sro::kCheckedOffset));
  sro.Fill(Sro::kZeroOffset, Sro::kZeroSize, 0);
  sro.MustWriteBE(Sro::kChecksumOffset, SroChecksum(saroo), Sro::kChecksumSize);
  return sro;
}

ByteBuffer SarooFromSro(const ByteBuffer& sro) {
  ByteBuffer saroo = sro;
  saroo.Fill(Sro::kChecksumOffset, Sro::kChecksumSize, 0);
  return saroo;
}

std::optional<ConvertedSave> BuildSroFromSaroo(const ByteBuffer& saroo, const fs::path& outputFolder) {
  using Saroo = SarooSingleSaveFile;
  if (SarooStatedSize(saroo) > kMaxDataSize) return std::nullopt;
  return ConvertedSave{SroFromSaroo(SarooWithItsData(saroo)), StoredNamePath(outputFolder, saroo.Slice(Saroo::kNameOffset, Saroo::kNameSize), ".SRO")};
}

}  // namespace quillmere::singlesave
