#include "operations/save_transfer.h"

#include <algorithm>

#include "containers/mems_image.h"
#include "containers/save_file.h"
#include "model/conversions.h"
#include "model/save_header.h"
#include "operations/file_writes.h"
#include "platform/file_io.h"

namespace quillmere {

namespace fs = std::filesystem;

namespace {

// The window's same-name question: "是否替换列表N已有存档？" with the row that
// shows the listed save.
class PaneQuestions : public Questions {
 public:
  PaneQuestions(Workbench& bench, int number) : bench_(bench), number_(number) {}
  bool ReplaceSave(const SaveRecord& listed, const SaveRecord& incoming) override {
    const Pane& pane = bench_.pane(number_);
    // The 1-based row that shows the save; the reader's number where no row does.
    std::size_t row = listed.num;
    for (std::size_t r = 0; r < pane.rows.size(); ++r) {
      if (pane.RecordOfRow(r).offset == listed.offset) row = r + 1;
    }
    // Both saves' dates and sizes, so an older save is not taken for a newer one.
    const auto date = [](const SaveRecord& save) { return FormatSaveDate(SaveDateFromMinutes(save.date)); };
    return bench_.host().AskOkCancel({ReplaceQuestion{number_, row, DecodeName(save_header::StoredName(incoming.nameField))},
                                      {ReplaceListedSave{date(listed), listed.size},
                                       ReplaceIncomingSave{date(incoming), incoming.size}}});
  }

 private:
  Workbench& bench_;
  int number_;
};

// The policy of a run into the pane: no questions, a listed name replaced
// only when overwriting on transfer is on, and into SS_SAVE.BIN the game
// asked once for the whole run. Nothing when that question was cancelled.
std::optional<ImportPolicy> RunPolicy(Workbench& bench, int number) {
  ImportPolicy policy;
  policy.sameName = bench.overwriteOnTransfer ? SameName::kReplace : SameName::kSkip;
  policy.listNumber = number;
  if (bench.pane(number).kind == ContainerKind::kSave) {
    const auto game = ChooseTargetGame(bench, number);
    if (!game) return std::nullopt;
    policy.game = *game;
  }
  return policy;
}

// Ends a run into the pane: writes what it placed, once, reloads the pane,
// and tells the run.
void FinishRun(Workbench& bench, int number, TransferReport& report, RunSummary summary, WriteOperation operation) {
  const bool placed = std::any_of(report.imports.begin(), report.imports.end(),
                                  [](const ImportResult& result) { return result.Placed(); });
  if (!report.cancelled && placed) {
    const ContainerWrite write = WriteContainer(bench.host(), bench.pane(number), operation);
    report.writeFailed = !write.written;
    report.writeSaid = write.said;
    ReloadPane(bench, number, false);
    TellHistoryNote(bench, write.historyNote);
  }
  for (const Message& message : RunMessages(report, summary)) bench.host().ShowMessage(message);
  if (report.cancelled) {
    bench.host().ShowMessage({RunCancelled{platform::PathToUtf8(bench.pane(number).file)}, {}});
  }
}

}  // namespace

std::optional<ByteBuffer> ChooseTargetGame(Workbench& bench, int number) {
  const Pane& pane = bench.pane(number);
  int selectedArea = 0;
  if (!pane.selection.empty()) {
    const auto row = static_cast<std::size_t>(*std::min_element(pane.selection.begin(), pane.selection.end()));
    if (row < pane.rows.size()) selectedArea = pane.RecordOfRow(row).area;
  }
  // Each game by its ID and how many saves it holds.
  std::vector<Message> choices;
  std::vector<ByteBuffer> ids;
  std::size_t chosen = 0;
  for (const save_file::GameEntry& game : save_file::ListGames(pane.image)) {
    if (game.slot == selectedArea) chosen = choices.size();
    const auto saves = std::count_if(pane.records.begin(), pane.records.end(),
                                     [&](const SaveRecord& record) { return record.area == game.slot; });
    choices.push_back({GameChoice{DecodeName(game.id), static_cast<std::int64_t>(saves)}, {}});
    ids.push_back(game.id);
  }
  // Asked again after an invalid ID or a new game not confirmed, a bounded
  // number of times, so a host that keeps answering the same can never hold
  // the window.
  constexpr int kAsks = 10;
  for (int ask = 0; ask < kAsks; ++ask) {
    const auto answer =
        bench.host().AskChoice({ChooseGame{}, {{GameIdHint{}, {}}}}, choices, chosen);
    if (!answer) return std::nullopt;
    if (answer->listed && *answer->listed < ids.size()) return ids[*answer->listed];
    if (!save_file::IsValidGameId(answer->typed)) {
      bench.host().ShowMessage({GameIdInvalid{}, {}});
      continue;
    }
    const ByteBuffer id = save_file::PadGameId(answer->typed);
    // A game the file already has, typed rather than chosen; a new one is
    // added only when the user confirms it.
    if (save_file::FindGame(pane.image, id) ||
        bench.host().AskOkCancel({AddNewGame{save_file::GameIdText(id)}, {}})) {
      return id;
    }
  }
  return std::nullopt;
}

ExportResult ExportSingleSave(Workbench& bench, int number, ExportForm form) {
  const Pane& pane = bench.pane(number);
  return ExportSaves(bench, pane, pane.SelectedRecords(), form);
}

ExportResult ExportSaves(Workbench& bench, const Container& from, const std::vector<SaveRecord>& saves,
                         ExportForm form) {
  if (saves.empty()) {
    bench.host().ShowMessage({SelectSaveToExport{}, {}});
    return {};
  }
  // Every selected save, in one run: no file name is taken twice.
  ExportRun run(bench.Folders(), {bench.pane(1).file, bench.pane(2).file});
  std::vector<ExportResult> results;
  bench.host().RunSlow({WritingFile{platform::PathToUtf8(bench.Folders().For(form))}, {}},
                       [&](ProgressSink& progress) {
                         for (const SaveRecord& save : saves) {
                           results.push_back(run.Write(ExportSave(from, save, form), form));
                           if (!progress.Report(results.size(), saves.size())) break;
                         }
                       });
  for (const ExportResult& result : results) {
    if (result.said) bench.host().ShowMessage(*result.said);
  }
  // The file browser shows the folder once, with the first file written selected.
  for (const ExportResult& result : results) {
    if (result.outcome == ExportOutcome::kWriteFailed) continue;
    RevealWrittenFile(bench.host(), result.path);
    break;
  }
  return results.front();
}

namespace {

// An SS_MEMS.BIN too short to hold the free count, the bitmap and the
// directory takes no save: said before any file is asked for.
bool TooShortToImport(Workbench& bench, const Pane& pane) {
  if (pane.kind != ContainerKind::kMems || pane.image.size() >= mems::kDataAreaOffset) return false;
  bench.host().ShowMessage({WrongFormat{}, {}});
  return true;
}

}  // namespace

ImportResult ImportSingleSave(Workbench& bench, int number, const std::optional<fs::path>& file) {
  Pane& pane = bench.pane(number);
  Host& host = bench.host();
  if (!pane.Writable() || pane.hintVisible) return {};
  ImportPolicy policy;
  policy.sameName = SameName::kAsk;
  policy.listNumber = number;
  if (TooShortToImport(bench, pane)) {
    return {ImportOutcome::kRefused, {}, {}, Message{WrongFormat{}, {}}, false, {}};
  }
  fs::path source;
  if (file) {
    source = *file;
  } else if (const auto picked = host.PickOpenFile(FileFilter::kSingleSave, bench.sarooFolder)) {
    source = *picked;
  } else {
    return {};
  }
  const SingleSaveRead read = ReadSingleSave(source);
  for (const Message& warning : read.warnings) host.ShowMessage(warning);
  // The save first, then the game it goes to: a file that cannot be
  // imported is said before any game is asked for.
  if (read.saroo && pane.kind == ContainerKind::kSave) {
    const auto game = ChooseTargetGame(bench, number);
    if (!game) return {};
    policy.game = *game;
  }
  PaneQuestions questions(bench, number);
  policy.questions = &questions;
  ImportResult result;
  if (read.saroo) {
    result = ImportSave(pane, *read.saroo, policy);
  } else {
    result.outcome = ImportOutcome::kRefused;
    result.reason = read.refusal;
  }
  if (result.name.empty()) result.name = read.name;
  result.warnings = read.warnings;
  if (result.reason) {
    host.ShowMessage(*result.reason);
    // A full bitmap may be a stale view: the pane shows the file afresh.
    if (Is<BitmapFullForRecord>(*result.reason) || Is<BitmapFullForData>(*result.reason)) ReloadPane(bench, number);
  }
  if (!result.Placed()) return result;
  if (!WritePaneImage(bench, number, WriteOperation::kImport)) {
    result.outcome = ImportOutcome::kWriteFailed;
    return result;
  }
  Message done{ImportDone{}, {}};
  if (!result.newGame.empty()) done.lines.push_back({NewGameAdded{result.newGame}, {}});
  host.ShowMessage(done);
  return result;
}

void ImportPickedSaves(Workbench& bench, int number) {
  const Pane& pane = bench.pane(number);
  if (!pane.Writable() || pane.hintVisible || TooShortToImport(bench, pane)) return;
  const std::vector<fs::path> files = bench.host().PickOpenFiles(FileFilter::kSingleSave, bench.sarooFolder);
  if (files.size() == 1) {
    ImportSingleSave(bench, number, files.front());
  } else if (files.size() > 1) {
    ImportSingleSaves(bench, number, files, RunSummary::kDrop);
  }
}

TransferReport TransferSaves(Workbench& bench, int source, int destination, RunSummary summary) {
  TransferReport report;
  Pane& target = bench.pane(destination);
  if (source == destination || !target.Writable() || target.hintVisible) return report;
  const std::vector<SaveRecord> saves = bench.pane(source).SelectedRecords();
  if (saves.empty()) {
    bench.host().ShowMessage({NothingSelectedToTransfer{}, {}});
    return report;
  }
  const auto policy = RunPolicy(bench, destination);
  if (!policy) return report;
  ExportRun copies(bench.Folders(), {bench.pane(1).file, bench.pane(2).file});
  bench.host().RunSlow({WritingFile{platform::PathToUtf8(target.file)}, {}}, [&](ProgressSink& progress) {
    report = TransferSaves(bench.pane(source), saves, target, *policy, copies, &progress);
  });
  FinishRun(bench, destination, report, summary, WriteOperation::kTransfer);
  return report;
}

TransferReport ImportSingleSaves(Workbench& bench, int number, const std::vector<fs::path>& files, RunSummary summary) {
  TransferReport report;
  Pane& target = bench.pane(number);
  if (!target.Writable() || target.hintVisible) return report;
  const auto policy = RunPolicy(bench, number);
  if (!policy) return report;
  bench.host().RunSlow({WritingFile{platform::PathToUtf8(target.file)}, {}},
                       [&](ProgressSink& progress) { report = ImportFiles(target, files, *policy, &progress); });
  FinishRun(bench, number, report, summary, WriteOperation::kImport);
  return report;
}

}  // namespace quillmere
