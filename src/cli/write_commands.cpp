#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <set>

#include "catalog/catalog.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/console_host.h"
#include "containers/backup_ram.h"
#include "containers/backup_ram_write.h"
#include "containers/container_opener.h"
#include "containers/mems_image.h"
#include "containers/save_file.h"
#include "containers/save_file_write.h"
#include "model/conversions.h"
#include "operations/compacting.h"
#include "operations/file_writes.h"
#include "operations/image_care.h"
#include "operations/pane_load.h"
#include "platform/file_io.h"

// The commands that change a container file. Each holds the file's lock from
// its read to its write.
namespace quillmere::cli {

namespace fs = std::filesystem;

namespace {

struct ImportOptions {
  std::string image;
  std::vector<std::string> singles;
  std::string kind;
  bool overwrite = false;
  int pane = 1;
  std::string game;
};

// Imports as a transfer does: no questions, a listed name is skipped unless
// --overwrite, and the image is written once at the end.
int Import(const ImportOptions& options, std::ostream& err) {
  const auto lock = LockForWriting(platform::PathFromUtf8(options.image), err);
  if (!lock) return kFailed;
  ConsoleHost host(err);
  Workbench bench(CurrentFolder(), host);
  if (const int status = OpenWritablePane(bench, options.pane, options.image, options.kind, options.game, true, err);
      status != kDone) {
    return status;
  }
  if (!DeviceFound({bench.pane(options.pane).form}, options.image, err)) return kFailed;
  bench.state.interactive = false;
  bench.overwriteOnTransfer = options.overwrite;
  bench.pane(options.pane).holdWrites = true;
  int status = kDone;
  std::vector<ImportResult> results;
  for (const std::string& single : options.singles) {
    bench.state.transferPath = platform::PathFromUtf8(single);
    results.push_back(ImportSingleSave(bench, options.pane));
    if (!ImportDone(results.back(), err)) status = kFailed;
  }
  if (!WriteHeldChanges(bench, options.pane)) return kFailed;
  AnnounceNewGames(results, err);
  return status;
}

struct TransferOptions {
  std::string source;
  std::string image;
  std::vector<int> rows;
  bool all = false;
  std::string kind;
  bool overwrite = false;
  std::string out;
  std::string game;
};

int Transfer(const TransferOptions& options, std::ostream& err) {
  const auto lock = LockForWriting(platform::PathFromUtf8(options.image), err);
  if (!lock) return kFailed;
  ConsoleHost host(err);
  Workbench bench(CurrentFolder(), host);
  bench.sarooFolder = OutFolder(options.out, singlesave::kSarooFolderName);
  if (const int status = OpenPane(bench, 1, options.source, options.kind, err); status != kDone) return status;
  if (const int status = OpenWritablePane(bench, 2, options.image, "", options.game, true, err); status != kDone) {
    return status;
  }
  if (!DeviceFound({bench.pane(1).form, bench.pane(2).form}, options.source, err)) return kFailed;
  const auto rows = PickRows(options.rows, options.all, bench.pane(1), options.source, err);
  if (!rows) return kFailed;
  bench.pane(1).selection = *rows;
  bench.overwriteOnTransfer = options.overwrite;

  const TransferReport report = TransferSaves(bench, 1, 2);
  int status = report.writeFailed || rows->empty() ? kFailed : kDone;
  for (std::size_t i = 0; i < report.imports.size(); ++i) {
    if (report.exports[i].outcome != ExportOutcome::kWritten || !ImportDone(report.imports[i], err)) status = kFailed;
  }
  if (!report.writeFailed) AnnounceNewGames(report.imports, err);
  return status;
}

struct ImageOptions {
  std::string image;
  std::string kind;
};

// Opens an image that only SS_MEMS.BIN commands change; kDone when it is one.
int OpenMemsImage(Workbench& bench, const ImageOptions& options, std::ostream& err) {
  if (const int status = OpenPane(bench, 1, options.image, options.kind, err, Access::kWrite); status != kDone) {
    return status;
  }
  if (bench.pane(1).kind == ContainerKind::kMems) return kDone;
  err << catalog::Render({TextId::kOnlyForMems, {options.image}, {}}) << "\n";
  return kFailed;
}

// Compacts as the window's "整理" does; an image without saves is left alone.
int Compact(const ImageOptions& options, std::ostream& err) {
  const auto lock = LockForWriting(platform::PathFromUtf8(options.image), err);
  if (!lock) return kFailed;
  ConsoleHost host(err);
  Workbench bench(CurrentFolder(), host);
  if (const int status = OpenMemsImage(bench, options, err); status != kDone) return status;
  const CompactOutcome outcome = CompactPane(bench, 1);
  return outcome == CompactOutcome::kCompacted || outcome == CompactOutcome::kNothing ? kDone : kFailed;
}

struct DeleteOptions {
  std::string image;
  std::string kind;
  std::vector<int> rows;
  std::vector<std::string> names;
  std::string game;
};

int Delete(const DeleteOptions& options, std::ostream& err) {
  const auto lock = LockForWriting(platform::PathFromUtf8(options.image), err);
  if (!lock) return kFailed;
  ConsoleHost host(err);
  Workbench bench(CurrentFolder(), host);
  if (const int status = OpenWritablePane(bench, 1, options.image, options.kind, options.game, false, err);
      status != kDone) {
    return status;
  }
  if (!DeviceFound({bench.pane(1).form}, options.image, err)) return kFailed;
  Pane& pane = bench.pane(1);
  auto rows = PickRows(options.rows, false, pane, options.image, err);
  if (!rows) return kFailed;
  // In SS_SAVE.BIN a name is looked for in the game --game names, and must
  // not stand for saves of several games without it.
  const bool byGame = !bench.state.targetGame.empty();
  const int game = byGame ? save_file::FindGame(pane.image, bench.state.targetGame).value_or(-1) : 0;
  for (const std::string& name : options.names) {
    const std::size_t before = rows->size();
    std::set<int> areas;
    for (std::size_t r = 0; r < pane.rows.size(); ++r) {
      const SaveRecord& record = pane.RecordOfRow(r);
      if (DecodeName(record.nameField) != name || (byGame && record.area != game)) continue;
      rows->push_back(static_cast<int>(r));
      areas.insert(record.area);
    }
    if (rows->size() == before) {
      Say(err, TextId::kCliNoSaveNamed, {options.image, name});
      return kFailed;
    }
    if (areas.size() > 1) {
      Say(err, TextId::kCliNameInGames, {options.image, name});
      return kFailed;
    }
  }
  pane.selection = *rows;
  bench.state.interactive = false;
  return DeleteSaves(bench, 1) == CareOutcome::kDone ? kDone : kFailed;
}

int Repair(const ImageOptions& options, std::ostream& out, std::ostream& err) {
  // The report is printed line by line below; the window's summary box is not.
  class ReportHost : public ConsoleHost {
   public:
    using ConsoleHost::ConsoleHost;
    void ShowMessage(const Message& message) override {
      const bool summary = message.id == TextId::kRepairDone || message.id == TextId::kCannotRepair ||
                           message.id == TextId::kNothingToRepair;
      if (!summary) ConsoleHost::ShowMessage(message);
    }
  };
  const auto lock = LockForWriting(platform::PathFromUtf8(options.image), err);
  if (!lock) return kFailed;
  ReportHost host(err);
  Workbench bench(CurrentFolder(), host);
  if (const int status = OpenPane(bench, 1, options.image, options.kind, err, Access::kWrite); status != kDone) {
    return status;
  }
  // A backup memory has no allocation record: its saves are their own record.
  if (!bench.pane(1).Repairable()) {
    err << catalog::Render({TextId::kRepairNotForMemory, {options.image}, {}}) << "\n";
    return kFailed;
  }
  bench.state.interactive = false;
  const RepairResult result = RepairPane(bench, 1);
  if (result.outcome == CareOutcome::kWriteFailed) return kFailed;
  for (const Message& line : result.repair.mended) Say(out, TextId::kCliMended, {catalog::Render(line)});
  for (const std::string& line : catalog::ProblemLines(result.repair.remaining, kCheckedProblemLimit)) {
    Say(out, TextId::kCliRemains, {line});
  }
  return result.repair.remaining.empty() ? kDone : kFailed;
}

// The clearing step of a refresh with "刷新时清空未使用区域" checked, on an
// SS_MEMS.BIN image: silent, and the file is rewritten only when something
// needed clearing.
int Clear(const ImageOptions& options, std::ostream& err) {
  const NamedReading named = ReadingOf(options.image, options.kind, err);
  if (named.status != kDone) return named.status;
  const fs::path file = platform::PathFromUtf8(options.image);
  // The clearing step takes the lock itself, only when it has something to
  // write, and writes only an SS_MEMS.BIN whose opening left no doubt, still
  // the one it read.
  const PaneLoad load = LoadContainerFile(file, ShownCommentBytes(ContainerKind::kMems, 1), true, named.reading);
  std::optional<Message> refusal = load.refusal;
  if (!refusal && load.kind != ContainerKind::kMems) refusal = Message{TextId::kOnlyForMems, {options.image}, {}};
  if (!refusal) refusal = load.writeRefusal;
  if (refusal) err << catalog::Render(*refusal) << "\n";
  if (load.failedWrite) err << catalog::Render(*load.failedWrite) << "\n";
  return refusal || load.failedWrite ? kFailed : kDone;
}

// The empty file --like asks for: a named form, or the form of an existing
// memory file; nothing, after a message, for anything else.
std::optional<ByteBuffer> EmptyFileLike(const std::string& like, std::ostream& err) {
  std::optional<backup_ram::NamedMemoryForm> shape = backup_ram::FindNamedMemoryForm(like);
  const fs::path path = platform::PathFromUtf8(like);
  if (!shape && platform::FileExists(path)) {
    platform::FileContents contents = platform::ReadFileChecked(path);
    if (contents.ok()) {
      // A file of two memories is made like its cartridge.
      const OpenOutcome outcome =
          OpenContainer(ByteBuffer(std::move(contents.bytes)), {platform::PathToUtf8(path.filename()), std::nullopt,
                                                                std::nullopt, backup_ram::Device::kCart, ChosenBlockSize()});
      const auto* opened = std::get_if<OpenedContainer>(&outcome);
      if (opened && opened->IsBackupMemory()) shape = backup_ram::ShapeOf(opened->memory, opened->geometry);
    }
  }
  if (!shape) {
    std::string names;
    for (const backup_ram::NamedMemoryForm& form : backup_ram::NamedMemoryForms()) {
      names += (names.empty() ? "" : ", ") + std::string(form.name);
    }
    Say(err, TextId::kCliUnknownForm, {like, names});
    return std::nullopt;
  }
  return backup_ram::EmptyMemoryFile(shape->form, shape->geometry);
}

// A new, empty container of the kind --kind or the name says, exactly as
// the SAROO and the console make them, or of the form --like names; an
// existing file is never replaced.
// Whether two kinds are one container's: the console's two memories are alike.
bool SameContainer(ContainerKind a, ContainerKind b) {
  auto memory = [](ContainerKind kind) { return kind == ContainerKind::kBkram || kind == ContainerKind::kBup; };
  return a == b || (memory(a) && memory(b));
}

// Formats the memory --device chooses in an existing file, only when it is
// unformatted: the other memory of a file of two, and everything else the
// file holds, stay byte for byte. A memory that holds anything the console
// reads as formatted is never formatted over.
int FormatExisting(const std::string& image, const std::string& kindOption, std::ostream& err) {
  ConsoleHost host(err);
  Workbench bench(CurrentFolder(), host);
  if (const int status = OpenPane(bench, 1, image, kindOption, err); status != kDone) return status;
  Pane& pane = bench.pane(1);
  if (!DeviceFound({pane.form}, image, err)) return kFailed;
  const auto is = [](TextId id) { return [id](const Problem& problem) { return problem.id == id; }; };
  const std::vector<Problem>& found = pane.openingProblems;
  if (std::none_of(found.begin(), found.end(), is(TextId::kProblemUnformatted))) {
    Say(err, TextId::kCliFormatExists, {image});
    return kFailed;
  }
  // Whatever else kept writers away still does: a short memory, a damaged stream.
  const bool otherDoubt = std::any_of(found.begin(), found.end(), [](const Problem& problem) {
    return problem.severity == Severity::kFatal && problem.id != TextId::kProblemUnformatted;
  });
  if (otherDoubt) {
    err << catalog::Render(*pane.writeRefusal) << "\n";
    return kFailed;
  }
  pane.image = backup_ram::EmptyBackupRam(pane.geometry);
  pane.writeRefusal.reset();
  return WritePaneImage(bench, 1) ? kDone : kFailed;
}

int Format(const std::string& image, const std::string& kindOption, const std::string& like, std::ostream& err) {
  const fs::path file = platform::PathFromUtf8(image);
  std::optional<ByteBuffer> likeEmpty;
  if (!like.empty() && !(likeEmpty = EmptyFileLike(like, err))) return kUsage;
  const auto named = ParseKindOption(kindOption, err);
  if (!named) return kUsage;
  std::error_code ec;
  if (!likeEmpty && fs::exists(file, ec)) {
    const auto lock = LockForWriting(file, err);
    return lock ? FormatExisting(image, kindOption, err) : kFailed;
  }
  const auto byName = ContainerKindFromFileName(platform::PathToUtf8(file.filename()));
  const std::optional<ContainerKind> kind = likeEmpty ? ContainerKind::kBkram : named->kind ? named->kind : byName;
  if (!kind) {
    Say(err, TextId::kCliUnknownKindOfFile, {image});
    return kUsage;
  }
  // A container's name is kept to what it holds: no memory in an SS_MEMS.BIN.
  if (byName && !SameContainer(*byName, *kind)) {
    const std::string said = likeEmpty ? "--like " + like : "--kind " + kindOption;
    err << catalog::Render({TextId::kFormatContradictsName, {image, said}, {}}) << "\n";
    return kFailed;
  }
  const auto lock = LockForWriting(file, err, true);
  if (!lock) return kFailed;
  if (fs::exists(file, ec)) {
    Say(err, TextId::kCliFormatExists, {image});
    return kFailed;
  }
  ConsoleHost host(err);
  const ByteBuffer empty = likeEmpty                                           ? *likeEmpty
                           : *kind == ContainerKind::kMems                     ? mems::EmptyMemsImage()
                           : *kind == ContainerKind::kSave                     ? save_file::EmptySaveFile()
                           : named->layout == backup_ram::RamLayout::kPacked ? backup_ram::EmptyBackupRam()
                                                                               : backup_ram::EmptyInternalBackupRamFile();
  return WriteFileOrReport(host, file, empty) ? kDone : kFailed;
}

constexpr const char* kContainerFiles = "SS_MEMS.BIN, BKRAMSV.BIN, SS_BUP.BIN, SS_SAVE.BIN or an emulator's backup memory";
constexpr const char* kKindHelp = "mems, bkram, bup, save or packed (default: from the name and the content)";

}  // namespace

CommandRun DefineImport(CLI::App& command) {
  auto options = std::make_shared<ImportOptions>();
  command.add_option("IMAGE", options->image, kContainerFiles)->required();
  command.add_option("SINGLE", options->singles, "SAROO, .SRO or .BUP single-save files")->required();
  command.add_option("--kind", options->kind, kKindHelp);
  command.add_flag("--overwrite", options->overwrite, "replace a listed save of the same name");
  command.add_option("--game", options->game, "SS_SAVE.BIN: the game whose area takes the saves (its ID, as T-1809G)");
  command.add_option("--pane", options->pane, "write as pane 1 or pane 2 does")->check(CLI::IsMember({1, 2}));
  return [options](std::ostream&, std::ostream& err) { return Import(*options, err); };
}

CommandRun DefineTransfer(CLI::App& command) {
  auto options = std::make_shared<TransferOptions>();
  command.add_option("SOURCE", options->source, kContainerFiles)->required();
  command.add_option("IMAGE", options->image, "the container file that receives them")->required();
  CLI::Option* row = command.add_option("--row", options->rows, "rows to transfer, from 1 as list prints them");
  CLI::Option* all = command.add_flag("--all", options->all, "transfer every save");
  row->excludes(all);
  command.add_option("--kind", options->kind, "the kind of SOURCE: mems, bkram, bup, save or packed (default: from its name and content)");
  command.add_flag("--overwrite", options->overwrite, "replace listed saves of the same name");
  command.add_option("--game", options->game, "SS_SAVE.BIN: the game whose area takes the saves");
  command.add_option("--out", options->out, "folder for the single saves (default: ./SAROO)");
  return [options, row](std::ostream&, std::ostream& err) {
    if (!row->count() && !options->all) {
      Say(err, TextId::kCliGiveRowOrAll);
      return kUsage;
    }
    return Transfer(*options, err);
  };
}

// The SS_MEMS.BIN commands, and repair, name one image and may name its kind.
static std::shared_ptr<ImageOptions> DefineImage(CLI::App& command, const char* what) {
  auto options = std::make_shared<ImageOptions>();
  command.add_option("IMAGE", options->image, what)->required();
  command.add_option("--kind", options->kind, kKindHelp);
  return options;
}

CommandRun DefineCompact(CLI::App& command) {
  auto options = DefineImage(command, "an SS_MEMS.BIN image");
  return [options](std::ostream&, std::ostream& err) { return Compact(*options, err); };
}

CommandRun DefineDelete(CLI::App& command) {
  auto options = std::make_shared<DeleteOptions>();
  command.add_option("IMAGE", options->image, kContainerFiles)->required();
  CLI::Option* row = command.add_option("--row", options->rows, "rows to delete, from 1 as list prints them");
  CLI::Option* name = command.add_option("--name", options->names, "delete every save of this name");
  command.add_option("--kind", options->kind, kKindHelp);
  command.add_option("--game", options->game, "SS_SAVE.BIN: look for the names in this game's area only");
  return [options, row, name](std::ostream&, std::ostream& err) {
    if (!row->count() && !name->count()) {
      Say(err, TextId::kCliGiveRowOrName);
      return kUsage;
    }
    return Delete(*options, err);
  };
}

CommandRun DefineRepair(CLI::App& command) {
  auto options = DefineImage(command, "an SS_MEMS.BIN image or an SS_SAVE.BIN");
  return [options](std::ostream& out, std::ostream& err) { return Repair(*options, out, err); };
}

CommandRun DefineClear(CLI::App& command) {
  auto options = DefineImage(command, "an SS_MEMS.BIN image");
  return [options](std::ostream&, std::ostream& err) { return Clear(*options, err); };
}

CommandRun DefineFormat(CLI::App& command) {
  struct FormatOptions {
    std::string image;
    std::string kind;
    std::string like;
  };
  auto options = std::make_shared<FormatOptions>();
  command.add_option("IMAGE", options->image, "the file to create")->required();
  command.add_option("--kind", options->kind, "mems, bkram, bup, save or packed (default: from the file name)");
  command.add_option("--like", options->like,
                     "an emulator's form (mednafen-bkr, mednafen-bcr, beetle-bcr, ymir-int, ymir-ext-4M, yabause, "
                     "yabasanshiro, mister, mister-cart), or an existing file whose form to copy");
  return [options](std::ostream&, std::ostream& err) { return Format(options->image, options->kind, options->like, err); };
}

}  // namespace quillmere::cli
