#include "catalog/catalog.h"

#include <array>
#include <atomic>
#include <cstdlib>

namespace quillmere::catalog {

namespace {

struct Entry {
  TextId id;
  std::size_t arguments;
  std::string_view code;  // problems and mendings only
  std::string_view chinese;
  std::string_view english;
};

constexpr Entry kEntries[] = {
    {TextId::kCaption, 0, "", "信息",
     "Information"},
    {TextId::kWriteFailed, 1, "", "写入文件失败！\r\n%1",
     "Could not write the file!\r\n%1"},
    {TextId::kReadFailed, 1, "", "读取文件失败！\r\n%1",
     "Could not read the file!\r\n%1"},
    {TextId::kFileTooLarge, 1, "", "文件过大，无法读取！\r\n%1",
     "The file is too large to read!\r\n%1"},
    {TextId::kFileWritten, 1, "", "文件已写入：\r\n%1",
     "File written:\r\n%1"},
    {TextId::kFileChanged, 1, "", "文件已被其他程序修改，已重新读取，请重试！\r\n%1",
     "Another program changed the file; it was read again. Please try again!\r\n%1"},
    {TextId::kFileBusy, 1, "", "文件正被其他程序使用，请稍后再试！\r\n%1",
     "Another program is using the file. Please try again later!\r\n%1"},
    {TextId::kWrongFormat, 0, "", "错误的存档格式！",
     "Wrong save format!"},
    {TextId::kNotSarooSingleSave, 0, "", "此存档不是SAROO单存档格式！",
     "This save is not a SAROO single save!"},
    {TextId::kChecksumFailed, 1, "", "存档校验失败！\r\n%1",
     "The save's checksum does not match!\r\n%1"},
    {TextId::kSelectSaveToExport, 0, "", "请先选中要导出的存档！",
     "Select the save to export first!"},
    {TextId::kNothingSelectedToTransfer, 0, "", "未选中任何要转移的存档！",
     "No save is selected to transfer!"},
    {TextId::kImportDone, 0, "", "导入完成！",
     "Import done!"},
    {TextId::kCompactDone, 0, "", "整理完成!",
     "Compacting done!"},
    {TextId::kDirectoryFull, 0, "", "存档列表已满!",
     "The save list is full!"},
    {TextId::kBitmapFullForRecord, 0, "", "存档位图数据已满!",
     "The save bitmap is full!"},
    {TextId::kBitmapFullForData, 0, "", "存档位图空间不足!",
     "Not enough room in the save bitmap!"},
    {TextId::kSaveTooLarge, 0, "", "存档过大，无法写入！",
     "The save is too large to write!"},
    {TextId::kDamagedTarget, 0, "", "目标存档已损坏，无法覆盖！",
     "The save to replace is damaged and cannot be overwritten!"},
    {TextId::kUnnamedSave, 0, "", "存档没有名称，无法写入！",
     "The save has no name and cannot be written!"},
    {TextId::kCannotCompactDamaged, 0, "", "存档文件已损坏，无法整理！",
     "The save file is damaged and cannot be compacted!"},
    {TextId::kIncompleteSave, 1, "", "存档已损坏，数据不完整：%1",
     "The save is damaged, its data incomplete: %1"},
    {TextId::kSelectSaveToDelete, 0, "", "请先选中要删除的存档！",
     "Select the saves to delete first!"},
    {TextId::kRepairQuestion, 0, "", "是否修复存档文件？",
     "Repair the save file?"},
    {TextId::kRepairDone, 0, "", "修复完成！",
     "Repair done!"},
    {TextId::kNothingToRepair, 0, "", "存档文件无需修复。",
     "The save file needs no repair."},
    {TextId::kCannotRepair, 0, "", "无法修复：",
     "Cannot repair:"},
    {TextId::kNoProblemsFound, 0, "", "未发现问题。",
     "No problems found."},
    {TextId::kImageHasProblems, 0, "", "存档文件有问题：",
     "The save file has problems:"},
    {TextId::kListFull, 1, "", "存档列表%1已满，无法继续写入！",
     "List %1 is full; no more saves can be written!"},
    {TextId::kReplaceQuestion, 3, "", "是否替换列表%1已有存档？\r\n%2:%3",
     "Replace the save already in list %1?\r\n%2:%3"},
    {TextId::kDeleteQuestion, 1, "", "是否删除选中的%1个存档？",
     "Delete the {%1|selected save|%1 selected saves}?"},
    {TextId::kBackupRamFull, 0, "", "备份内存空间不足！", "Not enough room in the backup RAM!"},
    {TextId::kChooseGame, 0, "", "导入到哪个游戏？", "Import into which game?"},
    {TextId::kUnnamedGame, 0, "", "游戏编号无效，无法写入！", "Invalid game ID: nothing was written!"},
    {TextId::kDamagedArea, 0, "", "游戏存档区已损坏，无法写入！", "The game's save area is damaged: nothing was written!"},
    {TextId::kMoreProblemsEllipsis, 0, "", "……",
     "…"},
    {TextId::kAreaFull, 0, "", "存档空间不足！", "Not enough room for the save!"},
    {TextId::kNoCartridge, 1, "", "此文件没有卡带存档！\r\n%1", "This file holds no cartridge memory!\r\n%1"},
    {TextId::kSingleSaveFilter, 0, "", "所有存档文件（*.bin *.sro *.bup）|*.bin;*.BIN;*.sro;*.SRO;*.bup;*.BUP|"
     "SAROO单存档（*.bin）|*.bin|BUP存档（*.bup）|*.bup|SRO存档（*.sro）|*.sro",
     "All save files (*.bin *.sro *.bup)|*.bin;*.BIN;*.sro;*.SRO;*.bup;*.BUP|"
     "SAROO single save (*.bin)|*.bin|BUP save (*.bup)|*.bup|SRO save (*.sro)|*.sro"},
    {TextId::kSsfFileFilter, 0, "", "SSF单存档文件（*.bin）|*.bin",
     "SSF single save (*.bin)|*.bin"},
    {TextId::kSarooFileFilter, 0, "", "SAROO单存档（*.bin）|*.bin|SRO存档（*.sro）|*.sro",
     "SAROO single save (*.bin)|*.bin|SRO save (*.sro)|*.sro"},
    {TextId::kContainerFileFilter, 0, "",
     "存档文件（*.bin *.bkr *.bcr *.srm *.sav *.ram）|*.bin;*.bkr;*.bcr;*.srm;*.sav;*.ram|所有文件（*）|*",
     "Save files (*.bin *.bkr *.bcr *.srm *.sav *.ram)|*.bin;*.bkr;*.bcr;*.srm;*.sav;*.ram|All files (*)|*"},
    {TextId::kWindowTitle, 0, "", "QuillmereV1.85",
     "QuillmereV1.85"},
    {TextId::kTransferArea, 0, "", "SAROO存档转移",
     "SAROO save transfer"},
    {TextId::kImport, 0, "", "导入",
     "Import"},
    {TextId::kExport, 0, "", "导出",
     "Export"},
    {TextId::kRefresh, 0, "", "刷新",
     "Reload"},
    {TextId::kTransferLeft, 0, "", "<<转移",
     "<<Move"},
    {TextId::kTransferRight, 0, "", "转移>>",
     "Move>>"},
    {TextId::kCompact, 0, "", "整理",
     "Tidy"},
    {TextId::kCompacting, 0, "", "整理中",
     "Busy"},
    {TextId::kCompactingCount, 1, "", "整理%1",
     "#%1"},
    {TextId::kMap, 0, "", "MAP",
     "MAP"},
    {TextId::kRemaining, 0, "", "剩余:",
     "Free"},
    {TextId::kHintProgramFolder, 1, "", "%1放程序目录",
     "Need %1 here"},
    {TextId::kHintOtherFolder, 1, "", "%1放OTHER目录",
     "Need OTHER/%1"},
    {TextId::kClearUnusedOnRefresh, 0, "", "刷新时清空未使用区域",
     "Clear free space"},
    {TextId::kOverwriteOnTransfer, 0, "", "转移时覆盖同名存档",
     "Replace same name"},
    {TextId::kExportBup, 0, "", "导出为BUP",
     "Export as BUP"},
    {TextId::kExportSro, 0, "", "导出为SRO",
     "Export as SRO"},
    {TextId::kDelete, 0, "", "删除",
     "Delete"},
    {TextId::kCheck, 0, "", "检查",
     "Check"},
    {TextId::kRepair, 0, "", "修复",
     "Repair"},
    {TextId::kImportToGame, 0, "", "导入到游戏…", "Import to game…"},
    {TextId::kOpenFile, 0, "", "打开文件…", "Open file…"},
    {TextId::kOpenFolder, 0, "", "打开文件夹…", "Open folder…"},
    {TextId::kUsualFolder, 0, "", "回到程序目录", "Back to the program's folder"},
    {TextId::kShowCartridge, 0, "", "显示卡带存档", "Show the cartridge's saves"},
    {TextId::kShowInternal, 0, "", "显示内部存档", "Show the internal saves"},
    {TextId::kSsfToSarooArea, 0, "", "SSF单存档转SAROO单存档",
     "SSF single save to SAROO single save"},
    {TextId::kSarooToSsfArea, 0, "", "SAROO单存档转SSF单存档",
     "SAROO single save to SSF single save"},
    {TextId::kToSaroo, 0, "", "转成SAROO单存档",
     "To SAROO save"},
    {TextId::kToSsf, 0, "", "转成SSF单存档",
     "To SSF save"},
    {TextId::kPickFile, 0, "", "...",
     "..."},
    {TextId::kSsfLabel, 0, "", "SSF存档",
     "SSF"},
    {TextId::kSarooLabel, 0, "", "SAROO存档",
     "SAROO"},
    {TextId::kMapCaption, 1, "", "VIEW MAP ( Cluster size:%1 )",
     "VIEW MAP ( Cluster size:%1 )"},
    {TextId::kColumnNum, 0, "", "Num",
     "Num"},
    {TextId::kColumnName, 0, "", "Name",
     "Name"},
    {TextId::kColumnAddress, 0, "", "Address",
     "Address"},
    {TextId::kColumnComment, 0, "", "Comment",
     "Comment"},
    {TextId::kColumnDate, 0, "", "Date",
     "Date"},
    {TextId::kColumnSize, 0, "", "Size",
     "Size"},
    {TextId::kColumnUnits, 0, "", "Units",
     "Units"},
    {TextId::kColumnForm, 0, "", "Form",
     "Form"},
    {TextId::kWindowUsage, 0, "", "用法：quillmere [--language zh|en] [文件夹]",
     "usage: quillmere [--language zh|en] [FOLDER]"},
    {TextId::kWindowNotAFolder, 1, "", "quillmere: %1：不是文件夹，也不是存档文件",
     "quillmere: %1: not a folder or a container file"},
    {TextId::kFormPacked, 0, "", "Mednafen",
     "Mednafen"},
    {TextId::kFormGzip, 0, "", "gzip",
     "gzip"},
    {TextId::kFormTwoMemories, 0, "", "MiSTer",
     "MiSTer"},
    {TextId::kFormPackedTip, 0, "", "紧凑存储（Mednafen、Beetle Saturn、Ymir的形式）",
     "packed (as Mednafen, Beetle Saturn and Ymir keep it)"},
    {TextId::kFormGzipTip, 0, "", "gzip压缩",
     "gzip-compressed"},
    {TextId::kFormWordWideTip, 0, "", "字宽存储（与BKRAMSV.BIN相同）",
     "word-wide (as BKRAMSV.BIN)"},
    {TextId::kFormTwoMemoriesTip, 0, "", "MiSTer文件：内部存储，其后为卡带",
     "MiSTer file: the internal memory, then a cartridge"},
    {TextId::kDeviceInternal, 0, "", "内部存储",
     "internal"},
    {TextId::kDeviceCartridge, 0, "", "卡带",
     "cartridge"},
    {TextId::kKindMemsImage, 0, "", "存档镜像",
     "save image"},
    {TextId::kKindBackupMemory, 0, "", "备份内存",
     "backup memory"},
    {TextId::kKindSaveFile, 0, "", "存档文件",
     "save file"},
    {TextId::kUnitBytes, 0, "", "字节",
     "bytes"},
    {TextId::kUnitBlocks, 0, "", "块",
     "blocks"},
    {TextId::kRemainingFigure, 2, "", "剩余%1%2",
     "%1 %2 free"},
    {TextId::kHintFolder, 2, "", "%1放%2目录",
     "Need %2/%1"},
    {TextId::kHintFolderTip, 2, "", "把%1放到%2",
     "Put %1 in %2"},
    // The user's folder of an installed copy, "Quillmere", named whole in the hint's 140 pixels.
    {TextId::kHintUserFolder, 2, "", "%1放%2",
     "%2/%1"},
    {TextId::kNoFileHere, 2, "", "%2中没有%1",
     "There is no %1 in %2"},
    {TextId::kProblemImageSize, 2, "image-size", "文件大小为%1字节，应为%2字节",
     "image is %1 bytes, not %2"},
    {TextId::kProblemTooLargeForList, 3, "size-exceeds-cluster-list", "槽位%1声明%2字节，超过记录的%3个簇所能容纳",
     "slot %1 states %2 bytes, more than a record's %3 clusters hold"},
    {TextId::kProblemOutsideDataArea, 2, "cluster-outside-data-area", "槽位%1使用簇%2，在数据区之外",
     "slot %1 uses cluster %2, outside the data area"},
    {TextId::kProblemSharedCluster, 3, "shared-cluster", "槽位%1与槽位%3共用簇%2",
     "slot %1 shares cluster %2 with slot %3"},
    {TextId::kProblemPastImageEnd, 2, "cluster-past-image-end", "槽位%1使用簇%2，超出文件末尾",
     "slot %1 uses cluster %2, past the end of the image"},
    {TextId::kProblemBitmapMarksFree, 1, "bitmap-marks-used-cluster-free", "位图标记簇%1为空闲，但它正在使用",
     "bitmap marks cluster %1 free, but it is in use"},
    {TextId::kProblemBitmapMarksUsed, 1, "bitmap-marks-free-cluster-used", "位图标记簇%1为已用，但没有存档使用它",
     "bitmap marks cluster %1 used, but no save has it"},
    {TextId::kProblemFreeCount, 2, "free-count", "空闲簇计数为%1，但实际空闲%2个簇",
     "free count is %1, but %2 clusters are free"},
    {TextId::kProblemListOutsideRam, 3, "block-outside-ram", "块%2处的存档%1列出块%3，在内存之外",
     "save %1 at block %2 lists block %3, outside the RAM"},
    {TextId::kProblemListLoops, 3, "block-list-loops", "块%2处的存档%1两次列出块%3：块列表循环",
     "save %1 at block %2 lists block %3 twice: its list loops"},
    {TextId::kProblemListRunsOn, 2, "block-list-unended", "块%2处的存档%1：块列表超出其块而没有结束",
     "save %1 at block %2: its block list runs past its blocks without an end"},
    {TextId::kProblemListTooLong, 2, "block-list-too-long", "块%2处的存档%1：列出的块多于内存所有",
     "save %1 at block %2: more blocks are listed than the RAM holds"},
    {TextId::kProblemOutsideRam, 2, "save-outside-ram", "块%2处的存档%1位于内存的512个块之外",
     "save %1 at block %2 lies outside the 512 blocks of the RAM"},
    {TextId::kProblemSharedBlock, 5, "shared-block", "块%2处的存档%1与块%5处的存档%4共用块%3",
     "save %1 at block %2 shares block %3 with save %4 at block %5"},
    {TextId::kProblemSizeExceedsBlocks, 4, "size-exceeds-blocks", "块%2处的存档%1声明%3字节，但其块只容纳%4字节",
     "save %1 at block %2 states %3 bytes, but its blocks hold %4"},
    {TextId::kProblemMarksAreaHeader, 2, "data-in-area-header", "%2处的存档%1把区域的头块标记为数据",
     "save %1 at %2 marks the area's header block as its data"},
    {TextId::kProblemRecordSizeExceedsBlocks, 4, "size-exceeds-data-blocks", "%2处的存档%1声明%3字节，但其块只容纳%4字节",
     "save %1 at %2 states %3 bytes, but its blocks hold %4"},
    {TextId::kProblemUnreachableEntry, 2, "entry-after-index-end", "条目%1（%2）位于空条目之后：固件永远找不到它",
     "entry %1 (%2) lies after an empty entry: the firmware never reaches it"},
    {TextId::kProblemSharedGameId, 3, "shared-game-id", "条目%1和%2都指向游戏%3", "entries %1 and %2 both name game %3"},
    {TextId::kProblemAreaHeader, 1, "bad-area-header", "区域%1开头不是区域头", "area %1 does not begin with an area header"},
    {TextId::kProblemChainLoops, 2, "chain-loops", "区域%1：存档链回到了块%2", "area %1: the chain of saves comes back to block %2"},
    {TextId::kProblemChainLeavesArea, 3, "chain-leaves-area", "区域%1：块%2链接到区域外的块%3",
     "area %1: block %2 links to block %3, outside the area"},
    {TextId::kProblemSharedAreaBlock, 5, "shared-area-block", "%2处的存档%1与%5处的存档%4共用块%3",
     "save %1 at %2 shares block %3 with save %4 at %5"},
    {TextId::kProblemAreaBitmapMarksFree, 2, "area-bitmap-marks-used-blocks-free", "区域%1：位图将%2个正在使用的块标记为空闲",
     "area %1: the bitmap marks %2 blocks free that are in use"},
    {TextId::kProblemAreaBitmapMarksUsed, 2, "area-bitmap-marks-free-blocks-used", "区域%1：位图将%2个无存档使用的块标记为已用",
     "area %1: the bitmap marks %2 blocks used that no save has"},
    {TextId::kProblemAreaFreeCount, 3, "area-free-count", "区域%1：空闲块计数为%2，但位图显示有%3个空闲块",
     "area %1: free count is %2, but the bitmap leaves %3 blocks free"},
    {TextId::kProblemNameShadowed, 4, "name-shadowed", "%2处的存档%1永远不会被找到：之前%4处的存档%3以它的名称开头",
     "save %1 at %2 is never found: the earlier save %3 at %4 begins with its name"},
    {TextId::kMoreProblems, 1, "more-problems", "另有%1个问题",
     "and %1 more problems"},
    {TextId::kMendedReservedBytes, 1, "cleared-reserved-bytes", "已清除%1个槽位的第12-13字节",
     "cleared bytes 12-13 of %1 slots"},
    {TextId::kMendedStrayBits, 1, "freed-unused-clusters", "已释放%1个没有存档使用的簇",
     "freed %1 clusters that no save uses"},
    {TextId::kMendedMissingBits, 1, "marked-used-clusters", "已将%1个存档使用的簇标记为已用",
     "marked %1 clusters in use by saves"},
    {TextId::kMendedAreaBitmap, 3, "rebuilt-area-bitmap", "区域%1：位图释放了%2个块，标记了%3个已用块",
     "area %1: bitmap freed %2 blocks and marked %3 in use"},
    {TextId::kMendedAreaFreeCount, 3, "set-area-free-count", "区域%1：空闲块计数%2已改为%3", "area %1: free count %2 set to %3"},
    {TextId::kMendedFreeCount, 2, "set-free-count", "空闲簇计数%1已改为%2",
     "free count %1 set to %2"},
    {TextId::kCliRemaining, 1, "", "剩余: %1",
     "remaining: %1"},
    {TextId::kCliMended, 1, "", "已修复：%1",
     "mended: %1"},
    {TextId::kCliRemains, 1, "", "仍有问题：%1",
     "remains: %1"},
    {TextId::kCliUnknownKind, 1, "", "quillmere-cli: 未知类型'%1'（可用mems、bkram、bup、save或packed）",
     "quillmere-cli: unknown kind '%1' (use mems, bkram, bup, save or packed)"},
    {TextId::kCliUnknownKindOfFile, 1, "", "quillmere-cli: 无法从文件名或内容判断'%1'的类型；请给出--kind mems、bkram、bup、save或packed",
     "quillmere-cli: cannot tell the kind of '%1' from its name or content; give --kind mems, bkram, bup, save or packed"},
    {TextId::kCliUnknownForm, 2, "", "quillmere-cli: 未知形式'%1'（可用%2，或一个已有文件的路径）",
     "quillmere-cli: unknown form '%1' (use %2, or the path of an existing file)"},
    {TextId::kCliNoSuchFile, 1, "", "quillmere-cli: 文件不存在：%1",
     "quillmere-cli: no such file: %1"},
    {TextId::kCliGiveGame, 1, "", "quillmere-cli: 请用 --game ID 指定%1中接收存档的游戏",
     "quillmere-cli: give --game ID to name the game whose area of %1 takes the saves"},
    {TextId::kCliNameInGames, 2, "", "quillmere-cli: %1中有多个游戏存有名为%2的存档；请用 --game ID 指定",
     "quillmere-cli: %1 holds saves named %2 in several games; give --game ID"},
    {TextId::kCliAlreadyForm, 2, "", "quillmere-cli: %1已经是%2单存档",
     "quillmere-cli: %1 is a %2 single save already"},
    {TextId::kCliNoSuchRow, 3, "", "quillmere-cli: %1有%2个存档；没有第%3行",
     "quillmere-cli: %1 lists %2 saves; there is no row %3"},
    {TextId::kCliSkipped, 1, "", "quillmere-cli: 已跳过%1：已有同名存档（--overwrite可替换）",
     "quillmere-cli: skipped %1: a save of that name is listed (--overwrite replaces it)"},
    {TextId::kCliNoSaveNamed, 2, "", "quillmere-cli: %1中没有名为%2的存档",
     "quillmere-cli: %1 lists no save named %2"},
    {TextId::kCliNoMap, 0, "", "quillmere-cli: SS_SAVE.BIN没有分配图（它没有簇或块）",
     "quillmere-cli: SS_SAVE.BIN has no allocation map (it has no clusters or blocks)"},
    {TextId::kCliFormatExists, 1, "", "quillmere-cli: %1已存在；format从不替换文件",
     "quillmere-cli: %1 exists; format never replaces a file"},
    {TextId::kCliGiveRowOrAll, 0, "", "quillmere-cli: 请给出--row N或--all",
     "quillmere-cli: give --row N or --all"},
    {TextId::kCliGiveRowOrName, 0, "", "quillmere-cli: 请给出--row N或--name NAME",
     "quillmere-cli: give --row N or --name NAME"},
    {TextId::kCliError, 1, "", "quillmere-cli: %1",
     "quillmere-cli: %1"},
    {TextId::kLanguageChinese, 0, "", "中文", "中文"},
    {TextId::kLanguageEnglish, 0, "", "English", "English"},
    {TextId::kTransferSummary, 3, "", "已转移%1个存档，%2个因同名跳过，%3个被拒绝。",
     "Saves moved: %1, skipped for their name: %2, refused: %3."},
    {TextId::kProgress, 2, "", "正在处理：%1/%2", "Working: %1 of %2"},
    {TextId::kSaveNameLine, 1, "", "%1", "%1"},
    {TextId::kRemainingTip, 0, "", "剩余空间", "Remaining space"},
    {TextId::kHintProgramFolderTip, 1, "", "把%1放到程序目录", "Put %1 in the program folder"},
    {TextId::kHintOtherFolderTip, 1, "", "把%1放到OTHER目录", "Put %1 in the OTHER folder"},
    {TextId::kClearUnusedTip, 0, "", "刷新时清空未使用区域", "On refresh, clear the area that no save uses"},
    {TextId::kOverwriteTip, 0, "", "转移时覆盖同名存档", "On transfer, replace a save of the same name"},
    {TextId::kCompactTip, 0, "", "整理：存档占用连续的槽位和簇", "Compact: put the saves in consecutive slots and clusters"},
    {TextId::kDropSummary, 3, "", "已导入%1个存档，%2个因同名跳过，%3个被拒绝。",
     "Saves imported: %1, skipped for their name: %2, refused: %3."},
    {TextId::kHoldsMemsImage, 2, "holds-mems-image", "%1中是SS_MEMS.BIN映像（“SaroMems”），但文件名或--kind说它是%2",
     "%1 holds an SS_MEMS.BIN image (“SaroMems”), but its name or --kind says %2"},
    {TextId::kHoldsSaveFile, 2, "holds-save-file", "%1中是SS_SAVE.BIN（“Saroo Save File”），但文件名或--kind说它是%2",
     "%1 holds an SS_SAVE.BIN (“Saroo Save File”), but its name or --kind says %2"},
    {TextId::kHoldsBackupMemory, 2, "holds-backup-memory", "%1中是备份内存（“BackUpRam Format”），但文件名或--kind说它是%2",
     "%1 holds a backup memory (“BackUpRam Format”), but its name or --kind says %2"},
    {TextId::kNotWritten, 1, "", "为免丢失存档，不写入此文件：%1",
     "So that no save is lost, this file is not written: %1"},
    {TextId::kCannotTellKind, 1, "", "无法从文件名或内容判断%1的类型", "Cannot tell the kind of %1 from its name or content"},
    {TextId::kNotRegularFile, 1, "", "不是普通文件：\r\n%1", "Not a regular file:\r\n%1"},
    {TextId::kOnlyForMems, 1, "", "%1不是SS_MEMS.BIN：此命令只用于SS_MEMS.BIN", "%1 is no SS_MEMS.BIN: this command works on SS_MEMS.BIN only"},
    {TextId::kRepairNotForMemory, 1, "", "%1是备份内存：它没有可重建的分配记录，不修复",
     "%1 is a backup memory: it has no allocation record to rebuild, and is not repaired"},
    {TextId::kFormatContradictsName, 2, "", "%1的名称与%2不符", "The name of %1 contradicts %2"},
    {TextId::kProblemFormUnusual, 1, "form-differs-from-name", "%1通常存放字宽内存，此文件却是紧凑存放（按内容读取）",
     "%1 usually holds the memory word-wide; this file holds it packed, and is read so"},
    {TextId::kProblemUnformatted, 0, "unformatted", "内存未格式化：块0中没有“BackUpRam Format”；请先格式化（quillmere-cli format 文件 --device internal或cart）",
     "the memory is not formatted: block 0 lacks “BackUpRam Format”; format it first (quillmere-cli format FILE "
     "--device internal or cart)"},
    {TextId::kProblemRamSize, 2, "ram-size", "内存有%1字节，不是任何存储器的大小；按%2字节读取，缺少的字节读作0",
     "the RAM is %1 bytes, the size of no memory; it is read as %2 bytes, missing bytes as zeros"},
    {TextId::kProblemBlockSizeBoth, 0, "block-size-ambiguous",
     "8 MiB字宽内存：按64字节块和1024字节块读取都说得通（或它是空的）；按1024字节块列出；用--block-size 64或1024指明",
     "8 MiB word-wide memory: 64-byte and 1024-byte blocks both read consistently (or it is empty); listed at "
     "1024-byte blocks; name them with --block-size 64 or 1024"},
    {TextId::kProblemBlockSizeNamed, 1, "block-size-named",
     "按给出的%1字节块读取，存档说不通（--block-size只可为64或1024，且只用于8 MiB字宽内存）",
     "the saves do not hold together at the %1-byte blocks named (--block-size is 64 or 1024, for an 8 MiB "
     "word-wide memory)"},
    {TextId::kProblemBlockSizeNeither, 0, "block-size-unknown",
     "8 MiB字宽内存：按64字节块和1024字节块读取都说不通；按1024字节块列出",
     "8 MiB word-wide memory: neither 64-byte nor 1024-byte blocks read consistently; listed at 1024-byte blocks"},
    {TextId::kProblemGzipDamaged, 0, "gzip-damaged", "gzip数据不能完整解压（损坏，或其后有多余字节）",
     "the gzip stream does not inflate whole (damaged, or bytes follow it)"},
    {TextId::kProblemSaveCutByEnd, 3, "save-cut-by-end", "块%2处的存档%1超出文件的末尾（内存只有%3字节）：其余部分读作0",
     "save %1 at block %2 runs past the end of the file (the RAM holds %3 bytes): the rest reads as zeros"},
    {TextId::kAskBlockSize, 1, "", "%1是8 MiB字宽内存，其存档不能说明块的大小。请选择：64是YabaSanshiro的内部存储器，1024是4 MiB卡带",
     "%1 is an 8 MiB word-wide memory whose saves do not tell its block size. Choose: 64 for YabaSanshiro's "
     "internal memory, 1024 for a 4 MiB cartridge"},
    {TextId::kGameIdInvalid, 0, "", "游戏ID无效：须为1到16个可打印ASCII字符（如 T-1809G），不能全是空格！",
     "Invalid game ID: it must be 1 to 16 printable ASCII characters (such as T-1809G), not only spaces!"},
    {TextId::kGameIdHint, 0, "", "游戏ID为光盘ID，如 T-1809G（最多16个字符）",
     "The game ID is the disc's ID, such as T-1809G (up to 16 characters)"},
    {TextId::kNewGameAdded, 1, "", "新游戏 %1 已添加",
     "new game %1 added: the SAROO finds it only if its disc's ID begins with these 8 bytes"},
    {TextId::kGameIndexFull, 0, "", "游戏索引已满",
     "the game index is full"},
    {TextId::kSingleSaveSizesDiffer, 4, "", "%1：存档声明大小为%2字节，但文件带有%3字节数据，按%4字节处理",
     "%1: the save states %2 bytes but the file carries %3 data bytes; %4 bytes are taken"},
    {TextId::kProblemAreaPastEnd, 2, "area-past-end", "游戏%2的区域%1在文件末尾之后，其存档不在文件中",
     "area %1 of game %2 lies past the end of the file: its saves are not in it"},
    {TextId::kProblemAreaCut, 3, "area-cut", "游戏%2的区域%1被文件末尾截断，只剩%3字节",
     "area %1 of game %2 is cut by the end of the file: only %3 bytes are there"},
    {TextId::kFileLookedAt, 1, "", "文件：%1", "File: %1"},
    {TextId::kGameChoice, 2, "", "%1（%2个存档）", "%1 ({%2|1 save|%2 saves})"},
    {TextId::kAddNewGame, 1, "", "%1不在此文件中：添加新游戏吗？只有光盘ID以这8个字节开头时，SAROO才能找到它。",
     "%1 is not in this file: add a new game? The SAROO finds it only if the disc's ID begins with these 8 bytes."},
    {TextId::kReplaceListedSave, 2, "", "已有：%1，%2字节", "Listed: %1, {%2|1 byte|%2 bytes}"},
    {TextId::kReplaceIncomingSave, 2, "", "导入：%1，%2字节", "Importing: %1, {%2|1 byte|%2 bytes}"},
    {TextId::kRunCancelled, 1, "", "已取消，文件未改动。\r\n%1", "Cancelled: the file was left as it was.\r\n%1"},
    {TextId::kSingleSaveNotContainer, 1, "", "%1是单个存档，不是存档容器：请用“导入”把它放进一个容器。",
     "%1 is a single save, not a container: use Import to put it into one."},
    {TextId::kSkippedSameName, 0, "", "已有同名存档", "a save of that name is listed"},
    {TextId::kSaveWithReason, 1, "", "%1：", "%1:"},
    {TextId::kRunSavesNotImported, 0, "", "未导入的存档：", "Saves not imported:"},
    {TextId::kCaptionWarning, 0, "", "警告", "Warning"},
    {TextId::kCaptionError, 0, "", "错误", "Error"},
    {TextId::kCaptionQuestion, 0, "", "请确认", "Please confirm"},
    {TextId::kMapTipCluster, 1, "", "簇%1", "Cluster %1"},
    {TextId::kMapTipBlock, 1, "", "块%1", "Block %1"},
    {TextId::kMapTipSaveClusters, 3, "", "%1：第%2簇，共%3簇", "%1: cluster %2 of %3"},
    {TextId::kMapTipSaveBlocks, 3, "", "%1：第%2块，共%3块", "%1: block %2 of %3"},
    {TextId::kMapTipFree, 0, "", "空闲", "free"},
    {TextId::kMapTipMemsHeader, 0, "", "文件头和存档目录", "the image's header and save directory"},
    {TextId::kMapTipRamHeader, 0, "", "备份内存的文件头", "the memory's header"},
    {TextId::kMapTipUnlisted, 0, "", "标记为已用，但没有存档列出它", "marked used, but no listed save names it"},
    {TextId::kMapLegendFree, 0, "", "空闲", "Free"},
    {TextId::kMapLegendUsed, 0, "", "已用", "Used"},
    {TextId::kMapLegendFirst, 0, "", "存档首块", "A save's first unit"},
    {TextId::kMapLegendBlink, 0, "", "选中的存档（闪烁）", "Chosen save (blinks)"},
    {TextId::kWritingFile, 1, "", "正在写入文件，请稍候：\r\n%1", "Writing the file, please wait:\r\n%1"},
    {TextId::kReadingFile, 1, "", "正在读取文件，请稍候：\r\n%1", "Reading the file, please wait:\r\n%1"},
    {TextId::kOpeningFileBrowser, 1, "", "正在打开文件夹：\r\n%1", "Opening the folder:\r\n%1"},
    {TextId::kCliUnknownCommand, 1, "", "quillmere-cli: 未知命令“%1”", "quillmere-cli: unknown command '%1'"},
    {TextId::kCliDidYouMean, 2, "", "%1；是否想用“%2”？", "%1; did you mean '%2'?"},
    {TextId::kCliRunHelp, 2, "", "%1；用法见“quillmere-cli %2--help”", "%1; run 'quillmere-cli %2--help'"},
    {TextId::kCliNotSingleSave, 1, "", "quillmere-cli: %1是存档容器文件，不是单存档：请用export取出其中的存档",
     "quillmere-cli: %1 is a container file, not a single save: take its saves out with export"},
    {TextId::kOperationImport, 0, "", "导入", "import"},
    {TextId::kOperationTransfer, 0, "", "转移", "transfer"},
    {TextId::kOperationDelete, 0, "", "删除", "delete"},
    {TextId::kOperationCompact, 0, "", "整理", "compact"},
    {TextId::kOperationRepair, 0, "", "修复", "repair"},
    {TextId::kOperationClear, 0, "", "清空未使用区域", "clear unused space"},
    {TextId::kOperationFormat, 0, "", "格式化", "format"},
    {TextId::kOperationRestore, 0, "", "恢复", "restore"},
    {TextId::kOperationOther, 1, "", "%1", "%1"},
    {TextId::kHistoryNotKept, 2, "", "文件已写入，但未能保存它之前的版本（%2）\r\n%1", "The file was written, but no earlier version of it was kept (%2)\r\n%1"},
    {TextId::kHistoryIndexDamaged, 1, "", "历史版本的索引已损坏，已跳过（未删除）\r\n%1", "The index of earlier versions is damaged and was skipped (not deleted)\r\n%1"},
    {TextId::kHistoryOff, 0, "", "历史版本已关闭（QUILLMERE_HISTORY=off）。", "Earlier versions are not kept (QUILLMERE_HISTORY=off)."},
    {TextId::kHistoryNone, 1, "", "没有保存此文件的历史版本\r\n%1", "No earlier version of this file is kept\r\n%1"},
    {TextId::kHistoryNoSuchVersion, 3, "", "没有第%2个历史版本（共%3个）\r\n%1", "There is no version %2 (%3 are kept)\r\n%1"},
    {TextId::kHistoryVersionDamaged, 2, "", "第%2个历史版本已损坏，不能恢复\r\n%1", "Version %2 is damaged and cannot be restored\r\n%1"},
    {TextId::kHistoryChangedElsewhere, 1, "", "注意：Quillmere上次写入后，此文件被其他程序修改过（SD卡上通常是主机）\r\n%1", "Note: another program changed this file since Quillmere last wrote it (on an SD card, usually the console)\r\n%1"},
    {TextId::kRestoreDone, 1, "", "已恢复\r\n%1", "Restored\r\n%1"},
    {TextId::kUndoQuestion, 5, "", "把%1恢复为%3%2之前的样子？\r\n当时有%4个存档，现在有%5个。", "Restore %1 as it was before %2 at %3?\r\nIt held %4 saves; it holds %5 now."},
    {TextId::kUndoLastChange, 0, "", "撤销上次修改", "Undo last change"},
    {TextId::kHistoryMenu, 0, "", "历史版本…", "History…"},
    {TextId::kHistoryTitle, 1, "", "历史版本：%1", "History: %1"},
    {TextId::kHistoryColumnNumber, 0, "", "版本", "Version"},
    {TextId::kHistoryColumnTime, 0, "", "时间", "Time"},
    {TextId::kHistoryColumnOperation, 0, "", "操作", "Operation"},
    {TextId::kHistoryColumnSaves, 0, "", "存档", "Saves"},
    {TextId::kHistoryColumnSize, 0, "", "大小", "Size"},
    {TextId::kHistoryRestore, 0, "", "恢复此版本", "Restore this version"},
    {TextId::kHistoryShowSaves, 0, "", "查看存档", "Show its saves"},
    {TextId::kHistoryExportSave, 0, "", "导出选中的存档", "Export the chosen save"},
    {TextId::kHistoryKeepVersions, 0, "", "每个文件保留的版本数：", "Versions kept of each file:"},
    {TextId::kHistoryKeepMegabytes, 0, "", "历史版本最多占用（MiB）：", "Space all versions may take (MiB):"},
    {TextId::kHistorySavesTitle, 2, "", "第%2个版本中的存档：%1", "The saves of version %2: %1"},
    {TextId::kCliHistoryHeader, 0, "", "版本\t时间\t操作\t存档\t与现在不同\t大小", "Version\tTime\tOperation\tSaves\tDiffering from now\tSize"},
};

constexpr std::size_t kIdCount = static_cast<std::size_t>(TextId::kCount);

// The entries by id, checked when the program is built: every id has its
// words, in the order of the ids.
constexpr std::array<Entry, kIdCount> ById() {
  static_assert(std::size(kEntries) == kIdCount, "every text id has one entry");
  std::array<Entry, kIdCount> table{};
  for (std::size_t i = 0; i < kIdCount; ++i) {
    if (static_cast<std::size_t>(kEntries[i].id) != i) throw "the entries must follow the order of the ids";
    table[i] = kEntries[i];
  }
  return table;
}

constexpr std::array<Entry, kIdCount> kTable = ById();

const Entry& EntryOf(TextId id) {
  const auto index = static_cast<std::size_t>(id);
  return kTable[index < kIdCount ? index : 0];
}

std::string ArgText(const TextArg& arg) {
  if (const auto* number = std::get_if<std::int64_t>(&arg.value)) return std::to_string(*number);
  return std::get<std::string>(arg.value);
}

std::atomic<Language> shownLanguage{Language::kChinese};

}  // namespace

void SetLanguage(Language language) { shownLanguage = language; }

Language CurrentLanguage() { return shownLanguage; }

std::optional<Language> LanguageNamed(std::string_view name) {
  if (name == "zh") return Language::kChinese;
  if (name == "en") return Language::kEnglish;
  return std::nullopt;
}

std::string_view LanguageName(Language language) { return language == Language::kEnglish ? "en" : "zh"; }

LanguageArgument TakeLanguageOption(const std::vector<std::string>& args) {
  constexpr std::string_view kOption = "--language";
  LanguageArgument taken;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == kOption && i + 1 < args.size()) {
      taken.value = args[++i];
    } else if (arg.size() > kOption.size() && arg.starts_with(kOption) && arg[kOption.size()] == '=') {
      taken.value = std::string(arg.substr(kOption.size() + 1));
    } else {
      taken.rest.push_back(args[i]);
    }
  }
  return taken;
}

std::optional<std::string> LanguageFromEnvironment() {
  const char* value = std::getenv("QUILLMERE_LANGUAGE");
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

Language ChooseLanguage(std::initializer_list<std::optional<std::string>> choices) {
  for (const auto& choice : choices) {
    if (!choice) continue;
    if (const auto language = LanguageNamed(*choice)) return *language;
  }
  return Language::kChinese;
}

std::string_view Words(TextId id, Language language) {
  const Entry& entry = EntryOf(id);
  return language == Language::kEnglish ? entry.english : entry.chinese;
}

std::string_view Words(TextId id) { return Words(id, CurrentLanguage()); }

std::size_t ArgumentCount(TextId id) { return EntryOf(id).arguments; }

std::string_view Code(TextId id) { return EntryOf(id).code; }

namespace {

// English counts: "{%N|one|many}" takes "one" when argument N is 1 and
// "many" otherwise; either may name arguments again.
std::string ChoosePlurals(std::string_view words, const std::vector<TextArg>& args) {
  std::string chosen;
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::size_t bar = words.find('|', i);
    const bool block = words[i] == '{' && i + 3 < words.size() && words[i + 1] == '%' && words[i + 2] >= '1' &&
                       words[i + 2] <= '9' && bar == i + 3;
    const std::size_t second = block ? words.find('|', bar + 1) : std::string_view::npos;
    const std::size_t end = second == std::string_view::npos ? second : words.find('}', second + 1);
    if (!block || end == std::string_view::npos) {
      chosen += words[i];
      continue;
    }
    const auto k = static_cast<std::size_t>(words[i + 2] - '1');
    const auto* number = k < args.size() ? std::get_if<std::int64_t>(&args[k].value) : nullptr;
    chosen += number && *number == 1 ? words.substr(bar + 1, second - bar - 1) : words.substr(second + 1, end - second - 1);
    i = end;
  }
  return chosen;
}

}  // namespace

std::string Render(const Message& message, std::string_view newline) {
  const std::string words = ChoosePlurals(Words(message.id), message.args);
  std::string text;
  text.reserve(words.size());
  for (std::size_t i = 0; i < words.size(); ++i) {
    const char next = i + 1 < words.size() ? words[i + 1] : '\0';
    if (words[i] == '%' && next >= '1' && next <= '9') {
      const auto k = static_cast<std::size_t>(next - '1');
      if (k < message.args.size()) text += ArgText(message.args[k]);
      ++i;
    } else {
      text += words[i];
    }
  }
  for (const Message& line : message.lines) {
    text += newline;
    text += Render(line, newline);
  }
  return text;
}

std::string ColumnCaption(SaveColumn column) {
  switch (column) {
    case SaveColumn::kNum: return Text(TextId::kColumnNum);
    case SaveColumn::kName: return Text(TextId::kColumnName);
    case SaveColumn::kAddress: return Text(TextId::kColumnAddress);
    case SaveColumn::kComment: return Text(TextId::kColumnComment);
    case SaveColumn::kDate: return Text(TextId::kColumnDate);
    case SaveColumn::kSize: break;
  }
  return Text(TextId::kColumnSize);
}

std::string ColumnCaption(singlesave::SingleSaveColumn column) {
  switch (column) {
    case singlesave::SingleSaveColumn::kName: return ColumnCaption(SaveColumn::kName);
    case singlesave::SingleSaveColumn::kComment: return ColumnCaption(SaveColumn::kComment);
    case singlesave::SingleSaveColumn::kDate: return ColumnCaption(SaveColumn::kDate);
    case singlesave::SingleSaveColumn::kSize: break;
  }
  return ColumnCaption(SaveColumn::kSize);
}

std::vector<std::string> ProblemLines(const std::vector<Problem>& problems, std::size_t limit) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < problems.size() && i < limit; ++i) lines.push_back(Render(problems[i].AsMessage()));
  if (problems.size() > limit) lines.push_back(Render({TextId::kMoreProblems, {problems.size() - limit}, {}}));
  return lines;
}

}  // namespace quillmere::catalog
