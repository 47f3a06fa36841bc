#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "containers/backup_memory_file.h"
#include "containers/backup_ram.h"
#include "model/byte_buffer.h"
#include "model/container_kind.h"
#include "model/outcome.h"

// The one way a container file is opened. From the file's bytes, its name and
// what the user named, it establishes what the file is (its kind, the form a
// backup memory is stored in, the memory's block size and which memory of a
// file of two), or refuses. Nothing is guessed: there is no default kind, and
// a writer acts only on a container whose opening left no doubt.
namespace quillmere {

// What the user named: --kind (a packed memory is a backup memory, packed)
// and --device.
struct OpenRequest {
  std::string fileName;  // the file's own name, without its folder
  std::optional<ContainerKind> kind;
  std::optional<backup_ram::RamLayout> layout;  // with kind: the memory's form, where the user named it
  backup_ram::Device device = backup_ram::Device::kInternal;
  // The block size of a 4 MiB RAM stored word-wide, which its saves alone
  // may not tell (an empty one): 64 or 1024.
  std::optional<std::size_t> blockSize;
};

// Where each fact of an opened container came from.
enum class Evidence {
  kName,     // the file's name
  kContent,  // an identification in the bytes: "SaroMems", "Saroo Save File", "BackUpRam Format"
  kOption,   // what the user named
  kSize,     // the memory's size
  kBlocks,   // the block size at which every save's block list holds together
};

// A container as opened: a value the listers, the checks and the writers share.
struct OpenedContainer {
  ContainerKind kind = ContainerKind::kMems;
  Evidence kindFrom = Evidence::kName;
  // SS_MEMS.BIN and SS_SAVE.BIN: the file's bytes. A backup memory: the RAM
  // of `device`, exactly as long as its geometry (bytes missing from a short
  // memory read as zeros).
  ByteBuffer image;
  // A backup memory: how the file holds it, and its bytes (decompressed).
  backup_ram::MemoryFile memory;
  Evidence formFrom = Evidence::kContent;
  backup_ram::BackupRamGeometry geometry;
  Evidence geometryFrom = Evidence::kSize;
  // The RAM bytes the file holds: fewer than the geometry's for a memory cut
  // short, whose saves past them are incomplete.
  std::size_t presentBytes = 0;
  backup_ram::Device device = backup_ram::Device::kInternal;
  // What the opening found that a check reports besides the container's own
  // problems (notes among them).
  std::vector<Problem> problems;
  // Set when no writer may act on the file: why (a message with its reason
  // as its line).
  std::optional<Message> writeRefusal;

  bool IsBackupMemory() const { return kind == ContainerKind::kBkram || kind == ContainerKind::kBup; }
};

// Why a file could not be opened at all.
enum class OpenFailure {
  kUnknownKind,    // neither the name nor the content nor an option tells what it is
  kContradiction,  // --kind names another kind than the content shows
  kTooLarge,       // larger than any backup memory's file, the largest a 4 MiB cartridge stored word-wide
};
struct OpenRefusal {
  OpenFailure failure = OpenFailure::kUnknownKind;
  Message message;
};

using OpenOutcome = std::variant<OpenedContainer, OpenRefusal>;

// Opens the bytes of the file named `request.fileName` (decompressed first
// when they are a whole gzip stream). `file` is what was read, at most
// platform::kMaxReadSize bytes; an SS_MEMS.BIN or SS_SAVE.BIN keeps them as
// its image, uncopied.
OpenOutcome OpenContainer(ByteBuffer file, const OpenRequest& request);

// The file as a writer puts it back: `image` as the container's bytes, or as
// the memory of its device in the file's form.
ByteBuffer ContainerFileBytes(const OpenedContainer& opened, const ByteBuffer& image);

// How many saves `ram` holds at `blockSize` when every one of them holds
// together there (its block list in range, without repeats, naming no save's
// first block, and as long as its size needs); nothing when one does not.
std::optional<std::size_t> SavesThatHoldTogether(const ByteBuffer& ram, std::size_t blockSize);

}  // namespace quillmere
