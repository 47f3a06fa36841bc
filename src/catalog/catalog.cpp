#include "catalog/catalog.h"

#include <array>

namespace quillmere::catalog {

namespace {

struct Entry {
  TextId id;
  std::size_t arguments;
  std::string_view code;  // problems and mendings only
  std::string_view words;
};

constexpr Entry kEntries[] = {
    {TextId::kCaption, 0, "", "信息"},
    {TextId::kWriteFailed, 1, "", "写入文件失败！\r\n%1"},
    {TextId::kReadFailed, 1, "", "读取文件失败！\r\n%1"},
    {TextId::kFileTooLarge, 1, "", "文件过大，无法读取！\r\n%1"},
    {TextId::kFileWritten, 1, "", "文件已写入：\r\n%1"},
    {TextId::kFileChanged, 1, "", "文件已被其他程序修改，已重新读取，请重试！\r\n%1"},
    {TextId::kFileBusy, 1, "", "文件正被其他程序使用，请稍后再试！\r\n%1"},
    {TextId::kWrongFormat, 0, "", "错误的存档格式！"},
    {TextId::kNotSarooSingleSave, 0, "", "此存档不是SAROO单存档格式！"},
    {TextId::kChecksumFailed, 1, "", "存档校验失败！\r\n%1"},
    {TextId::kSelectSaveToExport, 0, "", "请先选中要导出的存档！"},
    {TextId::kNothingSelectedToTransfer, 0, "", "未选中任何要转移的存档！"},
    {TextId::kImportDone, 0, "", "导入完成！"},
    {TextId::kCompactDone, 0, "", "整理完成!"},
    {TextId::kDirectoryFull, 0, "", "存档列表已满!"},
    {TextId::kBitmapFullForRecord, 0, "", "存档位图数据已满!"},
    {TextId::kBitmapFullForData, 0, "", "存档位图空间不足!"},
    {TextId::kSaveTooLarge, 0, "", "存档过大，无法写入！"},
    {TextId::kDamagedTarget, 0, "", "目标存档已损坏，无法覆盖！"},
    {TextId::kUnnamedSave, 0, "", "存档没有名称，无法写入！"},
    {TextId::kCannotCompactDamaged, 0, "", "存档文件已损坏，无法整理！"},
    {TextId::kIncompleteSave, 1, "", "存档已损坏，数据不完整：%1"},
    {TextId::kSelectSaveToDelete, 0, "", "请先选中要删除的存档！"},
    {TextId::kRepairQuestion, 0, "", "是否修复存档文件？"},
    {TextId::kRepairDone, 0, "", "修复完成！"},
    {TextId::kNothingToRepair, 0, "", "存档文件无需修复。"},
    {TextId::kCannotRepair, 0, "", "无法修复："},
    {TextId::kNoProblemsFound, 0, "", "未发现问题。"},
    {TextId::kImageHasProblems, 0, "", "存档文件有问题："},
    {TextId::kListFull, 1, "", "存档列表%1已满，无法继续写入！"},
    {TextId::kReplaceQuestion, 3, "", "是否替换列表%1已有存档？\r\n%2:%3"},
    {TextId::kDeleteQuestion, 1, "", "是否删除选中的%1个存档？"},
    {TextId::kBackupRamFull, 0, "", "备份内存空间不足！"},
    {TextId::kChooseGame, 0, "", "导入到哪个游戏？"},
    {TextId::kUnnamedGame, 0, "", "游戏编号无效，无法写入！"},
    {TextId::kDamagedArea, 0, "", "游戏存档区已损坏，无法写入！"},
    {TextId::kMoreProblemsEllipsis, 0, "", "……"},
    {TextId::kAreaFull, 0, "", "存档空间不足！"},

    {TextId::kSingleSaveFilter, 0, "", "SAROO单存档（*.bin）|*.bin|BUP存档（*.bup）|*.bup|SRO存档（*.sro）|*.sro"},
    {TextId::kSsfFileFilter, 0, "", "SSF单存档文件（*.bin）|*.bin"},
    {TextId::kSarooFileFilter, 0, "", "SAROO单存档（*.bin）|*.bin|SRO存档（*.sro）|*.sro"},

    {TextId::kWindowTitle, 0, "", "QuillmereV1.85"},
    {TextId::kTransferArea, 0, "", "SAROO存档转移"},
    {TextId::kImport, 0, "", "导入"},
    {TextId::kExport, 0, "", "导出"},
    {TextId::kRefresh, 0, "", "刷新"},
    {TextId::kTransferLeft, 0, "", "<<转移"},
    {TextId::kTransferRight, 0, "", "转移>>"},
    {TextId::kCompact, 0, "", "整理"},
    {TextId::kCompacting, 0, "", "整理中"},
    {TextId::kCompactingCount, 1, "", "整理%1"},
    {TextId::kMap, 0, "", "MAP"},
    {TextId::kRemaining, 0, "", "剩余:"},
    {TextId::kHintProgramFolder, 1, "", "%1放程序目录"},
    {TextId::kHintOtherFolder, 1, "", "%1放OTHER目录"},
    {TextId::kClearUnusedOnRefresh, 0, "", "刷新时清空未使用区域"},
    {TextId::kOverwriteOnTransfer, 0, "", "转移时覆盖同名存档"},
    {TextId::kExportBup, 0, "", "导出为BUP"},
    {TextId::kExportSro, 0, "", "导出为SRO"},
    {TextId::kDelete, 0, "", "删除"},
    {TextId::kCheck, 0, "", "检查"},
    {TextId::kRepair, 0, "", "修复"},
    {TextId::kImportToGame, 0, "", "导入到游戏…"},
    {TextId::kSsfToSarooArea, 0, "", "SSF单存档转SAROO单存档"},
    {TextId::kSarooToSsfArea, 0, "", "SAROO单存档转SSF单存档"},
    {TextId::kToSaroo, 0, "", "转成SAROO单存档"},
    {TextId::kToSsf, 0, "", "转成SSF单存档"},
    {TextId::kPickFile, 0, "", "..."},
    {TextId::kSsfLabel, 0, "", "SSF存档"},
    {TextId::kSarooLabel, 0, "", "SAROO存档"},
    {TextId::kMapCaption, 1, "", "VIEW MAP ( Cluster size:%1 )"},
    {TextId::kColumnNum, 0, "", "Num"},
    {TextId::kColumnName, 0, "", "Name"},
    {TextId::kColumnAddress, 0, "", "Address"},
    {TextId::kColumnComment, 0, "", "Comment"},
    {TextId::kColumnDate, 0, "", "Date"},
    {TextId::kColumnSize, 0, "", "Size"},
    {TextId::kColumnUnits, 0, "", "Units"},
    {TextId::kColumnForm, 0, "", "Form"},
    {TextId::kWindowUsage, 0, "", "usage: quillmere [FOLDER]"},
    {TextId::kWindowNotAFolder, 1, "", "quillmere: %1: not a folder or a container file"},

    {TextId::kProblemImageSize, 2, "image-size", "image is %1 bytes, not %2"},
    {TextId::kProblemTooLargeForList, 3, "size-exceeds-cluster-list",
     "slot %1 states %2 bytes, more than a record's %3 clusters hold"},
    {TextId::kProblemOutsideDataArea, 2, "cluster-outside-data-area", "slot %1 uses cluster %2, outside the data area"},
    {TextId::kProblemSharedCluster, 3, "shared-cluster", "slot %1 shares cluster %2 with slot %3"},
    {TextId::kProblemPastImageEnd, 2, "cluster-past-image-end", "slot %1 uses cluster %2, past the end of the image"},
    {TextId::kProblemBitmapMarksFree, 1, "bitmap-marks-used-cluster-free", "bitmap marks cluster %1 free, but it is in use"},
    {TextId::kProblemBitmapMarksUsed, 1, "bitmap-marks-free-cluster-used", "bitmap marks cluster %1 used, but no save has it"},
    {TextId::kProblemFreeCount, 2, "free-count", "free count is %1, but %2 clusters are free"},
    {TextId::kProblemListOutsideRam, 3, "block-outside-ram", "save %1 at block %2 lists block %3, outside the RAM"},
    {TextId::kProblemListLoops, 3, "block-list-loops", "save %1 at block %2 lists block %3 twice: its list loops"},
    {TextId::kProblemListRunsOn, 2, "block-list-unended", "save %1 at block %2: its block list runs past its blocks without an end"},
    {TextId::kProblemListTooLong, 2, "block-list-too-long", "save %1 at block %2: more blocks are listed than the RAM holds"},
    {TextId::kProblemOutsideRam, 2, "save-outside-ram", "save %1 at block %2 lies outside the 512 blocks of the RAM"},
    {TextId::kProblemSharedBlock, 5, "shared-block", "save %1 at block %2 shares block %3 with save %4 at block %5"},
    {TextId::kProblemSizeExceedsBlocks, 4, "size-exceeds-blocks", "save %1 at block %2 states %3 bytes, but its blocks hold %4"},
    {TextId::kProblemMarksAreaHeader, 2, "data-in-area-header", "save %1 at %2 marks the area's header block as its data"},
    {TextId::kProblemRecordSizeExceedsBlocks, 4, "size-exceeds-data-blocks",
     "save %1 at %2 states %3 bytes, but its blocks hold %4"},
    {TextId::kProblemUnreachableEntry, 2, "entry-after-index-end",
     "entry %1 (%2) lies after an empty entry: the firmware never reaches it"},
    {TextId::kProblemSharedGameId, 3, "shared-game-id", "entries %1 and %2 both name game %3"},
    {TextId::kProblemAreaHeader, 1, "bad-area-header", "area %1 does not begin with an area header"},
    {TextId::kProblemChainLoops, 2, "chain-loops", "area %1: the chain of saves comes back to block %2"},
    {TextId::kProblemChainLeavesArea, 3, "chain-leaves-area", "area %1: block %2 links to block %3, outside the area"},
    {TextId::kProblemSharedAreaBlock, 5, "shared-area-block", "save %1 at %2 shares block %3 with save %4 at %5"},
    {TextId::kProblemAreaBitmapMarksFree, 2, "area-bitmap-marks-used-blocks-free",
     "area %1: the bitmap marks %2 blocks free that are in use"},
    {TextId::kProblemAreaBitmapMarksUsed, 2, "area-bitmap-marks-free-blocks-used",
     "area %1: the bitmap marks %2 blocks used that no save has"},
    {TextId::kProblemAreaFreeCount, 3, "area-free-count", "area %1: free count is %2, but the bitmap leaves %3 blocks free"},
    {TextId::kProblemNameShadowed, 4, "name-shadowed",
     "save %1 at %2 is never found: the earlier save %3 at %4 begins with its name"},
    {TextId::kMoreProblems, 1, "more-problems", "and %1 more problems"},

    {TextId::kMendedReservedBytes, 1, "cleared-reserved-bytes", "cleared bytes 12-13 of %1 slots"},
    {TextId::kMendedStrayBits, 1, "freed-unused-clusters", "freed %1 clusters that no save uses"},
    {TextId::kMendedMissingBits, 1, "marked-used-clusters", "marked %1 clusters in use by saves"},
    {TextId::kMendedAreaBitmap, 3, "rebuilt-area-bitmap", "area %1: bitmap freed %2 blocks and marked %3 in use"},
    {TextId::kMendedAreaFreeCount, 3, "set-area-free-count", "area %1: free count %2 set to %3"},
    {TextId::kMendedFreeCount, 2, "set-free-count", "free count %1 set to %2"},

    {TextId::kCliRemaining, 1, "", "剩余: %1"},
    {TextId::kCliMended, 1, "", "mended: %1"},
    {TextId::kCliRemains, 1, "", "remains: %1"},
    {TextId::kCliUnknownKind, 1, "", "quillmere-cli: unknown kind '%1' (use mems, bkram, bup or save)"},
    {TextId::kCliUnknownKindOfFile, 1, "",
     "quillmere-cli: cannot tell the kind of '%1' from its name; give --kind mems, bkram, bup or save"},
    {TextId::kCliNoSuchFile, 1, "", "quillmere-cli: no such file: %1"},
    {TextId::kCliGiveGame, 1, "", "quillmere-cli: give --game ID to name the game whose area of %1 takes the saves"},
    {TextId::kCliNameInGames, 2, "", "quillmere-cli: %1 holds saves named %2 in several games; give --game ID"},
    {TextId::kCliAlreadyForm, 2, "", "quillmere-cli: %1 is a %2 single save already"},
    {TextId::kCliNoSuchRow, 3, "", "quillmere-cli: %1 lists %2 saves; there is no row %3"},
    {TextId::kCliSkipped, 1, "", "quillmere-cli: skipped %1: a save of that name is listed (--overwrite replaces it)"},
    {TextId::kCliNoSaveNamed, 2, "", "quillmere-cli: %1 lists no save named %2"},
    {TextId::kCliNoMap, 0, "", "quillmere-cli: SS_SAVE.BIN has no allocation map (it has no clusters or blocks)"},
    {TextId::kCliFormatExists, 1, "", "quillmere-cli: %1 exists; format never replaces a file"},
    {TextId::kCliGiveRowOrAll, 0, "", "quillmere-cli: give --row N or --all"},
    {TextId::kCliGiveRowOrName, 0, "", "quillmere-cli: give --row N or --name NAME"},
    {TextId::kCliError, 1, "", "quillmere-cli: %1"},
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

}  // namespace

std::string_view Words(TextId id) { return EntryOf(id).words; }

std::size_t ArgumentCount(TextId id) { return EntryOf(id).arguments; }

std::string_view Code(TextId id) { return EntryOf(id).code; }

std::string Render(const Message& message, std::string_view newline) {
  const std::string_view words = Words(message.id);
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
