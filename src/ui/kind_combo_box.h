#pragma once

#include <QComboBox>

namespace quillmere::ui {

// A pane's kind drop-down. Choosing a kind reloads the pane (and, with
// "clear unused" on, may rewrite the file), so it changes only when the user
// means it: a click in the list or the keyboard while it has focus, never a
// wheel turned while the pointer passes over it.
class KindComboBox : public QComboBox {
  Q_OBJECT
 public:
  explicit KindComboBox(QWidget* parent = nullptr);

 protected:
  void wheelEvent(QWheelEvent* event) override;
};

}  // namespace quillmere::ui
