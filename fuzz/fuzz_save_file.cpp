// Any bytes as an SS_SAVE.BIN file: the listing must stay in bounds, end
// every record chain, and read each record's data within its area.
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <utility>

#include "containers/save_file.h"

using quillmere::ByteBuffer;
namespace save_file = quillmere::save_file;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteBuffer image(std::vector<std::uint8_t>(data, data + size));
  // Small inputs are repeated over a slot table and three areas, so that
  // labels, chains and bitmaps are reached.
  if (size > 0 && size < 0x2000 && data[0] & 1) {
    std::vector<std::uint8_t> full(4 * save_file::kAreaSize);
    for (std::size_t i = 0; i < full.size(); ++i) full[i] = data[i % size];
    image = ByteBuffer(std::move(full));
  }

  const save_file::SaveFileListing listing = save_file::ListSaveFile(image);
  std::set<std::pair<int, std::uint32_t>> seen;
  int lastSlot = 0;
  for (std::size_t i = 0; i < listing.records.size(); ++i) {
    const quillmere::SaveRecord& record = listing.records[i];
    assert(record.area >= lastSlot && record.area >= 1 && record.area <= save_file::kSlotCount);
    lastSlot = record.area;
    const std::uint32_t block = record.units.front();
    assert(block != 0);
    assert(record.offset == save_file::RecordOffset(save_file::AreaOffset(record.area), block));
    assert(seen.insert({record.area, block}).second);  // no chain lists a record twice
    assert(record.num == i + 1);
    const ByteBuffer recordData = save_file::ReadRecordData(image, record.offset);
    assert(recordData.size() <= save_file::kAreaSize);
  }
  for (int slot = 1; slot <= save_file::kSlotCount; ++slot) {
    if (save_file::AreaOffset(slot) > image.size()) break;
    assert(save_file::RecordChain(image, save_file::AreaOffset(slot)).size() <= save_file::kMaxRecordsPerArea);
  }
  return 0;
}
