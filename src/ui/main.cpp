#include <QApplication>
#include <QFileInfo>
#include <cstdio>
#include <filesystem>

#include "model/container_kind.h"
#include "platform/file_io.h"
#include "ui/main_window.h"
#include "ui/qt_host.h"

// quillmere [FOLDER]: pane 1 shows FOLDER as it would the program's folder,
// pane 2 its OTHER folder. A container file instead opens in pane 1.
int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Quillmere");
  // QApplication has taken its own options out of argv by now.
  if (argc > 2) {
    std::fputs("usage: quillmere [FOLDER]\n", stderr);
    return 2;
  }
  std::filesystem::path start;
  if (argc == 2) {
    const QFileInfo given(QString::fromLocal8Bit(argv[1]));
    const bool container = given.isFile() && quillmere::ContainerKindFromFileName(given.fileName().toStdString());
    if (!given.isDir() && !container) {
      std::fprintf(stderr, "quillmere: %s: not a folder or a container file\n", argv[1]);
      return 2;
    }
    start = quillmere::platform::PathFromUtf8(given.absoluteFilePath().toStdString());
  }
  quillmere::ui::QtHost dialogs;
  quillmere::ui::MainWindow window(quillmere::platform::ProgramDirectory(), dialogs);
  dialogs.setParent(&window);
  if (!start.empty()) {
    if (std::filesystem::is_directory(start)) window.ShowFolder(start);
    else window.OpenInPane(1, start);
  }
  window.show();
  return QApplication::exec();
}
