#pragma once

#include "operations/workbench.h"

namespace quillmere {

enum class CompactOutcome {
  kNothing,      // not an SS_MEMS.BIN pane, no rows, a compaction already runs, or it was
                 // stopped through the host's progress; nothing written
  kCompacted,    // written and reloaded; "整理完成!" was shown
  kRefused,      // no writer may act on the file (its refusal is shown), the image is damaged past
                 // repair ("存档文件已损坏，无法整理！" and the first problem), or a save could
                 // not be placed back; nothing written
  kWriteFailed,  // "写入文件失败！": the file is as it was
};

// Rebuilds the pane's SS_MEMS.BIN image with no gaps: every listed save, in
// the list's current order, is lifted out into memory, the image is reset to
// its empty formatted state (identification and reserved header bytes kept,
// a short image lengthened to 8 MiB), and the saves are placed back into
// slots 1, 2, ... and clusters from 8 on. The file is written once, and only
// when every save was placed back. The "整理" button counts the saves placed
// while it runs.
CompactOutcome CompactPane(Workbench& bench, int pane);

}  // namespace quillmere
