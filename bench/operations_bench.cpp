#include <algorithm>
#include <filesystem>
#include <random>

#include "bench_support.h"
#include "containers/backup_ram_write.h"
#include "containers/mems_image.h"
#include "operations/compacting.h"
#include "operations/file_writes.h"
#include "operations/save_transfer.h"
#include "platform/file_io.h"
#include "platform/history.h"
#include "support/image_builder.h"
#include "singlesave/single_save_file.h"

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
  for (std::size_t row = 0; row < bench.pane(1).rows.size(); ++row) singles.push_back(SingleSaveOf(GatherSave(bench.pane(1), bench.pane(1).RecordOfRow(row))));

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
  const platform::Bytes kept = platform::history::StoredForm(full.bytes());
  const double floor = BestSeconds([&] {
    for (std::size_t i = 0; i < singles.size(); ++i) {
      platform::WriteFileAtomic(root / "SAROO" / ("FLOOR" + std::to_string(i) + ".bin"), singles[i].bytes());
    }
    platform::WriteFileAtomic(root / "OTHER" / "FLOOR1.BIN", full.bytes());
    platform::WriteFileAtomic(root / "OTHER" / "FLOOR2.BIN", full.bytes());
    KeepVersionFloor(kept);
  });
  std::error_code ec;
  fs::remove_all(root, ec);
  return transfer / floor;
}

// 448 saves of mixed sizes whose records and data clusters lie scattered.
ByteBuffer FragmentedMemsImage() {
  std::vector<std::uint32_t> clusters;
  for (std::uint32_t c = 8; c < 8064; ++c) clusters.push_back(c);
  std::shuffle(clusters.begin(), clusters.end(), std::mt19937(448));
  testing::MemsImageBuilder builder;
  std::size_t next = 0;
  for (int slot = 1; slot <= 448; ++slot) {
    const testing::TestSave save = testing::NamedSave("SAVE" + std::to_string(slot), std::vector<std::size_t>{300, 3000, 9000}[slot % 3],
                                                      static_cast<std::uint8_t>(slot));
    const std::uint32_t record = clusters[next++];
    std::vector<std::uint32_t> data;
    for (std::uint32_t k = 0; k < mems::DataClusterCount(save.StoredSize()); ++k) data.push_back(clusters[next++]);
    builder.AddSave(slot, record, save, data);
  }
  return builder.Build();
}

// Compacting a scattered image, against one read and one atomic write of it.
double CompactRatio() {
  const fs::path root = fs::temp_directory_path() / ("quillmere-bench-" + std::to_string(std::random_device()()));
  fs::create_directories(root);
  const ByteBuffer fragmented = FragmentedMemsImage();
  SilentHost host;
  Workbench bench(root, host);
  double compact = 1e30;
  for (int run = 0; run < 3; ++run) {
    platform::WriteFileAtomic(root / "SS_MEMS.BIN", fragmented.bytes());
    ReloadPane(bench, 1);
    compact = std::min(compact, BestSeconds([&] { CompactPane(bench, 1); }, 1));
  }
  if (bench.pane(1).rows.size() != 448 || !mems::CheckMemsImage(bench.pane(1).image).empty()) {
    std::fprintf(stderr, "compact-full: the image did not come back whole\n");
  }
  const platform::Bytes kept = platform::history::StoredForm(fragmented.bytes());
  const double floor = BestSeconds([&] {
    const platform::FileContents read = platform::ReadFileChecked(root / "SS_MEMS.BIN");
    platform::WriteFileAtomic(root / "FLOOR.BIN", read.bytes);
    KeepVersionFloor(kept);
  });
  std::error_code ec;
  fs::remove_all(root, ec);
  return compact / floor;
}

// Importing 64 saves into an empty internal memory, written once, against
// the reads and the write it cannot avoid: the 64 single saves, and the
// memory's file read and written once.
double BackupRamImportRatio() {
  // A few milliseconds each, most of them a synced write: the best of more
  // runs, on both sides, so that a disk busy with other work does not decide.
  constexpr int kRuns = 9;
  const fs::path root = fs::temp_directory_path() / ("quillmere-bench-" + std::to_string(std::random_device()()));
  // Each run imports into an empty memory of its own, made beforehand, so
  // that resetting the file is not timed.
  for (int run = 0; run < kRuns; ++run) {
    fs::create_directories(root / std::to_string(run) / "OTHER");
    platform::WriteFileAtomic(root / std::to_string(run) / "SS_BUP.BIN", backup_ram::EmptyInternalBackupRamFile().bytes());
  }
  fs::create_directories(root / "SAROO");
  std::vector<fs::path> singles;
  for (int i = 0; i < 64; ++i) {
    const ByteBuffer data = ByteBuffer::Filled(300, static_cast<std::uint8_t>(i));
    const ByteBuffer single = singlesave::BuildSarooSingleSave(ByteBuffer::FromText("SAVE" + std::to_string(i)), 300,
                                                               ByteBuffer::FromText("BENCH"), 0, data);
    singles.push_back(root / "SAROO" / ("SAVE" + std::to_string(i) + ".bin"));
    platform::WriteFileAtomic(singles.back(), single.bytes());
  }
  const platform::Bytes kept = platform::history::StoredForm(backup_ram::EmptyInternalBackupRamFile().bytes());
  std::size_t imported = 0;
  // As the command line imports: the memory opened, the saves placed in
  // memory, the file written once. Each import is timed beside a floor, so
  // both meet the disk in the same state; the best of each is compared.
  double import = 1e30;
  double floor = 1e30;
  for (int run = 0; run < kRuns; ++run) {
    import = std::min(import, BestSeconds(
                                  [&] {
                                    PaneLoad memory = LoadContainerFile(root / std::to_string(run) / "SS_BUP.BIN", false);
                                    ImportFiles(memory, singles, {}, nullptr);
                                    WriteContainer(memory, quillmere::WriteOperation::kImport);
                                    imported = memory.records.size();
                                  },
                                  1));
    floor = std::min(floor, BestSeconds(
                                [&] {
                                  for (const fs::path& single : singles) platform::ReadFileChecked(single);
                                  const platform::FileContents read = platform::ReadFileChecked(root / "0" / "SS_BUP.BIN");
                                  platform::WriteFileAtomic(root / "FLOOR.BIN", read.bytes);
                                  KeepVersionFloor(kept);
                                },
                                1));
  }
  if (imported != 64) std::fprintf(stderr, "bkram-import-64: not every save went in\n");
  std::error_code ec;
  fs::remove_all(root, ec);
  return import / floor;
}

const RegisterRatio kTransfer("transfer-448", 2, TransferRatio);
const RegisterRatio kBackupRamImport("bkram-import-64", 1.5, BackupRamImportRatio);
const RegisterRatio kCompact("compact-full", 4, CompactRatio);

}  // namespace
}  // namespace quillmere::bench
