#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "model/byte_buffer.h"
#include "model/conversions.h"
#include "singlesave/single_save_file.h"

// The converter between the SSF and the SAROO single-save forms. Each half
// shows one file as a one-row list and converts it into the other form. The
// date always passes through the date the row shows, so a conversion there
// and back keeps it to the minute.
namespace quillmere::singlesave {

// The folders, under the program's folder, that receive converted saves.
inline constexpr std::string_view kSarooFolderName = "SAROO";
inline constexpr std::string_view kSsfFolderName = "SSF";
std::filesystem::path SarooFolder(const std::filesystem::path& programDirectory);
std::filesystem::path SsfFolder(const std::filesystem::path& programDirectory);

// The columns of a converter half's one-row list.
enum class SingleSaveColumn { kName = 0, kComment = 1, kDate = 2, kSize = 3 };
inline constexpr std::size_t kSingleSaveColumnCount = 4;

// The information row of a converter half: four UTF-8 text cells, all empty
// until a file has been shown, and the values they show. Conversions take
// the values, never the cells.
struct SingleSaveRow {
  std::array<std::string, kSingleSaveColumnCount> cells;
  ByteBuffer commentField;                // the comment bytes shown
  std::optional<SaveDateTime> shownDate;  // the date shown, to the minute
  std::uint64_t dataSize = 0;             // the data length shown

  std::string& cell(SingleSaveColumn column) { return cells[static_cast<std::size_t>(column)]; }
  const std::string& cell(SingleSaveColumn column) const { return cells[static_cast<std::size_t>(column)]; }
  const std::string& name() const { return cell(SingleSaveColumn::kName); }
  const std::string& comment() const { return cell(SingleSaveColumn::kComment); }
  const std::string& date() const { return cell(SingleSaveColumn::kDate); }
  const std::string& size() const { return cell(SingleSaveColumn::kSize); }
  bool operator==(const SingleSaveRow&) const = default;
};

// The row that shows a single save's name, comment field, date and data length.
SingleSaveRow PresentSingleSave(std::string name, const ByteBuffer& commentField, const SaveDateTime& date,
                                std::uint64_t dataSize);

// What the SAROO half shows: its row and the packed form of the row's date,
// which is what its conversion writes as the SSF date.
struct SarooShown {
  SingleSaveRow row;
  std::optional<SsfPackedDate> pendingSsfDate;  // nothing until a SAROO file is shown
};

// The SSF half's row for `file` read from `path` (the path gives the name;
// operations/single_save_conversion reads the file).
// No format check: a missing or short file shows what an empty one would,
// an empty date field reading as 1979-11-30 00:00.
SingleSaveRow SsfRow(std::string_view path, const ByteBuffer& file);

// The SAROO half's row and pendingSsfDate for `file`; the size is that of its
// data as SarooSaveData takes it. No magic check.
SarooShown SarooRow(const ByteBuffer& file);

// A converted single save, ready to be written.
struct ConvertedSave {
  ByteBuffer bytes;
  std::filesystem::path path;  // outputFolder / (safe name + ".bin")
};

// `outputFolder`/NAME`extension`, NAME being the save's stored name (its name
// bytes up to the first zero, at most 11) made safe: how .BUP and .SRO files
// are named, after the name they hold.
std::filesystem::path StoredNamePath(const std::filesystem::path& outputFolder, const ByteBuffer& nameField,
                                     std::string_view extension);

// A SAROO single save as it is, named as the converter names SAROO files:
// `outputFolder`/NAME.bin, NAME being its name field's text made safe.
ConvertedSave BuildSarooNamedAfter(const ByteBuffer& saroo, const std::filesystem::path& outputFolder);

// The SAROO single save for the SSF `file` read from `path`, as the row
// `shown` showed it. Nothing when refused ("错误的存档格式！"): the row's
// comment, or the file's, reads "SSAVERAW" (a SAROO file), or the data is
// longer than kMaxDataSize.
// - name: the path's base name as GBK, cut to 11 bytes (NameFieldFromText);
//   the file is named after that stored name, made safe (SafeFileName);
// - date: the minutes from 1979-12-31 16:00 to the row's date; a date
//   before that base is stored as 0, since the unsigned stamp cannot hold it;
// - comment and data: the file's bytes 0-11 and from 16 on; missing bytes
//   count as zero.
std::optional<ConvertedSave> BuildSarooFromSsf(std::string_view path, const ByteBuffer& file,
                                               const SingleSaveRow& shown,
                                               const std::filesystem::path& outputFolder);

// The SSF single save for the SAROO `file`, with the packed date the SAROO
// row computed, and its data as SarooSaveData takes it. Nothing when refused
// ("错误的存档格式！"): no "SSAVERAW" magic, or data (or a stated size)
// longer than kMaxDataSize. The file is named after the name
// field's text (up to its first zero byte), made safe. Missing bytes of a
// short file count as zero.
std::optional<ConvertedSave> BuildSsfFromSaroo(const ByteBuffer& file, const SsfPackedDate& pendingSsfDate,
                                               const std::filesystem::path& outputFolder);

}  // namespace quillmere::singlesave
