#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

// The file names one export or transfer writes its single saves under.
namespace quillmere {

// Within one run, a later save never takes a file name an earlier one took,
// in any letter case (FAT, Windows and macOS do not tell "Abc" from "ABC"),
// and no save is ever written onto a container file: neither the files the
// operation reads and writes, nor any file named like a container. Such a
// save takes the first free "NAME~2.bin", "NAME~3.bin", … instead. A file
// left by an earlier run is still replaced.
class ExportNames {
 public:
  // Starts a new run that must never write onto `protectedFiles` (its source
  // and its target); the names taken so far are forgotten.
  void StartRun(std::vector<std::filesystem::path> protectedFiles);
  // The path to write instead of `wanted` (folder / "NAME.ext"), now taken.
  std::filesystem::path Claim(const std::filesystem::path& wanted);

 private:
  bool Free(const std::filesystem::path& candidate) const;

  std::set<std::string> taken_;  // folder and lower-cased name of every path claimed in this run
  std::vector<std::filesystem::path> protected_;
};

}  // namespace quillmere
