#include "containers/save_file.h"

#include <algorithm>
#include <set>

#include "model/conversions.h"
#include "model/save_header.h"
#include "platform/file_io.h"

namespace quillmere::save_file {

namespace sh = save_header;

std::vector<std::uint32_t> RecordChain(const ByteBuffer& image, std::size_t area) {
  std::vector<std::uint32_t> chain;
  std::set<std::uint32_t> visited;
  std::uint32_t block = image.ReadU16(area + kFirstRecordBlockOffset);
  // A damaged link can lead back into the chain, or past the area's last
  // block into the next area; stop there rather than loop or list twice.
  while (block != 0 && block < kAreaBlocks && chain.size() < kMaxRecordsPerArea && visited.insert(block).second) {
    chain.push_back(block);
    block = image.ReadU16(RecordOffset(area, block) + kNextRecordBlockOffset);
  }
  return chain;
}

std::vector<std::uint32_t> DataBlocks(const ByteBuffer& image, std::size_t record) {
  std::vector<std::uint32_t> blocks;
  const ByteBuffer bitmap = image.Slice(record + kBlockBitmapOffset, kBlockBitmapSize);
  for (std::uint32_t k = 0; k < kAreaBlocks; ++k) {
    if ((bitmap.At(k / 8) >> (k % 8)) & 1) blocks.push_back(k);
  }
  return blocks;
}

ByteBuffer ReadRecordData(const ByteBuffer& image, std::size_t record) {
  const std::size_t area = record - record % kAreaSize;
  const std::uint32_t size = image.ReadU32(record + sh::kSizeOffset);
  ByteBuffer data;
  for (const std::uint32_t block : DataBlocks(image, record)) {
    if (data.size() >= size) break;
    data.Append(image.Slice(RecordOffset(area, block), kBlockSize));
  }
  if (data.size() > size) data.Resize(size);
  return data;
}

namespace {

// Block 0 is the area's header: a bitmap that marks it names no data of the save.
bool MarksAreaHeader(const ByteBuffer& image, std::size_t record) { return image.At(record + kBlockBitmapOffset) & 1; }

}  // namespace

GatheredSave ExtractSaveFileSave(const ByteBuffer& image, std::size_t record) {
  GatheredSave save = GatherSaveHeader(image, record);
  save.data = ReadRecordData(image, record);
  save.complete = !MarksAreaHeader(image, record) && save.data.size() == save.size;
  return save;
}

std::vector<std::string> CheckSaveFile(const ByteBuffer& image) {
  std::vector<std::string> problems;
  std::size_t unreported = 0;
  for (const SaveFileRecord& record : ListSaveFile(image).records) {
    // Counted, not copied: a 256 MiB file is checked on every load.
    const std::size_t area = record.offset - record.offset % kAreaSize;
    std::size_t held = 0;
    for (const std::uint32_t block : DataBlocks(image, record.offset)) {
      const std::size_t at = RecordOffset(area, block);
      held += at < image.size() ? std::min(kBlockSize, image.size() - at) : 0;
    }
    const std::uint32_t size = image.ReadU32(record.offset + sh::kSizeOffset);
    const bool header = MarksAreaHeader(image, record.offset);
    if (!header && held >= size) continue;
    if (problems.size() >= kMaxReportedProblems) {
      ++unreported;
      continue;
    }
    const std::string name = "save " + DecodeName(image.Slice(record.offset, kRecordNameSize)) + " at " +
                             OffsetToHex(static_cast<std::int64_t>(record.offset));
    problems.push_back(header ? name + " marks the area's header block as its data"
                              : name + " states " + Decimal(size) + " bytes, but its blocks hold " + Decimal(held));
  }
  if (unreported > 0) problems.push_back("and " + Decimal(unreported) + " more problems");
  return problems;
}

SaveFileListing ListSaveFile(const ByteBuffer& image) {
  SaveFileListing listing;
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    // A label past the end of the file reads as empty and ends the table too.
    if (image.At(SlotLabelOffset(slot)) == 0) break;
    const std::size_t area = AreaOffset(slot);
    for (const std::uint32_t block : RecordChain(image, area)) {
      const std::size_t record = RecordOffset(area, block);
      SaveEntry row;
      row.cell(SaveColumn::kNum) = Decimal(listing.rows.size() + 1);
      row.cell(SaveColumn::kName) = DecodeName(image.Slice(record, kRecordNameSize));
      row.cell(SaveColumn::kAddress) = OffsetToHex(static_cast<std::int64_t>(record));
      row.cell(SaveColumn::kComment) =
          DecodeComment(image.Slice(record + sh::kCommentOffset, sh::kShownCommentBytes));
      row.cell(SaveColumn::kDate) = FormatSaveDate(SaveDateFromMinutes(image.ReadU32(record + sh::kDateOffset)));
      row.cell(SaveColumn::kSize) = Decimal(image.ReadU32(record + sh::kSizeOffset));
      listing.rows.push_back(std::move(row));
      listing.records.push_back({slot, block, record});
    }
  }
  return listing;
}

PaneLoad LoadSaveFile(const std::filesystem::path& file, int /*pane: both panes read alike*/) {
  PaneLoad load = ReadPaneFile(file);
  if (!load.fileFound) return load;
  SaveFileListing listing = ListSaveFile(load.image);
  load.rows = std::move(listing.rows);
  for (std::size_t i = 0; i < listing.records.size(); ++i) {
    load.rowNumbers.push_back({static_cast<std::uint32_t>(i + 1), load.image.ReadU32(listing.records[i].offset + sh::kSizeOffset)});
  }
  return load;
}

}  // namespace quillmere::save_file
