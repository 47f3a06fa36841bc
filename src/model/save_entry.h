#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace quillmere {

// The columns of a pane's list, in order.
enum class SaveColumn { kNum = 0, kName = 1, kAddress = 2, kComment = 3, kDate = 4, kSize = 5 };
inline constexpr std::size_t kSaveColumnCount = 6;

// One listed save: the six text cells of a pane row, all UTF-8.
struct SaveEntry {
  std::array<std::string, kSaveColumnCount> cells;

  std::string& cell(SaveColumn column) { return cells[static_cast<std::size_t>(column)]; }
  const std::string& cell(SaveColumn column) const { return cells[static_cast<std::size_t>(column)]; }
  const std::string& num() const { return cell(SaveColumn::kNum); }
  const std::string& name() const { return cell(SaveColumn::kName); }
  const std::string& address() const { return cell(SaveColumn::kAddress); }
  const std::string& comment() const { return cell(SaveColumn::kComment); }
  const std::string& date() const { return cell(SaveColumn::kDate); }
  const std::string& size() const { return cell(SaveColumn::kSize); }
  bool operator==(const SaveEntry&) const = default;
};

}  // namespace quillmere
