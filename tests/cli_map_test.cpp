#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/backup_ram_builder.h"
#include "support/cli_run.h"
#include "support/image_builder.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

using testing::NamedSave;
using testing::RunCliWith;

TEST(CliMap, DrawsTheGridAndListsEachSaveWithItsUnits) {
  testing::TempDir dir;
  const auto mems = dir / "ss_mems.bin";  // the kind comes from the name in any letter case
  testing::WriteFile(mems, testing::MemsImageBuilder()
                               .AddSave(1, 8, NamedSave("SMALL", 100))
                               .AddSave(3, 9, NamedSave("LARGE", 3000), {12, 10, 11})
                               .Build());
  const auto text = RunCliWith({"map", mems.string()});
  ASSERT_EQ(text.status, 0) << text.err;
  const std::string top = "VIEW MAP ( Cluster size:1024 )\n   0 ########@@###" + std::string(19, '.') + "\n  32 ";
  EXPECT_EQ(text.out.substr(0, top.size()), top);
  EXPECT_TRUE(text.out.ends_with("\n8032 " + std::string(32, '.') +
                                 "\n\nName\tAddress\tUnits\nSMALL\t2000\t8\nLARGE\t2400\t9 12 10 11\n"));

  const auto json = nlohmann::json::parse(RunCliWith({"map", mems.string(), "--json"}).out);
  EXPECT_EQ(json["unitSize"], 1024);
  EXPECT_EQ(json["width"], 32);
  EXPECT_EQ(json["rows"], 252);
  EXPECT_EQ(json["cells"], "########@@###" + std::string(8064 - 13, '.'));
  EXPECT_EQ(json["saves"], nlohmann::json::parse(R"([{"name":"SMALL","address":"2000","units":[8]},
                                                     {"name":"LARGE","address":"2400","units":[9,12,10,11]}])"));

  testing::WriteFile(dir / "SS_SAVE.BIN", ByteBuffer::Filled(0x10000, 0));
  EXPECT_EQ(RunCliWith({"map", (dir / "SS_SAVE.BIN").string()}).status, 1);  // slots, no units
  EXPECT_EQ(RunCliWith({"map", (dir / "SS_BUP.BIN").string()}).status, 1);   // missing
  EXPECT_EQ(RunCliWith({"map", (dir / "image.dat").string()}).status, 1);    // missing
  testing::WriteFile(dir / "image.dat", ByteBuffer::Filled(0x10000, 0));
  EXPECT_EQ(RunCliWith({"map", (dir / "image.dat").string()}).status, 2);    // kind unknown
}

using CliMapSamples = testing::SamplesTest;

// The emulator's one save spans blocks 2-78; block 0 (the format text) and block 1 are free.
TEST_F(CliMapSamples, TheEmulatorSaveCoversItsSeventySevenBlocks) {
  const auto run = RunCliWith({"map", (samples / "yabause-one-save" / "BKRAMSV.BIN").string(), "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto json = nlohmann::json::parse(run.out);
  EXPECT_EQ(json["unitSize"], 64);
  EXPECT_EQ(json["cells"], "..@" + std::string(76, '#') + std::string(528 - 79, '.'));
  ASSERT_EQ(json["saves"].size(), 1u);
  EXPECT_EQ(json["saves"][0]["units"].size(), 77u);
  EXPECT_EQ(json["saves"][0]["units"].back(), 78);
}

}  // namespace
}  // namespace quillmere
