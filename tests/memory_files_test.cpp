#include <gtest/gtest.h>

#include "containers/backup_memory_file.h"
#include "containers/backup_ram.h"
#include "containers/backup_ram_write.h"
#include "operations/image_care.h"
#include "operations/pane_load.h"
#include "operations/save_transfer.h"
#include "operations/workbench.h"
#include "platform/gzip.h"
#include "support/backup_ram_builder.h"
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
  for (std::size_t k = 0; k < file.size(); k += 2) file.WriteBE(k, (k / 2 * seed) % 251, 1);
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
    if (c.form.layout == br::RamLayout::kWordWide) EXPECT_EQ(evenBytes(after.contents), evenBytes(before.contents));
    EXPECT_EQ(br::RamOf(after, other), br::RamOf(before, other));
    const ByteBuffer ram = br::RamOf(after, c.device).value();
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
  unformatted.WriteBE(15, 'T', 1);  // "BackUpRam FormaT"
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
  // A cartridge of a file of one memory is none.
  EXPECT_FALSE(br::RamOf(br::OpenMemoryFile(internal, std::nullopt).value(), br::Device::kCart));
}

}  // namespace
}  // namespace quillmere
