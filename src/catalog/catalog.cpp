#include "catalog/catalog.h"

#include <atomic>
#include <cstdlib>

// The core's outcomes in words. Each phrase names its type's fields in the
// order the type declares them; the build checks that it names each of them.
using namespace quillmere;

QUILLMERE_PHRASE(WriteFailed, "", "写入文件失败！\r\n%1",
                 "Could not write the file!\r\n%1");
QUILLMERE_PHRASE(ReadFailed, "", "读取文件失败！\r\n%1",
                 "Could not read the file!\r\n%1");
QUILLMERE_PHRASE(FileTooLarge, "", "文件过大，无法读取！\r\n%1",
                 "The file is too large to read!\r\n%1");
QUILLMERE_PHRASE(FileWritten, "", "文件已写入：\r\n%1",
                 "File written:\r\n%1");
QUILLMERE_PHRASE(FileChanged, "", "文件已被其他程序修改，已重新读取，请重试！\r\n%1",
                 "Another program changed the file; it was read again. Please try again!\r\n%1");
QUILLMERE_PHRASE(FileBusy, "", "文件正被其他程序使用，请稍后再试！\r\n%1",
                 "Another program is using the file. Please try again later!\r\n%1");
QUILLMERE_PHRASE(WrongFormat, "", "错误的存档格式！",
                 "Wrong save format!");
QUILLMERE_PHRASE(NotSarooSingleSave, "", "此存档不是SAROO单存档格式！",
                 "This save is not a SAROO single save!");
QUILLMERE_PHRASE(ChecksumFailed, "", "存档校验失败！\r\n%1",
                 "The save's checksum does not match!\r\n%1");
QUILLMERE_PHRASE(SelectSaveToExport, "", "请先选中要导出的存档！",
                 "Select the save to export first!");
QUILLMERE_PHRASE(NothingSelectedToTransfer, "", "未选中任何要转移的存档！",
                 "No save is selected to transfer!");
QUILLMERE_PHRASE(ImportDone, "", "导入完成！",
                 "Import done!");
QUILLMERE_PHRASE(CompactDone, "", "整理完成!",
                 "Compacting done!");
QUILLMERE_PHRASE(DirectoryFull, "", "存档列表已满!",
                 "The save list is full!");
QUILLMERE_PHRASE(BitmapFullForRecord, "", "存档位图数据已满!",
                 "The save bitmap is full!");
QUILLMERE_PHRASE(BitmapFullForData, "", "存档位图空间不足!",
                 "Not enough room in the save bitmap!");
QUILLMERE_PHRASE(SaveTooLarge, "", "存档过大，无法写入！",
                 "The save is too large to write!");
QUILLMERE_PHRASE(DamagedTarget, "", "目标存档已损坏，无法覆盖！",
                 "The save to replace is damaged and cannot be overwritten!");
QUILLMERE_PHRASE(UnnamedSave, "", "存档没有名称，无法写入！",
                 "The save has no name and cannot be written!");
QUILLMERE_PHRASE(CannotCompactDamaged, "", "存档文件已损坏，无法整理！",
                 "The save file is damaged and cannot be compacted!");
QUILLMERE_PHRASE(IncompleteSave, "", "存档已损坏，数据不完整：%1",
                 "The save is damaged, its data incomplete: %1");
QUILLMERE_PHRASE(SelectSaveToDelete, "", "请先选中要删除的存档！",
                 "Select the saves to delete first!");
QUILLMERE_PHRASE(RepairQuestion, "", "是否修复存档文件？",
                 "Repair the save file?");
QUILLMERE_PHRASE(RepairDone, "", "修复完成！",
                 "Repair done!");
QUILLMERE_PHRASE(NothingToRepair, "", "存档文件无需修复。",
                 "The save file needs no repair.");
QUILLMERE_PHRASE(CannotRepair, "", "无法修复：",
                 "Cannot repair:");
QUILLMERE_PHRASE(NoProblemsFound, "", "未发现问题。",
                 "No problems found.");
QUILLMERE_PHRASE(ImageHasProblems, "", "存档文件有问题：",
                 "The save file has problems:");
QUILLMERE_PHRASE(ListFull, "", "存档列表%1已满，无法继续写入！",
                 "List %1 is full; no more saves can be written!");
QUILLMERE_PHRASE(ReplaceQuestion, "", "是否替换列表%1已有存档？\r\n%2:%3",
                 "Replace the save already in list %1?\r\n%2:%3");
QUILLMERE_PHRASE(DeleteQuestion, "", "是否删除选中的%1个存档？",
                 "Delete the {%1|selected save|%1 selected saves}?");
QUILLMERE_PHRASE(BackupRamFull, "", "备份内存空间不足！",
                 "Not enough room in the backup RAM!");
QUILLMERE_PHRASE(ChooseGame, "", "导入到哪个游戏？",
                 "Import into which game?");
QUILLMERE_PHRASE(UnnamedGame, "", "游戏编号无效，无法写入！",
                 "Invalid game ID: nothing was written!");
QUILLMERE_PHRASE(DamagedArea, "", "游戏存档区已损坏，无法写入！",
                 "The game's save area is damaged: nothing was written!");
QUILLMERE_PHRASE(MoreProblemsEllipsis, "", "……",
                 "…");
QUILLMERE_PHRASE(AreaFull, "", "存档空间不足！",
                 "Not enough room for the save!");
QUILLMERE_PHRASE(NoCartridge, "", "此文件没有卡带存档！\r\n%1",
                 "This file holds no cartridge memory!\r\n%1");
QUILLMERE_PHRASE(Compacting, "", "整理中",
                 "Busy");
QUILLMERE_PHRASE(CompactingCount, "", "整理%1",
                 "#%1");
QUILLMERE_PHRASE(ProblemImageSize, "image-size", "文件大小为%1字节，应为%2字节",
                 "image is %1 bytes, not %2");
QUILLMERE_PHRASE(ProblemTooLargeForList, "size-exceeds-cluster-list", "槽位%1声明%2字节，超过记录的%3个簇所能容纳",
                 "slot %1 states %2 bytes, more than a record's %3 clusters hold");
QUILLMERE_PHRASE(ProblemOutsideDataArea, "cluster-outside-data-area", "槽位%1使用簇%2，在数据区之外",
                 "slot %1 uses cluster %2, outside the data area");
QUILLMERE_PHRASE(ProblemSharedCluster, "shared-cluster", "槽位%1与槽位%3共用簇%2",
                 "slot %1 shares cluster %2 with slot %3");
QUILLMERE_PHRASE(ProblemPastImageEnd, "cluster-past-image-end", "槽位%1使用簇%2，超出文件末尾",
                 "slot %1 uses cluster %2, past the end of the image");
QUILLMERE_PHRASE(ProblemBitmapMarksFree, "bitmap-marks-used-cluster-free", "位图标记簇%1为空闲，但它正在使用",
                 "bitmap marks cluster %1 free, but it is in use");
QUILLMERE_PHRASE(ProblemBitmapMarksUsed, "bitmap-marks-free-cluster-used", "位图标记簇%1为已用，但没有存档使用它",
                 "bitmap marks cluster %1 used, but no save has it");
QUILLMERE_PHRASE(ProblemFreeCount, "free-count", "空闲簇计数为%1，但实际空闲%2个簇",
                 "free count is %1, but %2 clusters are free");
QUILLMERE_PHRASE(ProblemListOutsideRam, "block-outside-ram", "块%2处的存档%1列出块%3，在内存之外",
                 "save %1 at block %2 lists block %3, outside the RAM");
QUILLMERE_PHRASE(ProblemListLoops, "block-list-loops", "块%2处的存档%1两次列出块%3：块列表循环",
                 "save %1 at block %2 lists block %3 twice: its list loops");
QUILLMERE_PHRASE(ProblemListRunsOn, "block-list-unended", "块%2处的存档%1：块列表超出其块而没有结束",
                 "save %1 at block %2: its block list runs past its blocks without an end");
QUILLMERE_PHRASE(ProblemListTooLong, "block-list-too-long", "块%2处的存档%1：列出的块多于内存所有",
                 "save %1 at block %2: more blocks are listed than the RAM holds");
QUILLMERE_PHRASE(ProblemOutsideRam, "save-outside-ram", "块%2处的存档%1位于内存的512个块之外",
                 "save %1 at block %2 lies outside the 512 blocks of the RAM");
QUILLMERE_PHRASE(ProblemSharedBlock, "shared-block", "块%2处的存档%1与块%5处的存档%4共用块%3",
                 "save %1 at block %2 shares block %3 with save %4 at block %5");
QUILLMERE_PHRASE(ProblemSizeExceedsBlocks, "size-exceeds-blocks", "块%2处的存档%1声明%3字节，但其块只容纳%4字节",
                 "save %1 at block %2 states %3 bytes, but its blocks hold %4");
QUILLMERE_PHRASE(ProblemMarksAreaHeader, "data-in-area-header", "%2处的存档%1把区域的头块标记为数据",
                 "save %1 at %2 marks the area's header block as its data");
QUILLMERE_PHRASE(ProblemRecordSizeExceedsBlocks, "size-exceeds-data-blocks", "%2处的存档%1声明%3字节，但其块只容纳%4字节",
                 "save %1 at %2 states %3 bytes, but its blocks hold %4");
QUILLMERE_PHRASE(ProblemUnreachableEntry, "entry-after-index-end", "条目%1（%2）位于空条目之后：固件永远找不到它",
                 "entry %1 (%2) lies after an empty entry: the firmware never reaches it");
QUILLMERE_PHRASE(ProblemSharedGameId, "shared-game-id", "条目%1和%2都指向游戏%3",
                 "entries %1 and %2 both name game %3");
QUILLMERE_PHRASE(ProblemAreaHeader, "bad-area-header", "区域%1开头不是区域头",
                 "area %1 does not begin with an area header");
QUILLMERE_PHRASE(ProblemChainLoops, "chain-loops", "区域%1：存档链回到了块%2",
                 "area %1: the chain of saves comes back to block %2");
QUILLMERE_PHRASE(ProblemChainLeavesArea, "chain-leaves-area", "区域%1：块%2链接到区域外的块%3",
                 "area %1: block %2 links to block %3, outside the area");
QUILLMERE_PHRASE(ProblemSharedAreaBlock, "shared-area-block", "%2处的存档%1与%5处的存档%4共用块%3",
                 "save %1 at %2 shares block %3 with save %4 at %5");
QUILLMERE_PHRASE(ProblemAreaBitmapMarksFree, "area-bitmap-marks-used-blocks-free", "区域%1：位图将%2个正在使用的块标记为空闲",
                 "area %1: the bitmap marks %2 blocks free that are in use");
QUILLMERE_PHRASE(ProblemAreaBitmapMarksUsed, "area-bitmap-marks-free-blocks-used", "区域%1：位图将%2个无存档使用的块标记为已用",
                 "area %1: the bitmap marks %2 blocks used that no save has");
QUILLMERE_PHRASE(ProblemAreaFreeCount, "area-free-count", "区域%1：空闲块计数为%2，但位图显示有%3个空闲块",
                 "area %1: free count is %2, but the bitmap leaves %3 blocks free");
QUILLMERE_PHRASE(ProblemNameShadowed, "name-shadowed", "%2处的存档%1永远不会被找到：之前%4处的存档%3以它的名称开头",
                 "save %1 at %2 is never found: the earlier save %3 at %4 begins with its name");
QUILLMERE_PHRASE(MoreProblems, "more-problems", "另有%1个问题",
                 "and %1 more problems");
QUILLMERE_PHRASE(MendedReservedBytes, "cleared-reserved-bytes", "已清除%1个槽位的第12-13字节",
                 "cleared bytes 12-13 of %1 slots");
QUILLMERE_PHRASE(MendedStrayBits, "freed-unused-clusters", "已释放%1个没有存档使用的簇",
                 "freed %1 clusters that no save uses");
QUILLMERE_PHRASE(MendedMissingBits, "marked-used-clusters", "已将%1个存档使用的簇标记为已用",
                 "marked %1 clusters in use by saves");
QUILLMERE_PHRASE(MendedAreaBitmap, "rebuilt-area-bitmap", "区域%1：位图释放了%2个块，标记了%3个已用块",
                 "area %1: bitmap freed %2 blocks and marked %3 in use");
QUILLMERE_PHRASE(MendedAreaFreeCount, "set-area-free-count", "区域%1：空闲块计数%2已改为%3",
                 "area %1: free count %2 set to %3");
QUILLMERE_PHRASE(MendedFreeCount, "set-free-count", "空闲簇计数%1已改为%2",
                 "free count %1 set to %2");
QUILLMERE_PHRASE(TransferSummary, "", "已转移%1个存档，%2个因同名跳过，%3个被拒绝。",
                 "Saves moved: %1, skipped for their name: %2, refused: %3.");
QUILLMERE_PHRASE(SaveNameLine, "", "%1",
                 "%1");
QUILLMERE_PHRASE(DropSummary, "", "已导入%1个存档，%2个因同名跳过，%3个被拒绝。",
                 "Saves imported: %1, skipped for their name: %2, refused: %3.");
QUILLMERE_PHRASE(HoldsMemsImage, "holds-mems-image", "%1中是SS_MEMS.BIN映像（“SaroMems”），但文件名或--kind说它是%2",
                 "%1 holds an SS_MEMS.BIN image (“SaroMems”), but its name or --kind says %2");
QUILLMERE_PHRASE(HoldsSaveFile, "holds-save-file", "%1中是SS_SAVE.BIN（“Saroo Save File”），但文件名或--kind说它是%2",
                 "%1 holds an SS_SAVE.BIN (“Saroo Save File”), but its name or --kind says %2");
QUILLMERE_PHRASE(HoldsBackupMemory, "holds-backup-memory", "%1中是备份内存（“BackUpRam Format”），但文件名或--kind说它是%2",
                 "%1 holds a backup memory (“BackUpRam Format”), but its name or --kind says %2");
QUILLMERE_PHRASE(NotWritten, "", "为免丢失存档，不写入此文件：%1",
                 "So that no save is lost, this file is not written: %1");
QUILLMERE_PHRASE(CannotTellKind, "", "无法从文件名或内容判断%1的类型",
                 "Cannot tell the kind of %1 from its name or content");
QUILLMERE_PHRASE(NotRegularFile, "", "不是普通文件：\r\n%1",
                 "Not a regular file:\r\n%1");
QUILLMERE_PHRASE(RepairNotForMemory, "", "%1是备份内存：它没有可重建的分配记录，不修复",
                 "%1 is a backup memory: it has no allocation record to rebuild, and is not repaired");
QUILLMERE_PHRASE(ProblemFormUnusual, "form-differs-from-name", "%1通常存放字宽内存，此文件却是紧凑存放（按内容读取）",
                 "%1 usually holds the memory word-wide; this file holds it packed, and is read so");
QUILLMERE_PHRASE(ProblemUnformatted, "unformatted", "内存未格式化：块0中没有“BackUpRam Format”；请先格式化（quillmere-cli format 文件 --device internal或cart）",
                 "the memory is not formatted: block 0 lacks “BackUpRam Format”; format it first (quillmere-cli format FILE "
     "--device internal or cart)");
QUILLMERE_PHRASE(ProblemRamSize, "ram-size", "内存有%1字节，不是任何存储器的大小；按%2字节读取，缺少的字节读作0",
                 "the RAM is %1 bytes, the size of no memory; it is read as %2 bytes, missing bytes as zeros");
QUILLMERE_PHRASE(ProblemBlockSizeBoth, "block-size-ambiguous", "8 MiB字宽内存：按64字节块和1024字节块读取都说得通（或它是空的）；按1024字节块列出；用--block-size 64或1024指明",
                 "8 MiB word-wide memory: 64-byte and 1024-byte blocks both read consistently (or it is empty); listed at "
     "1024-byte blocks; name them with --block-size 64 or 1024");
QUILLMERE_PHRASE(ProblemBlockSizeNamed, "block-size-named", "按给出的%1字节块读取，存档说不通（--block-size只可为64或1024，且只用于8 MiB字宽内存）",
                 "the saves do not hold together at the %1-byte blocks named (--block-size is 64 or 1024, for an 8 MiB "
     "word-wide memory)");
QUILLMERE_PHRASE(ProblemBlockSizeNeither, "block-size-unknown", "8 MiB字宽内存：按64字节块和1024字节块读取都说不通；按1024字节块列出",
                 "8 MiB word-wide memory: neither 64-byte nor 1024-byte blocks read consistently; listed at 1024-byte blocks");
QUILLMERE_PHRASE(ProblemGzipDamaged, "gzip-damaged", "gzip数据不能完整解压（损坏，或其后有多余字节）",
                 "the gzip stream does not inflate whole (damaged, or bytes follow it)");
QUILLMERE_PHRASE(ProblemSaveCutByEnd, "save-cut-by-end", "块%2处的存档%1超出文件的末尾（内存只有%3字节）：其余部分读作0",
                 "save %1 at block %2 runs past the end of the file (the RAM holds %3 bytes): the rest reads as zeros");
QUILLMERE_PHRASE(AskBlockSize, "", "%1是8 MiB字宽内存，其存档不能说明块的大小。请选择：64是YabaSanshiro的内部存储器，1024是4 MiB卡带",
                 "%1 is an 8 MiB word-wide memory whose saves do not tell its block size. Choose: 64 for YabaSanshiro's "
     "internal memory, 1024 for a 4 MiB cartridge");
QUILLMERE_PHRASE(GameIdInvalid, "", "游戏ID无效：须为1到16个可打印ASCII字符（如 T-1809G），不能全是空格！",
                 "Invalid game ID: it must be 1 to 16 printable ASCII characters (such as T-1809G), not only spaces!");
QUILLMERE_PHRASE(GameIdHint, "", "游戏ID为光盘ID，如 T-1809G（最多16个字符）",
                 "The game ID is the disc's ID, such as T-1809G (up to 16 characters)");
QUILLMERE_PHRASE(NewGameAdded, "", "新游戏 %1 已添加",
                 "new game %1 added: the SAROO finds it only if its disc's ID begins with these 8 bytes");
QUILLMERE_PHRASE(GameIndexFull, "", "游戏索引已满",
                 "the game index is full");
QUILLMERE_PHRASE(SingleSaveSizesDiffer, "", "%1：存档声明大小为%2字节，但文件带有%3字节数据，按%4字节处理",
                 "%1: the save states %2 bytes but the file carries %3 data bytes; %4 bytes are taken");
QUILLMERE_PHRASE(ProblemAreaPastEnd, "area-past-end", "游戏%2的区域%1在文件末尾之后，其存档不在文件中",
                 "area %1 of game %2 lies past the end of the file: its saves are not in it");
QUILLMERE_PHRASE(ProblemAreaCut, "area-cut", "游戏%2的区域%1被文件末尾截断，只剩%3字节",
                 "area %1 of game %2 is cut by the end of the file: only %3 bytes are there");
QUILLMERE_PHRASE(FileLookedAt, "", "文件：%1",
                 "File: %1");
QUILLMERE_PHRASE(GameChoice, "", "%1（%2个存档）",
                 "%1 ({%2|1 save|%2 saves})");
QUILLMERE_PHRASE(AddNewGame, "", "%1不在此文件中：添加新游戏吗？只有光盘ID以这8个字节开头时，SAROO才能找到它。",
                 "%1 is not in this file: add a new game? The SAROO finds it only if the disc's ID begins with these 8 bytes.");
QUILLMERE_PHRASE(ReplaceListedSave, "", "已有：%1，%2字节",
                 "Listed: %1, {%2|1 byte|%2 bytes}");
QUILLMERE_PHRASE(ReplaceIncomingSave, "", "导入：%1，%2字节",
                 "Importing: %1, {%2|1 byte|%2 bytes}");
QUILLMERE_PHRASE(RunCancelled, "", "已取消，文件未改动。\r\n%1",
                 "Cancelled: the file was left as it was.\r\n%1");
QUILLMERE_PHRASE(SingleSaveNotContainer, "", "%1是单个存档，不是存档容器：请用“导入”把它放进一个容器。",
                 "%1 is a single save, not a container: use Import to put it into one.");
QUILLMERE_PHRASE(SkippedSameName, "", "已有同名存档",
                 "a save of that name is listed");
QUILLMERE_PHRASE(SaveWithReason, "", "%1：",
                 "%1:");
QUILLMERE_PHRASE(RunSavesNotImported, "", "未导入的存档：",
                 "Saves not imported:");
QUILLMERE_PHRASE(WritingFile, "", "正在写入文件，请稍候：\r\n%1",
                 "Writing the file, please wait:\r\n%1");
QUILLMERE_PHRASE(ReadingFile, "", "正在读取文件，请稍候：\r\n%1",
                 "Reading the file, please wait:\r\n%1");
QUILLMERE_PHRASE(OpeningFileBrowser, "", "正在打开文件夹：\r\n%1",
                 "Opening the folder:\r\n%1");
QUILLMERE_PHRASE(OperationImport, "", "导入",
                 "import");
QUILLMERE_PHRASE(OperationTransfer, "", "转移",
                 "transfer");
QUILLMERE_PHRASE(OperationDelete, "", "删除",
                 "delete");
QUILLMERE_PHRASE(OperationCompact, "", "整理",
                 "compact");
QUILLMERE_PHRASE(OperationRepair, "", "修复",
                 "repair");
QUILLMERE_PHRASE(OperationClear, "", "清空未使用区域",
                 "clear unused space");
QUILLMERE_PHRASE(OperationFormat, "", "格式化",
                 "format");
QUILLMERE_PHRASE(OperationRestore, "", "恢复",
                 "restore");
QUILLMERE_PHRASE(OperationOther, "", "%1",
                 "%1");
QUILLMERE_PHRASE(HistoryNotKept, "", "文件已写入，但未能保存它之前的版本（%2）\r\n%1",
                 "The file was written, but no earlier version of it was kept (%2)\r\n%1");
QUILLMERE_PHRASE(HistoryIndexDamaged, "", "历史版本的索引已损坏，已跳过（未删除）\r\n%1",
                 "The index of earlier versions is damaged and was skipped (not deleted)\r\n%1");
QUILLMERE_PHRASE(HistoryOff, "", "历史版本已关闭（QUILLMERE_HISTORY=off）。",
                 "Earlier versions are not kept (QUILLMERE_HISTORY=off).");
QUILLMERE_PHRASE(HistoryNone, "", "没有保存此文件的历史版本\r\n%1",
                 "No earlier version of this file is kept\r\n%1");
QUILLMERE_PHRASE(HistoryNoSuchVersion, "", "没有第%2个历史版本（共%3个）\r\n%1",
                 "There is no version %2 (%3 are kept)\r\n%1");
QUILLMERE_PHRASE(HistoryVersionDamaged, "", "第%2个历史版本已损坏，不能恢复\r\n%1",
                 "Version %2 is damaged and cannot be restored\r\n%1");
QUILLMERE_PHRASE(HistoryChangedElsewhere, "", "注意：Quillmere上次写入后，此文件被其他程序修改过（SD卡上通常是主机）\r\n%1",
                 "Note: another program changed this file since Quillmere last wrote it (on an SD card, usually the console)\r\n%1");
QUILLMERE_PHRASE(UndoQuestion, "", "把%1恢复为%3%2之前的样子？\r\n当时有%4个存档，现在有%5个。",
                 "Restore %1 as it was before %2 at %3?\r\nIt held %4 saves; it holds %5 now.");

namespace quillmere::catalog {

namespace {

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

namespace {

// English counts: "{%N|one|many}" takes "one" when argument N is 1 and
// "many" otherwise; either may name arguments again.
std::string ChoosePlurals(std::string_view words, const std::vector<FieldText>& fields) {
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
    const bool one = k < fields.size() && fields[k].number && fields[k].value == 1;
    chosen += one ? words.substr(bar + 1, second - bar - 1) : words.substr(second + 1, end - second - 1);
    i = end;
  }
  return chosen;
}

}  // namespace

std::string Fill(std::string_view phrase, const std::vector<FieldText>& fields) {
  const std::string words = ChoosePlurals(phrase, fields);
  std::string text;
  text.reserve(words.size());
  for (std::size_t i = 0; i < words.size(); ++i) {
    const char next = i + 1 < words.size() ? words[i + 1] : '\0';
    if (words[i] == '%' && next >= '1' && next <= '9') {
      const auto k = static_cast<std::size_t>(next - '1');
      if (k < fields.size()) text += fields[k].number ? std::to_string(fields[k].value) : std::string(fields[k].text);
      ++i;
    } else {
      text += words[i];
    }
  }
  return text;
}

std::string Render(const Message& message, std::string_view newline) {
  std::string text = Say(message.what);
  for (const Message& line : message.lines) {
    text += newline;
    text += Render(line, newline);
  }
  return text;
}

std::vector<SampleText> OutcomeSamples(bool one) { return Samples<Outcome>(one); }

std::string_view Code(const Problem& problem) { return PhraseOfValue(problem.what).code; }

std::string_view Code(const Message& message) { return PhraseOfValue(message.what).code; }

std::vector<std::string> ProblemLines(const std::vector<Problem>& problems, std::size_t limit) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < problems.size() && i < limit; ++i) lines.push_back(Render(problems[i].AsMessage()));
  if (problems.size() > limit) lines.push_back(Render(MoreProblems{problems.size() - limit}));
  return lines;
}

}  // namespace quillmere::catalog
