#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QSettings>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "catalog/catalog.h"
#include "model/container_kind.h"
#include "operations/pane_load.h"
#include "platform/file_io.h"
#include "platform/working_folder.h"
#include "ui/history_dialog.h"
#include "ui/language.h"
#include "ui/main_window.h"
#include "ui/qt_host.h"
#include "ui/slow_work.h"

namespace {

// QUILLMERE_SCREENSHOT=FILE.png: once the window has shown its files, saves
// a picture of it, prints each list shown with its row height and whether a
// horizontal scroll bar covers it, and quits. For checking the window on a
// platform one cannot sit at, such as Windows under Wine.
void ScreenshotAndQuit(QWidget& window, const QString& file) {
  if (quillmere::ui::SlowWorkRunning()) {
    QTimer::singleShot(200, &window, [&window, file] { ScreenshotAndQuit(window, file); });
    return;
  }
  const bool saved = window.grab().save(file);
  std::printf("screenshot %s: %s\n", saved ? "saved" : "NOT saved", file.toLocal8Bit().constData());
  for (const QTableView* list : window.findChildren<QTableView*>()) {
    if (!list->isVisible()) continue;
    std::printf("list %s: rows %d, row height %d, horizontal scroll bar %s\n", list->objectName().toUtf8().constData(),
                list->model() ? list->model()->rowCount() : 0,
                list->model() && list->model()->rowCount() > 0 ? list->rowHeight(0) : list->verticalHeader()->defaultSectionSize(),
                list->horizontalScrollBar()->isVisible() ? "shown" : "hidden");
  }
  std::fflush(stdout);
  QApplication::exit(saved ? 0 : 1);
}

}  // namespace

// quillmere [--language zh|en] [FOLDER]: pane 1 shows FOLDER as it would the program's folder,
// pane 2 its OTHER folder. A container file instead opens in pane 1. An
// installed program cannot write its own folder, so it works in the user's
// documents folder instead.
int main(int argc, char** argv) {
  // Answered before Qt starts, so that they need no display.
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--version") {
      std::printf("quillmere %s\n", QUILLMERE_VERSION);
      return 0;
    }
    if (arg == "--help" || arg == "-h") {
      std::printf("%s\n", quillmere::ui::Caption(quillmere::ui::UiText::kWindowUsage).c_str());
      return 0;
    }
  }
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Quillmere");
  QApplication::setApplicationName("Quillmere");
  // Ties the window to its menu entry, on Wayland by this name; on X11 the
  // entry's StartupWMClass names the application.
  QGuiApplication::setDesktopFileName("org.quillmere.Quillmere");
  // QApplication has taken its own options out of argv by now.
  const quillmere::catalog::LanguageArgument language =
      quillmere::catalog::TakeLanguageOption(std::vector<std::string>(argv + 1, argv + argc));
  QSettings settings;
  quillmere::ui::UseLanguage(quillmere::ui::StartLanguage(language.value, settings));
  quillmere::ui::ApplyHistorySettings(settings);
  const std::vector<std::string>& args = language.rest;
  const bool languageKnown = !language.value || quillmere::catalog::LanguageNamed(*language.value);
  if (args.size() > 1 || !languageKnown) {
    std::fprintf(stderr, "%s\n", quillmere::ui::Caption(quillmere::ui::UiText::kWindowUsage).c_str());
    return 2;
  }
  std::optional<std::filesystem::path> start;
  if (args.size() == 1) {
    const QFileInfo given(QString::fromLocal8Bit(args.front().c_str()));
    const bool container =
        given.isFile() && quillmere::ContainerKindOfFile(quillmere::platform::PathFromUtf8(given.absoluteFilePath().toStdString()));
    if (!given.isDir() && !container) {
      const std::string refusal = quillmere::ui::Say(quillmere::ui::WindowNotAFolder{args.front()});
      std::fprintf(stderr, "%s\n", refusal.c_str());
      return 2;
    }
    start = quillmere::platform::PathFromUtf8(given.absoluteFilePath().toStdString());
  }
  namespace platform = quillmere::platform;
  const std::filesystem::path program = platform::ProgramDirectory();
#ifdef QUILLMERE_INSTALLED_BINDIR
  // A copy installed by the package never writes beside itself, as root neither.
  const bool installed = platform::SameFolder(program, QUILLMERE_INSTALLED_BINDIR);
#else
  const bool installed = false;
#endif
  const bool programWritable = !installed && platform::FolderIsWritable(program);
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  const std::filesystem::path documentsFolder =
      platform::PathFromUtf8((documents.isEmpty() ? QDir::homePath() : documents).toStdString());
  std::error_code unreadable;  // a folder that cannot be looked at is no folder given
  const bool folderGiven = start && std::filesystem::is_directory(*start, unreadable);
  const platform::StartFolders folders = platform::ChooseStartFolders(
      program, programWritable, documentsFolder, folderGiven ? start : std::nullopt);
  // The user folder is made on the first start, with the OTHER folder pane 2 reads.
  if (!programWritable) platform::EnsureDirectory(folders.working / "OTHER");

  quillmere::ui::QtHost dialogs;
  dialogs.setFallbackFolder(folders.working);
  quillmere::ui::MainWindow window(folders.working, dialogs,
                                   folders.besideProgram ? quillmere::ui::WorkingFolderPlace::kProgramFolder
                                                         : quillmere::ui::WorkingFolderPlace::kUserFolder);
  dialogs.setParent(&window);
  window.setLanguageChosen([&settings](quillmere::catalog::Language chosen) {
    quillmere::ui::RememberLanguage(settings, chosen);
  });
  if (folders.shown != folders.working) window.ShowFolder(folders.shown);
  else if (start && !folderGiven) window.OpenInPane(1, *start);
  window.show();
  const QString screenshot = qEnvironmentVariable("QUILLMERE_SCREENSHOT");
  if (!screenshot.isEmpty()) {
    // A second for the window manager to place and draw the window.
    QTimer::singleShot(1000, &window, [&window, screenshot] { ScreenshotAndQuit(window, screenshot); });
  }
  return QApplication::exec();
}
