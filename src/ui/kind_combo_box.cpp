#include "ui/kind_combo_box.h"

#include <QStylePainter>
#include <QWheelEvent>

namespace quillmere::ui {

KindComboBox::KindComboBox(QWidget* parent) : QComboBox(parent) {
  // Not WheelFocus either: a passing wheel takes neither the kind nor the focus.
  setFocusPolicy(Qt::StrongFocus);
}

void KindComboBox::SetShownText(const QString& words) {
  if (words == shown_) return;
  shown_ = words;
  setToolTip(words.isEmpty() ? QString() : words);
  update();
}

void KindComboBox::wheelEvent(QWheelEvent* event) { event->ignore(); }

void KindComboBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  painter.setPen(palette().color(QPalette::Text));
  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.currentText = ShownText();
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  // Words longer than the box's text field are drawn smaller, never cut.
  const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  QFont font = painter.font();
  font.setPixelSize(QFontInfo(font).pixelSize());
  while (font.pixelSize() > 8 && QFontMetrics(font).horizontalAdvance(option.currentText) > field.width()) {
    font.setPixelSize(font.pixelSize() - 1);
  }
  painter.setFont(font);
  painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

}  // namespace quillmere::ui
