// Any bytes as an SS_MEMS.BIN image: listing and clearing must stay in
// bounds, and clearing must keep every listed save, touch clusters 0-7 only
// in directory slots not in use, and be idempotent.
#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <set>

#include "containers/mems_image.h"

using quillmere::ByteBuffer;
namespace mems = quillmere::mems;

namespace {

// Small inputs are tiled over a model of the image: the header, the
// directory and the first records, 128 clusters in all. The layout code
// reads whatever length it is given, and a full 8 MiB image per input would
// spend each run allocating and comparing megabytes nobody points into.
constexpr std::size_t kModelSize = 128 * mems::kClusterSize;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ByteBuffer image(std::vector<std::uint8_t>(data, data + size));
  if (size > 0 && size < kModelSize && data[0] & 1) {
    std::vector<std::uint8_t> model(kModelSize);
    for (std::size_t filled = 0; filled < model.size(); filled += size) {
      std::copy_n(data, std::min(size, model.size() - filled), model.begin() + static_cast<std::ptrdiff_t>(filled));
    }
    image = ByteBuffer(std::move(model));
  }
  const std::size_t pane = size & 1 ? 12 : 10;  // the comment bytes of pane 2 and pane 1
  const mems::MemsListing listing = mems::ListMemsImage(image, pane);
  const ByteBuffer cleared = mems::ClearUnusedSpace(image, listing);
  assert(cleared.size() == image.size());
  std::set<int> listedSlots;
  for (const quillmere::SaveRecord& save : listing.records) {
    listedSlots.insert(static_cast<int>(save.num));
    for (const std::uint32_t cluster : save.units) {
      const std::size_t at = std::min(std::size_t{cluster} * mems::kClusterSize, image.size());
      const std::size_t length = std::min(mems::kClusterSize, image.size() - at);
      assert(std::equal(image.data() + at, image.data() + at + length, cleared.data() + at));
    }
  }
  const std::size_t reserved = std::min(image.size(), mems::kDataAreaOffset);
  for (std::size_t at = 0; at < reserved; ++at) {
    if (image.At(at) == cleared.At(at)) continue;
    assert(at >= mems::kDirectoryOffset);
    assert(!listedSlots.contains(static_cast<int>((at - mems::kDirectoryOffset) / mems::kDirectoryEntrySize) + 1));
  }
  const mems::MemsListing again = mems::ListMemsImage(cleared, pane);
  assert(PresentSaves(again.records) == PresentSaves(listing.records));
  assert(mems::ClearUnusedSpace(cleared, again) == cleared);
  mems::CheckMemsImage(image);
  return 0;
}
