#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/outcome.h"

namespace quillmere {

// The buttons whose captions an operation may change while it runs.
enum class PaneButton { kCompact };

// Everything an operation needs from the world outside the core: the GUI
// implements it with dialogs, the command line on the console, tests with a
// script.
class Host {
 public:
  virtual ~Host() = default;

  // A message box captioned "信息" with one OK button, showing `message`
  // in the host's words.
  virtual void ShowMessage(const Message& message) = 0;
  // The same box with OK and Cancel; true for OK.
  virtual bool AskOkCancel(const Message& question) = 0;
  // A choice among `choices`, the one at `chosen` preselected, where the user
  // may also type another; nothing on cancel.
  virtual std::optional<std::string> AskChoice(const Message& question, const std::vector<std::string>& choices,
                                               std::size_t chosen) = 0;
  // An open-file dialog. `filter` names a text of "description|pattern"
  // pairs, with more pairs after further bars for a choice of filters.
  // Nothing on cancel.
  virtual std::optional<std::filesystem::path> PickOpenFile(TextId filter,
                                                            const std::filesystem::path& initialFolder) = 0;
  // Shows the file selected in the system's file browser. False when no file
  // browser could be started (no desktop, no launcher).
  virtual bool RevealFile(const std::filesystem::path& file) = 0;
  // The pane's rows, figures or hint changed; views should read them again.
  virtual void PaneChanged(int pane) = 0;
  // A pane button's caption or enabled state changed while an operation runs.
  virtual void ButtonChanged(int pane, PaneButton button, const Message& caption, bool enabled) = 0;
};

}  // namespace quillmere
