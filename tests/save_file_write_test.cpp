// Writing SS_SAVE.BIN as the SAROO firmware does, held to the real file, to
// the reader and to the check.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <functional>
#include <random>
#include <tuple>

#include "catalog/catalog.h"
#include "containers/save_file.h"
#include "containers/save_file_write.h"
#include "model/conversions.h"
#include "operations/save_transfer.h"
#include "singlesave/single_save_file.h"
#include "support/image_builder.h"
#include "support/save_file_builder.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

namespace sf = save_file;
using Refusal = sf::SaveFileRefusal;
using Blocks = std::vector<std::uint32_t>;
using testing::NamedSave;
using testing::SaveFileBuilder;

constexpr const char* kGame = "T-1809G   V1.001";

// A save as a SAROO single save carries it: the 12th name byte and the 11th
// comment byte zero (the area stores neither), the language in the last.
GatheredSave Fields(const std::string& name, std::uint32_t size, std::uint8_t seed, std::uint8_t language = 0) {
  const testing::TestSave test = NamedSave(name, size, seed);
  GatheredSave save{ByteBuffer(testing::FixedField(name, 12)), size, ByteBuffer(testing::FixedField(test.comment, 12)),
                    test.date + seed, ByteBuffer(test.data)};
  save.commentField.MustWriteBE(11, language, 1);
  return save;
}

Refusal Import(ByteBuffer& image, const std::string& game, const GatheredSave& save) {
  const sf::SaveFilePlacement plan = sf::PlanSaveFileSave(image, sf::PadGameId(game), save.size, save.nameField);
  EXPECT_EQ(sf::WriteSaveFileSave(image, plan, save), plan.refusal == Refusal::kNone);
  return plan.refusal;
}

// The area's allocation as the firmware needs it: count = bitmap = chains.
void ExpectSound(const ByteBuffer& image, int slot) {
  const sf::AreaSurvey survey = sf::SurveyArea(image, sf::AreaOffset(slot));
  EXPECT_TRUE(survey.Writable()) << slot;
  EXPECT_EQ(survey.freeCount, survey.bitmapFree) << slot;
  EXPECT_EQ(survey.marksUsed, 0u) << slot;
}

std::vector<std::string> ChainNames(const ByteBuffer& image, int slot) {
  std::vector<std::string> names;
  for (const std::uint32_t block : sf::RecordChain(image, sf::AreaOffset(slot))) {
    names.push_back(DecodeName(image.Slice(sf::RecordOffset(sf::AreaOffset(slot), block), 12)));
  }
  return names;
}

TEST(SaveFileGames, LookupStopsWhereTheFirmwareStops) {
  SaveFileBuilder builder;
  builder.SetSlot(1, "T-1809G   V1.001").SetSlot(2, "T-1810G   V1.003").SetSlot(4, "T-2301H   V1.000");
  ByteBuffer image = builder.Build();
  image.MustWrite(sf::SlotLabelOffset(2) + 16, ByteBuffer{0, 0, 0, 0, 'X'});  // entry 3: ends the index
  EXPECT_EQ(sf::PadGameId("T-1809G"), ByteBuffer::FromText("T-1809G         "));
  EXPECT_EQ(sf::PadGameId("T-1809G   V1.001-and-more"), ByteBuffer::FromText("T-1809G   V1.001"));
  const struct { const char* id; std::optional<int> slot; } rows[] = {
      {"T-1809G", 1}, {"T-1809G   V9.999", 1}, {"T-1810G", 2}, {"T-2301H", std::nullopt}, {"T-18", std::nullopt},
  };
  for (const auto& row : rows) EXPECT_EQ(sf::FindGame(image, sf::PadGameId(row.id)), row.slot) << row.id;
  EXPECT_EQ(sf::FreeGameEntry(image), 3);
  EXPECT_EQ(sf::ListGames(image).size(), 2u);
  // Only four zero bytes end the index: a zero first byte alone does not.
  image.MustWrite(sf::SlotLabelOffset(3), ByteBuffer{0, 'A', 'B', 'C'});
  EXPECT_EQ(sf::ListGames(image).size(), 4u);
  EXPECT_EQ(sf::FindGame(image, sf::PadGameId("T-2301H")), 4);
}

TEST(SaveFileWrite, NewSavesTakeTheLowestFreeBlocks) {
  // A at 1 (data 2, 3), B at 6 (data 7): 4, 5 and 8 on are free.
  SaveFileBuilder builder;
  builder.SetSlot(1, kGame).AddRecord(1, 1, NamedSave("A", 256)).AddRecord(1, 6, NamedSave("B", 100));
  const ByteBuffer before = builder.Build();
  const struct { std::uint32_t size; std::uint32_t start; Blocks data; } rows[] = {
      {0, 4, {}}, {1, 4, {5}}, {128, 4, {5}}, {129, 4, {5, 8}}, {384, 4, {5, 8, 9}}, {128 * 505, 4, {}},
  };
  for (const auto& row : rows) {
    ByteBuffer image = before;
    const GatheredSave save = Fields("NEW", row.size, 3, 0x02);
    const auto plan = sf::PlanSaveFileSave(image, sf::PadGameId("T-1809G"), row.size, save.nameField);
    ASSERT_EQ(plan.refusal, Refusal::kNone) << row.size;
    EXPECT_EQ(plan.startBlock, row.start);
    if (row.size < 1000) {
      EXPECT_EQ(plan.dataBlocks, row.data) << row.size;
    }
    EXPECT_EQ(plan.dataBlocks.size() + 1, sf::BlocksTaken(row.size));
    ASSERT_TRUE(sf::WriteSaveFileSave(image, plan, save));
    ExpectSound(image, 1);
    EXPECT_EQ(ChainNames(image, 1), (std::vector<std::string>{"A", "B", "NEW"}));
    const GatheredSave out = sf::ExtractSaveFileSave(image, sf::RecordOffset(sf::AreaOffset(1), row.start));
    EXPECT_EQ(std::tie(out.nameField, out.size, out.commentField, out.date, out.data, out.complete),
              std::tie(save.nameField, save.size, save.commentField, save.date, save.data, save.complete));
  }
  ByteBuffer full = before;
  EXPECT_EQ(Import(full, "T-1809G", Fields("NEW", 128 * 505 + 1, 3)), Refusal::kNoRoom);
  EXPECT_EQ(full, before);
}

TEST(SaveFileWrite, NewGamesGetAnEntryAndAFreshArea) {
  ByteBuffer image = sf::EmptySaveFile();
  ASSERT_EQ(Import(image, "T-1234G", Fields("FIRST", 300, 1, 7)), Refusal::kNone);
  ASSERT_EQ(image.size(), 2 * sf::kAreaSize);
  EXPECT_EQ(image.Slice(16, 16), ByteBuffer::FromText("T-1234G         "));
  ByteBuffer header = sf::FreshArea(sf::PadGameId("T-1234G")).Slice(0, 128);
  header.MustWrite(0x0E, ByteBuffer{0x01, 0xFB});  // 511 - 4 blocks
  header.MustWrite(0x3E, ByteBuffer{0x00, 0x01, 0x1F});
  EXPECT_EQ(image.Slice(0x10000, 128), header);
  // The start block: name, size, comment, language, date, no link, the bitmap of blocks 2-4.
  ByteBuffer start = ByteBuffer::Filled(128, 0);
  start.MustWrite(0, ByteBuffer::FromText("FIRST"));
  start.MustWrite(0x0C, ByteBuffer{0, 0, 0x01, 0x2C, 'N', 'O', 'T', 'E'});
  start.MustWrite(0x1B, ByteBuffer{7, 0, 0, 0x01, 0xE1});
  start.MustWrite(0x40, ByteBuffer{0x1C});
  EXPECT_EQ(image.Slice(0x10080, 128), start);
  EXPECT_EQ(image.Slice(0x1022C, 84), ByteBuffer::Filled(84, 0));  // the last block's tail
  // A second game takes entry 2; the first game is found again by its ID's first 8 bytes.
  ASSERT_EQ(Import(image, "T-9999G", Fields("OTHER", 10, 2)), Refusal::kNone);
  ASSERT_EQ(Import(image, "T-1234G   V1.000", Fields("SECOND", 10, 3)), Refusal::kNone);
  EXPECT_EQ(image.size(), 3 * sf::kAreaSize);
  EXPECT_EQ(ChainNames(image, 1), (std::vector<std::string>{"FIRST", "SECOND"}));
  EXPECT_EQ(ChainNames(image, 2), (std::vector<std::string>{"OTHER"}));
  ExpectSound(image, 1);
  ExpectSound(image, 2);
  EXPECT_TRUE(sf::CheckSaveFile(image).empty());
}

TEST(SaveFileWrite, RefusalsLeaveTheBytesAsTheyWere) {
  SaveFileBuilder base;
  base.SetSlot(1, kGame).AddRecord(1, 1, NamedSave("A", 200)).AddRecord(1, 4, NamedSave("B", 10)).SetSlot(2, "ZERO");
  const auto poke = [](std::size_t at, ByteBuffer bytes) {
    return [=](ByteBuffer& image) { image.MustWrite(at, bytes); };
  };
  const struct {
    const char* what;
    std::function<void(ByteBuffer&)> damage;
    std::string game, name;
    Refusal refusal;
  } rows[] = {
      {"unnamed save", [](ByteBuffer&) {}, "T-1809G", "", Refusal::kUnnamedSave},
      {"unnamed game", [](ByteBuffer&) {}, std::string(4, '\0'), "C", Refusal::kUnnamedGame},
      {"free count off", poke(0x1000E, {0x01, 0x00}), "T-1809G", "C", Refusal::kDamagedArea},
      {"a save's block marked free", poke(0x10040, {0x0F}), "T-1809G", "C", Refusal::kDamagedArea},
      {"chain loops", poke(0x1023E, {0x00, 0x01}), "T-1809G", "C", Refusal::kDamagedArea},
      {"chain leaves", poke(0x1023E, {0x02, 0x01}), "T-1809G", "C", Refusal::kDamagedArea},
      {"header", poke(0x10000, {'X'}), "T-1809G", "C", Refusal::kDamagedArea},
      {"B shares A's block", poke(0x10240, {0x04}), "T-1809G", "C", Refusal::kDamagedArea},
      {"replacing B, which shares", poke(0x10240, {0x04}), "T-1809G", "B", Refusal::kDamagedTarget},
      {"replacing A, which marks block 0", poke(0x100C0, {0x07}), "T-1809G", "A", Refusal::kDamagedTarget},
      {"a new game over a hole's area", poke(0x20, {0, 0, 0, 0}), "NEWGAME", "C", Refusal::kDamagedArea},
  };
  for (const auto& row : rows) {
    ByteBuffer image = base.Build();
    row.damage(image);
    const ByteBuffer before = image;
    GatheredSave save = Fields("X", 10, 1);
    save.nameField = ByteBuffer(testing::FixedField(row.name, 12));
    EXPECT_EQ(Import(image, row.game, save), row.refusal) << row.what;
    EXPECT_EQ(image, before) << row.what;
  }
  ByteBuffer full = sf::EmptySaveFile();
  for (int slot = 1; slot <= sf::kSlotCount; ++slot) full.MustWrite(sf::SlotLabelOffset(slot), ByteBuffer::FromText("G"));
  EXPECT_EQ(Import(full, "NEW", Fields("X", 1, 1)), Refusal::kIndexFull);
  EXPECT_EQ(full.size(), sf::kAreaSize);
}

TEST(SaveFileWrite, DeleteUnlinksAnywhereInTheChain) {
  SaveFileBuilder builder;
  builder.SetSlot(1, kGame).AddRecord(1, 9, NamedSave("A", 200, 1)).AddRecord(1, 2, NamedSave("B", 0, 2))
      .AddRecord(1, 20, NamedSave("C", 129, 3)).SetSlot(2, "ONLY").AddRecord(2, 1, NamedSave("D", 5, 4));
  const ByteBuffer before = builder.Build();
  const auto at = [](int slot, std::uint32_t block) { return SaveFileBuilder::Record(slot, block); };
  const struct { const char* what; std::vector<std::size_t> records; std::size_t deleted; std::vector<std::string> one, two; } rows[] = {
      {"first", {at(1, 9)}, 1, {"B", "C"}, {"D"}},
      {"middle", {at(1, 2)}, 1, {"A", "C"}, {"D"}},
      {"last", {at(1, 20)}, 1, {"A", "B"}, {"D"}},
      {"only", {at(2, 1)}, 1, {"A", "B", "C"}, {}},
      {"two in a row and one elsewhere", {at(1, 9), at(1, 2), at(2, 1)}, 3, {"C"}, {}},
      {"no save starts there", {at(1, 10), at(1, 9) + 4, 17}, 0, {"A", "B", "C"}, {"D"}},
  };
  for (const auto& row : rows) {
    ByteBuffer image = before;
    EXPECT_EQ(sf::DeleteSaveFileSaves(image, row.records), row.deleted) << row.what;
    EXPECT_EQ(ChainNames(image, 1), row.one) << row.what;
    EXPECT_EQ(ChainNames(image, 2), row.two) << row.what;
    ExpectSound(image, 1);
    ExpectSound(image, 2);
  }
  // Deleting everything gives back fresh areas' headers.
  ByteBuffer image = before;
  sf::DeleteSaveFileSaves(image, {at(1, 9), at(1, 2), at(1, 20), at(2, 1)});
  EXPECT_EQ(image.Slice(sf::AreaOffset(1), 128), sf::FreshArea(ByteBuffer::FromText(kGame)).Slice(0, 128));
}

TEST(SaveFileWrite, ASaveOfTheSameStoredNameIsReplaced) {
  SaveFileBuilder builder;
  builder.SetSlot(1, kGame).AddRecord(1, 1, NamedSave("SAME", 300, 1)).AddRecord(1, 5, NamedSave("KEEP", 10, 2));
  ByteBuffer image = builder.Build();
  const GatheredSave kept = sf::ExtractSaveFileSave(image, SaveFileBuilder::Record(1, 5));
  GatheredSave fresh = Fields("SAME", 130, 9);
  fresh.nameField.MustWriteBE(11, 'Z', 1);  // past the stored name: still the same save
  const auto plan = sf::PlanSaveFileSave(image, sf::PadGameId("T-1809G"), 130, fresh.nameField);
  EXPECT_EQ(plan.replacedRecord, SaveFileBuilder::Record(1, 1));
  EXPECT_EQ(plan.startBlock, 1u);
  EXPECT_EQ(plan.dataBlocks, (Blocks{2, 3}));
  ASSERT_TRUE(sf::WriteSaveFileSave(image, plan, fresh));
  EXPECT_EQ(ChainNames(image, 1), (std::vector<std::string>{"KEEP", "SAME"}));
  EXPECT_EQ(sf::ExtractSaveFileSave(image, SaveFileBuilder::Record(1, 1)).data, fresh.data);
  EXPECT_EQ(sf::ExtractSaveFileSave(image, SaveFileBuilder::Record(1, 5)).data, kept.data);
  ExpectSound(image, 1);
}

TEST(SaveFileWrite, BlankAreasAreWrittenFresh) {
  // Entry 2's area lies past the end; entry 1's is all zero.
  ByteBuffer image = sf::EmptySaveFile();
  image.MustWrite(16, ByteBuffer::FromText("T-1111G   V1.000T-2222G   V1.000"));
  image.Append(sf::kAreaSize, 0);
  ASSERT_EQ(Import(image, "T-2222G", Fields("TWO", 1, 1)), Refusal::kNone);
  EXPECT_EQ(image.size(), 3 * sf::kAreaSize);
  ASSERT_EQ(Import(image, "T-1111G", Fields("ONE", 1, 1)), Refusal::kNone);
  EXPECT_EQ(image.Slice(0x10020, 16), ByteBuffer::FromText("T-1111G   V1.000"));  // the entry's whole ID
  EXPECT_EQ(ChainNames(image, 1), std::vector<std::string>{"ONE"});
  EXPECT_EQ(ChainNames(image, 2), std::vector<std::string>{"TWO"});
}

// Each kind of damage is found, with its severity, and repair mends what it may.
TEST(SaveFileCheck, FindsDamageAndRepairMendsTheAllocation) {
  SaveFileBuilder base;
  base.SetSlot(1, "T-1809G   V1.001").AddRecord(1, 1, NamedSave("ABCDEF", 200)).AddRecord(1, 4, NamedSave("XYZ", 10));
  base.SetSlot(2, "T-1810G");
  // Problems by their stable codes.
  using Ids = std::vector<std::string_view>;
  const auto poke = [](std::size_t at, ByteBuffer bytes) { return [=](ByteBuffer& image) { image.MustWrite(at, bytes); }; };
  const struct { const char* what; std::function<void(ByteBuffer&)> damage; Ids found; Ids afterRepair; } rows[] = {
      {"sound", [](ByteBuffer&) {}, {}, {}},
      {"an entry that ends the index", poke(0x34, ByteBuffer::FromText("ABC")), {}, {}},
      {"entry past a zero entry", poke(0x40, ByteBuffer::FromText("T-7777G")), {"entry-after-index-end"}, {"entry-after-index-end"}},
      {"one game twice", poke(0x20, ByteBuffer::FromText("T-1809G   V1.002")), {"shared-game-id"}, {"shared-game-id"}},
      {"free count", poke(0x1000E, {0x00, 0x07}), {"area-free-count"}, {}},
      {"stray bit", poke(0x10048, {0x80}), {"area-bitmap-marks-free-blocks-used", "area-free-count"}, {}},
      {"missing bit", poke(0x10040, {0x0F}), {"area-bitmap-marks-used-blocks-free", "area-free-count"}, {}},
      {"header", poke(0x10000, {'s'}), {"bad-area-header"}, {"bad-area-header"}},
      {"loop", poke(0x1023E, {0x00, 0x04}), {"chain-loops"}, {"chain-loops"}},
      {"leaves", poke(0x1023E, {0x02, 0x00}), {"chain-leaves-area"}, {"chain-leaves-area"}},
      {"shared block", poke(0x10240, {0x28}), {"shared-area-block"}, {"shared-area-block"}},
      {"header block as data", poke(0x100C0, {0x0D}), {"data-in-area-header"}, {"data-in-area-header"}},
      {"size past its blocks", poke(0x1008C, {0, 0, 1, 1}), {"size-exceeds-data-blocks"}, {"size-exceeds-data-blocks"}},
      {"name begins an earlier name", poke(0x10200, ByteBuffer::FromText("ABC\0")), {"name-shadowed"}, {"name-shadowed"}},
  };
  for (const auto& row : rows) {
    ByteBuffer image = base.Build();
    row.damage(image);
    Ids found;
    for (const Problem& problem : sf::CheckSaveFile(image)) {
      const std::string_view code = catalog::Code(problem);
      found.push_back(code);
      const bool warning = code == "area-free-count" || code == "area-bitmap-marks-free-blocks-used" ||
                           code == "area-bitmap-marks-used-blocks-free" || code == "name-shadowed";
      EXPECT_EQ(problem.severity, warning ? Severity::kWarning : Severity::kFatal) << row.what;
    }
    EXPECT_EQ(found, row.found) << row.what;
    const sf::SaveFileRepair repair = sf::RepairSaveFile(image);
    Ids remaining;
    for (const Problem& problem : repair.remaining) remaining.push_back(catalog::Code(problem));
    EXPECT_EQ(remaining, row.afterRepair) << row.what;
    EXPECT_EQ(repair.mended.empty(), found == row.afterRepair) << row.what;
  }
}

TEST(SaveFileCheck, RepairOfABrokenChainFreesNoBlock) {
  SaveFileBuilder builder;
  builder.SetSlot(1, "G").AddRecord(1, 1, NamedSave("A", 10)).AddRecord(1, 3, NamedSave("B", 10));
  ByteBuffer image = builder.Build();
  image.MustWrite(0x1003E, ByteBuffer{0x03, 0x00});  // the chain leaves at once: A and B hang from nothing
  image.MustWrite(0x1000E, ByteBuffer{0x00, 0x00});
  const sf::SaveFileRepair repair = sf::RepairSaveFile(image);
  EXPECT_EQ(image.Slice(0x10040, 1), ByteBuffer{0x1F});  // A and B keep their blocks
  EXPECT_EQ(repair.mended, (std::vector<Message>{{MendedAreaFreeCount{1, 0, 507}, {}}}));
}

// Imports and deletes at random in one area: after each, the allocation is
// sound, the chain holds every save once, and every save exports as it went in.
TEST(SaveFileWrite, RandomImportsAndDeletesKeepTheAreaSound) {
  std::mt19937 random(20261210);
  ByteBuffer image = sf::EmptySaveFile();
  std::map<std::string, GatheredSave> saves;
  for (int step = 0; step < 400; ++step) {
    const std::string name = "SAVE" + std::to_string(10 + random() % 24);  // no name begins another
    if (random() % 3 == 0 && !saves.empty()) {
      auto victim = std::next(saves.begin(), static_cast<long>(random() % saves.size()));
      const auto record = sf::FindSaveFileSave(image, 1, victim->second.nameField);
      ASSERT_TRUE(record);
      ASSERT_EQ(sf::DeleteSaveFileSaves(image, {*record}), 1u);
      saves.erase(victim);
    } else {
      const GatheredSave save = Fields(name, static_cast<std::uint32_t>(random() % 9000), static_cast<std::uint8_t>(step),
                                       static_cast<std::uint8_t>(random() % 4));
      const ByteBuffer before = image;
      const Refusal refusal = Import(image, "T-1809G", save);
      if (refusal == Refusal::kNoRoom) {
        ASSERT_EQ(image, before);
      } else {
        ASSERT_EQ(refusal, Refusal::kNone);
        saves[name] = save;
      }
    }
    ExpectSound(image, 1);
    const Blocks chain = sf::RecordChain(image, sf::AreaOffset(1));
    ASSERT_EQ(chain.size(), saves.size()) << step;
    for (const std::uint32_t block : chain) {
      const GatheredSave out = sf::ExtractSaveFileSave(image, sf::RecordOffset(sf::AreaOffset(1), block));
      const GatheredSave& in = saves.at(DecodeName(out.nameField));
      ASSERT_EQ(std::tie(out.nameField, out.size, out.commentField, out.date, out.data, out.complete),
                std::tie(in.nameField, in.size, in.commentField, in.date, in.data, in.complete));
    }
  }
  EXPECT_TRUE(sf::CheckSaveFile(image).empty());
}

using SaveFileWriteSamples = testing::SamplesTest;

// Deleting the real save and importing its export gives the file back byte for byte.
TEST_F(SaveFileWriteSamples, DeleteThenImportOfTheExportIsTheSameFile) {
  const ByteBuffer original = testing::ReadFile(samples / "saroo-two-games" / "SS_SAVE.BIN");
  EXPECT_TRUE(sf::CheckSaveFile(original).empty());
  ByteBuffer image = original;
  const std::size_t record = sf::ListSaveFile(image).records.at(0).offset;
  const ByteBuffer single = SingleSaveOf(sf::ExtractSaveFileSave(image, record));
  ASSERT_EQ(sf::DeleteSaveFileSaves(image, {record}), 1u);
  EXPECT_EQ(sf::ListSaveFile(image).records.size(), 1u);
  using Saroo = singlesave::SarooSingleSaveFile;
  GatheredSave save = GatherSaveHeader(single, Saroo::kSaveHeaderOffset);
  save.data = single.Slice(Saroo::kDataOffset, single.size());
  ASSERT_EQ(Import(image, "T-1809G", save), Refusal::kNone);
  EXPECT_EQ(image, original);
}

}  // namespace
}  // namespace quillmere
