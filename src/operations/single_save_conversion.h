#pragma once

#include <filesystem>
#include <optional>

#include "operations/host.h"
#include "singlesave/converter.h"

// The two convert buttons of the converter panels. The bytes are built in
// singlesave/converter; here they are written and shown through the host.
namespace quillmere {

enum class ConversionOutcome {
  kNothingToDo,  // the path box is empty
  kRefused,      // "错误的存档格式！", or "存档校验失败！" and the path, was shown; nothing written
  kReadFailed,   // the file exists but was not read ("读取文件失败！" or "文件过大，无法读取！"
                 // was shown, a line break and the path); nothing written
  kWriteFailed,  // "写入文件失败！", a line break and the path were shown; nothing revealed
  kWritten,      // written, and the host was asked to reveal the file
};

struct ConversionResult {
  ConversionOutcome outcome = ConversionOutcome::kNothingToDo;
  std::filesystem::path path;  // the file written, or the one that could not be written
};

// The warning for a single save (SAROO, .SRO or .BUP) whose stated size is
// not the length of the data it carries: the path, both numbers and the
// length taken (singlesave::SingleSaveData). Nothing for a save whose sizes
// agree, and for the SSF form, which states none.
std::optional<Message> SizesDifferWarning(const std::filesystem::path& path, const ByteBuffer& file);

// What a converter half shows for the file at `path`: its row, and for the
// SAROO half the packed date. A missing file shows what an empty one gives.
// A file that exists but cannot be read whole shows nothing (empty cells, no
// date) after its message. A SAROO file whose checksum does not match shows
// its row after "存档校验失败！" and the path.
singlesave::SingleSaveRow ShowSsfFile(const std::filesystem::path& path, Host& host);
singlesave::SarooShown ShowSarooFile(const std::filesystem::path& path, Host& host);

// "转成SAROO单存档": reads the SSF file (or a .BUP, which it converts as
// such) at `path` again, builds its SAROO
// single save with the date the row `shown` shows, creates `outputFolder`
// when missing (the GUI passes singlesave::SarooFolder(programDirectory)),
// writes the file atomically, replacing one of the same name without asking
// (a .BUP whose sizes differ is converted after SizesDifferWarning)
// (never the file converted, nor a container file: those take "NAME~2.bin"),
// and asks the host to reveal it.
ConversionResult ConvertSsfToSaroo(const std::filesystem::path& path, const singlesave::SingleSaveRow& shown,
                                   const std::filesystem::path& outputFolder, Host& host);

// "转成SSF单存档": the same for the SAROO file at `path`. The SSF date is
// `pendingSsfDate`, computed when the file was shown; when nothing was shown
// yet, the date the file's row would show. A file whose checksum does not
// match is refused ("存档校验失败！" and the path); one whose sizes differ is
// converted after SizesDifferWarning. The GUI passes
// singlesave::SsfFolder(programDirectory).
ConversionResult ConvertSarooToSsf(const std::filesystem::path& path,
                                   const std::optional<singlesave::SsfPackedDate>& pendingSsfDate,
                                   const std::filesystem::path& outputFolder, Host& host);

}  // namespace quillmere
