#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QProgressDialog>
#include <QPainter>
#include <QTableView>
#include <QToolTip>
#include <QtTest>

#include "catalog/catalog.h"
#include "containers/mems_image.h"
#include "operations/save_transfer.h"
#include "platform/file_lock.h"
#include "support/backup_ram_builder.h"
#include "support/image_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"
#include "ui/main_window.h"
#include "widget_lookup.h"

using namespace quillmere::testing;
using quillmere::ByteBuffer;
using quillmere::mems::CheckMemsImage;
using quillmere::ui::MainWindow;
namespace fs = std::filesystem;

namespace {

ByteBuffer ThreeSaves() {
  return MemsImageBuilder().AddSave(1, 8, NamedSave("ALPHA", 3000, 1)).AddSave(2, 12, NamedSave("BETA", 100, 2))
      .AddSave(3, 13, NamedSave("GAMMA", 2000, 3)).Build();
}

// BETA names ALPHA's cluster 10 too, and the free count is wrong.
ByteBuffer Damaged() {
  return MemsImageBuilder().AddSave(1, 8, NamedSave("ALPHA", 3000, 1)).AddSave(2, 20, NamedSave("BETA", 2000, 2), {10, 21})
      .SetFreeClusterCount(8000).Build();
}

QString Problems(const ByteBuffer& image, const char* newline) {
  QString text = "存档文件有问题：";
  for (const quillmere::Problem& problem : CheckMemsImage(image)) {
    text += newline + QString::fromStdString(quillmere::catalog::Render(problem.AsMessage()));
  }
  return text;
}

// Enters `site` with `data` and, when accepted, drops it; the drop's work runs once events are processed.
bool Drop(QWidget* site, const QMimeData& data) {
  QDragEnterEvent enter(site->rect().center(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(site, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(site->rect().center(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(site, &drop);
  QCoreApplication::processEvents();
  return drop.isAccepted();
}

bool DropFiles(QWidget* site, const std::vector<fs::path>& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const auto& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path.string()));
  data.setUrls(urls);
  return Drop(site, data);
}

}  // namespace

class PaneCareAndDropsTest : public QObject {
  Q_OBJECT

 private slots:
  void menuDeleteKeyWarningCheckAndRepair() {
    TempDir dir;
    WriteFile(dir / "SS_MEMS.BIN", ThreeSaves());
    WriteFile(dir / "OTHER" / "SS_MEMS.BIN", Damaged());
    WriteFile(dir / "OTHER" / "BKRAMSV.BIN", BackupRamBuilder().AddSave(2, NamedSave("RAM", 100)).BuildFile());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTableView* list = FindChild<QTableView>(window, "pane1List");
    const QPoint at = list->viewport()->rect().center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(list->viewport(), &click);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QStringList entries;
    for (const QAction* action : menu->actions()) {
      if (!action->isSeparator() && action->isVisible()) entries << action->text();
    }
    QCOMPARE(entries, QStringList({"导出为BUP", "导出为SRO", "导入到游戏…", "删除", "检查", "修复", "撤销上次修改", "历史版本…", "打开文件…", "打开文件夹…",
                                   "回到程序目录", "中文", "English"}));
    menu->close();
    // The menu's own activation, still queued, must not be the last word once slow work lets events run.
    QApplication::processEvents();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    // The warning after the figure, its tooltip and "检查" tell the same problems; "修复" ends them.
    QLabel* warning = FindChild<QLabel>(window, "pane2Warning");
    QLabel* number = FindChild<QLabel>(window, "pane2Number");
    QCOMPARE(warning->toolTip(), Problems(Damaged(), "\n"));
    QVERIFY(warning->isVisible() && warning->x() >= number->x() + number->fontMetrics().horizontalAdvance(number->text()));
    QVERIFY(!FindChild<QLabel>(window, "pane1Warning")->isVisible());
    struct Case { const char* action; std::vector<bool> answers; std::string said; };
    for (const Case& c : {Case{"pane2Check", {}, Problems(Damaged(), "\r\n").toStdString()},
                          Case{"pane1Check", {}, "未发现问题。"}, Case{"pane1Delete", {}, "请先选中要删除的存档！"},
                          Case{"pane2Repair", {true}, "修复完成！"}}) {
      host.answers = {c.answers.begin(), c.answers.end()};
      FindChild<QAction>(window, c.action)->trigger();
      QVERIFY2(host.messages.back().starts_with(c.said), c.action);
    }
    // The shared cluster is left for the user, and still shown.
    QVERIFY(host.messages.back().find("无法修复：\r\n槽位2与槽位1共用簇10") != std::string::npos);
    QCOMPARE(CheckMemsImage(ReadFile(dir / "OTHER" / "SS_MEMS.BIN")).size(), std::size_t{1});
    QCOMPARE(warning->toolTip(), Problems(ReadFile(dir / "OTHER" / "SS_MEMS.BIN"), "\n"));

    // The Delete key asks first, deletes, says nothing; a read-only kind disables it.
    list->setFocus();
    list->selectRow(1);
    host.answers = {false, true};
    const std::size_t said = host.messages.size();
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(list->model()->rowCount(), 3);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(host.questions.back(), std::string("是否删除选中的1个存档？\r\nBETA"));
    QCOMPARE(Column(list, 1), QStringList({"ALPHA", "GAMMA"}));
    QCOMPARE(host.messages.size(), said);
    QVERIFY(CheckMemsImage(ReadFile(dir / "SS_MEMS.BIN")).empty());
    FindChild<QComboBox>(window, "pane2Kind")->setCurrentIndex(1);
    QCOMPARE((std::vector<bool>{FindChild<QAction>(window, "pane2Delete")->isEnabled(),
                                FindChild<QAction>(window, "pane2Check")->isEnabled(),
                                FindChild<QAction>(window, "pane2Repair")->isEnabled()}),
             (std::vector<bool>{true, true, false}));
  }

  void drops() {
    TempDir dir;
    WriteFile(dir / "SS_MEMS.BIN", ThreeSaves());
    WriteFile(dir / "OTHER" / "SS_MEMS.BIN", MemsImageBuilder().Build());
    WriteFile(dir / "card" / "ss_mems.bin", MemsImageBuilder().AddSave(1, 8, NamedSave("CARD", 500, 4)).Build());
    WriteFile(dir / "card" / "BKRAMSV.BIN", BackupRamBuilder().AddSave(2, NamedSave("RAM", 100)).BuildFile());
    WriteFile(dir / "card" / "Game.bkr", BackupRamBuilder().AddSave(2, NamedSave("EMU", 100)).BuildRam());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    QTableView* pane1 = FindChild<QTableView>(window, "pane1List");
    QTableView* pane2 = FindChild<QTableView>(window, "pane2List");

    // Rows: only this window's, from the other pane, onto SS_MEMS.BIN.
    pane1->selectRow(0);
    pane1->selectionModel()->select(pane1->model()->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    std::unique_ptr<QMimeData> rows(pane1->model()->mimeData(pane1->selectionModel()->selectedIndexes()));
    QMimeData foreign;
    foreign.setData(quillmere::ui::kPaneRowsMimeType, "1 2 1");
    QVERIFY(!Drop(pane1->viewport(), *rows) && !Drop(pane2->viewport(), foreign));
    QVERIFY(Drop(pane2->viewport(), *rows));
    QCOMPARE(Column(pane2, 1), QStringList({"ALPHA", "GAMMA"}));
    // Dropped again, both are skipped for their names, and the run is told
    // as the transfer button tells it.
    const std::size_t beforeDrag = host.messages.size();
    QVERIFY(Drop(pane2->viewport(), *rows));
    QCOMPARE(host.messages.size(), beforeDrag + 1);
    QCOMPARE(host.messages.back(), std::string("已转移0个存档，2个因同名跳过，0个被拒绝。\r\n未导入的存档：\r\n"
                                               "ALPHA：\r\n已有同名存档\r\nGAMMA：\r\n已有同名存档"));

    // Several single saves: imported as a transfer would, a listed name
    // skipped without a question, and the run told in one message.
    pane1->selectRow(1);
    QCOMPARE(quillmere::ExportSingleSave(window.bench(), 1).outcome, quillmere::ExportOutcome::kWritten);
    std::size_t said = host.messages.size();
    QVERIFY(DropFiles(pane2->viewport(), {dir / "SAROO" / "BETA.bin", dir / "SAROO" / "GAMMA.bin"}));
    QCOMPARE(Column(pane2, 1), QStringList({"ALPHA", "GAMMA", "BETA"}));
    QVERIFY(host.questions.empty());
    QCOMPARE(host.messages.size(), said + 1);
    QCOMPARE(host.messages.back(), std::string("已导入1个存档，1个因同名跳过，0个被拒绝。\r\n未导入的存档：\r\nGAMMA：\r\n已有同名存档"));
    // A .SRO is taken by its content: a good one goes in, a damaged one is refused.
    pane1->selectRow(0);
    FindChild<QAction>(window, "pane1ExportSro")->trigger();
    ByteBuffer damaged = ReadFile(dir / "SRO" / "ALPHA.SRO");
    damaged.MustWrite(100, ByteBuffer{static_cast<std::uint8_t>(damaged.At(100) ^ 1)});
    WriteFile(dir / "SRO" / "DAMAGED.sro", damaged);
    said = host.messages.size();
    QVERIFY(DropFiles(pane2->viewport(), {dir / "SRO" / "DAMAGED.sro", dir / "SRO" / "ALPHA.SRO"}));
    QCOMPARE(host.messages.size(), said + 1);
    QCOMPARE(host.messages.back(), "已导入0个存档，1个因同名跳过，1个被拒绝。\r\n未导入的存档：\r\nDAMAGED.sro：\r\n存档校验失败！\r\n" +
                                       (dir / "SRO" / "DAMAGED.sro").string() + "\r\nALPHA：\r\n已有同名存档");
    QCOMPARE(Column(pane2, 1), QStringList({"ALPHA", "GAMMA", "BETA"}));
    // One file alone is imported as "导入" takes it: asked about its name, then told.
    host.answers = {true};
    QVERIFY(DropFiles(pane2->viewport(), {dir / "SRO" / "ALPHA.SRO"}));
    QCOMPARE(host.questionHeads.back(), std::string("是否替换列表2已有存档？\r\n1:ALPHA"));
    QCOMPARE(host.messages.back(), std::string("导入完成！"));

    // A container file or a folder opens where it lies; the writers write there.
    const ByteBuffer programImage = ReadFile(dir / "SS_MEMS.BIN");
    QVERIFY(DropFiles(pane2->viewport(), {dir / "card" / "BKRAMSV.BIN"}));
    QCOMPARE(Column(pane2, 1), QStringList({"RAM"}));
    QVERIFY(FindChild<QLabel>(window, "pane2FileLabel")->toolTip().startsWith(QString::fromStdString((dir / "card" / "BKRAMSV.BIN").string())));
    FindChild<QComboBox>(window, "pane2Kind")->setCurrentIndex(0);
    QCOMPARE(Column(pane2, 1), QStringList({"CARD"}));
    // An emulator's memory opens by its content, whatever its name, from a pane of another kind.
    QVERIFY(DropFiles(pane2->viewport(), {dir / "card" / "Game.bkr"}));
    QCOMPARE(Column(pane2, 1), QStringList({"EMU"}));
    QCOMPARE(FindChild<QLabel>(window, "pane2FileLabel")->text(), QString("Game.bkr\nMednafen"));
    FindChild<QComboBox>(window, "pane2Kind")->setCurrentIndex(0);
    QVERIFY(DropFiles(pane1->viewport(), {dir / "card"}));
    QCOMPARE(FindChild<QLabel>(window, "pane1FileLabel")->text(), QString("ss_mems.bin\ncard"));
    pane1->selectRow(0);
    host.answers = {true};
    FindChild<QAction>(window, "pane1Delete")->trigger();
    QVERIFY(quillmere::mems::ListMemsSaves(ReadFile(dir / "card" / "ss_mems.bin")).empty());
    QCOMPARE(ReadFile(dir / "SS_MEMS.BIN"), programImage);

    // A converter panel takes a file as "..." would; the folder argument moves both panes.
    QVERIFY(DropFiles(FindChild<QWidget>(window, "sarooPanel"), {dir / "SAROO" / "BETA.bin"}));
    QCOMPARE(FindChild<QLineEdit>(window, "sarooPath")->text(), QString::fromStdString((dir / "SAROO" / "BETA.bin").string()));
    WriteFile(dir / "card" / "OTHER" / "SS_MEMS.BIN", ThreeSaves());
    window.ShowFolder(dir / "card");
    QCOMPARE(pane2->model()->rowCount(), 3);
  }

  // A delete that waits on another program's lock: meanwhile the window's
  // thread goes on (timers, the dialog that names the file) and takes no
  // second action; the delete lands once the lock is let go.
  void aWriteWaitingOnALockLeavesTheWindowResponding() {
#ifdef _WIN32
    QSKIP("the lock is held by flock(1)");
#endif
    TempDir dir;
    const fs::path image = dir / "SS_MEMS.BIN";
    WriteFile(image, ThreeSaves());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTableView* list = FindChild<QTableView>(window, "pane1List");
    list->setFocus();
    list->selectRow(1);

    QProcess holder;
    holder.start("flock", {"-x", QString::fromStdString(quillmere::platform::LockFilePath(image).string()), "sleep", "1.2"});
    QVERIFY(holder.waitForStarted());
    QTRY_VERIFY(quillmere::platform::FileLock::Acquire(image, std::chrono::milliseconds(0)).status() ==
                quillmere::platform::LockStatus::kBusy);

    int ticks = 0;
    QString dialogSaid;
    QTimer tick;
    connect(&tick, &QTimer::timeout, [&] {
      ++ticks;
      QTest::keyClick(list, Qt::Key_Delete);  // a second action, refused while the first writes
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QProgressDialog*>(widget); dialog && dialog->isVisible()) {
          dialogSaid = dialog->labelText();
        }
      }
    });
    tick.start(50);
    host.answers = {true, true};
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(list, Qt::Key_Delete);
    tick.stop();

    QVERIFY2(clock.elapsed() >= 700, "the delete waited for the lock");
    QVERIFY(ticks >= 10);
    QVERIFY2(dialogSaid.startsWith("正在写入文件，请稍候") && dialogSaid.contains("SS_MEMS.BIN"), qPrintable(dialogSaid));
    QCOMPARE(host.questions.size(), std::size_t{1});
    QCOMPARE(Column(list, 1), QStringList({"ALPHA", "GAMMA"}));
    QCOMPARE(quillmere::testing::ReadFile(image), [] {
      return MemsImageBuilder().AddSave(1, 8, NamedSave("ALPHA", 3000, 1)).AddSave(3, 13, NamedSave("GAMMA", 2000, 3)).Build();
    }());
    holder.waitForFinished();
  }

  void screenshotOfADamagedPane() {
    TempDir dir;
    WriteFile(dir / "SS_MEMS.BIN", Damaged());
    WriteFile(dir / "OTHER" / "SS_MEMS.BIN", ThreeSaves());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The tooltip is a window of its own: painted onto the shot above the "!".
    QImage shot = window.grab().toImage();
    QLabel* warning = FindChild<QLabel>(window, "pane1Warning");
    QToolTip::showText(warning->mapToGlobal(QPoint()), warning->toolTip(), warning);
    QWidget* tip = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->inherits("QTipLabel") && widget->isVisible()) tip = widget;
    }
    QVERIFY(tip);
    QPainter(&shot).drawPixmap(warning->mapTo(&window, QPoint(0, -tip->height() - 4)), tip->grab());
    const QString folder = qEnvironmentVariable("QUILLMERE_SCREENSHOT_DIR", QDir::tempPath());
    QVERIFY(QDir().mkpath(folder) && shot.save(folder + "/damaged_pane.png"));
  }
};

QTEST_MAIN(PaneCareAndDropsTest)
#include "pane_care_and_drops_test.moc"
