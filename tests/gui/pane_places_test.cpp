#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include "catalog/catalog.h"
#include "containers/backup_ram_write.h"
#include "support/backup_ram_builder.h"
#include "support/image_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"
#include "ui/main_window.h"
#include "ui/map_window.h"
#include "widget_lookup.h"

using namespace quillmere::testing;
using quillmere::ByteBuffer;
using quillmere::ui::MainWindow;
namespace br = quillmere::backup_ram;
namespace fs = std::filesystem;

// The pane's menu reaches every file: another file by its content, a folder,
// the program's own folder again, and the other memory of a MiSTer file,
// whose cartridge map scrolls to the save chosen.
class PanePlacesTest : public QObject {
  Q_OBJECT

 private slots:
  void menuOpensFilesFoldersAndMemories() {
    TempDir dir;
    WriteFile(dir / "SS_MEMS.BIN", MemsImageBuilder().AddSave(1, 8, NamedSave("HOME", 500)).Build());
    WriteFile(dir / "OTHER" / "SS_MEMS.BIN", MemsImageBuilder().Build());
    WriteFile(dir / "card" / "SS_MEMS.BIN", MemsImageBuilder().AddSave(1, 8, NamedSave("CARD", 500)).Build());
    WriteFile(dir / "card" / "BKRAMSV.BIN", BackupRamBuilder().AddSave(2, NamedSave("RAM", 100)).BuildFile());
    WriteFile(dir / "emu" / "Game.sav", MisterFile());
    WriteFile(dir / "emu" / "notes.txt", ByteBuffer::FromText("not a memory"));
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    QTableView* list = FindChild<QTableView>(window, "pane1List");
    QLabel* label = FindChild<QLabel>(window, "pane1FileLabel");
    QAction* other = FindChild<QAction>(window, "pane1OtherMemory");
    const auto trigger = [&](const char* action) { FindChild<QAction>(window, action)->trigger(); };

    // A file that is no container is refused; a MiSTer file opens by its content.
    host.pickedFiles = {dir / "emu" / "notes.txt", dir / "emu" / "Game.sav"};
    trigger("pane1OpenFile");
    QCOMPARE(host.messages.back(), std::string("错误的存档格式！"));
    QCOMPARE(Column(list, 1), QStringList({"HOME"}));
    QVERIFY(!other->isVisible());
    trigger("pane1OpenFile");
    QCOMPARE(host.filePicks.back().filter, quillmere::FileFilter::kContainer);
    QCOMPARE(host.filePicks.back().initialFolder, dir.path());
    QCOMPARE(Column(list, 1), QStringList({"INNER"}));
    QCOMPARE(label->text(), QString("Game.sav\nMiSTer 内部存储"));
    QVERIFY(label->toolTip().startsWith(QString::fromStdString((dir / "emu" / "Game.sav").string()) + "\n"));

    // Its cartridge, and back; the figure is the cartridge's free blocks.
    QVERIFY(other->isVisible());
    QCOMPARE(other->text(), QString("显示卡带存档"));
    other->trigger();
    QCOMPARE(Column(list, 1), QStringList({"OUTER"}));
    QCOMPARE(FindChild<QLabel>(window, "pane1Number")->text(), QString::number(1024 - 2 - 3) + "块");  // OUTER's 3 blocks
    QCOMPARE(other->text(), QString("显示内部存档"));

    // The cartridge's map: 47 rows of 22, scrolled to the save chosen.
    QTest::mouseClick(FindChild<QPushButton>(window, "pane1Map"), Qt::LeftButton);
    auto* map = qobject_cast<quillmere::ui::MapWindow*>(QApplication::activeModalWidget());
    QVERIFY(map);
    auto* grid = FindChild<QTableView>(*map, "mapGrid");
    QCOMPARE(grid->model()->rowCount(), (1024 + 21) / 22);
    FindChild<QListWidget>(*map, "mapNames")->setCurrentRow(0);
    const int row = 900 / 22;
    QVERIFY(grid->rowViewportPosition(row) >= 0 && grid->rowViewportPosition(row) < grid->viewport()->height());
    const QString shots = qEnvironmentVariable("QUILLMERE_SCREENSHOT_DIR", QDir::tempPath());
    QDir().mkpath(shots);
    QVERIFY(window.grab().save(shots + "/pane_cartridge.png") && map->grab().save(shots + "/map_cartridge.png"));
    map->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    other->trigger();
    QCOMPARE(Column(list, 1), QStringList({"INNER"}));

    // A folder shows its file of the pane's kind, as a drop of it does.
    host.pickedFolders = {dir / "card"};
    trigger("pane1OpenFolder");
    QCOMPARE(host.folderPicks.back(), dir / "emu");
    QCOMPARE(Column(list, 1), QStringList({"RAM"}));
    QVERIFY(!other->isVisible());

    // A memory copied under SS_MEMS.BIN's name shows what it holds, and no writer may touch it.
    WriteFile(dir / "copied" / "SS_MEMS.BIN", BackupRamBuilder().AddSave(2, NamedSave("COPIED", 100)).BuildFile());
    host.pickedFiles = {dir / "copied" / "SS_MEMS.BIN"};
    trigger("pane1OpenFile");
    QCOMPARE(Column(list, 1), QStringList({"COPIED"}));
    QVERIFY(!FindChild<QPushButton>(window, "pane1Import")->isEnabled());
    QVERIFY(FindChild<QLabel>(window, "pane1Warning")->toolTip().contains("BackUpRam Format"));

    // An empty 8 MiB word-wide memory tells no block size: the window asks, and
    // YabaSanshiro's 64-byte blocks make it writable.
    WriteFile(dir / "yaba" / "memory.ram",
              br::RamIntoWordWide({}, br::EmptyBackupRam({br::kBlockSize, br::kMaxListedBlocks})));
    host.pickedFiles = {dir / "yaba" / "memory.ram"};
    host.choiceAnswers = {"64"};
    trigger("pane1OpenFile");
    QCOMPARE(host.choiceQuestions.back().choices, std::vector<std::string>({"64", "1024"}));
    QVERIFY(FindChild<QPushButton>(window, "pane1Import")->isEnabled());
    QCOMPARE(FindChild<QLabel>(window, "pane1Number")->text(), QString::number(65536 - 2) + "块");

    // Back beside the program: its file of the pane's kind (a backup memory
    // now, missing), which the label and the hint both name.
    trigger("pane1UsualFolder");
    QVERIFY(list->model()->rowCount() == 0 && !FindChild<QLabel>(window, "pane1Hint")->isHidden());
    QCOMPARE(label->text(), QString("BKRAMSV.BIN"));
    QCOMPARE(FindChild<QLabel>(window, "pane1Hint")->text(), QString("BKRAMSV.BIN放程序目录"));
    QCOMPARE(label->toolTip(), QString::fromStdString((dir / "BKRAMSV.BIN").string()));
  }
};

QTEST_MAIN(PanePlacesTest)
#include "pane_places_test.moc"
