#include "cli/cli.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <utility>

#include "catalog/catalog.h"
#include "cli/cli_support.h"
#include "cli/commands.h"

namespace quillmere::cli {

namespace {

// In the order the help lists them.
constexpr std::array<Command, 15> kCommands = {{
    {"list", "List the saves of a container file", DefineList},
    {"show", "Show a single-save file as the converter lists it", DefineShow},
    {"convert", "Convert a single save between the SAROO, SSF, .BUP and .SRO forms", DefineConvert},
    {"export", "Export saves of a container file as single saves (SAROO, .BUP or .SRO)", DefineExport},
    {"import", "Import single saves (SAROO, .BUP, .SRO) into a container file", DefineImport},
    {"transfer", "Copy saves of one container file into another", DefineTransfer},
    {"compact", "Rebuild an SS_MEMS.BIN image with its saves in consecutive slots and clusters", DefineCompact},
    {"delete", "Delete saves from a container file", DefineDelete},
    {"check", "Check a container file's allocation records", DefineCheck},
    {"repair", "Mend the allocation records of an SS_MEMS.BIN or SS_SAVE.BIN (backup memories are refused)", DefineRepair},
    {"map", "Draw the allocation map of a container file", DefineMap},
    {"clear", "Clear the unused space of an SS_MEMS.BIN image, as a refresh with the box checked does", DefineClear},
    {"format", "Write a new, empty container file of the kind its name says", DefineFormat},
    {"history", "List the earlier versions of a container file that its writes kept", DefineHistory},
    {"restore", "Put an earlier version of a container file back, byte for byte", DefineRestore},
}};

// How many letters must change to turn one name into the other.
std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The first word that is neither an option nor the value of one of the
// options taken before the command: the command's name.
std::optional<std::size_t> CommandWordAt(const std::vector<std::string>& args) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--language" || arg == "--device" || arg == "--block-size") {
      ++i;
    } else if (arg.empty() || arg[0] != '-') {
      return i;
    }
  }
  return std::nullopt;
}

const Command* FindCommand(std::string_view name) {
  for (const Command& command : kCommands) {
    if (command.name == name) return &command;
  }
  return nullptr;
}

// "unknown command 'lst'; did you mean 'list'?": a name one or two letters
// off a command's, or the start of one, is taken for a slip.
int UnknownCommand(const std::string& name, std::ostream& err) {
  std::string said = Say(CliUnknownCommand{name});
  std::string_view nearest;
  std::size_t best = 3;
  for (const Command& command : kCommands) {
    const std::size_t distance = std::string_view(command.name).starts_with(name) ? 1 : EditDistance(name, command.name);
    if (distance < best) {
      best = distance;
      nearest = command.name;
    }
  }
  err << (nearest.empty() ? Say(CliRunHelp{said, ""}) : Say(CliDidYouMean{said, nearest}))
      << "\n";
  return kUsage;
}

}  // namespace

namespace {

// A number counted from 1; `counted` says what counts so, for any other value.
CLI::Validator CountedFromOne(std::string counted) {
  return CLI::Validator(
      [counted](const std::string& value) -> std::string {
        const bool digits = !value.empty() && value.find_first_not_of("0123456789") == std::string::npos;
        if (digits && value.find_first_not_of('0') != std::string::npos) return {};
        return counted + ", not " + value;
      },
      "N");
}

}  // namespace

const CLI::Validator& RowNumber() {
  static const CLI::Validator validator = CountedFromOne("rows count from 1, as list prints them");
  return validator;
}

const CLI::Validator& VersionNumber() {
  static const CLI::Validator validator = CountedFromOne("versions count from 1, as history numbers them");
  return validator;
}

std::vector<CommandSummary> CommandSummaries() {
  CLI::App app;
  std::vector<CommandSummary> summaries;
  for (const Command& command : kCommands) {
    CLI::App* subcommand = app.add_subcommand(command.name, command.description);
    command.define(*subcommand);
    CommandSummary summary{command.name, {}};
    for (const CLI::Option* option : subcommand->get_options()) {
      for (const std::string& name : option->get_lnames()) {
        if (name != "help") summary.options.push_back("--" + name);
      }
    }
    summaries.push_back(std::move(summary));
  }
  return summaries;
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  // A run's language and memory are its own: one run in a process (the
  // tests run many) leaves the next as it found it.
  struct Restore {
    catalog::Language language = catalog::CurrentLanguage();
    backup_ram::Device device = ChosenDevice();
    std::optional<std::size_t> blockSize = ChosenBlockSize();
    ~Restore() {
      catalog::SetLanguage(language);
      ChosenDevice() = device;
      ChosenBlockSize() = blockSize;
    }
  } restore;
  // Chosen before parsing, so that a usage error is told in the chosen language too.
  catalog::SetLanguage(catalog::ChooseLanguage({catalog::TakeLanguageOption(args).value, catalog::LanguageFromEnvironment()}));
  CLI::App app{"Quillmere: lists, exports, imports and converts Sega Saturn saves.", "quillmere-cli"};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("quillmere-cli ") + QUILLMERE_VERSION);
  app.footer("Run 'quillmere-cli help COMMAND' or 'quillmere-cli COMMAND --help' for a command's options.");
  // Taken before or after the command's name.
  app.fallthrough();
  std::string language;
  app.add_option("--language", language, "zh or en (default: QUILLMERE_LANGUAGE, else zh)")
      ->check(CLI::IsMember({"zh", "en"}));
  std::string device = "internal";
  app.add_option("--device", device, "internal or cart: the memory of a file that holds two (default: internal)")
      ->check(CLI::IsMember({"internal", "cart"}));
  std::optional<std::size_t> blockSize;
  app.add_option("--block-size", blockSize,
                 "64 or 1024: the blocks of an 8 MiB word-wide memory whose saves do not tell (an empty one)")
      ->check(CLI::IsMember({std::size_t{64}, std::size_t{1024}}));
  // "/saves/SS_MEMS.BIN" is a path on Windows too: options are "-x" and "--name"
  // everywhere. Set before the subcommands are added, which take it over.
  app.allow_windows_style_options(false);

  std::vector<std::pair<CLI::App*, CommandRun>> commands;
  for (const Command& command : kCommands) {
    CLI::App* subcommand = app.add_subcommand(command.name, command.description);
    commands.emplace_back(subcommand, command.define(*subcommand));
  }

  // "help", "help CMD", and a command's name misspelt, before CLI11 would
  // take either for a missing command.
  if (const auto word = CommandWordAt(args)) {
    const std::string& name = args[*word];
    if (name == "help") {
      const std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(*word) + 1, args.end());
      const auto asked = CommandWordAt(rest);
      if (!asked) {
        out << app.help();
        return kDone;
      }
      if (!FindCommand(rest[*asked])) return UnknownCommand(rest[*asked], err);
      out << app.get_subcommand(rest[*asked])->help();
      return kDone;
    }
    if (!FindCommand(name)) return UnknownCommand(name, err);
  }

  // CLI11 takes its arguments from the back of the vector, as it would from argv.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return kDone;
  } catch (const CLI::CallForVersion& version) {
    out << version.what() << "\n";
    return kDone;
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) {
      out << app.help();
      return kDone;
    }
    // One line, and where the whole usage is.
    std::string command;
    for (const CLI::App* sub : app.get_subcommands()) command = sub->get_name() + " ";
    err << Say(CliRunHelp{Say(CliError{error.what()}), command}) << "\n";
    return kUsage;
  }

  ChosenDevice() = device == "cart" ? backup_ram::Device::kCart : backup_ram::Device::kInternal;
  ChosenBlockSize() = blockSize;
  for (const auto& [subcommand, run] : commands) {
    if (subcommand->parsed()) return run(out, err);
  }
  return kUsage;
}

}  // namespace quillmere::cli
