#pragma once

#include <QString>
#include <functional>

#include "operations/import_step.h"

class QWidget;

namespace quillmere::ui {

// Runs `work` on a thread of its own and returns when it is done, while the
// window's thread goes on drawing every window. Meanwhile the user's input
// to the program is held back (a second action cannot start while a file is
// half written), the cursor waits, and after half a second a dialog over
// `parent` shows `doing`: with the count and Cancel once `work` reports a
// count, else as a busy bar. Cancel only asks: `work` stops at its next
// report. An exception thrown by `work` is thrown again here.
void RunOffThread(QWidget* parent, const QString& doing, const std::function<void(ProgressSink&)>& work);

// Whether work started by RunOffThread is under way.
bool SlowWorkRunning();

}  // namespace quillmere::ui
