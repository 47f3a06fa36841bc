#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string_view>

#include "catalog/catalog.h"
#include "operations/host.h"

namespace quillmere::cli {

// The host of the command line: messages go to the error stream, questions
// are answered Cancel, no file is picked and nothing is revealed or redrawn.
// A command decides from its options what a dialog would have asked.
class ConsoleHost : public Host {
 public:
  explicit ConsoleHost(std::ostream& err) : err_(err) {}

  void ShowMessage(const Message& message) override { err_ << catalog::Render(OnCommandLine(message)) << "\n"; }

  // The command line's own words where it has them: a file of no kind the
  // opener could tell is named with the --kind that would tell it.
  static Message OnCommandLine(Message message) {
    if (message.id == TextId::kCannotTellKind) message.id = TextId::kCliUnknownKindOfFile;
    return message;
  }
  bool AskOkCancel(const Message&) override { return false; }
  std::optional<ChoiceAnswer> AskChoice(const Message&, const std::vector<Message>&, std::size_t) override {
    return std::nullopt;
  }
  std::optional<std::filesystem::path> PickOpenFile(TextId, const std::filesystem::path&) override {
    return std::nullopt;
  }
  std::vector<std::filesystem::path> PickOpenFiles(TextId, const std::filesystem::path&) override { return {}; }
  bool RevealFile(const std::filesystem::path&) override { return true; }  // the path is printed instead
  void PaneChanged(int) override {}
  void ButtonChanged(int, PaneButton, const Message&, bool) override {}

 private:
  std::ostream& err_;
};

}  // namespace quillmere::cli
