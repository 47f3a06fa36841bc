#include "containers/pane_load.h"

#include "platform/file_io.h"

namespace quillmere {

PaneLoad ReadPaneFile(const std::filesystem::path& file) {
  PaneLoad load;
  load.file = file;
  if (!platform::FileExists(file)) return load;
  load.fileFound = true;
  load.image = ByteBuffer(platform::ReadWholeFile(file));
  return load;
}

}  // namespace quillmere
