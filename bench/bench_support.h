#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "model/byte_buffer.h"
#include "operations/host.h"

// What the benchmarks share: the images they work on, a host that stays
// silent, and the goals whose measured ratios `make bench` prints last.
namespace quillmere::bench {

// A full directory: 448 saves of mixed sizes packed one after another.
ByteBuffer FullMemsImage();

class SilentHost : public Host {
 public:
  void ShowMessage(const Message&) override {}
  bool AskOkCancel(const Message&) override { return false; }
  std::optional<ChoiceAnswer> AskChoice(const Message&, const std::vector<Message>&, std::size_t) override {
    return std::nullopt;
  }
  std::optional<std::filesystem::path> PickOpenFile(FileFilter, const std::filesystem::path&) override {
    return std::nullopt;
  }
  std::vector<std::filesystem::path> PickOpenFiles(FileFilter, const std::filesystem::path&) override { return {}; }
  bool RevealFile(const std::filesystem::path&) override { return true; }
  void PaneChanged(int) override {}
  void ButtonChanged(int, PaneButton, const std::optional<Message>&, bool) override {}
};

// The write every container write cannot avoid besides its own: the file's
// previous bytes kept as a version, `stored` (platform::history::StoredForm
// of them, made before the timing: deflating them is the operation's work)
// written unsynced as the history writes them.
void KeepVersionFloor(const std::vector<std::uint8_t>& stored);

// Seconds one call of `work` takes, the best of `runs`.
double BestSeconds(const std::function<void()>& work, int runs = 3);

// A goal: the work measured against its physical floor, in the same run.
struct RatioGoal {
  std::string name;
  double goal;
  std::function<double()> measure;  // the measured ratio
};
std::vector<RatioGoal>& RatioGoals();
struct RegisterRatio {
  RegisterRatio(std::string name, double goal, std::function<double()> measure) {
    RatioGoals().push_back({std::move(name), goal, std::move(measure)});
  }
};

}  // namespace quillmere::bench
