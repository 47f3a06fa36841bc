#pragma once

#include <string>
#include <vector>

#include "containers/mems_image.h"
#include "operations/workbench.h"

// Deleting saves from a pane, and checking and repairing the allocation
// records of an SS_MEMS.BIN or SS_SAVE.BIN pane. Each writer changes the image only after it knows what
// to do, writes once, and leaves the file as it was when the write fails.
namespace quillmere {

enum class CareOutcome {
  kNothing,      // not an SS_MEMS.BIN pane, no image, nothing selected, or Cancel
  kDone,         // written and reloaded (or, for a repair, nothing needed writing)
  kWriteFailed,  // "写入文件失败！": the file and the pane are as they were
};

// The records of the selected rows, each once, so a sorted list deletes the
// saves it shows.
std::vector<const SaveRecord*> SelectedRecords(const Pane& pane);

// How many saves the delete question names, one a line.
inline constexpr std::size_t kDeleteQuestionNames = 10;

// "是否删除选中的N个存档？", then, for at most kDeleteQuestionNames selected
// rows, each one's name on a line of its own.
Message DeleteQuestion(const Pane& pane);

// Deletes the selected saves: asks DeleteQuestion when interactive
// ("请先选中要删除的存档！" when nothing is selected), then writes once and
// reloads. Nothing is said on success.
CareOutcome DeleteSaves(Workbench& bench, int pane);

// Repairs the pane's image after asking (when interactive), writes it once if
// anything changed, reloads, and reports what was mended and what was not.
struct RepairResult {
  CareOutcome outcome = CareOutcome::kNothing;
  mems::MemsRepair repair;
};
RepairResult RepairPane(Workbench& bench, int pane);

// The problems a pane's image has: allocation records that disagree, and
// saves that cannot be read whole. Empty when it is sound or its file missing.
std::vector<Problem> CheckPane(const Pane& pane);

}  // namespace quillmere
