#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "bench_support.h"
#include "platform/file_io.h"
#include "platform/history.h"
#include "containers/mems_image.h"
#include "support/image_builder.h"

#ifndef _WIN32
#include <unistd.h>
#endif

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

void KeepVersionFloor(const std::vector<std::uint8_t>& stored) {
  const auto folder = platform::history::Folder();
  if (!folder) return;  // history off: no version is kept
  platform::EnsureDirectory(*folder);
  platform::WriteFileAtomic(*folder / "FLOOR.qmv", stored, false);
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

namespace {

// Each ratio is measured this many times and the median printed, so that
// one run the disk or the machine slowed down does not decide.
constexpr int kRatioRuns = 5;

double MedianRatio(const quillmere::bench::RatioGoal& goal) {
  std::vector<double> ratios;
  for (int run = 0; run < kRatioRuns; ++run) {
#ifndef _WIN32
    // Every run starts with nothing left to write: the synced writes it
    // times then pay for their own bytes, not for what an earlier run (its
    // removed folders, the 448 files of a transfer) left the disk to do.
    sync();
#endif
    ratios.push_back(goal.measure());
  }
  // The single runs on stderr, beside the line scripts read.
  std::fprintf(stderr, "runs %s", goal.name.c_str());
  for (const double ratio : ratios) std::fprintf(stderr, " %.2f", ratio);
  std::fprintf(stderr, "\n");
  std::sort(ratios.begin(), ratios.end());
  return ratios[ratios.size() / 2];
}

// `--ratios=NAME,NAME`: only those goals (for profiling one); none: all.
bool Chosen(const std::string& chosen, const std::string& name) {
  return chosen.empty() || ("," + chosen + ",").find("," + name + ",") != std::string::npos;
}

}  // namespace

int main(int argc, char** argv) {
  constexpr std::string_view kRatiosOption = "--ratios=";
  std::string chosen;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]).starts_with(kRatiosOption)) {
      chosen = argv[i] + kRatiosOption.size();
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // One line per goal, last, so a script can read them.
  for (const auto& goal : quillmere::bench::RatioGoals()) {
    if (!Chosen(chosen, goal.name)) continue;
    std::printf("ratio %s %.2f %g\n", goal.name.c_str(), MedianRatio(goal), goal.goal);
    std::fflush(stdout);
  }
  return 0;
}
