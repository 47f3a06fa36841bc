#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "model/byte_buffer.h"

namespace quillmere {

// A save that compacting has lifted out of an image, as a SAROO single save.
struct CollectedSave {
  std::string name;
  ByteBuffer image;
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
  // The single save and name that compacting hands to import.
  ByteBuffer pendingImage;
  std::string pendingName;
  // What export gathers while compacting.
  std::vector<CollectedSave> collectedSaves;
};

}  // namespace quillmere
