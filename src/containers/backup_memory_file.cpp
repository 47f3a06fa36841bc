#include "containers/backup_memory_file.h"

#include "containers/backup_ram_write.h"
#include "platform/gzip.h"

namespace quillmere::backup_ram {

namespace {

constexpr std::size_t kKiB = 1024;

// Whether the RAM `ram` starts with the format text's first 16 bytes.
bool StartsFormatted(const ByteBuffer& ram) {
  return ram.Slice(0, kFormatTextProbe) == ByteBuffer::FromText(kFormatText.substr(0, kFormatTextProbe));
}

// Where each memory lies in the contents: the whole file, or for two
// memories the internal one's 64 KiB and the cartridge after it.
struct Span {
  std::size_t offset = 0;
  std::size_t length = 0;
};
Span SpanOf(const MemoryFile& file, Device device) {
  const std::size_t size = file.contents.size();
  if (!file.form.twoMemories) return Span{0, size};
  if (device == Device::kInternal) return Span{0, kInternalWordWideSize};
  return Span{kInternalWordWideSize, size - kInternalWordWideSize};
}

ByteBuffer Stored(const ByteBuffer& ram, RamLayout layout) {
  return layout == RamLayout::kPacked ? ram : RamIntoWordWide(ByteBuffer{}, ram);
}

}  // namespace

std::optional<MemoryFile> OpenMemoryFile(const ByteBuffer& file, std::optional<RamLayout> layout) {
  MemoryFile opened;
  opened.contents = file;
  // A word-wide RAM starting 1F 8B would be no formatted one; a stream that
  // does not decompress is taken as it is.
  if (platform::LooksGzipped(file.bytes())) {
    if (auto bytes = platform::Gunzip(file.bytes(), kMaxFileSize)) {
      opened.contents = ByteBuffer(std::move(*bytes));
      opened.form.gzip = true;
    }
  }
  if (opened.contents.size() > kMaxFileSize) return std::nullopt;
  if (layout) {
    opened.form.layout = *layout;
  } else if (StartsFormatted(opened.contents)) {
    opened.form.layout = RamLayout::kPacked;
  } else if (StartsFormatted(WordWideToRam(opened.contents.Slice(0, 2 * kFormatTextProbe)))) {
    opened.form.layout = RamLayout::kWordWide;
  } else {
    return std::nullopt;
  }
  opened.form.twoMemories =
      opened.form.layout == RamLayout::kWordWide && opened.contents.size() == kTwoMemoriesFileSize;
  return opened;
}

ByteBuffer RamOf(const MemoryFile& file, Device device) {
  const Span span = SpanOf(file, device);
  const ByteBuffer stored = file.contents.Slice(span.offset, span.length);
  return file.form.layout == RamLayout::kPacked ? stored : WordWideToRam(stored);
}

ByteBuffer FileWithRam(const MemoryFile& file, Device device, const ByteBuffer& ram) {
  const Span span = SpanOf(file, device);
  const ByteBuffer stored = file.form.layout == RamLayout::kPacked
                                ? ram
                                : RamIntoWordWide(file.contents.Slice(span.offset, span.length), ram);
  // The memory's bytes, then what followed it; a lengthened RAM pushes nothing out.
  ByteBuffer contents = file.contents.Slice(0, span.offset);
  contents.Append(stored);
  contents.Append(file.contents.Slice(span.offset + span.length, file.contents.size()));
  if (!file.form.gzip) return contents;
  return ByteBuffer(platform::Gzip(contents.bytes()));
}

ByteBuffer EmptyMemoryFile(const MemoryFileForm& form, const BackupRamGeometry& geometry) {
  ByteBuffer contents;
  if (form.twoMemories) contents = Stored(EmptyBackupRam(), RamLayout::kWordWide);
  contents.Append(Stored(EmptyBackupRam(geometry), form.layout));
  if (!form.gzip) return contents;
  return ByteBuffer(platform::Gzip(contents.bytes()));
}

const std::vector<NamedMemoryForm>& NamedMemoryForms() {
  constexpr MemoryFileForm kPacked{RamLayout::kPacked, false, false};
  constexpr MemoryFileForm kWordWide{RamLayout::kWordWide, false, false};
  const auto sized = [](std::size_t ramSize) { return GeometryOfRam(ramSize); };
  static const std::vector<NamedMemoryForm> forms = {
      {"mednafen-bkr", kPacked, sized(32 * kKiB)},
      {"mednafen-bcr", {RamLayout::kPacked, true, false}, sized(512 * kKiB)},
      {"beetle-bcr", kPacked, sized(512 * kKiB)},
      {"ymir-int", kPacked, sized(32 * kKiB)},
      {"ymir-ext-4M", kPacked, sized(4096 * kKiB)},
      {"yabause", kWordWide, sized(32 * kKiB)},
      // YabaSanshiro's BIOS formats 4 MiB of RAM as the internal memory, in 64-byte blocks.
      {"yabasanshiro", kWordWide, {kBlockSize, kMaxListedBlocks}},
      {"mister", kWordWide, sized(32 * kKiB)},
      {"mister-cart", {RamLayout::kWordWide, false, true}, sized(512 * kKiB)},
  };
  return forms;
}

std::optional<NamedMemoryForm> FindNamedMemoryForm(std::string_view name) {
  for (const NamedMemoryForm& form : NamedMemoryForms()) {
    if (form.name == name) return form;
  }
  return std::nullopt;
}

NamedMemoryForm ShapeOf(const MemoryFile& file, const BackupRamGeometry& geometry) {
  return {"", file.form, geometry};
}

}  // namespace quillmere::backup_ram
