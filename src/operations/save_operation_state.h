#pragma once

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "model/byte_buffer.h"
#include "model/outcome.h"
#include "operations/export_names.h"

namespace quillmere {

// A save that compacting has lifted out of an image, as a SAROO single save.
struct CollectedSave {
  std::string name;
  ByteBuffer image;
  ByteBuffer slotName;  // the 12 bytes of the directory slot that listed it
};

// State the operations share while they chain into one another.
struct SaveOperationState {
  // False exactly while a transfer or a compaction runs: no dialogs, no
  // questions, no completion messages, and no clearing of unused space.
  bool interactive = true;
  // True only while a compaction runs.
  bool compacting = false;
  // The source row (0-based) that export takes while not interactive.
  int transferRow = 0;
  // The single save the last export wrote.
  std::filesystem::path transferPath;
  // The single save, name and slot name that compacting hands to import.
  ByteBuffer pendingImage;
  std::string pendingName;
  ByteBuffer pendingSlotName;
  // What export gathers while compacting.
  std::vector<CollectedSave> collectedSaves;
  // The file names this export or transfer has taken.
  ExportNames exportNames;
  // The game (its 16-byte ID) whose SS_SAVE.BIN area imports write into;
  // empty until one is chosen or named.
  ByteBuffer targetGame;
  // The refusals for lack of room a run of imports has shown: each is said
  // once, not once per save that meets it.
  std::set<TextId> shownRoomRefusals;
};

}  // namespace quillmere
