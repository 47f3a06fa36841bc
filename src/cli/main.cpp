#include <iostream>

#include "cli/cli.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After windows.h, which it needs.
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <string>

namespace {

std::string WideToUtf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  out.resize(static_cast<std::size_t>(size - 1));
  return out;
}

// The CLI takes UTF-8 arguments everywhere. Windows hands `main` the
// arguments in the ANSI code page, which loses a Japanese folder name on a
// Chinese system, so they are read wide and converted.
std::vector<std::string> Utf8Arguments() {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return args;
  for (int i = 1; i < count; ++i) args.push_back(WideToUtf8(wide[i]));
  LocalFree(wide);
  return args;
}

// Output is UTF-8, byte for byte what the other systems print: the console
// is told so, and no "\n" becomes "\r\n" (the messages carry their own).
class Utf8Console {
 public:
  Utf8Console() : previousCodePage_(GetConsoleOutputCP()) {
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
  }
  ~Utf8Console() {
    std::cout.flush();
    std::cerr.flush();
    if (previousCodePage_ != 0) SetConsoleOutputCP(previousCodePage_);
  }
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

 private:
  UINT previousCodePage_;
};

}  // namespace

int main() {
  const Utf8Console console;
  return quillmere::cli::RunCli(Utf8Arguments(), std::cout, std::cerr);
}

#else

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return quillmere::cli::RunCli(args, std::cout, std::cerr);
}

#endif
