#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <memory>

#include "catalog/catalog.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "operations/history.h"
#include "operations/pane_load.h"
#include "platform/file_io.h"

// history lists the versions a file's writes kept; restore puts one back.
namespace quillmere::cli {

namespace fs = std::filesystem;
namespace history = platform::history;
using nlohmann::ordered_json;

namespace {

struct HistoryOptions {
  std::string file;
  int version = 1;
  bool json = false;
};

// The file as it is now: its bytes and its saves (none when it is gone or
// no container).
struct Now {
  ByteBuffer bytes;
  history::Saves saves;
};
Now FileNow(const fs::path& file) {
  Now now;
  platform::FileContents contents = platform::ReadFileChecked(file);
  if (!contents.ok()) return now;
  now.bytes = ByteBuffer(std::move(contents.bytes));
  now.saves = SavesInFile(file, now.bytes);
  return now;
}

int History(const HistoryOptions& options, std::ostream& out, std::ostream& err) {
  const fs::path file = platform::PathFromUtf8(options.file);
  if (!RegularOrMissing(file, err)) return kFailed;
  const history::FileHistory kept = history::Read(file);
  if (kept.state == history::IndexState::kOff) {
    Say(err, HistoryOff{});
    return kFailed;
  }
  if (kept.state == history::IndexState::kDamaged) {
    Say(err, HistoryIndexDamaged{platform::PathToUtf8(kept.index)});
    return kFailed;
  }
  const Now now = FileNow(file);
  const bool elsewhere = platform::FileExists(file) && ChangedElsewhere(kept, now.bytes);
  if (elsewhere) Say(err, HistoryChangedElsewhere{options.file});
  if (kept.versions.empty() && !options.json) Say(err, HistoryNone{options.file});

  ordered_json versions = ordered_json::array();
  if (!options.json && !kept.versions.empty()) Print(out, CliText::kCliHistoryHeader);
  for (std::size_t number = 1; number <= kept.versions.size(); ++number) {
    const history::Version& version = kept.versions[kept.versions.size() - number];
    const NameDifference difference = Differences(version.before.names, now.saves.names);
    if (options.json) {
      versions.push_back({{"version", number},
                          {"time", history::LocalTimeText(version.time)},
                          {"unixTime", version.time},
                          {"operation", version.operation},
                          {"saves", version.before.count},
                          {"names", version.before.names},
                          {"added", difference.added},
                          {"removed", difference.removed},
                          {"size", version.size}});
      continue;
    }
    const std::string differing = TextCell(difference.Text());
    out << number << "\t" << history::LocalTimeText(version.time) << "\t"
        << catalog::Render(OperationMessage(version.operation)) << "\t" << version.before.count << "\t" << differing
        << "\t" << version.size << "\n";
  }
  if (options.json) {
    out << Dump(ordered_json{{"file", options.file}, {"changedElsewhere", elsewhere}, {"versions", versions}}) << "\n";
  }
  return kDone;
}

int Restore(const HistoryOptions& options, std::ostream& err) {
  const fs::path file = platform::PathFromUtf8(options.file);
  if (!RegularOrMissing(file, err)) return kFailed;
  // What the restore would undo that Quillmere did not write.
  if (platform::FileExists(file)) {
    const history::FileHistory kept = history::Read(file);
    if (kept.state == history::IndexState::kRead && ChangedElsewhere(kept, FileNow(file).bytes)) {
      Say(err, HistoryChangedElsewhere{options.file});
    }
  }
  const RestoreOutcome outcome = RestoreVersion(file, options.version);
  if (outcome.said) Tell(err, *outcome.said);
  if (outcome.historyNote) Tell(err, *outcome.historyNote);
  if (!outcome.restored) return kFailed;
  Say(err, RestoreDone{options.file});
  return kDone;
}

}  // namespace

CommandRun DefineHistory(CLI::App& command) {
  auto options = std::make_shared<HistoryOptions>();
  command.add_option("FILE", options->file, "a container file Quillmere has written")->required();
  command.add_flag("--json", options->json, "print one JSON object");
  return [options](std::ostream& out, std::ostream& err) { return History(*options, out, err); };
}

CommandRun DefineRestore(CLI::App& command) {
  auto options = std::make_shared<HistoryOptions>();
  command.add_option("FILE", options->file, "a container file Quillmere has written")->required();
  command.add_option("--version", options->version, "the version to put back, as history numbers it (default: 1, "
                                                    "the file before its last write)")
      ->check(VersionNumber());
  return [options](std::ostream&, std::ostream& err) { return Restore(*options, err); };
}

}  // namespace quillmere::cli
