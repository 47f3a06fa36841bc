#include "singlesave/bup_file.h"

#include "containers/backup_ram.h"
#include "model/conversions.h"
#include "platform/file_io.h"
#include "singlesave/single_save_file.h"

namespace quillmere::singlesave {

namespace fs = std::filesystem;
using Bup = BupSingleSaveFile;
using Saroo = SarooSingleSaveFile;

fs::path BupFolder(const fs::path& programDirectory) {
  return programDirectory / platform::PathFromUtf8(std::string(kBupFolderName));
}

bool IsBupSingleSave(const ByteBuffer& file) {
  return file.Slice(Bup::kMagicOffset, Bup::kMagic.size()) == ByteBuffer::FromText(Bup::kMagic);
}

std::uint32_t BupStatedSize(const ByteBuffer& bup) { return ZeroFilledField(bup, Bup::kSizeOffset, 4).ReadU32(0); }

SingleSaveData BupSaveData(const ByteBuffer& bup) { return SaveDataAfterHeader(bup, Bup::kSizeOffset, Bup::kDataOffset); }

ByteBuffer BupFromSaroo(const ByteBuffer& saroo) {
  const ByteBuffer data = SarooSaveData(saroo).bytes;
  const auto size = static_cast<std::uint32_t>(data.size());
  const std::uint32_t date = ZeroFilledField(saroo, Saroo::kDateOffset, 4).ReadU32(0);
  ByteBuffer bup = ByteBuffer::Filled(Bup::kHeaderSize, 0);
  bup.MustWrite(Bup::kMagicOffset, ByteBuffer::FromText(Bup::kMagic));
  // The last name byte and the comment's byte 10 become the zero terminators.
  bup.MustWrite(Bup::kNameOffset, ZeroFilledField(saroo, Saroo::kNameOffset, Bup::kNameSize - 1));
  bup.MustWrite(Bup::kCommentOffset, ZeroFilledField(saroo, Saroo::kCommentOffset, Bup::kCommentSize - 1));
  bup.MustWriteBE(Bup::kLanguageOffset, saroo.At(Saroo::kCommentOffset + Saroo::kCommentSize - 1), 1);
  bup.MustWriteBE(Bup::kDateOffset, date, 4);
  bup.MustWriteBE(Bup::kSizeOffset, size, 4);
  bup.MustWriteBE(Bup::kBlockCountOffset, std::min<std::uint64_t>(backup_ram::BlocksOccupied(size), 0xFFFF), 2);
  bup.MustWriteBE(Bup::kDateAgainOffset, date, 4);
  bup.Append(data.Slice(0, kMaxDataSize));
  return bup;
}

ByteBuffer SarooFromBup(const ByteBuffer& bup) {
  const ByteBuffer data = BupSaveData(bup).bytes.Slice(0, kMaxDataSize);
  ByteBuffer comment = ZeroFilledField(bup, Bup::kCommentOffset, Bup::kCommentSize - 1);
  comment.Append(1, 0);
  comment.Append(1, bup.At(Bup::kLanguageOffset));
  return BuildSarooSingleSave(ZeroFilledField(bup, Bup::kNameOffset, Bup::kNameSize),
                              static_cast<std::uint32_t>(data.size()), comment,
                              ZeroFilledField(bup, Bup::kDateOffset, 4).ReadU32(0), data);
}

std::optional<ConvertedSave> BuildSarooFromBup(const ByteBuffer& bup, const fs::path& outputFolder) {
  if (BupStatedSize(bup) > kMaxDataSize) return std::nullopt;
  return ConvertedSave{SarooFromBup(bup), StoredNamePath(outputFolder, bup.Slice(Bup::kNameOffset, Bup::kNameSize), ".bin")};
}

std::optional<ConvertedSave> BuildBupFromSaroo(const ByteBuffer& saroo, const fs::path& outputFolder) {
  if (SarooStatedSize(saroo) > kMaxDataSize) return std::nullopt;
  return ConvertedSave{BupFromSaroo(saroo), StoredNamePath(outputFolder, saroo.Slice(Saroo::kNameOffset, Saroo::kNameSize), ".BUP")};
}

SingleSaveRow BupRow(const ByteBuffer& bup) {
  return PresentSingleSave(DecodeName(bup.Slice(Bup::kNameOffset, Bup::kNameSize)),
                           bup.Slice(Bup::kCommentOffset, Bup::kCommentSize),
                           SaveDateFromMinutes(ZeroFilledField(bup, Bup::kDateOffset, 4).ReadU32(0)),
                           BupSaveData(bup).bytes.size());
}

}  // namespace quillmere::singlesave
