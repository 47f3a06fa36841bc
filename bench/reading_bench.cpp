#include <filesystem>
#include <random>

#include "bench_support.h"
#include "containers/mems_image.h"
#include "containers/save_file.h"
#include "operations/pane_load.h"
#include "platform/file_io.h"
#include "support/image_builder.h"
#include "support/save_file_builder.h"

namespace quillmere::bench {
namespace {

namespace fs = std::filesystem;

fs::path ScratchFile(const char* name) {
  const fs::path folder = fs::temp_directory_path() / ("quillmere-bench-" + std::to_string(std::random_device()()));
  fs::create_directories(folder);
  return folder / name;
}

// Loading a file as a pane does, against reading its bytes alone.
double LoadRatio(const fs::path& file, const std::function<void()>& load) {
  const double loading = BestSeconds(load, 5);
  const double reading = BestSeconds([&] { platform::ReadFileChecked(file); }, 5);
  std::error_code ec;
  fs::remove_all(file.parent_path(), ec);
  return loading / reading;
}

// A reading as `list` makes it: nothing will be written.
ContainerReading Listing() {
  ContainerReading reading;
  reading.listingOnly = true;
  return reading;
}

// 448 saves with GBK names and Shift-JIS comments.
double ListMemsRatio() {
  testing::MemsImageBuilder builder;
  std::uint32_t cluster = 8;
  for (int slot = 1; slot <= 448; ++slot) {
    testing::TestSave save = testing::NamedSave("\xB4\xE6\xB5\xB5" + std::to_string(slot), slot % 3 == 0 ? 6000 : 400,
                                                static_cast<std::uint8_t>(slot));
    save.comment = {0x83, 0x5A, 0x81, 0x5B, 0x83, 0x75, 0x82, 0xA0, 0x82, 0xA2};  // セーブあい
    builder.AddSave(slot, cluster, save);
    cluster += 1 + mems::DataClusterCount(save.StoredSize());
  }
  const fs::path file = ScratchFile("SS_MEMS.BIN");
  platform::WriteFileAtomic(file, builder.Build().bytes());
  return LoadRatio(file, [&] {
    const PaneLoad load = LoadContainerFile(file, false, Listing());
    if (PresentSaves(load.records).size() != 448) std::fprintf(stderr, "list-mems-full: rows missing\n");
  });
}

// 4095 areas of 64 KiB, one save each.
double ListSaveFileRatio() {
  testing::SaveFileBuilder builder;
  for (int slot = 1; slot <= 4095; ++slot) {
    testing::TestSave save = testing::NamedSave("GAME_" + std::to_string(slot), 1000, static_cast<std::uint8_t>(slot));
    save.comment = {0x83, 0x5A, 0x81, 0x5B, 0x83, 0x75};
    builder.SetSlot(slot, "GAME_" + std::to_string(slot)).AddRecord(slot, 1, save);
  }
  const fs::path file = ScratchFile("SS_SAVE.BIN");
  platform::WriteFileAtomic(file, builder.Build().bytes());
  return LoadRatio(file, [&] {
    const PaneLoad load = LoadContainerFile(file, false, Listing());
    if (PresentSaves(load.records).size() != 4095) std::fprintf(stderr, "list-save-256m: rows missing\n");
  });
}

const RegisterRatio kListMems("list-mems-full", 1.5, ListMemsRatio);
const RegisterRatio kListSave("list-save-256m", 1.5, ListSaveFileRatio);

}  // namespace
}  // namespace quillmere::bench
