#include "cli/cli_support.h"

#include <CLI/CLI.hpp>

#include "catalog/catalog.h"
#include "containers/mems_image.h"
#include "containers/save_file.h"
#include "cli/commands.h"
#include "cli/console_host.h"
#include "operations/file_writes.h"
#include "operations/history.h"
#include "operations/pane_load.h"
#include "platform/file_io.h"

namespace quillmere::cli {

namespace fs = std::filesystem;

std::string TextCell(std::string_view cell) {
  static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
  std::string text;
  for (std::size_t i = 0; i < cell.size(); ++i) {
    const auto byte = static_cast<unsigned char>(cell[i]);
    if (byte < 0x20 || byte == 0x7F) {
      text += kReplacement;
    } else if (byte == 0xC2 && i + 1 < cell.size() && static_cast<unsigned char>(cell[i + 1]) <= 0x9F &&
               static_cast<unsigned char>(cell[i + 1]) >= 0x80) {
      text += kReplacement;  // U+0080-U+009F
      ++i;
    } else {
      text += cell[i];
    }
  }
  return text;
}

void Say(std::ostream& err, const Message& message) { err << ConsoleHost::Said(message); }
void Say(std::ostream& err, const CliPhrase& phrase) { err << ConsoleHost::Said(phrase); }
void Say(std::ostream& err, CliText line) { err << ConsoleHost::Said(line); }

void Print(std::ostream& out, const CliPhrase& phrase) { out << Say(phrase) << "\n"; }
void Print(std::ostream& out, CliText line) { out << Line(line) << "\n"; }

std::optional<KindOption> ParseKindOption(const std::string& option, std::ostream& err) {
  if (option.empty()) return KindOption{};
  if (option == "packed") return KindOption{ContainerKind::kBkram, backup_ram::RamLayout::kPacked};
  if (const auto kind = ContainerKindFromName(option)) return KindOption{kind, std::nullopt};
  Say(err, CliUnknownKind{option});
  return std::nullopt;
}

backup_ram::Device& ChosenDevice() {
  static backup_ram::Device device = backup_ram::Device::kInternal;
  return device;
}

std::optional<std::size_t>& ChosenBlockSize() {
  static std::optional<std::size_t> blockSize;
  return blockSize;
}

bool DeviceFound(const std::vector<backup_ram::MemoryFileForm>& forms, const std::string& file, std::ostream& err) {
  if (ChosenDevice() != backup_ram::Device::kCart) return true;
  for (const backup_ram::MemoryFileForm& form : forms) {
    if (form.twoMemories) return true;
  }
  Say(err, NoCartridge{file});
  return false;
}

fs::path CurrentFolder() {
  std::error_code ec;
  return fs::current_path(ec);
}

bool RegularOrMissing(const fs::path& file, std::ostream& err) {
  std::error_code ec;
  const fs::file_status status = fs::status(file, ec);
  if (!fs::exists(status) || fs::is_regular_file(status)) return true;
  Tell(err, {NotRegularFile{platform::PathToUtf8(file)}, {}});
  return false;
}

NamedReading ReadingOf(const std::string& file, const std::string& kindOption, std::ostream& err, bool kept) {
  const auto named = ParseKindOption(kindOption, err);
  if (!named) return {kUsage, {}};
  const fs::path path = platform::PathFromUtf8(file);
  if (!RegularOrMissing(path, err)) return {kFailed, {}};
  if (!kept && !platform::FileExists(path)) {
    Say(err, CliNoSuchFile{file});
    return {kFailed, {}};
  }
  return {kDone, {named->kind, named->layout, ChosenDevice(), ChosenBlockSize()}};
}

void Tell(std::ostream& err, const Message& message) { err << ConsoleHost::Said(message); }

int ReadKeptVersion(const std::string& file, int version, ByteBuffer& bytes, std::ostream& err) {
  const fs::path path = platform::PathFromUtf8(file);
  const VersionChoice choice = ChooseVersion(path, version);
  if (!choice.chosen) {
    Tell(err, *choice.said);
    return kFailed;
  }
  VersionRead read = ReadVersion(path, *choice.chosen, version);
  if (!read.bytes) {
    Tell(err, *read.said);
    return kFailed;
  }
  bytes = std::move(*read.bytes);
  return kDone;
}

void AddVersionOption(CLI::App& command, int& version) {
  command.add_option("--version", version, "read the file as it was before its N-th last write (see history)")
      ->check(VersionNumber());
}

int OpenFile(const std::string& file, const std::string& kindOption, Access access, PaneLoad& opened,
             std::ostream& err, int version) {
  NamedReading named = ReadingOf(file, kindOption, err, version > 0);
  if (named.status != kDone) return named.status;
  // A file nothing will write needs no stamp, which would read it once more.
  named.reading.listingOnly = access == Access::kRead;
  ByteBuffer kept;
  if (version > 0) {
    if (const int status = ReadKeptVersion(file, version, kept, err); status != kDone) return status;
    named.reading.contents = &kept;
  }
  opened = LoadContainerFile(platform::PathFromUtf8(file), false, named.reading);
  if (opened.refusal) {
    // A file of no kind the opener could tell is a usage error: --kind names it.
    Tell(err, *opened.refusal);
    return opened.kindUnknown ? kUsage : kFailed;
  }
  if (!opened.fileFound) {
    Say(err, CliNoSuchFile{file});
    return kFailed;
  }
  if (access == Access::kWrite && opened.writeRefusal) {
    Tell(err, *opened.writeRefusal);
    return kFailed;
  }
  return kDone;
}

int OpenWritableFile(const std::string& image, const std::string& kindOption, const std::string& gameOption,
                     bool needsGame, PaneLoad& opened, ByteBuffer& game, std::ostream& err) {
  if (const int status = OpenFile(image, kindOption, Access::kWrite, opened, err); status != kDone) return status;
  if (opened.kind != ContainerKind::kSave) return kDone;
  // One rule for the window's question and --game: a typo still adds a game
  // (the import says so), but no ID that no disc can carry.
  if (!gameOption.empty() && !save_file::IsValidGameId(gameOption)) {
    Say(err, GameIdInvalid{});
    return kUsage;
  }
  if (!gameOption.empty()) game = save_file::PadGameId(gameOption);
  if (needsGame && gameOption.empty()) {
    Say(err, CliGiveGame{image});
    return kUsage;  // an option missing, as a missing --row is
  }
  return kDone;
}

std::optional<platform::FileLock> LockForWriting(const fs::path& file, std::ostream& err, bool creates) {
  if (!RegularOrMissing(file, err)) return std::nullopt;
  if (!creates && !platform::FileExists(file)) return platform::FileLock{};
  platform::FileLock lock = platform::FileLock::Acquire(file);
  if (lock.status() == platform::LockStatus::kBusy) {
    Say(err, FileBusy{platform::PathToUtf8(file)});
    return std::nullopt;
  }
  return lock;
}

std::optional<std::vector<SaveRecord>> PickRows(const std::vector<int>& given, bool all, const Container& container,
                                                const std::string& file, std::ostream& err) {
  if (all) return container.records;
  std::vector<SaveRecord> picked;
  for (const int row : given) {
    if (row < 1 || static_cast<std::size_t>(row) > container.records.size()) {
      Say(err, CliNoSuchRow{file, container.records.size(), row});
      return std::nullopt;
    }
    picked.push_back(container.records[static_cast<std::size_t>(row - 1)]);
  }
  return picked;
}

fs::path OutFolder(const std::string& out, std::string_view fallback) {
  std::error_code ec;
  return out.empty() ? fs::current_path(ec) / platform::PathFromUtf8(std::string(fallback)) : platform::PathFromUtf8(out);
}

void AnnounceNewGames(const std::vector<ImportResult>& results, std::ostream& err) {
  for (const ImportResult& result : results) {
    if (!result.newGame.empty()) Say(err, NewGameAdded{result.newGame});
  }
}

bool TellRunAndWrite(TransferReport& report, Container& target, WriteOperation operation, std::ostream& err) {
  bool done = true;
  bool placed = false;
  const std::vector<std::vector<Message>> said = SaidPerSave(report);
  for (std::size_t i = 0; i < report.imports.size(); ++i) {
    for (const Message& message : said[i]) Tell(err, message);
    const ImportResult& result = report.imports[i];
    const bool copied = i >= report.exports.size() || report.exports[i].outcome == ExportOutcome::kWritten;
    placed = placed || result.Placed();
    if (result.outcome == ImportOutcome::kSkipped) Say(err, CliSkipped{result.name});
    done = done && copied && (result.Placed() || result.outcome == ImportOutcome::kSkipped);
  }
  if (!placed) return done;
  const ContainerWrite write = WriteContainer(target, operation);
  report.writeFailed = !write.written;
  if (write.said) Tell(err, *write.said);
  if (write.historyNote) Tell(err, *write.historyNote);
  return done && write.written;
}

}  // namespace quillmere::cli
