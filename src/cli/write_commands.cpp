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
#include "operations/file_writes.h"
#include "operations/pane_load.h"
#include "operations/save_steps.h"
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
  PaneLoad target;
  ImportPolicy policy;
  if (const int status = OpenWritableFile(options.image, options.kind, options.game, true, target, policy.game, err);
      status != kDone) {
    return status;
  }
  if (!DeviceFound({target.form}, options.image, err)) return kFailed;
  policy.sameName = options.overwrite ? SameName::kReplace : SameName::kSkip;
  policy.listNumber = options.pane;
  std::vector<fs::path> files;
  for (const std::string& single : options.singles) files.push_back(platform::PathFromUtf8(single));
  TransferReport report = ImportFiles(target, files, policy, nullptr);
  const bool done = TellRunAndWrite(report, target, WriteOperation::kImport, err);
  if (!report.writeFailed) AnnounceNewGames(report.imports, err);
  return done ? kDone : kFailed;
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
  int version = 0;  // --version N: SOURCE as it was
};

int Transfer(const TransferOptions& options, std::ostream& err) {
  const auto lock = LockForWriting(platform::PathFromUtf8(options.image), err);
  if (!lock) return kFailed;
  PaneLoad source;
  if (const int status = OpenFile(options.source, options.kind, Access::kRead, source, err, options.version); status != kDone) {
    return status;
  }
  PaneLoad target;
  ImportPolicy policy;
  if (const int status = OpenWritableFile(options.image, "", options.game, true, target, policy.game, err);
      status != kDone) {
    return status;
  }
  if (!DeviceFound({source.form, target.form}, options.source, err)) return kFailed;
  const auto saves = PickRows(options.rows, options.all, source, options.source, err);
  if (!saves) return kFailed;
  if (saves->empty()) {
    Say(err, NothingSelectedToTransfer{});
    return kFailed;
  }
  policy.sameName = options.overwrite ? SameName::kReplace : SameName::kSkip;
  policy.listNumber = 2;  // the list a transfer writes into
  ExportRun copies({OutFolder(options.out, singlesave::kSarooFolderName), {}, {}}, {source.file, target.file});
  TransferReport report = TransferSaves(source, *saves, target, policy, copies, nullptr);
  const bool done = TellRunAndWrite(report, target, WriteOperation::kTransfer, err);
  if (!report.writeFailed) AnnounceNewGames(report.imports, err);
  return done ? kDone : kFailed;
}

struct ImageOptions {
  std::string image;
  std::string kind;
};

// Opens an image that only SS_MEMS.BIN commands change; kDone when it is one.
int OpenMemsImage(const ImageOptions& options, PaneLoad& image, std::ostream& err) {
  if (const int status = OpenFile(options.image, options.kind, Access::kWrite, image, err); status != kDone) {
    return status;
  }
  if (image.kind == ContainerKind::kMems) return kDone;
  Say(err, OnlyForMems{options.image});
  return kFailed;
}

// Writes a changed container once; false, after the reason, when it was not.
bool WriteChanged(Container& container, WriteOperation operation, std::ostream& err) {
  const ContainerWrite write = WriteContainer(container, operation);
  if (write.said) Tell(err, *write.said);
  if (write.historyNote) Tell(err, *write.historyNote);
  return write.written;
}

// Compacts as the window's "整理" does; an image without saves is left alone.
int Compact(const ImageOptions& options, std::ostream& err) {
  const auto lock = LockForWriting(platform::PathFromUtf8(options.image), err);
  if (!lock) return kFailed;
  PaneLoad image;
  if (const int status = OpenMemsImage(options, image, err); status != kDone) return status;
  const CompactResult result = quillmere::Compact(image, image.records, nullptr);
  if (result.reason) Tell(err, *result.reason);
  if (result.outcome == CompactOutcome::kNothing) return kDone;
  if (result.outcome != CompactOutcome::kCompacted || !WriteChanged(image, WriteOperation::kCompact, err)) return kFailed;
  Say(err, CompactDone{});
  return kDone;
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
  PaneLoad image;
  ByteBuffer game;
  if (const int status = OpenWritableFile(options.image, options.kind, options.game, false, image, game, err);
      status != kDone) {
    return status;
  }
  if (!DeviceFound({image.form}, options.image, err)) return kFailed;
  auto saves = PickRows(options.rows, false, image, options.image, err);
  if (!saves) return kFailed;
  // In SS_SAVE.BIN a name is looked for in the game --game names, and must
  // not stand for saves of several games without it.
  const bool byGame = !game.empty();
  const int area = byGame ? save_file::FindGame(image.image, game).value_or(-1) : 0;
  for (const std::string& name : options.names) {
    const std::size_t before = saves->size();
    std::set<int> areas;
    for (const SaveRecord& record : image.records) {
      if (DecodeName(record.nameField) != name || (byGame && record.area != area)) continue;
      saves->push_back(record);
      areas.insert(record.area);
    }
    if (saves->size() == before) {
      Say(err, CliNoSaveNamed{options.image, name});
      return kFailed;
    }
    if (areas.size() > 1) {
      Say(err, CliNameInGames{options.image, name});
      return kFailed;
    }
  }
  // A save named twice (by row and by name) is deleted once.
  std::vector<std::size_t> offsets;
  for (const SaveRecord& record : *saves) offsets.push_back(record.offset);
  DeleteSaves(image, RecordsAt(image, offsets));
  return WriteChanged(image, WriteOperation::kDelete, err) ? kDone : kFailed;
}

int Repair(const ImageOptions& options, std::ostream& out, std::ostream& err) {
  const auto lock = LockForWriting(platform::PathFromUtf8(options.image), err);
  if (!lock) return kFailed;
  PaneLoad image;
  if (const int status = OpenFile(options.image, options.kind, Access::kWrite, image, err); status != kDone) {
    return status;
  }
  const RepairResult result = quillmere::Repair(image);
  if (result.refusal) {
    Tell(err, *result.refusal);
    return kFailed;
  }
  if (result.changed && !WriteChanged(image, WriteOperation::kRepair, err)) return kFailed;
  for (const Message& line : result.repair.mended) Print(out, CliMended{catalog::Render(line)});
  for (const std::string& line : catalog::ProblemLines(result.repair.remaining, kCheckedProblemLimit)) {
    Print(out, CliRemains{line});
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
  const PaneLoad load = LoadContainerFile(file, true, named.reading);
  if (!load.refusal && load.kind != ContainerKind::kMems) {
    Say(err, OnlyForMems{options.image});
    return kFailed;
  }
  const std::optional<Message> refusal = load.refusal ? load.refusal : load.writeRefusal;
  if (refusal) Tell(err, *refusal);
  if (load.failedWrite) Tell(err, *load.failedWrite);
  if (load.historyNote) Tell(err, *load.historyNote);
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
    Say(err, CliUnknownForm{like, names});
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
  PaneLoad memory;
  if (const int status = OpenFile(image, kindOption, Access::kReformat, memory, err); status != kDone) return status;
  if (!DeviceFound({memory.form}, image, err)) return kFailed;
  const auto unformatted = [](const Problem& problem) { return Is<ProblemUnformatted>(problem); };
  const std::vector<Problem>& found = memory.openingProblems;
  if (std::none_of(found.begin(), found.end(), unformatted)) {
    Say(err, CliFormatExists{image});
    return kFailed;
  }
  // Whatever else kept writers away still does: a short memory, a damaged stream.
  const bool otherDoubt = std::any_of(found.begin(), found.end(), [&](const Problem& problem) {
    return problem.severity == Severity::kFatal && !unformatted(problem);
  });
  if (otherDoubt) {
    Tell(err, *memory.writeRefusal);
    return kFailed;
  }
  memory.image = backup_ram::EmptyBackupRam(memory.geometry);
  memory.writeRefusal.reset();
  return WriteChanged(memory, WriteOperation::kFormat, err) ? kDone : kFailed;
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
    Say(err, CliUnknownKindOfFile{image});
    return kUsage;
  }
  // A container's name is kept to what it holds: no memory in an SS_MEMS.BIN.
  if (byName && !SameContainer(*byName, *kind)) {
    const std::string said = likeEmpty ? "--like " + like : "--kind " + kindOption;
    Say(err, FormatContradictsName{image, said});
    return kFailed;
  }
  const auto lock = LockForWriting(file, err, true);
  if (!lock) return kFailed;
  if (fs::exists(file, ec)) {
    Say(err, CliFormatExists{image});
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
  CLI::Option* row = command.add_option("--row", options->rows, "rows to transfer, from 1 as list prints them")->check(RowNumber());
  CLI::Option* all = command.add_flag("--all", options->all, "transfer every save");
  row->excludes(all);
  command.add_option("--kind", options->kind, "the kind of SOURCE: mems, bkram, bup, save or packed (default: from its name and content)");
  command.add_flag("--overwrite", options->overwrite, "replace listed saves of the same name");
  command.add_option("--game", options->game, "SS_SAVE.BIN: the game whose area takes the saves");
  command.add_option("--out", options->out, "folder for the single saves (default: ./SAROO)");
  AddVersionOption(command, options->version);
  return [options, row](std::ostream&, std::ostream& err) {
    if (!row->count() && !options->all) {
      Say(err, CliText::kCliGiveRowOrAll);
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
  CLI::Option* row = command.add_option("--row", options->rows, "rows to delete, from 1 as list prints them")->check(RowNumber());
  CLI::Option* name = command.add_option("--name", options->names, "delete every save of this name");
  command.add_option("--kind", options->kind, kKindHelp);
  command.add_option("--game", options->game, "SS_SAVE.BIN: look for the names in this game's area only");
  return [options, row, name](std::ostream&, std::ostream& err) {
    if (!row->count() && !name->count()) {
      Say(err, CliText::kCliGiveRowOrName);
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
