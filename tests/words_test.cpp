#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>

#include "catalog/catalog.h"
#include "cli/words.h"
#include "support/scoped_language.h"
#include "ui/words.h"

namespace quillmere {
namespace {

using catalog::Language;

// Whether `text` holds a CJK ideograph or full-width punctuation.
bool HasChinese(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    // UTF-8 of U+3000..U+9FFF and U+FF00..U+FFEF.
    if ((lead >= 0xE3 && lead <= 0xE9) || (lead == 0xEF && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0xBC)) {
      return true;
    }
  }
  return false;
}

// One text as it read before: its words in both languages with every number
// 1 (so English counts say one) and with field k as 10+k, and its code.
struct Before {
  std::string chineseOne, chineseMany, englishOne, englishMany, code;
};

std::string Unescaped(const std::string& cell) {
  std::string text;
  for (std::size_t i = 0; i < cell.size(); ++i) {
    const char next = i + 1 < cell.size() ? cell[i + 1] : '\0';
    if (cell[i] == '\\' && (next == 'r' || next == 'n' || next == 't')) {
      text += next == 'r' ? '\r' : next == 'n' ? '\n' : '\t';
      ++i;
    } else {
      text += cell[i];
    }
  }
  return text;
}

std::map<std::string, Before> ReadBefore() {
  std::map<std::string, Before> table;
  std::ifstream in(QUILLMERE_WORDS_TABLE, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line.starts_with("#")) continue;
    std::vector<std::string> cells;
    for (std::size_t from = 0;;) {
      const std::size_t tab = line.find('\t', from);
      cells.push_back(Unescaped(line.substr(from, tab - from)));
      if (tab == std::string::npos) break;
      from = tab + 1;
    }
    cells.resize(6);
    table[cells[0]] = {cells[1], cells[2], cells[3], cells[4], cells[5]};
  }
  return table;
}

// "kWriteFailed" for quillmere::WriteFailed and for ui::MapCaption's kMapCaption.
std::string IdName(std::string_view type) {
  const std::size_t colon = type.rfind(':');
  return "k" + std::string(colon == std::string_view::npos ? type : type.substr(colon + 1));
}

// Every text of the three tables, as the programs render it now.
std::map<std::string, Before> RenderedNow() {
  std::map<std::string, Before> now;
  for (const auto& samples : {catalog::OutcomeSamples, ui::PhraseSamples, cli::PhraseSamples}) {
    const std::vector<catalog::SampleText> one = samples(true), many = samples(false);
    for (std::size_t i = 0; i < one.size(); ++i) {
      now[IdName(one[i].name)] = {one[i].chinese, many[i].chinese, one[i].english, many[i].english, std::string(one[i].code)};
    }
  }
  const auto captions = [&now](const auto& table) {
    for (const auto& word : table) {
      const std::string chinese(word.chinese), english(word.english);
      now[std::string(word.name)] = {chinese, chinese, english, english, ""};
    }
  };
  captions(ui::EveryCaption());
  captions(cli::EveryLine());
  return now;
}

// The core's outcomes, the window's captions and the command line's lines
// read word for word as they did when they were one table of ids. A caption
// both programs show is in both tables, with the same words.
TEST(Words, EveryTextReadsAsBefore) {
  const std::map<std::string, Before> before = ReadBefore();
  ASSERT_GT(before.size(), 250u) << QUILLMERE_WORDS_TABLE;
  const std::map<std::string, Before> now = RenderedNow();
  for (const auto& [name, was] : before) {
    SCOPED_TRACE(name);
    const auto found = now.find(name);
    ASSERT_NE(found, now.end());
    const Before& is = found->second;
    EXPECT_EQ(is.chineseOne, was.chineseOne);
    EXPECT_EQ(is.chineseMany, was.chineseMany);
    EXPECT_EQ(is.englishOne, was.englishOne);
    EXPECT_EQ(is.englishMany, was.englishMany);
    EXPECT_EQ(is.code, was.code);
  }
  for (const auto& [name, is] : now) EXPECT_TRUE(before.contains(name)) << name << " is a text the table lacks";
}

// What a user reads in English holds no Chinese but the language's own name,
// and every problem and mending has a code of its own; no other text has one.
TEST(Words, EnglishIsEnglishAndProblemsHaveCodesOfTheirOwn) {
  std::set<std::string> codes;
  for (const auto& [name, is] : RenderedNow()) {
    EXPECT_EQ(HasChinese(is.englishMany), name == "kLanguageChinese") << name;
    if (!is.code.empty()) EXPECT_TRUE(codes.insert(is.code).second) << is.code;
  }
  EXPECT_EQ(codes.size(), std::variant_size_v<ProblemKind> + std::variant_size_v<Mending>);
}

}  // namespace
}  // namespace quillmere
