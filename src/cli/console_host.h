#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "catalog/catalog.h"
#include "operations/host.h"
#include "platform/file_io.h"

namespace quillmere::cli {

// The host of the command line: messages go to the error stream, questions
// are answered Cancel, no file is picked and nothing is revealed or redrawn.
// A command decides from its options what a dialog would have asked.
class ConsoleHost : public Host {
 public:
  explicit ConsoleHost(std::ostream& err) : err_(err) {}

  void ShowMessage(const Message& message) override { err_ << Said(message); }

  // A message as the command line says it: "quillmere-cli: " and its words
  // on one line, where the window puts a path under them after ": ", then
  // each of its lines on a line of its own; every line ends in "\n".
  static std::string Said(const Message& message) {
    std::string text = OneLine(OnCommandLine(message));
    // A failed read or write says why, in the system's words.
    const std::string why = platform::LastFailure();
    if ((message.id == TextId::kWriteFailed || message.id == TextId::kReadFailed) && !why.empty()) {
      text.insert(text.find('\n'), " (" + why + ")");
    }
    constexpr std::string_view kPrefix = "quillmere-cli: ";
    if (!text.starts_with(kPrefix)) text.insert(0, kPrefix);
    return text;
  }

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
  static std::string OneLine(const Message& message) {
    std::string text = catalog::Render(Message{message.id, message.args, {}});
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
      // Words that end in a colon of their own ("不是普通文件：") take no second one.
      const std::string_view before(text.data(), at);
      const bool colon = before.ends_with(":") || before.ends_with("\xEF\xBC\x9A");
      text.replace(at, 2, colon ? " " : ": ");
    }
    text += "\n";
    for (const Message& line : message.lines) text += OneLine(line);
    return text;
  }

  std::ostream& err_;
};

}  // namespace quillmere::cli
