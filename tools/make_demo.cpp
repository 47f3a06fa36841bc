// quillmere-demo FOLDER: fills FOLDER with plainly named demo saves, so a
// first run of the window has something to show. A folder that already holds
// an SS_MEMS.BIN is left alone.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "containers/mems_image.h"
#include "model/conversions.h"
#include "model/save_header.h"
#include "platform/file_io.h"
#include "support/backup_ram_builder.h"

namespace {

using quillmere::ByteBuffer;
namespace fs = std::filesystem;
namespace mems = quillmere::mems;

struct DemoSave {
  std::string name;                  // GBK bytes
  std::vector<std::uint8_t> comment; // Shift-JIS bytes
  std::uint32_t size;
  quillmere::SaveDateTime date;
};

std::uint32_t Stamp(const quillmere::SaveDateTime& date) {
  return static_cast<std::uint32_t>(quillmere::MinutesFromSaveDate(date));
}

// Places each save the way an import does: first free slot, first free clusters.
ByteBuffer DemoImage(const std::vector<DemoSave>& saves) {
  ByteBuffer image = mems::EmptyMemsImage();
  std::uint8_t seed = 1;
  for (const DemoSave& save : saves) {
    ByteBuffer header = ByteBuffer::Filled(quillmere::save_header::kSize, 0);
    const ByteBuffer name = ByteBuffer::FromText(save.name);
    header.MustWrite(quillmere::save_header::kNameOffset, quillmere::ZeroFilledField(name, 0, quillmere::save_header::kNameSize));
    header.MustWriteBE(quillmere::save_header::kSizeOffset, save.size, 4);
    header.MustWrite(quillmere::save_header::kCommentOffset,
                     quillmere::ZeroFilledField(ByteBuffer(save.comment), 0, quillmere::save_header::kCommentSize));
    header.MustWriteBE(quillmere::save_header::kDateOffset, Stamp(save.date), 4);
    const mems::MemsPlacement plan = mems::PlanMemsSave(image, save.size, header.Slice(0, 12));
    if (!mems::WriteMemsSave(image, plan, header.Slice(0, 12), header,
                             ByteBuffer(quillmere::testing::PatternData(save.size, seed++)))) {
      std::fprintf(stderr, "quillmere-demo: no room for %s\n", save.name.c_str());
      std::exit(1);
    }
  }
  return image;
}

bool Write(const fs::path& file, const ByteBuffer& bytes) {
  if (quillmere::platform::WriteFileAtomic(file, bytes.bytes())) return true;
  std::fprintf(stderr, "quillmere-demo: cannot write %s\n", quillmere::platform::PathToUtf8(file).c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view first = argc > 1 ? argv[1] : "";
  if (first == "--help" || first == "-h") {
    std::fputs("usage: quillmere-demo FOLDER\nMakes FOLDER with demo saves (SS_MEMS.BIN and OTHER/) unless it has an SS_MEMS.BIN.\n", stdout);
    return 0;
  }
  if (argc != 2 || first.starts_with('-')) {
    std::fputs("usage: quillmere-demo FOLDER\n", stderr);
    return 2;
  }
  const fs::path folder = quillmere::platform::PathFromUtf8(argv[1]);
  if (fs::exists(folder / "SS_MEMS.BIN")) return 0;
  if (!quillmere::platform::EnsureDirectory(folder / "OTHER")) {
    std::fprintf(stderr, "quillmere-demo: cannot create %s\n", argv[1]);
    return 1;
  }
  const std::vector<std::uint8_t> demoSave = {0xC3, 0xDE, 0xD3, 0x20, 0xBE, 0xB0, 0xCC, 0xDE};  // ﾃﾞﾓ ｾｰﾌﾞ
  const std::vector<DemoSave> saves = {
      {"DEMO_RPG_01", demoSave, 700, {1997, 3, 14, 20, 15}},
      {"DEMO_RACE_1", {'D', 'E', 'M', 'O', ' ', 'L', 'A', 'P'}, 4000, {1998, 7, 2, 9, 41}},
      {"\xD1\xDD\xCA\xBE\xB4\xE6\xB5\xB5", demoSave, 120, {2024, 12, 1, 14, 31}},  // 演示存档, "demo save"
      {"DEMO_SHOOT", {'S', 'T', 'A', 'G', 'E', ' ', '3'}, 2500, {2001, 1, 5, 23, 2}},
  };
  quillmere::testing::TestSave cartridge = quillmere::testing::NamedSave("DEMO_CART", 1500, 7);
  cartridge.comment = demoSave;
  cartridge.date = Stamp({1996, 11, 22, 18, 0});
  quillmere::testing::TestSave small = quillmere::testing::NamedSave("DEMO_MEMO", 40, 9);
  small.date = Stamp({1995, 5, 10, 8, 30});
  const ByteBuffer backupRam =
      quillmere::testing::BackupRamBuilder().AddSave(2, cartridge, {}, 0).AddSave(40, small, {}, 1).BuildFile();

  const bool written = Write(folder / "SS_MEMS.BIN", DemoImage(saves)) &&
                       Write(folder / "OTHER" / "SS_MEMS.BIN", mems::EmptyMemsImage()) &&
                       Write(folder / "BKRAMSV.BIN", backupRam);
  return written ? 0 : 1;
}
