#include "singlesave/converter.h"

#include <algorithm>

#include "model/conversions.h"
#include "model/safe_file_name.h"
#include "model/save_header.h"
#include "platform/file_io.h"

namespace quillmere::singlesave {

namespace fs = std::filesystem;

namespace {

using Saroo = SarooSingleSaveFile;
using Ssf = SsfSingleSaveFile;

// The bytes from `offset` to the end of the file; none when it is shorter.
ByteBuffer DataFrom(const ByteBuffer& file, std::size_t offset) {
  return file.Slice(offset, file.size() > offset ? file.size() - offset : 0);
}

std::size_t DataLength(const ByteBuffer& file, std::size_t offset) {
  return file.size() > offset ? file.size() - offset : 0;
}

fs::path OutputPath(const fs::path& outputFolder, std::string_view name) {
  return outputFolder / platform::PathFromUtf8(SafeFileName(name) + ".bin");
}

bool ReadsAsSarooMagic(const ByteBuffer& commentField) { return DecodeComment(commentField) == Saroo::kMagic; }

}  // namespace

fs::path SarooFolder(const fs::path& programDirectory) {
  return programDirectory / platform::PathFromUtf8(std::string(kSarooFolderName));
}

fs::path SsfFolder(const fs::path& programDirectory) {
  return programDirectory / platform::PathFromUtf8(std::string(kSsfFolderName));
}

fs::path StoredNamePath(const fs::path& outputFolder, const ByteBuffer& nameField, std::string_view extension) {
  return outputFolder /
         platform::PathFromUtf8(SafeFileName(DecodeName(save_header::StoredName(nameField))) + std::string(extension));
}

ConvertedSave BuildSarooNamedAfter(const ByteBuffer& saroo, const fs::path& outputFolder) {
  return {saroo, OutputPath(outputFolder, DecodeName(saroo.Slice(Saroo::kNameOffset, Saroo::kNameSize)))};
}

SingleSaveRow PresentSingleSave(std::string name, const ByteBuffer& commentField, const SaveDateTime& date,
                                std::uint64_t dataSize) {
  SingleSaveRow row;
  row.cell(SingleSaveColumn::kName) = std::move(name);
  row.cell(SingleSaveColumn::kComment) = DecodeComment(commentField);
  row.cell(SingleSaveColumn::kDate) = FormatSaveDate(date);
  row.cell(SingleSaveColumn::kSize) = Decimal(dataSize);
  row.commentField = commentField;
  row.shownDate = date;
  row.dataSize = dataSize;
  return row;
}

SingleSaveRow SsfRow(std::string_view path, const ByteBuffer& file) {
  return PresentSingleSave(BaseNameOfPath(path), file.Slice(Ssf::kCommentOffset, Ssf::kCommentSize),
                           DecodeSsfDate(SsfDateOf(file)), DataLength(file, Ssf::kDataOffset));
}

SarooShown SarooRow(const ByteBuffer& file) {
  SarooShown shown;
  const SaveDateTime date = SaveDateFromMinutes(file.ReadU32(Saroo::kDateOffset));
  shown.row = PresentSingleSave(DecodeName(file.Slice(Saroo::kNameOffset, Saroo::kNameSize)),
                                file.Slice(Saroo::kCommentOffset, Saroo::kCommentSize), date,
                                TakenSize(SarooStatedSize(file), DataLength(file, Saroo::kDataOffset)));
  // The SSF date is the date as shown, to the minute.
  shown.pendingSsfDate = EncodeSsfDate(date);
  return shown;
}

std::optional<ConvertedSave> BuildSarooFromSsf(std::string_view path, const ByteBuffer& file,
                                               const SingleSaveRow& shown, const fs::path& outputFolder) {
  const ByteBuffer comment = ZeroFilledField(file, Ssf::kCommentOffset, Ssf::kCommentSize);
  if (ReadsAsSarooMagic(shown.commentField) || ReadsAsSarooMagic(comment)) return std::nullopt;
  // No container holds a save this long: the file is not a single save, and
  // cutting it short would write a damaged one.
  if (DataLength(file, Ssf::kDataOffset) > kMaxDataSize) return std::nullopt;

  // The date as the row shows it. A row that holds no date (nothing shown
  // yet) stands for the date the file itself would show.
  std::optional<SaveDateTime> date = shown.shownDate;
  if (!date) date = DecodeSsfDate(SsfDateOf(file));
  // The stamp is unsigned: dates before its base, which only out-of-range
  // packed fields give, become the base itself rather than a wrapped-around
  // far future.
  const std::int64_t minutes = std::clamp<std::int64_t>(MinutesFromSaveDate(*date), 0, UINT32_MAX);

  const ByteBuffer name = NameFieldFromText(BaseNameOfPath(path));
  const ByteBuffer data = DataFrom(file, Ssf::kDataOffset);
  ConvertedSave converted;
  converted.bytes = BuildSarooSingleSave(name, static_cast<std::uint32_t>(data.size()), comment,
                                         static_cast<std::uint32_t>(minutes), data);
  converted.path = OutputPath(outputFolder, DecodeName(name));
  return converted;
}

std::optional<ConvertedSave> BuildSsfFromSaroo(const ByteBuffer& file, const SsfPackedDate& pendingSsfDate,
                                               const fs::path& outputFolder) {
  if (!IsSarooSingleSave(file)) return std::nullopt;
  // A file carrying more than any save is no single save, whatever it states.
  if (DataLength(file, Saroo::kDataOffset) > kMaxDataSize || SarooStatedSize(file) > kMaxDataSize) {
    return std::nullopt;
  }
  ConvertedSave converted;
  converted.bytes = BuildSsfSingleSave(ZeroFilledField(file, Saroo::kCommentOffset, Saroo::kCommentSize),
                                       pendingSsfDate, SarooSaveData(file).bytes);
  converted.path = OutputPath(outputFolder, DecodeName(file.Slice(Saroo::kNameOffset, Saroo::kNameSize)));
  return converted;
}

}  // namespace quillmere::singlesave
