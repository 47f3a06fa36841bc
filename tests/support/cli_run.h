#pragma once

#include <gtest/gtest.h>

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

// `printed` holds `expected`; when nothing is expected, nothing was printed.
inline ::testing::AssertionResult Prints(const std::string& printed, const std::string& expected) {
  const bool ok = expected.empty() ? printed.empty() : printed.find(expected) != std::string::npos;
  if (ok) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "printed \"" << printed << "\", expected "
                                       << (expected.empty() ? "nothing" : "\"" + expected + "\"");
}

inline CliRun RunCliWith(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = cli::RunCli(args, out, err);
  return {status, out.str(), err.str()};
}

// The same run with --language en: for tests that read English words.
inline CliRun RunCliInEnglish(std::vector<std::string> args) {
  args.insert(args.end(), {"--language", "en"});
  return RunCliWith(args);
}

}  // namespace quillmere::testing
