#include "containers/pane_load.h"

#include "model/messages.h"
#include "platform/file_io.h"

namespace quillmere {

PaneLoad ReadPaneFile(const std::filesystem::path& file) {
  PaneLoad load;
  load.file = file;
  platform::FileContents contents = platform::ReadFileChecked(file);
  switch (contents.status) {
    case platform::ReadStatus::kRead:
      load.fileFound = true;
      load.image = ByteBuffer(std::move(contents.bytes));
      break;
    case platform::ReadStatus::kMissing: break;
    case platform::ReadStatus::kUnreadable: RefusePaneLoad(load, messages::ReadFailed(platform::PathToUtf8(file))); break;
    case platform::ReadStatus::kTooLarge: RefusePaneLoad(load, messages::FileTooLarge(platform::PathToUtf8(file))); break;
  }
  return load;
}

void RefusePaneLoad(PaneLoad& load, std::string message) {
  const std::filesystem::path file = load.file;
  load = PaneLoad{};
  load.file = file;
  load.refusal = std::move(message);
}

}  // namespace quillmere
