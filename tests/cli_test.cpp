#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "support/cli_run.h"
#include "support/image_builder.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

using testing::MemsImageBuilder;
using testing::TempDir;
using testing::TestSave;

using testing::CliRun;
using testing::RunCliWith;
using testing::ReadFile;

class CliListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestSave first;
    first.name = "GAME01";
    first.comment = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L'};
    first.date = 22855474;
    first.data = testing::PatternData(960, 1);
    TestSave second;
    second.name = "GAME03";
    second.data = testing::PatternData(2000, 2);
    testing::WriteFile(file, MemsImageBuilder().AddSave(1, 8, first).AddSave(3, 9, second).Build());
  }
  TempDir dir;
  std::filesystem::path file = dir / "SS_MEMS.BIN";
};

TEST_F(CliListTest, PrintsTheRowsAndTheRemainingSpace) {
  const CliRun run = RunCliWith({"list", file.string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "Num\tName\tAddress\tComment\tDate\tSize\n"
            "1\tGAME01\t2000\tABCDEFGHIJ\t2023-06-15 12:34\t960\n"
            "3\tGAME03\t2400\t\t1979-12-31 16:00\t2000\n"
            "剩余: " + std::to_string(16 * (8056 - 4) - 16) + "\n");
}

TEST_F(CliListTest, PrintsJsonAsPane2Reads) {
  const CliRun run = RunCliWith({"list", file.string(), "--json", "--pane", "2"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto json = nlohmann::json::parse(run.out);
  EXPECT_EQ(json["kind"], "mems");
  EXPECT_EQ(json["file"], file.string());
  EXPECT_EQ(json["remaining"], 16 * (8056 - 4) - 16);
  ASSERT_EQ(json["saves"].size(), 2u);
  EXPECT_EQ(json["saves"][0],
            nlohmann::json::parse(R"({"num":1,"name":"GAME01","address":"2000","comment":"ABCDEFGHIJKL",)"
                                  R"("date":"2023-06-15 12:34","size":960})"));
  EXPECT_EQ(json["saves"][1]["num"], 3);
}

TEST_F(CliListTest, OtherNamesNeedAKind) {
  const auto renamed = dir / "backup.img";
  std::filesystem::copy_file(file, renamed);
  EXPECT_EQ(RunCliWith({"list", renamed.string()}).status, 2);
  EXPECT_EQ(RunCliWith({"list", renamed.string(), "--kind", "tape"}).status, 2);
  const CliRun run = RunCliWith({"list", renamed.string(), "--kind", "mems"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("GAME03"), std::string::npos);
}

TEST(CliUsage, MissingFilesAndBadArgumentsAreTold) {
  TempDir dir;
  const CliRun missing = RunCliWith({"list", (dir / "SS_MEMS.BIN").string()});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("文件不存在"), std::string::npos);
  EXPECT_EQ(RunCliWith({}).status, 2);
  EXPECT_EQ(RunCliWith({"list"}).status, 2);
  EXPECT_EQ(RunCliWith({"list", "x", "--pane", "3"}).status, 2);
  EXPECT_EQ(RunCliWith({"frobnicate"}).status, 2);
  EXPECT_EQ(RunCliWith({"--help"}).status, 0);
}

// A slip at the door gets one line that says what was wrong and where the
// usage is, never the whole help; asking for help or the version is no error.
TEST(CliUsage, TheFrontDoorAnswersInOneLine) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;  // what stdout starts with
    std::string err;  // the whole of stderr
  };
  const Case cases[] = {
      {{"lst", "x"}, 2, "", "quillmere-cli: unknown command 'lst'; did you mean 'list'?\n"},
      {{"exprot"}, 2, "", "quillmere-cli: unknown command 'exprot'; did you mean 'export'?\n"},
      {{"frobnicate"}, 2, "", "quillmere-cli: unknown command 'frobnicate'; run 'quillmere-cli --help'\n"},
      {{"help", "lsit"}, 2, "", "quillmere-cli: unknown command 'lsit'; did you mean 'list'?\n"},
      {{"list"}, 2, "", "quillmere-cli: FILE is required; run 'quillmere-cli list --help'\n"},
      {{"map", "x", "--bogus"}, 2, "", "quillmere-cli: The following argument was not expected: --bogus; run 'quillmere-cli map --help'\n"},
      {{}, 2, "", "quillmere-cli: A subcommand is required; run 'quillmere-cli --help'\n"},
      {{"export", "SS_MEMS.BIN", "--row", "0"}, 2, "",
       "quillmere-cli: --row: rows count from 1, as list prints them, not 0; run 'quillmere-cli export --help'\n"},
      {{"help"}, 0, "Quillmere: lists", ""},
      {{"help", "transfer"}, 0, "Copy saves", ""},
      {{"--version"}, 0, "quillmere-cli " QUILLMERE_VERSION "\n", ""},
  };
  for (const Case& c : cases) {
    const CliRun run = testing::RunCliInEnglish(c.args);
    const std::string said = ::testing::PrintToString(c.args);
    EXPECT_EQ(run.status, c.status) << said;
    EXPECT_TRUE(run.out.starts_with(c.out)) << said << run.out;
    EXPECT_EQ(run.err, c.err) << said;
  }

  // A container is no single save, though any bytes would pass for an SSF one.
  TempDir dir;
  const std::string memory = (dir / "BKRAMSV.BIN").string();
  ASSERT_EQ(RunCliWith({"format", memory}).status, 0);
  const CliRun convert = testing::RunCliInEnglish({"convert", memory, "--out", (dir / "out").string()});
  EXPECT_EQ(convert.status, 1);
  EXPECT_EQ(convert.err, "quillmere-cli: " + memory + " is a container file, not a single save: take its saves out with export\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "out"));
}

// The manual page is written by hand: every command and every option the
// parser takes must be in it, so that the two cannot drift apart.
TEST(CliManual, DescribesEveryCommandAndOption) {
  const ByteBuffer bytes = ReadFile(std::filesystem::path(QUILLMERE_DOCS_DIR) / "quillmere-cli.1");
  const std::string page(bytes.bytes().begin(), bytes.bytes().end());
  ASSERT_FALSE(page.empty());
  // As the page spells an option: every hyphen escaped.
  const auto roff = [](const std::string& option) {
    std::string spelled;
    for (const char c : option) spelled += c == '-' ? std::string("\\-") : std::string(1, c);
    return spelled;
  };
  for (const cli::CommandSummary& command : cli::CommandSummaries()) {
    const std::size_t entry = page.find(".BI " + command.name + " ");
    ASSERT_NE(entry, std::string::npos) << command.name;
    const std::string synopsis = page.substr(entry, page.find('\n', entry) - entry);
    for (const std::string& option : command.options) {
      EXPECT_NE(synopsis.find(roff(option)), std::string::npos) << command.name << " " << option;
    }
  }
  for (const char* global : {"--language", "--device", "--block-size", "--version"}) {
    EXPECT_NE(page.find(".BI " + roff(global)), std::string::npos) << global;
  }
}

}  // namespace
}  // namespace quillmere
