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

  // Words the box shows in place of the chosen entry (the kind of a file
  // whose name is none of the entries); empty: the entry itself.
  void SetShownText(const QString& words);
  // What the box shows.
  QString ShownText() const { return shown_.isEmpty() ? currentText() : shown_; }

 protected:
  void wheelEvent(QWheelEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QString shown_;
};

}  // namespace quillmere::ui
