#include "operations/single_save_conversion.h"

#include "operations/export_names.h"
#include "operations/file_writes.h"
#include "platform/file_io.h"
#include "singlesave/bup_file.h"
#include "singlesave/sro_file.h"

namespace quillmere {

namespace fs = std::filesystem;

namespace {

// Writes a built save and reveals it; a refusal or a failed write is shown
// instead, and then nothing is revealed.
ConversionResult WriteConverted(const std::optional<singlesave::ConvertedSave>& converted, const fs::path& source,
                                const fs::path& outputFolder, Host& host) {
  if (!converted) {
    host.ShowMessage({WrongFormat{}, {}});
    return {ConversionOutcome::kRefused, {}};
  }
  // Never onto the file converted, nor onto a container beside it.
  ExportNames names;
  names.StartRun({source});
  const fs::path path = names.Claim(converted->path);
  // A folder that cannot be made fails the write like any other cause.
  platform::EnsureDirectory(outputFolder);
  if (!WriteFileOrReport(host, path, converted->bytes)) return {ConversionOutcome::kWriteFailed, path};
  RevealWrittenFile(host, path);
  return {ConversionOutcome::kWritten, path};
}

// The file's bytes as the converter reads them: a missing file reads as
// empty, as the panels always showed it; one that exists but cannot be read
// whole is reported and gives nothing, so it is never converted as empty.
std::optional<ByteBuffer> ReadSingleSave(const fs::path& path, Host& host) {
  if (!platform::FileExists(path)) return ByteBuffer{};
  return ReadFileOrReport(host, path);
}

// True, after "存档校验失败！" and the path, when the file carries a checksum
// that its bytes do not match.
bool ReportDamagedSro(const fs::path& path, const ByteBuffer& file, Host& host) {
  if (singlesave::CheckSro(file) != singlesave::SroCheck::kDamaged) return false;
  host.ShowMessage({ChecksumFailed{platform::PathToUtf8(path)}, {}});
  return true;
}

void ShowSizesDiffer(const fs::path& path, const ByteBuffer& file, Host& host) {
  if (const auto warning = SizesDifferWarning(path, file)) host.ShowMessage(*warning);
}

}  // namespace

std::optional<Message> SizesDifferWarning(const fs::path& path, const ByteBuffer& file) {
  singlesave::SingleSaveData data;
  if (singlesave::IsBupSingleSave(file)) {
    data = singlesave::BupSaveData(file);
  } else if (singlesave::IsSarooSingleSave(file)) {
    data = singlesave::SarooSaveData(file);
  } else {
    return std::nullopt;
  }
  if (!data.SizesDiffer()) return std::nullopt;
  return Message{SingleSaveSizesDiffer{platform::PathToUtf8(path), data.statedSize, data.carriedSize, data.bytes.size()},
                 {}};
}

singlesave::SingleSaveRow ShowSsfFile(const fs::path& path, Host& host) {
  const std::optional<ByteBuffer> file = ReadSingleSave(path, host);
  if (!file) return {};
  // A .BUP names itself; read as SSF it would show an empty name and "Vmem".
  if (singlesave::IsBupSingleSave(*file)) return singlesave::BupRow(*file);
  return singlesave::SsfRow(platform::PathToUtf8(path), *file);
}

singlesave::SarooShown ShowSarooFile(const fs::path& path, Host& host) {
  const std::optional<ByteBuffer> file = ReadSingleSave(path, host);
  if (!file) return {};
  // The row is still shown, so the user sees which save is damaged.
  ReportDamagedSro(path, *file, host);
  return singlesave::SarooRow(*file);
}

ConversionResult ConvertSsfToSaroo(const fs::path& path, const singlesave::SingleSaveRow& shown,
                                   const fs::path& outputFolder, Host& host) {
  if (path.empty()) return {};
  const std::optional<ByteBuffer> file = ReadSingleSave(path, host);
  if (!file) return {ConversionOutcome::kReadFailed, path};
  if (singlesave::IsBupSingleSave(*file)) {
    ShowSizesDiffer(path, *file, host);
    return WriteConverted(singlesave::BuildSarooFromBup(*file, outputFolder), path, outputFolder, host);
  }
  return WriteConverted(singlesave::BuildSarooFromSsf(platform::PathToUtf8(path), *file, shown, outputFolder), path,
                        outputFolder, host);
}

ConversionResult ConvertSarooToSsf(const fs::path& path, const std::optional<singlesave::SsfPackedDate>& pendingSsfDate,
                                   const fs::path& outputFolder, Host& host) {
  if (path.empty()) return {};
  const std::optional<ByteBuffer> file = ReadSingleSave(path, host);
  if (!file) return {ConversionOutcome::kReadFailed, path};
  if (ReportDamagedSro(path, *file, host)) return {ConversionOutcome::kRefused, path};
  ShowSizesDiffer(path, *file, host);
  const singlesave::SsfPackedDate date = pendingSsfDate ? *pendingSsfDate : *singlesave::SarooRow(*file).pendingSsfDate;
  return WriteConverted(singlesave::BuildSsfFromSaroo(*file, date, outputFolder), path, outputFolder, host);
}

}  // namespace quillmere
