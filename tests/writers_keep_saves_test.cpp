// Writers never change a save they were not asked to change: on damaged
// images, with names that collide, and with saves that cannot be read whole.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "containers/backup_ram.h"
#include "containers/save_file.h"
#include "model/conversions.h"
#include "catalog/catalog.h"
#include "operations/compacting.h"
#include "operations/image_care.h"
#include "operations/save_transfer.h"
#include "operations/single_save_conversion.h"
#include "singlesave/bup_file.h"
#include "singlesave/single_save_file.h"
#include "support/backup_ram_builder.h"
#include "support/cli_run.h"
#include "support/image_builder.h"
#include "support/mems_pane_test.h"
#include "support/save_file_builder.h"
#include "support/save_snapshots.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::CliRun;
using testing::MemsImageBuilder;
using testing::NamedSave;
using testing::ReadFile;
using testing::RunCliInEnglish;
using testing::RunCliWith;
using testing::TempDir;
using testing::WriteFile;

void ClearBits(ByteBuffer& image, std::initializer_list<std::uint32_t> clusters) {
  for (const std::uint32_t c : clusters) {
    const std::size_t at = mems::kClusterBitmapOffset + c / 8;
    image.MustWriteBE(at, image.At(at) & ~(1u << (c % 8)), 1);
  }
}

// A randomly damaged image: a few saves, some named alike, then one kind of
// damage the writers must live with.
ByteBuffer DamagedImage(std::mt19937& rng) {
  auto pick = [&](std::uint32_t n) { return static_cast<std::uint32_t>(rng() % n); };
  static const std::vector<std::string> kNames = {"AAAA", "BBBB", "A_B", "A/B", "\xff", "\xfe"};
  const std::size_t sizes[] = {0x800000, 0x800000, 0x800000, 0x2000 + 1024 * pick(40), 0x900000};
  MemsImageBuilder builder(sizes[pick(5)]);
  const std::uint32_t count = 2 + pick(4);
  for (std::uint32_t k = 0; k < count; ++k) {
    const std::uint32_t size = pick(2) ? pick(960) : 961 + pick(6000);
    std::vector<std::uint32_t> data;
    for (std::uint32_t d = 0; d < mems::DataClusterCount(size); ++d) data.push_back(9 + pick(60));
    builder.AddSave(static_cast<int>(1 + k * (1 + pick(3))), 8 + pick(60),
                    NamedSave(kNames[pick(static_cast<std::uint32_t>(kNames.size()))], size, static_cast<std::uint8_t>(k + 1)),
                    data);
  }
  ByteBuffer& image = builder.image();
  switch (pick(6)) {
    case 0: ClearBits(image, {8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}); break;
    case 1: image.Fill(mems::kClusterBitmapOffset, mems::kClusterBitmapSize, 0); break;
    case 2: image.MustWriteBE(0x2000 + 64, 9000, 2); break;                     // a list entry past the image
    case 3: image.MustWriteBE(mems::SlotOffset(1) + 14, 1 + pick(7), 2); break;  // a record in the directory
    case 4: image.MustWriteBE(mems::kFreeClusterCountOffset, pick(0x10000), 2); break;
    default: break;
  }
  return image;
}

// Random imports, transfers, deletes, compactions and repairs on damaged
// images: a save no step targets keeps its slot, its name and its bytes, or
// the step wrote nothing.
class DamagedImagesTest : public testing::MemsPaneTest {};

TEST_F(DamagedImagesTest, EveryStepKeepsTheSavesItDidNotTarget) {
  std::mt19937 rng(20261210);
  const fs::path single = dir / "single.bin";
  // The listed saves whose slot holds one of `names`: the ones an import may replace.
  const auto slotsNamed = [](const ByteBuffer& image, const std::set<std::vector<std::uint8_t>>& names) {
    std::set<int> slots;
    for (const mems::MemsSave& save : mems::ListMemsSaves(image, false)) {
      if (names.contains(save_header::StoredName(image.Slice(mems::SlotOffset(save.slot), 12)).bytes())) slots.insert(save.slot);
    }
    return slots;
  };
  bench.pane(2).folder = dir / "OTHER";
  for (int round = 0; round < 120; ++round) {
    Load(DamagedImage(rng));
    bench.overwriteOnTransfer = rng() % 2 == 0;
    const ByteBuffer before = File();
    const auto saves = testing::SnapshotSaves(before);
    const int step = static_cast<int>(rng() % 5);
    const std::string name = rng() % 2 ? "AAAA" : "NEW";
    std::set<int> targets = slotsNamed(before, {ByteBuffer::FromText(name).bytes()});
    if (step == 0) {
      WriteFile(single, testing::SarooSingleSave(name, rng() % 7000, 9));
      host.answers = {bench.overwriteOnTransfer};
      ImportSingleSave(bench, 1, single);
    } else if (step == 1) {
      WriteFile(dir / "OTHER" / "SS_MEMS.BIN", DamagedImage(rng));
      ReloadPane(bench, 2);
      for (std::size_t r = 0; r < bench.pane(2).rows.size(); ++r) bench.pane(2).selection.push_back(static_cast<int>(r));
      std::set<std::vector<std::uint8_t>> names;
      const ByteBuffer& source = bench.pane(2).image;
      for (const mems::MemsSave& save : mems::ListMemsSaves(source, false)) {
        names.insert(save_header::StoredName(mems::ExtractMemsSave(source, save.firstCluster * mems::kClusterSize).nameField).bytes());
      }
      targets = slotsNamed(before, names);
      TransferSaves(bench, 2, 1);
    } else if (step == 2 && !bench.pane(1).rows.empty()) {
      bench.pane(1).selection = {static_cast<int>(rng() % bench.pane(1).rows.size())};
      targets = {std::stoi(bench.pane(1).rows[static_cast<std::size_t>(bench.pane(1).selection[0])].cell(SaveColumn::kNum))};
      host.answers = {true};
      DeleteSaves(bench, 1);
    } else if (step == 3) {
      CompactPane(bench, 1);
    } else {
      host.answers = {true};
      RepairPane(bench, 1);
    }
    const ByteBuffer after = File();
    if (after == before) continue;
    EXPECT_TRUE(step == 3 ? testing::KeepsEverySaveMoved(saves, after) : testing::KeepsOtherSaves(saves, after, targets))
        << "round " << round << " step " << step;
  }
}

// Clusters and names the bitmap lost are never handed to a new save.
TEST(WritersKeepSaves, ImportsNeverTakeClustersAListedSaveNames) {
  // A new save, and a replacement of BBBB that grows past its one cluster.
  for (const bool zeroBitmap : {false, true}) {
    for (const char* name : {"NEW", "BBBB"}) {
      TempDir dir;
      ByteBuffer image =
          MemsImageBuilder().AddSave(1, 8, NamedSave("AAAA", 3000, 1), {9, 10, 11}).AddSave(2, 12, NamedSave("BBBB", 100, 2)).Build();
      if (zeroBitmap) image.Fill(mems::kClusterBitmapOffset, mems::kClusterBitmapSize, 0);
      else ClearBits(image, {8, 9, 10, 11});
      WriteFile(dir / "SS_MEMS.BIN", image);
      WriteFile(dir / "N.bin", testing::SarooSingleSave(name, 9000, 5));
      const CliRun run = RunCliWith({"import", (dir / "SS_MEMS.BIN").string(), (dir / "N.bin").string(), "--overwrite"});
      EXPECT_EQ(run.status, 0) << name << run.err;
      EXPECT_TRUE(testing::KeepsOtherSaves(testing::SnapshotSaves(image), ReadFile(dir / "SS_MEMS.BIN"), {2}))
          << name << " zero bitmap " << zeroBitmap;
    }
  }
}

// A target whose clusters are not its own, and a compaction of an image
// repair cannot mend, are refused whole.
TEST(WritersKeepSaves, DamagedTargetsAndImagesAreRefusedWhole) {
  struct Case {
    const char* what;
    std::function<void(MemsImageBuilder&)> damage;
    std::vector<std::string> command;  // FILE is appended after the command word
    std::string message;
  };
  const auto shared = [](MemsImageBuilder& b) {
    b.AddSave(1, 8, NamedSave("AAAA", 3000, 1), {9, 10, 11}).AddSave(2, 12, NamedSave("BBBB", 3000, 2), {13, 10, 14});
  };
  const Case cases[] = {
      {"replace a save sharing a cluster", shared, {"import", "--overwrite"}, std::string(catalog::Render(DamagedTarget{}))},
      {"compact with a shared cluster", shared, {"compact"}, std::string(catalog::Render(CannotCompactDamaged{})) + "\n" + "槽位2与槽位1共用簇10"},
      {"compact past the image",
       [](MemsImageBuilder& b) { b.AddSave(1, 8, NamedSave("AAAA", 3000, 1), {9, 9000, 11}).AddSave(2, 20, NamedSave("BBBB", 10, 2)); },
       {"compact"},
       std::string(catalog::Render(CannotCompactDamaged{})) + "\n" + "槽位1使用簇9000，在数据区之外"},
      {"compact a record in the directory",
       [](MemsImageBuilder& b) { b.AddSave(1, 30, NamedSave("AAAA", 10, 1)).AddSave(2, 20, NamedSave("BBBB", 10, 2)).SetSlot(3, "CCCC", 1); },
       {"compact"},
       std::string(catalog::Render(CannotCompactDamaged{})) + "\n" + "槽位3使用簇1，在数据区之外"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    MemsImageBuilder builder;
    c.damage(builder);
    const fs::path file = dir / "SS_MEMS.BIN";
    WriteFile(file, builder.Build());
    WriteFile(dir / "AAAA.bin", testing::SarooSingleSave("AAAA", 3000, 7));
    std::vector<std::string> args = {c.command[0], file.string()};
    if (c.command[0] == "import") args.push_back((dir / "AAAA.bin").string());
    args.insert(args.end(), c.command.begin() + 1, c.command.end());
    const CliRun run = RunCliWith(args);
    EXPECT_EQ(run.status, 1) << c.what;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.what << ": " << run.err;
    EXPECT_EQ(ReadFile(file), builder.Build()) << c.what;
  }
}

// A save is the name it holds, byte for byte: not its file name, not its
// decoded text.
TEST(WritersKeepSaves, ListedNamesAreMatchedByTheBytesTheSaveHolds) {
  TempDir dir;
  const fs::path image = dir / "SS_MEMS.BIN";
  WriteFile(image, MemsImageBuilder().AddSave(1, 8, NamedSave("BIO_DATA_01", 100, 1)).AddSave(2, 9, NamedSave("A_B", 100, 2)).Build());
  // A .BUP named unlike the save it holds is that save.
  WriteFile(dir / "BIODATA-01.BUP", singlesave::BupFromSaroo(testing::SarooSingleSave("BIO_DATA_01", 50, 3)));
  CliRun run = RunCliInEnglish({"import", image.string(), (dir / "BIODATA-01.BUP").string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("skipped BIO_DATA_01"), std::string::npos) << run.err;
  run = RunCliWith({"import", image.string(), (dir / "BIODATA-01.BUP").string(), "--overwrite"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(mems::ListMemsSaves(ReadFile(image)).size(), 2u);
  EXPECT_EQ(mems::ListMemsSaves(ReadFile(image))[0].size, 50u);

  // Names that one file name, or one replacement character, stands for stay apart.
  const fs::path source = dir / "SRC" / "SS_MEMS.BIN";
  fs::create_directories(source.parent_path());
  WriteFile(source, MemsImageBuilder()
                        .AddSave(1, 8, NamedSave("A/B", 10, 3))
                        .AddSave(2, 9, NamedSave("A_B", 20, 4))
                        .AddSave(3, 10, NamedSave("A:B", 30, 5))
                        .AddSave(4, 11, NamedSave("\xff", 40, 6))
                        .AddSave(5, 12, NamedSave("\xfe", 50, 7))
                        .Build());
  run = RunCliWith({"transfer", source.string(), image.string(), "--all", "--overwrite", "--out", (dir / "OUT").string()});
  EXPECT_EQ(run.status, 0) << run.err;
  std::map<std::string, std::uint32_t> sizes;
  for (const mems::MemsSave& save : mems::ListMemsSaves(ReadFile(image))) {
    sizes[DecodeName(ReadFile(image).Slice(mems::SlotOffset(save.slot), 12))] += save.size;
  }
  EXPECT_EQ(sizes, (std::map<std::string, std::uint32_t>{
                       {"BIO_DATA_01", 50}, {"A_B", 20}, {"A/B", 10}, {"A:B", 30}, {"\xEF\xBF\xBD", 90}}));
  EXPECT_EQ(mems::ListMemsSaves(ReadFile(image)).size(), 6u);
}

// One export run never writes two saves, or a save and a container, to one file.
TEST(WritersKeepSaves, ExportsTakeFreeNamesWithinARunAndSpareContainers) {
  TempDir dir;
  const fs::path image = dir / "ss_mems.bin";
  const ByteBuffer original = MemsImageBuilder()
                                  .AddSave(1, 8, NamedSave("A/B", 10, 1))
                                  .AddSave(2, 9, NamedSave("A_B", 20, 2))
                                  .AddSave(3, 10, NamedSave("a_b", 30, 3))
                                  .AddSave(4, 11, NamedSave("ss_mems", 40, 4))
                                  .AddSave(5, 12, NamedSave("SS_BUP", 50, 5))
                                  .Build();
  WriteFile(image, original);
  WriteFile(dir / "A_B.bin", ByteBuffer::FromText("from an earlier run"));
  const CliRun run = RunCliWith({"export", image.string(), "--all", "--kind", "mems", "--out", dir.path().string()});
  EXPECT_EQ(run.status, 0) << run.err;
  std::string expected;
  for (const char* name : {"A_B.bin", "A_B~2.bin", "a_b~3.bin", "ss_mems~2.bin", "SS_BUP~2.bin"}) {
    expected += (dir / name).string() + "\n";
  }
  EXPECT_EQ(run.out, expected);
  EXPECT_EQ(ReadFile(image), original);
  EXPECT_EQ(ReadFile(dir / "A_B~2.bin").ReadU32(singlesave::SarooSingleSaveFile::kSizeOffset), 20u);
}

// What cannot be read whole is written as far as it goes, said to be
// incomplete, checked as damaged, and never transferred as sound.
TEST(WritersKeepSaves, SavesThatCannotBeReadWholeAreNeverPassedOffAsSound) {
  struct Case {
    const char* file;
    const char* kind;
    ByteBuffer bytes;
  };
  // A block list that loops after its first further block: 5000 bytes stated.
  testing::BackupRamBuilder ram;
  ram.AddSave(2, NamedSave("LOOPED", 5000, 1), {3, 3});
  testing::SaveFileBuilder saveFile;
  saveFile.SetSlot(1, "T-1809G   V1.001");
  saveFile.AddRecord(1, 1, NamedSave("ALLBLOCKS", 300, 2));
  ByteBuffer saveBytes = saveFile.Build();
  saveBytes.Fill(save_file::AreaOffset(1) + 128 + save_file::kBlockBitmapOffset, 64, 0xFF);
  const Case cases[] = {
      {"BKRAMSV.BIN", "bkram", ram.BuildFile()},
      {"SS_SAVE.BIN", "save", saveBytes},
      {"SS_MEMS.BIN", "mems", MemsImageBuilder(0x3000).AddSave(1, 8, NamedSave("SHORT", 5000, 3), {9, 10, 11, 12, 13}).Build()},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const fs::path file = dir / c.file;
    WriteFile(file, c.bytes);
    CliRun run = RunCliWith({"export", file.string(), "--row", "1", "--out", (dir / "OUT").string()});
    EXPECT_EQ(run.status, 1) << c.file;
    EXPECT_NE(run.err.find(catalog::Render({IncompleteSave{""}, {}})), std::string::npos) << c.file << run.err;
    ASSERT_FALSE(run.out.empty()) << c.file;
    EXPECT_TRUE(fs::exists(run.out.substr(0, run.out.size() - 1))) << c.file;
    EXPECT_EQ(RunCliWith({"check", file.string()}).status, 1) << c.file;

    WriteFile(dir / "T" / "SS_MEMS.BIN", mems::EmptyMemsImage());
    run = RunCliWith({"transfer", file.string(), (dir / "T" / "SS_MEMS.BIN").string(), "--all", "--out", (dir / "OUT").string()});
    EXPECT_EQ(run.status, 1) << c.file;
    EXPECT_TRUE(mems::ListMemsSaves(ReadFile(dir / "T" / "SS_MEMS.BIN")).empty()) << c.file;
  }
}

// Sizes no single save can state are refused, not padded or cut.
TEST(WritersKeepSaves, ImpossibleSizesAreRefused) {
  for (const std::uint32_t stated : {10'000'000u, 0xFFFFFFFFu}) {
    TempDir dir;
    ByteBuffer bup = singlesave::BupFromSaroo(testing::SarooSingleSave("BIG", 100, 1));
    bup.MustWriteBE(singlesave::BupSingleSaveFile::kSizeOffset, stated, 4);
    ByteBuffer saroo = testing::SarooSingleSave("BIG", 100, 1);
    saroo.MustWriteBE(singlesave::SarooSingleSaveFile::kSizeOffset, stated, 4);
    WriteFile(dir / "BIG.BUP", bup);
    WriteFile(dir / "BIG.bin", saroo);
    WriteFile(dir / "SS_MEMS.BIN", mems::EmptyMemsImage());
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"convert", (dir / "BIG.BUP").string(), "--out", (dir / "OUT").string()},
             {"convert", (dir / "BIG.bin").string(), "--to", "bup", "--out", (dir / "OUT").string()},
             {"import", (dir / "SS_MEMS.BIN").string(), (dir / "BIG.BUP").string()},
             {"import", (dir / "SS_MEMS.BIN").string(), (dir / "BIG.bin").string()}}) {
      const CliRun run = RunCliWith(args);
      EXPECT_EQ(run.status, 1) << args[0] << " " << args[1] << " " << stated;
      EXPECT_NE(run.err.find(catalog::Render(WrongFormat{})), std::string::npos) << run.err;
    }
    EXPECT_FALSE(fs::exists(dir / "OUT"));
    EXPECT_EQ(ReadFile(dir / "SS_MEMS.BIN"), mems::EmptyMemsImage());
  }
}

// A full directory still takes replacements; a transfer into a full pane
// says so once and still writes what fits.
class FullDirectoryTest : public testing::MemsPaneTest {};

TEST_F(FullDirectoryTest, ReplacementsGoInAndRefusalsAreSaidOnce) {
  MemsImageBuilder builder;
  for (int slot = 1; slot <= mems::kDirectorySlots; ++slot) {
    builder.AddSave(slot, static_cast<std::uint32_t>(7 + slot), NamedSave("S" + std::to_string(slot), 10, 1));
  }
  Load(builder.Build());
  WriteFile(dir / "OTHER" / "SS_MEMS.BIN", MemsImageBuilder()
                                              .AddSave(1, 8, NamedSave("NEW1", 10, 2))
                                              .AddSave(2, 9, NamedSave("S7", 20, 3))
                                              .AddSave(3, 10, NamedSave("NEW2", 10, 4))
                                              .Build());
  ReloadPane(bench, 2);
  bench.pane(2).selection = {0, 1, 2};
  bench.overwriteOnTransfer = true;
  const TransferReport report = TransferSaves(bench, 2, 1);
  EXPECT_EQ(RunSaid(report), (std::vector<Message>{Message{ListFull{1}, {}}}));
  ASSERT_EQ(report.imports.size(), 3u);
  EXPECT_EQ(report.imports[1].outcome, ImportOutcome::kReplaced);
  EXPECT_EQ(mems::ListMemsSaves(File())[6].size, 20u);
}

// The small faults: an image too short to write, negative dates, .BUP file
// names, and a .BUP on the SSF panel.
TEST(WritersKeepSaves, SmallFaults) {
  TempDir dir;
  const fs::path empty = dir / "SS_MEMS.BIN";
  WriteFile(empty, ByteBuffer{});
  WriteFile(dir / "N.bin", testing::SarooSingleSave("NEW", 10, 1));
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"import", empty.string(), (dir / "N.bin").string()},
           {"delete", empty.string(), "--name", "NEW"},
           {"compact", empty.string()},
           {"repair", empty.string()},
           {"transfer", empty.string(), empty.string(), "--all"}}) {
    const CliRun run = RunCliWith(args);
    EXPECT_EQ(run.status, 1) << args[0];
    EXPECT_NE(run.err.find(catalog::Render(WrongFormat{})), std::string::npos) << args[0] << ": " << run.err;
  }
  const CliRun check = RunCliInEnglish({"check", empty.string()});
  EXPECT_EQ(check.status, 1);
  EXPECT_NE(check.out.find("image is 0 bytes"), std::string::npos) << check.out;
  EXPECT_NE(RunCliWith({"list", empty.string()}).out.find("剩余: 0\n"), std::string::npos);
  EXPECT_EQ(ReadFile(empty), ByteBuffer{});

  // A 12-byte name: the .BUP holds 11 of its bytes and is named by them.
  const fs::path twelve = dir / "TWELVE.bin";
  WriteFile(twelve, testing::SarooSingleSave("ABCDEFGHIJKL", 10, 2));
  CliRun run = RunCliWith({"convert", twelve.string(), "--to", "bup", "--out", (dir / "BUP").string()});
  EXPECT_EQ(run.out, (dir / "BUP" / "ABCDEFGHIJK.BUP").string() + "\n") << run.err;

  // A .BUP on the SSF panel shows and converts as a .BUP.
  testing::ScriptedHost host;
  const fs::path bup = dir / "SSF" / "MY_SAVE.BUP";
  WriteFile(bup, singlesave::BupFromSaroo(testing::SarooSingleSave("MY_SAVE", 10, 3)));
  const singlesave::SingleSaveRow row = ShowSsfFile(bup, host);
  EXPECT_EQ(row.name(), "MY_SAVE");
  const ConversionResult converted = ConvertSsfToSaroo(bup, row, dir / "SAROO", host);
  EXPECT_EQ(converted.path, dir / "SAROO" / "MY_SAVE.bin");
  EXPECT_EQ(ReadFile(converted.path), testing::SarooSingleSave("MY_SAVE", 10, 3));
}

}  // namespace
}  // namespace quillmere
