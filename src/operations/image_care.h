#pragma once

#include <string>
#include <vector>

#include "operations/save_steps.h"
#include "operations/workbench.h"

// The window's delete, check and repair: shells over the steps. Each writer
// changes the image only after it knows what to do, writes once, and leaves
// the file as it was when the write fails.
namespace quillmere {

enum class CareOutcome {
  kNothing,      // not writable, no image, nothing selected, or Cancel
  kDone,         // written and reloaded (or, for a repair, nothing needed writing)
  kWriteFailed,  // "写入文件失败！": the file and the pane are as they were
};

// How many saves the delete question names, one a line.
inline constexpr std::size_t kDeleteQuestionNames = 10;

// "是否删除选中的N个存档？", then, for at most kDeleteQuestionNames selected
// rows, each one's name on a line of its own.
Message QuestionOfDeleting(const Pane& pane);

// Deletes the selected saves after DeleteQuestion ("请先选中要删除的存档！"
// when nothing is selected), then writes once and reloads. Nothing is said
// on success.
CareOutcome DeleteSaves(Workbench& bench, int pane);

// Repairs the pane's image after asking, writes it once if anything
// changed, reloads, and reports what was mended and what was not.
struct RepairReport {
  CareOutcome outcome = CareOutcome::kNothing;
  mems::MemsRepair repair;
};
RepairReport RepairPane(Workbench& bench, int pane);

// The repair's box: what was mended, then what could not be, each under its
// heading; "无需修复" when neither.
Message RepairMessage(const mems::MemsRepair& repair);

// "存档文件有问题：" and the first `most` problems a line each, then "……"
// when there are more.
Message ProblemReport(const std::vector<Problem>& problems, std::size_t most);

// The problems a pane's image has (Check); empty when its file is missing.
std::vector<Problem> CheckPane(const Pane& pane);

// The window's "检查": reads the pane's file afresh when another program
// changed it since it was shown (without the clearing step: a check never
// writes), then reports its problems ("未发现问题" when none), naming the
// file it looked at.
Message CheckPaneFile(Workbench& bench, int pane);

// Whether the file on disk is still the one the pane shows.
bool ShowsFileAsItIs(const Pane& pane);

}  // namespace quillmere
