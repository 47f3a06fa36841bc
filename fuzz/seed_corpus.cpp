// Writes the seed corpus of each fuzz target that takes containers or single
// saves, made by the test builders: quillmere_fuzz_seeds CORPUS_FOLDER.
// Seeds are named "seed-N" and rewritten on every run; libFuzzer adds its own.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "containers/backup_ram.h"
#include "containers/backup_ram_write.h"
#include "platform/gzip.h"
#include "fuzz_inputs.h"
#include "singlesave/bup_file.h"
#include "singlesave/single_save_file.h"
#include "support/backup_ram_builder.h"
#include "support/image_builder.h"
#include "support/save_file_builder.h"

namespace fs = std::filesystem;
using quillmere::ByteBuffer;
using quillmere::testing::NamedSave;
namespace fuzzing = quillmere::fuzzing;
namespace singlesave = quillmere::singlesave;

namespace {

class Corpus {
 public:
  Corpus(const fs::path& root, const std::string& target) : folder_(root / target) { fs::create_directories(folder_); }
  void Add(std::uint8_t first, const ByteBuffer& rest) {
    ByteBuffer seed(std::vector<std::uint8_t>{first});
    seed.Append(rest);
    std::ofstream(folder_ / ("seed-" + std::to_string(count_++)), std::ios::binary)
        .write(reinterpret_cast<const char*>(seed.data()), static_cast<std::streamsize>(seed.size()));
  }

 private:
  fs::path folder_;
  int count_ = 0;
};

// A 64 KiB SS_MEMS.BIN head: the directory and the first 56 data clusters.
ByteBuffer SmallMemsImage() {
  quillmere::testing::MemsImageBuilder builder(0x10000);
  builder.AddSave(1, 8, NamedSave("SMALL", 10, 1))
      .AddSave(2, 10, NamedSave("EXACT", 960, 2))
      .AddSave(4, 20, NamedSave("LARGE", 3000, 3), {30, 25, 40})
      .AddSave(6, 41, NamedSave("LATER", 1500, 4));
  return builder.Build();
}

ByteBuffer BackupRam(std::size_t ramSize) {
  quillmere::testing::BackupRamBuilder builder(ramSize);
  builder.AddSave(1, NamedSave("TINY", 20, 1)).AddSave(3, NamedSave("CHAIN", 500, 2), {20, 9, 12, 4, 5, 6, 7, 8, 10})
      .AddSave(40, NamedSave("EXACT", 28, 3));
  return ramSize == 0x8000 ? builder.BuildRam() : builder.BuildFile();
}

ByteBuffer SaveFile() {
  quillmere::testing::SaveFileBuilder builder;
  builder.SetSlot(1, "GAME_A").SetSlot(2, "GAME_B");
  builder.AddRecord(1, 1, NamedSave("FIRST", 300, 1)).AddRecord(1, 10, NamedSave("SECOND", 128, 2), {5, 7})
      .AddRecord(1, 3, NamedSave("THIRD", 0, 3));
  return fuzzing::PackSaveFile(builder.Build());
}

ByteBuffer Saroo(const std::string& name, std::size_t size, std::uint8_t seed) {
  const auto save = NamedSave(name, size, seed);
  return singlesave::BuildSarooSingleSave(ByteBuffer(quillmere::testing::FixedField(save.name, 12)), save.StoredSize(),
                                          ByteBuffer(quillmere::testing::FixedField(save.comment, 12)), save.date,
                                          ByteBuffer(save.data));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const fs::path root = argv[1];

  Corpus exportSeeds(root, "fuzz_export");
  exportSeeds.Add(0, SmallMemsImage());
  exportSeeds.Add(1, BackupRam(0x4000));
  exportSeeds.Add(2, BackupRam(0x8000));
  exportSeeds.Add(3, SaveFile());

  // Import: the mode byte, then the single save (or, mode 3, a length, the
  // single save and an image).
  const std::vector<ByteBuffer> singles = {Saroo("NEW", 0, 1),     Saroo("SMALL", 12, 2), Saroo("EXACT", 960, 3),
                                           Saroo("LARGE", 961, 4), Saroo("BIG", 30000, 5), Saroo("HUGE", 60000, 6)};
  Corpus importSeeds(root, "fuzz_import");
  for (std::size_t k = 0; k < singles.size(); ++k) {
    const auto row = static_cast<std::uint8_t>(k << 3);
    importSeeds.Add(row | 0, singles[k]);
    importSeeds.Add(row | 4, singles[k]);
    importSeeds.Add(row | 1, singlesave::BupFromSaroo(singles[k]));
    importSeeds.Add(row | 2, singles[k]);
  }
  ByteBuffer mixed(std::vector<std::uint8_t>(2));
  mixed.MustWriteBE(0, singles[3].size(), 2);
  mixed.Append(singles[3]);
  mixed.Append(SmallMemsImage().Slice(0, 0xC000));
  importSeeds.Add(3, mixed);
  importSeeds.Add(4 | 3, mixed);

  // SS_SAVE.BIN writes: the change byte, 32 control bytes (name, size, game
  // pick, delete mask, raw game ID), then the packed file.
  Corpus saveWriteSeeds(root, "fuzz_save_file_write");
  for (const std::uint32_t saveSize : {0u, 128u, 300u, 20000u}) {
    for (const std::uint8_t pick : {0, 1, 0x80}) {
      ByteBuffer seed = ByteBuffer::FromText(pick == 1 ? "SECOND" : "NEWSAVE");
      seed.Resize(12);
      seed.Append(ByteBuffer{static_cast<std::uint8_t>(saveSize >> 8), static_cast<std::uint8_t>(saveSize), pick, 0x05});
      seed.Append(ByteBuffer::FromText("T-1809G   V1.001"));
      seed.Append(SaveFile());
      saveWriteSeeds.Add(0, seed);
      saveWriteSeeds.Add(1, seed);
    }
  }

  // Opening and importing: the name and --kind byte, the device byte, then a
  // container of each kind under each name, with and without a kind named.
  Corpus openSeeds(root, "fuzz_open_import");
  const std::vector<ByteBuffer> containers = {SmallMemsImage(), BackupRam(0x4000),
                                              BackupRam(0x8000), fuzzing::SaveFileFrom(SaveFile())};
  for (std::uint8_t pick = 0; pick < 30; ++pick) {
    for (const ByteBuffer& container : containers) {
      ByteBuffer seed{0};
      seed.Append(container);
      openSeeds.Add(pick, seed);
    }
  }

  Corpus compactSeeds(root, "fuzz_compact");
  compactSeeds.Add(0, SmallMemsImage());

  // Care: the mode byte, the number of slots and the slot bytes, then the
  // image for mode 0.
  Corpus careSeeds(root, "fuzz_care");
  careSeeds.Add(1, ByteBuffer{2, 3, 6});
  careSeeds.Add(1, ByteBuffer{1, 9});
  ByteBuffer careImage{2, 3, 8};
  careImage.Append(SmallMemsImage());
  careSeeds.Add(0, careImage);

  // Backup RAM and .BUP: the mode byte, then a RAM, a .BUP or a SAROO save.
  Corpus bupSeeds(root, "fuzz_backup_bup");
  bupSeeds.Add(0, BackupRam(0x8000));
  for (const ByteBuffer& single : singles) {
    bupSeeds.Add(1, singlesave::BupFromSaroo(single));
    bupSeeds.Add(2, single);
  }

  // Backup-RAM import: the mode byte, the size, a name byte, then a word-wide
  // file, or (mode bit 0) the head of a RAM to repeat.
  // Memory files as emulators keep them, each recognised by its content.
  Corpus listingSeeds(root, "fuzz_backup_ram");
  {
    quillmere::testing::BackupRamBuilder cart(512 * 1024, 512);
    cart.AddSave(2, NamedSave("CART", 1500, 4));
    ByteBuffer mister = quillmere::backup_ram::RamIntoWordWide({}, BackupRam(0x8000));
    mister.Append(quillmere::backup_ram::RamIntoWordWide({}, cart.BuildRam()));
    for (const ByteBuffer& file : {BackupRam(0x8000), BackupRam(0x4000), ByteBuffer(quillmere::platform::Gzip(cart.BuildRam().bytes())),
                                   ByteBuffer(quillmere::platform::Gzip(mister.bytes()))}) {
      listingSeeds.Add(file.At(0), file.Slice(1, file.size()));
    }
  }
  Corpus bkramSeeds(root, "fuzz_bkram_import");
  for (const std::uint32_t saveSize : {0u, 29u, 500u, 4388u}) {
    const ByteBuffer head{static_cast<std::uint8_t>(saveSize >> 8), static_cast<std::uint8_t>(saveSize), 'N'};
    for (const std::uint8_t mode : {0, 2, 4, 6, 2 | 8, 6 | 16}) {
      ByteBuffer seed = head;
      seed.Append(BackupRam(0x4000));
      bkramSeeds.Add(mode, seed);
      seed = head;
      seed.Append(BackupRam(0x8000).Slice(0, 0x3000));
      bkramSeeds.Add(mode | 1, seed);
    }
    // Memory files recognised by content: packed, a gzip cartridge, and a
    // MiSTer file of two memories, gzip-compressed so it stays short.
    quillmere::testing::BackupRamBuilder cart(512 * 1024, 512);
    cart.AddSave(2, NamedSave("CART", 1500, 4)).AddSave(9, NamedSave("MORE", 20, 5));
    ByteBuffer mister = quillmere::backup_ram::RamIntoWordWide({}, BackupRam(0x8000));
    mister.Append(quillmere::backup_ram::RamIntoWordWide({}, cart.BuildRam()));
    const auto gzip = [](const ByteBuffer& bytes) { return ByteBuffer(quillmere::platform::Gzip(bytes.bytes())); };
    for (const ByteBuffer& file : {BackupRam(0x8000), gzip(cart.BuildRam()), gzip(mister)}) {
      for (const std::uint8_t mode : {16, 2 | 16, 4 | 16 | 32, 2 | 16 | 32}) {
        ByteBuffer seed = head;
        seed.Append(file);
        bkramSeeds.Add(mode, seed);
      }
    }
  }
  return 0;
}
