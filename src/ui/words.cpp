#include "ui/words.h"

using namespace quillmere;

QUILLMERE_PHRASE(ui::HintProgramFolder, "", "%1放程序目录",
                 "Need %1 here");
QUILLMERE_PHRASE(ui::HintOtherFolder, "", "%1放OTHER目录",
                 "Need OTHER/%1");
QUILLMERE_PHRASE(ui::MapCaption, "", "VIEW MAP ( Cluster size:%1 )",
                 "VIEW MAP ( Cluster size:%1 )");
QUILLMERE_PHRASE(ui::WindowNotAFolder, "", "quillmere: %1：不是文件夹，也不是存档文件",
                 "quillmere: %1: not a folder or a container file");
QUILLMERE_PHRASE(ui::RemainingFigure, "", "剩余%1%2",
                 "%1 %2 free");
QUILLMERE_PHRASE(ui::HintFolder, "", "%1放%2目录",
                 "Need %2/%1");
QUILLMERE_PHRASE(ui::HintFolderTip, "", "把%1放到%2",
                 "Put %1 in %2");
// The user's folder of an installed copy, "Quillmere", named whole in the hint's 140 pixels.
QUILLMERE_PHRASE(ui::HintUserFolder, "", "%1放%2",
                 "%2/%1");
QUILLMERE_PHRASE(ui::NoFileHere, "", "%2中没有%1",
                 "There is no %1 in %2");
QUILLMERE_PHRASE(ui::Progress, "", "正在处理：%1/%2",
                 "Working: %1 of %2");
QUILLMERE_PHRASE(ui::HintProgramFolderTip, "", "把%1放到程序目录",
                 "Put %1 in the program folder");
QUILLMERE_PHRASE(ui::HintOtherFolderTip, "", "把%1放到OTHER目录",
                 "Put %1 in the OTHER folder");
QUILLMERE_PHRASE(ui::MapTipCluster, "", "簇%1",
                 "Cluster %1");
QUILLMERE_PHRASE(ui::MapTipBlock, "", "块%1",
                 "Block %1");
QUILLMERE_PHRASE(ui::MapTipSaveClusters, "", "%1：第%2簇，共%3簇",
                 "%1: cluster %2 of %3");
QUILLMERE_PHRASE(ui::MapTipSaveBlocks, "", "%1：第%2块，共%3块",
                 "%1: block %2 of %3");
QUILLMERE_PHRASE(ui::HistoryTitle, "", "历史版本：%1",
                 "History: %1");
QUILLMERE_PHRASE(ui::HistorySavesTitle, "", "第%2个版本中的存档：%1",
                 "The saves of version %2: %1");

namespace quillmere::ui {

namespace {

constexpr catalog::Word<UiText> kWords[] = {
    QUILLMERE_WORD(UiText, kCaption, "信息", "Information"),
    QUILLMERE_WORD(UiText, kCaptionWarning, "警告", "Warning"),
    QUILLMERE_WORD(UiText, kCaptionError, "错误", "Error"),
    QUILLMERE_WORD(UiText, kCaptionQuestion, "请确认", "Please confirm"),
    QUILLMERE_WORD(UiText, kSingleSaveFilter, "所有存档文件（*.bin *.sro *.bup）|*.bin;*.BIN;*.sro;*.SRO;*.bup;*.BUP|"
     "SAROO单存档（*.bin）|*.bin|BUP存档（*.bup）|*.bup|SRO存档（*.sro）|*.sro", "All save files (*.bin *.sro *.bup)|*.bin;*.BIN;*.sro;*.SRO;*.bup;*.BUP|"
     "SAROO single save (*.bin)|*.bin|BUP save (*.bup)|*.bup|SRO save (*.sro)|*.sro"),
    QUILLMERE_WORD(UiText, kSsfFileFilter, "SSF单存档文件（*.bin）|*.bin", "SSF single save (*.bin)|*.bin"),
    QUILLMERE_WORD(UiText, kSarooFileFilter, "SAROO单存档（*.bin）|*.bin|SRO存档（*.sro）|*.sro", "SAROO single save (*.bin)|*.bin|SRO save (*.sro)|*.sro"),
    QUILLMERE_WORD(UiText, kContainerFileFilter, "存档文件（*.bin *.bkr *.bcr *.srm *.sav *.ram）|*.bin;*.bkr;*.bcr;*.srm;*.sav;*.ram|所有文件（*）|*", "Save files (*.bin *.bkr *.bcr *.srm *.sav *.ram)|*.bin;*.bkr;*.bcr;*.srm;*.sav;*.ram|All files (*)|*"),
    QUILLMERE_WORD(UiText, kWindowTitle, "QuillmereV1.85", "QuillmereV1.85"),
    QUILLMERE_WORD(UiText, kTransferArea, "SAROO存档转移", "SAROO save transfer"),
    QUILLMERE_WORD(UiText, kImport, "导入", "Import"),
    QUILLMERE_WORD(UiText, kExport, "导出", "Export"),
    QUILLMERE_WORD(UiText, kRefresh, "刷新", "Reload"),
    QUILLMERE_WORD(UiText, kTransferLeft, "<<转移", "<<Move"),
    QUILLMERE_WORD(UiText, kTransferRight, "转移>>", "Move>>"),
    QUILLMERE_WORD(UiText, kCompact, "整理", "Tidy"),
    QUILLMERE_WORD(UiText, kMap, "MAP", "MAP"),
    QUILLMERE_WORD(UiText, kRemaining, "剩余:", "Free"),
    QUILLMERE_WORD(UiText, kClearUnusedOnRefresh, "刷新时清空未使用区域", "Clear free space"),
    QUILLMERE_WORD(UiText, kOverwriteOnTransfer, "转移时覆盖同名存档", "Replace same name"),
    QUILLMERE_WORD(UiText, kExportBup, "导出为BUP", "Export as BUP"),
    QUILLMERE_WORD(UiText, kExportSro, "导出为SRO", "Export as SRO"),
    QUILLMERE_WORD(UiText, kDelete, "删除", "Delete"),
    QUILLMERE_WORD(UiText, kCheck, "检查", "Check"),
    QUILLMERE_WORD(UiText, kRepair, "修复", "Repair"),
    QUILLMERE_WORD(UiText, kImportToGame, "导入到游戏…", "Import to game…"),
    QUILLMERE_WORD(UiText, kOpenFile, "打开文件…", "Open file…"),
    QUILLMERE_WORD(UiText, kOpenFolder, "打开文件夹…", "Open folder…"),
    QUILLMERE_WORD(UiText, kUsualFolder, "回到程序目录", "Back to the program's folder"),
    QUILLMERE_WORD(UiText, kShowCartridge, "显示卡带存档", "Show the cartridge's saves"),
    QUILLMERE_WORD(UiText, kShowInternal, "显示内部存档", "Show the internal saves"),
    QUILLMERE_WORD(UiText, kSsfToSarooArea, "SSF单存档转SAROO单存档", "SSF single save to SAROO single save"),
    QUILLMERE_WORD(UiText, kSarooToSsfArea, "SAROO单存档转SSF单存档", "SAROO single save to SSF single save"),
    QUILLMERE_WORD(UiText, kToSaroo, "转成SAROO单存档", "To SAROO save"),
    QUILLMERE_WORD(UiText, kToSsf, "转成SSF单存档", "To SSF save"),
    QUILLMERE_WORD(UiText, kPickFile, "...", "..."),
    QUILLMERE_WORD(UiText, kSsfLabel, "SSF存档", "SSF"),
    QUILLMERE_WORD(UiText, kSarooLabel, "SAROO存档", "SAROO"),
    QUILLMERE_WORD(UiText, kColumnNum, "Num", "Num"),
    QUILLMERE_WORD(UiText, kColumnName, "Name", "Name"),
    QUILLMERE_WORD(UiText, kColumnAddress, "Address", "Address"),
    QUILLMERE_WORD(UiText, kColumnComment, "Comment", "Comment"),
    QUILLMERE_WORD(UiText, kColumnDate, "Date", "Date"),
    QUILLMERE_WORD(UiText, kColumnSize, "Size", "Size"),
    QUILLMERE_WORD(UiText, kWindowUsage, "用法：quillmere [--language zh|en] [文件夹]", "usage: quillmere [--language zh|en] [FOLDER]"),
    QUILLMERE_WORD(UiText, kFormPacked, "Mednafen", "Mednafen"),
    QUILLMERE_WORD(UiText, kFormGzip, "gzip", "gzip"),
    QUILLMERE_WORD(UiText, kFormTwoMemories, "MiSTer", "MiSTer"),
    QUILLMERE_WORD(UiText, kFormPackedTip, "紧凑存储（Mednafen、Beetle Saturn、Ymir的形式）", "packed (as Mednafen, Beetle Saturn and Ymir keep it)"),
    QUILLMERE_WORD(UiText, kFormGzipTip, "gzip压缩", "gzip-compressed"),
    QUILLMERE_WORD(UiText, kFormWordWideTip, "字宽存储（与BKRAMSV.BIN相同）", "word-wide (as BKRAMSV.BIN)"),
    QUILLMERE_WORD(UiText, kFormTwoMemoriesTip, "MiSTer文件：内部存储，其后为卡带", "MiSTer file: the internal memory, then a cartridge"),
    QUILLMERE_WORD(UiText, kDeviceInternal, "内部存储", "internal"),
    QUILLMERE_WORD(UiText, kDeviceCartridge, "卡带", "cartridge"),
    QUILLMERE_WORD(UiText, kKindMemsImage, "存档镜像", "save image"),
    QUILLMERE_WORD(UiText, kKindBackupMemory, "备份内存", "backup memory"),
    QUILLMERE_WORD(UiText, kKindSaveFile, "存档文件", "save file"),
    QUILLMERE_WORD(UiText, kUnitBytes, "字节", "bytes"),
    QUILLMERE_WORD(UiText, kUnitBlocks, "块", "blocks"),
    QUILLMERE_WORD(UiText, kLanguageChinese, "中文", "中文"),
    QUILLMERE_WORD(UiText, kLanguageEnglish, "English", "English"),
    QUILLMERE_WORD(UiText, kRemainingTip, "剩余空间", "Remaining space"),
    QUILLMERE_WORD(UiText, kClearUnusedTip, "刷新时清空未使用区域", "On refresh, clear the area that no save uses"),
    QUILLMERE_WORD(UiText, kOverwriteTip, "转移时覆盖同名存档", "On transfer, replace a save of the same name"),
    QUILLMERE_WORD(UiText, kCompactTip, "整理：存档占用连续的槽位和簇", "Compact: put the saves in consecutive slots and clusters"),
    QUILLMERE_WORD(UiText, kMapTipFree, "空闲", "free"),
    QUILLMERE_WORD(UiText, kMapTipMemsHeader, "文件头和存档目录", "the image's header and save directory"),
    QUILLMERE_WORD(UiText, kMapTipRamHeader, "备份内存的文件头", "the memory's header"),
    QUILLMERE_WORD(UiText, kMapTipUnlisted, "标记为已用，但没有存档列出它", "marked used, but no listed save names it"),
    QUILLMERE_WORD(UiText, kMapLegendFree, "空闲", "Free"),
    QUILLMERE_WORD(UiText, kMapLegendUsed, "已用", "Used"),
    QUILLMERE_WORD(UiText, kMapLegendFirst, "存档首块", "A save's first unit"),
    QUILLMERE_WORD(UiText, kMapLegendBlink, "选中的存档（闪烁）", "Chosen save (blinks)"),
    QUILLMERE_WORD(UiText, kUndoLastChange, "撤销上次修改", "Undo last change"),
    QUILLMERE_WORD(UiText, kHistoryMenu, "历史版本…", "History…"),
    QUILLMERE_WORD(UiText, kHistoryColumnNumber, "版本", "Version"),
    QUILLMERE_WORD(UiText, kHistoryColumnTime, "时间", "Time"),
    QUILLMERE_WORD(UiText, kHistoryColumnOperation, "操作", "Operation"),
    QUILLMERE_WORD(UiText, kHistoryColumnSaves, "存档", "Saves"),
    QUILLMERE_WORD(UiText, kHistoryColumnSize, "大小", "Size"),
    QUILLMERE_WORD(UiText, kHistoryRestore, "恢复此版本", "Restore this version"),
    QUILLMERE_WORD(UiText, kHistoryShowSaves, "查看存档", "Show its saves"),
    QUILLMERE_WORD(UiText, kHistoryExportSave, "导出选中的存档", "Export the chosen save"),
    QUILLMERE_WORD(UiText, kHistoryKeepVersions, "每个文件保留的版本数：", "Versions kept of each file:"),
    QUILLMERE_WORD(UiText, kHistoryKeepMegabytes, "历史版本最多占用（MiB）：", "Space all versions may take (MiB):"),
};

constexpr auto kTable = catalog::ById(kWords);

}  // namespace

std::string_view Caption(UiText id, catalog::Language language) {
  return kTable[static_cast<std::size_t>(id)].In(language);
}

std::span<const catalog::Word<UiText>> EveryCaption() { return kTable; }

std::string Caption(UiText id) { return std::string(Caption(id, catalog::CurrentLanguage())); }

std::string Say(const UiPhrase& phrase) { return catalog::Say(phrase); }

std::vector<catalog::SampleText> PhraseSamples(bool one) { return catalog::Samples<UiPhrase>(one); }

std::string FilterWords(FileFilter filter) {
  switch (filter) {
    case FileFilter::kSingleSave: return Caption(UiText::kSingleSaveFilter);
    case FileFilter::kSsf: return Caption(UiText::kSsfFileFilter);
    case FileFilter::kSaroo: return Caption(UiText::kSarooFileFilter);
    case FileFilter::kContainer: break;
  }
  return Caption(UiText::kContainerFileFilter);
}

std::string ColumnCaption(SaveColumn column) {
  static constexpr std::array<UiText, kSaveColumnCount> kCaptions = {
      UiText::kColumnNum, UiText::kColumnName, UiText::kColumnAddress,
      UiText::kColumnComment, UiText::kColumnDate, UiText::kColumnSize};
  return Caption(kCaptions[static_cast<std::size_t>(column)]);
}

std::string ColumnCaption(singlesave::SingleSaveColumn column) {
  static constexpr std::array<UiText, singlesave::kSingleSaveColumnCount> kCaptions = {
      UiText::kColumnName, UiText::kColumnComment, UiText::kColumnDate, UiText::kColumnSize};
  return Caption(kCaptions[static_cast<std::size_t>(column)]);
}

}  // namespace quillmere::ui
