#include "ui/slow_work.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <atomic>
#include <exception>
#include <thread>

#include "catalog/catalog.h"
#include "ui/words.h"

namespace quillmere::ui {

namespace {

// How long work goes before its dialog shows, and how often the count is read.
constexpr int kDialogDelayMs = 500;
constexpr int kPollMs = 40;

bool running = false;  // only ever read and set on the window's thread

// The worker's reports, read by the window's thread; Cancel's answer back.
class CrossThreadSink : public ProgressSink {
 public:
  bool Report(std::size_t done, std::size_t total) override {
    done_.store(done);
    total_.store(total);
    return !stop_.load();
  }
  std::atomic<std::size_t> done_{0};
  std::atomic<std::size_t> total_{0};
  std::atomic<bool> stop_{false};
};

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::Close:  // a window closed mid-write would take the panes its work holds
      return true;
    default:
      return false;
  }
}

// Holds back the user's input from every window but the work's own dialog.
class InputGate : public QObject {
 public:
  QPointer<QProgressDialog> dialog;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!IsUserInput(event->type())) return false;
    if (dialog) {
      if (watched == dialog->windowHandle()) return false;
      if (auto* widget = qobject_cast<QWidget*>(watched); widget && widget->window() == dialog) return false;
    }
    return true;
  }
};

// Leaves the program as it found it, whichever way the run ends.
struct RunScope {
  InputGate gate;
  RunScope() {
    running = true;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    qApp->installEventFilter(&gate);
  }
  ~RunScope() {
    qApp->removeEventFilter(&gate);
    delete gate.dialog.data();
    QGuiApplication::restoreOverrideCursor();
    running = false;
  }
};

}  // namespace

bool SlowWorkRunning() { return running; }

void RunOffThread(QWidget* parent, const QString& doing, const std::function<void(ProgressSink&)>& work) {
  CrossThreadSink sink;
  // Work that starts more work runs it where it is.
  if (running || !qApp) {
    work(sink);
    return;
  }
  RunScope scope;
  QEventLoop loop;
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      work(sink);
    } catch (...) {
      failure = std::current_exception();
    }
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });

  QElapsedTimer clock;
  clock.start();
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (clock.elapsed() < kDialogDelayMs) return;
    const std::size_t total = sink.total_.load();
    const std::size_t done = std::min(sink.done_.load(), total);
    QProgressDialog* dialog = scope.gate.dialog;
    if (!dialog) {
      dialog = new QProgressDialog(parent);
      dialog->setWindowModality(Qt::ApplicationModal);
      dialog->setWindowTitle(QString::fromStdString(Caption(UiText::kCaption)));
      dialog->setMinimumDuration(0);
      dialog->setAutoReset(false);
      dialog->setAutoClose(false);
      dialog->setRange(0, 0);
      // A lone write cannot be stopped halfway; a counted run can, between saves.
      if (total == 0) dialog->setCancelButton(nullptr);
      scope.gate.dialog = dialog;
      dialog->show();
    }
    QString label = doing;
    if (total > 0) {
      label += "\r\n" + QString::fromStdString(Say(Progress{done, total}));
      dialog->setRange(0, static_cast<int>(total));
      dialog->setValue(static_cast<int>(done));
      if (dialog->wasCanceled()) sink.stop_.store(true);
    }
    dialog->setLabelText(label);
  });
  poll.start(kPollMs);
  loop.exec();
  worker.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace quillmere::ui
