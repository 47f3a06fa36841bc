#include <gtest/gtest.h>

#include "operations/save_transfer.h"
#include "operations/single_save_conversion.h"
#include "platform/file_io.h"
#include "singlesave/single_save_file.h"
#include "singlesave/sro_file.h"
#include "support/backup_ram_builder.h"
#include "support/cli_run.h"
#include "support/image_builder.h"
#include "support/save_file_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using singlesave::SroCheck;
using testing::FixedField;
using testing::NamedSave;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// A SAROO single save built by hand: "GAME", 5 bytes, "MEMO", date 0x01020304, data 1-5.
ByteBuffer Plain() {
  return singlesave::BuildSarooSingleSave(ByteBuffer(FixedField("GAME", 12)), 5, ByteBuffer(FixedField("MEMO", 12)),
                                          0x01020304, ByteBuffer{1, 2, 3, 4, 5});
}
// Its CRC-32 from +0x10 to the end, worked out with another CRC-32 program.
constexpr std::uint32_t kPlainCrc = 0xB27631B6;

ByteBuffer With(ByteBuffer file, std::size_t offset, std::vector<std::uint8_t> bytes) {
  file.MustWrite(offset, bytes);
  return file;
}

TEST(SroFile, TheChecksumDecidesTheForm) {
  // The common CRC-32's check value, and the 16 bytes before +0x10 do not count.
  ByteBuffer check = ByteBuffer::Filled(16, 0xAA);
  check.Append(ByteBuffer::FromText("123456789"));
  EXPECT_EQ(singlesave::SroChecksum(check), 0xCBF43926u);
  EXPECT_EQ(singlesave::SroChecksum(Plain()), kPlainCrc);

  const ByteBuffer good = With(Plain(), 0x0C, {0xB2, 0x76, 0x31, 0xB6});
  ByteBuffer longer = good;
  longer.Append(1, 0);
  struct Case { const char* what; ByteBuffer file; SroCheck check; };
  const std::vector<Case> cases = {
      {"a matching checksum", good, SroCheck::kGood},
      {"one data byte flipped", With(good, 0x42, {0x02}), SroCheck::kDamaged},
      {"a name byte changed", With(good, 0x10, {'N'}), SroCheck::kDamaged},
      {"a byte more than was checked", longer, SroCheck::kDamaged},
      {"a checksum cut short", good.Slice(0, 0x0E), SroCheck::kDamaged},
      {"a zero checksum: plain SAROO", Plain(), SroCheck::kNone},
      {"bytes 0x08-0x0B not zero", With(good, 0x0A, {1}), SroCheck::kNone},
      {"no SSAVERAW", With(good, 7, {'X'}), SroCheck::kNone},
  };
  for (const Case& c : cases) EXPECT_EQ(singlesave::CheckSro(c.file), c.check) << c.what;

  // Both directions: the checksum in, big-endian, and out again.
  EXPECT_EQ(singlesave::SroFromSaroo(Plain()), good);
  EXPECT_EQ(singlesave::SarooFromSro(good), Plain());
  EXPECT_EQ(singlesave::SroFromSaroo(With(Plain(), 0x08, {9, 9, 9, 9})), good);
}

// `single` imported into an empty SS_MEMS.BIN and exported again as .SRO.
ByteBuffer ThroughAnEmptyImage(const fs::path& single) {
  TempDir dir;
  testing::ScriptedHost host;
  Workbench bench(dir.path(), host);
  WriteFile(dir / "SS_MEMS.BIN", testing::MemsImageBuilder().Build());
  ReloadPane(bench, 1);
  EXPECT_EQ(ImportSingleSave(bench, 1, single).outcome, ImportOutcome::kImported) << single;
  bench.pane(1).selection = {0};
  return ReadFile(ExportSingleSave(bench, 1, ExportForm::kSro).path);
}

TEST(SroFile, ExportedFromEveryKindComesBackTheSame) {
  const std::vector<std::pair<ContainerKind, ByteBuffer>> cases = {
      {ContainerKind::kMems, testing::MemsImageBuilder().AddSave(1, 8, NamedSave("MEMSGAME", 3000, 1)).Build()},
      {ContainerKind::kBkram, testing::BackupRamBuilder().AddSave(2, NamedSave("RAMGAME", 300, 2), {}, 1).BuildFile()},
      {ContainerKind::kSave, testing::SaveFileBuilder().SetSlot(1, "G").AddRecord(1, 1, NamedSave("SLOTGAME", 200, 3)).Build()},
  };
  for (const auto& [kind, image] : cases) {
    TempDir dir;
    testing::ScriptedHost host;
    Workbench bench(dir.path(), host);
    WriteFile(dir / std::string(ContainerFileName(kind)), image);
    bench.pane(1).kind = kind;
    ReloadPane(bench, 1);
    bench.pane(1).selection = {0};
    const fs::path sro = ExportSingleSave(bench, 1, ExportForm::kSro).path;
    EXPECT_EQ(sro, dir / "SRO" / (bench.pane(1).rows[0].name() + ".SRO"));
    EXPECT_EQ(singlesave::CheckSro(ReadFile(sro)), SroCheck::kGood);
    EXPECT_EQ(ThroughAnEmptyImage(sro), ReadFile(sro));
  }
}

// The shared .SRO files, and their .BUP twins, come back as the very same .SRO.
using SroSamples = testing::SamplesTest;

TEST_F(SroSamples, ImportAndExportBackByteForByte) {
  for (const std::string name : {"DRACULAX_01", "B_GAREGGA__"}) {
    const ByteBuffer sro = ReadFile(samples / "sro-collection" / (name + ".SRO"));
    EXPECT_EQ(ThroughAnEmptyImage(samples / "sro-collection" / (name + ".SRO")), sro);
    EXPECT_EQ(ThroughAnEmptyImage(samples / "sro-collection" / (name + ".BUP")), sro);
  }
}

TEST(SroFile, TheConverterShowsADamagedFileButDoesNotConvertIt) {
  TempDir dir;
  testing::ScriptedHost host;
  const fs::path bad = dir / "BAD.SRO";
  WriteFile(bad, With(singlesave::SroFromSaroo(Plain()), 0x40, {9}));
  EXPECT_EQ(ShowSarooFile(bad, host).row.name(), "GAME");
  EXPECT_EQ(ConvertSarooToSsf(bad, std::nullopt, dir / "SSF", host).outcome, ConversionOutcome::kRefused);
  EXPECT_EQ(host.messages, std::vector<std::string>(2, "存档校验失败！\r\n" + platform::PathToUtf8(bad)));
  EXPECT_FALSE(fs::exists(dir / "SSF"));
}

TEST(SroCommandLine, ShowConvertAndExport) {
  TempDir dir;
  const std::string sro = (dir / "in" / "GAME.SRO").string(), bad = (dir / "in" / "BAD.SRO").string();
  const std::string saroo = (dir / "in" / "GAME.bin").string(), out = (dir / "out").string();
  const auto in = [&out](const fs::path& name) { return (fs::path(out) / name).string() + "\n"; };
  WriteFile(sro, singlesave::SroFromSaroo(Plain()));
  WriteFile(bad, With(singlesave::SroFromSaroo(Plain()), 0x43, {0}));
  WriteFile(saroo, Plain());
  WriteFile(dir / "SS_MEMS.BIN", testing::MemsImageBuilder().AddSave(1, 8, NamedSave("MEMSGAME", 100, 1)).Build());
  struct Case { std::vector<std::string> args; int status; std::string out, err; };
  const std::string row = R"({"name":"GAME","comment":"MEMO","date":"2012-02-24 01:40","size":5})";
  const std::vector<Case> cases = {
      {{"show", sro, "--json"}, 0, R"({"form":"sro",)" + row.substr(1) + "\n", ""},
      {{"show", bad, "--json"}, 1, R"({"form":"sro",)" + row.substr(1) + "\n", "quillmere-cli: 存档校验失败！: " + bad + "\n"},
      {{"convert", saroo, "--to", "sro", "--out", out}, 0, in("GAME.SRO"), ""},
      {{"convert", sro, "--to", "saroo", "--out", out}, 0, in("GAME.bin"), ""},
      {{"convert", sro, "--out", (fs::path(out) / "ssf").string()}, 0, in(fs::path("ssf") / "GAME.bin"), ""},
      {{"convert", sro, "--to", "sro", "--out", out}, 2, "", "quillmere-cli: " + sro + "已经是sro单存档\n"},
      {{"convert", bad, "--out", out + "/bad"}, 1, "", "quillmere-cli: 存档校验失败！: " + bad + "\n"},
      {{"export", (dir / "SS_MEMS.BIN").string(), "--row", "1", "--format", "sro", "--out", out}, 0,
       in("MEMSGAME.SRO"), ""},
  };
  for (const Case& c : cases) {
    const testing::CliRun run = testing::RunCliWith(c.args);
    EXPECT_EQ(run.status, c.status) << c.args[0] << " " << c.args[1];
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
  }
  EXPECT_EQ(ReadFile(dir / "out" / "GAME.SRO"), ReadFile(sro));
  EXPECT_EQ(ReadFile(dir / "out" / "GAME.bin"), Plain());
  EXPECT_EQ(ReadFile(dir / "out" / "ssf" / "GAME.bin").Slice(16, 5), ByteBuffer({1, 2, 3, 4, 5}));
  EXPECT_FALSE(fs::exists(dir / "out" / "bad"));
}

}  // namespace
}  // namespace quillmere
