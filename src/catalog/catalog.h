#pragma once

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/outcome.h"
#include "model/save_entry.h"
#include "singlesave/converter.h"

// The program's words: every text the window and the command line show, by
// id, with %1, %2, ... where a message's data goes, in Chinese and in
// English. Chinese is shown unless English is chosen.
namespace quillmere::catalog {

enum class Language { kChinese, kEnglish };

// The language every text is rendered in from now on, for the whole program.
void SetLanguage(Language language);
Language CurrentLanguage();

// "zh" and "en", the names the options and the environment use; nothing for others.
std::optional<Language> LanguageNamed(std::string_view name);
std::string_view LanguageName(Language language);

// The first choice that names a language, in the order given (the option,
// then QUILLMERE_LANGUAGE, then the remembered setting); Chinese when none does.
Language ChooseLanguage(std::initializer_list<std::optional<std::string>> choices);

// The value of "--language X" or "--language=X" among a program's
// arguments, and the arguments without it.
struct LanguageArgument {
  std::optional<std::string> value;
  std::vector<std::string> rest;
};
LanguageArgument TakeLanguageOption(const std::vector<std::string>& args);

// QUILLMERE_LANGUAGE, when it is set.
std::optional<std::string> LanguageFromEnvironment();

// The text of `id` in `language`, placeholders and all.
std::string_view Words(TextId id, Language language);

// The text of `id` in the current language.
std::string_view Words(TextId id);

// How many placeholders the text of `id` takes.
std::size_t ArgumentCount(TextId id);

// A stable name for a problem or a repair's mending ("shared-cluster"), for
// scripts that should not read the words; empty for every other id.
std::string_view Code(TextId id);

// The text of `message`: its words with each %k replaced by its k-th
// argument (numbers in decimal), then each of its lines after `newline`.
std::string Render(const Message& message, std::string_view newline = "\r\n");

// Shorthand for a message of `id` with `args` and no lines.
template <typename... Args>
std::string Render(TextId id, Args&&... args) {
  return Render(Message{id, {TextArg(std::forward<Args>(args))...}, {}});
}
inline std::string Text(TextId id) { return Render(Message{id, {}, {}}); }

// The header of a pane's column and of a converter half's column.
std::string ColumnCaption(SaveColumn column);
std::string ColumnCaption(singlesave::SingleSaveColumn column);

// The first `limit` problems as text, and then, when there are more, one
// line that counts the rest.
std::vector<std::string> ProblemLines(const std::vector<Problem>& problems, std::size_t limit);

}  // namespace quillmere::catalog

namespace quillmere {

// A problem in words, as a check prints it.
inline std::ostream& operator<<(std::ostream& out, const Problem& problem) {
  return out << catalog::Render(problem.AsMessage());
}

}  // namespace quillmere
