#include "containers/save_file.h"

#include <algorithm>
#include <set>

#include "model/conversions.h"
#include "model/save_header.h"

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

std::vector<Problem> CheckSaveFile(const ByteBuffer& image) { return CheckSaveFile(image, ListSaveFile(image).records); }

std::vector<Problem> CheckSaveFile(const ByteBuffer& image, const std::vector<SaveRecord>& records) {
  std::vector<Problem> problems;
  for (const SaveRecord& record : records) {
    // Counted, not copied: a 256 MiB file is checked on every load.
    const std::size_t area = AreaOffset(record.area);
    std::size_t held = 0;
    for (std::size_t k = 1; k < record.units.size(); ++k) {
      const std::size_t at = RecordOffset(area, record.units[k]);
      held += at < image.size() ? std::min(kBlockSize, image.size() - at) : 0;
    }
    const std::string name = DecodeName(record.nameField);
    const std::string where = UintToHex(record.offset);
    if (MarksAreaHeader(image, record.offset)) {
      problems.push_back({TextId::kProblemMarksAreaHeader, {name, where}, Severity::kFatal});
    } else if (held < record.size) {
      problems.push_back({TextId::kProblemRecordSizeExceedsBlocks, {name, where, record.size, held}, Severity::kFatal});
    }
  }
  return problems;
}

SaveFileListing ListSaveFile(const ByteBuffer& image) {
  SaveFileListing listing;
  std::vector<SaveRecord>& records = listing.records;
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    // A label past the end of the file reads as empty and ends the table too.
    if (image.At(SlotLabelOffset(slot)) == 0) break;
    const std::size_t area = AreaOffset(slot);
    for (const std::uint32_t block : RecordChain(image, area)) {
      const std::size_t offset = RecordOffset(area, block);
      SaveRecord record;
      record.num = static_cast<std::uint32_t>(records.size() + 1);
      record.area = slot;
      record.offset = offset;
      record.units = DataBlocks(image, offset);
      record.units.insert(record.units.begin(), block);
      record.nameField = image.Slice(offset, kRecordNameSize);
      record.commentField = image.Slice(offset + sh::kCommentOffset, sh::kShownCommentBytes);
      record.language = image.At(offset + sh::kCommentOffset + sh::kCommentSize - 1);
      record.date = image.ReadU32(offset + sh::kDateOffset);
      record.size = image.ReadU32(offset + sh::kSizeOffset);
      records.push_back(std::move(record));
    }
  }
  return listing;
}

}  // namespace quillmere::save_file
