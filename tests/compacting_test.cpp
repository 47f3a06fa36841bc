#include <gtest/gtest.h>

#include "containers/mems_image.h"
#include "operations/compacting.h"
#include "operations/save_transfer.h"
#include "support/cli_run.h"
#include "support/image_builder.h"
#include "support/mems_pane_test.h"
#include "support/scripted_host.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

using testing::MemsImageBuilder;
using testing::NamedSave;
using testing::ReadFile;
using testing::ScriptedHost;
using testing::TempDir;
using testing::WriteFile;

class CompactingTest : public testing::MemsPaneTest {
 protected:
  std::vector<std::uint32_t> RecordClusters() {
    std::vector<std::uint32_t> clusters;
    for (const mems::MemsSave& save : mems::ListMemsSaves(File())) clusters.push_back(save.firstCluster);
    return clusters;
  }
};

TEST_F(CompactingTest, ACompactImageComesOutCleanWithEverySaveInPlace) {
  MemsImageBuilder clean;
  clean.image().MustWrite(0, ByteBuffer::FromText("SaroMems"));
  clean.image().MustWrite(0x0E, ByteBuffer{0xAB, 0xCD});
  clean.AddSave(1, 8, NamedSave("ONE", 960)).AddSave(2, 9, NamedSave("TWO", 2049)).AddSave(3, 13, NamedSave("THREE", 10));
  MemsImageBuilder dirty = clean;
  dirty.image().Fill(0x400 + 12, 2, 0x55);         // slot 1, bytes 12-13
  dirty.image().Fill(9 * 1024 + 32, 32, 0x77);     // TWO's reserved record bytes
  dirty.image().Fill(12 * 1024 + 1, 1023, 0x99);   // past TWO's last byte
  dirty.image().Fill(40 * 1024, 4096, 0xEE);       // clusters no save uses
  dirty.image().Fill(0x400 + 16 * 20 + 1, 15, 0x33);  // an unused slot: no name, stale bytes
  Load(dirty.Build());
  const std::vector<ByteBuffer> before = Singles();

  EXPECT_EQ(CompactPane(bench, 1), CompactOutcome::kCompacted);
  EXPECT_EQ(File(), clean.Build());
  EXPECT_EQ(Singles(), before);
  EXPECT_EQ(host.messages, std::vector<std::string>{"整理完成!"});
  std::vector<std::string> captions;
  for (const auto& change : host.buttonChanges) captions.push_back(change.caption + (change.enabled ? "+" : "-"));
  EXPECT_EQ(captions, (std::vector<std::string>{"整理中-", "整理1-", "整理2-", "整理3-", "+"}));
}

TEST_F(CompactingTest, SavesComeBackInListOrderFromCluster8) {
  struct Case {
    const char* what;
    ByteBuffer image;
    std::vector<std::uint32_t> recordClusters;
  };
  const std::vector<Case> cases = {
      {"a gap in slot 1", MemsImageBuilder().AddSave(2, 20, NamedSave("B", 1500)).AddSave(3, 9, NamedSave("C", 10)).Build(),
       {8, 11}},
      {"clusters out of order", MemsImageBuilder().AddSave(1, 30, NamedSave("A", 10)).AddSave(2, 9, NamedSave("B", 3000), {50, 12, 40}).Build(),
       {8, 9}},
      {"two saves of one name", MemsImageBuilder().AddSave(1, 9, NamedSave("SAME", 10, 1)).AddSave(2, 8, NamedSave("SAME", 10, 2)).Build(),
       {8, 9}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Load(c.image);
    const std::vector<ByteBuffer> before = Singles();
    EXPECT_EQ(CompactPane(bench, 1), CompactOutcome::kCompacted);
    EXPECT_EQ(RecordClusters(), c.recordClusters);
    EXPECT_EQ(Singles(), before);
    EXPECT_TRUE(mems::CheckMemsImage(File()).empty());
  }
}

TEST_F(CompactingTest, ShortImagesGrowAndHeaderBytesStay) {
  ByteBuffer image = MemsImageBuilder().AddSave(1, 8, NamedSave("A", 10)).Build();
  image.MustWrite(0, ByteBuffer::FromText("SaroMems"));
  image.Resize(8'000'000);
  Load(image);
  EXPECT_EQ(CompactPane(bench, 1), CompactOutcome::kCompacted);
  EXPECT_EQ(File().size(), 8'388'608u);
  EXPECT_EQ(File().Slice(0, 8), ByteBuffer::FromText("SaroMems"));
}

TEST_F(CompactingTest, AllOrNothing) {
  // A save whose stated size no cluster list can hold cannot be read whole,
  // nor placed back: the image is refused before anything moves.
  MemsImageBuilder builder;
  builder.AddSave(1, 8, NamedSave("FINE", 10)).AddSave(2, 9, NamedSave("HUGE", 2000));
  builder.image().MustWriteBE(9 * 1024 + 12, 600'000, 4);
  Load(builder.Build());
  const ByteBuffer before = File();
  EXPECT_EQ(CompactPane(bench, 1), CompactOutcome::kRefused);
  EXPECT_EQ(host.messages, std::vector<std::string>{"存档文件已损坏，无法整理！\r\n槽位2声明600000字节，超过记录的480个簇所能容纳"});
  EXPECT_EQ(File(), before);
  EXPECT_EQ(bench.pane(1).rows.size(), 2u);

  // Nothing listed: nothing happens at all.
  host.messages.clear();
  Load(MemsImageBuilder().Build());
  EXPECT_EQ(CompactPane(bench, 1), CompactOutcome::kNothing);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(CompactingTest, CommandLine) {
  Load(MemsImageBuilder().AddSave(2, 20, NamedSave("B", 1500)).Build());
  const auto run = testing::RunCliWith({"compact", (dir / "SS_MEMS.BIN").string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(RecordClusters(), std::vector<std::uint32_t>{8});
  EXPECT_EQ(testing::RunCliWith({"compact", (dir / "NONE.BIN").string()}).status, 1);
}

TEST(FormatCommand, WritesAnEmptyImageAndNeverReplacesOne) {
  TempDir dir;
  const std::string file = (dir / "NEW.BIN").string();
  // A name that says no kind needs --kind.
  EXPECT_EQ(testing::RunCliWith({"format", file}).status, 2);
  EXPECT_FALSE(std::filesystem::exists(file));
  ASSERT_EQ(testing::RunCliWith({"format", file, "--kind", "mems"}).status, 0);
  const ByteBuffer image = ReadFile(file);
  EXPECT_EQ(image.size(), 8'388'608u);
  EXPECT_EQ(image.Slice(0, 16), (ByteBuffer{'S', 'a', 'r', 'o', 'M', 'e', 'm', 's', 0, 0x80, 0, 0, 0x1F, 0x78, 0, 0}));
  EXPECT_EQ(image.At(0x10), 0xFF);
  EXPECT_EQ(image.Slice(0x11, 0x800000 - 0x11), ByteBuffer::Filled(0x800000 - 0x11, 0));
  WriteFile(file, ByteBuffer{1, 2, 3});
  const auto again = testing::RunCliWith({"format", file, "--kind", "mems"});
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(ReadFile(file), (ByteBuffer{1, 2, 3}));
}

// The empty backup RAM and SS_SAVE.BIN are byte for byte what the SAROO writes.
using FormatSamples = testing::SamplesTest;

TEST_F(FormatSamples, MakesEachKindAsTheSarooDoes) {
  TempDir dir;
  for (const char* name : {"SS_BUP.BIN", "BKRAMSV.BIN", "SS_SAVE.BIN"}) {
    ASSERT_EQ(testing::RunCliWith({"format", (dir / name).string()}).status, 0) << name;
    const char* sample = std::string_view(name) == "SS_SAVE.BIN" ? "SS_SAVE.BIN" : "SS_BUP.BIN";
    EXPECT_EQ(ReadFile(dir / name), ReadFile(samples / "saroo-empty" / sample)) << name;
  }
}

}  // namespace
}  // namespace quillmere
