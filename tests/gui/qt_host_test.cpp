#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "operations/file_writes.h"
#include "support/test_files.h"
#include "ui/qt_host.h"

using quillmere::testing::TempDir;
using quillmere::ui::QtHost;

namespace {

QString Text(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

// Writes an executable shell script.
void WriteScript(const std::filesystem::path& path, const std::string& body) {
  quillmere::testing::WriteFile(path, quillmere::ByteBuffer::FromText("#!/bin/sh\n" + body + "\n"));
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
}

}  // namespace

class QtHostTest : public QObject {
  Q_OBJECT

 private slots:
  // A run shows a busy cursor at once and its modal count after half a
  // second; Cancel is answered as a stop, and the end takes both away.
  void progressShowsLateAndCancelStops() {
    QWidget owner;
    QtHost host(&owner);
    QVERIFY(host.Progress(0, 3));
    QVERIFY(host.progressDialog() && !host.progressDialog()->isVisible());
    QVERIFY(QGuiApplication::overrideCursor() && QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor);
    QTest::qWait(700);
    QVERIFY(host.Progress(1, 3));
    QVERIFY(host.progressDialog()->isVisible() && host.progressDialog()->isModal());
    QCOMPARE(host.progressDialog()->labelText(), QString("正在处理：1/3"));
    host.progressDialog()->cancel();
    QVERIFY(!host.Progress(2, 3));
    QVERIFY(host.Progress(3, 3));
    QVERIFY(!host.progressDialog());
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
  }

  // Each box is titled and marked as what it is; a question's default is
  // Cancel, so Enter never replaces; a long box keeps the rest in its details.
  void boxesSayWhatTheyAre() {
    QWidget owner;
    QtHost host(&owner);
    struct Seen {
      QString title;
      QMessageBox::Icon icon;
      QString defaultButton;
      qsizetype lines;
      bool details;
    };
    std::vector<Seen> seen;
    QTimer answer;
    connect(&answer, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      seen.push_back({box->windowTitle(), box->icon(), box->defaultButton() ? box->defaultButton()->text() : QString(),
                      box->text().split("\r\n").size(), !box->detailedText().isEmpty()});
      box->reject();
    });
    answer.start(10);
    using quillmere::Message;
    using namespace quillmere;
    Message replace{ReplaceQuestion{1, 2, "GAME"}, {}};
    QVERIFY(!host.AskOkCancel(replace));
    host.ShowMessage({WriteFailed{"/x"}, {}});
    host.ShowMessage({BackupRamFull{}, {}});
    Message longRun{TransferSummary{0, 0, 40}, {}};
    for (int i = 0; i < 40; ++i) longRun.lines.push_back({SaveNameLine{"SAVE" + std::to_string(i)}, {}});
    host.ShowMessage(longRun);
    answer.stop();
    QCOMPARE(seen.size(), std::size_t{4});
    QCOMPARE(seen[0].title, QString("请确认"));
    QCOMPARE(seen[0].icon, QMessageBox::Question);
    QCOMPARE(seen[0].defaultButton, QString("Cancel"));
    QCOMPARE((std::pair{seen[1].title, seen[1].icon}), (std::pair{QString("错误"), QMessageBox::Critical}));
    QCOMPARE((std::pair{seen[2].title, seen[2].icon}), (std::pair{QString("警告"), QMessageBox::Warning}));
    QVERIFY(seen[3].lines <= 17 && seen[3].details);
  }

  // The filter shows its description once and lists only its pattern's
  // files; a folder that is not there gives the program folder, with no
  // file name typed in.
  void openDialogShowsTheFilterAndFolder() {
    TempDir dir;
    for (const char* folder : {"SSF", "SAROO"}) {
      quillmere::testing::WriteFile(dir / folder / "GAME.bin", quillmere::ByteBuffer::Filled(4, 0));
      quillmere::testing::WriteFile(dir / folder / "NOTES.txt", quillmere::ByteBuffer::Filled(4, 0));
    }
    struct Case {
      const char* filter;
      std::filesystem::path folder;
      std::filesystem::path opensIn;
      QStringList shown;
    };
    const Case cases[] = {
        {"SSF单存档文件（*.bin）|*.bin", dir / "SSF", dir / "SSF", {"SSF单存档文件（*.bin）"}},
        {"SAROO单存档（*.bin）|*.bin", dir / "SAROO", dir / "SAROO", {"SAROO单存档（*.bin）"}},
        {"SSF单存档文件（*.bin）|*.bin", dir / "BUP", dir.path(), {"SSF单存档文件（*.bin）"}},
        {"SAROO单存档（*.bin）|*.bin", dir / "GAME.bin", dir.path(), {"SAROO单存档（*.bin）"}},
        {"SAROO单存档（*.bin）|*.bin|BUP存档（*.bup）|*.bup", dir / "SAROO", dir / "SAROO",
         {"SAROO单存档（*.bin）", "BUP存档（*.bup）"}},
    };
    quillmere::testing::WriteFile(dir / "GAME.bin", quillmere::ByteBuffer::Filled(4, 0));
    for (const Case& c : cases) {
      QFileDialog dialog;
      quillmere::ui::PrepareOpenFileDialog(dialog, c.filter, c.folder, dir.path());
      dialog.setOption(QFileDialog::DontUseNativeDialog);
      dialog.show();
      QCOMPARE(dialog.directory().absolutePath(), QDir::fromNativeSeparators(Text(c.opensIn)));
      auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
      QVERIFY(types);
      QStringList shown;
      for (int i = 0; i < types->count(); ++i) shown << types->itemText(i);
      QCOMPARE(shown, c.shown);
      QCOMPARE(dialog.findChild<QLineEdit*>("fileNameEdit")->text(), QString());
      if (c.folder == c.opensIn) {
        auto* list = dialog.findChild<QListView*>("listView");
        QTRY_COMPARE(list->model()->rowCount(list->rootIndex()), 1);
        QCOMPARE(list->model()->index(0, 0, list->rootIndex()).data().toString(), QString("GAME.bin"));
      }
      dialog.close();
    }
  }

#if !defined(Q_OS_WIN) && !defined(Q_OS_MACOS)
  // A file written where no file browser can be started is announced in the
  // message box instead; where the launcher opens the folder, nothing shows.
  void writtenFileIsAnnouncedWhenItCannotBeShown() {
    TempDir dir;
    const auto file = dir / "SAROO" / "GAME.bin";
    quillmere::testing::WriteFile(file, quillmere::ByteBuffer::Filled(4, 0));
    const auto launchers = dir / "bin";
    std::filesystem::create_directories(launchers);
    const QByteArray oldPath = qgetenv("PATH");
    // No desktop bus: the launcher on PATH is all there is.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QByteArray::fromStdString((dir / "no-bus").string()));
    qputenv("PATH", QByteArray::fromStdString(launchers.string()) + ":/bin:/usr/bin");

    struct Case {
      const char* launcher;  // the xdg-open script, or none
      bool announced;
    };
    const Case cases[] = {
        {nullptr, true},
        {"echo \"$1\" > \"$(dirname \"$0\")/opened\"; exit 3", true},  // no program for folders
        {"echo \"$1\" > \"$(dirname \"$0\")/opened\"; exit 0", false},
    };
    for (const Case& c : cases) {
      std::filesystem::remove(launchers / "xdg-open");
      std::filesystem::remove(launchers / "opened");
      if (c.launcher) WriteScript(launchers / "xdg-open", c.launcher);
      QStringList shown;
      // Answers the message box the host opens, and notes its text.
      QTimer answer;
      connect(&answer, &QTimer::timeout, [&shown] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
          shown << box->windowTitle() + "|" + box->text();
          box->accept();
        }
      });
      answer.start(10);
      QtHost host;
      quillmere::RevealWrittenFile(host, file);
      answer.stop();
      const QStringList expected = c.announced ? QStringList{"信息|文件已写入：\r\n" + Text(file)} : QStringList{};
      QCOMPARE(shown, expected);
      if (c.launcher) {
        // The launcher was handed the folder.
        const quillmere::ByteBuffer opened = quillmere::testing::ReadFile(launchers / "opened");
        QCOMPARE(QString::fromUtf8(reinterpret_cast<const char*>(opened.data()), static_cast<qsizetype>(opened.size())),
                 Text(dir / "SAROO") + "\n");
      }
    }
    qputenv("PATH", oldPath);
  }
#endif
};

QTEST_MAIN(QtHostTest)
#include "qt_host_test.moc"
