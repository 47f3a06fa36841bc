#include "cli/cli.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <iomanip>
#include <set>
#include <optional>

#include "cli/console_host.h"
#include "containers/backup_ram.h"
#include "containers/backup_ram_write.h"
#include "containers/mems_image.h"
#include "containers/save_file.h"
#include "containers/save_file_write.h"
#include "model/container_kind.h"
#include "model/conversions.h"
#include "operations/allocation_map.h"
#include "operations/compacting.h"
#include "operations/export_names.h"
#include "operations/image_care.h"
#include "operations/save_transfer.h"
#include "catalog/catalog.h"
#include "model/safe_file_name.h"
#include "operations/file_writes.h"
#include "operations/single_save_conversion.h"
#include "operations/workbench.h"
#include "platform/file_io.h"
#include "platform/file_lock.h"
#include "singlesave/bup_file.h"
#include "singlesave/converter.h"
#include "singlesave/single_save_file.h"
#include "singlesave/sro_file.h"

namespace quillmere::cli {

namespace fs = std::filesystem;
using nlohmann::json;
using nlohmann::ordered_json;

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

template <typename Json>
std::string Dump(const Json& value) {
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// A cell of the tab-separated text forms: a tab or line break in a save name
// would forge columns and rows, so every control character (C0, DEL, C1)
// prints as U+FFFD. JSON escapes them and keeps them exact.
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

// One line of the catalog on `stream`.
void Say(std::ostream& stream, TextId id, std::vector<TextArg> args = {}) {
  stream << catalog::Render({id, std::move(args), {}}) << "\n";
}

// The kind named by --kind, else the one the file's name stands for.
std::optional<ContainerKind> ResolveKind(const std::string& kindOption, const fs::path& file, std::ostream& err) {
  if (!kindOption.empty()) {
    auto kind = ContainerKindFromName(kindOption);
    if (!kind) Say(err, TextId::kCliUnknownKind, {kindOption});
    return kind;
  }
  auto kind = ContainerKindFromFileName(platform::PathToUtf8(file.filename()));
  if (!kind) {
    Say(err, TextId::kCliUnknownKindOfFile, {platform::PathToUtf8(file)});
  }
  return kind;
}

// The options of the commands that read one container file.
struct FileOptions {
  std::string file;
  std::string kind;
  int pane = 1;
  bool json = false;
};

fs::path CurrentFolder() {
  std::error_code ec;
  return fs::current_path(ec);
}

int List(const FileOptions& options, std::ostream& out, std::ostream& err) {
  const fs::path file = platform::PathFromUtf8(options.file);
  const auto kind = ResolveKind(options.kind, file, err);
  if (!kind) return kUsage;
  if (!platform::FileExists(file)) {
    Say(err, TextId::kCliNoSuchFile, {options.file});
    return kFailed;
  }
  // Listing never writes, so the clearing step stays off.
  const PaneLoad load = LoadContainerFile(*kind, file, ShownCommentBytes(*kind, options.pane), false);
  if (load.refusal) {
    err << catalog::Render(*load.refusal) << "\n";
    return kFailed;
  }

  if (options.json) {
    ordered_json result = {{"kind", std::string(ContainerKindName(*kind))}, {"file", options.file}};
    result["remaining"] = load.remainingSpace ? ordered_json(*load.remainingSpace) : ordered_json(nullptr);
    const bool backupRam = *kind == ContainerKind::kBkram || *kind == ContainerKind::kBup;
    if (backupRam) {
      std::string usage;
      for (const bool used : backup_ram::UsedBlocks(load.records)) usage += used ? '1' : '0';
      result["blockUsage"] = usage;
      // What decides whether a save fits; "remaining" is the console's own figure.
      result["freeBlocks"] = backup_ram::FreeBlockCount(load.image);
    }
    // "saves" comes last and is printed one save at a time: a large backup-RAM
    // file lists tens of thousands of them.
    std::string head = Dump(result);
    head.pop_back();
    out << head << ",\"saves\":[";
    for (std::size_t i = 0; i < load.records.size(); ++i) {
      const SaveRecord& record = load.records[i];
      const SaveEntry row = PresentSave(record);
      ordered_json save = {{"num", record.num},          {"name", row.name()}, {"address", row.address()},
                           {"comment", row.comment()}, {"date", row.date()}, {"size", record.size}};
      if (backupRam) save["blocks"] = record.units;
      if (*kind == ContainerKind::kSave) save["game"] = DecodeName(save_file::GameIdOf(load.image, record.area));
      out << (i ? "," : "") << Dump(save);
    }
    out << "]}\n";
    return kDone;
  }

  for (std::size_t c = 0; c < kSaveColumnCount; ++c) out << (c ? "\t" : "") << catalog::ColumnCaption(static_cast<SaveColumn>(c));
  out << "\n";
  for (const SaveEntry& row : PresentSaves(load.records)) {
    for (std::size_t c = 0; c < kSaveColumnCount; ++c) out << (c ? "\t" : "") << TextCell(row.cells[c]);
    out << "\n";
  }
  if (load.remainingSpace) Say(out, TextId::kCliRemaining, {*load.remainingSpace});
  return kDone;
}

// The single-save forms, told apart by their content: "SSAVERAW" for SAROO,
// with a checksum for .SRO, "Vmem" for .BUP, none for SSF.
enum class SingleForm { kSaroo, kSsf, kBup, kSro };

SingleForm FormOf(const ByteBuffer& bytes) {
  if (singlesave::CheckSro(bytes) != singlesave::SroCheck::kNone) return SingleForm::kSro;
  if (singlesave::IsSarooSingleSave(bytes)) return SingleForm::kSaroo;
  return singlesave::IsBupSingleSave(bytes) ? SingleForm::kBup : SingleForm::kSsf;
}

const char* FormName(SingleForm form) {
  switch (form) {
    case SingleForm::kSaroo: return "saroo";
    case SingleForm::kBup: return "bup";
    case SingleForm::kSro: return "sro";
    case SingleForm::kSsf: break;
  }
  return "ssf";
}

struct ShowOptions {
  std::string file;
  bool json = false;
};

// The information row a converter half shows for the file: the SAROO half's
// for a file with the "SSAVERAW" magic, the SSF half's for any other. A .SRO
// whose checksum does not match is shown, then reported as damaged.
int Show(const ShowOptions& options, std::ostream& out, std::ostream& err) {
  const fs::path file = platform::PathFromUtf8(options.file);
  if (!platform::FileExists(file)) {
    Say(err, TextId::kCliNoSuchFile, {options.file});
    return kFailed;
  }
  ConsoleHost host(err);
  const std::optional<ByteBuffer> read = ReadFileOrReport(host, file);
  if (!read) return kFailed;
  const ByteBuffer& bytes = *read;
  const SingleForm kind = FormOf(bytes);
  // The SSF name comes from the text after the last separator, so the path
  // must have one even when given bare.
  std::error_code ec;
  const bool saroo = kind == SingleForm::kSaroo || kind == SingleForm::kSro;
  const singlesave::SingleSaveRow row =
      saroo ? singlesave::SarooRow(bytes).row
      : kind == SingleForm::kBup ? singlesave::BupRow(bytes)
                                 : singlesave::SsfRow(platform::PathToUtf8(fs::absolute(file, ec)), bytes);
  const char* form = FormName(kind);
  const bool damaged = singlesave::CheckSro(bytes) == singlesave::SroCheck::kDamaged;

  if (options.json) {
    const nlohmann::ordered_json result = {{"form", form},
                                           {"name", row.name()},
                                           {"comment", row.comment()},
                                           {"date", row.date()},
                                           {"size", row.dataSize}};
    out << Dump(result) << "\n";
  } else {
    out << catalog::Text(TextId::kColumnForm);
    for (std::size_t c = 0; c < singlesave::kSingleSaveColumnCount; ++c) {
      out << "\t" << catalog::ColumnCaption(static_cast<singlesave::SingleSaveColumn>(c));
    }
    out << "\n" << form;
    for (const std::string& cell : row.cells) out << "\t" << TextCell(cell);
    out << "\n";
  }
  if (!damaged) return kDone;
  host.ShowMessage({TextId::kChecksumFailed, {options.file}, {}});
  return kFailed;
}

struct ConvertOptions {
  std::string file;
  std::string to;
  std::string out;
};

// Converts as the panels do: the file is shown first and the date passes
// through the shown date. Without --to, a SAROO single save (a .SRO too)
// becomes an SSF one, and a .BUP or any other file a SAROO one. Other pairs
// go through the SAROO form in memory. A damaged .SRO is not converted.
int Convert(const ConvertOptions& options, std::ostream& out, std::ostream& err) {
  const fs::path file = platform::PathFromUtf8(options.file);
  if (!platform::FileExists(file)) {
    Say(err, TextId::kCliNoSuchFile, {options.file});
    return kFailed;
  }
  ConsoleHost host(err);
  const std::optional<ByteBuffer> bytes = ReadFileOrReport(host, file);
  if (!bytes) return kFailed;
  const SingleForm from = FormOf(*bytes);
  const SingleForm to = options.to == "ssf"     ? SingleForm::kSsf
                        : options.to == "bup"   ? SingleForm::kBup
                        : options.to == "saroo" ? SingleForm::kSaroo
                        : options.to == "sro"   ? SingleForm::kSro
                        : from == SingleForm::kSaroo || from == SingleForm::kSro ? SingleForm::kSsf
                                                                                 : SingleForm::kSaroo;
  if (from == to) {
    Say(err, TextId::kCliAlreadyForm, {options.file, FormName(from)});
    return kUsage;
  }
  if (singlesave::CheckSro(*bytes) == singlesave::SroCheck::kDamaged) {
    host.ShowMessage({TextId::kChecksumFailed, {options.file}, {}});
    return kFailed;
  }
  std::error_code ec;
  const fs::path here = fs::current_path(ec);
  const fs::path outFolder = !options.out.empty()   ? platform::PathFromUtf8(options.out)
                             : to == SingleForm::kSsf ? singlesave::SsfFolder(here)
                             : to == SingleForm::kBup ? singlesave::BupFolder(here)
                             : to == SingleForm::kSro ? singlesave::SroFolder(here)
                                                      : singlesave::SarooFolder(here);
  const fs::path absolute = fs::absolute(file, ec);
  const singlesave::SingleSaveRow ssfRow = singlesave::SsfRow(platform::PathToUtf8(absolute), *bytes);

  // The panels' own two conversions, exactly as the window does them.
  ConversionResult result;
  if ((from == SingleForm::kSaroo || from == SingleForm::kSro) && to == SingleForm::kSsf) {
    result = ConvertSarooToSsf(file, singlesave::SarooRow(*bytes).pendingSsfDate, outFolder, host);
  } else if (from == SingleForm::kSsf && to == SingleForm::kSaroo) {
    result = ConvertSsfToSaroo(absolute, ssfRow, outFolder, host);
  } else {
    // Other pairs go through the SAROO form in memory.
    std::optional<singlesave::ConvertedSave> converted =
        from == SingleForm::kBup   ? singlesave::BuildSarooFromBup(*bytes, outFolder)
        : from == SingleForm::kSsf ? singlesave::BuildSarooFromSsf(platform::PathToUtf8(absolute), *bytes, ssfRow, outFolder)
        : from == SingleForm::kSro ? singlesave::BuildSarooNamedAfter(singlesave::SarooFromSro(*bytes), outFolder)
                                   : singlesave::ConvertedSave{*bytes, {}};
    if (converted && to == SingleForm::kSsf) {
      converted = singlesave::BuildSsfFromSaroo(converted->bytes, *singlesave::SarooRow(converted->bytes).pendingSsfDate, outFolder);
    } else if (converted && to == SingleForm::kBup) {
      converted = singlesave::BuildBupFromSaroo(converted->bytes, outFolder);
    } else if (converted && to == SingleForm::kSro) {
      converted = singlesave::BuildSroFromSaroo(converted->bytes, outFolder);
    }
    if (!converted) {
      host.ShowMessage({TextId::kWrongFormat, {}, {}});
      return kFailed;
    }
    ExportNames names;
    names.StartRun({file});
    const fs::path path = names.Claim(converted->path);
    platform::EnsureDirectory(outFolder);
    if (!WriteFileOrReport(host, path, converted->bytes)) return kFailed;
    result = {ConversionOutcome::kWritten, path};
  }
  if (result.outcome != ConversionOutcome::kWritten) return kFailed;
  out << platform::PathToUtf8(result.path) << "\n";
  return kDone;
}

enum class Access { kRead, kWrite };

// Loads `file` into pane `number` as `kind`; false, with the reason on the
// error stream, when it is missing or cannot be read, or when it is to be
// written and is too short to be an SS_MEMS.BIN.
bool LoadPane(Workbench& bench, int number, ContainerKind kind, const fs::path& file, std::ostream& err,
              Access access = Access::kRead) {
  if (!platform::FileExists(file)) {
    Say(err, TextId::kCliNoSuchFile, {platform::PathToUtf8(file)});
    return false;
  }
  Pane& pane = bench.pane(number);
  pane.kind = kind;
  pane.fixedFile = file;
  ReloadPane(bench, number);
  if (pane.hintVisible) return false;
  if (access == Access::kWrite && kind == ContainerKind::kMems && pane.image.size() < mems::kDataAreaOffset) {
    Say(err, TextId::kWrongFormat);
    return false;
  }
  return true;
}

// Loads the container a command writes into: the kind its name says, and
// SS_MEMS.BIN for any other name. Saves go into SS_SAVE.BIN only for a game
// named by --game; false, with the reason, when `needsGame` and none is.
bool LoadWritablePane(Workbench& bench, int number, const std::string& image, const std::string& game, bool needsGame,
                      std::ostream& err) {
  const fs::path file = platform::PathFromUtf8(image);
  const ContainerKind kind = ContainerKindFromFileName(platform::PathToUtf8(file.filename())).value_or(ContainerKind::kMems);
  if (kind == ContainerKind::kSave && !game.empty()) bench.state.targetGame = save_file::PadGameId(game);
  if (kind == ContainerKind::kSave && needsGame && game.empty()) {
    Say(err, TextId::kCliGiveGame, {image});
    return false;
  }
  return LoadPane(bench, number, kind, file, err, Access::kWrite);
}

// The lock a writing command holds from its read to its write, so that two
// commands on one image never lose each other's saves; nothing, after
// "文件正被其他程序使用，请稍后再试！" and the path, when another program holds
// it for the whole wait. A lock file that cannot be made (a read-only folder)
// stops nothing: a write there fails and says so. No lock file is made beside
// a file that is missing, unless the command is to create it.
std::optional<platform::FileLock> LockForWriting(const fs::path& file, std::ostream& err, bool creates = false) {
  if (!creates && !platform::FileExists(file)) return platform::FileLock{};
  platform::FileLock lock = platform::FileLock::Acquire(file);
  if (lock.status() == platform::LockStatus::kBusy) {
    Say(err, TextId::kFileBusy, {platform::PathToUtf8(file)});
    return std::nullopt;
  }
  return lock;
}

// The 0-based rows that --row (counted from 1) or --all name; nothing, after
// a message, when a row is not listed.
std::optional<std::vector<int>> PickRows(const std::vector<int>& given, bool all, const Pane& pane,
                                         const std::string& file, std::ostream& err) {
  std::vector<int> rows;
  if (all) {
    for (std::size_t r = 0; r < pane.rows.size(); ++r) rows.push_back(static_cast<int>(r));
    return rows;
  }
  for (const int row : given) {
    if (row < 1 || static_cast<std::size_t>(row) > pane.rows.size()) {
      Say(err, TextId::kCliNoSuchRow, {file, pane.rows.size(), row});
      return std::nullopt;
    }
    rows.push_back(row - 1);
  }
  return rows;
}

fs::path OutFolder(const std::string& out, std::string_view fallback) {
  std::error_code ec;
  return out.empty() ? fs::current_path(ec) / platform::PathFromUtf8(std::string(fallback)) : platform::PathFromUtf8(out);
}

// Reports an import that did not happen; true when that counts as done.
bool ImportDone(const ImportResult& result, std::ostream& err) {
  if (result.outcome == ImportOutcome::kImported) return true;
  if (result.outcome != ImportOutcome::kSkipped) return false;
  Say(err, TextId::kCliSkipped, {result.name});
  return true;
}

struct ExportOptions {
  std::string file;
  std::vector<int> rows;
  bool all = false;
  std::string kind;
  std::string format = "saroo";
  std::string out;
};

int Export(const ExportOptions& options, std::ostream& out, std::ostream& err) {
  const fs::path file = platform::PathFromUtf8(options.file);
  const auto kind = ResolveKind(options.kind, file, err);
  if (!kind) return kUsage;
  ConsoleHost host(err);
  Workbench bench(CurrentFolder(), host);
  const ExportForm form = options.format == "bup"   ? ExportForm::kBup
                          : options.format == "sro" ? ExportForm::kSro
                                                    : ExportForm::kSaroo;
  bench.sarooFolder = OutFolder(options.out, singlesave::kSarooFolderName);
  bench.bupFolder = OutFolder(options.out, singlesave::kBupFolderName);
  bench.sroFolder = OutFolder(options.out, singlesave::kSroFolderName);
  if (!LoadPane(bench, 1, *kind, file, err)) return kFailed;
  const auto rows = PickRows(options.rows, options.all, bench.pane(1), options.file, err);
  if (!rows) return kFailed;

  int status = kDone;
  bench.state.interactive = false;
  StartExportRun(bench);
  for (const int row : *rows) {
    bench.state.transferRow = row;
    const ExportResult result = ExportSingleSave(bench, 1, form);
    // An incomplete save is written as far as it could be read, and fails the run.
    if (result.outcome == ExportOutcome::kWritten || result.outcome == ExportOutcome::kIncomplete) {
      out << platform::PathToUtf8(result.path) << "\n";
    }
    if (result.outcome != ExportOutcome::kWritten) status = kFailed;
  }
  return status;
}

struct ImportOptions {
  std::string image;
  std::vector<std::string> singles;
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
  if (!LoadWritablePane(bench, options.pane, options.image, options.game, true, err)) return kFailed;
  bench.state.interactive = false;
  bench.overwriteOnTransfer = options.overwrite;
  bench.pane(options.pane).holdWrites = true;
  int status = kDone;
  for (const std::string& single : options.singles) {
    bench.state.transferPath = platform::PathFromUtf8(single);
    if (!ImportDone(ImportSingleSave(bench, options.pane), err)) status = kFailed;
  }
  if (!WriteHeldChanges(bench, options.pane)) status = kFailed;
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
  const fs::path source = platform::PathFromUtf8(options.source);
  const auto kind = ResolveKind(options.kind, source, err);
  if (!kind) return kUsage;
  const auto lock = LockForWriting(platform::PathFromUtf8(options.image), err);
  if (!lock) return kFailed;
  ConsoleHost host(err);
  Workbench bench(CurrentFolder(), host);
  bench.sarooFolder = OutFolder(options.out, singlesave::kSarooFolderName);
  if (!LoadPane(bench, 1, *kind, source, err)) return kFailed;
  if (!LoadWritablePane(bench, 2, options.image, options.game, true, err)) return kFailed;
  const auto rows = PickRows(options.rows, options.all, bench.pane(1), options.source, err);
  if (!rows) return kFailed;
  bench.pane(1).selection = *rows;
  bench.overwriteOnTransfer = options.overwrite;

  const TransferReport report = TransferSaves(bench, 1, 2);
  int status = report.writeFailed || rows->empty() ? kFailed : kDone;
  for (std::size_t i = 0; i < report.imports.size(); ++i) {
    if (report.exports[i].outcome != ExportOutcome::kWritten || !ImportDone(report.imports[i], err)) status = kFailed;
  }
  return status;
}

// Compacts as the window's "整理" does; an image without saves is left alone.
int Compact(const std::string& image, std::ostream& err) {
  const auto lock = LockForWriting(platform::PathFromUtf8(image), err);
  if (!lock) return kFailed;
  ConsoleHost host(err);
  Workbench bench(CurrentFolder(), host);
  if (!LoadPane(bench, 1, ContainerKind::kMems, platform::PathFromUtf8(image), err, Access::kWrite)) return kFailed;
  const CompactOutcome outcome = CompactPane(bench, 1);
  return outcome == CompactOutcome::kCompacted || outcome == CompactOutcome::kNothing ? kDone : kFailed;
}

struct DeleteOptions {
  std::string image;
  std::vector<int> rows;
  std::vector<std::string> names;
  std::string game;
};

int Delete(const DeleteOptions& options, std::ostream& err) {
  const auto lock = LockForWriting(platform::PathFromUtf8(options.image), err);
  if (!lock) return kFailed;
  ConsoleHost host(err);
  Workbench bench(CurrentFolder(), host);
  if (!LoadWritablePane(bench, 1, options.image, options.game, false, err)) return kFailed;
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

int Check(const FileOptions& options, std::ostream& out, std::ostream& err) {
  const fs::path file = platform::PathFromUtf8(options.file);
  const auto kind = ResolveKind(options.kind, file, err);
  if (!kind) return kUsage;
  ConsoleHost host(err);
  Workbench bench(CurrentFolder(), host);
  if (!LoadPane(bench, 1, *kind, file, err)) return kFailed;
  const std::vector<Problem>& problems = bench.pane(1).problems;
  const std::vector<std::string> lines = catalog::ProblemLines(problems, kCheckedProblemLimit);
  if (options.json) {
    // Each problem with a stable code beside its words, for scripts.
    ordered_json listed = ordered_json::array();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const TextId id = i < problems.size() ? problems[i].id : TextId::kMoreProblems;
      const bool fatal = i < problems.size() && problems[i].severity == Severity::kFatal;
      listed.push_back({{"code", catalog::Code(id)}, {"severity", fatal ? "fatal" : "warning"}, {"text", lines[i]}});
    }
    const ordered_json result = {{"kind", std::string(ContainerKindName(*kind))}, {"file", options.file}, {"problems", listed}};
    out << Dump(result) << "\n";
  } else {
    for (const std::string& line : lines) out << line << "\n";
  }
  return problems.empty() ? kDone : kFailed;
}

int Repair(const std::string& image, std::ostream& out, std::ostream& err) {
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
  const auto lock = LockForWriting(platform::PathFromUtf8(image), err);
  if (!lock) return kFailed;
  ReportHost host(err);
  Workbench bench(CurrentFolder(), host);
  if (!LoadPane(bench, 1, ContainerKind::kMems, platform::PathFromUtf8(image), err, Access::kWrite)) return kFailed;
  bench.state.interactive = false;
  const RepairResult result = RepairPane(bench, 1);
  if (result.outcome == CareOutcome::kWriteFailed) return kFailed;
  for (const Message& line : result.repair.mended) Say(out, TextId::kCliMended, {catalog::Render(line)});
  for (const std::string& line : catalog::ProblemLines(result.repair.remaining, kCheckedProblemLimit)) {
    Say(out, TextId::kCliRemains, {line});
  }
  return result.repair.remaining.empty() ? kDone : kFailed;
}

// The allocation map the "MAP" button shows: '.' a free unit, '#' a used one,
// '@' the first unit of a save; then each save with the units that blink for it.
int Map(const FileOptions& options, std::ostream& out, std::ostream& err) {
  const fs::path file = platform::PathFromUtf8(options.file);
  const auto kind = ResolveKind(options.kind, file, err);
  if (!kind) return kUsage;
  if (*kind == ContainerKind::kSave) {
    Say(err, TextId::kCliNoMap);
    return kFailed;
  }
  ConsoleHost host(err);
  Workbench bench(CurrentFolder(), host);
  if (!LoadPane(bench, 1, *kind, file, err)) return kFailed;
  const AllocationMap map = BuildAllocationMap(bench.pane(1));
  const std::string cells = MapCellsText(map);

  if (options.json) {
    ordered_json saves = ordered_json::array();
    for (const MapSaveEntry& save : map.saves) {
      saves.push_back({{"name", save.name}, {"address", save.address}, {"units", save.blinkUnits}});
    }
    const ordered_json result = {{"unitSize", map.unitSize}, {"width", map.width}, {"rows", map.rows},
                                 {"cells", cells},           {"saves", saves}};
    out << Dump(result) << "\n";
    return kDone;
  }

  Say(out, TextId::kMapCaption, {map.unitSize});
  const auto width = static_cast<std::size_t>(map.width);
  for (std::size_t start = 0; start < cells.size(); start += width) {
    out << std::setw(4) << start << " " << cells.substr(start, width) << "\n";
  }
  out << "\n" << catalog::ColumnCaption(SaveColumn::kName) << "\t" << catalog::ColumnCaption(SaveColumn::kAddress) << "\t"
      << catalog::Text(TextId::kColumnUnits) << "\n";
  for (const MapSaveEntry& save : map.saves) {
    out << save.name << "\t" << save.address << "\t";
    for (std::size_t k = 0; k < save.blinkUnits.size(); ++k) out << (k ? " " : "") << save.blinkUnits[k];
    out << "\n";
  }
  return kDone;
}

struct ClearOptions {
  std::string image;
};

// The clearing step of a refresh with "刷新时清空未使用区域" checked, on an
// SS_MEMS.BIN image: silent, and the file is rewritten only when something
// needed clearing.
int Clear(const ClearOptions& options, std::ostream& err) {
  const fs::path file = platform::PathFromUtf8(options.image);
  if (!platform::FileExists(file)) {
    Say(err, TextId::kCliNoSuchFile, {options.image});
    return kFailed;
  }
  // The clearing step takes the lock itself, only when it has something to
  // write, and writes only if the file is still the one it read.
  const PaneLoad load = LoadContainerFile(ContainerKind::kMems, file, ShownCommentBytes(ContainerKind::kMems, 1), true);
  if (load.refusal) err << catalog::Render(*load.refusal) << "\n";
  if (load.failedWrite) err << catalog::Render(*load.failedWrite) << "\n";
  return load.refusal || load.failedWrite ? kFailed : kDone;
}

// A new, empty container of the kind --kind or the name says, exactly as
// the SAROO and the console make them; an existing file is never replaced.
int Format(const std::string& image, const std::string& kindOption, std::ostream& err) {
  const fs::path file = platform::PathFromUtf8(image);
  const auto kind = ResolveKind(kindOption, file, err);
  if (!kind) return kUsage;
  const auto lock = LockForWriting(file, err, true);
  if (!lock) return kFailed;
  std::error_code ec;
  if (fs::exists(file, ec)) {
    Say(err, TextId::kCliFormatExists, {image});
    return kFailed;
  }
  ConsoleHost host(err);
  const ByteBuffer empty = *kind == ContainerKind::kMems   ? mems::EmptyMemsImage()
                           : *kind == ContainerKind::kSave ? save_file::EmptySaveFile()
                                                           : backup_ram::EmptyInternalBackupRamFile();
  return WriteFileOrReport(host, file, empty) ? kDone : kFailed;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  // Chosen before parsing, so that a usage error is told in the chosen language too.
  catalog::SetLanguage(catalog::ChooseLanguage({catalog::TakeLanguageOption(args).value, catalog::LanguageFromEnvironment()}));
  CLI::App app{"Quillmere: lists, exports, imports and converts Sega Saturn saves.", "quillmere-cli"};
  app.require_subcommand(1);
  // Taken before or after the command's name.
  app.fallthrough();
  std::string language;
  app.add_option("--language", language, "zh or en (default: QUILLMERE_LANGUAGE, else zh)")
      ->check(CLI::IsMember({"zh", "en"}));
  // "/saves/SS_MEMS.BIN" is a path on Windows too: options are "-x" and "--name"
  // everywhere. Set before the subcommands are added, which take it over.
  app.allow_windows_style_options(false);

  FileOptions list;
  CLI::App* listCommand = app.add_subcommand("list", "List the saves of a container file");
  listCommand->add_option("FILE", list.file, "SS_MEMS.BIN, BKRAMSV.BIN, SS_BUP.BIN or SS_SAVE.BIN")->required();
  listCommand->add_option("--kind", list.kind, "mems, bkram, bup or save (default: from the file name)");
  listCommand->add_option("--pane", list.pane, "read as pane 1 or pane 2 does")->check(CLI::IsMember({1, 2}));
  listCommand->add_flag("--json", list.json, "print one JSON object");

  ShowOptions show;
  CLI::App* showCommand = app.add_subcommand("show", "Show a single-save file as the converter lists it");
  showCommand->add_option("SINGLE", show.file, "a SAROO, .SRO, SSF or .BUP single-save file")->required();
  showCommand->add_flag("--json", show.json, "print one JSON object");

  ConvertOptions convert;
  CLI::App* convertCommand =
      app.add_subcommand("convert", "Convert a single save between the SAROO, SSF, .BUP and .SRO forms");
  convertCommand->add_option("SINGLE", convert.file, "a SAROO, .SRO, SSF or .BUP single-save file")->required();
  convertCommand->add_option("--to", convert.to, "the form to write: saroo, ssf, bup or sro")
      ->check(CLI::IsMember({"saroo", "ssf", "bup", "sro"}));
  convertCommand->add_option("--out", convert.out, "output folder (default: ./SSF, ./SAROO, ./BUP or ./SRO)");

  ExportOptions exportOptions;
  CLI::App* exportCommand = app.add_subcommand("export", "Export saves of a container file as SAROO single saves");
  exportCommand->add_option("FILE", exportOptions.file, "SS_MEMS.BIN, BKRAMSV.BIN, SS_BUP.BIN or SS_SAVE.BIN")
      ->required();
  CLI::Option* exportRow = exportCommand->add_option("--row", exportOptions.rows, "the row to export, from 1 as list prints it");
  CLI::Option* exportAll = exportCommand->add_flag("--all", exportOptions.all, "export every save");
  exportRow->excludes(exportAll);
  exportCommand->add_option("--kind", exportOptions.kind, "mems, bkram, bup or save (default: from the file name)");
  exportCommand->add_option("--format", exportOptions.format, "the single-save form: saroo, bup or sro")
      ->check(CLI::IsMember({"saroo", "bup", "sro"}));
  exportCommand->add_option("--out", exportOptions.out, "output folder (default: ./SAROO, ./BUP or ./SRO)");

  ImportOptions importOptions;
  CLI::App* importCommand = app.add_subcommand("import", "Import SAROO single saves into a container file");
  importCommand->add_option("IMAGE", importOptions.image, "SS_MEMS.BIN, BKRAMSV.BIN, SS_BUP.BIN or SS_SAVE.BIN")->required();
  importCommand->add_option("SINGLE", importOptions.singles, "SAROO, .SRO or .BUP single-save files")->required();
  importCommand->add_flag("--overwrite", importOptions.overwrite, "replace a listed save of the same name");
  importCommand->add_option("--game", importOptions.game, "SS_SAVE.BIN: the game whose area takes the saves (its ID, as T-1809G)");
  importCommand->add_option("--pane", importOptions.pane, "write as pane 1 or pane 2 does")
      ->check(CLI::IsMember({1, 2}));

  TransferOptions transferOptions;
  CLI::App* transferCommand =
      app.add_subcommand("transfer", "Copy saves of a container file into an SS_MEMS.BIN image");
  transferCommand->add_option("SOURCE", transferOptions.source, "SS_MEMS.BIN, BKRAMSV.BIN, SS_BUP.BIN or SS_SAVE.BIN")
      ->required();
  transferCommand->add_option("IMAGE", transferOptions.image, "the container file that receives them")->required();
  CLI::Option* transferRow =
      transferCommand->add_option("--row", transferOptions.rows, "rows to transfer, from 1 as list prints them");
  CLI::Option* transferAll = transferCommand->add_flag("--all", transferOptions.all, "transfer every save");
  transferRow->excludes(transferAll);
  transferCommand->add_option("--kind", transferOptions.kind, "the kind of SOURCE (default: from its name)");
  transferCommand->add_flag("--overwrite", transferOptions.overwrite, "replace listed saves of the same name");
  transferCommand->add_option("--game", transferOptions.game, "SS_SAVE.BIN: the game whose area takes the saves");
  transferCommand->add_option("--out", transferOptions.out, "folder for the single saves (default: ./SAROO)");

  std::string compactImage;
  CLI::App* compactCommand =
      app.add_subcommand("compact", "Rebuild an SS_MEMS.BIN image with its saves in consecutive slots and clusters");
  compactCommand->add_option("IMAGE", compactImage, "an SS_MEMS.BIN image")->required();

  DeleteOptions deleteOptions;
  CLI::App* deleteCommand = app.add_subcommand("delete", "Delete saves from a container file");
  deleteCommand->add_option("IMAGE", deleteOptions.image, "SS_MEMS.BIN, BKRAMSV.BIN, SS_BUP.BIN or SS_SAVE.BIN")->required();
  CLI::Option* deleteRow = deleteCommand->add_option("--row", deleteOptions.rows, "rows to delete, from 1 as list prints them");
  CLI::Option* deleteName = deleteCommand->add_option("--name", deleteOptions.names, "delete every save of this name");
  deleteCommand->add_option("--game", deleteOptions.game, "SS_SAVE.BIN: look for the names in this game's area only");

  FileOptions checkOptions;
  CLI::App* checkCommand = app.add_subcommand("check", "Check a container file's allocation records");
  checkCommand->add_option("FILE", checkOptions.file, "SS_MEMS.BIN, BKRAMSV.BIN, SS_BUP.BIN or SS_SAVE.BIN")->required();
  checkCommand->add_option("--kind", checkOptions.kind, "mems, bkram, bup or save (default: from the file name)");
  checkCommand->add_flag("--json", checkOptions.json, "print one JSON object");

  std::string repairImage;
  CLI::App* repairCommand = app.add_subcommand("repair", "Rebuild an SS_MEMS.BIN image's bitmap and free count");
  repairCommand->add_option("IMAGE", repairImage, "an SS_MEMS.BIN image")->required();

  FileOptions mapOptions;
  CLI::App* mapCommand = app.add_subcommand("map", "Draw the allocation map of a container file");
  mapCommand->add_option("FILE", mapOptions.file, "SS_MEMS.BIN, BKRAMSV.BIN or SS_BUP.BIN")->required();
  mapCommand->add_option("--kind", mapOptions.kind, "mems, bkram or bup (default: from the file name)");
  mapCommand->add_flag("--json", mapOptions.json, "print one JSON object");
  ClearOptions clear;
  CLI::App* clearCommand =
      app.add_subcommand("clear", "Clear the unused space of an SS_MEMS.BIN image, as a refresh with the box checked does");
  clearCommand->add_option("IMAGE", clear.image, "an SS_MEMS.BIN image")->required();

  std::string formatImage;
  std::string formatKind;
  CLI::App* formatCommand = app.add_subcommand("format", "Write a new, empty container file of the kind its name says");
  formatCommand->add_option("IMAGE", formatImage, "the file to create")->required();
  formatCommand->add_option("--kind", formatKind, "mems, bkram, bup or save (default: from the file name)");

  // CLI11 takes its arguments from the back of the vector, as it would from argv.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return kDone;
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) {
      out << app.help();
      return kDone;
    }
    Say(err, TextId::kCliError, {std::string(error.what())});
    for (const CLI::App* sub : app.get_subcommands()) err << sub->help();
    if (app.get_subcommands().empty()) err << app.help();
    return kUsage;
  }

  if (listCommand->parsed()) return List(list, out, err);
  if (showCommand->parsed()) return Show(show, out, err);
  if (convertCommand->parsed()) return Convert(convert, out, err);
  if (exportCommand->parsed() || transferCommand->parsed()) {
    const bool exporting = exportCommand->parsed();
    if (!(exporting ? exportRow->count() || exportOptions.all : transferRow->count() || transferOptions.all)) {
      Say(err, TextId::kCliGiveRowOrAll);
      return kUsage;
    }
    return exporting ? Export(exportOptions, out, err) : Transfer(transferOptions, err);
  }
  if (importCommand->parsed()) return Import(importOptions, err);
  if (compactCommand->parsed()) return Compact(compactImage, err);
  if (deleteCommand->parsed()) {
    if (!deleteRow->count() && !deleteName->count()) {
      Say(err, TextId::kCliGiveRowOrName);
      return kUsage;
    }
    return Delete(deleteOptions, err);
  }
  if (checkCommand->parsed()) return Check(checkOptions, out, err);
  if (repairCommand->parsed()) return Repair(repairImage, out, err);
  if (mapCommand->parsed()) return Map(mapOptions, out, err);
  if (clearCommand->parsed()) return Clear(clear, err);
  if (formatCommand->parsed()) return Format(formatImage, formatKind, err);
  return kUsage;
}

}  // namespace quillmere::cli
