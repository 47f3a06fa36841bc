// Every writing command on every kind and form of container, real and
// damaged: it refuses and leaves the file byte for byte, or every save it did
// not target still exports byte for byte, read in the file's true form, and a
// check finds nothing it did not find before.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "platform/gzip.h"
#include "support/backup_ram_builder.h"
#include "support/cli_run.h"
#include "support/image_builder.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::RunCliWith;

constexpr std::size_t kMiB = 1024 * 1024;

struct Variant {
  Variant(std::string label, std::string fileName, ByteBuffer bytes, std::string truth, std::string device = "internal",
          std::string game = "")
      : label(std::move(label)), fileName(std::move(fileName)), bytes(std::move(bytes)), truth(std::move(truth)),
        device(std::move(device)), game(std::move(game)) {}
  std::string label;
  std::string fileName;
  ByteBuffer bytes;
  // The --kind that reads the file in its true form; empty: no writer may
  // change the file at all.
  std::string truth;
  std::string device;
  std::string game;  // SS_SAVE.BIN: the game saves go into
};

// Each save as `export --all` writes it, by the file name it gets.
std::map<std::string, ByteBuffer> Exports(const fs::path& file, const Variant& v, const fs::path& out) {
  fs::remove_all(out);
  const auto run = RunCliWith({"export", file.string(), "--all", "--kind", v.truth, "--device", v.device, "--out",
                               out.string()});
  EXPECT_EQ(run.status, 0) << v.label << ": " << run.err;
  std::map<std::string, ByteBuffer> saves;
  std::error_code none;  // no folder: no save was exported
  for (const auto& entry : fs::directory_iterator(out, none)) {
    saves[entry.path().filename().string()] = testing::ReadFile(entry.path());
  }
  return saves;
}

std::set<std::string> CheckCodes(const fs::path& file, const Variant& v) {
  const auto run = RunCliWith({"check", file.string(), "--kind", v.truth, "--device", v.device, "--json"});
  const auto checked = nlohmann::json::parse(run.out);
  std::set<std::string> codes;
  for (const auto& problem : checked["problems"]) codes.insert(problem["code"]);
  return codes;
}

std::vector<Variant> Variants(const fs::path& samples) {
  const auto sample = [&](const char* path) { return testing::ReadFile(samples / path); };
  const ByteBuffer sf3 = sample("emulators/mednafen-shining-force-3/SF3-uncompressed.bcr");
  const ByteBuffer yabause = sample("yabause-one-save/BKRAMSV.BIN");
  const ByteBuffer hyperDuel = sample("emulators/mednafen-hyper-duel/HyperDuel.bkr");
  const auto cartridge = [](std::size_t ramSize, std::size_t blockSize) {
    return testing::BackupRamBuilder(ramSize, blockSize)
        .AddSave(1, testing::NamedSave("ONE", 3000))
        .AddSave(60, testing::NamedSave("TWO", 700, 2));
  };
  ByteBuffer padded = sf3, misformatted = sf3, gzipTrailing(platform::Gzip(yabause.bytes()));
  padded.Append(4096, 0);
  misformatted.MustWriteBE(3, 'X', 1);
  gzipTrailing.Append(16, 0);
  return {
      {"mems", "SS_MEMS.BIN",
       testing::MemsImageBuilder().AddSave(1, 8, testing::NamedSave("ALPHA", 2000)).AddSave(2, 10, testing::NamedSave("BETA", 500, 3)).Build(),
       "mems"},
      {"save", "SS_SAVE.BIN", sample("saroo-two-games/SS_SAVE.BIN"), "save", "internal", "T-1809G"},
      {"word-wide", "BKRAMSV.BIN", yabause, "bkram"},
      {"packed", "HyperDuel.bkr", hyperDuel, "packed"},
      {"gzip", "SF3.bcr", sample("emulators/mednafen-shining-force-3/SF3.bcr"), "bkram"},
      {"two memories, internal", "Rayman.sav", sample("emulators/mister-rayman/Rayman.sav"), "bkram"},
      {"two memories, cartridge", "Rayman.sav", sample("emulators/mister-rayman/Rayman.sav"), "bkram", "cart"},
      {"512 KiB", "SF3.bcr", sf3, "packed"},
      {"1 MiB", "cart.bcr", cartridge(kMiB, 512).BuildRam(), "packed"},
      {"2 MiB", "cart.bcr", cartridge(2 * kMiB, 512).BuildRam(), "packed"},
      {"4 MiB", "cart.bcr", cartridge(4 * kMiB, 1024).BuildRam(), "packed"},
      {"8 MiB word-wide of 1024-byte blocks", "cart.sav", cartridge(4 * kMiB, 1024).BuildFile(), "bkram"},
      {"8 MiB word-wide of 64-byte blocks", "memory.sav", cartridge(4 * kMiB, 64).BuildFile(), "bkram"},
      {"packed under a word-wide name", "BKRAMSV.BIN", hyperDuel, "packed"},
      // Each of these must be refused whole.
      {"empty 8 MiB word-wide", "memory.sav", testing::BackupRamBuilder(4 * kMiB, 1024).BuildFile(), ""},
      {"padded", "SF3.bcr", padded, ""},
      {"short", "SF3.bcr", sf3.Slice(0, sf3.size() - 1), ""},
      {"unrecognisable", "memory.sav", ByteBuffer::Filled(1114112, 0), ""},
      {"format text lost a byte", "SF3.bcr", misformatted, ""},
      {"a memory under SS_MEMS.BIN's name", "SS_MEMS.BIN", yabause, ""},
      {"gzip with bytes after it", "BKRAMSV.BIN", gzipTrailing, ""},
  };
}

// A writing command on the file: its arguments, and the save names it may change.
struct Step {
  std::string label;
  std::function<std::vector<std::string>(const fs::path& file, const Variant& v, const fs::path& dir,
                                         std::set<std::string>& targets)>
      arguments;
};

std::vector<Step> Steps(const fs::path& samples) {
  const fs::path single = samples / "sro-collection" / "DRACULAX_01.SRO";
  const auto game = [](const Variant& v) {
    return v.game.empty() ? std::vector<std::string>{} : std::vector<std::string>{"--game", v.game};
  };
  const auto with = [](std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
  };
  return {
      {"import", [=](const fs::path& file, const Variant& v, const fs::path&, std::set<std::string>& targets) {
         targets.insert("DRACULAX_01");
         return with({"import", file.string(), single.string()}, game(v));
       }},
      {"replace", [=](const fs::path& file, const Variant& v, const fs::path& dir, std::set<std::string>& targets) {
         // The first save, put back over itself.
         fs::path replacement = single;
         if (!v.truth.empty()) {
           const auto run = RunCliWith({"export", file.string(), "--row", "1", "--kind", v.truth, "--device", v.device,
                                        "--out", (dir / "first").string()});
           replacement = run.out.substr(0, run.out.find('\n'));
         }
         targets.insert(replacement.stem().string());
         return with({"import", file.string(), replacement.string(), "--overwrite"}, game(v));
       }},
      {"delete", [](const fs::path& file, const Variant& v, const fs::path&, std::set<std::string>& targets) {
         if (!v.truth.empty()) {
           const auto listed = nlohmann::json::parse(
               RunCliWith({"list", file.string(), "--kind", v.truth, "--device", v.device, "--json"}).out);
           if (!listed["saves"].empty()) targets.insert(listed["saves"][0]["name"].get<std::string>());
         }
         return std::vector<std::string>{"delete", file.string(), "--row", "1"};
       }},
      {"transfer in", [=](const fs::path& file, const Variant& v, const fs::path& dir, std::set<std::string>& targets) {
         targets.insert("DRACULAX_01");
         return with({"transfer", (samples / "yabause-one-save" / "BKRAMSV.BIN").string(), file.string(), "--all",
                      "--out", (dir / "sent").string()},
                     game(v));
       }},
      {"transfer out", [](const fs::path& file, const Variant&, const fs::path& dir, std::set<std::string>&) {
         const fs::path target = dir / "target" / "SS_MEMS.BIN";
         fs::create_directories(target.parent_path());
         RunCliWith({"format", target.string()});
         return std::vector<std::string>{"transfer", file.string(), target.string(), "--all", "--out",
                                         (dir / "out").string()};
       }},
      {"compact", [](const fs::path& file, const Variant&, const fs::path&, std::set<std::string>&) {
         return std::vector<std::string>{"compact", file.string()};
       }},
      {"repair", [](const fs::path& file, const Variant&, const fs::path&, std::set<std::string>&) {
         return std::vector<std::string>{"repair", file.string()};
       }},
      {"clear", [](const fs::path& file, const Variant&, const fs::path&, std::set<std::string>&) {
         return std::vector<std::string>{"clear", file.string()};
       }},
      {"format", [](const fs::path& file, const Variant&, const fs::path&, std::set<std::string>&) {
         return std::vector<std::string>{"format", file.string()};
       }},
  };
}

using OpeningWriters = testing::SamplesTest;

TEST_F(OpeningWriters, EveryCommandOnEveryFormRefusesWholeOrKeepsTheSavesItDidNotTarget) {
  for (const Variant& v : Variants(samples)) {
    testing::TempDir dir;
    const fs::path file = dir / v.fileName;
    std::map<std::string, ByteBuffer> before;
    std::set<std::string> problemsBefore;
    if (!v.truth.empty()) {
      testing::WriteFile(file, v.bytes);
      before = Exports(file, v, dir / "before");
      ASSERT_FALSE(before.empty()) << v.label;
      problemsBefore = CheckCodes(file, v);
    }
    for (const Step& step : Steps(samples)) {
      SCOPED_TRACE(v.label + ", " + step.label);
      testing::WriteFile(file, v.bytes);
      std::set<std::string> targets;
      std::vector<std::string> args = step.arguments(file, v, dir.path(), targets);
      args.insert(args.end(), {"--device", v.device});
      const auto run = RunCliWith(args);
      const ByteBuffer after = testing::ReadFile(file);
      if (after == v.bytes) continue;
      ASSERT_FALSE(v.truth.empty()) << "changed a file it should have refused (exit " << run.status << "): " << run.err;
      const auto saves = Exports(file, v, dir / "after");
      for (const auto& [name, bytes] : before) {
        const bool targeted =
            std::any_of(targets.begin(), targets.end(), [&](const std::string& t) { return name.starts_with(t); });
        if (targeted) continue;
        ASSERT_TRUE(saves.contains(name)) << name << " is gone";
        EXPECT_EQ(saves.at(name), bytes) << name << " changed";
      }
      const std::set<std::string> problems = CheckCodes(file, v);
      EXPECT_TRUE(std::includes(problemsBefore.begin(), problemsBefore.end(), problems.begin(), problems.end()))
          << "the check found something new";
    }
  }
}

}  // namespace
}  // namespace quillmere

namespace quillmere {
namespace {

// YabaSanshiro formats 4 MiB of RAM as its internal memory, in 64-byte
// blocks: made empty, it needs the block size named once; with saves in it,
// they tell it, and it keeps them through a delete.
TEST_F(OpeningWriters, AnExtendedInternalMemoryKeepsItsSmallBlocks) {
  testing::TempDir dir;
  const fs::path file = dir / "yabasanshiro.ram";
  const fs::path singles = samples / "sro-collection";
  ASSERT_EQ(RunCliWith({"format", file.string(), "--like", "yabasanshiro"}).status, 0);
  EXPECT_EQ(testing::ReadFile(file).size(), 8 * kMiB);
  const std::vector<std::string> imports = {"import", file.string(), (singles / "DRACULAX_01.SRO").string(),
                                            (singles / "B_GAREGGA__.SRO").string()};
  EXPECT_EQ(RunCliWith(imports).status, 1);  // empty: either block size would do
  std::vector<std::string> named = imports;
  named.insert(named.end(), {"--block-size", "64"});
  ASSERT_EQ(RunCliWith(named).status, 0);

  const auto map = nlohmann::json::parse(RunCliWith({"map", file.string(), "--json"}).out);
  EXPECT_EQ(map["unitSize"], 64);
  EXPECT_EQ(map["saves"].size(), 2u);
  ASSERT_EQ(RunCliWith({"delete", file.string(), "--name", "DRACULAX_01"}).status, 0);
  const auto exported = RunCliWith({"export", file.string(), "--all", "--format", "sro", "--out", (dir / "out").string()});
  ASSERT_EQ(exported.status, 0) << exported.err;
  EXPECT_EQ(testing::ReadFile(exported.out.substr(0, exported.out.size() - 1)),
            testing::ReadFile(singles / "B_GAREGGA__.SRO"));
  EXPECT_EQ(RunCliWith({"check", file.string()}).status, 0);
}

}  // namespace
}  // namespace quillmere
