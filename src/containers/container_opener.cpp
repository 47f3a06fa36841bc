#include "containers/container_opener.h"

#include <algorithm>
#include <array>

#include "containers/backup_ram_write.h"
#include "containers/mems_image.h"
#include "containers/save_file.h"
#include "model/conversions.h"
#include "platform/gzip.h"

namespace quillmere {

namespace {

using backup_ram::RamLayout;

constexpr std::size_t kKiB = 1024;
// The sizes a backup RAM comes in: the internal memory, then the cartridges.
constexpr std::array<std::size_t, 5> kRamSizes = {32 * kKiB, 512 * kKiB, 1024 * kKiB, 2048 * kKiB, 4096 * kKiB};

constexpr std::string_view kMemsIdentification = "SaroMems";        // 8 bytes at +0 of SS_MEMS.BIN
constexpr std::string_view kSaveIdentification = "Saroo Save File";  // 15 bytes at +0 of SS_SAVE.BIN

// What a file's bytes say they are.
enum class Content { kNothing, kMems, kSave, kMemory };

struct Identified {
  Content content = Content::kNothing;
  RamLayout layout = RamLayout::kWordWide;  // kMemory: as the format text lies
};

bool StartsWith(const ByteBuffer& bytes, std::string_view text) {
  return bytes.size() >= text.size() && std::equal(text.begin(), text.end(), bytes.data(), [](char a, std::uint8_t b) {
           return static_cast<std::uint8_t>(a) == b;
         });
}

bool StartsFormatted(const ByteBuffer& ram) {
  return StartsWith(ram, backup_ram::kFormatText.substr(0, backup_ram::kFormatTextProbe));
}

Identified Identify(const ByteBuffer& bytes) {
  if (StartsWith(bytes, kMemsIdentification)) return {Content::kMems};
  if (StartsWith(bytes, kSaveIdentification)) return {Content::kSave};
  if (StartsFormatted(bytes)) return {Content::kMemory, RamLayout::kPacked};
  if (StartsFormatted(backup_ram::WordWideToRam(bytes.Slice(0, 2 * backup_ram::kFormatTextProbe)))) {
    return {Content::kMemory, RamLayout::kWordWide};
  }
  return {};
}

Content ContentOfKind(ContainerKind kind) {
  switch (kind) {
    case ContainerKind::kMems: return Content::kMems;
    case ContainerKind::kSave: return Content::kSave;
    case ContainerKind::kBkram:
    case ContainerKind::kBup: return Content::kMemory;
  }
  return Content::kNothing;
}

// That the content is not what `named` says: SS_MEMS.BIN's or SS_SAVE.BIN's
// identification, or a backup memory's format text.
Problem HoldsProblem(Content content, const std::string& file, const std::string& named) {
  switch (content) {
    case Content::kMems: return {HoldsMemsImage{file, named}, Severity::kFatal};
    case Content::kSave: return {HoldsSaveFile{file, named}, Severity::kFatal};
    default: return {HoldsBackupMemory{file, named}, Severity::kFatal};
  }
}

Message WritesRefused(const std::string& file, Message reason) {
  return {NotWritten{file}, {std::move(reason)}};
}

// Refuses writes for the first fatal problem found while opening.
void RefuseWritesFor(OpenedContainer& opened, const std::string& file, const Problem& problem) {
  opened.problems.push_back(problem);
  if (!opened.writeRefusal) opened.writeRefusal = WritesRefused(file, problem.AsMessage());
}

// An SS_SAVE.BIN whose end cuts a game's area is never written: a write
// would lengthen it with a fresh, empty area where that game's saves were.
// The check reports the cut itself (CheckSaveFile), so it is not added to
// the opening's problems.
void RefuseWritesToCutSaveFile(OpenedContainer& opened, const std::string& file) {
  const std::vector<Problem> cut = save_file::CutAreaProblems(opened.image);
  if (!cut.empty() && !opened.writeRefusal) opened.writeRefusal = WritesRefused(file, cut.front().AsMessage());
}

// The RAM size nearest `size`: a memory cut short or padded is read as the
// memory it most likely was.
std::size_t NearestRamSize(std::size_t size) {
  std::size_t nearest = kRamSizes[0];
  for (const std::size_t known : kRamSizes) {
    const auto distance = [size](std::size_t to) { return to > size ? to - size : size - to; };
    if (distance(known) < distance(nearest)) nearest = known;
  }
  return nearest;
}

// Establishes the backup memory's form, device and geometry.
void OpenMemory(OpenedContainer& opened, ByteBuffer contents, const Identified& identified, bool gzip,
                const OpenRequest& request) {
  const std::string& file = request.fileName;
  const std::optional<ContainerKind> byName = ContainerKindFromFileName(file);
  RamLayout layout = RamLayout::kWordWide;  // what the console's and the SAROO's names hold
  opened.formFrom = Evidence::kName;
  if (identified.content == Content::kMemory) {
    layout = identified.layout;
    opened.formFrom = Evidence::kContent;
  } else if (request.layout) {
    layout = *request.layout;
    opened.formFrom = Evidence::kOption;
  }
  if (identified.content == Content::kMemory && layout == RamLayout::kPacked &&
      (byName == ContainerKind::kBkram || byName == ContainerKind::kBup)) {
    opened.problems.push_back({ProblemFormUnusual{file}, Severity::kNote});
  }
  opened.memory.form = {layout, gzip, layout == RamLayout::kWordWide && contents.size() == backup_ram::kTwoMemoriesFileSize};
  opened.memory.contents = std::move(contents);
  opened.device = request.device;
  ByteBuffer ram = backup_ram::RamOf(opened.memory, request.device);

  // The console formats a memory before it writes one; a write into an
  // unformatted one would be formatted away.
  if (!StartsFormatted(ram)) RefuseWritesFor(opened, file, {ProblemUnformatted{}, Severity::kFatal});

  const std::size_t ramSize = ram.size();
  opened.presentBytes = ramSize;
  const std::size_t readAs = NearestRamSize(ramSize);
  if (readAs != ramSize) {
    // Missing bytes read as zeros, so that every save lies where it lay.
    ram.Resize(readAs);
    RefuseWritesFor(opened, file, {ProblemRamSize{ramSize, readAs}, Severity::kFatal});
  }
  opened.geometry = backup_ram::GeometryOfRam(readAs);
  opened.geometryFrom = Evidence::kSize;
  // A 4 MiB RAM stored word-wide is a cartridge of 1024-byte blocks or
  // YabaSanshiro's internal memory of 64-byte blocks: only the saves tell,
  // and an empty one tells nothing unless the user says.
  const bool eitherSize = readAs == 4096 * kKiB && layout == RamLayout::kWordWide && !opened.memory.form.twoMemories;
  const backup_ram::BackupRamGeometry internal{backup_ram::kBlockSize, backup_ram::kMaxListedBlocks};
  if (request.blockSize && !eitherSize && *request.blockSize != opened.geometry.blockSize) {
    RefuseWritesFor(opened, file, {ProblemBlockSizeNamed{*request.blockSize}, Severity::kFatal});
  } else if (eitherSize) {
    const auto smallSaves = SavesThatHoldTogether(ram, internal.blockSize);
    const auto largeSaves = SavesThatHoldTogether(ram, opened.geometry.blockSize);
    const bool small = smallSaves.value_or(0) > 0;
    const bool large = largeSaves.value_or(0) > 0;
    if (request.blockSize == internal.blockSize || request.blockSize == opened.geometry.blockSize) {
      const bool internalNamed = request.blockSize == internal.blockSize;
      if (internalNamed) opened.geometry = internal;
      opened.geometryFrom = Evidence::kOption;
      if (!(internalNamed ? smallSaves : largeSaves)) {
        RefuseWritesFor(opened, file, {ProblemBlockSizeNamed{*request.blockSize}, Severity::kFatal});
      }
    } else if (request.blockSize) {
      RefuseWritesFor(opened, file, {ProblemBlockSizeNamed{*request.blockSize}, Severity::kFatal});
    } else if (large && !smallSaves) {
      opened.geometryFrom = Evidence::kBlocks;
    } else if (small && !large) {
      opened.geometry = internal;
      opened.geometryFrom = Evidence::kBlocks;
    } else {
      const bool empty = smallSaves == 0 && largeSaves == 0;
      if ((small && large) || empty) {
        RefuseWritesFor(opened, file, {ProblemBlockSizeBoth{}, Severity::kFatal});
      } else {
        RefuseWritesFor(opened, file, {ProblemBlockSizeNeither{}, Severity::kFatal});
      }
    }
  }
  // Each save the end cuts short is named: its bytes past the end are zeros, not its data.
  if (ramSize < opened.geometry.RamSize()) {
    for (const SaveRecord& record : backup_ram::ListBackupRam(ram, opened.geometry).records) {
      if (!backup_ram::UnitsPresent(record, opened.geometry, ramSize)) {
        opened.problems.push_back({ProblemSaveCutByEnd{DecodeName(record.nameField), record.offset / opened.geometry.blockSize, ramSize},
                                   Severity::kFatal});
      }
    }
  }
  opened.image = std::move(ram);
}

}  // namespace

std::optional<std::size_t> SavesThatHoldTogether(const ByteBuffer& ram, std::size_t blockSize) {
  const std::size_t count = ram.size() / blockSize;
  const std::size_t firstStream = blockSize - backup_ram::kBlockListOffset;
  const std::size_t furtherStream = blockSize - backup_ram::kFurtherStreamOffset;
  auto isStart = [&](std::size_t block) { return ram.ReadU32(block * blockSize) == backup_ram::kSaveMarker; };
  std::vector<bool> seen(count, false);
  std::size_t saves = 0;
  for (std::size_t start = 1; start < count; ++start) {
    if (!isStart(start)) continue;
    ++saves;
    std::vector<std::size_t> blocks = {start};
    for (std::size_t position = 0;; position += backup_ram::kListEntrySize) {
      // The list runs through the stream: the first block from +34, each further block from +4.
      std::size_t offset = start * blockSize + backup_ram::kBlockListOffset + position;
      if (position >= firstStream) {
        const std::size_t index = 1 + (position - firstStream) / furtherStream;
        if (index >= blocks.size()) return std::nullopt;
        offset = blocks[index] * blockSize + backup_ram::kFurtherStreamOffset + (position - firstStream) % furtherStream;
      }
      const std::size_t entry = ram.ReadU16(offset);
      if (entry == 0) break;
      if (entry >= count || seen[entry] || isStart(entry)) return std::nullopt;
      seen[entry] = true;
      blocks.push_back(entry);
    }
    // As many further blocks as the list and the data need, and no more.
    const std::size_t size = ram.ReadU32(start * blockSize + backup_ram::kSizeOffset);
    const std::size_t further = blocks.size() - 1;
    const std::size_t stream = size + backup_ram::kListEntrySize * (further + 1);
    const std::size_t held = firstStream + further * furtherStream;
    if (held < stream || (further > 0 && held - furtherStream >= stream - backup_ram::kListEntrySize)) {
      return std::nullopt;
    }
  }
  return saves;
}

OpenOutcome OpenContainer(ByteBuffer file, const OpenRequest& request) {
  const std::string& name = request.fileName;
  OpenedContainer opened;

  // A gzip stream is a memory's file only when it inflates exactly; one that
  // does not (damage, bytes after it) is read as it lies, and never written.
  std::optional<ByteBuffer> inflated;
  std::optional<Problem> gzipDamage;
  if (platform::LooksGzipped(file.bytes())) {
    if (auto bytes = platform::Gunzip(file.bytes(), backup_ram::kMaxFileSize)) {
      inflated = ByteBuffer(std::move(*bytes));
    } else {
      gzipDamage = Problem{ProblemGzipDamaged{}, Severity::kFatal};
    }
  }
  // Only a backup memory is kept compressed.
  const bool gzip = inflated && Identify(*inflated).content == Content::kMemory;
  ByteBuffer contents = gzip ? std::move(*inflated) : std::move(file);
  const Identified identified = Identify(contents);

  const std::optional<ContainerKind> byName = ContainerKindFromFileName(name);
  if (request.kind) {
    const Content named = ContentOfKind(*request.kind);
    const bool layoutContradicts = identified.content == Content::kMemory && request.layout &&
                                   *request.layout != identified.layout;
    if ((identified.content != Content::kNothing && identified.content != named) || layoutContradicts) {
      const std::string option = std::string("--kind ") +
                                 (request.layout == RamLayout::kPacked ? "packed"
                                                                       : std::string(ContainerKindName(*request.kind)));
      return OpenRefusal{OpenFailure::kContradiction, HoldsProblem(identified.content, name, option).AsMessage()};
    }
    opened.kind = *request.kind;
    opened.kindFrom = Evidence::kOption;
  } else if (byName) {
    opened.kind = *byName;
    opened.kindFrom = Evidence::kName;
    const Content expected = ContentOfKind(*byName);
    if (identified.content != Content::kNothing) {
      opened.kindFrom = Evidence::kContent;
      if (identified.content != expected) {
        // Listed as what it holds; no writer acts on a file whose name says otherwise.
        opened.kind = identified.content == Content::kMems   ? ContainerKind::kMems
                      : identified.content == Content::kSave ? ContainerKind::kSave
                                                             : ContainerKind::kBkram;
        RefuseWritesFor(opened, name, HoldsProblem(identified.content, name, std::string(ContainerFileName(*byName))));
      }
    }
  } else if (identified.content != Content::kNothing) {
    opened.kind = identified.content == Content::kMems   ? ContainerKind::kMems
                  : identified.content == Content::kSave ? ContainerKind::kSave
                                                         : ContainerKind::kBkram;
    opened.kindFrom = Evidence::kContent;
  } else {
    Message message{CannotTellKind{name}, {}};
    if (gzipDamage) message.lines.push_back(gzipDamage->AsMessage());
    return OpenRefusal{OpenFailure::kUnknownKind, message};
  }

  if (opened.IsBackupMemory() && contents.size() > backup_ram::kMaxFileSize) {
    return OpenRefusal{OpenFailure::kTooLarge, {WrongFormat{}, {}}};
  }
  if (gzipDamage) RefuseWritesFor(opened, name, *gzipDamage);
  if (opened.IsBackupMemory()) {
    OpenMemory(opened, std::move(contents), identified, gzip, request);
  } else {
    opened.image = std::move(contents);
    if (opened.kind == ContainerKind::kMems && opened.image.size() < mems::kDataAreaOffset) {
      if (!opened.writeRefusal) opened.writeRefusal = WritesRefused(name, {WrongFormat{}, {}});
    }
    if (opened.kind == ContainerKind::kSave) RefuseWritesToCutSaveFile(opened, name);
  }
  return opened;
}

ByteBuffer ContainerFileBytes(const OpenedContainer& opened, const ByteBuffer& image) {
  if (!opened.IsBackupMemory()) return image;
  return backup_ram::FileWithRam(opened.memory, opened.device, image);
}

}  // namespace quillmere
