#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "support/cli_run.h"
#include "support/backup_ram_builder.h"
#include "support/image_builder.h"
#include "support/save_file_builder.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using testing::BackupRamBuilder;
using testing::SaveFileBuilder;
using testing::TempDir;
using testing::TestSave;

using testing::CliRun;
using testing::RunCliWith;

TestSave Save(const std::string& name, std::size_t size, std::uint8_t seed = 1) {
  TestSave save;
  save.name = name;
  save.comment = {'N', 'O', 'T', 'E', 0};
  save.date = 22855474;
  save.data = testing::PatternData(size, seed);
  return save;
}

class CliReadersTest : public ::testing::Test {
 protected:
  TempDir dir;
};

TEST_F(CliReadersTest, ListsABackupRamImageWithItsFigure) {
  const fs::path file = dir / "BKRAMSV.BIN";
  testing::WriteFile(file, BackupRamBuilder().AddSave(2, Save("GAME01", 100)).AddSave(9, Save("GAME02", 10, 2)).BuildFile());
  const CliRun run = RunCliWith({"list", file.string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "Num\tName\tAddress\tComment\tDate\tSize\n"
            "1\tGAME01\t80\tNOTE\t2023-06-15 12:34\t100\n"
            "2\tGAME02\t240\tNOTE\t2023-06-15 12:34\t10\n"
            "剩余: 457\n");
}

TEST_F(CliReadersTest, BackupRamJsonCarriesBlocksAndUsage) {
  // Any file name will do with --kind.
  const fs::path file = dir / "internal.ram";
  testing::WriteFile(file, BackupRamBuilder().AddSave(2, Save("GAME01", 100), {7, 5}).AddSave(3, Save("GAME02", 0)).BuildFile());
  for (const std::string kind : {"bkram", "bup"}) {
    const CliRun run = RunCliWith({"list", file.string(), "--kind", kind, "--json", "--pane", "2"});
    ASSERT_EQ(run.status, 0) << run.err;
    const json result = json::parse(run.out);
    EXPECT_EQ(result["kind"], kind);
    EXPECT_EQ(result["remaining"], 461 - 3 - 1);
    std::string usage(512, '0');
    for (const int block : {2, 3, 5, 7}) usage[block] = '1';
    EXPECT_EQ(result["blockUsage"], usage);
    ASSERT_EQ(result["saves"].size(), 2u);
    EXPECT_EQ(result["saves"][0],
              json::parse(R"({"num":1,"name":"GAME01","address":"80","comment":"NOTE","date":"2023-06-15 12:34",)"
                          R"("size":100,"blocks":[2,7,5]})"));
    EXPECT_EQ(result["saves"][1]["blocks"], json::parse("[3]"));
  }
}

TEST_F(CliReadersTest, SaveFileHasNoFigure) {
  const fs::path file = dir / "ss_save.bin";  // the kind comes from the name in any letter case
  testing::WriteFile(file, SaveFileBuilder()
                               .SetSlot(1, "ONE")
                               .SetSlot(2, "TWO")
                               .AddRecord(1, 1, Save("A1", 10))
                               .AddRecord(2, 5, Save("B1", 300, 2))
                               .Build());
  const CliRun text = RunCliWith({"list", file.string()});
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out,
            "Num\tName\tAddress\tComment\tDate\tSize\n"
            "1\tA1\t10080\tNOTE\t2023-06-15 12:34\t10\n"
            "2\tB1\t20280\tNOTE\t2023-06-15 12:34\t300\n");

  const CliRun run = RunCliWith({"list", file.string(), "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  const json result = json::parse(run.out);
  EXPECT_EQ(result["kind"], "save");
  EXPECT_TRUE(result["remaining"].is_null());
  EXPECT_FALSE(result.contains("blockUsage"));
  ASSERT_EQ(result["saves"].size(), 2u);
  EXPECT_FALSE(result["saves"][0].contains("blocks"));
  EXPECT_EQ(result["saves"][1]["address"], "20280");
  EXPECT_EQ(result["saves"][1]["num"], 2);
}

using CliReadersSamples = testing::SamplesTest;

TEST_F(CliReadersSamples, ListsTheRealFiles) {
  const CliRun bkram = RunCliWith({"list", (samples / "yabause-one-save" / "BKRAMSV.BIN").string(), "--json"});
  ASSERT_EQ(bkram.status, 0) << bkram.err;
  const json ram = json::parse(bkram.out);
  EXPECT_EQ(ram["kind"], "bkram");
  EXPECT_EQ(ram["remaining"], 391);
  ASSERT_EQ(ram["saves"].size(), 1u);
  json blocks = json::array();
  for (int b = 2; b <= 78; ++b) blocks.push_back(b);
  EXPECT_EQ(ram["saves"][0]["blocks"], blocks);
  EXPECT_EQ(ram["saves"][0]["name"], "DRACULAX_01");
  EXPECT_EQ(ram["blockUsage"], "00" + std::string(77, '1') + std::string(512 - 79, '0'));

  const CliRun bup = RunCliWith({"list", (samples / "saroo-empty" / "SS_BUP.BIN").string()});
  EXPECT_EQ(bup.status, 0) << bup.err;
  EXPECT_EQ(bup.out, "Num\tName\tAddress\tComment\tDate\tSize\n剩余: 461\n");

  const CliRun save = RunCliWith({"list", (samples / "saroo-two-games" / "SS_SAVE.BIN").string()});
  EXPECT_EQ(save.status, 0) << save.err;
  EXPECT_EQ(save.out,
            "Num\tName\tAddress\tComment\tDate\tSize\n"
            "1\tHYPERDUEL_0\t10080\tﾊｲﾊﾟｰﾃﾞｭｴﾙ\t2000-05-31 18:00\t260\n"
            "2\tCAP_DAD_002\t30080\tD&Dｺﾚｸｼｮﾝ2\t2024-12-01 14:31\t416\n");
}

}  // namespace
}  // namespace quillmere
