#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "catalog/catalog.h"
#include "cli/words.h"
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
    std::string text = OneLine(message);
    // A failed read or write says why, in the system's words.
    const std::string why = platform::LastFailure();
    if ((Is<WriteFailed>(message) || Is<ReadFailed>(message)) && !why.empty()) {
      text.insert(text.find('\n'), " (" + why + ")");
    }
    return Prefixed(std::move(text));
  }
  // One of the command line's own lines, said the same way.
  static std::string Said(const CliPhrase& phrase) { return Prefixed(Flattened(Say(phrase)) + "\n"); }
  static std::string Said(CliText line) { return Prefixed(Flattened(Line(line)) + "\n"); }

  bool AskOkCancel(const Message&) override { return false; }
  std::optional<ChoiceAnswer> AskChoice(const Message&, const std::vector<Message>&, std::size_t) override {
    return std::nullopt;
  }
  std::optional<std::filesystem::path> PickOpenFile(FileFilter, const std::filesystem::path&) override {
    return std::nullopt;
  }
  std::vector<std::filesystem::path> PickOpenFiles(FileFilter, const std::filesystem::path&) override { return {}; }
  bool RevealFile(const std::filesystem::path&) override { return true; }  // the path is printed instead
  void PaneChanged(int) override {}
  void ButtonChanged(int, PaneButton, const std::optional<Message>&, bool) override {}

 private:
  // The command line's own words where it has them: a file of no kind the
  // opener could tell is named with the --kind that would tell it.
  static std::string Words(const Message& message) {
    if (const auto* unknown = Find<CannotTellKind>(message)) return Say(CliUnknownKindOfFile{unknown->file});
    return catalog::Render(Message(message.what));
  }
  static std::string OneLine(const Message& message) {
    std::string text = Flattened(Words(message)) + "\n";
    for (const Message& line : message.lines) text += OneLine(line);
    return text;
  }
  static std::string Flattened(std::string text) {
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
      // Words that end in a colon of their own ("不是普通文件：") take no second one.
      const std::string_view before(text.data(), at);
      const bool colon = before.ends_with(":") || before.ends_with("\xEF\xBC\x9A");
      text.replace(at, 2, colon ? " " : ": ");
    }
    return text;
  }
  static std::string Prefixed(std::string text) {
    constexpr std::string_view kPrefix = "quillmere-cli: ";
    if (!text.starts_with(kPrefix)) text.insert(0, kPrefix);
    return text;
  }

  std::ostream& err_;
};

}  // namespace quillmere::cli
