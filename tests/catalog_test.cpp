#include <gtest/gtest.h>

#include "catalog/catalog.h"
#include "support/scoped_language.h"

namespace quillmere {
namespace {

using catalog::Language;

TEST(Catalog, RendersDataAndLinesInTheCurrentLanguage) {
  struct Case {
    Language language;
    Message message;
    std::string newline;
    std::string text;
  };
  const std::vector<Case> cases = {
      {Language::kChinese, {WriteFailed{"/x/SS_MEMS.BIN"}, {}}, "\r\n", "写入文件失败！\r\n/x/SS_MEMS.BIN"},
      {Language::kEnglish, {WriteFailed{"/x/SS_MEMS.BIN"}, {}}, "\r\n", "Could not write the file!\r\n/x/SS_MEMS.BIN"},
      {Language::kChinese, {ReplaceQuestion{2, std::uint64_t{17}, "GAME"}, {}}, "\r\n", "是否替换列表2已有存档？\r\n17:GAME"},
      {Language::kChinese, {ProblemFreeCount{-1, 8056}, {}}, "\r\n", "空闲簇计数为-1，但实际空闲8056个簇"},
      {Language::kEnglish, {ProblemFreeCount{-1, 8056}, {}}, "\r\n", "free count is -1, but 8056 clusters are free"},
      // The placeholders may stand in another order than the data.
      {Language::kChinese, {ProblemSharedCluster{2, 10, 1}, {}}, "\r\n", "槽位2与槽位1共用簇10"},
      // Data that merely looks like a placeholder stays as it is.
      {Language::kChinese, {SaveNameLine{"50% of %1"}, {}}, "\r\n", "50% of %1"},
      {Language::kChinese,
       {CannotRepair{}, {{MendedStrayBits{3}, {}}, {MendedMissingBits{4}, {}}}},
       "\n",
       "无法修复：\n已释放3个没有存档使用的簇\n已将4个存档使用的簇标记为已用"},
      {Language::kEnglish,
       {CannotRepair{}, {{MendedStrayBits{3}, {}}, {MendedMissingBits{4}, {}}}},
       "\n",
       "Cannot repair:\nfreed 3 clusters that no save uses\nmarked 4 clusters in use by saves"},
      {Language::kEnglish,
       {TransferSummary{3, 2, 1},
        {{RunSavesNotImported{}, {}}, {SaveWithReason{"GAME"}, {{DirectoryFull{}, {}}}}}},
       "\n",
       "Saves moved: 3, skipped for their name: 2, refused: 1.\nSaves not imported:\nGAME:\nThe save list is full!"},
      // English counts agree with their number; Chinese has no plural.
      {Language::kEnglish, {DeleteQuestion{1}, {}}, "\n", "Delete the selected save?"},
      {Language::kEnglish, {DeleteQuestion{3}, {}}, "\n", "Delete the 3 selected saves?"},
      {Language::kEnglish, {GameChoice{"T-1809G", 1}, {}}, "\n", "T-1809G (1 save)"},
      {Language::kChinese, {GameChoice{"T-1809G", 2}, {}}, "\n", "T-1809G（2个存档）"},
  };
  for (const Case& c : cases) {
    const testing::ScopedLanguage language(c.language);
    EXPECT_EQ(catalog::Render(c.message, c.newline), c.text);
  }

  const std::vector<Problem> problems(7, Problem{ProblemBitmapMarksUsed{9}, Severity::kWarning});
  EXPECT_EQ(catalog::ProblemLines(problems, 7).size(), 7u);
  const std::vector<std::string> cut = catalog::ProblemLines(problems, 5);
  ASSERT_EQ(cut.size(), 6u);
  EXPECT_EQ(cut[0], "位图标记簇9为已用，但没有存档使用它");
  EXPECT_EQ(cut[5], "另有2个问题");
}

// The option wins over the environment, the environment over the remembered
// choice; a choice that names no language counts as unset.
TEST(Catalog, TheFirstLanguageSetWins) {
  using Choices = std::vector<std::optional<std::string>>;
  struct Case {
    Choices choices;
    Language chosen;
  };
  const std::vector<Case> cases = {
      {{std::nullopt, std::nullopt, std::nullopt}, Language::kChinese},
      {{"en", "zh", "zh"}, Language::kEnglish},
      {{"zh", "en", "en"}, Language::kChinese},
      {{std::nullopt, "en", "zh"}, Language::kEnglish},
      {{std::nullopt, std::nullopt, "en"}, Language::kEnglish},
      {{std::nullopt, "fr", "en"}, Language::kEnglish},
      {{std::nullopt, "EN", std::nullopt}, Language::kChinese},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(catalog::ChooseLanguage({c.choices[0], c.choices[1], c.choices[2]}), c.chosen)
        << c.choices[0].value_or("-") << " " << c.choices[1].value_or("-") << " " << c.choices[2].value_or("-");
  }
}

TEST(Catalog, TakesTheLanguageOptionFromTheArguments) {
  using Args = std::vector<std::string>;
  struct Case {
    Args args;
    std::optional<std::string> value;
    Args rest;
  };
  const std::vector<Case> cases = {
      {{"list", "SS_MEMS.BIN"}, std::nullopt, {"list", "SS_MEMS.BIN"}},
      {{"--language", "en", "FOLDER"}, "en", {"FOLDER"}},
      {{"check", "X", "--language=zh"}, "zh", {"check", "X"}},
      // An option with no value after it is left for the parser to refuse.
      {{"FOLDER", "--language"}, std::nullopt, {"FOLDER", "--language"}},
  };
  for (const Case& c : cases) {
    const catalog::LanguageArgument taken = catalog::TakeLanguageOption(c.args);
    EXPECT_EQ(taken.value, c.value);
    EXPECT_EQ(taken.rest, c.rest);
  }
}

}  // namespace
}  // namespace quillmere
