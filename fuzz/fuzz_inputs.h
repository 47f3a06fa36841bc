// Shared pieces of the fuzz targets: how an input becomes a container, and
// the images the import and care targets start from.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "containers/mems_image.h"
#include "model/byte_buffer.h"
#include "operations/host.h"
#include "support/image_builder.h"

namespace quillmere::fuzzing {

// A folder of this run's own for the targets that work on files: in memory
// where the system has one.
inline std::filesystem::path ScratchFolder(const std::string& target) {
  namespace fs = std::filesystem;
  const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  const fs::path folder = base / ("quillmere-fuzz-" + target + "-" + std::to_string(getpid()));
  fs::create_directories(folder);
  return folder;
}

inline ByteBuffer Bytes(const std::uint8_t* data, std::size_t size) {
  return ByteBuffer(std::vector<std::uint8_t>(data, data + size));
}

// An SS_SAVE.BIN from a short input: its first 4 KiB are the head of area 0
// (the first 256 slot labels), the rest lands at area 1 on, so one input
// reaches both the slot table and a chain of records.
inline constexpr std::size_t kSlotTableHead = 0x1000;
inline ByteBuffer SaveFileFrom(const ByteBuffer& input) {
  if (input.size() <= kSlotTableHead) return input;
  ByteBuffer image(std::vector<std::uint8_t>(0x10000 + input.size() - kSlotTableHead));
  image.MustWrite(0, input.Slice(0, kSlotTableHead));
  image.MustWrite(0x10000, input.Slice(kSlotTableHead, input.size()));
  return image;
}

// The inverse, for seeds: area 0's head and everything from area 1 on.
inline ByteBuffer PackSaveFile(const ByteBuffer& image) {
  ByteBuffer packed = image.Slice(0, kSlotTableHead);
  packed.Resize(kSlotTableHead);
  packed.Append(image.Slice(0x10000, image.size()));
  return packed;
}

// A consistent image with gaps between its saves, small and large ones, and
// slots left empty between used ones.
inline ByteBuffer ImageWithGaps() {
  using testing::NamedSave;
  testing::MemsImageBuilder builder;
  builder.AddSave(1, 8, NamedSave("SMALL", 10, 1))
      .AddSave(2, 12, NamedSave("EXACT", 960, 2))
      .AddSave(4, 20, NamedSave("LARGE", 3000, 3), {30, 25, 40})
      .AddSave(5, 50, NamedSave("EMPTY", 0, 4))
      .AddSave(7, 60, NamedSave("BIG", 20000, 5));
  return builder.Build();
}

// A consistent image with few clusters left, scattered, so plans run out.
inline ByteBuffer NearlyFullImage() {
  using testing::NamedSave;
  testing::MemsImageBuilder builder;
  std::uint32_t next = 8;
  int slot = 1;
  // Saves of 400 data clusters each, one cluster left free after every save.
  while (next + 402 < mems::kBitmapClusters) {
    std::vector<std::uint32_t> clusters;
    for (std::uint32_t k = 0; k < 400; ++k) clusters.push_back(next + 1 + k);
    builder.AddSave(slot, next, NamedSave("FILL" + std::to_string(slot), 400 * 1024, static_cast<std::uint8_t>(slot)),
                    clusters);
    next += 402;
    ++slot;
  }
  return builder.Build();
}

// A host that answers every question with OK and remembers the messages.
class QuietHost : public Host {
 public:
  void ShowMessage(const Message& message) override { messages.push_back(message); }
  bool AskOkCancel(const Message&) override { return true; }
  std::optional<ChoiceAnswer> AskChoice(const Message&, const std::vector<Message>& choices, std::size_t chosen) override {
    return chosen < choices.size() ? std::optional<ChoiceAnswer>(ChoiceAnswer{chosen, {}}) : std::nullopt;
  }
  std::optional<std::filesystem::path> PickOpenFile(FileFilter, const std::filesystem::path&) override {
    return std::nullopt;
  }
  std::vector<std::filesystem::path> PickOpenFiles(FileFilter, const std::filesystem::path&) override { return {}; }
  bool RevealFile(const std::filesystem::path&) override { return true; }
  void PaneChanged(int) override {}
  void ButtonChanged(int, PaneButton, const std::optional<Message>&, bool) override {}
  std::vector<Message> messages;
};

}  // namespace quillmere::fuzzing
