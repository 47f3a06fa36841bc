#include "cli/cli_support.h"

#include "catalog/catalog.h"
#include "containers/mems_image.h"
#include "containers/save_file.h"
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

void Say(std::ostream& stream, TextId id, std::vector<TextArg> args) {
  stream << catalog::Render({id, std::move(args), {}}) << "\n";
}

namespace {

constexpr std::string_view kPackedKind = "packed";

}  // namespace

std::optional<ContainerKind> ResolveKind(const std::string& kindOption, const fs::path& file, std::ostream& err) {
  if (kindOption == kPackedKind) return ContainerKind::kBkram;
  if (!kindOption.empty()) {
    auto kind = ContainerKindFromName(kindOption);
    if (!kind) Say(err, TextId::kCliUnknownKind, {kindOption});
    return kind;
  }
  auto kind = ContainerKindOfFile(file);
  if (!kind) {
    Say(err, TextId::kCliUnknownKindOfFile, {platform::PathToUtf8(file)});
  }
  return kind;
}

std::optional<backup_ram::RamLayout> LayoutOfKind(const std::string& kindOption) {
  if (kindOption == kPackedKind) return backup_ram::RamLayout::kPacked;
  const auto kind = ContainerKindFromName(kindOption);
  if (kind == ContainerKind::kBkram || kind == ContainerKind::kBup) return backup_ram::RamLayout::kWordWide;
  return std::nullopt;
}

backup_ram::Device& ChosenDevice() {
  static backup_ram::Device device = backup_ram::Device::kInternal;
  return device;
}

bool DeviceFound(const std::vector<backup_ram::MemoryFileForm>& forms, const std::string& file, std::ostream& err) {
  if (ChosenDevice() != backup_ram::Device::kCart) return true;
  for (const backup_ram::MemoryFileForm& form : forms) {
    if (form.twoMemories) return true;
  }
  Say(err, TextId::kNoCartridge, {file});
  return false;
}

fs::path CurrentFolder() {
  std::error_code ec;
  return fs::current_path(ec);
}

bool LoadPane(Workbench& bench, int number, ContainerKind kind, const fs::path& file, std::ostream& err,
              Access access, std::optional<backup_ram::RamLayout> layout) {
  if (!platform::FileExists(file)) {
    Say(err, TextId::kCliNoSuchFile, {platform::PathToUtf8(file)});
    return false;
  }
  Pane& pane = bench.pane(number);
  pane.kind = kind;
  pane.fixedFile = file;
  pane.layout = layout;
  pane.device = ChosenDevice();
  ReloadPane(bench, number);
  if (pane.hintVisible) return false;
  if (access == Access::kWrite && kind == ContainerKind::kMems && pane.image.size() < mems::kDataAreaOffset) {
    Say(err, TextId::kWrongFormat);
    return false;
  }
  return true;
}

bool LoadWritablePane(Workbench& bench, int number, const std::string& image, const std::string& game, bool needsGame,
                      std::ostream& err) {
  const fs::path file = platform::PathFromUtf8(image);
  const ContainerKind kind = ContainerKindOfFile(file).value_or(ContainerKind::kMems);
  if (kind == ContainerKind::kSave && !game.empty()) bench.state.targetGame = save_file::PadGameId(game);
  if (kind == ContainerKind::kSave && needsGame && game.empty()) {
    Say(err, TextId::kCliGiveGame, {image});
    return false;
  }
  return LoadPane(bench, number, kind, file, err, Access::kWrite);
}

std::optional<platform::FileLock> LockForWriting(const fs::path& file, std::ostream& err, bool creates) {
  if (!creates && !platform::FileExists(file)) return platform::FileLock{};
  platform::FileLock lock = platform::FileLock::Acquire(file);
  if (lock.status() == platform::LockStatus::kBusy) {
    Say(err, TextId::kFileBusy, {platform::PathToUtf8(file)});
    return std::nullopt;
  }
  return lock;
}

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

bool ImportDone(const ImportResult& result, std::ostream& err) {
  if (result.outcome == ImportOutcome::kImported) return true;
  if (result.outcome != ImportOutcome::kSkipped) return false;
  Say(err, TextId::kCliSkipped, {result.name});
  return true;
}

}  // namespace quillmere::cli

