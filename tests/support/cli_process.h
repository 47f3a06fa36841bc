#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace quillmere::testing {

// The real quillmere-cli program of this build, run as a process of its own
// (tests/support/cli_run.h runs it in-process). Its standard error goes to a
// file, read by Wait.
class CliProcess {
 public:
  CliProcess(const std::vector<std::string>& args, const std::filesystem::path& errFile);
  ~CliProcess();
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  // Waits for the program to end; its exit status (-1 when it did not start or was killed).
  int Wait();
  // What it wrote to its standard error; after Wait.
  std::string Err() const;

  // quillmere-cli beside the folder of the test programs.
  static std::filesystem::path Program();

 private:
  std::filesystem::path errFile_;
  long long handle_ = -1;  // the pid, or the process handle on Windows
  int status_ = -1;
};

}  // namespace quillmere::testing
