#include "ui/controls.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

#include "catalog/catalog.h"
#include "platform/file_io.h"

namespace quillmere::ui {

QLabel* MakeLabel(QWidget* parent, const QString& text, QRect geometry, const QColor& colour, const char* name) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setGeometry(geometry);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& text, QRect geometry, const char* name) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setGeometry(geometry);
  button->setAutoDefault(false);
  return button;
}

QTableView* MakeList(QWidget* parent, QRect geometry, const char* name) {
  auto* list = new QTableView(parent);
  list->setObjectName(name);
  list->setGeometry(geometry);
  list->setShowGrid(true);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setWordWrap(false);
  list->setTextElideMode(Qt::ElideRight);
  list->verticalHeader()->hide();
  list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  // The rows are 17 pixels high under every style: the Windows styles' least
  // section height (19 with this font) would otherwise lift them, and the
  // one-row lists would lose their row under the header.
  list->verticalHeader()->setMinimumSectionSize(17);
  list->verticalHeader()->setDefaultSectionSize(17);
  list->horizontalHeader()->setFixedHeight(18);
  list->horizontalHeader()->setHighlightSections(false);
  list->horizontalHeader()->setStretchLastSection(false);
  list->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  return list;
}

QString ToQString(const std::string& text) { return QString::fromStdString(text); }

QString Words(UiText id) { return ToQString(Caption(id)); }

// Qt hands paths over with "/" (drops, dialogs); the user reads them back in
// messages, which on Windows name them with backslashes.
std::filesystem::path PathOf(const QString& text) {
  return platform::PathFromUtf8(QDir::toNativeSeparators(text).toStdString());
}

QString PathText(const std::filesystem::path& path) { return QString::fromStdString(platform::PathToUtf8(path)); }

QString Captions::Tip(const QObject* control) const {
  const bool english = catalog::CurrentLanguage() == catalog::Language::kEnglish;
  for (const Captioned& captioned : captions_) {
    if (captioned.control == control) return english && captioned.tip ? Words(*captioned.tip) : QString();
  }
  return {};
}

void Captions::Apply() const {
  const bool english = catalog::CurrentLanguage() == catalog::Language::kEnglish;
  for (const Captioned& captioned : captions_) {
    const QString words = Words(captioned.text);
    // The long form, where English had to shorten a caption to fit its control.
    const QString tip = english && captioned.tip ? Words(*captioned.tip) : QString();
    if (auto* button = qobject_cast<QAbstractButton*>(captioned.control)) button->setText(words);
    if (auto* label = qobject_cast<QLabel*>(captioned.control)) label->setText(words);
    if (auto* frame = qobject_cast<QGroupBox*>(captioned.control)) frame->setTitle(words);
    if (auto* action = qobject_cast<QAction*>(captioned.control)) {
      action->setText(words);
      action->setToolTip(tip);
    } else if (auto* widget = qobject_cast<QWidget*>(captioned.control)) {
      widget->setToolTip(tip);
    }
  }
}

}  // namespace quillmere::ui
