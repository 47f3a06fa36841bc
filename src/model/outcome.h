#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

// What the core tells its users, as values: one small type for each kind of
// outcome, naming the data it carries, grouped by what it is about. The words
// are in the catalog (src/catalog), which alone turns these into text; each
// type's words name its fields, in the order they are declared here.
namespace quillmere {

// A number a text names: a count, a slot, a cluster, a size. Any integer
// converts to it; there is no default, so an outcome cannot leave one out.
struct Number {
  std::int64_t value;
  template <std::integral T>
  Number(T number) : value(static_cast<std::int64_t>(number)) {}
  bool operator==(const Number&) const = default;
};

// A text a text names: a file, a save's name, a game ID, a reason.
struct Text {
  std::string value;
  Text(std::string text) : value(std::move(text)) {}
  Text(std::string_view text) : value(text) {}
  Text(const char* text) : value(text) {}
  bool operator==(const Text&) const = default;
};

// A text type: its fields, each a Number or a Text, and equality.
#define QUILLMERE_TEXT_TYPE(Type, ...)               \
  struct Type {                                    \
    __VA_ARGS__                                    \
    bool operator==(const Type&) const = default;  \
  }

// Files: reading, writing, and what a file turned out to be.
QUILLMERE_TEXT_TYPE(WriteFailed, Text file;);
QUILLMERE_TEXT_TYPE(ReadFailed, Text file;);
QUILLMERE_TEXT_TYPE(FileTooLarge, Text file;);
QUILLMERE_TEXT_TYPE(FileWritten, Text file;);
QUILLMERE_TEXT_TYPE(FileChanged, Text file;);
QUILLMERE_TEXT_TYPE(FileBusy, Text file;);
QUILLMERE_TEXT_TYPE(NotRegularFile, Text file;);
QUILLMERE_TEXT_TYPE(NoCartridge, Text file;);
QUILLMERE_TEXT_TYPE(FileLookedAt, Text file;);
QUILLMERE_TEXT_TYPE(RunCancelled, Text file;);
QUILLMERE_TEXT_TYPE(WritingFile, Text file;);
QUILLMERE_TEXT_TYPE(ReadingFile, Text file;);
QUILLMERE_TEXT_TYPE(OpeningFileBrowser, Text folder;);
QUILLMERE_TEXT_TYPE(NotWritten, Text file;);
QUILLMERE_TEXT_TYPE(CannotTellKind, Text file;);
using FileMessage = std::variant<WriteFailed, ReadFailed, FileTooLarge, FileWritten, FileChanged, FileBusy, NotRegularFile,
                                 NoCartridge, FileLookedAt, RunCancelled, WritingFile, ReadingFile, OpeningFileBrowser,
                                 NotWritten, CannotTellKind>;

// Saves: single saves, and what import, export, transfer and drops did.
QUILLMERE_TEXT_TYPE(WrongFormat, );
QUILLMERE_TEXT_TYPE(NotSarooSingleSave, );
QUILLMERE_TEXT_TYPE(ChecksumFailed, Text file;);
QUILLMERE_TEXT_TYPE(SelectSaveToExport, );
QUILLMERE_TEXT_TYPE(SelectSaveToDelete, );
QUILLMERE_TEXT_TYPE(NothingSelectedToTransfer, );
QUILLMERE_TEXT_TYPE(ImportDone, );
QUILLMERE_TEXT_TYPE(IncompleteSave, Text name;);
QUILLMERE_TEXT_TYPE(SingleSaveSizesDiffer, Text file; Number stated; Number carried; Number taken;);
QUILLMERE_TEXT_TYPE(SingleSaveNotContainer, Text file;);
QUILLMERE_TEXT_TYPE(TransferSummary, Number moved; Number skipped; Number refused;);
QUILLMERE_TEXT_TYPE(DropSummary, Number imported; Number skipped; Number refused;);
QUILLMERE_TEXT_TYPE(SaveNameLine, Text name;);
QUILLMERE_TEXT_TYPE(SkippedSameName, );
QUILLMERE_TEXT_TYPE(SaveWithReason, Text name;);
QUILLMERE_TEXT_TYPE(RunSavesNotImported, );
using SaveMessage = std::variant<WrongFormat, NotSarooSingleSave, ChecksumFailed, SelectSaveToExport, SelectSaveToDelete,
                                 NothingSelectedToTransfer, ImportDone, IncompleteSave, SingleSaveSizesDiffer,
                                 SingleSaveNotContainer, TransferSummary, DropSummary, SaveNameLine, SkippedSameName,
                                 SaveWithReason, RunSavesNotImported>;

// Room and names: why a save does not go into a container.
QUILLMERE_TEXT_TYPE(DirectoryFull, );
QUILLMERE_TEXT_TYPE(BitmapFullForRecord, );
QUILLMERE_TEXT_TYPE(BitmapFullForData, );
QUILLMERE_TEXT_TYPE(SaveTooLarge, );
QUILLMERE_TEXT_TYPE(DamagedTarget, );
QUILLMERE_TEXT_TYPE(UnnamedSave, );
QUILLMERE_TEXT_TYPE(ListFull, Number list;);
QUILLMERE_TEXT_TYPE(BackupRamFull, );
QUILLMERE_TEXT_TYPE(UnnamedGame, );
QUILLMERE_TEXT_TYPE(DamagedArea, );
QUILLMERE_TEXT_TYPE(AreaFull, );
QUILLMERE_TEXT_TYPE(GameIdInvalid, );
QUILLMERE_TEXT_TYPE(GameIdHint, );
QUILLMERE_TEXT_TYPE(NewGameAdded, Text game;);
QUILLMERE_TEXT_TYPE(GameIndexFull, );
using RoomMessage = std::variant<DirectoryFull, BitmapFullForRecord, BitmapFullForData, SaveTooLarge, DamagedTarget,
                                 UnnamedSave, ListFull, BackupRamFull, UnnamedGame, DamagedArea, AreaFull, GameIdInvalid,
                                 GameIdHint, NewGameAdded, GameIndexFull>;

// Questions an operation asks, and the choices it offers.
QUILLMERE_TEXT_TYPE(ReplaceQuestion, Number list; Number row; Text name;);
QUILLMERE_TEXT_TYPE(ReplaceListedSave, Text date; Number bytes;);
QUILLMERE_TEXT_TYPE(ReplaceIncomingSave, Text date; Number bytes;);
QUILLMERE_TEXT_TYPE(DeleteQuestion, Number count;);
QUILLMERE_TEXT_TYPE(RepairQuestion, );
QUILLMERE_TEXT_TYPE(ChooseGame, );
QUILLMERE_TEXT_TYPE(GameChoice, Text game; Number saves;);
QUILLMERE_TEXT_TYPE(AddNewGame, Text game;);
QUILLMERE_TEXT_TYPE(AskBlockSize, Text file;);
QUILLMERE_TEXT_TYPE(UndoQuestion, Text file; Text operation; Text time; Number before; Number now;);
using QuestionMessage = std::variant<ReplaceQuestion, ReplaceListedSave, ReplaceIncomingSave, DeleteQuestion, RepairQuestion,
                              ChooseGame, GameChoice, AddNewGame, AskBlockSize, UndoQuestion>;

// Tidying: compacting, checking and repairing a container.
QUILLMERE_TEXT_TYPE(CompactDone, );
QUILLMERE_TEXT_TYPE(CannotCompactDamaged, );
QUILLMERE_TEXT_TYPE(Compacting, );
QUILLMERE_TEXT_TYPE(CompactingCount, Number save;);
QUILLMERE_TEXT_TYPE(RepairDone, );
QUILLMERE_TEXT_TYPE(NothingToRepair, );
QUILLMERE_TEXT_TYPE(CannotRepair, );
QUILLMERE_TEXT_TYPE(RepairNotForMemory, Text file;);
QUILLMERE_TEXT_TYPE(NoProblemsFound, );
QUILLMERE_TEXT_TYPE(ImageHasProblems, );
QUILLMERE_TEXT_TYPE(MoreProblemsEllipsis, );
using CareMessage = std::variant<CompactDone, CannotCompactDamaged, Compacting, CompactingCount, RepairDone,
                                 NothingToRepair, CannotRepair, RepairNotForMemory, NoProblemsFound, ImageHasProblems,
                                 MoreProblemsEllipsis>;

// Problems a check finds; each has a stable code for scripts.
// SS_MEMS.BIN: its slots, clusters and bitmap.
QUILLMERE_TEXT_TYPE(ProblemImageSize, Number size; Number expected;);
QUILLMERE_TEXT_TYPE(ProblemTooLargeForList, Number slot; Number size; Number clusters;);
QUILLMERE_TEXT_TYPE(ProblemOutsideDataArea, Number slot; Number cluster;);
QUILLMERE_TEXT_TYPE(ProblemSharedCluster, Number slot; Number cluster; Number otherSlot;);
QUILLMERE_TEXT_TYPE(ProblemPastImageEnd, Number slot; Number cluster;);
QUILLMERE_TEXT_TYPE(ProblemBitmapMarksFree, Number cluster;);
QUILLMERE_TEXT_TYPE(ProblemBitmapMarksUsed, Number cluster;);
QUILLMERE_TEXT_TYPE(ProblemFreeCount, Number counted; Number free;);
// Backup memories: a save's block list.
QUILLMERE_TEXT_TYPE(ProblemListOutsideRam, Text name; Number block; Number listed;);
QUILLMERE_TEXT_TYPE(ProblemListLoops, Text name; Number block; Number listed;);
QUILLMERE_TEXT_TYPE(ProblemListRunsOn, Text name; Number block;);
QUILLMERE_TEXT_TYPE(ProblemListTooLong, Text name; Number block;);
QUILLMERE_TEXT_TYPE(ProblemOutsideRam, Text name; Number block;);
QUILLMERE_TEXT_TYPE(ProblemSharedBlock, Text name; Number block; Number shared; Text otherName; Number otherBlock;);
QUILLMERE_TEXT_TYPE(ProblemSizeExceedsBlocks, Text name; Number block; Number size; Number held;);
// SS_SAVE.BIN: its index of games and their areas.
QUILLMERE_TEXT_TYPE(ProblemMarksAreaHeader, Text name; Text where;);
QUILLMERE_TEXT_TYPE(ProblemRecordSizeExceedsBlocks, Text name; Text where; Number size; Number held;);
QUILLMERE_TEXT_TYPE(ProblemUnreachableEntry, Number entry; Text game;);
QUILLMERE_TEXT_TYPE(ProblemSharedGameId, Number entry; Number otherEntry; Text game;);
QUILLMERE_TEXT_TYPE(ProblemAreaHeader, Number area;);
QUILLMERE_TEXT_TYPE(ProblemChainLoops, Number area; Number block;);
QUILLMERE_TEXT_TYPE(ProblemChainLeavesArea, Number area; Number block; Number link;);
QUILLMERE_TEXT_TYPE(ProblemSharedAreaBlock, Text name; Text where; Number block; Text otherName; Text otherWhere;);
QUILLMERE_TEXT_TYPE(ProblemAreaBitmapMarksFree, Number area; Number blocks;);
QUILLMERE_TEXT_TYPE(ProblemAreaBitmapMarksUsed, Number area; Number blocks;);
QUILLMERE_TEXT_TYPE(ProblemAreaFreeCount, Number area; Number counted; Number free;);
QUILLMERE_TEXT_TYPE(ProblemNameShadowed, Text name; Text where; Text earlierName; Text earlierWhere;);
QUILLMERE_TEXT_TYPE(ProblemAreaPastEnd, Number area; Text game;);
QUILLMERE_TEXT_TYPE(ProblemAreaCut, Number area; Text game; Number bytes;);
// Opening: what a file holds against what its name says.
QUILLMERE_TEXT_TYPE(HoldsMemsImage, Text file; Text named;);
QUILLMERE_TEXT_TYPE(HoldsSaveFile, Text file; Text named;);
QUILLMERE_TEXT_TYPE(HoldsBackupMemory, Text file; Text named;);
QUILLMERE_TEXT_TYPE(ProblemFormUnusual, Text file;);
QUILLMERE_TEXT_TYPE(ProblemUnformatted, );
QUILLMERE_TEXT_TYPE(ProblemRamSize, Number size; Number readAs;);
QUILLMERE_TEXT_TYPE(ProblemBlockSizeBoth, );
QUILLMERE_TEXT_TYPE(ProblemBlockSizeNamed, Number blockSize;);
QUILLMERE_TEXT_TYPE(ProblemBlockSizeNeither, );
QUILLMERE_TEXT_TYPE(ProblemGzipDamaged, );
QUILLMERE_TEXT_TYPE(ProblemSaveCutByEnd, Text name; Number block; Number ramBytes;);
// The count of problems past a list's limit.
QUILLMERE_TEXT_TYPE(MoreProblems, Number count;);
using ProblemKind =
    std::variant<ProblemImageSize, ProblemTooLargeForList, ProblemOutsideDataArea, ProblemSharedCluster,
                 ProblemPastImageEnd, ProblemBitmapMarksFree, ProblemBitmapMarksUsed, ProblemFreeCount,
                 ProblemListOutsideRam, ProblemListLoops, ProblemListRunsOn, ProblemListTooLong, ProblemOutsideRam,
                 ProblemSharedBlock, ProblemSizeExceedsBlocks, ProblemMarksAreaHeader, ProblemRecordSizeExceedsBlocks,
                 ProblemUnreachableEntry, ProblemSharedGameId, ProblemAreaHeader, ProblemChainLoops,
                 ProblemChainLeavesArea, ProblemSharedAreaBlock, ProblemAreaBitmapMarksFree,
                 ProblemAreaBitmapMarksUsed, ProblemAreaFreeCount, ProblemNameShadowed, ProblemAreaPastEnd,
                 ProblemAreaCut, HoldsMemsImage, HoldsSaveFile, HoldsBackupMemory, ProblemFormUnusual,
                 ProblemUnformatted, ProblemRamSize, ProblemBlockSizeBoth, ProblemBlockSizeNamed,
                 ProblemBlockSizeNeither, ProblemGzipDamaged, ProblemSaveCutByEnd, MoreProblems>;

// What a repair mended; each has a stable code for scripts.
QUILLMERE_TEXT_TYPE(MendedReservedBytes, Number slotCount;);
QUILLMERE_TEXT_TYPE(MendedStrayBits, Number clusters;);
QUILLMERE_TEXT_TYPE(MendedMissingBits, Number clusters;);
QUILLMERE_TEXT_TYPE(MendedAreaBitmap, Number area; Number freed; Number marked;);
QUILLMERE_TEXT_TYPE(MendedAreaFreeCount, Number area; Number was; Number now;);
QUILLMERE_TEXT_TYPE(MendedFreeCount, Number was; Number now;);
using Mending = std::variant<MendedReservedBytes, MendedStrayBits, MendedMissingBits, MendedAreaBitmap,
                             MendedAreaFreeCount, MendedFreeCount>;

// Earlier versions: the writes that keep them, and taking a write back.
QUILLMERE_TEXT_TYPE(OperationImport, );
QUILLMERE_TEXT_TYPE(OperationTransfer, );
QUILLMERE_TEXT_TYPE(OperationDelete, );
QUILLMERE_TEXT_TYPE(OperationCompact, );
QUILLMERE_TEXT_TYPE(OperationRepair, );
QUILLMERE_TEXT_TYPE(OperationClear, );
QUILLMERE_TEXT_TYPE(OperationFormat, );
QUILLMERE_TEXT_TYPE(OperationRestore, );
QUILLMERE_TEXT_TYPE(OperationOther, Text word;);
QUILLMERE_TEXT_TYPE(HistoryNotKept, Text file; Text why;);
QUILLMERE_TEXT_TYPE(HistoryIndexDamaged, Text file;);
QUILLMERE_TEXT_TYPE(HistoryOff, );
QUILLMERE_TEXT_TYPE(HistoryNone, Text file;);
QUILLMERE_TEXT_TYPE(HistoryNoSuchVersion, Text file; Number version; Number kept;);
QUILLMERE_TEXT_TYPE(HistoryVersionDamaged, Text file; Number version;);
QUILLMERE_TEXT_TYPE(HistoryChangedElsewhere, Text file;);
using HistoryMessage =
    std::variant<OperationImport, OperationTransfer, OperationDelete, OperationCompact, OperationRepair, OperationClear,
                 OperationFormat, OperationRestore, OperationOther, HistoryNotKept, HistoryIndexDamaged, HistoryOff,
                 HistoryNone, HistoryNoSuchVersion, HistoryVersionDamaged, HistoryChangedElsewhere>;

// Any outcome of the core.
using Outcome = std::variant<FileMessage, SaveMessage, RoomMessage, QuestionMessage, CareMessage, ProblemKind, Mending, HistoryMessage>;

namespace detail {
template <class T>
inline constexpr bool kIsVariant = false;
template <class... A>
inline constexpr bool kIsVariant<std::variant<A...>> = true;
}  // namespace detail

// The value of type T that `outcome` holds, at whatever depth; nothing when it
// holds another.
template <class T, class... A>
const T* Find(const std::variant<A...>& outcome) {
  return std::visit(
      [](const auto& held) -> const T* {
        using Held = std::decay_t<decltype(held)>;
        if constexpr (std::is_same_v<Held, T>) {
          return &held;
        } else if constexpr (detail::kIsVariant<Held>) {
          return Find<T>(held);
        } else {
          return nullptr;
        }
      },
      outcome);
}

// Whether two outcomes are of one type, whatever data they carry.
template <class... A>
bool SameKind(const std::variant<A...>& one, const std::variant<A...>& other) {
  if (one.index() != other.index()) return false;
  return std::visit(
      [&other](const auto& held) {
        using Held = std::decay_t<decltype(held)>;
        if constexpr (detail::kIsVariant<Held>) {
          return SameKind(held, std::get<Held>(other));
        } else {
          return true;
        }
      },
      one);
}

// One text to show: an outcome, and further messages shown one a line after it.
struct Message {
  Outcome what;
  std::vector<Message> lines;

  template <class T>
    requires std::constructible_from<Outcome, T&&> && (!std::same_as<std::decay_t<T>, Message>)
  Message(T&& outcome, std::vector<Message> after = {}) : what(std::forward<T>(outcome)), lines(std::move(after)) {}
  bool operator==(const Message&) const = default;
};


// How bad a problem is: a warning that a repair mends without touching a
// save, or fatal, which no repair mends and which stops compacting. A note
// says something worth knowing that is no fault: a check that finds only
// notes passes.
enum class Severity { kWarning, kFatal, kNote };

// One problem of a container, with the data that places it.
struct Problem {
  ProblemKind what;
  Severity severity = Severity::kFatal;
  Message AsMessage() const { return Message(what); }
  bool operator==(const Problem&) const = default;
};

// The same for what a message or a problem carries.
template <class T, class Carrier>
  requires requires(const Carrier& carrier) { carrier.what; }
const T* Find(const Carrier& carrier) {
  return Find<T>(carrier.what);
}
template <class T, class Carrier>
bool Is(const Carrier& carrier) {
  return Find<T>(carrier) != nullptr;
}

// How many problems each place lists before it only counts the rest.
inline constexpr std::size_t kCheckedProblemLimit = 100;  // check and repair on the command line
inline constexpr std::size_t kRepairReportLimit = 10;     // each part of the repair report
inline constexpr std::size_t kCheckReportLimit = 20;      // the window's "检查" box
inline constexpr std::size_t kTooltipLimit = 5;           // the damage mark's tooltip

}  // namespace quillmere
