#include <benchmark/benchmark.h>

#include "containers/mems_image.h"
#include "support/image_builder.h"

namespace {

using quillmere::ByteBuffer;
using quillmere::testing::MemsImageBuilder;

// A full directory: 448 saves of mixed sizes packed one after another.
ByteBuffer FullImage() {
  MemsImageBuilder builder;
  std::uint32_t cluster = 8;
  for (int slot = 1; slot <= 448; ++slot) {
    quillmere::testing::TestSave save;
    save.name = "SAVE" + std::to_string(slot);
    save.comment = {0x83, 0x5A, 0x81, 0x5B, 0x83, 0x75, 0};
    save.data = quillmere::testing::PatternData(slot % 3 == 0 ? 8000 : 500, static_cast<std::uint8_t>(slot));
    builder.AddSave(slot, cluster, save);
    cluster += 1 + quillmere::mems::DataClusterCount(save.StoredSize());
  }
  return builder.Build();
}

void BM_ListFullMemsImage(benchmark::State& state) {
  const ByteBuffer image = FullImage();
  for (auto _ : state) benchmark::DoNotOptimize(quillmere::mems::ListMemsImage(image, 1));
}
BENCHMARK(BM_ListFullMemsImage);

void BM_ClearUnusedSpace(benchmark::State& state) {
  const ByteBuffer image = FullImage();
  const auto listing = quillmere::mems::ListMemsImage(image, 1);
  for (auto _ : state) benchmark::DoNotOptimize(quillmere::mems::ClearUnusedSpace(image, listing));
}
BENCHMARK(BM_ClearUnusedSpace);

void BM_CheckMemsImage(benchmark::State& state) {
  const ByteBuffer image = FullImage();
  for (auto _ : state) benchmark::DoNotOptimize(quillmere::mems::CheckMemsImage(image));
}
BENCHMARK(BM_CheckMemsImage);

}  // namespace
