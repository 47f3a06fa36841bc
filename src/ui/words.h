#pragma once

#include <array>
#include <span>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "catalog/phrase.h"
#include "model/outcome.h"
#include "model/save_entry.h"
#include "operations/host.h"
#include "singlesave/converter.h"

// The window's own words: captions, menu items, column headers, tooltips and
// labels, in Chinese and English, and the widths its columns start at. The
// outcomes of the core it shows are the catalog's.
namespace quillmere::ui {

// Captions with nothing to fill in.
enum class UiText : std::uint16_t {
  kCaption,
  kCaptionWarning,
  kCaptionError,
  kCaptionQuestion,
  kSingleSaveFilter,
  kSsfFileFilter,
  kSarooFileFilter,
  kContainerFileFilter,
  kWindowTitle,
  kTransferArea,
  kImport,
  kExport,
  kRefresh,
  kTransferLeft,
  kTransferRight,
  kCompact,
  kMap,
  kRemaining,
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
  kColumnNum,
  kColumnName,
  kColumnAddress,
  kColumnComment,
  kColumnDate,
  kColumnSize,
  kWindowUsage,
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
  kLanguageChinese,
  kLanguageEnglish,
  kRemainingTip,
  kClearUnusedTip,
  kOverwriteTip,
  kCompactTip,
  kMapTipFree,
  kMapTipMemsHeader,
  kMapTipRamHeader,
  kMapTipUnlisted,
  kMapLegendFree,
  kMapLegendUsed,
  kMapLegendFirst,
  kMapLegendBlink,
  kUndoLastChange,
  kHistoryMenu,
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

  kCount  // not a caption: the number of ids
};

// A caption in the language shown.
std::string Caption(UiText id);
std::string_view Caption(UiText id, catalog::Language language);
// Every caption, in the order of the ids.
std::span<const catalog::Word<UiText>> EveryCaption();

// Captions that name data.
QUILLMERE_TEXT_TYPE(HintProgramFolder, Text file;);
QUILLMERE_TEXT_TYPE(HintOtherFolder, Text file;);
QUILLMERE_TEXT_TYPE(MapCaption, Number unitSize;);
QUILLMERE_TEXT_TYPE(WindowNotAFolder, Text path;);
QUILLMERE_TEXT_TYPE(RemainingFigure, Text figure; Text unit;);
QUILLMERE_TEXT_TYPE(HintFolder, Text file; Text folder;);
QUILLMERE_TEXT_TYPE(HintFolderTip, Text file; Text folder;);
QUILLMERE_TEXT_TYPE(HintUserFolder, Text file; Text folder;);
QUILLMERE_TEXT_TYPE(NoFileHere, Text file; Text folder;);
QUILLMERE_TEXT_TYPE(Progress, Number done; Number total;);
QUILLMERE_TEXT_TYPE(HintProgramFolderTip, Text file;);
QUILLMERE_TEXT_TYPE(HintOtherFolderTip, Text file;);
QUILLMERE_TEXT_TYPE(MapTipCluster, Number cluster;);
QUILLMERE_TEXT_TYPE(MapTipBlock, Number block;);
QUILLMERE_TEXT_TYPE(MapTipSaveClusters, Text name; Number nth; Number count;);
QUILLMERE_TEXT_TYPE(MapTipSaveBlocks, Text name; Number nth; Number count;);
QUILLMERE_TEXT_TYPE(HistoryTitle, Text file;);
QUILLMERE_TEXT_TYPE(HistorySavesTitle, Text file; Number version;);
using UiPhrase = std::variant<HintProgramFolder, HintOtherFolder, MapCaption, WindowNotAFolder, RemainingFigure, HintFolder, HintFolderTip, HintUserFolder, NoFileHere, Progress, HintProgramFolderTip, HintOtherFolderTip, MapTipCluster, MapTipBlock, MapTipSaveClusters, MapTipSaveBlocks, HistoryTitle, HistorySavesTitle>;

// A caption that names data, in the language shown.
std::string Say(const UiPhrase& phrase);
// Every one of them, filled in as catalog::Samples fills them: for tests.
std::vector<catalog::SampleText> PhraseSamples(bool one);

// The "description|pattern" pairs of an open-file dialog's filter, more pairs
// after further bars for a choice of filters.
std::string FilterWords(FileFilter filter);

// The header of a pane's column and of a converter half's column.
std::string ColumnCaption(SaveColumn column);
std::string ColumnCaption(singlesave::SingleSaveColumn column);

// The widths, in pixels, the columns of a pane and of a converter half start at.
inline constexpr std::array<int, kSaveColumnCount> kSaveColumnWidths = {30, 84, 56, 80, 110, 60};
inline constexpr std::array<int, singlesave::kSingleSaveColumnCount> kSingleSaveColumnWidths = {80, 80, 110, 50};

}  // namespace quillmere::ui
