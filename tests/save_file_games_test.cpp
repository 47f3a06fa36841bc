#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "containers/save_file.h"
#include "support/cli_run.h"
#include "support/save_file_builder.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::RunCliInEnglish;
using testing::RunCliWith;
using testing::WriteFile;

TEST(GameId, OnlyPrintableAsciiOfOneTo16BytesNotAllSpaces) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"T-1809G", true},           {"T-1809G   V1.001", true}, {" T", true},         {"~", true},
      {"", false},                 {"    ", false},            {"T-1809G   V1.0012", false},
      {"T-18\x01", false},         {"T\x7F", false},           {"T-\xC3\xA9", false}, {std::string("T\0G", 3), false},
  };
  for (const auto& [id, valid] : cases) EXPECT_EQ(save_file::IsValidGameId(id), valid) << id;
}

// --game: an invalid ID is a usage error that writes nothing; a new game is
// announced, a game the index holds (by its first 8 bytes) is not.
TEST(GameIdOnTheCommandLine, NewGamesAreAnnouncedAndInvalidIdsRefused) {
  struct Case {
    std::string game;
    bool english;
    int status;
    std::string said;  // empty: nothing on stderr
    std::size_t games;
  };
  const std::string added = "new game T-NOPE added: the SAROO finds it only if its disc's ID begins with these 8 bytes";
  const std::vector<Case> cases = {
      {"T-NOPE", true, 0, added, 2},
      {"T-NOPE", false, 0, "新游戏 T-NOPE 已添加", 2},
      {"T-1809G", true, 0, "", 1},
      {"    ", true, 2, "Invalid game ID", 1},
      {"T-1809G   V1.001X", true, 2, "Invalid game ID", 1},
      {"T-\t1", false, 2, "游戏ID无效", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.game);
    const testing::TempDir dir;
    const ByteBuffer before = testing::SaveFileBuilder().SetSlot(1, "T-1809G   V1.001").Build();
    WriteFile(dir / "SS_SAVE.BIN", before);
    const fs::path single = testing::WriteSarooSingleSave(dir.path(), "GAME", 300);
    const std::vector<std::string> args = {"import", (dir / "SS_SAVE.BIN").string(), single.string(), "--game", c.game};
    const testing::CliRun run = c.english ? RunCliInEnglish(args) : RunCliWith(args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_TRUE(testing::Prints(run.err, c.said));
    const ByteBuffer after = ReadFile(dir / "SS_SAVE.BIN");
    EXPECT_EQ(save_file::ListGames(after).size(), c.games);
    if (c.status != 0) {
      EXPECT_EQ(after, before);
    }
  }
}

// All 4095 entries taken: a new game is refused as such. The file holds
// every area (sparse, so it costs no disk), so nothing about it is cut.
TEST(GameIdOnTheCommandLine, AFullIndexSaysSo) {
  const testing::TempDir dir;
  ByteBuffer index = testing::SaveFileBuilder().Build();
  index.Resize(save_file::kAreaSize);
  for (int slot = 1; slot <= save_file::kSlotCount; ++slot) {
    ASSERT_TRUE(index.Write(save_file::SlotLabelOffset(slot), save_file::PadGameId("G" + std::to_string(slot))));
  }
  const fs::path file = dir / "SS_SAVE.BIN";
  WriteFile(file, index);
  fs::resize_file(file, save_file::AreaOffset(save_file::kSlotCount + 1));
  const fs::path single = testing::WriteSarooSingleSave(dir.path(), "GAME", 10);
  const auto size = fs::file_size(file);
  for (const bool english : {true, false}) {
    const std::vector<std::string> args = {"import", file.string(), single.string(), "--game", "T-NEW"};
    const testing::CliRun run = english ? RunCliInEnglish(args) : RunCliWith(args);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(testing::Prints(run.err, english ? "the game index is full" : "游戏索引已满"));
    EXPECT_FALSE(testing::Prints(run.err, english ? "save list" : "存档列表"));
  }
  EXPECT_EQ(fs::file_size(file), size);
}

// The real file cut where area 3 (CAP_DAD_002's game) begins, and inside
// it: check names the area and fails, the listing keeps what the bytes
// hold, and no writer touches the file.
class CutSaveFileTest : public testing::SamplesTest {};

TEST_F(CutSaveFileTest, AnAreaTheEndCutsIsFatalAndNeverWritten) {
  const ByteBuffer whole = ReadFile(samples / "saroo-two-games" / "SS_SAVE.BIN");
  struct Case {
    std::size_t length;
    std::string code;
    bool listsCapDad;
  };
  for (const Case& c : {Case{0x30000, "area-past-end", false}, Case{0x30100, "area-cut", true}}) {
    SCOPED_TRACE(c.code);
    const testing::TempDir dir;
    const fs::path file = dir / "SS_SAVE.BIN";
    WriteFile(file, whole.Slice(0, c.length));
    const std::string path = file.string();

    const testing::CliRun check = RunCliInEnglish({"check", path, "--json"});
    EXPECT_EQ(check.status, 1);
    const auto problems = nlohmann::json::parse(check.out)["problems"];
    const auto cut = std::find_if(problems.begin(), problems.end(), [&](const auto& p) { return p["code"] == c.code; });
    ASSERT_NE(cut, problems.end()) << check.out;
    EXPECT_EQ((*cut)["severity"], "fatal");
    EXPECT_TRUE(testing::Prints((*cut)["text"].get<std::string>(), "area 3 of game T-1245G   V1.000"));

    const testing::CliRun list = RunCliWith({"list", path});
    EXPECT_TRUE(testing::Prints(list.out, "HYPERDUEL_0"));
    EXPECT_EQ(list.out.find("CAP_DAD_002") != std::string::npos, c.listsCapDad);

    const fs::path single = testing::WriteSarooSingleSave(dir.path(), "GAME", 10);
    EXPECT_EQ(RunCliWith({"import", path, single.string(), "--game", "T-1809G"}).status, 1);
    EXPECT_EQ(ReadFile(file), whole.Slice(0, c.length));
  }
}

}  // namespace
}  // namespace quillmere
