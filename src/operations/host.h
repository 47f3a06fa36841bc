#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/outcome.h"
#include "operations/import_step.h"

namespace quillmere {

// The buttons whose captions an operation may change while it runs.
enum class PaneButton { kCompact };

// The answer to a choice: one of the choices offered, or text typed in.
struct ChoiceAnswer {
  std::optional<std::size_t> listed;
  std::string typed;
};

// The files an open-file dialog shows.
enum class FileFilter {
  kSingleSave,  // every single save: SAROO, BUP and SRO
  kSsf,         // SSF single saves
  kSaroo,       // SAROO single saves and SRO
  kContainer,   // container files, and all files
};

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
  virtual std::optional<ChoiceAnswer> AskChoice(const Message& question, const std::vector<Message>& choices,
                                                std::size_t chosen) = 0;
  // An open-file dialog showing the files `filter` names; the host has their
  // words. Nothing on cancel.
  virtual std::optional<std::filesystem::path> PickOpenFile(FileFilter filter,
                                                            const std::filesystem::path& initialFolder) = 0;
  // The same dialog taking several files at once, in the order chosen;
  // nothing on cancel.
  virtual std::vector<std::filesystem::path> PickOpenFiles(FileFilter filter,
                                                           const std::filesystem::path& initialFolder) = 0;
  // A choose-folder dialog opening at `initialFolder`; nothing on cancel.
  // Hosts without dialogs choose nothing.
  virtual std::optional<std::filesystem::path> PickFolder(const std::filesystem::path& initialFolder) {
    (void)initialFolder;
    return std::nullopt;
  }
  // Shows the file selected in the system's file browser. False when no file
  // browser could be started (no desktop, no launcher).
  virtual bool RevealFile(const std::filesystem::path& file) = 0;
  // The pane's rows, figures or hint changed; views should read them again.
  virtual void PaneChanged(int pane) = 0;
  // A pane button's caption or enabled state changed while an operation runs:
  // `busy` says what the button shows while it works, nothing its own caption.
  virtual void ButtonChanged(int pane, PaneButton button, const std::optional<Message>& busy, bool enabled) = 0;
  // A long operation has done `done` of its `total` steps; `done == total`
  // ends it. False when the user asked to stop: the operation then stops
  // before it writes its container. Hosts that show no progress go on.
  virtual bool Progress(std::size_t done, std::size_t total) {
    (void)done;
    (void)total;
    return true;
  }
  // Runs `work` to its end, then returns. `work` reads and writes files and
  // the containers it was handed, and reports to the sink it is given; it
  // never calls the host. A window runs it off its own thread, so that a
  // lock wait or the sync of a large file never freezes it: the window is
  // drawn meanwhile, takes no other action, and after a moment shows
  // `doing`, with the sink's count when there is one. Hosts without a
  // window run it here, their progress dialog as its sink.
  virtual void RunSlow(const Message& doing, const std::function<void(ProgressSink&)>& work);
};

// The host's progress dialog as the steps' progress sink.
class HostProgress : public ProgressSink {
 public:
  explicit HostProgress(Host& host) : host_(host) {}
  bool Report(std::size_t done, std::size_t total) override { return host_.Progress(done, total); }

 private:
  Host& host_;
};

inline void Host::RunSlow(const Message& doing, const std::function<void(ProgressSink&)>& work) {
  (void)doing;
  HostProgress progress(*this);
  work(progress);
}

}  // namespace quillmere
