#include "ui/kind_combo_box.h"

#include <QWheelEvent>

namespace quillmere::ui {

KindComboBox::KindComboBox(QWidget* parent) : QComboBox(parent) {
  // Not WheelFocus either: a passing wheel takes neither the kind nor the focus.
  setFocusPolicy(Qt::StrongFocus);
}

void KindComboBox::wheelEvent(QWheelEvent* event) { event->ignore(); }

}  // namespace quillmere::ui
