#include <benchmark/benchmark.h>

#include <cstdio>

#include "bench_support.h"
#include "containers/mems_image.h"
#include "support/image_builder.h"

namespace quillmere::bench {

ByteBuffer FullMemsImage() {
  testing::MemsImageBuilder builder;
  std::uint32_t cluster = 8;
  for (int slot = 1; slot <= 448; ++slot) {
    testing::TestSave save;
    save.name = "SAVE" + std::to_string(slot);
    save.comment = {0x83, 0x5A, 0x81, 0x5B, 0x83, 0x75, 0};
    save.data = testing::PatternData(slot % 3 == 0 ? 8000 : 500, static_cast<std::uint8_t>(slot));
    builder.AddSave(slot, cluster, save);
    cluster += 1 + mems::DataClusterCount(save.StoredSize());
  }
  return builder.Build();
}

double BestSeconds(const std::function<void()>& work, int runs) {
  double best = 1e30;
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    work();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

std::vector<RatioGoal>& RatioGoals() {
  static std::vector<RatioGoal> goals;
  return goals;
}

}  // namespace quillmere::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // One line per goal, last, so a script can read them.
  for (const auto& goal : quillmere::bench::RatioGoals()) {
    std::printf("ratio %s %.2f %g\n", goal.name.c_str(), goal.measure(), goal.goal);
  }
  return 0;
}
