#pragma once

#include <functional>
#include <ostream>

namespace CLI {
class App;
}

// The commands of quillmere-cli. Each adds its arguments and options to its
// subcommand and returns its run, bound to what the parse fills in.
namespace quillmere::cli {

// Runs the parsed command: results to `out`, messages to `err`; the exit status.
using CommandRun = std::function<int(std::ostream& out, std::ostream& err)>;

struct Command {
  const char* name;
  const char* description;
  CommandRun (*define)(CLI::App& command);
};

// Commands that read: list, show, convert, map, check.
CommandRun DefineList(CLI::App& command);
CommandRun DefineShow(CLI::App& command);
CommandRun DefineConvert(CLI::App& command);
CommandRun DefineMap(CLI::App& command);
CommandRun DefineCheck(CLI::App& command);

// Commands that write a container: export's single saves aside, these lock it.
CommandRun DefineExport(CLI::App& command);
CommandRun DefineImport(CLI::App& command);
CommandRun DefineTransfer(CLI::App& command);
CommandRun DefineCompact(CLI::App& command);
CommandRun DefineDelete(CLI::App& command);
CommandRun DefineRepair(CLI::App& command);
CommandRun DefineClear(CLI::App& command);
CommandRun DefineFormat(CLI::App& command);

}  // namespace quillmere::cli
