// Imports and deletes on any bytes as an SS_SAVE.BIN file. The first byte
// picks the change (bit 0: delete), then 32 control bytes: the 12-byte name
// field, the size (2 bytes), which listed game to import into (below 0x80)
// or else the raw game ID in bytes 16-31, and which listed saves to delete
// (byte 15, one bit a save). The rest is the file (fuzzing::SaveFileFrom).
// A refused import changes nothing; an accepted one leaves its area's free
// count equal to its bitmap and exports the save as it went in. Saves not
// asked for keep their exports; repair leaves no free count to mend.
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>

#include "containers/save_file.h"
#include "containers/save_file_write.h"
#include "fuzz_inputs.h"
#include "model/save_header.h"

using quillmere::ByteBuffer;
using quillmere::GatheredSave;
namespace sf = quillmere::save_file;
namespace fuzzing = quillmere::fuzzing;

namespace {

// The saves a listing shows, by record offset, with the sound areas they lie in.
std::map<std::size_t, GatheredSave> Exports(const ByteBuffer& image) {
  std::map<std::size_t, GatheredSave> saves;
  for (const quillmere::SaveRecord& record : sf::ListSaveFile(image).records) {
    saves.emplace(record.offset, sf::ExtractSaveFileSave(image, record.offset));
  }
  return saves;
}

// An untargeted save's header is as it was and its data begins as it did
// (a lengthened file only turns bytes past its end into zeros).
void AssertKept(const GatheredSave& before, const GatheredSave& after) {
  const auto field = [](const ByteBuffer& bytes) { return quillmere::ZeroFilledField(bytes, 0, 12); };
  assert(field(after.nameField) == field(before.nameField) && after.size == before.size);
  assert(field(after.commentField) == field(before.commentField) && after.date == before.date);
  assert(after.data.Slice(0, before.data.size()) == before.data);
}

bool AreaClean(const ByteBuffer& image, std::size_t record) {
  return sf::SurveyArea(image, record - record % sf::kAreaSize).clashes.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 33) return 0;
  const bool remove = data[0] & 1;
  const ByteBuffer control = fuzzing::Bytes(data + 1, 32);
  ByteBuffer image = fuzzing::SaveFileFrom(fuzzing::Bytes(data + 33, size - 33));
  const ByteBuffer original = image;
  const std::map<std::size_t, GatheredSave> before = Exports(image);

  if (remove) {
    std::vector<std::size_t> targets;
    std::size_t k = 0;
    for (const auto& [offset, save] : before) {
      if (k < 8 && ((control.At(15) >> k) & 1)) targets.push_back(offset);
      ++k;
    }
    const std::set<std::size_t> asked(targets.begin(), targets.end());
    std::set<std::size_t> sound;
    for (const std::size_t offset : asked) {
      if (sf::SurveyArea(image, offset - offset % sf::kAreaSize).Writable()) sound.insert(offset - offset % sf::kAreaSize);
    }
    assert(sf::DeleteSaveFileSaves(image, targets) == asked.size());
    assert(image.size() == original.size());
    const std::map<std::size_t, GatheredSave> after = Exports(image);
    for (const std::size_t offset : asked) assert(!after.count(offset));
    for (const auto& [offset, save] : before) {
      if (!asked.count(offset) && AreaClean(original, offset)) AssertKept(save, after.at(offset));
    }
    for (const std::size_t area : sound) {
      const sf::AreaSurvey survey = sf::SurveyArea(image, area);
      assert(survey.Writable() && survey.freeCount == survey.bitmapFree);
    }
  } else {
    const std::vector<sf::GameEntry> games = sf::ListGames(image);
    const ByteBuffer gameId = control.At(14) < 0x80 && !games.empty() ? games[control.At(14) % games.size()].id
                                                                       : control.Slice(16, sf::kGameIdSize);
    GatheredSave save{control.Slice(0, 12), control.ReadU16(12), ByteBuffer{'C', 'O', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 3},
                      0x12345678, ByteBuffer{}};
    save.nameField.MustWriteBE(11, 0, 1);  // the area stores 11 name bytes
    save.data.Append(save.size, 0);
    for (std::size_t i = 0; i < save.data.size(); ++i) save.data.MustWriteBE(i, i * 7 + control.At(2), 1);
    const sf::SaveFilePlacement plan = sf::PlanSaveFileSave(image, gameId, save.size, save.nameField);
    const bool written = sf::WriteSaveFileSave(image, plan, save);
    assert(written == (plan.refusal == sf::SaveFileRefusal::kNone));
    if (!written) {
      assert(image == original);
    } else {
      assert(image.size() == plan.fileSize);
      const std::size_t area = sf::AreaOffset(plan.slot);
      const sf::AreaSurvey survey = sf::SurveyArea(image, area);
      assert(survey.Writable() && survey.freeCount == survey.bitmapFree);
      assert(survey.chain.back() == plan.startBlock);
      const GatheredSave out = sf::ExtractSaveFileSave(image, sf::RecordOffset(area, plan.startBlock));
      assert(out.nameField == save.nameField && out.size == save.size && out.data == save.data && out.complete);
      assert(out.commentField == save.commentField && out.date == save.date);
      const std::map<std::size_t, GatheredSave> after = Exports(image);
      for (const auto& [offset, kept] : before) {
        if (offset != plan.replacedRecord) AssertKept(kept, after.at(offset));
      }
    }
  }

  // Repair leaves every area it can reach with a free count that equals its bitmap, and has nothing left to mend.
  ByteBuffer repaired = image;
  for (const quillmere::Problem& problem : sf::RepairSaveFile(repaired).remaining) {
    const auto* freeCount = quillmere::Find<quillmere::ProblemAreaFreeCount>(problem);
    if (freeCount == nullptr) continue;
    const auto slot = static_cast<int>(freeCount->area.value);
    assert(!repaired.Contains(sf::AreaOffset(slot), sf::kBlockSize));
  }
  assert(sf::RepairSaveFile(repaired).mended.empty());
  return 0;
}
