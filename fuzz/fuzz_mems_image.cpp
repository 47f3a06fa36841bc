// Any bytes as an SS_MEMS.BIN image: listing and clearing must stay in
// bounds, and clearing must keep every listed save and be idempotent.
#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>

#include "containers/mems_image.h"

using quillmere::ByteBuffer;
namespace mems = quillmere::mems;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Small inputs are spread over a full image: the header and directory from
  // the input, the rest repeated, so records and cluster lists are reached.
  ByteBuffer image(std::vector<std::uint8_t>(data, data + size));
  if (size > 0 && size < 0x2000 && data[0] & 1) {
    std::vector<std::uint8_t> full(mems::kImageSize);
    std::copy(data, data + size, full.begin());
    // Tile by doubling: a byte-by-byte fill of 8 MiB would dominate each run.
    for (std::size_t filled = size; filled < full.size(); filled *= 2) {
      std::copy_n(full.begin(), std::min(filled, full.size() - filled), full.begin() + static_cast<std::ptrdiff_t>(filled));
    }
    image = ByteBuffer(std::move(full));
  }
  const mems::MemsListing listing = mems::ListMemsImage(image, 1 + (size & 1));
  const ByteBuffer cleared = mems::ClearUnusedSpace(image, listing);
  assert(cleared.size() == image.size());
  for (const mems::MemsSave& save : listing.saves) {
    for (const std::uint32_t cluster : save.clusters) {
      const std::size_t at = std::min(std::size_t{cluster} * mems::kClusterSize, image.size());
      const std::size_t length = std::min(mems::kClusterSize, image.size() - at);
      assert(std::equal(image.data() + at, image.data() + at + length, cleared.data() + at));
    }
  }
  const mems::MemsListing again = mems::ListMemsImage(cleared, 1 + (size & 1));
  assert(again.rows == listing.rows);
  assert(mems::ClearUnusedSpace(cleared, again) == cleared);
  mems::CheckMemsImage(image);
  return 0;
}
