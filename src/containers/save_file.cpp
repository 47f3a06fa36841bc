#include "containers/save_file.h"

#include <algorithm>
#include <map>
#include <set>

#include "model/conversions.h"
#include "model/save_header.h"

namespace quillmere::save_file {

namespace sh = save_header;

std::vector<std::uint32_t> RecordChain(const ByteBuffer& image, std::size_t area) {
  std::vector<std::uint32_t> chain;
  std::set<std::uint32_t> visited;
  std::uint32_t block = image.ReadU16(area + kFirstRecordBlockOffset);
  // A damaged link can lead back into the chain, or past the area's last
  // block into the next area; stop there rather than loop or list twice.
  while (block != 0 && block < kAreaBlocks && chain.size() < kMaxRecordsPerArea && visited.insert(block).second) {
    chain.push_back(block);
    block = image.ReadU16(RecordOffset(area, block) + kNextRecordBlockOffset);
  }
  return chain;
}

std::vector<std::uint32_t> DataBlocks(const ByteBuffer& image, std::size_t record) {
  std::vector<std::uint32_t> blocks;
  for (std::uint32_t k = 0; k < kAreaBlocks; ++k) {
    if (BlockMarked(image, record + kBlockBitmapOffset, k)) blocks.push_back(k);
  }
  return blocks;
}

ByteBuffer ReadRecordData(const ByteBuffer& image, std::size_t record) {
  const std::size_t area = record - record % kAreaSize;
  const std::uint32_t size = image.ReadU32(record + sh::kSizeOffset);
  ByteBuffer data;
  for (const std::uint32_t block : DataBlocks(image, record)) {
    if (data.size() >= size) break;
    data.Append(image.Slice(RecordOffset(area, block), kBlockSize));
  }
  if (data.size() > size) data.Resize(size);
  return data;
}

namespace {

// Block 0 is the area's header: a bitmap that marks it names no data of the save.
bool MarksAreaHeader(const ByteBuffer& image, std::size_t record) { return image.At(record + kBlockBitmapOffset) & 1; }

}  // namespace

GatheredSave ExtractSaveFileSave(const ByteBuffer& image, std::size_t record) {
  GatheredSave save = GatherSaveHeader(image, record);
  save.data = ReadRecordData(image, record);
  save.complete = !MarksAreaHeader(image, record) && save.data.size() == save.size;
  return save;
}

ByteBuffer PadGameId(std::string_view id) {
  ByteBuffer padded = ByteBuffer::FromText(id.substr(0, kGameIdSize));
  padded.Append(kGameIdSize - padded.size(), ' ');
  return padded;
}

bool IsValidGameId(std::string_view id) {
  const bool printable = std::all_of(id.begin(), id.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
  return printable && id.size() <= kGameIdSize && id.find_first_not_of(' ') != std::string_view::npos;
}

std::string GameIdText(const ByteBuffer& gameId) {
  std::string text = DecodeName(ZeroFilledField(gameId, 0, kGameIdSize));
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

bool EndsIndex(const ByteBuffer& image, int slot) { return image.ReadU32(SlotLabelOffset(slot)) == 0; }

std::vector<GameEntry> ListGames(const ByteBuffer& image) {
  std::vector<GameEntry> games;
  for (int slot = 1; slot <= kSlotCount && !EndsIndex(image, slot); ++slot) {
    games.push_back({slot, ZeroFilledField(image, SlotLabelOffset(slot), kGameIdSize), AreaOffset(slot)});
  }
  return games;
}

std::optional<int> FindGame(const ByteBuffer& image, const ByteBuffer& gameId) {
  const ByteBuffer key = ZeroFilledField(gameId, 0, kGameMatchSize);
  for (const GameEntry& game : ListGames(image)) {
    if (game.id.Slice(0, kGameMatchSize) == key) return game.slot;
  }
  return std::nullopt;
}

std::optional<int> FreeGameEntry(const ByteBuffer& image) {
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    if (EndsIndex(image, slot)) return slot;
  }
  return std::nullopt;
}

AreaSurvey SurveyArea(const ByteBuffer& image, std::size_t area) {
  AreaSurvey survey;
  // Read in place: a check surveys every area of a file of up to 256 MiB.
  const std::size_t end = std::min(image.size(), area + kAreaSize);
  survey.blank = area >= end || std::all_of(image.data() + area, image.data() + end, [](std::uint8_t b) { return b == 0; });
  survey.headerSound = image.Slice(area, kAreaMagic.size()) == ByteBuffer::FromText(kAreaMagic) &&
                       image.ReadU32(area + kAreaTotalSizeOffset) == kAreaSize &&
                       image.ReadU16(area + kAreaBlockSizeOffset) == kBlockSize;
  survey.freeCount = image.ReadU16(area + kFreeBlockCountOffset);
  survey.chain = RecordChain(image, area);
  // Where the walk stopped: a 0 link ends the chain; anything else is damage.
  const std::uint32_t last = survey.chain.empty() ? 0 : survey.chain.back();
  const std::uint32_t link =
      image.ReadU16(area + kBlockSize * last + (last == 0 ? kFirstRecordBlockOffset : kNextRecordBlockOffset));
  if (link >= kAreaBlocks) {
    survey.leavesFrom = last;
    survey.leavingLink = link;
  } else if (link != 0) {
    survey.loopsAt = link;
  }

  survey.used.assign(kAreaBlocks, false);
  std::vector<int> holder(kAreaBlocks, -2);  // -2 free, -1 the header, else the chain save's index
  holder[0] = -1;
  survey.used[0] = true;
  for (std::size_t i = 0; i < survey.chain.size(); ++i) {
    std::vector<std::uint32_t> blocks = DataBlocks(image, RecordOffset(area, survey.chain[i]));
    blocks.insert(blocks.begin(), survey.chain[i]);
    for (const std::uint32_t block : blocks) {
      if (holder[block] != -2) {
        survey.clashes.push_back({i, block, holder[block]});
      } else {
        holder[block] = static_cast<int>(i);
        survey.used[block] = true;
      }
    }
    survey.blocks.push_back(std::move(blocks));
  }
  std::uint32_t marked = 0;
  for (std::uint32_t k = 0; k < kAreaBlocks; ++k) {
    const bool bit = BlockMarked(image, area + kAreaBitmapOffset, k);
    marked += bit ? 1 : 0;
    if (bit && !survey.used[k]) ++survey.marksUsed;
    if (!bit && survey.used[k]) ++survey.marksFree;
  }
  survey.bitmapFree = kAreaBlocks - marked;
  return survey;
}

std::vector<Problem> CutAreaProblems(const ByteBuffer& image) {
  std::vector<Problem> problems;
  for (const GameEntry& game : ListGames(image)) {
    const std::string id = GameIdText(game.id);
    if (game.area >= image.size()) {
      problems.push_back({ProblemAreaPastEnd{game.slot, id}, Severity::kFatal});
    } else if (image.size() - game.area < kAreaSize) {
      problems.push_back({ProblemAreaCut{game.slot, id, image.size() - game.area}, Severity::kFatal});
    }
  }
  return problems;
}

namespace {

std::string AsKey(const ByteBuffer& bytes) { return std::string(bytes.bytes().begin(), bytes.bytes().end()); }

std::string EntryText(const ByteBuffer& image, int slot) {
  return DecodeName(ZeroFilledField(image, SlotLabelOffset(slot), kGameIdSize));
}

// Entries past the end of the index, and entries that name one game twice.
void IndexProblems(const ByteBuffer& image, std::vector<Problem>& problems) {
  std::map<std::string, int> firstOfGame;
  bool ended = false;
  for (int slot = 1; slot <= kSlotCount && SlotLabelOffset(slot) < image.size(); ++slot) {
    if (EndsIndex(image, slot)) {
      ended = true;
      continue;
    }
    if (ended) problems.push_back({ProblemUnreachableEntry{slot, EntryText(image, slot)}, Severity::kFatal});
    const ByteBuffer key = ZeroFilledField(image, SlotLabelOffset(slot), kGameMatchSize);
    const auto [first, fresh] = firstOfGame.try_emplace(AsKey(key), slot);
    if (!fresh) {
      problems.push_back({ProblemSharedGameId{first->second, slot, DecodeName(key)}, Severity::kFatal});
    }
  }
}

// A save's name where a problem shows it, and its record's offset.
struct Named {
  std::string name;
  std::string where;
};
Named NameAt(const ByteBuffer& image, std::size_t record) {
  return {DecodeName(image.Slice(record, kRecordNameSize)), UintToHex(record)};
}

void AreaProblems(const ByteBuffer& image, int slot, std::vector<Problem>& problems) {
  const std::size_t area = AreaOffset(slot);
  if (area >= image.size()) return;
  const AreaSurvey survey = SurveyArea(image, area);
  if (survey.blank) return;
  auto fatal = [&](ProblemKind problem) { problems.push_back({std::move(problem), Severity::kFatal}); };
  auto warning = [&](ProblemKind problem) { problems.push_back({std::move(problem), Severity::kWarning}); };
  if (!survey.headerSound) {
    fatal(ProblemAreaHeader{slot});
    return;
  }
  if (survey.loopsAt) fatal(ProblemChainLoops{slot, *survey.loopsAt});
  if (survey.leavesFrom) fatal(ProblemChainLeavesArea{slot, *survey.leavesFrom, survey.leavingLink});
  for (const AreaSurvey::Clash& clash : survey.clashes) {
    // A save that marks the header block is the listed save's own problem (see below).
    if (clash.holder < 0) continue;
    const Named one = NameAt(image, RecordOffset(area, survey.chain[clash.save]));
    const Named other = NameAt(image, RecordOffset(area, survey.chain[static_cast<std::size_t>(clash.holder)]));
    fatal(ProblemSharedAreaBlock{one.name, one.where, clash.block, other.name, other.where});
  }
  if (survey.marksFree > 0) warning(ProblemAreaBitmapMarksFree{slot, survey.marksFree});
  if (survey.marksUsed > 0) warning(ProblemAreaBitmapMarksUsed{slot, survey.marksUsed});
  if (survey.freeCount != survey.bitmapFree) warning(ProblemAreaFreeCount{slot, survey.freeCount, survey.bitmapFree});

  // The firmware takes the first save of the chain whose name begins with
  // the name a game asks for. Earlier names sorted: those that begin with a
  // name follow it directly.
  std::set<std::string> earlier;
  std::map<std::string, std::size_t> firstOfName;
  for (const std::uint32_t block : survey.chain) {
    const std::size_t record = RecordOffset(area, block);
    const std::string name = AsKey(sh::StoredName(image.Slice(record, kRecordNameSize)));
    if (!name.empty()) {
      const auto next = earlier.lower_bound(name);
      if (next != earlier.end() && next->starts_with(name)) {
        const Named later = NameAt(image, record);
        const Named first = NameAt(image, firstOfName.at(*next));
        warning(ProblemNameShadowed{later.name, later.where, first.name, first.where});
      }
    }
    if (earlier.insert(name).second) firstOfName.emplace(name, record);
  }
}

}  // namespace

std::vector<Problem> CheckSaveFile(const ByteBuffer& image) { return CheckSaveFile(image, ListSaveFile(image).records); }

std::vector<Problem> CheckSaveFile(const ByteBuffer& image, const std::vector<SaveRecord>& records) {
  std::vector<Problem> problems;
  IndexProblems(image, problems);
  const std::vector<Problem> cut = CutAreaProblems(image);
  problems.insert(problems.end(), cut.begin(), cut.end());
  for (int slot = 1; slot <= kSlotCount && AreaOffset(slot) < image.size(); ++slot) {
    if (!EndsIndex(image, slot)) AreaProblems(image, slot, problems);
  }
  for (const SaveRecord& record : records) {
    // Counted, not copied: a 256 MiB file is checked on every load.
    const std::size_t area = AreaOffset(record.area);
    std::size_t held = 0;
    for (std::size_t k = 1; k < record.units.size(); ++k) {
      const std::size_t at = RecordOffset(area, record.units[k]);
      held += at < image.size() ? std::min(kBlockSize, image.size() - at) : 0;
    }
    const std::string name = DecodeName(record.nameField);
    const std::string where = UintToHex(record.offset);
    if (MarksAreaHeader(image, record.offset)) {
      problems.push_back({ProblemMarksAreaHeader{name, where}, Severity::kFatal});
    } else if (held < record.size) {
      problems.push_back({ProblemRecordSizeExceedsBlocks{name, where, record.size, held}, Severity::kFatal});
    }
  }
  return problems;
}

SaveFileListing ListSaveFile(const ByteBuffer& image) {
  SaveFileListing listing;
  std::vector<SaveRecord>& records = listing.records;
  for (int slot = 1; slot <= kSlotCount; ++slot) {
    // An entry past the end of the file reads as zero and ends the index too.
    if (EndsIndex(image, slot)) break;
    const std::size_t area = AreaOffset(slot);
    for (const std::uint32_t block : RecordChain(image, area)) {
      const std::size_t offset = RecordOffset(area, block);
      // A record block past the end of a cut file holds nothing to list.
      if (offset >= image.size()) break;
      SaveRecord record;
      record.num = static_cast<std::uint32_t>(records.size() + 1);
      record.area = slot;
      record.offset = offset;
      record.units = DataBlocks(image, offset);
      record.units.insert(record.units.begin(), block);
      record.nameField = image.Slice(offset, kRecordNameSize);
      record.commentField = image.Slice(offset + sh::kCommentOffset, sh::kShownCommentBytes);
      record.language = image.At(offset + sh::kCommentOffset + sh::kCommentSize - 1);
      record.date = image.ReadU32(offset + sh::kDateOffset);
      record.size = image.ReadU32(offset + sh::kSizeOffset);
      records.push_back(std::move(record));
    }
  }
  return listing;
}

}  // namespace quillmere::save_file
