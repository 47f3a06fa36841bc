#include "cli/words.h"

#include <array>

using namespace quillmere;

QUILLMERE_PHRASE(cli::CliRemaining, "", "剩余: %1",
                 "remaining: %1");
QUILLMERE_PHRASE(cli::CliMended, "", "已修复：%1",
                 "mended: %1");
QUILLMERE_PHRASE(cli::CliRemains, "", "仍有问题：%1",
                 "remains: %1");
QUILLMERE_PHRASE(cli::CliUnknownKind, "", "quillmere-cli: 未知类型'%1'（可用mems、bkram、bup、save或packed）",
                 "quillmere-cli: unknown kind '%1' (use mems, bkram, bup, save or packed)");
QUILLMERE_PHRASE(cli::CliUnknownKindOfFile, "", "quillmere-cli: 无法从文件名或内容判断'%1'的类型；请给出--kind mems、bkram、bup、save或packed",
                 "quillmere-cli: cannot tell the kind of '%1' from its name or content; give --kind mems, bkram, bup, save or packed");
QUILLMERE_PHRASE(cli::CliUnknownForm, "", "quillmere-cli: 未知形式'%1'（可用%2，或一个已有文件的路径）",
                 "quillmere-cli: unknown form '%1' (use %2, or the path of an existing file)");
QUILLMERE_PHRASE(cli::CliNoSuchFile, "", "quillmere-cli: 文件不存在：%1",
                 "quillmere-cli: no such file: %1");
QUILLMERE_PHRASE(cli::CliGiveGame, "", "quillmere-cli: 请用 --game ID 指定%1中接收存档的游戏",
                 "quillmere-cli: give --game ID to name the game whose area of %1 takes the saves");
QUILLMERE_PHRASE(cli::CliNameInGames, "", "quillmere-cli: %1中有多个游戏存有名为%2的存档；请用 --game ID 指定",
                 "quillmere-cli: %1 holds saves named %2 in several games; give --game ID");
QUILLMERE_PHRASE(cli::CliAlreadyForm, "", "quillmere-cli: %1已经是%2单存档",
                 "quillmere-cli: %1 is a %2 single save already");
QUILLMERE_PHRASE(cli::CliNoSuchRow, "", "quillmere-cli: %1有%2个存档；没有第%3行",
                 "quillmere-cli: %1 lists %2 saves; there is no row %3");
QUILLMERE_PHRASE(cli::CliSkipped, "", "quillmere-cli: 已跳过%1：已有同名存档（--overwrite可替换）",
                 "quillmere-cli: skipped %1: a save of that name is listed (--overwrite replaces it)");
QUILLMERE_PHRASE(cli::CliNoSaveNamed, "", "quillmere-cli: %1中没有名为%2的存档",
                 "quillmere-cli: %1 lists no save named %2");
QUILLMERE_PHRASE(cli::CliFormatExists, "", "quillmere-cli: %1已存在；format从不替换文件",
                 "quillmere-cli: %1 exists; format never replaces a file");
QUILLMERE_PHRASE(cli::CliError, "", "quillmere-cli: %1",
                 "quillmere-cli: %1");
QUILLMERE_PHRASE(cli::CliUnknownCommand, "", "quillmere-cli: 未知命令“%1”",
                 "quillmere-cli: unknown command '%1'");
QUILLMERE_PHRASE(cli::CliDidYouMean, "", "%1；是否想用“%2”？",
                 "%1; did you mean '%2'?");
QUILLMERE_PHRASE(cli::CliRunHelp, "", "%1；用法见“quillmere-cli %2--help”",
                 "%1; run 'quillmere-cli %2--help'");
QUILLMERE_PHRASE(cli::CliNotSingleSave, "", "quillmere-cli: %1是存档容器文件，不是单存档：请用export取出其中的存档",
                 "quillmere-cli: %1 is a container file, not a single save: take its saves out with export");
QUILLMERE_PHRASE(cli::OnlyForMems, "", "%1不是SS_MEMS.BIN：此命令只用于SS_MEMS.BIN",
                 "%1 is no SS_MEMS.BIN: this command works on SS_MEMS.BIN only");
QUILLMERE_PHRASE(cli::FormatContradictsName, "", "%1的名称与%2不符",
                 "The name of %1 contradicts %2");
QUILLMERE_PHRASE(cli::RestoreDone, "", "已恢复\r\n%1",
                 "Restored\r\n%1");
QUILLMERE_PHRASE(cli::MapCaption, "", "VIEW MAP ( Cluster size:%1 )",
                 "VIEW MAP ( Cluster size:%1 )");

namespace quillmere::cli {

namespace {

constexpr catalog::Word<CliText> kWords[] = {
    QUILLMERE_WORD(CliText, kCliNoMap, "quillmere-cli: SS_SAVE.BIN没有分配图（它没有簇或块）", "quillmere-cli: SS_SAVE.BIN has no allocation map (it has no clusters or blocks)"),
    QUILLMERE_WORD(CliText, kCliGiveRowOrAll, "quillmere-cli: 请给出--row N或--all", "quillmere-cli: give --row N or --all"),
    QUILLMERE_WORD(CliText, kCliGiveRowOrName, "quillmere-cli: 请给出--row N或--name NAME", "quillmere-cli: give --row N or --name NAME"),
    QUILLMERE_WORD(CliText, kCliHistoryHeader, "版本\t时间\t操作\t存档\t与现在不同\t大小", "Version\tTime\tOperation\tSaves\tDiffering from now\tSize"),
    QUILLMERE_WORD(CliText, kColumnNum, "Num", "Num"),
    QUILLMERE_WORD(CliText, kColumnName, "Name", "Name"),
    QUILLMERE_WORD(CliText, kColumnAddress, "Address", "Address"),
    QUILLMERE_WORD(CliText, kColumnComment, "Comment", "Comment"),
    QUILLMERE_WORD(CliText, kColumnDate, "Date", "Date"),
    QUILLMERE_WORD(CliText, kColumnSize, "Size", "Size"),
    QUILLMERE_WORD(CliText, kColumnUnits, "Units", "Units"),
    QUILLMERE_WORD(CliText, kColumnForm, "Form", "Form"),
};

constexpr auto kTable = catalog::ById(kWords);

}  // namespace

std::string_view Line(CliText id, catalog::Language language) {
  return kTable[static_cast<std::size_t>(id)].In(language);
}

std::span<const catalog::Word<CliText>> EveryLine() { return kTable; }

std::string Line(CliText id) { return std::string(Line(id, catalog::CurrentLanguage())); }

std::string Say(const CliPhrase& phrase) { return catalog::Say(phrase); }

std::vector<catalog::SampleText> PhraseSamples(bool one) { return catalog::Samples<CliPhrase>(one); }

std::string ColumnCaption(SaveColumn column) {
  static constexpr std::array<CliText, kSaveColumnCount> kCaptions = {
      CliText::kColumnNum, CliText::kColumnName, CliText::kColumnAddress,
      CliText::kColumnComment, CliText::kColumnDate, CliText::kColumnSize};
  return Line(kCaptions[static_cast<std::size_t>(column)]);
}

std::string ColumnCaption(singlesave::SingleSaveColumn column) {
  static constexpr std::array<CliText, singlesave::kSingleSaveColumnCount> kCaptions = {
      CliText::kColumnName, CliText::kColumnComment, CliText::kColumnDate, CliText::kColumnSize};
  return Line(kCaptions[static_cast<std::size_t>(column)]);
}

}  // namespace quillmere::cli
