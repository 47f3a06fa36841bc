#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QTableView>
#include <QToolTip>
#include <QUrl>
#include <QtTest>

#include "containers/mems_image.h"
#include "model/messages.h"
#include "operations/save_transfer.h"
#include "support/backup_ram_builder.h"
#include "support/image_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"
#include "ui/main_window.h"
#include "widget_lookup.h"

using quillmere::ByteBuffer;
using quillmere::testing::BackupRamBuilder;
using quillmere::testing::Column;
using quillmere::testing::FindChild;
using quillmere::testing::MemsImageBuilder;
using quillmere::testing::NamedSave;
using quillmere::testing::ReadFile;
using quillmere::testing::ScriptedHost;
using quillmere::testing::TempDir;
using quillmere::testing::WriteFile;
using quillmere::ui::MainWindow;
namespace fs = std::filesystem;

namespace {

ByteBuffer ThreeSaves() {
  return MemsImageBuilder()
      .AddSave(1, 8, NamedSave("ALPHA", 3000, 1))
      .AddSave(2, 12, NamedSave("BETA", 100, 2))
      .AddSave(3, 13, NamedSave("GAMMA", 2000, 3))
      .Build();
}

// BETA names ALPHA's cluster 10 as well, and the free count is wrong.
ByteBuffer DamagedImage() {
  return MemsImageBuilder()
      .AddSave(1, 8, NamedSave("ALPHA", 3000, 1))
      .AddSave(2, 20, NamedSave("BETA", 2000, 2), {10, 21})
      .SetFreeClusterCount(8000)
      .Build();
}

QMenu* OpenContextMenu(QTableView* list) {
  const QPoint at = list->viewport()->rect().center();
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
  QCoreApplication::sendEvent(list->viewport(), &event);
  return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

// A drag that enters `site` and, when accepted, is dropped there; the work a
// drop starts runs once the event loop turns.
bool Drop(QWidget* site, const QMimeData& data) {
  const QPoint at = site->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(site, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(site, &drop);
  QCoreApplication::processEvents();
  return drop.isAccepted();
}

std::unique_ptr<QMimeData> Files(const std::vector<fs::path>& paths) {
  auto data = std::make_unique<QMimeData>();
  QList<QUrl> urls;
  for (const auto& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path.string()));
  data->setUrls(urls);
  return data;
}

std::unique_ptr<QMimeData> DraggedRows(QTableView* list) {
  return std::unique_ptr<QMimeData>(list->model()->mimeData(list->selectionModel()->selectedIndexes()));
}

QString Problems(const ByteBuffer& image, const char* newline) {
  QString text = "存档文件有问题：";
  for (const std::string& problem : quillmere::mems::CheckMemsImage(image)) text += newline + QString::fromStdString(problem);
  return text;
}

}  // namespace

class PaneCareAndDropsTest : public QObject {
  Q_OBJECT

 private slots:
  // Each pane's menu offers what its kind allows; the Delete key asks, then deletes.
  void contextMenuAndDeleteKey() {
    TempDir dir;
    WriteFile(dir / "SS_MEMS.BIN", ThreeSaves());
    WriteFile(dir / "OTHER" / "BKRAMSV.BIN", BackupRamBuilder().AddSave(2, NamedSave("RAM", 100)).BuildFile());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    FindChild<QComboBox>(window, "pane2Kind")->setCurrentIndex(1);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    struct Case {
      const char* list;
      std::vector<bool> enabled;  // 删除, 检查, 修复
    };
    for (const Case& c : {Case{"pane1List", {true, true, true}}, Case{"pane2List", {false, true, false}}}) {
      QMenu* menu = OpenContextMenu(FindChild<QTableView>(window, c.list));
      QVERIFY2(menu && menu->isVisible(), c.list);
      QStringList captions;
      std::vector<bool> enabled;
      for (QAction* action : menu->actions()) {
        captions << action->text();
        enabled.push_back(action->isEnabled());
      }
      QCOMPARE(captions, QStringList({"删除", "检查", "修复"}));
      QVERIFY2(enabled == c.enabled, c.list);
      menu->close();
    }

    QTableView* list = FindChild<QTableView>(window, "pane1List");
    FindChild<QAction>(window, "pane1Delete")->trigger();
    QCOMPARE(host.messages.back(), std::string("请先选中要删除的存档！"));
    list->setFocus();
    list->selectRow(1);
    host.answers = {false};
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(host.questions.back(), std::string("是否删除选中的1个存档？"));
    QCOMPARE(Column(list, 1), QStringList({"ALPHA", "BETA", "GAMMA"}));
    host.answers = {true};
    const std::size_t messages = host.messages.size();
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(Column(list, 1), QStringList({"ALPHA", "GAMMA"}));
    QCOMPARE(host.messages.size(), messages);  // nothing said on success
    QVERIFY(quillmere::mems::CheckMemsImage(ReadFile(dir / "SS_MEMS.BIN")).empty());
    // The key does nothing on a read-only pane.
    FindChild<QTableView>(window, "pane2List")->setFocus();
    FindChild<QTableView>(window, "pane2List")->selectRow(0);
    QTest::keyClick(FindChild<QTableView>(window, "pane2List"), Qt::Key_Delete);
    QCOMPARE(host.questions.size(), std::size_t{2});
  }

  // A damaged image shows a red "!" after its figure until it is repaired;
  // "检查" reports the same problems.
  void warningCheckAndRepair() {
    TempDir dir;
    MemsImageBuilder wrongCount;
    wrongCount.AddSave(1, 8, NamedSave("ALPHA", 3000, 1));
    wrongCount.SetFreeClusterCount(100);
    WriteFile(dir / "SS_MEMS.BIN", wrongCount.Build());
    WriteFile(dir / "OTHER" / "SS_MEMS.BIN", ThreeSaves());
    ScriptedHost host;
    MainWindow window(dir.path(), host);

    QLabel* warning = FindChild<QLabel>(window, "pane1Warning");
    QLabel* number = FindChild<QLabel>(window, "pane1Number");
    QVERIFY(!warning->isHidden());
    QCOMPARE(warning->toolTip(), Problems(wrongCount.Build(), "\n"));
    QVERIFY(warning->x() >= number->x() + number->fontMetrics().horizontalAdvance(number->text()));
    QVERIFY(warning->geometry().right() < FindChild<QLabel>(window, "pane1FileLabel")->x());
    QVERIFY(FindChild<QLabel>(window, "pane2Warning")->isHidden());

    FindChild<QAction>(window, "pane1Check")->trigger();
    QCOMPARE(QString::fromStdString(host.messages.back()), Problems(wrongCount.Build(), "\r\n"));
    FindChild<QAction>(window, "pane2Check")->trigger();
    QCOMPARE(host.messages.back(), std::string("未发现问题。"));

    host.answers = {true};
    FindChild<QAction>(window, "pane1Repair")->trigger();
    QCOMPARE(host.questions.back(), std::string("是否修复存档文件？"));
    QVERIFY(host.messages.back().starts_with("修复完成！"));
    QVERIFY(warning->isHidden());
    QVERIFY(warning->toolTip().isEmpty());
    FindChild<QAction>(window, "pane1Check")->trigger();
    QCOMPARE(host.messages.back(), std::string("未发现问题。"));
  }

  // Rows dragged onto the other pane are transferred; only this window's
  // rows from the other pane count, and only an SS_MEMS.BIN pane takes them.
  void rowsDroppedOnTheOtherPane() {
    TempDir dir;
    WriteFile(dir / "SS_MEMS.BIN", ThreeSaves());
    WriteFile(dir / "OTHER" / "SS_MEMS.BIN", MemsImageBuilder().Build());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    QTableView* source = FindChild<QTableView>(window, "pane1List");
    QTableView* target = FindChild<QTableView>(window, "pane2List");
    QVERIFY(source->dragEnabled());
    source->selectRow(0);
    source->selectionModel()->select(source->model()->index(2, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const auto rows = DraggedRows(source);
    QVERIFY(rows);

    QVERIFY(!Drop(source->viewport(), *rows));  // onto its own pane
    QMimeData foreign;
    foreign.setData(quillmere::ui::kPaneRowsMimeType, "1 2 1");
    QVERIFY(!Drop(target->viewport(), foreign));  // another window's rows
    FindChild<QComboBox>(window, "pane2Kind")->setCurrentIndex(1);
    QVERIFY(!Drop(target->viewport(), *rows));  // a read-only kind
    FindChild<QComboBox>(window, "pane2Kind")->setCurrentIndex(0);
    QCOMPARE(target->model()->rowCount(), 0);

    QVERIFY(Drop(target->viewport(), *rows));
    QCOMPARE(Column(target, 1), QStringList({"ALPHA", "GAMMA"}));
    QVERIFY(quillmere::mems::CheckMemsImage(ReadFile(dir / "OTHER" / "SS_MEMS.BIN")).empty());
    QVERIFY(host.questions.empty());
  }

  // Single saves dropped on a pane are imported one by one with the import's
  // questions; a container file or a folder opens where it lies, and the
  // pane's writers write there.
  void filesAndFoldersDroppedOnPanes() {
    TempDir dir;
    WriteFile(dir / "SS_MEMS.BIN", ThreeSaves());
    WriteFile(dir / "OTHER" / "SS_MEMS.BIN", MemsImageBuilder().Build());
    WriteFile(dir / "card" / "ss_mems.bin", MemsImageBuilder().AddSave(1, 8, NamedSave("CARD", 500, 4)).Build());
    WriteFile(dir / "card" / "BKRAMSV.BIN", BackupRamBuilder().AddSave(2, NamedSave("RAM", 100)).BuildFile());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    QTableView* pane1 = FindChild<QTableView>(window, "pane1List");
    QTableView* pane2 = FindChild<QTableView>(window, "pane2List");
    for (const int row : {0, 2}) {
      pane1->selectRow(row);
      QCOMPARE(quillmere::ExportSingleSave(window.bench(), 1).outcome, quillmere::ExportOutcome::kWritten);
    }
    const fs::path alpha = dir / "SAROO" / "ALPHA.bin", gamma = dir / "SAROO" / "GAMMA.bin";

    QVERIFY(Drop(pane2->viewport(), *Files({alpha, gamma})));
    QCOMPARE(Column(pane2, 1), QStringList({"ALPHA", "GAMMA"}));
    QCOMPARE(host.messages, std::vector<std::string>(2, "导入完成！"));
    QVERIFY(host.filePicks.empty());
    host.answers = {false};
    QVERIFY(Drop(pane2->viewport(), *Files({gamma})));
    QCOMPARE(host.questions, std::vector<std::string>{"是否替换列表2已有存档？\r\n2:GAMMA"});

    // A container file: the pane takes its kind and shows its path.
    const ByteBuffer programImage = ReadFile(dir / "SS_MEMS.BIN");
    QVERIFY(Drop(pane2->viewport(), *Files({dir / "card" / "BKRAMSV.BIN"})));
    QCOMPARE(FindChild<QComboBox>(window, "pane2Kind")->currentIndex(), 1);
    QCOMPARE(Column(pane2, 1), QStringList({"RAM"}));
    QLabel* label2 = FindChild<QLabel>(window, "pane2FileLabel");
    QVERIFY(label2->text().endsWith("\nBKRAMSV.BIN"));
    QCOMPARE(label2->toolTip(), QDir::toNativeSeparators(QString::fromStdString((dir / "card" / "BKRAMSV.BIN").string())));
    // Another kind there: that folder's file of the kind.
    FindChild<QComboBox>(window, "pane2Kind")->setCurrentIndex(0);
    QCOMPARE(Column(pane2, 1), QStringList({"CARD"}));
    QCOMPARE(window.bench().pane(2).file, dir / "card" / "ss_mems.bin");

    // A folder: its file of the pane's kind; a delete writes there.
    QVERIFY(Drop(pane1->viewport(), *Files({dir / "card"})));
    QCOMPARE(Column(pane1, 1), QStringList({"CARD"}));
    QVERIFY(FindChild<QLabel>(window, "pane1FileLabel")->text().endsWith("\nss_mems.bin"));
    pane1->selectRow(0);
    host.answers = {true};
    FindChild<QAction>(window, "pane1Delete")->trigger();
    QCOMPARE(pane1->model()->rowCount(), 0);
    QVERIFY(quillmere::mems::ListMemsSaves(ReadFile(dir / "card" / "ss_mems.bin")).empty());
    QCOMPARE(ReadFile(dir / "SS_MEMS.BIN"), programImage);
    QVERIFY(!fs::exists(dir / "card" / "OTHER"));  // nothing is created beside a dropped file

    // A file on a converter panel is picked as "..." would pick it.
    QVERIFY(Drop(FindChild<QWidget>(window, "sarooPanel"), *Files({gamma})));
    QCOMPARE(FindChild<QLineEdit>(window, "sarooPath")->text(), QString::fromStdString(gamma.string()));
    QCOMPARE(FindChild<QTableView>(window, "sarooList")->model()->index(0, 0).data().toString(), QString("GAMMA"));
    QVERIFY(!Drop(FindChild<QWidget>(window, "ssfPanel"), *Files({dir / "card"})));

    // The program's folder argument: pane 1 there, pane 2 in its OTHER folder.
    WriteFile(dir / "card" / "OTHER" / "SS_MEMS.BIN", ThreeSaves());
    window.ShowFolder(dir / "card");
    QCOMPARE(Column(pane1, 1), QStringList());
    QCOMPARE(Column(pane2, 1), QStringList({"ALPHA", "BETA", "GAMMA"}));
    QCOMPARE(window.bench().pane(2).file, dir / "card" / "OTHER" / "SS_MEMS.BIN");
  }

  void screenshotOfADamagedPane() {
    TempDir dir;
    WriteFile(dir / "SS_MEMS.BIN", DamagedImage());
    WriteFile(dir / "OTHER" / "SS_MEMS.BIN", ThreeSaves());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QLabel* warning = FindChild<QLabel>(window, "pane1Warning");
    QVERIFY(warning->isVisible());
    QCOMPARE(warning->toolTip(), Problems(DamagedImage(), "\n"));

    // The tooltip is a window of its own; it is painted onto the shot where it opened.
    QImage shot = window.grab().toImage();
    const QPoint tipAt = warning->mapToGlobal(QPoint(warning->width(), warning->height()));
    QToolTip::showText(tipAt, warning->toolTip(), warning);
    QWidget* tip = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->inherits("QTipLabel") && widget->isVisible()) tip = widget;
    }
    QVERIFY(tip);
    // Above the "!", as it opens at the bottom of a screen.
    QPainter painter(&shot);
    const QPoint above = warning->mapTo(&window, QPoint(0, -tip->height() - 4));
    painter.drawPixmap(above, tip->grab());
    painter.end();
    QToolTip::hideText();
    const QString folder = qEnvironmentVariable("QUILLMERE_SCREENSHOT_DIR", QDir::tempPath());
    QDir().mkpath(folder);
    const QString file = folder + "/damaged_pane.png";
    QVERIFY(shot.save(file));
    qInfo("screenshot: %s", qPrintable(file));
  }
};

QTEST_MAIN(PaneCareAndDropsTest)
#include "pane_care_and_drops_test.moc"
