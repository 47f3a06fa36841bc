#pragma once

#include "catalog/catalog.h"

namespace quillmere::testing {

// Renders in `language` while it lives, then in the language before.
class ScopedLanguage {
 public:
  explicit ScopedLanguage(catalog::Language language) : before_(catalog::CurrentLanguage()) {
    catalog::SetLanguage(language);
  }
  ~ScopedLanguage() { catalog::SetLanguage(before_); }
  ScopedLanguage(const ScopedLanguage&) = delete;
  ScopedLanguage& operator=(const ScopedLanguage&) = delete;

 private:
  catalog::Language before_;
};

}  // namespace quillmere::testing
