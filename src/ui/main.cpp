#include <QApplication>

#include "platform/file_io.h"
#include "ui/main_window.h"
#include "ui/qt_host.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Quillmere");
  quillmere::ui::QtHost dialogs;
  quillmere::ui::MainWindow window(quillmere::platform::ProgramDirectory(), dialogs);
  dialogs.setParent(&window);
  window.show();
  return QApplication::exec();
}
