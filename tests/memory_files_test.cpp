#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "containers/backup_memory_file.h"
#include "containers/backup_ram.h"
#include "containers/backup_ram_write.h"
#include "operations/image_care.h"
#include "operations/pane_load.h"
#include "operations/save_transfer.h"
#include "operations/workbench.h"
#include "platform/gzip.h"
#include "singlesave/single_save_file.h"
#include "support/backup_ram_builder.h"
#include "support/cli_run.h"
#include "support/image_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

namespace br = backup_ram;
using testing::BackupRamBuilder;
using testing::NamedSave;

constexpr std::size_t kKiB = 1024;

// A RAM of `ramSize` bytes holding KEEP and GAME, in blocks of `blockSize`.
ByteBuffer TwoSaves(std::size_t ramSize, std::size_t blockSize) {
  return BackupRamBuilder(ramSize, blockSize).AddSave(2, NamedSave("KEEP", 700, 1)).AddSave(40, NamedSave("GAME", 40, 2)).BuildRam();
}

// `ram` word-wide, with junk in the even bytes that no write may change.
ByteBuffer WordWide(const ByteBuffer& ram, std::uint8_t seed) {
  ByteBuffer file = br::RamIntoWordWide(ByteBuffer{}, ram);
  for (std::size_t k = 0; k < file.size(); k += 2) file.MustWriteBE(k, (k / 2 * seed) % 251, 1);
  return file;
}

ByteBuffer Joined(ByteBuffer first, const ByteBuffer& second) {
  first.Append(second);
  return first;
}

struct FormCase {
  const char* what;
  ByteBuffer file;
  br::MemoryFileForm form;
  br::Device device;
  std::size_t blockSize;
};

std::vector<FormCase> FormCases() {
  const ByteBuffer internal = TwoSaves(32 * kKiB, 64);
  const ByteBuffer cart = TwoSaves(512 * kKiB, 512);
  const ByteBuffer mister = Joined(WordWide(internal, 3), WordWide(cart, 5));
  return {
      {"packed", internal, {br::RamLayout::kPacked, false, false}, br::Device::kInternal, 64},
      {"gzip cartridge", ByteBuffer(platform::Gzip(cart.bytes())), {br::RamLayout::kPacked, true, false}, br::Device::kInternal, 512},
      {"word-wide, junk even bytes", WordWide(internal, 7), {br::RamLayout::kWordWide, false, false}, br::Device::kInternal, 64},
      {"4 MiB cartridge", TwoSaves(4096 * kKiB, 1024), {br::RamLayout::kPacked, false, false}, br::Device::kInternal, 1024},
      {"MiSTer, internal", mister, {br::RamLayout::kWordWide, false, true}, br::Device::kInternal, 64},
      {"MiSTer, cartridge", mister, {br::RamLayout::kWordWide, false, true}, br::Device::kCart, 512},
  };
}

// Every form opens under a name that says nothing, lists and exports its
// saves, and keeps its form through an import and a delete: the even bytes,
// the compression and the other memory of a double file stay as they were.
TEST(MemoryFiles, EachFormIsWrittenBackInItsOwnForm) {
  for (const FormCase& c : FormCases()) {
    SCOPED_TRACE(c.what);
    testing::TempDir dir;
    testing::ScriptedHost host;
    Workbench bench{dir.path(), host};
    const auto path = dir / "memory.dat";
    testing::WriteFile(path, c.file);
    ASSERT_EQ(ContainerKindOfFile(path), ContainerKind::kBkram);
    Pane& pane = bench.pane(1);
    pane.fixedFile = path;
    pane.device = c.device;
    SetPaneKind(bench, 1, ContainerKind::kBkram);
    ASSERT_EQ(pane.form, c.form);
    ASSERT_EQ(pane.rows.size(), 2u);
    EXPECT_EQ(GatherSave(pane, 0).data.bytes(), NamedSave("KEEP", 700, 1).data);
    EXPECT_EQ(pane.RecordOfRow(1).offset, 40 * c.blockSize);

    const br::Device other = c.device == br::Device::kInternal ? br::Device::kCart : br::Device::kInternal;
    const auto opened = [&] { return br::OpenMemoryFile(testing::ReadFile(path), std::nullopt).value(); };
    const br::MemoryFile before = opened();
    const auto evenBytes = [](const ByteBuffer& contents) {
      ByteBuffer even;
      for (std::size_t k = 0; k < contents.size(); k += 2) even.Append(1, contents.At(k));
      return even;
    };

    const auto single = testing::WriteSarooSingleSave(dir / "in", "NEW", 3000);
    EXPECT_EQ(ImportSingleSave(bench, 1, single).outcome, ImportOutcome::kImported);
    ASSERT_EQ(pane.rows.size(), 3u);
    pane.selection = {pane.rows[1].name() == "GAME" ? 1 : 2};
    host.answers = {true};
    ASSERT_EQ(DeleteSaves(bench, 1), CareOutcome::kDone);

    const br::MemoryFile after = opened();
    EXPECT_EQ(after.form, c.form);
    EXPECT_EQ(after.contents.size(), before.contents.size());
    if (c.form.layout == br::RamLayout::kWordWide) {
      EXPECT_EQ(evenBytes(after.contents), evenBytes(before.contents));
    }
    if (c.form.twoMemories) {
      EXPECT_EQ(br::RamOf(after, other), br::RamOf(before, other));
    }
    const ByteBuffer ram = br::RamOf(after, c.device);
    EXPECT_TRUE(br::CheckBackupRam(ram).empty());
    ASSERT_EQ(pane.rows.size(), 2u);
    EXPECT_EQ(pane.rows[1].name(), "NEW");
    EXPECT_EQ(GatherSave(pane, 1).data.bytes(), NamedSave("NEW", 3000).data);
    // A cartridge's figure is its free blocks: KEEP's and NEW's are taken.
    if (c.blockSize > 64) {
      const auto taken = 2 + testing::FurtherBlocksNeeded(700, c.blockSize) + testing::FurtherBlocksNeeded(3000, c.blockSize);
      EXPECT_EQ(pane.RecordOfRow(1).offset, (3 + testing::FurtherBlocksNeeded(700, c.blockSize)) * c.blockSize);
      EXPECT_EQ(pane.numberLabel, std::to_string(ram.size() / c.blockSize - 2 - taken));
    }
  }
}

// What is no memory file is refused, and a gzip stream is never
// decompressed past the largest memory there is.
TEST(MemoryFiles, OnlyFormattedMemoriesAreRecognised) {
  const ByteBuffer internal = TwoSaves(32 * kKiB, 64);
  ByteBuffer unformatted = internal;
  unformatted.MustWriteBE(15, 'T', 1);  // "BackUpRam FormaT"
  const ByteBuffer gzipped(platform::Gzip(internal.bytes()));
  const struct {
    const char* what;
    ByteBuffer file;
    bool recognised;
  } cases[] = {
      {"packed", internal, true},
      {"a changed format text", unformatted, false},
      {"word-wide, shifted a byte", Joined({0x00}, br::RamIntoWordWide({}, internal)), false},
      {"gzip, cut short", gzipped.Slice(0, gzipped.size() - 9), false},
      {"gzip, followed by junk", Joined(gzipped, {0x00}), false},
      {"gzip of 8 MiB and a byte", ByteBuffer(platform::Gzip(Joined(internal, ByteBuffer::Filled(br::kMaxFileSize - internal.size() + 1, 0)).bytes())), false},
      {"empty", {}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(br::OpenMemoryFile(c.file, std::nullopt).has_value(), c.recognised) << c.what;
  }
  // A file of one memory has that one alone.
  EXPECT_EQ(br::RamOf(br::OpenMemoryFile(internal, std::nullopt).value(), br::Device::kCart), internal);
}

// The real emulator and MiSTer files, on the command line: each save lists
// and exports as the emulator's own data; deleting it and importing the
// export gives the file back, and so does importing it into an empty file
// of the same form.
class EmulatorFiles : public testing::SamplesTest {};

TEST_F(EmulatorFiles, SavesRoundTripThroughTheirOwnForm) {
  namespace fs = std::filesystem;
  const struct {
    const char* file;
    const char* device;
    const char* like;
    const char* name;
    const char* raw;  // the save's data, or a file holding the same save
    std::size_t formatBlock;  // bytes of a block 0 a real BIOS wrote, which format does not copy
  } cases[] = {
      {"mednafen-hyper-duel/HyperDuel.bkr", "internal", "mednafen-bkr", "HYPERDUEL_0", "mednafen-hyper-duel/HYPERDUEL_0.raw", 0},
      {"mednafen-shining-force-3/SF3.bkr", "internal", "mednafen-bkr", "SFORCE33_01", "mednafen-shining-force-3/SFORCE33_01-internal.raw", 0},
      {"mednafen-shining-force-3/SF3.bcr", "internal", "mednafen-bcr", "SFORCE33_01", "mednafen-shining-force-3/SFORCE33_01-cart.raw", 0},
      {"mednafen-shining-force-3/SF3-uncompressed.bcr", "internal", "beetle-bcr", "SFORCE33_01", "mednafen-shining-force-3/SFORCE33_01-cart.raw", 0},
      {"mister-rayman/Rayman.sav", "internal", "mister-cart", "RAYMAN_NTS1", "mister-rayman/Rayman-internal.bkr", 0},
      {"mister-rayman/Rayman.sav", "cart", "mister-cart", "RAYMAN_NTS1", "mister-rayman/Rayman-cart.bcr", 512},
      {"mister-rayman/Rayman-cart.bcr", "internal", "mednafen-bcr", "RAYMAN_NTS1", "mister-rayman/Rayman-cart-uncompressed.bcr", 512},
  };
  // A file's bytes as a memory file holds them: decompressed.
  const auto contents = [](const fs::path& path) { return br::OpenMemoryFile(testing::ReadFile(path), std::nullopt).value(); };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.device);
    testing::TempDir dir;
    const fs::path original = samples / "emulators" / c.file;
    const fs::path copy = dir.path() / original.filename();
    fs::copy_file(original, copy);
    fs::permissions(copy, fs::perms::owner_write, fs::perm_options::add);  // the samples are read-only
    const std::vector<std::string> device = {"--device", c.device};
    const auto run = [&](std::vector<std::string> args) {
      args.insert(args.end(), device.begin(), device.end());
      return testing::RunCliWith(args);
    };

    const auto listed = nlohmann::json::parse(run({"list", copy.string(), "--json"}).out);
    ASSERT_EQ(listed["saves"].size(), 1u);
    EXPECT_EQ(listed["saves"][0]["name"], c.name);
    const auto exported = run({"export", copy.string(), "--row", "1", "--out", (dir / "out").string()});
    ASSERT_EQ(exported.status, 0) << exported.err;
    const std::string single = exported.out.substr(0, exported.out.size() - 1);
    const ByteBuffer data = testing::ReadFile(single).Slice(singlesave::SarooSingleSaveFile::kDataOffset, SIZE_MAX);
    EXPECT_EQ(listed["saves"][0]["size"], data.size());
    const fs::path raw = samples / "emulators" / c.raw;
    if (raw.extension() == ".raw") {
      EXPECT_EQ(data, testing::ReadFile(raw));
    } else {
      // The same save in the emulator's own file.
      const auto other = testing::RunCliWith({"export", raw.string(), "--row", "1", "--out", (dir / "other").string()});
      ASSERT_EQ(other.status, 0) << other.err;
      EXPECT_EQ(testing::ReadFile(other.out.substr(0, other.out.size() - 1)), testing::ReadFile(single));
    }

    ASSERT_EQ(run({"delete", copy.string(), "--row", "1"}).status, 0);
    ASSERT_EQ(run({"import", copy.string(), single}).status, 0);
    EXPECT_EQ(contents(copy).contents, contents(original).contents);
    EXPECT_EQ(platform::LooksGzipped(testing::ReadFile(copy).bytes()), platform::LooksGzipped(testing::ReadFile(original).bytes()));

    const fs::path fresh = dir / ("fresh" + original.extension().string());
    ASSERT_EQ(testing::RunCliWith({"format", fresh.string(), "--like", c.like}).status, 0);
    ASSERT_EQ(run({"import", fresh.string(), single}).status, 0);
    const br::Device memory = std::string(c.device) == "cart" ? br::Device::kCart : br::Device::kInternal;
    const br::MemoryFile made = contents(fresh);
    EXPECT_EQ(made.form, contents(original).form);
    EXPECT_EQ(made.contents.size(), contents(original).contents.size());
    ByteBuffer ram = br::RamOf(made, memory);
    ByteBuffer expected = br::RamOf(contents(original), memory);
    ram.Fill(0, c.formatBlock, 0);
    expected.Fill(0, c.formatBlock, 0);
    EXPECT_EQ(ram, expected);
  }
}

}  // namespace
}  // namespace quillmere
