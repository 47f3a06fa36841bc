#pragma once

#include "operations/workbench.h"

class QSettings;
class QWidget;

// Taking a pane's writes back: the pane menu's "撤销上次修改" and the
// "历史版本…" dialog over the versions its file's writes kept.
namespace quillmere::ui {

// Asks whether to put the pane's file back as it was before its last write,
// then does so and shows the pane afresh.
void UndoLastChange(Workbench& bench, int pane);

// The versions of the pane's file, newest first: one can be restored, or its
// saves shown and exported.
void ShowHistory(Workbench& bench, int pane, QWidget* parent);

// The history's bounds from the window's settings; the environment still
// overrides them.
void ApplyHistorySettings(const QSettings& settings);

}  // namespace quillmere::ui
