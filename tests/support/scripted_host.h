#pragma once

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "operations/host.h"

namespace quillmere::testing {

// A host that answers from a script and records everything it was asked.
class ScriptedHost : public Host {
 public:
  struct FilePick {
    std::string filter;
    std::filesystem::path initialFolder;
  };
  struct ButtonChange {
    int pane;
    PaneButton button;
    std::string caption;
    bool enabled;
  };

  void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
  bool AskOkCancel(std::string_view text) override {
    questions.emplace_back(text);
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::optional<std::filesystem::path> PickOpenFile(std::string_view filter,
                                                    const std::filesystem::path& initialFolder) override {
    filePicks.push_back({std::string(filter), initialFolder});
    if (pickedFiles.empty()) return std::nullopt;
    auto file = pickedFiles.front();
    pickedFiles.pop_front();
    return file;
  }
  bool RevealFile(const std::filesystem::path& file) override {
    revealed.push_back(file);
    return revealSucceeds;
  }
  void PaneChanged(int pane) override { paneChanges.push_back(pane); }
  void ButtonChanged(int pane, PaneButton button, std::string_view caption, bool enabled) override {
    buttonChanges.push_back({pane, button, std::string(caption), enabled});
  }

  // The script: answers to questions (Cancel once they run out) and files to pick.
  std::deque<bool> answers;
  std::deque<std::optional<std::filesystem::path>> pickedFiles;
  bool revealSucceeds = true;

  // The record.
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  std::vector<FilePick> filePicks;
  std::vector<std::filesystem::path> revealed;
  std::vector<int> paneChanges;
  std::vector<ButtonChange> buttonChanges;
};

}  // namespace quillmere::testing
