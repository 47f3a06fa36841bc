#pragma once

#include <string>
#include <string_view>

// The texts the program shows its users, in one place.
namespace quillmere::messages {

inline constexpr std::string_view kCaption = "信息";
inline constexpr std::string_view kInvalidValue = "错误数值";
inline constexpr std::string_view kWriteFailed = "写入文件失败！";
inline constexpr std::string_view kReadFailed = "读取文件失败！";
inline constexpr std::string_view kFileTooLarge = "文件过大，无法读取！";
inline constexpr std::string_view kFileWritten = "文件已写入：";
inline constexpr std::string_view kFileChanged = "文件已被其他程序修改，已重新读取，请重试！";
inline constexpr std::string_view kFileBusy = "文件正被其他程序使用，请稍后再试！";
inline constexpr std::string_view kWrongFormat = "错误的存档格式！";
inline constexpr std::string_view kNotSarooSingleSave = "此存档不是SAROO单存档格式！";
inline constexpr std::string_view kChecksumFailed = "存档校验失败！";
inline constexpr std::string_view kSelectSaveToExport = "请先选中要导出的存档！";
inline constexpr std::string_view kNothingSelectedToTransfer = "未选中任何要转移的存档！";
inline constexpr std::string_view kImportDone = "导入完成！";
inline constexpr std::string_view kCompactDone = "整理完成!";
inline constexpr std::string_view kDirectoryFull = "存档列表已满!";
inline constexpr std::string_view kBitmapFullForRecord = "存档位图数据已满!";
inline constexpr std::string_view kBitmapFullForData = "存档位图空间不足!";
inline constexpr std::string_view kSaveTooLarge = "存档过大，无法写入！";
inline constexpr std::string_view kDamagedTarget = "目标存档已损坏，无法覆盖！";
inline constexpr std::string_view kUnnamedSave = "存档没有名称，无法写入！";
inline constexpr std::string_view kCannotCompactDamaged = "存档文件已损坏，无法整理！";
inline constexpr std::string_view kIncompleteSave = "存档已损坏，数据不完整：";
inline constexpr std::string_view kSelectSaveToDelete = "请先选中要删除的存档！";
inline constexpr std::string_view kRepairQuestion = "是否修复存档文件？";
inline constexpr std::string_view kRepairDone = "修复完成！";
inline constexpr std::string_view kNothingToRepair = "存档文件无需修复。";
inline constexpr std::string_view kCannotRepair = "无法修复：";
inline constexpr std::string_view kImageHasProblems = "存档文件有问题：";
inline constexpr std::string_view kNoProblemsFound = "未发现问题。";
// The import dialog's filters, description and pattern in pairs.
inline constexpr std::string_view kSingleSaveFilter = "SAROO单存档（*.bin）|*.bin|BUP存档（*.bup）|*.bup|SRO存档（*.sro）|*.sro";

// "存档列表1已满，无法继续写入！" and its pane 2 twin.
inline std::string ListFull(int pane) { return "存档列表" + std::to_string(pane) + "已满，无法继续写入！"; }

// "是否替换列表1已有存档？\r\n" and its pane 2 twin.
inline std::string ReplaceQuestion(int pane) { return "是否替换列表" + std::to_string(pane) + "已有存档？\r\n"; }

// "是否删除选中的N个存档？"
inline std::string DeleteQuestion(std::size_t count) { return "是否删除选中的" + std::to_string(count) + "个存档？"; }

// A failed write: the message, a line break and the path.
inline std::string WriteFailed(std::string_view path) { return std::string(kWriteFailed) + "\r\n" + std::string(path); }
inline std::string ReadFailed(std::string_view path) { return std::string(kReadFailed) + "\r\n" + std::string(path); }
// A single save whose checksum does not match its bytes.
inline std::string ChecksumFailed(std::string_view path) { return std::string(kChecksumFailed) + "\r\n" + std::string(path); }
inline std::string FileTooLarge(std::string_view path) { return std::string(kFileTooLarge) + "\r\n" + std::string(path); }
// A damaged image that compacting refuses, with the first problem that repair cannot mend.
inline std::string CannotCompactDamaged(std::string_view problem) {
  return std::string(kCannotCompactDamaged) + "\r\n" + std::string(problem);
}
// A save exported or transferred although part of its data could not be read.
inline std::string IncompleteSave(std::string_view name) { return std::string(kIncompleteSave) + std::string(name); }
// A container another program replaced since the pane read it: nothing was written.
inline std::string FileChanged(std::string_view path) { return std::string(kFileChanged) + "\r\n" + std::string(path); }
// A container another program kept locked for the whole wait: nothing was written.
inline std::string FileBusy(std::string_view path) { return std::string(kFileBusy) + "\r\n" + std::string(path); }
// A file written where no file browser could show it.
inline std::string FileWritten(std::string_view path) { return std::string(kFileWritten) + "\r\n" + std::string(path); }

}  // namespace quillmere::messages
