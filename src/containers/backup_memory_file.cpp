#include "containers/backup_memory_file.h"

#include <algorithm>

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
  if (file.form.layout == RamLayout::kPacked) return file.contents.Slice(span.offset, span.length);
  // Every second byte of the span, as WordWideToRam takes them, without a copy of the span.
  const std::size_t size = file.contents.size();
  const std::size_t offset = std::min(span.offset, size);
  const std::size_t length = std::min(span.length, size - offset);
  std::vector<std::uint8_t> ram(length / 2);
  const std::uint8_t* words = file.contents.data() + offset;
  for (std::size_t k = 0; k < ram.size(); ++k) ram[k] = words[2 * k + 1];
  return ByteBuffer(std::move(ram));
}

ByteBuffer FileWithRam(const MemoryFile& file, Device device, const ByteBuffer& ram) {
  const Span span = SpanOf(file, device);
  const std::vector<std::uint8_t>& old = file.contents.bytes();
  const std::size_t offset = std::min(span.offset, old.size());
  const std::size_t length = std::min(span.length, old.size() - offset);
  // The memory's bytes, then what followed it; a lengthened RAM pushes nothing out.
  std::vector<std::uint8_t> contents;
  contents.reserve(old.size() + 2 * ram.size());
  contents.insert(contents.end(), old.begin(), old.begin() + static_cast<std::ptrdiff_t>(offset));
  if (file.form.layout == RamLayout::kPacked) {
    contents.insert(contents.end(), ram.bytes().begin(), ram.bytes().end());
  } else {
    // As RamIntoWordWide writes it: the span's bytes, lengthened with 0xFF
    // to hold the RAM, each second one the RAM's.
    const std::size_t at = contents.size();
    contents.insert(contents.end(), old.begin() + static_cast<std::ptrdiff_t>(offset),
                    old.begin() + static_cast<std::ptrdiff_t>(offset + length));
    if (length < 2 * ram.size()) contents.resize(at + 2 * ram.size(), 0xFF);
    const std::uint8_t* from = ram.data();
    for (std::size_t k = 0; k < ram.size(); ++k) contents[at + 2 * k + 1] = from[k];
  }
  const std::size_t after = span.offset + span.length;
  if (after < old.size()) contents.insert(contents.end(), old.begin() + static_cast<std::ptrdiff_t>(after), old.end());
  if (!file.form.gzip) return ByteBuffer(std::move(contents));
  return ByteBuffer(platform::Gzip(contents));
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
