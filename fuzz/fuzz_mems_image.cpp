// Any bytes as an SS_MEMS.BIN image: listing and clearing must stay in
// bounds, and clearing must keep every listed save and be idempotent.
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
    for (std::size_t i = 0; i < full.size(); ++i) full[i] = data[i % size];
    image = ByteBuffer(std::move(full));
  }
  const mems::MemsListing listing = mems::ListMemsImage(image, 1 + (size & 1));
  const ByteBuffer cleared = mems::ClearUnusedSpace(image, listing);
  assert(cleared.size() == image.size());
  for (const mems::MemsSave& save : listing.saves) {
    for (const std::uint32_t cluster : save.clusters) {
      const std::size_t at = std::size_t{cluster} * mems::kClusterSize;
      assert(cleared.Slice(at, mems::kClusterSize) == image.Slice(at, mems::kClusterSize));
    }
  }
  const mems::MemsListing again = mems::ListMemsImage(cleared, 1 + (size & 1));
  assert(again.rows == listing.rows);
  assert(mems::ClearUnusedSpace(cleared, again) == cleared);
  mems::CheckMemsImage(image);
  return 0;
}
