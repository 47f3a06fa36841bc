#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "singlesave/bup_file.h"
#include "singlesave/single_save_file.h"
#include "singlesave/sro_file.h"
#include "support/cli_run.h"
#include "support/image_builder.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::RunCliInEnglish;

// A SAROO single save named SIZES that states `stated` bytes and carries `data`.
ByteBuffer Saroo(std::uint32_t stated, const ByteBuffer& data) {
  return singlesave::BuildSarooSingleSave(ByteBuffer::FromText("SIZES"), stated, {}, 0, data);
}

std::string Trimmed(std::string text) {
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// show, convert and import take the same bytes of a save whose stated size
// is not the length of its data, and each of them says so with both numbers.
TEST(SingleSaveSizes, ShowConvertAndImportTakeTheSameDataAndWarn) {
  const ByteBuffer data(testing::PatternData(508, 7));
  ByteBuffer shortBup = singlesave::BupFromSaroo(Saroo(500, data.Slice(0, 500)));
  shortBup.Resize(64 + 100);
  struct Case {
    std::string file;
    ByteBuffer bytes;
    std::uint32_t stated;
    std::size_t carried;
    std::size_t taken;
  };
  const std::vector<Case> cases = {
      {"STATES_LESS.bin", Saroo(100, data.Slice(0, 500)), 100, 500, 100},
      {"STATES_MORE.bin", Saroo(500, data.Slice(0, 100)), 500, 100, 100},
      // The checksum covers the 8 bytes after the stated 500, so they were there when it was made.
      {"TRAILING.SRO", singlesave::SroFromSaroo(Saroo(500, data)), 500, 508, 500},
      {"SHORT.BUP", shortBup, 500, 100, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const testing::TempDir dir;
    const fs::path single = dir / c.file;
    testing::WriteFile(single, c.bytes);
    const std::string warning = "the save states " + std::to_string(c.stated) + " bytes but the file carries " +
                                std::to_string(c.carried) + " data bytes; " + std::to_string(c.taken) + " bytes are taken";
    const ByteBuffer expected = data.Slice(0, c.taken);

    const testing::CliRun show = RunCliInEnglish({"show", single.string(), "--json"});
    EXPECT_EQ(show.status, 0);
    EXPECT_EQ(nlohmann::json::parse(show.out)["size"], c.taken);
    EXPECT_TRUE(testing::Prints(show.err, warning));

    const testing::CliRun convert = RunCliInEnglish({"convert", single.string(), "--to", "ssf", "--out", (dir / "SSF").string()});
    ASSERT_EQ(convert.status, 0) << convert.err;
    EXPECT_TRUE(testing::Prints(convert.err, warning));
    EXPECT_EQ(ReadFile(Trimmed(convert.out)).Slice(16, 1000), expected);

    const fs::path image = dir / "SS_MEMS.BIN";
    testing::WriteFile(image, testing::MemsImageBuilder().Build());
    const testing::CliRun import = RunCliInEnglish({"import", image.string(), single.string()});
    ASSERT_EQ(import.status, 0) << import.err;
    EXPECT_TRUE(testing::Prints(import.err, warning));
    const testing::CliRun exported = RunCliInEnglish({"export", image.string(), "--row", "1", "--out", (dir / "OUT").string()});
    ASSERT_EQ(exported.status, 0) << exported.err;
    const ByteBuffer stored = ReadFile(Trimmed(exported.out));
    EXPECT_EQ(singlesave::SarooStatedSize(stored), c.taken);
    EXPECT_EQ(stored.Slice(64, 1000), expected);
  }
}

}  // namespace
}  // namespace quillmere
