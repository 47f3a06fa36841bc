#include <QAction>
#include <QDir>
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "support/image_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"
#include "ui/main_window.h"
#include "widget_lookup.h"

using namespace quillmere::testing;
using quillmere::ByteBuffer;
using quillmere::ui::MainWindow;

namespace {

ByteBuffer ThreeSaves() {
  return MemsImageBuilder()
      .AddSave(1, 8, NamedSave("ALPHA", 3000, 1))
      .AddSave(2, 12, NamedSave("BETA", 100, 2))
      .AddSave(3, 13, NamedSave("GAMMA", 2000, 3))
      .Build();
}

// Runs `act` on the modal dialog of that name once it shows, from the event loop its exec() runs.
void WhenShown(const char* name, std::function<void(QDialog&)> act) {
  QTimer::singleShot(0, [name, act] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QDialog*>(widget);
      if (dialog && dialog->objectName() == name && dialog->isVisible()) {
        act(*dialog);
        return;
      }
    }
    WhenShown(name, act);
  });
}

}  // namespace

// A write in the window can be taken back: the pane menu's undo (Ctrl+Z)
// puts the file back as it was, and the history dialog shows the saves of
// an older version and exports one of them.
class UndoTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    history_ = std::make_unique<TempDir>();
    qputenv("QUILLMERE_HISTORY", QByteArray::fromStdString(history_->path().string()));
  }
  void cleanup() {
    qunsetenv("QUILLMERE_HISTORY");
    history_.reset();
  }

  void undoPutsTheFileBackAndCanItselfBeUndone() {
    TempDir dir;
    const auto image = dir / "SS_MEMS.BIN";
    WriteFile(image, ThreeSaves());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTableView* list = FindChild<QTableView>(window, "pane1List");
    list->setFocus();
    list->selectRow(1);
    host.answers = {true};
    QTest::keyClick(list, Qt::Key_Delete);
    const ByteBuffer deleted = ReadFile(image);
    QCOMPARE(Column(list, 1), QStringList({"ALPHA", "GAMMA"}));

    host.answers = {true};
    QTest::keyClick(list, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY2(host.questions.back().starts_with("把" + image.string() + "恢复为"), host.questions.back().c_str());
    QVERIFY2(host.questions.back().find("删除之前的样子？\r\n当时有3个存档，现在有2个。") != std::string::npos,
             host.questions.back().c_str());
    QVERIFY(ReadFile(image) == ThreeSaves());
    QCOMPARE(Column(list, 1), QStringList({"ALPHA", "BETA", "GAMMA"}));

    // Cancelled, nothing changes; taken, the undo is undone.
    host.answers = {false};
    FindChild<QAction>(window, "pane1Undo")->trigger();
    QVERIFY(ReadFile(image) == ThreeSaves());
    host.answers = {true};
    FindChild<QAction>(window, "pane1Undo")->trigger();
    QVERIFY(ReadFile(image) == deleted);
    QCOMPARE(Column(list, 1), QStringList({"ALPHA", "GAMMA"}));
  }

  void aSaveOfAnOlderVersionIsExportedFromTheHistory() {
    TempDir dir;
    const auto image = dir / "SS_MEMS.BIN";
    WriteFile(image, ThreeSaves());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    QTableView* list = FindChild<QTableView>(window, "pane1List");
    list->selectRow(1);
    host.answers = {true};
    FindChild<QAction>(window, "pane1Delete")->trigger();
    QCOMPARE(Column(list, 1), QStringList({"ALPHA", "GAMMA"}));

    QStringList versions, saves;
    WhenShown("HistoryDialog", [&](QDialog& history) {
      auto* table = history.findChild<QTableWidget*>("HistoryTable");
      for (int row = 0; row < table->rowCount(); ++row) versions << table->item(row, 2)->text();
      const QString folder = qEnvironmentVariable("QUILLMERE_SCREENSHOT_DIR", QDir::tempPath());
      QVERIFY(QDir().mkpath(folder) && history.grab().save(folder + "/history_dialog.png"));
      WhenShown("VersionSavesDialog", [&](QDialog& kept) {
        auto* listed = kept.findChild<QTableWidget*>("VersionSavesTable");
        for (int row = 0; row < listed->rowCount(); ++row) saves << listed->item(row, 1)->text();
        listed->selectRow(1);
        kept.findChild<QPushButton*>("VersionExport")->click();
        kept.reject();
        QTimer::singleShot(0, &history, &QDialog::reject);
      });
      table->selectRow(0);
      history.findChild<QPushButton*>("HistoryShowSaves")->click();
    });
    FindChild<QAction>(window, "pane1History")->trigger();

    QCOMPARE(versions, QStringList({"删除"}));
    QCOMPARE(saves, QStringList({"ALPHA", "BETA", "GAMMA"}));
    QCOMPARE(host.revealed.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(host.revealed.front().filename().string()), QString("BETA.bin"));
    QVERIFY(std::filesystem::exists(host.revealed.front()));
    QVERIFY2(host.messages.empty(), host.messages.empty() ? "" : host.messages.front().c_str());
  }

 private:
  std::unique_ptr<TempDir> history_;
};

QTEST_MAIN(UndoTest)
#include "undo_test.moc"
