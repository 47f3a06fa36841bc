// Any bytes under any container's name or a name that says nothing, opened
// as --kind and --device say, then a save imported as the command line
// imports it. A file whose opening left doubt is never changed; otherwise the
// import refuses and leaves the file byte for byte, or every save listed
// before exports afterwards, read the same way, as it did before.
// The first byte picks the name (mod 5) and --kind (the rest, mod 6); bit 0
// of the second byte picks the cartridge of a file of two; the rest is the file.
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "containers/save_file.h"
#include "fuzz_inputs.h"
#include "operations/file_writes.h"
#include "operations/save_steps.h"
#include "operations/workbench.h"
#include "platform/file_io.h"
#include "singlesave/single_save_file.h"
#include "support/image_builder.h"

using quillmere::ByteBuffer;
namespace fs = std::filesystem;
namespace fuzzing = quillmere::fuzzing;
namespace backup_ram = quillmere::backup_ram;

namespace {

// The saves a pane lists, by name (a name listed twice keeps its first save),
// each as its single save; incomplete ones are left out, as they never
// export whole.
std::map<std::string, ByteBuffer> Exports(const quillmere::Pane& pane) {
  std::map<std::string, ByteBuffer> saves;
  for (std::size_t row = 0; row < pane.rows.size(); ++row) {
    const quillmere::GatheredSave save = quillmere::GatherSave(pane, pane.RecordOfRow(row));
    const std::vector<std::uint8_t>& name = pane.RecordOfRow(row).nameField.bytes();
    if (save.complete) saves.emplace(std::string(name.begin(), name.end()), quillmere::SingleSaveOf(save));
  }
  return saves;
}

void Open(quillmere::Workbench& bench, const fs::path& file, std::optional<quillmere::ContainerKind> kind,
          std::optional<backup_ram::RamLayout> layout, backup_ram::Device device) {
  quillmere::Pane& pane = bench.pane(1);
  pane.fixedFile = file;
  pane.namedKind = kind;
  pane.layout = layout;
  pane.device = device;
  quillmere::ReloadPane(bench, 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  static const fs::path folder = fuzzing::ScratchFolder("open");
  static const fs::path single = [] {
    const auto save = quillmere::testing::NamedSave("FUZZ_SAVE", 700, 9);
    const fs::path path = folder / "FUZZ_SAVE.bin";
    quillmere::platform::WriteFileAtomic(
        path, quillmere::singlesave::BuildSarooSingleSave(ByteBuffer(quillmere::testing::FixedField(save.name, 12)),
                                                          save.StoredSize(),
                                                          ByteBuffer(quillmere::testing::FixedField(save.comment, 12)),
                                                          save.date, ByteBuffer(save.data))
                  .bytes());
    return path;
  }();
  static const char* const kNames[] = {"SS_MEMS.BIN", "BKRAMSV.BIN", "SS_BUP.BIN", "SS_SAVE.BIN", "memory.dat"};
  const fs::path file = folder / kNames[data[0] % 5];
  const int kindChoice = data[0] / 5 % 6;  // none, mems, bkram, bup, save, packed
  const std::optional<quillmere::ContainerKind> kind =
      kindChoice == 0 ? std::nullopt
                      : std::optional(kindChoice == 5 ? quillmere::ContainerKind::kBkram
                                                      : static_cast<quillmere::ContainerKind>(kindChoice - 1));
  const std::optional<backup_ram::RamLayout> layout =
      kindChoice == 5 ? std::optional(backup_ram::RamLayout::kPacked) : std::nullopt;
  const auto device = data[1] & 1 ? backup_ram::Device::kCart : backup_ram::Device::kInternal;
  const ByteBuffer input = fuzzing::Bytes(data + 2, size - 2);
  for (const char* name : kNames) fs::remove(folder / name);
  if (!quillmere::platform::WriteFileAtomic(file, input.bytes())) return 0;

  fuzzing::QuietHost host;
  quillmere::Workbench bench(folder, host);
  Open(bench, file, kind, layout, device);
  quillmere::Pane& pane = bench.pane(1);
  if (pane.hintVisible) {
    assert(quillmere::platform::ReadWholeFile(file) == input.bytes());
    return 0;
  }
  const bool refused = pane.writeRefusal.has_value();
  const std::map<std::string, ByteBuffer> before = Exports(pane);

  // As the command line imports: no questions, a listed name skipped, one write.
  quillmere::ImportPolicy policy;
  policy.game = quillmere::save_file::PadGameId("T-FUZZ");
  const quillmere::TransferReport report = quillmere::ImportFiles(pane, {single}, policy, nullptr);
  if (report.imports.front().Placed()) quillmere::WriteContainer(pane, quillmere::WriteOperation::kImport);

  const ByteBuffer after(quillmere::platform::ReadWholeFile(file));
  if (after == input) return 0;
  assert(!refused && "a file whose opening left doubt was written");
  Open(bench, file, kind, layout, device);
  const std::map<std::string, ByteBuffer> saves = Exports(bench.pane(1));
  for (const auto& [name, bytes] : before) {
    if (name.starts_with("FUZZ_SAVE")) continue;
    assert(saves.contains(name) && saves.at(name) == bytes);
  }
  return 0;
}
