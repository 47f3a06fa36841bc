#pragma once

#include <functional>
#include <ostream>

namespace CLI {
class App;
class Validator;
}

// The commands of quillmere-cli. Each adds its arguments and options to its
// subcommand and returns its run, bound to what the parse fills in.
namespace quillmere::cli {

// Runs the parsed command: results to `out`, messages to `err`; the exit status.
using CommandRun = std::function<int(std::ostream& out, std::ostream& err)>;

// --row's values: rows count from 1, as list prints them, so 0 is a usage error.
const CLI::Validator& RowNumber();
// --version N's values: versions count from 1, as history numbers them.
const CLI::Validator& VersionNumber();

struct Command {
  const char* name;
  const char* description;
  CommandRun (*define)(CLI::App& command);
};

// The commands that leave their container file as it is (read_commands.cpp).
CommandRun DefineList(CLI::App& command);
CommandRun DefineShow(CLI::App& command);
CommandRun DefineConvert(CLI::App& command);
CommandRun DefineExport(CLI::App& command);
CommandRun DefineCheck(CLI::App& command);
CommandRun DefineMap(CLI::App& command);

// The commands that change a container file, under its lock (write_commands.cpp).
CommandRun DefineImport(CLI::App& command);
CommandRun DefineTransfer(CLI::App& command);
CommandRun DefineCompact(CLI::App& command);
CommandRun DefineDelete(CLI::App& command);
CommandRun DefineRepair(CLI::App& command);
CommandRun DefineClear(CLI::App& command);
CommandRun DefineFormat(CLI::App& command);

// The versions each write keeps, and putting one back (history_commands.cpp).
CommandRun DefineHistory(CLI::App& command);
CommandRun DefineRestore(CLI::App& command);

}  // namespace quillmere::cli
