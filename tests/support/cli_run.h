#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace quillmere::testing {

// One run of the command-line tool, in-process.
struct CliRun {
  int status;
  std::string out;
  std::string err;
};

inline CliRun RunCliWith(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = cli::RunCli(args, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace quillmere::testing
