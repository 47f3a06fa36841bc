#include "ui/qt_host.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

#ifdef QUILLMERE_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#endif

#include "model/messages.h"
#include "platform/file_io.h"

namespace quillmere::ui {

namespace {

QString ToQString(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QString PathToQString(const std::filesystem::path& path) { return ToQString(platform::PathToUtf8(path)); }

int RunMessageBox(QWidget* parent, std::string_view text, QMessageBox::StandardButtons buttons) {
  QMessageBox box(QMessageBox::NoIcon, ToQString(messages::kCaption), ToQString(text), buttons, parent);
  return box.exec();
}

}  // namespace

QString DialogFilter(std::string_view filter) {
  const QString text = ToQString(filter);
  const qsizetype bar = text.indexOf('|');
  if (bar < 0) return text;
  return text.left(bar) + " (" + text.mid(bar + 1).replace(';', ' ') + ")";
}

void QtHost::ShowMessage(std::string_view text) { RunMessageBox(parent_, text, QMessageBox::Ok); }

bool QtHost::AskOkCancel(std::string_view text) {
  return RunMessageBox(parent_, text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

std::optional<std::filesystem::path> QtHost::PickOpenFile(std::string_view filter,
                                                          const std::filesystem::path& initialFolder) {
  // The dialog keeps the system's own title.
  const QString chosen = QFileDialog::getOpenFileName(parent_, QString(), PathToQString(initialFolder), DialogFilter(filter));
  if (chosen.isEmpty()) return std::nullopt;
  return platform::PathFromUtf8(chosen.toStdString());
}

bool QtHost::RevealFile(const std::filesystem::path& file) {
  const QString path = PathToQString(file);
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
  return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
#endif
}

}  // namespace quillmere::ui
