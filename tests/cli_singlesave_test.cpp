#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "support/cli_run.h"
#include "model/conversions.h"
#include "platform/file_io.h"
#include "singlesave/single_save_file.h"
#include "support/image_builder.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

using testing::CliRun;
using testing::RunCliWith;

// Runs with the current folder set to `folder`, and puts it back afterwards.
class InFolder {
 public:
  explicit InFolder(const fs::path& folder) : previous_(fs::current_path()) { fs::current_path(folder); }
  ~InFolder() { fs::current_path(previous_); }

 private:
  fs::path previous_;
};

class CliSingleSaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // "セーブ" in Shift-JIS, a zero byte, then bytes that are carried but not shown.
    comment = ByteBuffer{0x83, 0x5A, 0x81, 0x5B, 0x83, 0x75, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05};
    data = ByteBuffer(testing::PatternData(1500, 21));
    ssfBytes = singlesave::BuildSsfSingleSave(comment, {0x40, 0x9E, 0xAC, 0x09}, data);  // 1999-05-18 15:08
    testing::WriteFile(ssf, ssfBytes);
    sarooBytes = singlesave::BuildSarooSingleSave(singlesave::NameFieldFromText("GAME02"), 1500, comment, 22855474,
                                                  data);
    testing::WriteFile(saroo, sarooBytes);
  }

  TempDir dir;
  fs::path ssf = dir / "in/GAME01.BIN";
  fs::path saroo = dir / "in/saroo-file.bin";
  ByteBuffer comment, data, ssfBytes, sarooBytes;
};

TEST_F(CliSingleSaveTest, ShowPrintsTheConverterRow) {
  const CliRun sarooRun = RunCliWith({"show", saroo.string()});
  EXPECT_EQ(sarooRun.status, 0) << sarooRun.err;
  EXPECT_EQ(sarooRun.out, "Form\tName\tComment\tDate\tSize\nsaroo\tGAME02\tセーブ\t2023-06-15 12:34\t1500\n");

  const CliRun ssfRun = RunCliWith({"show", ssf.string()});
  EXPECT_EQ(ssfRun.status, 0) << ssfRun.err;
  EXPECT_EQ(ssfRun.out, "Form\tName\tComment\tDate\tSize\nssf\tGAME01\tセーブ\t1999-05-18 15:08\t1500\n");
}

TEST_F(CliSingleSaveTest, ShowPrintsJson) {
  const CliRun sarooRun = RunCliWith({"show", saroo.string(), "--json"});
  ASSERT_EQ(sarooRun.status, 0) << sarooRun.err;
  EXPECT_EQ(sarooRun.out,
            R"({"form":"saroo","name":"GAME02","comment":"セーブ","date":"2023-06-15 12:34","size":1500})"
            "\n");

  // A bare file name still gives the SSF name, as the panel shows it for the full path.
  InFolder inFolder(dir / "in");
  const CliRun ssfRun = RunCliWith({"show", "GAME01.BIN", "--json"});
  ASSERT_EQ(ssfRun.status, 0) << ssfRun.err;
  const auto json = nlohmann::json::parse(ssfRun.out);
  EXPECT_EQ(json, nlohmann::json::parse(R"({"form":"ssf","name":"GAME01","comment":"セーブ",)"
                                        R"("date":"1999-05-18 15:08","size":1500})"));
}

TEST_F(CliSingleSaveTest, ConvertWritesTheOtherFormAndPrintsItsPath) {
  const fs::path out = dir / "converted";
  const CliRun toSaroo = RunCliWith({"convert", ssf.string(), "--out", out.string()});
  ASSERT_EQ(toSaroo.status, 0) << toSaroo.err;
  EXPECT_EQ(toSaroo.out, (out / "GAME01.bin").string() + "\n");
  EXPECT_EQ(toSaroo.err, "");
  const ByteBuffer written = testing::ReadFile(out / "GAME01.bin");
  EXPECT_EQ(written, singlesave::BuildSarooSingleSave(singlesave::NameFieldFromText("GAME01"), 1500, comment,
                                                      MinutesFromSaveDate({1999, 5, 18, 15, 8}), data));

  // And back: the SAROO file becomes the SSF file it came from.
  const fs::path back = dir / "back";
  const CliRun toSsf = RunCliWith({"convert", (out / "GAME01.bin").string(), "--out", back.string()});
  ASSERT_EQ(toSsf.status, 0) << toSsf.err;
  EXPECT_EQ(toSsf.out, (back / "GAME01.bin").string() + "\n");
  EXPECT_EQ(testing::ReadFile(back / "GAME01.bin"), ssfBytes);
}

TEST_F(CliSingleSaveTest, ConvertWritesUnderTheCurrentFolderByDefault) {
  const fs::path work = dir / "work";
  fs::create_directories(work);
  InFolder inFolder(work);
  const CliRun toSsf = RunCliWith({"convert", saroo.string()});
  ASSERT_EQ(toSsf.status, 0) << toSsf.err;
  const fs::path ssfOut = fs::current_path() / "SSF" / "GAME02.bin";
  EXPECT_EQ(toSsf.out, ssfOut.string() + "\n");
  // The SSF date is the SAROO stamp as shown: 2023-06-15 12:34.
  EXPECT_EQ(testing::ReadFile(ssfOut),
            singlesave::BuildSsfSingleSave(comment, singlesave::EncodeSsfDate({2023, 6, 15, 12, 34}), data));

  const CliRun toSaroo = RunCliWith({"convert", ssfOut.string()});
  ASSERT_EQ(toSaroo.status, 0) << toSaroo.err;
  const fs::path sarooOut = fs::current_path() / "SAROO" / "GAME02.bin";
  EXPECT_EQ(toSaroo.out, sarooOut.string() + "\n");
  EXPECT_EQ(testing::ReadFile(sarooOut), sarooBytes);
}

TEST_F(CliSingleSaveTest, ConvertFailuresGoToStderrWithStatusOne) {
  // The output folder is a regular file, so it cannot be created.
  const fs::path blocked = dir / "blocked";
  testing::WriteFile(blocked, ByteBuffer{7});
  const CliRun failed = RunCliWith({"convert", ssf.string(), "--out", blocked.string()});
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.out, "");
  EXPECT_EQ(failed.err, "quillmere-cli: 写入文件失败！: " + platform::PathToUtf8(blocked / "GAME01.bin") + " (Not a directory)\n");

  // No container holds data this long: it is no single save.
  const fs::path huge = dir / "in/HUGE.bin";
  testing::WriteFile(huge, ByteBuffer::Filled(16 + singlesave::kMaxDataSize + 1, 0x33));
  const CliRun refused = RunCliWith({"convert", huge.string(), "--out", (dir / "out").string()});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(refused.err, "quillmere-cli: 错误的存档格式！\n");
  EXPECT_FALSE(fs::exists(dir / "out"));

  const CliRun missing = RunCliWith({"convert", (dir / "in/NONE.bin").string()});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("文件不存在"), std::string::npos);
  EXPECT_EQ(RunCliWith({"show", (dir / "in/NONE.bin").string()}).status, 1);
}

TEST(CliSingleSaveUsage, MissingArgumentsAreUsageErrors) {
  EXPECT_EQ(RunCliWith({"show"}).status, 2);
  EXPECT_EQ(RunCliWith({"convert"}).status, 2);
  EXPECT_EQ(RunCliWith({"convert", "a.bin", "--out"}).status, 2);
  EXPECT_EQ(RunCliWith({"show", "a.bin", "--pane", "1"}).status, 2);
}

}  // namespace
}  // namespace quillmere
