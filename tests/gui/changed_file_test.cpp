#include <QAction>
#include <functional>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include "catalog/catalog.h"
#include "support/image_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"
#include "ui/main_window.h"
#include "widget_lookup.h"

using namespace quillmere::testing;
using quillmere::ByteBuffer;
using quillmere::ui::MainWindow;

// Another program replaces a pane's SS_MEMS.BIN while the window shows it:
// delete, transfer and compact write nothing over it, say so, and show it.
class ChangedFileTest : public QObject {
  Q_OBJECT

 private slots:
  void writersNeverReplaceAFileThatChangedOnDisk() {
    TempDir dir;
    const auto file = dir / "SS_MEMS.BIN";
    WriteFile(file, MemsImageBuilder().AddSave(1, 8, NamedSave("ALPHA", 3000, 1)).AddSave(2, 12, NamedSave("BETA", 100, 2)).Build());
    WriteFile(dir / "OTHER" / "SS_MEMS.BIN", MemsImageBuilder().AddSave(1, 8, NamedSave("THERE", 500, 3)).Build());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    QTableView* list = FindChild<QTableView>(window, "pane1List");
    const std::string changed = quillmere::catalog::Render(quillmere::FileChanged{file.string()});

    struct Step {
      const char* what;
      std::function<void()> act;
    };
    const std::vector<Step> steps = {
        {"delete", [&] { list->selectRow(0); host.answers = {true}; FindChild<QAction>(window, "pane1Delete")->trigger(); }},
        {"transfer", [&] {
           FindChild<QTableView>(window, "pane2List")->selectRow(0);
           QTest::mouseClick(FindChild<QPushButton>(window, "transferLeft"), Qt::LeftButton);
         }},
        {"compact", [&] { QTest::mouseClick(FindChild<QPushButton>(window, "pane1Compact"), Qt::LeftButton); }},
        {"repair", [&] { host.answers = {true}; FindChild<QAction>(window, "pane1Repair")->trigger(); }},
    };
    int round = 0;
    for (const Step& step : steps) {
      // The copy another program puts there, without a refresh.
      const std::string name = "NEWER" + std::to_string(++round);
      const ByteBuffer replacement = MemsImageBuilder().AddSave(3, 30, NamedSave(name, 2000, 4)).AddSave(7, 20, NamedSave("KEEP", 10, 5)).Build();
      WriteFile(file, replacement);
      host.messages.clear();
      step.act();
      QVERIFY2(host.messages == std::vector<std::string>{changed}, step.what);
      QVERIFY2(ReadFile(file) == replacement, step.what);
      QCOMPARE(Column(list, 1), QStringList({QString::fromStdString(name), "KEEP"}));
    }
    // Shown afresh, the file takes the next write.
    list->selectRow(1);
    host.answers = {true};
    FindChild<QAction>(window, "pane1Delete")->trigger();
    QCOMPARE(Column(list, 1), QStringList({"NEWER4"}));
    // A check reads the file as it is now, and names it: two saves sharing a
    // cluster, put there behind the pane's back, are found.
    WriteFile(file, MemsImageBuilder().AddSave(1, 8, NamedSave("ONE", 2000, 1), {9}).AddSave(2, 10, NamedSave("TWO", 2000, 2), {9}).Build());
    host.messages.clear();
    FindChild<QAction>(window, "pane1Check")->trigger();
    QVERIFY(quillmere::Is<quillmere::ImageHasProblems>(host.shown.back()));
    QVERIFY(host.messages.back().ends_with("文件：" + file.string()));
    QCOMPARE(Column(list, 1), QStringList({"ONE", "TWO"}));
    QCOMPARE(ReadFile(file), MemsImageBuilder().AddSave(1, 8, NamedSave("ONE", 2000, 1), {9}).AddSave(2, 10, NamedSave("TWO", 2000, 2), {9}).Build());
  }
};

QTEST_MAIN(ChangedFileTest)
#include "changed_file_test.moc"
