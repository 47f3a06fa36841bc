#include <filesystem>
#include <random>

#include "bench_support.h"
#include "containers/mems_image.h"
#include "operations/save_transfer.h"
#include "platform/file_io.h"
#include "support/image_builder.h"

namespace quillmere::bench {
namespace {

namespace fs = std::filesystem;

// Transferring a full image into an empty one, against the writes it cannot
// avoid: the 448 single saves it leaves in SAROO and two 8 MiB images.
double TransferRatio() {
  const fs::path root = fs::temp_directory_path() / ("quillmere-bench-" + std::to_string(std::random_device()()));
  fs::create_directories(root / "OTHER");
  const ByteBuffer full = FullMemsImage();
  const ByteBuffer empty = testing::MemsImageBuilder().Build();
  platform::WriteFileAtomic(root / "SS_MEMS.BIN", full.bytes());

  SilentHost host;
  Workbench bench(root, host);
  ReloadPane(bench, 1);
  std::vector<ByteBuffer> singles;
  for (std::size_t row = 0; row < bench.pane(1).rows.size(); ++row) singles.push_back(SingleSaveOf(GatherSave(bench.pane(1), row)));

  const double transfer = BestSeconds([&] {
    platform::WriteFileAtomic(root / "OTHER" / "SS_MEMS.BIN", empty.bytes());
    ReloadPane(bench, 2);
    bench.pane(1).selection.clear();
    for (std::size_t row = 0; row < bench.pane(1).rows.size(); ++row) bench.pane(1).selection.push_back(static_cast<int>(row));
    TransferSaves(bench, 1, 2);
  });
  if (bench.pane(2).rows.size() != 448 || !mems::CheckMemsImage(bench.pane(2).image).empty()) {
    std::fprintf(stderr, "transfer-448: the destination did not receive every save\n");
  }
  const double floor = BestSeconds([&] {
    for (std::size_t i = 0; i < singles.size(); ++i) {
      platform::WriteFileAtomic(root / "SAROO" / ("FLOOR" + std::to_string(i) + ".bin"), singles[i].bytes());
    }
    platform::WriteFileAtomic(root / "OTHER" / "FLOOR1.BIN", full.bytes());
    platform::WriteFileAtomic(root / "OTHER" / "FLOOR2.BIN", full.bytes());
  });
  std::error_code ec;
  fs::remove_all(root, ec);
  return transfer / floor;
}

const RegisterRatio kTransfer("transfer-448", 2, TransferRatio);

}  // namespace
}  // namespace quillmere::bench
