#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "catalog/phrase.h"
#include "model/outcome.h"
#include "model/save_entry.h"
#include "singlesave/converter.h"

// The command line's own words: its lines, headers and refusals, in Chinese
// and English. The outcomes of the core it prints are the catalog's.
namespace quillmere::cli {

// Lines with nothing to fill in.
enum class CliText : std::uint16_t {
  kCliNoMap,
  kCliGiveRowOrAll,
  kCliGiveRowOrName,
  kCliHistoryHeader,
  kColumnNum,
  kColumnName,
  kColumnAddress,
  kColumnComment,
  kColumnDate,
  kColumnSize,
  kColumnUnits,
  kColumnForm,

  kCount  // not a line: the number of ids
};

// A line in the language shown.
std::string Line(CliText id);
std::string_view Line(CliText id, catalog::Language language);
// Every line, in the order of the ids.
std::span<const catalog::Word<CliText>> EveryLine();

// Lines that name data.
QUILLMERE_TEXT_TYPE(CliRemaining, Number free;);
QUILLMERE_TEXT_TYPE(CliMended, Text mending;);
QUILLMERE_TEXT_TYPE(CliRemains, Text problem;);
QUILLMERE_TEXT_TYPE(CliUnknownKind, Text kind;);
QUILLMERE_TEXT_TYPE(CliUnknownKindOfFile, Text file;);
QUILLMERE_TEXT_TYPE(CliUnknownForm, Text form; Text forms;);
QUILLMERE_TEXT_TYPE(CliNoSuchFile, Text file;);
QUILLMERE_TEXT_TYPE(CliGiveGame, Text file;);
QUILLMERE_TEXT_TYPE(CliNameInGames, Text file; Text name;);
QUILLMERE_TEXT_TYPE(CliAlreadyForm, Text file; Text form;);
QUILLMERE_TEXT_TYPE(CliNoSuchRow, Text file; Number saves; Number row;);
QUILLMERE_TEXT_TYPE(CliSkipped, Text name;);
QUILLMERE_TEXT_TYPE(CliNoSaveNamed, Text file; Text name;);
QUILLMERE_TEXT_TYPE(CliFormatExists, Text file;);
QUILLMERE_TEXT_TYPE(CliError, Text what;);
QUILLMERE_TEXT_TYPE(CliUnknownCommand, Text command;);
QUILLMERE_TEXT_TYPE(CliDidYouMean, Text said; Text suggestion;);
QUILLMERE_TEXT_TYPE(CliRunHelp, Text said; Text command;);
QUILLMERE_TEXT_TYPE(CliNotSingleSave, Text file;);
QUILLMERE_TEXT_TYPE(OnlyForMems, Text file;);
QUILLMERE_TEXT_TYPE(FormatContradictsName, Text file; Text form;);
QUILLMERE_TEXT_TYPE(RestoreDone, Text file;);
QUILLMERE_TEXT_TYPE(MapCaption, Number unitSize;);
using CliPhrase = std::variant<CliRemaining, CliMended, CliRemains, CliUnknownKind, CliUnknownKindOfFile, CliUnknownForm, CliNoSuchFile, CliGiveGame, CliNameInGames, CliAlreadyForm, CliNoSuchRow, CliSkipped, CliNoSaveNamed, CliFormatExists, CliError, CliUnknownCommand, CliDidYouMean, CliRunHelp, CliNotSingleSave, OnlyForMems, FormatContradictsName, RestoreDone, MapCaption>;

// A line that names data, in the language shown.
std::string Say(const CliPhrase& phrase);
// Every one of them, filled in as catalog::Samples fills them: for tests.
std::vector<catalog::SampleText> PhraseSamples(bool one);

// The header of a listing's column.
std::string ColumnCaption(SaveColumn column);
std::string ColumnCaption(singlesave::SingleSaveColumn column);

}  // namespace quillmere::cli
