// Any bytes as an SSF single save: converting to SAROO (and .SRO) and back
// must carry the comment and data bytes unchanged, keep the shown date to the
// minute, and never name a file outside its folder.
#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "model/conversions.h"
#include "model/safe_file_name.h"
#include "platform/file_io.h"
#include "singlesave/converter.h"
#include "singlesave/single_save_file.h"
#include "singlesave/sro_file.h"

using quillmere::ByteBuffer;
namespace singlesave = quillmere::singlesave;

namespace {

// The input's first bytes double as a GBK name, so odd names reach the name
// field and the file name too.
std::string NameFrom(const std::uint8_t* data, std::size_t size) {
  const std::size_t length = size > 0 ? data[0] % 24 : 0;
  std::vector<std::uint8_t> bytes(data + (size > 0 ? 1 : 0), data + std::min(size, 1 + length));
  return quillmere::DecodeName(ByteBuffer(std::move(bytes)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > singlesave::kMaxDataSize) return 0;
  const ByteBuffer ssf(std::vector<std::uint8_t>(data, data + size));
  const std::string name = NameFrom(data, size);
  const std::string path = "C:\\SSF\\" + name + ".bin";
  const std::filesystem::path folder = "out";

  const singlesave::SingleSaveRow ssfRow = singlesave::SsfRow(path, ssf);
  const auto saroo = singlesave::BuildSarooFromSsf(path, ssf, ssfRow, folder);
  if (!saroo) {
    // Only a comment that reads as the SAROO magic is refused.
    assert(ssfRow.comment() == singlesave::SarooSingleSaveFile::kMagic);
    return 0;
  }
  assert(saroo->path.parent_path() == folder);
  const std::string fileName = quillmere::platform::PathToUtf8(saroo->path.filename());
  assert(fileName.size() > 4 && fileName.find_first_of("\\/:*?\"<>|") == std::string::npos);
  assert(saroo->bytes.size() == 64 + (size > 16 ? size - 16 : 0));
  assert(saroo->bytes.At(16 + 11) == 0);  // the name field keeps its ending zero

  // Any bytes pass the checksum test without harm. With its checksum the
  // save never reads as damaged, and without it is the same save again.
  (void)singlesave::CheckSro(ssf);
  const ByteBuffer sro = singlesave::SroFromSaroo(saroo->bytes);
  assert(singlesave::CheckSro(sro) != singlesave::SroCheck::kDamaged);
  assert(singlesave::SarooFromSro(sro) == saroo->bytes);

  const singlesave::SarooShown shown = singlesave::SarooRow(saroo->bytes);
  assert(shown.row.comment() == ssfRow.comment());
  assert(shown.row.size() == ssfRow.size());
  assert(shown.pendingSsfDate.has_value());
  const auto back = singlesave::BuildSsfFromSaroo(saroo->bytes, *shown.pendingSsfDate, folder);
  assert(back);
  assert(back->bytes.size() == std::max<std::size_t>(size, 16));
  assert(back->bytes.Slice(0, 12) == quillmere::ZeroFilledField(ssf, 0, 12));
  assert(back->bytes.Slice(16, size) == ssf.Slice(16, size));

  // Dates the packed form holds from the SAROO stamp's base on come back to
  // the minute; earlier ones (only out-of-range fields give them) come back
  // as the base, later ones as the latest date the form holds.
  const quillmere::SaveDateTime shownDate = singlesave::DecodeSsfDate(singlesave::SsfDateOf(ssf));
  const quillmere::SaveDateTime backDate = singlesave::DecodeSsfDate(singlesave::SsfDateOf(back->bytes));
  if (quillmere::MinutesFromSaveDate(shownDate) < 0) {
    assert(backDate == quillmere::SaveDateFromMinutes(0));
  } else if (shownDate > singlesave::kLatestSsfDate) {
    assert(backDate == singlesave::kLatestSsfDate);
  } else {
    assert(backDate == shownDate);
  }
  // Once through, the date fields are canonical: the next round trip is exact.
  const auto saroo2 = singlesave::BuildSarooFromSsf(path, back->bytes, singlesave::SsfRow(path, back->bytes), folder);
  assert(saroo2);
  const auto back2 = singlesave::BuildSsfFromSaroo(saroo2->bytes, *singlesave::SarooRow(saroo2->bytes).pendingSsfDate,
                                                   folder);
  assert(back2 && back2->bytes == back->bytes);
  return 0;
}
