#include <gtest/gtest.h>

#include <set>

#include "catalog/catalog.h"

namespace quillmere {
namespace {

// Every id has words, the words use exactly the placeholders the id takes,
// and every problem and mending has a code of its own for scripts.
TEST(Catalog, EveryTextHasWordsThatUseItsPlaceholders) {
  std::set<std::string_view> codes;
  for (std::size_t i = 0; i < static_cast<std::size_t>(TextId::kCount); ++i) {
    const auto id = static_cast<TextId>(i);
    const std::string_view words = catalog::Words(id);
    SCOPED_TRACE(std::string(words));
    EXPECT_FALSE(words.empty()) << i;
    for (std::size_t k = 1; k <= 9; ++k) {
      const bool used = words.find("%" + std::to_string(k)) != std::string_view::npos;
      EXPECT_EQ(used, k <= catalog::ArgumentCount(id)) << "%" << k;
    }
    const bool coded = id >= TextId::kProblemImageSize && id <= TextId::kMendedFreeCount;
    const std::string_view code = catalog::Code(id);
    EXPECT_EQ(!code.empty(), coded);
    if (coded) EXPECT_TRUE(codes.insert(code).second) << code;
  }
}

TEST(Catalog, RendersDataAndLines) {
  struct Case {
    Message message;
    std::string newline;
    std::string text;
  };
  const std::vector<Case> cases = {
      {{TextId::kWriteFailed, {"/x/SS_MEMS.BIN"}, {}}, "\r\n", "写入文件失败！\r\n/x/SS_MEMS.BIN"},
      {{TextId::kReplaceQuestion, {2, std::uint64_t{17}, "GAME"}, {}}, "\r\n", "是否替换列表2已有存档？\r\n17:GAME"},
      {{TextId::kProblemFreeCount, {-1, 8056}, {}}, "\r\n", "free count is -1, but 8056 clusters are free"},
      // A placeholder without its data stays empty; text that merely looks like one stays.
      {{TextId::kListFull, {}, {}}, "\r\n", "存档列表已满，无法继续写入！"},
      {{TextId::kCliError, {"50% of %1"}, {}}, "\r\n", "quillmere-cli: 50% of %1"},
      {{TextId::kCannotRepair, {}, {{TextId::kMendedStrayBits, {3}, {}}, {TextId::kMendedMissingBits, {4}, {}}}},
       "\n",
       "无法修复：\nfreed 3 clusters that no save uses\nmarked 4 clusters in use by saves"},
  };
  for (const Case& c : cases) EXPECT_EQ(catalog::Render(c.message, c.newline), c.text);

  const std::vector<Problem> problems(7, Problem{TextId::kProblemBitmapMarksUsed, {9}, Severity::kWarning});
  EXPECT_EQ(catalog::ProblemLines(problems, 7).size(), 7u);
  const std::vector<std::string> cut = catalog::ProblemLines(problems, 5);
  ASSERT_EQ(cut.size(), 6u);
  EXPECT_EQ(cut[0], "bitmap marks cluster 9 used, but no save has it");
  EXPECT_EQ(cut[5], "and 2 more problems");
}

}  // namespace
}  // namespace quillmere
