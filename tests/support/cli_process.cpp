#include "support/cli_process.h"

#include "platform/file_io.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace quillmere::testing {

namespace fs = std::filesystem;

fs::path CliProcess::Program() {
  // The test programs are built into tests/ under the build folder, the tool into the build folder.
#ifdef _WIN32
  return platform::ProgramDirectory().parent_path() / "quillmere-cli.exe";
#else
  return platform::ProgramDirectory().parent_path() / "quillmere-cli";
#endif
}

#ifdef _WIN32
CliProcess::CliProcess(const std::vector<std::string>& args, const fs::path& errFile) : errFile_(errFile) {
  std::wstring line = L"\"" + Program().native() + L"\"";
  for (const std::string& arg : args) line += L" \"" + platform::PathFromUtf8(arg).native() + L"\"";
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE err = CreateFileW(errFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = err;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    CloseHandle(process.hThread);
    handle_ = reinterpret_cast<long long>(process.hProcess);
  }
  CloseHandle(err);
}

int CliProcess::Wait() {
  if (handle_ == -1) return status_;
  const auto process = reinterpret_cast<HANDLE>(handle_);
  WaitForSingleObject(process, INFINITE);
  DWORD code = 0;
  if (GetExitCodeProcess(process, &code)) status_ = static_cast<int>(code);
  CloseHandle(process);
  handle_ = -1;
  return status_;
}
#else
CliProcess::CliProcess(const std::vector<std::string>& args, const fs::path& errFile) : errFile_(errFile) {
  const std::string program = Program().string();
  std::vector<std::string> texts{program};
  texts.insert(texts.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) handle_ = pid;
  posix_spawn_file_actions_destroy(&actions);
}

int CliProcess::Wait() {
  if (handle_ == -1) return status_;
  int status = 0;
  if (::waitpid(static_cast<pid_t>(handle_), &status, 0) == handle_ && WIFEXITED(status)) status_ = WEXITSTATUS(status);
  handle_ = -1;
  return status_;
}
#endif

CliProcess::~CliProcess() { Wait(); }

std::string CliProcess::Err() const {
  const platform::Bytes bytes = platform::ReadWholeFile(errFile_);
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace quillmere::testing
