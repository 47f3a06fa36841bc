#include "model/save_record.h"

#include "model/conversions.h"

namespace quillmere {

SaveEntry PresentSave(const SaveRecord& record, std::size_t commentBytes) {
  SaveEntry row;
  row.cell(SaveColumn::kNum) = Decimal(record.num);
  row.cell(SaveColumn::kName) = DecodeName(record.nameField);
  row.cell(SaveColumn::kAddress) = UintToHex(record.offset);
  row.cell(SaveColumn::kComment) = DecodeComment(record.commentField.Slice(0, commentBytes));
  row.cell(SaveColumn::kDate) = FormatSaveDate(SaveDateFromMinutes(record.date));
  row.cell(SaveColumn::kSize) = Decimal(record.size);
  return row;
}

std::vector<SaveEntry> PresentSaves(const std::vector<SaveRecord>& records, std::size_t commentBytes) {
  std::vector<SaveEntry> rows;
  rows.reserve(records.size());
  for (const SaveRecord& record : records) rows.push_back(PresentSave(record, commentBytes));
  return rows;
}

}  // namespace quillmere
