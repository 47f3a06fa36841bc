#include <benchmark/benchmark.h>

#include "containers/mems_image.h"
#include "bench_support.h"

namespace {

using quillmere::ByteBuffer;

ByteBuffer FullImage() { return quillmere::bench::FullMemsImage(); }

void BM_ListFullMemsImage(benchmark::State& state) {
  const ByteBuffer image = FullImage();
  for (auto _ : state) benchmark::DoNotOptimize(quillmere::mems::ListMemsImage(image, 10));
}
BENCHMARK(BM_ListFullMemsImage);

void BM_ClearUnusedSpace(benchmark::State& state) {
  const ByteBuffer image = FullImage();
  const auto listing = quillmere::mems::ListMemsImage(image, 10);
  for (auto _ : state) benchmark::DoNotOptimize(quillmere::mems::ClearUnusedSpace(image, listing));
}
BENCHMARK(BM_ClearUnusedSpace);

void BM_CheckMemsImage(benchmark::State& state) {
  const ByteBuffer image = FullImage();
  for (auto _ : state) benchmark::DoNotOptimize(quillmere::mems::CheckMemsImage(image));
}
BENCHMARK(BM_CheckMemsImage);

}  // namespace
