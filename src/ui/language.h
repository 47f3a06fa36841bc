#pragma once

#include <optional>
#include <string>

#include "catalog/catalog.h"

class QSettings;

namespace quillmere::ui {

// The window's language at start: `option` (--language), then
// QUILLMERE_LANGUAGE, then the choice remembered in `settings`; Chinese when
// none names a language.
catalog::Language StartLanguage(const std::optional<std::string>& option, const QSettings& settings);

// Remembers a choice made in the window, for the next start.
void RememberLanguage(QSettings& settings, catalog::Language language);

// Shows the catalog's texts and Qt's own (standard buttons, file dialogs) in
// `language`. Qt's texts stay English where its translation is not installed.
void UseLanguage(catalog::Language language);

}  // namespace quillmere::ui
