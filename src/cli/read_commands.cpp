#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <iomanip>
#include <memory>
#include <optional>

#include "catalog/catalog.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/console_host.h"
#include "containers/backup_ram.h"
#include "containers/backup_ram_write.h"
#include "containers/save_file.h"
#include "model/conversions.h"
#include "operations/allocation_map.h"
#include "operations/export_names.h"
#include "operations/file_writes.h"
#include "operations/pane_load.h"
#include "operations/save_steps.h"
#include "operations/single_save_conversion.h"
#include "platform/file_io.h"
#include "singlesave/bup_file.h"
#include "singlesave/converter.h"
#include "singlesave/single_save_file.h"
#include "singlesave/sro_file.h"

// The commands that leave their container file as it is: list, show, map and
// check print, export and convert write single saves.
namespace quillmere::cli {

namespace fs = std::filesystem;
using nlohmann::ordered_json;

namespace {

// The options of the commands that read one container file.
struct FileOptions {
  std::string file;
  std::string kind;
  int pane = 1;
  bool json = false;
  int version = 0;  // --version N: the file as it was
};

int List(const FileOptions& options, std::ostream& out, std::ostream& err) {
  const fs::path file = platform::PathFromUtf8(options.file);
  NamedReading named = ReadingOf(options.file, options.kind, err, options.version > 0);
  if (named.status != kDone) return named.status;
  // Listing never writes, so the clearing step stays off.
  named.reading.listingOnly = true;
  ByteBuffer kept;
  if (options.version > 0) {
    if (const int status = ReadKeptVersion(options.file, options.version, kept, err); status != kDone) return status;
    named.reading.contents = &kept;
  }
  const PaneLoad load = LoadContainerFile(file, false, named.reading);
  if (load.refusal) {
    Tell(err, *load.refusal);
    return load.kindUnknown ? kUsage : kFailed;
  }
  const ContainerKind kind = load.kind;
  if (!DeviceFound({load.form}, options.file, err)) return kFailed;
  // --pane 2 shows an SS_MEMS.BIN's comments whole, as pane 2 does.
  const std::size_t commentBytes = ShownCommentBytes(kind, options.pane);

  if (options.json) {
    ordered_json result = {{"kind", std::string(ContainerKindName(kind))}, {"file", options.file}};
    result["remaining"] = load.remainingSpace ? ordered_json(*load.remainingSpace) : ordered_json(nullptr);
    const bool backupRam = kind == ContainerKind::kBkram || kind == ContainerKind::kBup;
    if (backupRam) {
      std::string usage;
      const std::uint32_t blocks = load.geometry.blockCount;
      for (const bool used : backup_ram::UsedBlocks(load.records, blocks)) usage += used ? '1' : '0';
      result["blockUsage"] = usage;
      // What decides whether a save fits; "remaining" is the console's own figure.
      result["freeBlocks"] = backup_ram::FreeBlockCount(load.image, load.geometry);
    }
    // "saves" comes last and is printed one save at a time: a large backup-RAM
    // file lists tens of thousands of them.
    std::string head = Dump(result);
    head.pop_back();
    out << head << ",\"saves\":[";
    for (std::size_t i = 0; i < load.records.size(); ++i) {
      const SaveRecord& record = load.records[i];
      const SaveEntry row = PresentSave(record, commentBytes);
      ordered_json save = {{"num", record.num},          {"name", row.name()}, {"address", row.address()},
                           {"comment", row.comment()}, {"date", row.date()}, {"size", record.size}};
      if (backupRam) save["blocks"] = record.units;
      if (kind == ContainerKind::kSave) save["game"] = DecodeName(save_file::GameIdOf(load.image, record.area));
      out << (i ? "," : "") << Dump(save);
    }
    out << "]}\n";
    return kDone;
  }

  for (std::size_t c = 0; c < kSaveColumnCount; ++c) out << (c ? "\t" : "") << ColumnCaption(static_cast<SaveColumn>(c));
  out << "\n";
  for (const SaveEntry& row : PresentSaves(load.records, commentBytes)) {
    for (std::size_t c = 0; c < kSaveColumnCount; ++c) out << (c ? "\t" : "") << TextCell(row.cells[c]);
    out << "\n";
  }
  if (load.remainingSpace) Print(out, CliRemaining{*load.remainingSpace});
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
    Say(err, CliNoSuchFile{options.file});
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
    out << Line(CliText::kColumnForm);
    for (std::size_t c = 0; c < singlesave::kSingleSaveColumnCount; ++c) {
      out << "\t" << ColumnCaption(static_cast<singlesave::SingleSaveColumn>(c));
    }
    out << "\n" << form;
    for (const std::string& cell : row.cells) out << "\t" << TextCell(cell);
    out << "\n";
  }
  if (!damaged) {
    if (const auto warning = SizesDifferWarning(file, bytes)) host.ShowMessage(*warning);
    return kDone;
  }
  host.ShowMessage({ChecksumFailed{options.file}, {}});
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
    Say(err, CliNoSuchFile{options.file});
    return kFailed;
  }
  ConsoleHost host(err);
  const std::optional<ByteBuffer> bytes = ReadFileOrReport(host, file);
  if (!bytes) return kFailed;
  const SingleForm from = FormOf(*bytes);
  // An SSF save is any bytes at all: a container file would be taken for one.
  if (from == SingleForm::kSsf && ContainerKindOfFile(file)) {
    Say(err, CliNotSingleSave{options.file});
    return kFailed;
  }
  const SingleForm to = options.to == "ssf"     ? SingleForm::kSsf
                        : options.to == "bup"   ? SingleForm::kBup
                        : options.to == "saroo" ? SingleForm::kSaroo
                        : options.to == "sro"   ? SingleForm::kSro
                        : from == SingleForm::kSaroo || from == SingleForm::kSro ? SingleForm::kSsf
                                                                                 : SingleForm::kSaroo;
  if (from == to) {
    Say(err, CliAlreadyForm{options.file, FormName(from)});
    return kUsage;
  }
  if (singlesave::CheckSro(*bytes) == singlesave::SroCheck::kDamaged) {
    host.ShowMessage({ChecksumFailed{options.file}, {}});
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
    if (const auto warning = SizesDifferWarning(file, *bytes)) host.ShowMessage(*warning);
    std::optional<singlesave::ConvertedSave> converted =
        from == SingleForm::kBup   ? singlesave::BuildSarooFromBup(*bytes, outFolder)
        : from == SingleForm::kSsf ? singlesave::BuildSarooFromSsf(platform::PathToUtf8(absolute), *bytes, ssfRow, outFolder)
        : from == SingleForm::kSro
            ? singlesave::BuildSarooNamedAfter(singlesave::SarooWithItsData(singlesave::SarooFromSro(*bytes)), outFolder)
            : singlesave::ConvertedSave{*bytes, {}};
    if (converted && to == SingleForm::kSsf) {
      converted = singlesave::BuildSsfFromSaroo(converted->bytes, *singlesave::SarooRow(converted->bytes).pendingSsfDate, outFolder);
    } else if (converted && to == SingleForm::kBup) {
      converted = singlesave::BuildBupFromSaroo(converted->bytes, outFolder);
    } else if (converted && to == SingleForm::kSro) {
      converted = singlesave::BuildSroFromSaroo(converted->bytes, outFolder);
    }
    if (!converted) {
      host.ShowMessage({WrongFormat{}, {}});
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

struct ExportOptions {
  std::string file;
  std::vector<int> rows;
  bool all = false;
  std::string kind;
  std::string format = "saroo";
  std::string out;
  int version = 0;  // --version N: the file as it was
};

int Export(const ExportOptions& options, std::ostream& out, std::ostream& err) {
  const ExportForm form = options.format == "bup"   ? ExportForm::kBup
                          : options.format == "sro" ? ExportForm::kSro
                                                    : ExportForm::kSaroo;
  PaneLoad container;
  if (const int status = OpenFile(options.file, options.kind, Access::kRead, container, err, options.version); status != kDone) {
    return status;
  }
  if (!DeviceFound({container.form}, options.file, err)) return kFailed;
  const auto saves = PickRows(options.rows, options.all, container, options.file, err);
  if (!saves) return kFailed;

  int status = kDone;
  ExportRun run({OutFolder(options.out, singlesave::kSarooFolderName), OutFolder(options.out, singlesave::kBupFolderName),
                 OutFolder(options.out, singlesave::kSroFolderName)},
                {container.file});
  for (const SaveRecord& save : *saves) {
    const ExportResult result = run.Write(ExportSave(container, save, form), form);
    if (result.said) Tell(err, *result.said);
    // An incomplete save is written as far as it could be read, and fails the run.
    if (result.outcome == ExportOutcome::kWritten || result.outcome == ExportOutcome::kIncomplete) {
      out << platform::PathToUtf8(result.path) << "\n";
    }
    if (result.outcome != ExportOutcome::kWritten) status = kFailed;
  }
  return status;
}

int Check(const FileOptions& options, std::ostream& out, std::ostream& err) {
  PaneLoad container;
  if (const int status = OpenFile(options.file, options.kind, Access::kRead, container, err, options.version); status != kDone) {
    return status;
  }
  if (!DeviceFound({container.form}, options.file, err)) return kFailed;
  const ContainerKind kind = container.kind;
  const std::vector<Problem> problems = quillmere::Check(container);
  const std::vector<std::string> lines = catalog::ProblemLines(problems, kCheckedProblemLimit);
  if (options.json) {
    // Each problem with a stable code beside its words, for scripts.
    ordered_json listed = ordered_json::array();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::string_view code =
          i < problems.size() ? catalog::Code(problems[i]) : catalog::Code(Message(MoreProblems{problems.size() - i}));
      const Severity severity = i < problems.size() ? problems[i].severity : Severity::kWarning;
      const char* words = severity == Severity::kFatal ? "fatal" : severity == Severity::kNote ? "note" : "warning";
      listed.push_back({{"code", code}, {"severity", words}, {"text", lines[i]}});
    }
    const ordered_json result = {{"kind", std::string(ContainerKindName(kind))}, {"file", options.file}, {"problems", listed}};
    out << Dump(result) << "\n";
  } else {
    for (const std::string& line : lines) out << line << "\n";
  }
  // Notes say what is worth knowing; only a fault fails the check.
  const bool faults = std::any_of(problems.begin(), problems.end(),
                                  [](const Problem& problem) { return problem.severity != Severity::kNote; });
  return faults ? kFailed : kDone;
}

// The allocation map the "MAP" button shows: '.' a free unit, '#' a used one,
// '@' the first unit of a save; then each save with the units that blink for it.
int Map(const FileOptions& options, std::ostream& out, std::ostream& err) {
  PaneLoad container;
  if (const int status = OpenFile(options.file, options.kind, Access::kRead, container, err, options.version); status != kDone) {
    return status;
  }
  if (container.kind == ContainerKind::kSave) {
    Say(err, CliText::kCliNoMap);
    return kFailed;
  }
  if (!DeviceFound({container.form}, options.file, err)) return kFailed;
  const AllocationMap map = BuildAllocationMap(container);
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

  Print(out, MapCaption{map.unitSize});
  const auto width = static_cast<std::size_t>(map.width);
  for (std::size_t start = 0; start < cells.size(); start += width) {
    out << std::setw(4) << start << " " << cells.substr(start, width) << "\n";
  }
  out << "\n" << ColumnCaption(SaveColumn::kName) << "\t" << ColumnCaption(SaveColumn::kAddress) << "\t"
      << Line(CliText::kColumnUnits) << "\n";
  for (const MapSaveEntry& save : map.saves) {
    out << save.name << "\t" << save.address << "\t";
    for (std::size_t k = 0; k < save.blinkUnits.size(); ++k) out << (k ? " " : "") << save.blinkUnits[k];
    out << "\n";
  }
  return kDone;
}

constexpr const char* kContainerFiles = "SS_MEMS.BIN, BKRAMSV.BIN, SS_BUP.BIN, SS_SAVE.BIN or an emulator's backup memory";
constexpr const char* kKindFromName = "mems, bkram, bup, save or packed (default: from the file name or content)";

}  // namespace

CommandRun DefineList(CLI::App& command) {
  auto options = std::make_shared<FileOptions>();
  command.add_option("FILE", options->file, kContainerFiles)->required();
  command.add_option("--kind", options->kind, kKindFromName);
  command.add_option("--pane", options->pane, "read as pane 1 or pane 2 does")->check(CLI::IsMember({1, 2}));
  command.add_flag("--json", options->json, "print one JSON object");
  AddVersionOption(command, options->version);
  return [options](std::ostream& out, std::ostream& err) { return List(*options, out, err); };
}

CommandRun DefineShow(CLI::App& command) {
  auto options = std::make_shared<ShowOptions>();
  command.add_option("SINGLE", options->file, "a SAROO, .SRO, SSF or .BUP single-save file")->required();
  command.add_flag("--json", options->json, "print one JSON object");
  return [options](std::ostream& out, std::ostream& err) { return Show(*options, out, err); };
}

CommandRun DefineConvert(CLI::App& command) {
  auto options = std::make_shared<ConvertOptions>();
  command.add_option("SINGLE", options->file, "a SAROO, .SRO, SSF or .BUP single-save file")->required();
  command.add_option("--to", options->to, "the form to write: saroo, ssf, bup or sro")
      ->check(CLI::IsMember({"saroo", "ssf", "bup", "sro"}));
  command.add_option("--out", options->out, "output folder (default: ./SSF, ./SAROO, ./BUP or ./SRO)");
  return [options](std::ostream& out, std::ostream& err) { return Convert(*options, out, err); };
}

CommandRun DefineExport(CLI::App& command) {
  auto options = std::make_shared<ExportOptions>();
  command.add_option("FILE", options->file, kContainerFiles)->required();
  CLI::Option* row = command.add_option("--row", options->rows, "the row to export, from 1 as list prints it")->check(RowNumber());
  CLI::Option* all = command.add_flag("--all", options->all, "export every save");
  row->excludes(all);
  command.add_option("--kind", options->kind, kKindFromName);
  command.add_option("--format", options->format, "the single-save form: saroo, bup or sro")
      ->check(CLI::IsMember({"saroo", "bup", "sro"}));
  command.add_option("--out", options->out, "output folder (default: ./SAROO, ./BUP or ./SRO)");
  AddVersionOption(command, options->version);
  return [options, row](std::ostream& out, std::ostream& err) {
    if (!row->count() && !options->all) {
      Say(err, CliText::kCliGiveRowOrAll);
      return kUsage;
    }
    return Export(*options, out, err);
  };
}

CommandRun DefineCheck(CLI::App& command) {
  auto options = std::make_shared<FileOptions>();
  command.add_option("FILE", options->file, kContainerFiles)->required();
  command.add_option("--kind", options->kind, kKindFromName);
  command.add_flag("--json", options->json, "print one JSON object");
  AddVersionOption(command, options->version);
  return [options](std::ostream& out, std::ostream& err) { return Check(*options, out, err); };
}

CommandRun DefineMap(CLI::App& command) {
  auto options = std::make_shared<FileOptions>();
  command.add_option("FILE", options->file, "SS_MEMS.BIN, BKRAMSV.BIN or SS_BUP.BIN")->required();
  command.add_option("--kind", options->kind, "mems, bkram or bup (default: from the file name)");
  command.add_flag("--json", options->json, "print one JSON object");
  AddVersionOption(command, options->version);
  return [options](std::ostream& out, std::ostream& err) { return Map(*options, out, err); };
}

}  // namespace quillmere::cli
