#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/backup_ram_builder.h"
#include "support/cli_run.h"
#include "support/image_builder.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

using testing::BackupRamBuilder;
using testing::MemsImageBuilder;
using testing::NamedSave;
using testing::RunCliWith;
using testing::TempDir;

class CliMapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::WriteFile(mems, MemsImageBuilder()
                                 .AddSave(1, 8, NamedSave("SMALL", 100))
                                 .AddSave(3, 9, NamedSave("LARGE", 3000), {12, 10, 11})
                                 .Build());
    testing::WriteFile(bkram, BackupRamBuilder().AddSave(4, NamedSave("RAMSAVE", 100)).BuildFile());
  }
  TempDir dir;
  std::filesystem::path mems = dir / "ss_mems.bin";  // the kind comes from the name in any letter case
  std::filesystem::path bkram = dir / "BKRAMSV.BIN";
};

TEST_F(CliMapTest, DrawsTheGridAndListsEachSaveWithItsUnits) {
  const auto run = RunCliWith({"map", mems.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string expected =
      "VIEW MAP ( Cluster size:1024 )\n"
      "   0 ########@@###" + std::string(19, '.') + "\n"
      "  32 " + std::string(32, '.') + "\n";
  EXPECT_EQ(run.out.substr(0, expected.size()), expected);
  EXPECT_NE(run.out.find("\n8032 " + std::string(32, '.') + "\n\nName\tAddress\tUnits\n"
                         "SMALL\t2000\t8\n"
                         "LARGE\t2400\t9 12 10 11\n"),
            std::string::npos);
  EXPECT_TRUE(run.err.empty());
}

TEST_F(CliMapTest, JsonGivesTheCellsAndTheBlinkUnitsOfEitherForm) {
  struct Case {
    std::filesystem::path file;
    unsigned unitSize;
    int width;
    int rows;
    std::string cellsStart;
    std::string saves;
  };
  const std::vector<Case> cases = {
      {mems, 1024, 32, 252, "########@@###.",
       R"([{"name":"SMALL","address":"2000","units":[8]},{"name":"LARGE","address":"2400","units":[9,12,10,11]}])"},
      // Block 0 holds the format text and is not counted as used.
      {bkram, 64, 22, 24, "....@##.", R"([{"name":"RAMSAVE","address":"100","units":[4,5,6]}])"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file.string());
    const auto run = RunCliWith({"map", c.file.string(), "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["unitSize"], c.unitSize);
    EXPECT_EQ(json["width"], c.width);
    EXPECT_EQ(json["rows"], c.rows);
    const std::string cells = json["cells"];
    EXPECT_EQ(cells.size(), static_cast<std::size_t>(c.width * c.rows));
    EXPECT_EQ(cells.substr(0, c.cellsStart.size()), c.cellsStart);
    EXPECT_EQ(cells.find_first_not_of(".", c.cellsStart.size()), std::string::npos);
    EXPECT_EQ(json["saves"], nlohmann::json::parse(c.saves));
  }
}

TEST_F(CliMapTest, RefusesWhatHasNoMap) {
  struct Case {
    std::vector<std::string> args;
    int status;
  };
  const auto renamed = dir / "image.dat";
  std::filesystem::copy_file(mems, renamed);
  testing::WriteFile(dir / "SS_SAVE.BIN", ByteBuffer(0x10000, 0));
  const std::vector<Case> cases = {
      {{"map", (dir / "SS_SAVE.BIN").string()}, 1},  // slots, no clusters or blocks
      {{"map", renamed.string()}, 2},                // kind not told by the name
      {{"map", (dir / "SS_BUP.BIN").string()}, 1},   // missing
      {{"map"}, 2},
  };
  for (const Case& c : cases) EXPECT_EQ(RunCliWith(c.args).status, c.status) << c.args.back();
  EXPECT_EQ(RunCliWith({"map", renamed.string(), "--kind", "mems"}).status, 0);
}

using CliMapSamples = testing::SamplesTest;

// The emulator's one save spans blocks 2-78 in order; block 0 (the format
// text) and block 1 are free.
TEST_F(CliMapSamples, TheEmulatorSaveCoversItsSeventySevenBlocks) {
  const auto run = RunCliWith({"map", (samples / "yabause-one-save" / "BKRAMSV.BIN").string(), "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto json = nlohmann::json::parse(run.out);
  EXPECT_EQ(json["cells"], ".." + std::string("@") + std::string(76, '#') + std::string(528 - 79, '.'));
  ASSERT_EQ(json["saves"].size(), 1u);
  EXPECT_EQ(json["saves"][0]["name"], "DRACULAX_01");
  std::vector<unsigned> units;
  for (unsigned block = 2; block <= 78; ++block) units.push_back(block);
  EXPECT_EQ(json["saves"][0]["units"], nlohmann::json(units));
}

}  // namespace
}  // namespace quillmere
