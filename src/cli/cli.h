#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quillmere::cli {

// Runs `quillmere-cli` with `args` (without the program name). Results go to
// `out`, the program's messages and errors to `err`. Returns the exit status:
// 0 done, 1 failed or refused, 2 usage error.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Each command's name and the long names of its options ("--kind"), in the
// order the help lists them: what the manual page must describe.
struct CommandSummary {
  std::string name;
  std::vector<std::string> options;
};
std::vector<CommandSummary> CommandSummaries();

}  // namespace quillmere::cli
