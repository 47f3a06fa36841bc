#pragma once

#include "operations/save_steps.h"
#include "operations/workbench.h"

namespace quillmere {

// The window's "整理": compacts the pane's SS_MEMS.BIN (Compact) in the
// list's current order, writes it once, and says "整理完成!". While it runs
// the button counts the saves placed back; a refusal is said after.
CompactOutcome CompactPane(Workbench& bench, int pane);

}  // namespace quillmere
