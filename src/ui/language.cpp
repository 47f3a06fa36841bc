#include "ui/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QSettings>
#include <QTranslator>

namespace quillmere::ui {

namespace {

constexpr const char* kLanguageKey = "language";

// Qt's own texts, in the language last chosen.
QTranslator& QtTexts() {
  static QTranslator translator;
  return translator;
}

}  // namespace

catalog::Language StartLanguage(const std::optional<std::string>& option, const QSettings& settings) {
  std::optional<std::string> remembered;
  if (settings.contains(kLanguageKey)) remembered = settings.value(kLanguageKey).toString().toStdString();
  return catalog::ChooseLanguage({option, catalog::LanguageFromEnvironment(), remembered});
}

void RememberLanguage(QSettings& settings, catalog::Language language) {
  settings.setValue(kLanguageKey, QString::fromUtf8(catalog::LanguageName(language).data()));
}

void UseLanguage(catalog::Language language) {
  catalog::SetLanguage(language);
  QTranslator& translator = QtTexts();
  QCoreApplication::removeTranslator(&translator);
  const QString name = language == catalog::Language::kEnglish ? "qtbase_en" : "qtbase_zh_CN";
  // The Windows program carries its copy; elsewhere Qt's installed one is used.
  if (translator.load(name, ":/qt-translations") ||
      translator.load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(&translator);
  }
}

}  // namespace quillmere::ui
