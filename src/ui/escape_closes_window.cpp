#include "ui/escape_closes_window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QShortcut>
#include <QWidget>

namespace quillmere::ui {

namespace {

bool IsEscape(const QEvent* event) {
  return event->type() == QEvent::ShortcutOverride &&
         static_cast<const QKeyEvent*>(event)->matches(QKeySequence::Cancel);
}

// Qt lets an open drop-down list close itself while the Esc is still being
// matched against shortcuts; the window's own Esc then finds nothing open
// and closes the window too. Claiming the Esc for the open popup before
// anything sees it leaves it as an ordinary key press, which closes the
// popup alone.
class PopupKeepsEscape : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (IsEscape(event) && QApplication::activePopupWidget() != nullptr) {
      event->accept();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }
};

}  // namespace

void CloseOnEscape(QWidget& window) {
  qApp->installEventFilter(new PopupKeepsEscape(&window));
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), &window);
  QObject::connect(escape, &QShortcut::activated, &window, [&window] {
    if (QApplication::activePopupWidget() == nullptr && QApplication::activeModalWidget() == nullptr) window.close();
  });
}

}  // namespace quillmere::ui
