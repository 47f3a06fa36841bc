#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTableView>
#include <QtTest>
#include <filesystem>
#include <string>
#include <vector>

#include "support/backup_ram_builder.h"
#include "support/image_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"
#include "ui/main_window.h"
#include "widget_lookup.h"

using quillmere::testing::BackupRamBuilder;
using quillmere::testing::Column;
using quillmere::testing::FindChild;
using quillmere::testing::MemsImageBuilder;
using quillmere::testing::NamedSave;
using quillmere::testing::ScriptedHost;
using quillmere::testing::TempDir;
using quillmere::ui::MainWindow;

// The export, import and transfer buttons, clicked as a user would.
class SaveButtonsTest : public QObject {
  Q_OBJECT

 private slots:
  void exportTransferAndImportThroughTheButtons() {
    TempDir dir;
    quillmere::testing::WriteFile(dir / "BKRAMSV.BIN",
                                  BackupRamBuilder().AddSave(2, NamedSave("ONE", 100)).AddSave(5, NamedSave("TWO", 10)).BuildFile());
    quillmere::testing::WriteFile(dir / "OTHER" / "SS_MEMS.BIN", MemsImageBuilder().Build());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    FindChild<QComboBox>(window, "pane1Kind")->setCurrentIndex(1);
    QVERIFY(FindChild<QPushButton>(window, "pane1Import")->isEnabled());
    QVERIFY(FindChild<QPushButton>(window, "transferRight")->isEnabled());

    QTest::mouseClick(FindChild<QPushButton>(window, "pane1Export"), Qt::LeftButton);
    QCOMPARE(host.messages.back(), std::string("请先选中要导出的存档！"));

    QTableView* list = FindChild<QTableView>(window, "pane1List");
    list->selectAll();
    QTest::mouseClick(FindChild<QPushButton>(window, "transferRight"), Qt::LeftButton);
    QCOMPARE(Column(FindChild<QTableView>(window, "pane2List"), 1), QStringList({"ONE", "TWO"}));
    QVERIFY(host.revealed.empty());  // a transfer shows no file browser

    list->selectRow(1);
    QTest::mouseClick(FindChild<QPushButton>(window, "pane1Export"), Qt::LeftButton);
    QCOMPARE(host.revealed.size(), std::size_t{1});
    QCOMPARE(host.revealed.back(), dir / "SAROO" / "TWO.bin");
    window.findChild<QAction*>("pane1ExportBup")->trigger();
    QCOMPARE(host.revealed.back(), dir / "BUP" / "TWO.BUP");

    // Importing the same save again into pane 2 asks first; OK replaces it.
    host.pickedFileSets = {{dir / "SAROO" / "TWO.bin"}};
    host.answers = {true};
    QTest::mouseClick(FindChild<QPushButton>(window, "pane2Import"), Qt::LeftButton);
    QCOMPARE(host.questionHeads.back(), std::string("是否替换列表2已有存档？\r\n2:TWO"));
    QCOMPARE(host.messages.back(), std::string("导入完成！"));
    QCOMPARE(Column(FindChild<QTableView>(window, "pane2List"), 1), QStringList({"ONE", "TWO"}));

    // "整理" keeps packed saves where they are and gives the button back.
    QPushButton* compact = FindChild<QPushButton>(window, "pane2Compact");
    QTest::mouseClick(compact, Qt::LeftButton);
    QCOMPARE(host.messages.back(), std::string("整理完成!"));
    QCOMPARE(compact->text(), QString("整理"));
    QVERIFY(compact->isEnabled());
    QCOMPARE(Column(FindChild<QTableView>(window, "pane2List"), 2), QStringList({"2000", "2400"}));
  }

  // "导入" takes one file or several: one is asked about by name as ever,
  // several go in as a drop of them does, a listed name skipped, told once.
  void importTakesOneFileOrSeveral() {
    struct Case {
      std::vector<const char*> picked;
      std::size_t questions;
      QStringList names;
      std::string told;  // the first line of the last message
    };
    const std::vector<Case> cases = {
        {{"ONE"}, 1, {"ONE"}, "导入完成！"},
        {{"ONE", "NEW1", "NEW2"}, 0, {"ONE", "NEW1", "NEW2"}, "已导入2个存档，1个因同名跳过，0个被拒绝。"},
        {{}, 0, {"ONE"}, ""},  // the dialog cancelled
    };
    for (const Case& c : cases) {
      TempDir dir;
      quillmere::testing::WriteFile(dir / "SS_MEMS.BIN", MemsImageBuilder().AddSave(1, 8, NamedSave("ONE", 100)).Build());
      ScriptedHost host;
      MainWindow window(dir.path(), host);
      std::vector<std::filesystem::path> files;
      for (const char* name : c.picked) files.push_back(quillmere::testing::WriteSarooSingleSave(dir / "SAROO", name, 50));
      host.pickedFileSets = {files};
      host.answers = {true};
      QTest::mouseClick(FindChild<QPushButton>(window, "pane1Import"), Qt::LeftButton);

      QCOMPARE(host.filePicks.size(), std::size_t{1});
      QVERIFY(host.filePicks[0].several);
      QVERIFY(quillmere::ui::FilterWords(host.filePicks[0].filter).starts_with("所有存档文件（*.bin *.sro *.bup）|*.bin;*.BIN;*.sro;*.SRO;*.bup;*.BUP|"));
      QCOMPARE(host.questions.size(), c.questions);
      QCOMPARE(Column(FindChild<QTableView>(window, "pane1List"), 1), c.names);
      const std::string last = host.messages.empty() ? std::string() : host.messages.back();
      QCOMPARE(last.substr(0, last.find("\r\n")), c.told);
    }
  }
};

QTEST_MAIN(SaveButtonsTest)
#include "save_buttons_test.moc"
