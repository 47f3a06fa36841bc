#include <QAction>
#include <QHeaderView>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>

#include "catalog/catalog.h"
#include "containers/backup_ram_write.h"
#include "platform/gzip.h"
#include "support/backup_ram_builder.h"
#include "support/image_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"
#include "ui/kind_combo_box.h"
#include "ui/main_window.h"
#include "ui/map_window.h"
#include "widget_lookup.h"

using namespace quillmere::testing;
using quillmere::ByteBuffer;
using quillmere::catalog::Language;
using quillmere::ui::KindComboBox;
using quillmere::ui::MainWindow;
namespace fs = std::filesystem;

namespace {


QString Shots() {
  const QString folder = qEnvironmentVariable("QUILLMERE_SCREENSHOT_DIR", QDir::tempPath());
  QDir().mkpath(folder);
  return folder;
}

QString Native(const fs::path& path) { return QDir::toNativeSeparators(QString::fromStdString(path.string())); }

// Every line of the label lies inside it: nothing is cut at its foot.
bool Whole(QLabel* label) {
  const QRect needed = label->fontMetrics().boundingRect(label->contentsRect(), int(label->alignment()), label->text());
  return label->contentsRect().contains(needed);
}

}  // namespace

// What a pane says about its file: the label (name, form, memory, path),
// the kind list's words, the figure's unit, and a pane without a file.
class PaneLabelTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { quillmere::catalog::SetLanguage(Language::kChinese); }

  void theLabelNamesTheFileItsFormAndMemory() {
    TempDir dir;
    WriteFile(dir / "BKRAMSV.BIN", BackupRamBuilder().AddSave(2, NamedSave("HOME", 100)).BuildFile());
    WriteFile(dir / "emu" / "Rayman.sav", MisterFile());
    WriteFile(dir / "emu" / "Game.bkr", BackupRamBuilder().AddSave(2, NamedSave("PACKED", 100)).BuildRam());
    WriteFile(dir / "emu" / "Game.bcr",
              ByteBuffer(quillmere::platform::Gzip(BackupRamBuilder(512 * 1024, 512).BuildRam().bytes())));
    WriteFile(dir / "emu" / "bkram.bin", BackupRamBuilder().BuildFile());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QLabel* label = FindChild<QLabel>(window, "pane1FileLabel");
    auto* kind = FindChild<KindComboBox>(window, "pane1Kind");
    QAction* other = FindChild<QAction>(window, "pane1OtherMemory");
    struct Case {
      const char* open;  // a file to open, or "" for the program's BKRAMSV.BIN
      bool cartridge;
      QString chinese, english, kindChinese, kindEnglish;
    };
    const Case cases[] = {
        {"", false, "BKRAMSV.BIN", "BKRAMSV.BIN", "BKRAMSV.BIN", "BKRAMSV.BIN"},
        {"emu/Rayman.sav", false, "Rayman.sav\nMiSTer 内部存储", "Rayman.sav\nMiSTer internal", "备份内存", "backup memory"},
        {"emu/Rayman.sav", true, "Rayman.sav\nMiSTer 卡带", "Rayman.sav\nMiSTer cartridge", "备份内存", "backup memory"},
        {"emu/Game.bkr", false, "Game.bkr\nMednafen", "Game.bkr\nMednafen", "备份内存", "backup memory"},
        {"emu/Game.bcr", false, "Game.bcr\nMednafen gzip", "Game.bcr\nMednafen gzip", "备份内存", "backup memory"},
        {"emu/bkram.bin", false, "bkram.bin\nemu", "bkram.bin\nemu", "备份内存", "backup memory"},
    };
    for (const Case& c : cases) {
      if (*c.open) {
        QVERIFY(window.OpenInPane(1, dir / c.open));
      } else {
        kind->setCurrentIndex(1);
      }
      if (c.cartridge) other->trigger();
      for (const Language language : {Language::kChinese, Language::kEnglish}) {
        window.SwitchLanguage(language);
        const bool english = language == Language::kEnglish;
        QCOMPARE(label->text(), english ? c.english : c.chinese);
        QVERIFY2(Whole(label), qPrintable(label->text()));
        QCOMPARE(kind->ShownText(), english ? c.kindEnglish : c.kindChinese);
      }
      window.SwitchLanguage(Language::kChinese);
      const fs::path file = *c.open ? dir / c.open : dir / "BKRAMSV.BIN";
      QVERIFY(label->toolTip().startsWith(Native(file)));
    }
    // The MiSTer file's cartridge, as the screenshots show it in both languages.
    QVERIFY(window.OpenInPane(1, dir / "emu" / "Rayman.sav"));
    other->trigger();
    QVERIFY(window.grab().save(Shots() + "/pane_label.png"));
    window.SwitchLanguage(Language::kEnglish);
    QVERIFY(window.grab().save(Shots() + "/pane_label_en.png"));
    QVERIFY(label->toolTip().contains("MiSTer file: the internal memory, then a cartridge"));
  }

  // "剩余" carries its unit where the figure's room holds it, and always in its tooltip.
  void theFigureSaysWhatItCounts() {
    TempDir dir;
    WriteFile(dir / "SS_MEMS.BIN", MemsImageBuilder().Build());
    WriteFile(dir / "OTHER" / "BKRAMSV.BIN", BackupRamBuilder().BuildFile());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    FindChild<QComboBox>(window, "pane2Kind")->setCurrentIndex(1);
    struct Case {
      const char* figure;
      Language language;
      QString number, withUnit, tip;
    };
    const Case cases[] = {
        {"pane1Number", Language::kChinese, "128880", "128880字节", "剩余128880字节"},
        {"pane1Number", Language::kEnglish, "128880", "128880 bytes", "128880 bytes free"},
        {"pane2Number", Language::kChinese, "461", "461块", "剩余461块"},
        {"pane2Number", Language::kEnglish, "461", "461 blocks", "461 blocks free"},
    };
    for (const Case& c : cases) {
      window.SwitchLanguage(c.language);
      QLabel* figure = FindChild<QLabel>(window, c.figure);
      QCOMPARE(figure->toolTip(), c.tip);
      // The unit is dropped only where it would not fit.
      const bool fits = figure->fontMetrics().horizontalAdvance(c.withUnit) <= figure->width();
      QCOMPARE(figure->text(), fits ? c.withUnit : c.number);
    }
    // Pane 1 has the room in Chinese.
    window.SwitchLanguage(Language::kChinese);
    QCOMPARE(FindChild<QLabel>(window, "pane1Number")->text(), QString("128880字节"));
  }

  // Without a file, what needs one is off and says why; the hint names the
  // folder looked at; the figure of a file that went goes with it.
  void aPaneWithoutAFile() {
    TempDir dir;
    MemsImageBuilder many;
    for (int slot = 0; slot < 40; ++slot) many.AddSave(slot, 8 + slot, NamedSave("SAVE" + std::to_string(slot), 100));
    WriteFile(dir / "SS_MEMS.BIN", many.Build());
    WriteFile(dir / "OTHER" / "SS_MEMS.BIN", MemsImageBuilder().Build());
    fs::create_directories(dir / "card");
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // A list full enough to scroll keeps whole rows: no horizontal bar.
    auto* list = FindChild<QTableView>(window, "pane1List");
    QVERIFY(list->verticalScrollBar()->isVisible());
    QVERIFY(!list->horizontalScrollBar()->isVisible());
    QLabel* figure = FindChild<QLabel>(window, "pane2Number");
    QVERIFY(!figure->text().isEmpty());
    fs::remove(dir / "OTHER" / "SS_MEMS.BIN");
    QTest::mouseClick(FindChild<QPushButton>(window, "pane2Refresh"), Qt::LeftButton);
    QCOMPARE(figure->text(), QString());

    for (const char* name : {"pane2Import", "pane2Export", "pane2Compact", "pane2Map", "transferRight"}) {
      auto* button = FindChild<QPushButton>(window, name);
      QVERIFY2(!button->isEnabled(), name);
      QCOMPARE(button->toolTip(), QString(Native(dir / "OTHER") + "中没有SS_MEMS.BIN"));
    }
    for (const char* name : {"pane2Delete", "pane2Repair", "pane2Check"}) {
      QVERIFY2(!FindChild<QAction>(window, name)->isEnabled(), name);
    }
    QVERIFY(FindChild<QPushButton>(window, "pane1Import")->isEnabled() && FindChild<QPushButton>(window, "pane2Refresh")->isEnabled());

    // A folder opened in pane 1 without the file: the hint names that folder.
    QVERIFY(window.OpenInPane(1, dir / "card"));
    QLabel* hint = FindChild<QLabel>(window, "pane1Hint");
    QVERIFY(!hint->isHidden());
    QCOMPARE(hint->text(), QString("SS_MEMS.BIN放card目录"));
    QCOMPARE(hint->toolTip(), "把SS_MEMS.BIN放到" + Native(dir / "card"));
    QVERIFY(!FindChild<QPushButton>(window, "pane1Map")->isEnabled());
    window.SwitchLanguage(Language::kEnglish);
    QCOMPARE(hint->text(), QString("Need card/SS_MEMS.BIN"));
    QCOMPARE(FindChild<QPushButton>(window, "pane1Import")->toolTip(),
             "There is no SS_MEMS.BIN in " + Native(dir / "card"));
  }

  // An installed copy works in the user's folder, not beside the program:
  // its hints name the folder the pane looks in, with the whole path in the
  // tooltip, where an unpacked copy says "the program folder".
  void theHintNamesTheFolderLookedIn() {
    TempDir dir;
    const fs::path user = dir / "Quillmere";
    fs::create_directories(user / "OTHER");
    using quillmere::ui::WorkingFolderPlace;
    struct Case {
      WorkingFolderPlace place;
      Language language;
      const char* pane;
      QString text;
      QString tip;
    };
    const Case cases[] = {
        {WorkingFolderPlace::kProgramFolder, Language::kChinese, "pane1Hint", "SS_MEMS.BIN放程序目录", ""},
        {WorkingFolderPlace::kProgramFolder, Language::kEnglish, "pane1Hint", "Need SS_MEMS.BIN here",
         "Put SS_MEMS.BIN in the program folder"},
        {WorkingFolderPlace::kUserFolder, Language::kChinese, "pane1Hint", "SS_MEMS.BIN放Quillmere",
         "把SS_MEMS.BIN放到" + Native(user)},
        {WorkingFolderPlace::kUserFolder, Language::kEnglish, "pane1Hint", "Quillmere/SS_MEMS.BIN",
         "Put SS_MEMS.BIN in " + Native(user)},
        {WorkingFolderPlace::kUserFolder, Language::kChinese, "pane2Hint", "SS_MEMS.BIN放OTHER目录",
         "把SS_MEMS.BIN放到" + Native(user / "OTHER")},
        {WorkingFolderPlace::kUserFolder, Language::kEnglish, "pane2Hint", "Need OTHER/SS_MEMS.BIN",
         "Put SS_MEMS.BIN in " + Native(user / "OTHER")},
    };
    for (const Case& c : cases) {
      ScriptedHost host;
      MainWindow window(user, host, c.place);
      window.SwitchLanguage(c.language);
      QLabel* hint = FindChild<QLabel>(window, c.pane);
      const QByteArray where = QByteArray(c.pane) + (c.place == WorkingFolderPlace::kUserFolder ? " user" : " program");
      QVERIFY2(!hint->isHidden(), where);
      QCOMPARE(hint->text(), c.text);
      QCOMPARE(hint->toolTip(), c.tip);
    }
  }

  // A cartridge's map shows all 22 columns beside its scroll bar, and
  // choosing a save far down scrolls the rows alone.
  void theCartridgeMapShowsEveryColumn() {
    TempDir dir;
    WriteFile(dir / "emu" / "Rayman.sav", MisterFile());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.show();
    QVERIFY(window.OpenInPane(1, dir / "emu" / "Rayman.sav"));
    FindChild<QAction>(window, "pane1OtherMemory")->trigger();
    QTest::mouseClick(FindChild<QPushButton>(window, "pane1Map"), Qt::LeftButton);
    auto* map = qobject_cast<quillmere::ui::MapWindow*>(QApplication::activeModalWidget());
    QVERIFY(map);
    QVERIFY(QTest::qWaitForWindowExposed(map));
    auto* grid = FindChild<QTableView>(*map, "mapGrid");
    FindChild<QListWidget>(*map, "mapNames")->setCurrentRow(0);
    QVERIFY(grid->verticalScrollBar()->isVisible());
    const int last = grid->model()->columnCount() - 1;
    QCOMPARE(grid->columnViewportPosition(0), 0);
    QVERIFY(grid->columnViewportPosition(last) + grid->columnWidth(last) <= grid->viewport()->width());
    QVERIFY(!FindChild<QListWidget>(*map, "mapNames")->geometry().intersects(grid->geometry()));
    QVERIFY(map->rect().contains(FindChild<QListWidget>(*map, "mapNames")->geometry()));
    QVERIFY(map->grab().save(Shots() + "/map_cartridge_columns.png"));
    map->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
};

QTEST_MAIN(PaneLabelTest)
#include "pane_label_test.moc"
