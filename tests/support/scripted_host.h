#pragma once

#include <algorithm>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "catalog/catalog.h"
#include "operations/host.h"
#include "support/pane_runs.h"

namespace quillmere::testing {

// A host that answers from a script and records everything it was asked.
class ScriptedHost : public Host {
 public:
  struct FilePick {
    FileFilter filter;
    std::filesystem::path initialFolder;
    bool several = false;  // the dialog took several files
  };
  struct ButtonChange {
    int pane;
    PaneButton button;
    std::string caption;  // empty: the button's own
    bool enabled;
  };

  // Messages and questions are kept as values and as the words the window would show.
  void ShowMessage(const Message& message) override {
    shown.push_back(message);
    messages.push_back(catalog::Render(message));
  }
  bool AskOkCancel(const Message& question) override {
    // The question without the lines under its first two: what it asks and of which save.
    const std::string text = catalog::Render(question);
    const std::size_t second = text.find("\r\n");
    questionHeads.push_back(text.substr(0, second == std::string::npos ? second : text.find("\r\n", second + 2)));
    questions.push_back(catalog::Render(question));
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  // Answers from `choiceAnswers` (the preselected choice once they run out).
  // An answer that reads as one of the choices is that choice.
  std::optional<ChoiceAnswer> AskChoice(const Message& question, const std::vector<Message>& offered,
                                        std::size_t chosen) override {
    std::vector<std::string> choices;
    for (const Message& choice : offered) choices.push_back(catalog::Render(choice));
    choiceQuestions.push_back({catalog::Render(question), choices, chosen});
    if (choiceAnswers.empty()) {
      return chosen < choices.size() ? std::optional<ChoiceAnswer>(ChoiceAnswer{chosen, choices[chosen]}) : std::nullopt;
    }
    auto answer = choiceAnswers.front();
    choiceAnswers.pop_front();
    if (!answer) return std::nullopt;
    const auto listed = std::find(choices.begin(), choices.end(), *answer);
    if (listed != choices.end()) return ChoiceAnswer{static_cast<std::size_t>(listed - choices.begin()), *answer};
    return ChoiceAnswer{std::nullopt, *answer};
  }
  std::optional<std::filesystem::path> PickOpenFile(FileFilter filter, const std::filesystem::path& initialFolder) override {
    filePicks.push_back({filter, initialFolder});
    if (pickedFiles.empty()) return std::nullopt;
    auto file = pickedFiles.front();
    pickedFiles.pop_front();
    return file;
  }
  // Answers from `pickedFileSets`; a dialog that takes several files records its pick as one does.
  std::vector<std::filesystem::path> PickOpenFiles(FileFilter filter, const std::filesystem::path& initialFolder) override {
    filePicks.push_back({filter, initialFolder, true});
    if (pickedFileSets.empty()) return {};
    auto files = pickedFileSets.front();
    pickedFileSets.pop_front();
    return files;
  }
  std::optional<std::filesystem::path> PickFolder(const std::filesystem::path& initialFolder) override {
    folderPicks.push_back(initialFolder);
    if (pickedFolders.empty()) return std::nullopt;
    auto folder = pickedFolders.front();
    pickedFolders.pop_front();
    return folder;
  }
  bool RevealFile(const std::filesystem::path& file) override {
    revealed.push_back(file);
    return revealSucceeds;
  }
  void PaneChanged(int pane) override { paneChanges.push_back(pane); }
  void ButtonChanged(int pane, PaneButton button, const std::optional<Message>& busy, bool enabled) override {
    buttonChanges.push_back({pane, button, busy ? catalog::Render(*busy) : std::string(), enabled});
  }

  bool Progress(std::size_t done, std::size_t total) override {
    progress.push_back({done, total});
    return !(stopAt && done == *stopAt && done < total);
  }

  // The script: answers to questions (Cancel once they run out) and files to pick.
  std::deque<bool> answers;
  std::deque<std::optional<std::string>> choiceAnswers;
  // The step at which the user presses the progress dialog's Cancel.
  std::optional<std::size_t> stopAt;
  std::deque<std::optional<std::filesystem::path>> pickedFiles;
  std::deque<std::optional<std::filesystem::path>> pickedFolders;
  std::deque<std::vector<std::filesystem::path>> pickedFileSets;  // for dialogs that take several files
  bool revealSucceeds = true;

  // The record.
  std::vector<Message> shown;
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  std::vector<std::string> questionHeads;
  struct ChoiceQuestion {
    std::string question;
    std::vector<std::string> choices;
    std::size_t chosen;
  };
  std::vector<ChoiceQuestion> choiceQuestions;
  std::vector<FilePick> filePicks;
  std::vector<std::filesystem::path> folderPicks;  // the folder each folder dialog opened at
  std::vector<std::filesystem::path> revealed;
  std::vector<int> paneChanges;
  std::vector<ButtonChange> buttonChanges;
  std::vector<std::pair<std::size_t, std::size_t>> progress;  // done, total
};

}  // namespace quillmere::testing
