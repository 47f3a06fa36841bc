#include "cli/cli.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <optional>

#include "cli/console_host.h"
#include "model/container_kind.h"
#include "model/conversions.h"
#include "model/messages.h"
#include "operations/file_writes.h"
#include "operations/single_save_conversion.h"
#include "operations/workbench.h"
#include "platform/file_io.h"
#include "singlesave/converter.h"

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

// The kind named by --kind, else the one the file's name stands for.
std::optional<ContainerKind> ResolveKind(const std::string& kindOption, const fs::path& file, std::ostream& err) {
  if (!kindOption.empty()) {
    auto kind = ContainerKindFromName(kindOption);
    if (!kind) err << "quillmere-cli: unknown kind '" << kindOption << "' (use mems, bkram, bup or save)\n";
    return kind;
  }
  auto kind = ContainerKindFromFileName(platform::PathToUtf8(file.filename()));
  if (!kind) {
    err << "quillmere-cli: cannot tell the kind of '" << platform::PathToUtf8(file)
        << "' from its name; give --kind mems, bkram, bup or save\n";
  }
  return kind;
}

struct ListOptions {
  std::string file;
  std::string kind;
  int pane = 1;
  bool json = false;
};

int List(const ListOptions& options, std::ostream& out, std::ostream& err) {
  const fs::path file = platform::PathFromUtf8(options.file);
  const auto kind = ResolveKind(options.kind, file, err);
  if (!kind) return kUsage;
  if (!platform::FileExists(file)) {
    err << "quillmere-cli: no such file: " << options.file << "\n";
    return kFailed;
  }
  // Listing never writes, so the clearing step stays off.
  const PaneLoad load = LoadContainerFile(*kind, file, options.pane, false);
  if (load.refusal) {
    err << *load.refusal << "\n";
    return kFailed;
  }

  if (options.json) {
    ordered_json result = {{"kind", std::string(ContainerKindName(*kind))}, {"file", options.file}};
    result["remaining"] = load.remainingSpace ? ordered_json(*load.remainingSpace) : ordered_json(nullptr);
    if (*kind == ContainerKind::kBkram || *kind == ContainerKind::kBup) result["blockUsage"] = load.blockUsage;
    // "saves" comes last and is printed one save at a time: a large backup-RAM
    // file lists tens of thousands of them.
    std::string head = Dump(result);
    head.pop_back();
    out << head << ",\"saves\":[";
    for (std::size_t i = 0; i < load.rows.size(); ++i) {
      const SaveEntry& row = load.rows[i];
      ordered_json save = {{"num", std::stoll(row.num())}, {"name", row.name()}, {"address", row.address()},
                           {"comment", row.comment()},      {"date", row.date()}, {"size", std::stoull(row.size())}};
      if (i < load.saveTable.size()) save["blocks"] = load.saveTable[i].blocks;
      out << (i ? "," : "") << Dump(save);
    }
    out << "]}\n";
    return kDone;
  }

  out << "Num\tName\tAddress\tComment\tDate\tSize\n";
  for (const SaveEntry& row : load.rows) {
    for (std::size_t c = 0; c < kSaveColumnCount; ++c) out << (c ? "\t" : "") << TextCell(row.cells[c]);
    out << "\n";
  }
  if (load.remainingSpace) out << "剩余: " << *load.remainingSpace << "\n";
  return kDone;
}

struct ShowOptions {
  std::string file;
  bool json = false;
};

// The information row a converter half shows for the file: the SAROO half's
// for a file with the "SSAVERAW" magic, the SSF half's for any other.
int Show(const ShowOptions& options, std::ostream& out, std::ostream& err) {
  const fs::path file = platform::PathFromUtf8(options.file);
  if (!platform::FileExists(file)) {
    err << "quillmere-cli: no such file: " << options.file << "\n";
    return kFailed;
  }
  ConsoleHost host(err);
  const std::optional<ByteBuffer> read = ReadFileOrReport(host, file);
  if (!read) return kFailed;
  const ByteBuffer& bytes = *read;
  const bool saroo = singlesave::IsSarooSingleSave(bytes);
  // The SSF name comes from the text after the last separator, so the path
  // must have one even when given bare.
  std::error_code ec;
  const singlesave::SingleSaveRow row =
      saroo ? singlesave::SarooRow(bytes).row : singlesave::SsfRow(platform::PathToUtf8(fs::absolute(file, ec)), bytes);
  const char* form = saroo ? "saroo" : "ssf";

  if (options.json) {
    const nlohmann::ordered_json result = {{"form", form},
                                           {"name", row.name()},
                                           {"comment", row.comment()},
                                           {"date", row.date()},
                                           {"size", std::stoull(row.size())}};
    out << Dump(result) << "\n";
    return kDone;
  }
  out << "Form";
  for (const char* caption : singlesave::kSingleSaveColumnCaptions) out << "\t" << caption;
  out << "\n" << form;
  for (const std::string& cell : row.cells) out << "\t" << TextCell(cell);
  out << "\n";
  return kDone;
}

struct ConvertOptions {
  std::string file;
  std::string out;
};

// Converts as the panels do: the file is shown first and the date passes
// through the shown date. A SAROO single save becomes an SSF one, any other
// file a SAROO one.
int Convert(const ConvertOptions& options, std::ostream& out, std::ostream& err) {
  const fs::path file = platform::PathFromUtf8(options.file);
  if (!platform::FileExists(file)) {
    err << "quillmere-cli: no such file: " << options.file << "\n";
    return kFailed;
  }
  ConsoleHost host(err);
  const std::optional<ByteBuffer> bytes = ReadFileOrReport(host, file);
  if (!bytes) return kFailed;
  const bool saroo = singlesave::IsSarooSingleSave(*bytes);
  std::error_code ec;
  const fs::path here = fs::current_path(ec);
  const fs::path outFolder = !options.out.empty() ? platform::PathFromUtf8(options.out)
                             : saroo              ? singlesave::SsfFolder(here)
                                                  : singlesave::SarooFolder(here);

  ConversionResult result;
  if (saroo) {
    result = ConvertSarooToSsf(file, singlesave::SarooRow(*bytes).pendingSsfDate, outFolder, host);
  } else {
    const fs::path absolute = fs::absolute(file, ec);
    result = ConvertSsfToSaroo(absolute, singlesave::SsfRow(platform::PathToUtf8(absolute), *bytes), outFolder, host);
  }
  if (result.outcome != ConversionOutcome::kWritten) return kFailed;
  out << platform::PathToUtf8(result.path) << "\n";
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
    err << "quillmere-cli: no such file: " << options.image << "\n";
    return kFailed;
  }
  const PaneLoad load = LoadContainerFile(ContainerKind::kMems, file, 1, true);
  if (load.refusal) err << *load.refusal << "\n";
  if (load.failedWrite) err << messages::WriteFailed(platform::PathToUtf8(*load.failedWrite)) << "\n";
  return load.refusal || load.failedWrite ? kFailed : kDone;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app{"Quillmere: lists, exports, imports and converts Sega Saturn saves.", "quillmere-cli"};
  app.require_subcommand(1);

  ListOptions list;
  CLI::App* listCommand = app.add_subcommand("list", "List the saves of a container file");
  listCommand->add_option("FILE", list.file, "SS_MEMS.BIN, BKRAMSV.BIN, SS_BUP.BIN or SS_SAVE.BIN")->required();
  listCommand->add_option("--kind", list.kind, "mems, bkram, bup or save (default: from the file name)");
  listCommand->add_option("--pane", list.pane, "read as pane 1 or pane 2 does")->check(CLI::IsMember({1, 2}));
  listCommand->add_flag("--json", list.json, "print one JSON object");

  ShowOptions show;
  CLI::App* showCommand = app.add_subcommand("show", "Show a single-save file as the converter lists it");
  showCommand->add_option("SINGLE", show.file, "a SAROO or SSF single-save file")->required();
  showCommand->add_flag("--json", show.json, "print one JSON object");

  ConvertOptions convert;
  CLI::App* convertCommand =
      app.add_subcommand("convert", "Convert a SAROO single save to SSF, or any other file to SAROO");
  convertCommand->add_option("SINGLE", convert.file, "a SAROO or SSF single-save file")->required();
  convertCommand->add_option("--out", convert.out, "output folder (default: ./SSF or ./SAROO)");

  ClearOptions clear;
  CLI::App* clearCommand =
      app.add_subcommand("clear", "Clear the unused space of an SS_MEMS.BIN image, as a refresh with the box checked does");
  clearCommand->add_option("IMAGE", clear.image, "an SS_MEMS.BIN image")->required();

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
    err << "quillmere-cli: " << error.what() << "\n";
    for (const CLI::App* sub : app.get_subcommands()) err << sub->help();
    if (app.get_subcommands().empty()) err << app.help();
    return kUsage;
  }

  if (listCommand->parsed()) return List(list, out, err);
  if (showCommand->parsed()) return Show(show, out, err);
  if (convertCommand->parsed()) return Convert(convert, out, err);
  if (clearCommand->parsed()) return Clear(clear, err);
  return kUsage;
}

}  // namespace quillmere::cli
