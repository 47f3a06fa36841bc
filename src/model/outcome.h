#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// What the core tells its users, as values: an id for each text and the data
// it names. The words themselves are in the catalog (src/catalog), which
// alone turns these into text.
namespace quillmere {

enum class TextId : std::uint16_t {
  // Message boxes.
  kCaption,
  kWriteFailed,
  kReadFailed,
  kFileTooLarge,
  kFileWritten,
  kFileChanged,
  kFileBusy,
  kWrongFormat,
  kNotSarooSingleSave,
  kChecksumFailed,
  kSelectSaveToExport,
  kNothingSelectedToTransfer,
  kImportDone,
  kCompactDone,
  kDirectoryFull,
  kBitmapFullForRecord,
  kBitmapFullForData,
  kSaveTooLarge,
  kDamagedTarget,
  kUnnamedSave,
  kCannotCompactDamaged,
  kIncompleteSave,
  kSelectSaveToDelete,
  kRepairQuestion,
  kRepairDone,
  kNothingToRepair,
  kCannotRepair,
  kNoProblemsFound,
  kImageHasProblems,
  kListFull,
  kReplaceQuestion,
  kDeleteQuestion,
  kBackupRamFull,
  kChooseGame,
  kUnnamedGame,
  kDamagedArea,
  kMoreProblemsEllipsis,
  kAreaFull,
  kNoCartridge,

  // File dialogs: description and pattern pairs.
  kSingleSaveFilter,
  kSsfFileFilter,
  kSarooFileFilter,
  kContainerFileFilter,

  // Captions of the window.
  kWindowTitle,
  kTransferArea,
  kImport,
  kExport,
  kRefresh,
  kTransferLeft,
  kTransferRight,
  kCompact,
  kCompacting,
  kCompactingCount,
  kMap,
  kRemaining,
  kHintProgramFolder,
  kHintOtherFolder,
  kClearUnusedOnRefresh,
  kOverwriteOnTransfer,
  kExportBup,
  kExportSro,
  kDelete,
  kCheck,
  kRepair,
  kImportToGame,
  kOpenFile,
  kOpenFolder,
  kUsualFolder,
  kShowCartridge,
  kShowInternal,
  kSsfToSarooArea,
  kSarooToSsfArea,
  kToSaroo,
  kToSsf,
  kPickFile,
  kSsfLabel,
  kSarooLabel,
  kMapCaption,
  kColumnNum,
  kColumnName,
  kColumnAddress,
  kColumnComment,
  kColumnDate,
  kColumnSize,
  kColumnUnits,
  kColumnForm,
  kWindowUsage,
  kWindowNotAFolder,
  // The pane's file label (form and memory), the kind words of its list, the
  // figure's unit, the hint for a folder opened elsewhere, and why a control is off.
  kFormPacked,
  kFormGzip,
  kFormTwoMemories,
  kFormPackedTip,
  kFormGzipTip,
  kFormWordWideTip,
  kFormTwoMemoriesTip,
  kDeviceInternal,
  kDeviceCartridge,
  kKindMemsImage,
  kKindBackupMemory,
  kKindSaveFile,
  kUnitBytes,
  kUnitBlocks,
  kRemainingFigure,
  kHintFolder,
  kHintFolderTip,
  kHintUserFolder,
  kNoFileHere,

  // Problems a check finds (each has a stable code).
  kProblemImageSize,
  kProblemTooLargeForList,
  kProblemOutsideDataArea,
  kProblemSharedCluster,
  kProblemPastImageEnd,
  kProblemBitmapMarksFree,
  kProblemBitmapMarksUsed,
  kProblemFreeCount,
  kProblemListOutsideRam,
  kProblemListLoops,
  kProblemListRunsOn,
  kProblemListTooLong,
  kProblemOutsideRam,
  kProblemSharedBlock,
  kProblemSizeExceedsBlocks,
  kProblemMarksAreaHeader,
  kProblemRecordSizeExceedsBlocks,
  kProblemUnreachableEntry,
  kProblemSharedGameId,
  kProblemAreaHeader,
  kProblemChainLoops,
  kProblemChainLeavesArea,
  kProblemSharedAreaBlock,
  kProblemAreaBitmapMarksFree,
  kProblemAreaBitmapMarksUsed,
  kProblemAreaFreeCount,
  kProblemNameShadowed,
  kMoreProblems,

  // What a repair mended (each has a stable code).
  kMendedReservedBytes,
  kMendedStrayBits,
  kMendedMissingBits,
  kMendedAreaBitmap,
  kMendedAreaFreeCount,
  kMendedFreeCount,

  // The command line's own lines.
  kCliRemaining,
  kCliMended,
  kCliRemains,
  kCliUnknownKind,
  kCliUnknownKindOfFile,
  kCliUnknownForm,
  kCliNoSuchFile,
  kCliGiveGame,
  kCliNameInGames,
  kCliAlreadyForm,
  kCliNoSuchRow,
  kCliSkipped,
  kCliNoSaveNamed,
  kCliNoMap,
  kCliFormatExists,
  kCliGiveRowOrAll,
  kCliGiveRowOrName,
  kCliError,

  // Added later: languages, transfer summaries, progress and long forms.
  kLanguageChinese,
  kLanguageEnglish,
  kTransferSummary,
  kProgress,
  kSaveNameLine,
  kRemainingTip,
  kHintProgramFolderTip,
  kHintOtherFolderTip,
  kClearUnusedTip,
  kOverwriteTip,
  kCompactTip,
  kDropSummary,

  // Opening a container: what a file holds, and why it is not written.
  kHoldsMemsImage,
  kHoldsSaveFile,
  kHoldsBackupMemory,
  kNotWritten,
  kCannotTellKind,
  kNotRegularFile,
  kOnlyForMems,
  kRepairNotForMemory,
  kFormatContradictsName,
  kProblemFormUnusual,
  kProblemUnformatted,
  kProblemRamSize,
  kProblemBlockSizeBoth,
  kProblemBlockSizeNamed,
  kProblemBlockSizeNeither,
  kProblemGzipDamaged,
  kProblemSaveCutByEnd,
  kAskBlockSize,

  // SS_SAVE.BIN games, and single saves whose stated size is not their data's.
  kGameIdInvalid,
  kGameIdHint,
  kNewGameAdded,
  kGameIndexFull,
  kSingleSaveSizesDiffer,
  kProblemAreaPastEnd,
  kProblemAreaCut,
  // What the window says about the file it looked at and the choices it asks.
  kFileLookedAt,
  kGameChoice,
  kAddNewGame,
  kReplaceListedSave,
  kReplaceIncomingSave,
  kRunCancelled,
  kSingleSaveNotContainer,
  kSkippedSameName,
  kSaveWithReason,
  kRunSavesNotImported,
  kCaptionWarning,
  kCaptionError,
  kCaptionQuestion,
  // The allocation map's hover and legend.
  kMapTipCluster,
  kMapTipBlock,
  kMapTipSaveClusters,
  kMapTipSaveBlocks,
  kMapTipFree,
  kMapTipMemsHeader,
  kMapTipRamHeader,
  kMapTipUnlisted,
  kMapLegendFree,
  kMapLegendUsed,
  kMapLegendFirst,
  kMapLegendBlink,
  // What the window shows while slow file work runs off its thread.
  kWritingFile,
  kReadingFile,
  kOpeningFileBrowser,
  // The command line's front door.
  kCliUnknownCommand,
  kCliDidYouMean,
  kCliRunHelp,
  kCliNotSingleSave,
  // Earlier versions: the writes that keep them, and taking a write back.
  kOperationImport,
  kOperationTransfer,
  kOperationDelete,
  kOperationCompact,
  kOperationRepair,
  kOperationClear,
  kOperationFormat,
  kOperationRestore,
  kOperationOther,
  kHistoryNotKept,
  kHistoryIndexDamaged,
  kHistoryOff,
  kHistoryNone,
  kHistoryNoSuchVersion,
  kHistoryVersionDamaged,
  kHistoryChangedElsewhere,
  kRestoreDone,
  kUndoQuestion,
  kUndoLastChange,
  kHistoryMenu,
  kHistoryTitle,
  kHistoryColumnNumber,
  kHistoryColumnTime,
  kHistoryColumnOperation,
  kHistoryColumnSaves,
  kHistoryColumnSize,
  kHistoryRestore,
  kHistoryShowSaves,
  kHistoryExportSave,
  kHistoryKeepVersions,
  kHistoryKeepMegabytes,
  kHistorySavesTitle,
  kCliHistoryHeader,

  kCount  // not a text: the number of ids
};

// A number or a text that a message names.
struct TextArg {
  std::variant<std::int64_t, std::string> value;
  template <std::integral T>
  TextArg(T number) : value(static_cast<std::int64_t>(number)) {}
  TextArg(std::string text) : value(std::move(text)) {}
  TextArg(std::string_view text) : value(std::string(text)) {}
  TextArg(const char* text) : value(std::string(text)) {}
  bool operator==(const TextArg&) const = default;
};

// One text to show: its id, the data for its placeholders (%1, %2, ...), and
// further messages shown one a line after it.
struct Message {
  TextId id = TextId::kCaption;
  std::vector<TextArg> args;
  std::vector<Message> lines;
  bool operator==(const Message&) const = default;
};

// How bad a problem is: a warning that a repair mends without touching a
// save, or fatal, which no repair mends and which stops compacting. A note
// says something worth knowing that is no fault: a check that finds only
// notes passes.
enum class Severity { kWarning, kFatal, kNote };

// One problem of a container, with the data that places it.
struct Problem {
  TextId id = TextId::kProblemImageSize;
  std::vector<TextArg> args;
  Severity severity = Severity::kFatal;
  Message AsMessage() const { return {id, args, {}}; }
  bool operator==(const Problem&) const = default;
};

// How many problems each place lists before it only counts the rest.
inline constexpr std::size_t kCheckedProblemLimit = 100;  // check and repair on the command line
inline constexpr std::size_t kRepairReportLimit = 10;     // each part of the repair report
inline constexpr std::size_t kCheckReportLimit = 20;      // the window's "检查" box
inline constexpr std::size_t kTooltipLimit = 5;           // the damage mark's tooltip

}  // namespace quillmere
