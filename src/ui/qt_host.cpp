#include "ui/qt_host.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProgressDialog>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <memory>
#include <type_traits>
#include <variant>
#include <system_error>

#ifdef QUILLMERE_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#endif

#include "catalog/catalog.h"
#include "platform/file_io.h"
#include "ui/slow_work.h"
#include "ui/words.h"

namespace quillmere::ui {

namespace {

QString ToQString(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QString PathToQString(const std::filesystem::path& path) { return ToQString(platform::PathToUtf8(path)); }

// How long a run goes before its progress dialog shows.
constexpr int kProgressDelayMs = 500;

// What kind of box a message is: a failure that stopped the work, a
// refusal or doubt the user should weigh, or news.
template <class T, class... Of>
inline constexpr bool kOneOf = (std::is_same_v<T, Of> || ...);

QMessageBox::Icon IconOf(const Message& message) {
  return std::visit(
      [](const auto& domain) {
        return std::visit(
            [](const auto& outcome) {
              using T = std::decay_t<decltype(outcome)>;
              if constexpr (kOneOf<T, WriteFailed, ReadFailed, FileTooLarge, FileBusy, ChecksumFailed, WrongFormat,
                                   NotSarooSingleSave, CannotCompactDamaged, IncompleteSave, HoldsMemsImage,
                                   HoldsSaveFile, HoldsBackupMemory, CannotTellKind, NotRegularFile,
                                   SingleSaveNotContainer>) {
                return QMessageBox::Critical;
              } else if constexpr (kOneOf<T, FileChanged, DirectoryFull, BitmapFullForRecord, BitmapFullForData,
                                          SaveTooLarge, DamagedTarget, UnnamedSave, UnnamedGame, DamagedArea, ListFull,
                                          BackupRamFull, AreaFull, GameIndexFull, NoCartridge, GameIdInvalid,
                                          ImageHasProblems, CannotRepair, SingleSaveSizesDiffer, TransferSummary,
                                          DropSummary, SelectSaveToExport, SelectSaveToDelete,
                                          NothingSelectedToTransfer, NotWritten>) {
                return QMessageBox::Warning;
              } else {
                return QMessageBox::Information;
              }
            },
            domain);
      },
      message.what);
}

UiText TitleOf(QMessageBox::Icon icon) {
  switch (icon) {
    case QMessageBox::Critical: return UiText::kCaptionError;
    case QMessageBox::Warning: return UiText::kCaptionWarning;
    case QMessageBox::Question: return UiText::kCaptionQuestion;
    default: return UiText::kCaption;
  }
}

// A box longer than this many lines shows them and keeps the whole text,
// which scrolls, under "Show Details".
constexpr qsizetype kBoxLines = 16;

int RunMessageBox(QWidget* parent, const Message& message, QMessageBox::StandardButtons buttons) {
  const bool question = buttons.testFlag(QMessageBox::Cancel);
  const QMessageBox::Icon icon = question ? QMessageBox::Question : IconOf(message);
  const QString text = ToQString(catalog::Render(message));
  QMessageBox box(icon, ToQString(Caption(TitleOf(icon))), text, buttons, parent);
  const QStringList lines = text.split("\r\n");
  if (lines.size() > kBoxLines) {
    box.setText(lines.mid(0, kBoxLines).join("\r\n") + "\r\n" + ToQString(catalog::Render(MoreProblemsEllipsis{})));
    box.setDetailedText(lines.join("\n"));
  }
  // A question is answered with the button that changes nothing unless the
  // user means it: Enter never replaces, deletes or repairs.
  if (question) box.setDefaultButton(QMessageBox::Cancel);
  return box.exec();
}

#if !defined(Q_OS_WIN) && !defined(Q_OS_MACOS)
// How long the launcher gets to say that it found nothing to open a folder with.
constexpr int kLauncherAnswerMs = 2000;

// xdg-open hands the folder to the desktop's file browser. Qt's own launcher
// counts xdg-open merely starting as success, even when it then finds no
// program for folders, so its answer is awaited here; one still running
// after a moment has become the file browser itself.
bool OpenFolderWithLauncher(const QString& folder) {
  const QString launcher = QStandardPaths::findExecutable("xdg-open");
  if (launcher.isEmpty()) return false;
  auto process = std::make_unique<QProcess>();
  process->setStandardOutputFile(QProcess::nullDevice());
  process->setStandardErrorFile(QProcess::nullDevice());
  process->start(launcher, {folder});
  if (!process->waitForStarted(kLauncherAnswerMs)) return false;
  if (!process->waitForFinished(kLauncherAnswerMs)) {
    // Left running past the program's end: deleting it would end the browser.
    // It is looked after by the window's thread, as this one ends.
    if (QCoreApplication::instance()) process->moveToThread(QCoreApplication::instance()->thread());
    QObject::connect(process.get(), &QProcess::finished, process.get(), &QObject::deleteLater);
    process.release();
    return true;
  }
  return process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
}
#endif

}  // namespace

QStringList DialogFilters(std::string_view filter) {
  const QStringList parts = ToQString(filter).split('|');
  if (parts.size() < 2) return parts;
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) filters << parts[i] + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
  return filters;
}

QtHost::QtHost(QWidget* parent) : parent_(parent) {}

QtHost::~QtHost() {
  if (busy_) QGuiApplication::restoreOverrideCursor();
  delete progress_.data();
}

bool QtHost::Progress(std::size_t done, std::size_t total) {
  if (done >= total) {
    if (busy_) QGuiApplication::restoreOverrideCursor();
    busy_ = false;
    delete progress_.data();
    return true;
  }
  if (!busy_) {
    busy_ = true;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    progress_ = new QProgressDialog(parent_);
    progress_->setWindowModality(Qt::ApplicationModal);
    progress_->setWindowTitle(ToQString(Caption(UiText::kCaption)));
    progress_->setMinimumDuration(kProgressDelayMs);
    progress_->setAutoReset(false);
    progress_->setAutoClose(false);
    progress_->setRange(0, static_cast<int>(total));
  }
  // A dialog its window took with it ends the run.
  if (!progress_) return false;
  progress_->setLabelText(ToQString(Say(ui::Progress{done, total})));
  // Once shown, the modal dialog takes the clicks and lets the window repaint.
  progress_->setValue(static_cast<int>(done));
  return !progress_->wasCanceled();
}

void QtHost::ShowMessage(const Message& message) { RunMessageBox(parent_, message, QMessageBox::Ok); }

bool QtHost::AskOkCancel(const Message& question) {
  return RunMessageBox(parent_, question, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

std::optional<ChoiceAnswer> QtHost::AskChoice(const Message& question, const std::vector<Message>& choices,
                                              std::size_t chosen) {
  QStringList items;
  for (const Message& choice : choices) items << ToQString(catalog::Render(choice));
  bool ok = false;
  // Editable: a game that has no entry yet is typed in.
  const QString answer = QInputDialog::getItem(parent_, ToQString(Caption(UiText::kCaption)),
                                               ToQString(catalog::Render(question)), items,
                                               static_cast<int>(std::min(chosen, choices.size())), true, &ok);
  if (!ok) return std::nullopt;
  const qsizetype listed = items.indexOf(answer);
  if (listed >= 0) return ChoiceAnswer{static_cast<std::size_t>(listed), answer.toStdString()};
  return ChoiceAnswer{std::nullopt, answer.trimmed().toStdString()};
}

void PrepareOpenFileDialog(QFileDialog& dialog, std::string_view filter, const std::filesystem::path& initialFolder,
                           const std::filesystem::path& programFolder) {
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  // The description already names its pattern; Qt would show it a second time.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilters(DialogFilters(filter));
  // Given a folder that is not there, Qt would open its parent with the
  // folder's name typed in as a file name.
  std::error_code error;
  const bool exists = std::filesystem::is_directory(initialFolder, error);
  dialog.setDirectory(PathToQString(exists ? initialFolder : programFolder));
}

std::optional<std::filesystem::path> QtHost::PickOpenFile(FileFilter filter, const std::filesystem::path& initialFolder) {
  // The dialog keeps the system's own title.
  QFileDialog dialog(parent_);
  PrepareOpenFileDialog(dialog, FilterWords(filter), initialFolder, fallbackFolder_);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
  return platform::PathFromUtf8(chosen.front().toStdString());
}

std::vector<std::filesystem::path> QtHost::PickOpenFiles(FileFilter filter, const std::filesystem::path& initialFolder) {
  QFileDialog dialog(parent_);
  PrepareOpenFileDialog(dialog, FilterWords(filter), initialFolder, fallbackFolder_);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  std::vector<std::filesystem::path> files;
  if (dialog.exec() != QDialog::Accepted) return files;
  for (const QString& chosen : dialog.selectedFiles()) {
    if (!chosen.isEmpty()) files.push_back(platform::PathFromUtf8(chosen.toStdString()));
  }
  return files;
}

std::optional<std::filesystem::path> QtHost::PickFolder(const std::filesystem::path& initialFolder) {
  std::error_code error;
  const bool exists = std::filesystem::is_directory(initialFolder, error);
  const QString chosen =
      QFileDialog::getExistingDirectory(parent_, QString(), PathToQString(exists ? initialFolder : fallbackFolder_));
  if (chosen.isEmpty()) return std::nullopt;
  return platform::PathFromUtf8(chosen.toStdString());
}

namespace {

// Starts the file browser on `path`; the launcher's answer may take seconds.
bool LaunchFileBrowser(const QString& path) {
#if defined(Q_OS_WIN)
  return QProcess::startDetached("explorer", {"/select,", QDir::toNativeSeparators(path)});
#elif defined(Q_OS_MACOS)
  return QProcess::startDetached("open", {"-R", path});
#else
#ifdef QUILLMERE_HAVE_DBUS
  // The freedesktop file-manager interface opens the folder with the file selected.
  QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                                                     "org.freedesktop.FileManager1", "ShowItems");
  call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
  const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
  if (reply.type() == QDBusMessage::ReplyMessage) return true;
#endif
  return OpenFolderWithLauncher(QFileInfo(path).absolutePath());
#endif
}

}  // namespace

bool QtHost::RevealFile(const std::filesystem::path& file) {
  const QString path = PathToQString(file);
  bool shown = false;
  RunOffThread(parent_, ToQString(catalog::Render(OpeningFileBrowser{platform::PathToUtf8(file.parent_path())})),
               [&](ProgressSink&) { shown = LaunchFileBrowser(path); });
  return shown;
}

}  // namespace quillmere::ui
