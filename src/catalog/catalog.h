#pragma once

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "catalog/phrase.h"
#include "model/outcome.h"

// The core's words: every outcome the window and the command line show, in
// Chinese and in English, and the choice of language. Chinese is shown unless
// English is chosen. Each program's own captions are in its own layer.
namespace quillmere::catalog {

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

// A stable name for a problem or a repair's mending ("shared-cluster"), for
// scripts that should not read the words; empty for every other outcome.
std::string_view Code(const Problem& problem);
std::string_view Code(const Message& message);

// Every outcome's words, filled in as Samples fills them: for tests.
std::vector<SampleText> OutcomeSamples(bool one);

// The text of `message`: its outcome's words, then each of its lines after
// `newline`.
std::string Render(const Message& message, std::string_view newline = "\r\n");

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
