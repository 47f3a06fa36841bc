#include "ui/history_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "catalog/catalog.h"
#include "operations/file_writes.h"
#include "operations/history.h"
#include "operations/pane_load.h"
#include "operations/save_transfer.h"
#include "platform/file_io.h"
#include "ui/controls.h"

namespace quillmere::ui {

namespace {

namespace history = platform::history;

constexpr const char* kVersionsKey = "history/versions";
constexpr const char* kBytesKey = "history/bytes";
constexpr std::uint64_t kMiB = 1024 * 1024;

// The file as it is now, read off the window's thread: its saves, and
// whether another program changed it since Quillmere last wrote it.
struct FileNow {
  std::size_t saves = 0;
  bool changedElsewhere = false;
};
FileNow ReadFileNow(Workbench& bench, const std::filesystem::path& file, const history::FileHistory& kept) {
  FileNow now;
  bench.host().RunSlow({ReadingFile{platform::PathToUtf8(file)}, {}}, [&](ProgressSink&) {
    const platform::FileContents contents = platform::ReadFileChecked(file);
    if (!contents.ok()) return;
    const ByteBuffer bytes(contents.bytes);
    now.saves = SavesInFile(file, bytes).count;
    now.changedElsewhere = ChangedElsewhere(kept, bytes);
  });
  return now;
}

// "Restore FILE as it was before OPERATION at TIME? It held N saves; it
// holds M now.", and what another program changed since.
Message RestoreQuestion(const std::filesystem::path& file, const history::Version& version, const FileNow& now) {
  const std::string where = platform::PathToUtf8(file);
  Message question{UndoQuestion{where, catalog::Render(OperationMessage(version.operation)), history::LocalTimeText(version.time),
                    version.before.count, now.saves},
                   {}};
  if (now.changedElsewhere) question.lines.push_back({HistoryChangedElsewhere{where}, {}});
  return question;
}

// Asks, restores version `number` and shows the pane afresh. True when it was restored.
bool AskAndRestore(Workbench& bench, int pane, int number) {
  const std::filesystem::path file = bench.pane(pane).file;
  const VersionChoice choice = ChooseVersion(file, number);
  if (!choice.chosen) {
    bench.host().ShowMessage(*choice.said);
    return false;
  }
  const FileNow now = ReadFileNow(bench, file, choice.chosen->history);
  if (!bench.host().AskOkCancel(RestoreQuestion(file, choice.chosen->version, now))) return false;
  RestoreOutcome outcome;
  bench.host().RunSlow({WritingFile{platform::PathToUtf8(file)}, {}},
                       [&](ProgressSink&) { outcome = RestoreVersion(file, number); });
  ReloadPane(bench, pane, false);
  if (outcome.said) bench.host().ShowMessage(*outcome.said);
  TellHistoryNote(bench, outcome.historyNote);
  return outcome.restored;
}

QTableWidget* MakeTable(QWidget* parent, const char* name, const std::vector<UiText>& columns) {
  auto* table = new QTableWidget(0, static_cast<int>(columns.size()), parent);
  table->setObjectName(name);
  QStringList headers;
  for (const UiText column : columns) headers << Words(column);
  table->setHorizontalHeaderLabels(headers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->verticalHeader()->hide();
  table->horizontalHeader()->setStretchLastSection(true);
  return table;
}

void SetRow(QTableWidget* table, int row, const std::vector<std::string>& cells) {
  for (std::size_t c = 0; c < cells.size(); ++c) {
    table->setItem(row, static_cast<int>(c), new QTableWidgetItem(ToQString(cells[c])));
  }
}

// The saves of one kept version, any of which can be exported.
void ShowVersionSaves(Workbench& bench, int pane, int number, QWidget* parent) {
  const std::filesystem::path file = bench.pane(pane).file;
  const VersionChoice choice = ChooseVersion(file, number);
  if (!choice.chosen) {
    bench.host().ShowMessage(*choice.said);
    return;
  }
  VersionRead read;
  PaneLoad version;
  bench.host().RunSlow({ReadingFile{platform::PathToUtf8(file)}, {}}, [&](ProgressSink&) {
    read = ReadVersion(file, *choice.chosen, number);
    if (!read.bytes) return;
    ContainerReading reading;
    reading.contents = &*read.bytes;
    reading.device = bench.pane(pane).device;
    version = LoadContainerFile(file, false, reading);
  });
  if (!read.bytes || version.refusal) {
    bench.host().ShowMessage(read.said ? *read.said : *version.refusal);
    return;
  }
  QDialog dialog(parent);
  dialog.setObjectName("VersionSavesDialog");
  dialog.setWindowTitle(ToQString(Say(HistorySavesTitle{platform::PathToUtf8(file), number})));
  auto* layout = new QVBoxLayout(&dialog);
  QTableWidget* table = MakeTable(&dialog, "VersionSavesTable",
                                  {UiText::kColumnNum, UiText::kColumnName, UiText::kColumnComment,
                                   UiText::kColumnDate, UiText::kColumnSize});
  table->setRowCount(static_cast<int>(version.records.size()));
  for (std::size_t r = 0; r < version.records.size(); ++r) {
    const SaveEntry row = PresentSave(version.records[r], ShownCommentBytes(version.kind, pane));
    SetRow(table, static_cast<int>(r), {row.num(), row.name(), row.comment(), row.date(), row.size()});
  }
  table->resizeColumnsToContents();
  layout->addWidget(table);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
  QPushButton* exportButton = buttons->addButton(Words(UiText::kHistoryExportSave), QDialogButtonBox::ActionRole);
  exportButton->setObjectName("VersionExport");
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(exportButton, &QPushButton::clicked, &dialog, [&bench, &version, table] {
    std::vector<SaveRecord> chosen;
    for (const QModelIndex& row : table->selectionModel()->selectedRows()) {
      chosen.push_back(version.records.at(static_cast<std::size_t>(row.row())));
    }
    ExportSaves(bench, version, chosen, ExportForm::kSaroo);
  });
  layout->addWidget(buttons);
  dialog.resize(560, 320);
  dialog.exec();
}

// Each version, newest first: its saves counted, and those that differ from `now`.
void FillVersions(QTableWidget* table, const history::FileHistory& kept, const std::vector<std::string>& now) {
  table->setRowCount(static_cast<int>(kept.versions.size()));
  for (std::size_t number = 1; number <= kept.versions.size(); ++number) {
    const history::Version& version = kept.versions[kept.versions.size() - number];
    SetRow(table, static_cast<int>(number - 1),
           {std::to_string(number), history::LocalTimeText(version.time),
            catalog::Render(OperationMessage(version.operation)),
            (std::to_string(version.before.count) + "  " + Differences(version.before.names, now).Text()),
            std::to_string(version.size)});
  }
  table->resizeColumnsToContents();
  if (!kept.versions.empty()) table->selectRow(0);
}

}  // namespace

void UndoLastChange(Workbench& bench, int pane) {
  if (bench.pane(pane).file.empty()) return;
  AskAndRestore(bench, pane, 1);
}

void ShowHistory(Workbench& bench, int pane, QWidget* parent) {
  const std::filesystem::path file = bench.pane(pane).file;
  if (file.empty()) return;
  history::FileHistory kept = history::Read(file);
  if (kept.state == history::IndexState::kOff || kept.state == history::IndexState::kDamaged) {
    bench.host().ShowMessage(kept.state == history::IndexState::kOff
                                 ? Message{HistoryOff{}, {}}
                                 : Message{HistoryIndexDamaged{platform::PathToUtf8(kept.index)}, {}});
    return;
  }
  QDialog dialog(parent);
  dialog.setObjectName("HistoryDialog");
  dialog.setWindowTitle(ToQString(Say(HistoryTitle{platform::PathToUtf8(file)})));
  auto* layout = new QVBoxLayout(&dialog);
  QTableWidget* table = MakeTable(&dialog, "HistoryTable",
                                  {UiText::kHistoryColumnNumber, UiText::kHistoryColumnTime,
                                   UiText::kHistoryColumnOperation, UiText::kHistoryColumnSaves,
                                   UiText::kHistoryColumnSize});
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  const auto namesNow = [&bench, pane] { return SavesOf(NameFieldsOf(bench.pane(pane).records)).names; };
  FillVersions(table, kept, namesNow());
  layout->addWidget(table);

  // The bounds, kept in the window's settings.
  QSettings settings;
  auto* bounds = new QFormLayout;
  auto* versions = new QSpinBox(&dialog);
  versions->setObjectName("HistoryVersions");
  versions->setRange(1, 10000);
  auto* megabytes = new QSpinBox(&dialog);
  megabytes->setObjectName("HistoryMegabytes");
  megabytes->setRange(1, 1024 * 1024);
  const history::Limits limits = history::CurrentLimits();
  versions->setValue(static_cast<int>(std::min<std::size_t>(limits.versions, 10000)));
  megabytes->setValue(static_cast<int>(std::max<std::uint64_t>(1, limits.bytes / kMiB)));
  bounds->addRow(Words(UiText::kHistoryKeepVersions), versions);
  bounds->addRow(Words(UiText::kHistoryKeepMegabytes), megabytes);
  layout->addLayout(bounds);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
  QPushButton* restore = buttons->addButton(Words(UiText::kHistoryRestore), QDialogButtonBox::ActionRole);
  QPushButton* saves = buttons->addButton(Words(UiText::kHistoryShowSaves), QDialogButtonBox::ActionRole);
  restore->setObjectName("HistoryRestore");
  saves->setObjectName("HistoryShowSaves");
  layout->addWidget(buttons);
  const auto chosenNumber = [table] {
    const QModelIndexList rows = table->selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : rows.front().row() + 1;
  };
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(restore, &QPushButton::clicked, &dialog, [&, table] {
    const int number = chosenNumber();
    if (number == 0 || !AskAndRestore(bench, pane, number)) return;
    // The restore is a version itself: the list numbers from it now.
    kept = history::Read(file);
    FillVersions(table, kept, namesNow());
  });
  QObject::connect(saves, &QPushButton::clicked, &dialog, [&] {
    if (const int number = chosenNumber()) ShowVersionSaves(bench, pane, number, &dialog);
  });
  const auto remember = [&] {
    const history::Limits chosen{static_cast<std::size_t>(versions->value()),
                                 static_cast<std::uint64_t>(megabytes->value()) * kMiB};
    history::SetConfiguredLimits(chosen);
    settings.setValue(kVersionsKey, static_cast<qulonglong>(chosen.versions));
    settings.setValue(kBytesKey, static_cast<qulonglong>(chosen.bytes));
  };
  QObject::connect(versions, &QSpinBox::valueChanged, &dialog, remember);
  QObject::connect(megabytes, &QSpinBox::valueChanged, &dialog, remember);
  dialog.resize(620, 360);
  dialog.exec();
}

void ApplyHistorySettings(const QSettings& settings) {
  history::Limits limits;
  limits.versions = static_cast<std::size_t>(settings.value(kVersionsKey, qulonglong{limits.versions}).toULongLong());
  limits.bytes = settings.value(kBytesKey, qulonglong{limits.bytes}).toULongLong();
  history::SetConfiguredLimits(limits);
}

}  // namespace quillmere::ui
