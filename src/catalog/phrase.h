#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "model/outcome.h"

// How a typed text becomes words: each text type has one phrase, its Chinese
// and English words with %1, %2, ... standing for its fields in the order the
// type declares them. Whether a phrase names exactly its type's fields is
// checked when the program is built. Plain captions, with no fields, are
// tables by id, checked the same way. The catalog, the window and the command
// line each keep their own words this way.
namespace quillmere::catalog {

enum class Language { kChinese, kEnglish };

// The language every text is rendered in from now on, for the whole program.
void SetLanguage(Language language);
Language CurrentLanguage();

struct Phrase {
  std::string_view name;  // the type's, for tests that list every text
  std::string_view code;  // a stable name for scripts; problems and mendings only
  std::string_view chinese;
  std::string_view english;
  std::string_view In(Language language) const { return language == Language::kEnglish ? english : chinese; }
};

// Specialised for each text type by QUILLMERE_PHRASE.
template <class T>
struct PhraseOf;

namespace detail {

// Stands in for any field while the fields of a type are counted.
struct AnyField {
  template <class U>
  operator U() const;
};

template <class T, std::size_t... I>
consteval bool TakesFields(std::index_sequence<I...>) {
  return requires { T{(static_cast<void>(I), AnyField{})...}; };
}

// Fields have no defaults, so a type takes exactly as many initialisers as it
// has fields.
template <class T, std::size_t N = 0>
consteval std::size_t CountFields() {
  if constexpr (N > 8) {
    return N;
  } else if constexpr (TakesFields<T>(std::make_index_sequence<N>())) {
    return N;
  } else {
    return CountFields<T, N + 1>();
  }
}

}  // namespace detail

// The number of fields of a text type.
template <class T>
inline constexpr std::size_t kFieldCount = detail::CountFields<T>();

// One field as the words show it: a number in decimal, or a text.
struct FieldText {
  bool number = false;
  std::int64_t value = 0;
  std::string_view text;
};
inline FieldText ShownAs(const Number& number) { return {true, number.value, {}}; }
inline FieldText ShownAs(const Text& text) { return {false, 0, text.value}; }

// The fields of `outcome`, first to last. Text types have at most five.
template <class T>
std::vector<FieldText> FieldsOf(const T& outcome) {
  constexpr std::size_t n = kFieldCount<T>;
  static_assert(n <= 5, "a text type has at most five fields");
  if constexpr (n == 0) {
    return {};
  } else if constexpr (n == 1) {
    const auto& [a] = outcome;
    return {ShownAs(a)};
  } else if constexpr (n == 2) {
    const auto& [a, b] = outcome;
    return {ShownAs(a), ShownAs(b)};
  } else if constexpr (n == 3) {
    const auto& [a, b, c] = outcome;
    return {ShownAs(a), ShownAs(b), ShownAs(c)};
  } else if constexpr (n == 4) {
    const auto& [a, b, c, d] = outcome;
    return {ShownAs(a), ShownAs(b), ShownAs(c), ShownAs(d)};
  } else {
    const auto& [a, b, c, d, e] = outcome;
    return {ShownAs(a), ShownAs(b), ShownAs(c), ShownAs(d), ShownAs(e)};
  }
}

// Whether `words` names fields 1 to `fields`, each at least once, and no other.
consteval bool NamesFields(std::string_view words, std::size_t fields) {
  std::array<bool, 10> named{};
  for (std::size_t i = 0; i + 1 < words.size(); ++i) {
    if (words[i] != '%' || words[i + 1] < '1' || words[i + 1] > '9') continue;
    const auto k = static_cast<std::size_t>(words[i + 1] - '0');
    if (k > fields) return false;
    named[k] = true;
  }
  for (std::size_t k = 1; k <= fields; ++k) {
    if (!named[k]) return false;
  }
  return !words.empty();
}

// `words` with each %k replaced by field k and each English count
// "{%k|one|many}" chosen by it.
std::string Fill(std::string_view words, const std::vector<FieldText>& fields);

// The words of a text type's value, or of whichever type a variant holds.
template <class T>
std::string Say(const T& outcome, Language language) {
  if constexpr (::quillmere::detail::kIsVariant<T>) {
    return std::visit([language](const auto& held) { return Say(held, language); }, outcome);
  } else {
    return Fill(PhraseOf<T>::kPhrase.In(language), FieldsOf(outcome));
  }
}
template <class T>
std::string Say(const T& outcome) {
  return Say(outcome, CurrentLanguage());
}

// The phrase of whichever type a variant holds.
template <class T>
const Phrase& PhraseOfValue(const T& outcome) {
  if constexpr (::quillmere::detail::kIsVariant<T>) {
    return std::visit([](const auto& held) -> const Phrase& { return PhraseOfValue(held); }, outcome);
  } else {
    return PhraseOf<T>::kPhrase;
  }
}

// Calls `visit.template operator()<T>(phrase)` for every type T a variant may
// hold, nested variants flattened.
template <class V>
void EachPhrase(auto&& visit) {
  if constexpr (::quillmere::detail::kIsVariant<V>) {
    [&]<std::size_t... I>(std::index_sequence<I...>) {
      (EachPhrase<std::variant_alternative_t<I, V>>(visit), ...);
    }(std::make_index_sequence<std::variant_size_v<V>>());
  } else {
    visit.template operator()<V>(PhraseOf<V>::kPhrase);
  }
}

// A text type's words with its fields filled in, for tests that read every text.
struct SampleText {
  std::string_view name;
  std::string_view code;
  std::string chinese;
  std::string english;
};

namespace detail {
// A field's value: a number, or the same digits as a text.
struct SampleField {
  std::int64_t value;
  operator Number() const { return value; }
  operator Text() const { return std::to_string(value); }
};
template <class T, std::size_t... I>
T Sample(bool one, std::index_sequence<I...>) {
  return T{SampleField{one ? 1 : static_cast<std::int64_t>(11 + I)}...};
}
}  // namespace detail

// Every text type a variant may hold, rendered in both languages with every
// number 1 (`one`, where English counts say one) or with field k as 10+k.
template <class V>
std::vector<SampleText> Samples(bool one) {
  std::vector<SampleText> all;
  EachPhrase<V>([&]<class T>(const Phrase& phrase) {
    const T sample = detail::Sample<T>(one, std::make_index_sequence<kFieldCount<T>>());
    all.push_back({phrase.name, phrase.code, Say(sample, Language::kChinese), Say(sample, Language::kEnglish)});
  });
  return all;
}

// One caption of a table by id: no fields, words in both languages.
template <class Id>
struct Word {
  Id id;
  std::string_view name;
  std::string_view chinese;
  std::string_view english;
  std::string_view In(Language language) const { return language == Language::kEnglish ? english : chinese; }
};

// The table of `words` by id, checked when the program is built: every id
// of `Id` up to its kCount has one entry, in order, with words in both
// languages and no field to fill.
template <class Id, std::size_t N>
consteval std::array<Word<Id>, N> ById(const Word<Id> (&words)[N]) {
  if (N != static_cast<std::size_t>(Id::kCount)) throw "every id has one entry";
  std::array<Word<Id>, N> table{};
  for (std::size_t i = 0; i < N; ++i) {
    if (static_cast<std::size_t>(words[i].id) != i) throw "the entries follow the order of the ids";
    if (!NamesFields(words[i].chinese, 0) || !NamesFields(words[i].english, 0)) throw "a caption has words in both languages and no field";
    table[i] = words[i];
  }
  return table;
}

}  // namespace quillmere::catalog

// The words of text type `Type`, checked when the program is built: both
// languages name each of its fields, and no other. Used at namespace scope.
#define QUILLMERE_PHRASE(Type, code, chinese, english)                                                      \
  template <>                                                                                               \
  struct quillmere::catalog::PhraseOf<Type> {                                                               \
    static constexpr Phrase kPhrase{#Type, code, chinese, english};                                         \
  };                                                                                                        \
  static_assert(::quillmere::catalog::NamesFields(chinese, ::quillmere::catalog::kFieldCount<Type>) &&      \
                    ::quillmere::catalog::NamesFields(english, ::quillmere::catalog::kFieldCount<Type>),    \
                #Type ": its words must name each of its fields, and no other")

// One entry of a caption table, named for the tests.
#define QUILLMERE_WORD(Id, id, chinese, english) ::quillmere::catalog::Word<Id>{Id::id, #id, chinese, english}
