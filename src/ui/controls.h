#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "model/outcome.h"
#include "ui/words.h"

class QLabel;
class QObject;
class QPushButton;
class QTableView;
class QWidget;

// The window's controls as the window and its panes and panels make them:
// fixed places, the window's colours, and captions from the catalog.
namespace quillmere::ui {

inline const QColor kRedText(255, 0, 0);
inline const QColor kMagentaText(255, 0, 255);
inline const QColor kBlackText(0, 0, 0);

QLabel* MakeLabel(QWidget* parent, const QString& text, QRect geometry, const QColor& colour, const char* name);
QPushButton* MakeButton(QWidget* parent, const QString& text, QRect geometry, const char* name);
// A list of whole rows, one line each, at the row height of the saves lists.
QTableView* MakeList(QWidget* parent, QRect geometry, const char* name);

QString ToQString(const std::string& text);
QString Words(UiText id);
std::filesystem::path PathOf(const QString& text);
QString PathText(const std::filesystem::path& path);

// Controls whose caption (and, in English, long-form tooltip) comes from the
// catalog: shown again in the language chosen.
class Captions {
 public:
  template <typename Control>
  Control* Add(Control* control, UiText text, std::optional<UiText> tip = std::nullopt) {
    captions_.push_back({control, text, tip});
    return control;
  }
  void Apply() const;
  // The tooltip Apply gives `control` in the current language (empty for none).
  QString Tip(const QObject* control) const;

 private:
  struct Captioned {
    QObject* control;
    UiText text;
    std::optional<UiText> tip;
  };
  std::vector<Captioned> captions_;
};

}  // namespace quillmere::ui
