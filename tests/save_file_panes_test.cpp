#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "model/conversions.h"
#include "containers/save_file.h"
#include "operations/image_care.h"
#include "operations/save_transfer.h"
#include "operations/workbench.h"
#include "support/cli_run.h"
#include "support/image_builder.h"
#include "support/save_file_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

using testing::NamedSave;
using testing::ReadFile;
using testing::WriteFile;

// Two games, each with a save named SAME; pane 2 an SS_MEMS.BIN to transfer from.
class SaveFilePaneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir / "SS_SAVE.BIN", testing::SaveFileBuilder()
                                       .SetSlot(1, "T-1111G   V1.000")
                                       .SetSlot(2, "T-2222G   V1.000")
                                       .AddRecord(1, 1, NamedSave("SAME", 200, 1))
                                       .AddRecord(2, 1, NamedSave("SAME", 300, 2))
                                       .Build());
    WriteFile(dir / "OTHER" / "SS_MEMS.BIN",
              testing::MemsImageBuilder().AddSave(1, 8, NamedSave("SAME", 100, 3)).AddSave(2, 9, NamedSave("NEW", 50, 4)).Build());
    SetPaneKind(bench, 1, ContainerKind::kSave);
    ReloadPane(bench, 2);
  }
  // Each listed save's game, name and data size, in row order.
  std::vector<std::tuple<int, std::string, std::string>> Listed() {
    std::vector<std::tuple<int, std::string, std::string>> listed;
    for (std::size_t r = 0; r < bench.pane(1).rows.size(); ++r) {
      listed.emplace_back(bench.pane(1).RecordOfRow(r).area, bench.pane(1).rows[r].name(), bench.pane(1).rows[r].size());
    }
    return listed;
  }

  testing::TempDir dir;
  testing::ScriptedHost host;
  Workbench bench{dir.path(), host};
};

// The game is asked with the selected row's game chosen; a same-named save
// of that game alone is asked about and replaced.
TEST_F(SaveFilePaneTest, ImportAsksForTheGameAndReplacesInItsAreaAlone) {
  const auto single = testing::WriteSarooSingleSave(dir / "in", "SAME", 500);
  bench.pane(1).selection = {1};
  host.answers = {true};
  EXPECT_EQ(ImportSingleSave(bench, 1, single).outcome, ImportOutcome::kReplaced);
  ASSERT_EQ(host.choiceQuestions.size(), 1u);
  EXPECT_EQ(host.choiceQuestions[0].choices,
            (std::vector<std::string>{"T-1111G   V1.000（1个存档）", "T-2222G   V1.000（1个存档）"}));
  EXPECT_EQ(host.choiceQuestions[0].chosen, 1u);
  EXPECT_EQ(host.questionHeads, std::vector<std::string>{"是否替换列表1已有存档？\r\n2:SAME"});
  EXPECT_EQ(Listed(), (std::vector<std::tuple<int, std::string, std::string>>{{1, "SAME", "200"}, {2, "SAME", "500"}}));
  EXPECT_TRUE(bench.pane(1).problems.empty());

  // A new game typed in, once confirmed, gets an entry and a fresh area;
  // Cancel imports nothing.
  host.choiceAnswers = {std::string("T-3333G"), std::nullopt};
  host.answers = {true};
  EXPECT_EQ(ImportSingleSave(bench, 1, single).outcome, ImportOutcome::kImported);
  EXPECT_EQ(ImportSingleSave(bench, 1, single).outcome, ImportOutcome::kNothing);
  EXPECT_EQ(std::get<0>(Listed().back()), 3);
  EXPECT_EQ(DecodeName(save_file::GameIdOf(bench.pane(1).image, 3)), "T-3333G         ");
}

// The window's question takes what --game takes: an invalid ID, or none
// with OK, is said to be invalid and the question asked again; a new game
// is added only once confirmed.
TEST_F(SaveFilePaneTest, TheGameQuestionRefusesInvalidIdsAndAsksAgain) {
  const auto single = testing::WriteSarooSingleSave(dir / "in", "NEW", 50);
  host.choiceAnswers = {std::string(""), std::string("   "), std::string("T-4444G"), std::string("T-4444G")};
  host.answers = {false, true};
  EXPECT_EQ(ImportSingleSave(bench, 1, single).outcome, ImportOutcome::kImported);
  EXPECT_EQ(host.choiceQuestions.size(), 4u);
  EXPECT_EQ(host.questions, std::vector<std::string>(2, "T-4444G不在此文件中：添加新游戏吗？只有光盘ID以这8个字节开头时，SAROO才能找到它。"));
  EXPECT_TRUE(testing::Prints(host.choiceQuestions[0].question, "T-1809G"));
  const std::string invalid = "游戏ID无效：须为1到16个可打印ASCII字符（如 T-1809G），不能全是空格！";
  EXPECT_EQ(host.messages, (std::vector<std::string>{invalid, invalid, "导入完成！\r\n新游戏 T-4444G 已添加"}));
  EXPECT_EQ(DecodeName(save_file::GameIdOf(bench.pane(1).image, 3)), "T-4444G         ");
}

// A transfer asks once, skips the game's listed name and writes once; a
// delete unlinks the save from its chain.
TEST_F(SaveFilePaneTest, TransferAsksOnceAndDeleteUnlinks) {
  host.choiceAnswers = {std::string("T-1111G   V1.000")};
  bench.pane(2).selection = {0, 1};
  const TransferReport report = TransferSaves(bench, 2, 1);
  EXPECT_EQ(host.choiceQuestions.size(), 1u);
  EXPECT_EQ(report.imports[0].outcome, ImportOutcome::kSkipped);
  EXPECT_EQ(report.imports[1].outcome, ImportOutcome::kImported);
  EXPECT_EQ(Listed(), (std::vector<std::tuple<int, std::string, std::string>>{
                          {1, "SAME", "200"}, {1, "NEW", "50"}, {2, "SAME", "300"}}));

  bench.pane(1).selection = {0};
  host.answers = {true};
  EXPECT_EQ(DeleteSaves(bench, 1), CareOutcome::kDone);
  EXPECT_EQ(Listed(), (std::vector<std::tuple<int, std::string, std::string>>{{1, "NEW", "50"}, {2, "SAME", "300"}}));
  EXPECT_TRUE(save_file::CheckSaveFile(ReadFile(dir / "SS_SAVE.BIN")).empty());
}

class SaveFileCommandLine : public testing::SamplesTest {};

// Delete a save, import its export back into its game: the SAROO's own file again.
TEST_F(SaveFileCommandLine, DeleteAndImportGiveTheFileBack) {
  testing::TempDir dir;
  const std::string image = (dir / "SS_SAVE.BIN").string();
  const ByteBuffer original = ReadFile(samples / "saroo-two-games" / "SS_SAVE.BIN");
  WriteFile(image, original);
  const auto exported = testing::RunCliWith({"export", image, "--row", "1", "--out", (dir / "out").string()});
  ASSERT_EQ(exported.status, 0) << exported.err;
  const std::string single = exported.out.substr(0, exported.out.size() - 1);
  ASSERT_EQ(testing::RunCliWith({"delete", image, "--name", "HYPERDUEL_0"}).status, 0);
  EXPECT_NE(ReadFile(image), original);
  EXPECT_EQ(testing::RunCliWith({"import", image, single}).status, 2);  // which game? A usage error
  const auto imported = testing::RunCliWith({"import", image, single, "--game", "T-1809G"});
  EXPECT_EQ(imported.status, 0) << imported.err;
  EXPECT_EQ(ReadFile(image), original);
  const auto listed = nlohmann::json::parse(testing::RunCliWith({"list", image, "--json"}).out);
  EXPECT_EQ(listed["saves"][0]["game"], "T-1809G   V1.001");
}

// A name that several games hold is deleted only where --game says.
TEST(SaveFileDelete, ANameOfSeveralGamesNeedsTheGame) {
  testing::TempDir dir;
  const std::string image = (dir / "SS_SAVE.BIN").string();
  WriteFile(image, testing::SaveFileBuilder()
                       .SetSlot(1, "T-1111G   V1.000")
                       .SetSlot(2, "T-2222G   V1.000")
                       .AddRecord(1, 1, NamedSave("SAME", 200, 1))
                       .AddRecord(2, 1, NamedSave("SAME", 300, 2))
                       .Build());
  EXPECT_EQ(testing::RunCliWith({"delete", image, "--name", "SAME"}).status, 1);
  EXPECT_EQ(testing::RunCliWith({"delete", image, "--name", "SAME", "--game", "T-2222G"}).status, 0);
  const auto listed = nlohmann::json::parse(testing::RunCliWith({"list", image, "--json"}).out);
  ASSERT_EQ(listed["saves"].size(), 1u);
  EXPECT_EQ(listed["saves"][0]["game"], "T-1111G   V1.000");
}

}  // namespace
}  // namespace quillmere
