#include "cli/cli.h"

#include <CLI/CLI.hpp>

#include <array>
#include <utility>

#include "catalog/catalog.h"
#include "cli/cli_support.h"
#include "cli/commands.h"

namespace quillmere::cli {

namespace {

// In the order the help lists them.
constexpr std::array<Command, 13> kCommands = {{
    {"list", "List the saves of a container file", DefineList},
    {"show", "Show a single-save file as the converter lists it", DefineShow},
    {"convert", "Convert a single save between the SAROO, SSF, .BUP and .SRO forms", DefineConvert},
    {"export", "Export saves of a container file as SAROO single saves", DefineExport},
    {"import", "Import SAROO single saves into a container file", DefineImport},
    {"transfer", "Copy saves of a container file into an SS_MEMS.BIN image", DefineTransfer},
    {"compact", "Rebuild an SS_MEMS.BIN image with its saves in consecutive slots and clusters", DefineCompact},
    {"delete", "Delete saves from a container file", DefineDelete},
    {"check", "Check a container file's allocation records", DefineCheck},
    {"repair", "Rebuild an SS_MEMS.BIN image's bitmap and free count", DefineRepair},
    {"map", "Draw the allocation map of a container file", DefineMap},
    {"clear", "Clear the unused space of an SS_MEMS.BIN image, as a refresh with the box checked does", DefineClear},
    {"format", "Write a new, empty container file of the kind its name says", DefineFormat},
}};

}  // namespace

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

  // CLI11 takes its arguments from the back of the vector, as it would from argv.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return kDone;
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) {
      out << app.help();
      return kDone;
    }
    Say(err, TextId::kCliError, {std::string(error.what())});
    for (const CLI::App* sub : app.get_subcommands()) err << sub->help();
    if (app.get_subcommands().empty()) err << app.help();
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
