#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QtTest>
#include <QtTest/qtestspontaneevent.h>

#include "containers/mems_image.h"
#include "support/backup_ram_builder.h"
#include "support/image_builder.h"
#include "support/save_file_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"
#include "ui/main_window.h"
#include "widget_lookup.h"

using quillmere::ByteBuffer;
using quillmere::ContainerKind;
using quillmere::testing::MemsImageBuilder;
using quillmere::testing::ScriptedHost;
using quillmere::testing::TempDir;
using quillmere::testing::TestSave;
using quillmere::testing::Column;
using quillmere::testing::FindChild;
using quillmere::ui::MainWindow;

namespace {

TestSave Save(const std::string& name, std::size_t size, std::uint32_t date, std::vector<std::uint8_t> comment = {}) {
  TestSave save;
  save.name = name;
  save.date = date;
  save.comment = std::move(comment);
  save.data = quillmere::testing::PatternData(size, static_cast<std::uint8_t>(size));
  return save;
}

// Pane 1: three saves in slots 1, 2 and 4, so the reader's numbers have a gap.
ByteBuffer Pane1Image() {
  return MemsImageBuilder()
      .AddSave(1, 8, Save("bravo", 100, 22855474, {0xBE, 0xB0, 0xCC, 0xDE}))  // ｾｰﾌﾞ
      .AddSave(2, 9, Save("Alpha", 2000, 480, {'Z', 'E', 'T', 'A'}))
      .AddSave(4, 12, Save("charlie", 99, 1000000, {'A', 'L', 'P', 'H', 'A'}))
      .Build();
}

ByteBuffer Pane2Image() {
  return MemsImageBuilder()
      .AddSave(1, 8, Save("GRANDIA_001", 4000, 10000000, {0x83, 0x5A, 0x81, 0x5B, 0x83, 0x75}))  // セーブ
      .AddSave(2, 13, Save("SAKURA_02", 700, 9000000, {'S', 'T', 'A', 'G', 'E', ' ', '3'}))
      .Build();
}

void ClickHeader(QTableView* list, int column) {
  QHeaderView* header = list->horizontalHeader();
  const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void startLoadsBothPanesAndShowsHints() {
    TempDir dir;
    quillmere::testing::WriteFile(dir / "SS_MEMS.BIN", Pane1Image());
    ScriptedHost host;
    MainWindow window(dir.path(), host);

    QCOMPARE(window.windowTitle(), QString("QuillmereV1.85"));
    QVERIFY(QFileInfo(QString::fromStdString((dir / "OTHER").string())).isDir());
    QCOMPARE(Column(FindChild<QTableView>(window, "pane1List"), 0), QStringList({"1", "2", "4"}));
    QCOMPARE(Column(FindChild<QTableView>(window, "pane1List"), 3), QStringList({"ｾｰﾌﾞ", "ZETA", "ALPHA"}));
    QCOMPARE(FindChild<QLabel>(window, "pane1Number")->text(), QString::number(16 * (8056 - 5) - 16) + "字节");
    QVERIFY(FindChild<QLabel>(window, "pane1Hint")->isHidden());
    QCOMPARE(FindChild<QTableView>(window, "pane2List")->model()->rowCount(), 0);
    QVERIFY(!FindChild<QLabel>(window, "pane2Hint")->isHidden());
    QCOMPARE(FindChild<QLabel>(window, "pane2Hint")->text(), QString("SS_MEMS.BIN放OTHER目录"));
    QCOMPARE(FindChild<QLabel>(window, "pane2Number")->text(), QString());
    for (const char* name : {"pane1Kind", "pane2Kind"}) QCOMPARE(FindChild<QComboBox>(window, name)->currentIndex(), 0);
    for (const char* name : {"clearUnusedOnRefresh", "overwriteOnTransfer"}) {
      QVERIFY(!FindChild<QCheckBox>(window, name)->isChecked());
    }
    // Pane 2 has no file: what needs one is off; the rest is on.
    const QStringList off = {"pane2Import", "pane2Export", "pane2Compact", "pane2Map", "transferRight"};
    for (QPushButton* button : window.findChildren<QPushButton*>()) {
      QVERIFY2(button->isEnabled() != off.contains(button->objectName()), qPrintable(button->objectName()));
    }
    // Each pane was loaded exactly once.
    QCOMPARE(host.paneChanges, std::vector<int>({1, 2}));

    // The file appears in OTHER: a refresh of pane 2 finds it.
    quillmere::testing::WriteFile(dir / "OTHER" / "SS_MEMS.BIN", Pane2Image());
    QTest::mouseClick(FindChild<QPushButton>(window, "pane2Refresh"), Qt::LeftButton);
    QCOMPARE(Column(FindChild<QTableView>(window, "pane2List"), 1), QStringList({"GRANDIA_001", "SAKURA_02"}));
    QVERIFY(FindChild<QLabel>(window, "pane2Hint")->isHidden());
  }

  void kindsSetTheControlStates() {
    TempDir dir;
    for (const char* folder : {"", "OTHER"}) {
      quillmere::testing::WriteFile(dir / folder / "SS_MEMS.BIN", MemsImageBuilder().Build());
      quillmere::testing::WriteFile(dir / folder / "BKRAMSV.BIN", quillmere::testing::BackupRamBuilder().BuildFile());
      quillmere::testing::WriteFile(dir / folder / "SS_BUP.BIN", quillmere::testing::BackupRamBuilder().BuildFile());
      quillmere::testing::WriteFile(dir / folder / "SS_SAVE.BIN", quillmere::testing::SaveFileBuilder().Build());
    }
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    struct Expected {
      bool writers;
      bool compact;
      bool remaining;
      bool map;
    };
    // Every kind takes saves in (SS_SAVE.BIN into a game it asks for); only SS_MEMS.BIN compacts.
    const Expected byKind[] = {
        {true, true, true, true}, {true, false, true, true}, {true, false, true, true}, {true, false, false, false}};
    const QStringList hints1 = {"SS_MEMS.BIN放程序目录", "BKRAMSV.BIN放程序目录", "SS_BUP.BIN放程序目录", "SS_SAVE.BIN放程序目录"};
    const QStringList hints2 = {"SS_MEMS.BIN放OTHER目录", "BKRAMSV.BIN放OTHER目录", "SS_BUP.BIN放OTHER目录", "SS_SAVE.BIN放OTHER目录"};
    for (int pane = 1; pane <= 2; ++pane) {
      const QByteArray p = "pane" + QByteArray::number(pane);
      const QByteArray other = "pane" + QByteArray::number(3 - pane);
      const char* into = pane == 1 ? "transferLeft" : "transferRight";
      const char* outOf = pane == 1 ? "transferRight" : "transferLeft";
      for (int kind : {1, 2, 3, 0}) {
        FindChild<QLabel>(window, p + "Number")->setText("77");
        FindChild<QComboBox>(window, p + "Kind")->setCurrentIndex(kind);
        const Expected& e = byKind[kind];
        QCOMPARE(FindChild<QPushButton>(window, p + "Import")->isEnabled(), e.writers);
        QCOMPARE(FindChild<QPushButton>(window, p + "Compact")->isEnabled(), e.compact);
        QCOMPARE(FindChild<QPushButton>(window, into)->isEnabled(), e.writers);
        QCOMPARE(FindChild<QPushButton>(window, p + "Map")->isEnabled(), e.map);
        QCOMPARE(!FindChild<QLabel>(window, p + "RemainingCaption")->isHidden(), e.remaining);
        QCOMPARE(!FindChild<QLabel>(window, p + "Number")->isHidden(), e.remaining);
        QCOMPARE(FindChild<QLabel>(window, p + "Number")->text().isEmpty(), !e.remaining);
        QVERIFY(FindChild<QLabel>(window, p + "Number")->text() != "77");
        QCOMPARE(FindChild<QLabel>(window, p + "Hint")->text(), (pane == 1 ? hints1 : hints2)[kind]);
        QVERIFY(FindChild<QLabel>(window, p + "Hint")->isHidden());
        QVERIFY(FindChild<QPushButton>(window, p + "Export")->isEnabled());
        QVERIFY(FindChild<QPushButton>(window, p + "Refresh")->isEnabled());
        // The transfer out of this pane writes into the other pane, which still shows SS_MEMS.BIN.
        QVERIFY(FindChild<QPushButton>(window, outOf)->isEnabled());
        QVERIFY(FindChild<QPushButton>(window, other + "Import")->isEnabled());
      }
      FindChild<QComboBox>(window, p + "Kind")->setCurrentIndex(0);
    }
    // The labels name the file shown, pane 2's with its folder in the system's separators.
    QCOMPARE(FindChild<QLabel>(window, "pane1FileLabel")->text(), QString("SS_MEMS.BIN"));
    QCOMPARE(FindChild<QLabel>(window, "pane2FileLabel")->text(), QDir::toNativeSeparators("./OTHER/SS_MEMS.BIN"));
  }

  void headersSortAndAddressRestoresFileOrder() {
    TempDir dir;
    quillmere::testing::WriteFile(dir / "SS_MEMS.BIN", Pane1Image());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    QTableView* list = FindChild<QTableView>(window, "pane1List");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    ClickHeader(list, 0);  // "Num": nothing
    QCOMPARE(Column(list, 0), QStringList({"1", "2", "4"}));
    ClickHeader(list, 1);
    QCOMPARE(Column(list, 1), QStringList({"Alpha", "bravo", "charlie"}));
    QCOMPARE(Column(list, 0), QStringList({"1", "2", "3"}));
    ClickHeader(list, 5);  // sizes as numbers: 99 before 100
    QCOMPARE(Column(list, 5), QStringList({"99", "100", "2000"}));
    QCOMPARE(Column(list, 0), QStringList({"1", "2", "3"}));
    ClickHeader(list, 4);
    QCOMPARE(Column(list, 1), QStringList({"Alpha", "charlie", "bravo"}));
    ClickHeader(list, 3);
    QCOMPARE(Column(list, 3), QStringList({"ALPHA", "ZETA", "ｾｰﾌﾞ"}));
    ClickHeader(list, 2);  // "Address": back to file order and the reader's numbers
    QCOMPARE(Column(list, 1), QStringList({"bravo", "Alpha", "charlie"}));
    QCOMPARE(Column(list, 0), QStringList({"1", "2", "4"}));

    // An empty pane sorts to empty.
    QTableView* empty = FindChild<QTableView>(window, "pane2List");
    for (int column = 0; column < 6; ++column) ClickHeader(empty, column);
    QCOMPARE(empty->model()->rowCount(), 0);
  }

  void escapeClosesTheWindow() {
    TempDir dir;
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.isVisible());
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(!window.isVisible());
  }

  // One Esc closes only what lies on top: an open kind list, then a message
  // box; the window goes only when nothing else is open.
  void escapeClosesOnlyWhatIsOpen() {
    TempDir dir;
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    for (const char* name : {"pane1Kind", "pane2Kind"}) {
      // The list itself gets the key, or, where nothing grabs the keyboard,
      // the window under it does.
      for (const bool toWindow : {false, true}) {
        QComboBox* combo = FindChild<QComboBox>(window, name);
        combo->setFocus();
        combo->showPopup();
        QVERIFY(combo->view()->isVisible());
        if (toWindow) {
          QTest::keyClick(window.windowHandle(), Qt::Key_Escape);
        } else {
          QTest::keyClick(static_cast<QWidget*>(nullptr), Qt::Key_Escape);
        }
        QVERIFY2(!combo->view()->isVisible(), name);
        QVERIFY2(window.isVisible(), name);
        QCOMPARE(combo->currentIndex(), 0);
      }
    }
    QMessageBox box(QMessageBox::NoIcon, "信息", "x", QMessageBox::Ok, &window);
    box.open();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    QTest::keyClick(box.windowHandle(), Qt::Key_Escape);
    QVERIFY(!box.isVisible());
    QVERIFY(window.isVisible());
    window.windowHandle()->requestActivate();
    QTRY_COMPARE(QApplication::activeWindow(), &window);
    QTest::keyClick(window.windowHandle(), Qt::Key_Escape);
    QVERIFY(!window.isVisible());
  }

  // F5 reloads the pane under the mouse, else the one with the focus, and
  // none when neither is: a reload may write the file.
  void f5ReloadsThePaneUnderTheMouseOrWithTheFocus() {
    TempDir dir;
    quillmere::testing::WriteFile(dir / "SS_MEMS.BIN", Pane1Image());
    quillmere::testing::WriteFile(dir / "OTHER" / "SS_MEMS.BIN", Pane2Image());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    struct Case {
      const char* mouseOver;  // nullptr: the mouse is over the converters
      const char* focus;
      std::vector<int> reloaded;
    };
    const Case cases[] = {
        {nullptr, "pane2List", {2}},
        {nullptr, "pane1Kind", {1}},
        {"pane1List", "pane2List", {1}},
        {"pane2Refresh", "ssfPath", {2}},
        {nullptr, "ssfPath", {}},
    };
    for (const Case& c : cases) {
      QWidget* over = c.mouseOver ? FindChild<QWidget>(window, c.mouseOver) : FindChild<QWidget>(window, "ssfPanel");
      QCursor::setPos(over->mapToGlobal(over->rect().center()));
      FindChild<QWidget>(window, c.focus)->setFocus();
      const std::size_t before = host.paneChanges.size();
      QTest::keyClick(window.windowHandle(), Qt::Key_F5);
      QCOMPARE(std::vector<int>(host.paneChanges.begin() + static_cast<std::ptrdiff_t>(before), host.paneChanges.end()),
               c.reloaded);
    }
    // What was written since shows after F5, as after "刷新".
    quillmere::testing::WriteFile(dir / "OTHER" / "SS_MEMS.BIN", Pane1Image());
    QVERIFY(Column(FindChild<QTableView>(window, "pane1List"), 1) != Column(FindChild<QTableView>(window, "pane2List"), 1));
    FindChild<QWidget>(window, "pane2List")->setFocus();
    QTest::keyClick(window.windowHandle(), Qt::Key_F5);
    QCOMPARE(Column(FindChild<QTableView>(window, "pane1List"), 1), Column(FindChild<QTableView>(window, "pane2List"), 1));
  }

  // A wheel turned over a kind drop-down does not switch the kind, so it
  // neither reloads the pane nor, with "clear unused" on, rewrites its file.
  void wheelOverAKindComboChangesNothing() {
    TempDir dir;
    quillmere::testing::WriteFile(dir / "SS_MEMS.BIN", Pane1Image());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    for (const char* name : {"pane1Kind", "pane2Kind"}) {
      QComboBox* combo = FindChild<QComboBox>(window, name);
      for (const int kind : {0, 1, 3}) {
        combo->setCurrentIndex(kind);
        const std::size_t loads = host.paneChanges.size();
        for (const int delta : {120, -120, -120, 120}) {
          // As the desktop delivers it: to the window, under the pointer.
          const QPoint at = combo->mapTo(&window, combo->rect().center());
          QWheelEvent wheel(at, window.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                            Qt::NoScrollPhase, false);
          QSpontaneKeyEvent::setSpontaneous(&wheel);  // works for any event, despite its name
          QCoreApplication::sendEvent(window.windowHandle(), &wheel);
        }
        QCOMPARE(combo->currentIndex(), kind);
        QCOMPARE(host.paneChanges.size(), loads);
      }
      // The keyboard still chooses, once the combo has the focus.
      combo->setCurrentIndex(0);
      combo->setFocus();
      QTest::keyClick(combo, Qt::Key_Down);
      QCOMPARE(combo->currentIndex(), 1);
      combo->setCurrentIndex(0);
    }
  }

  void screenshotOfBothPanesFilled() {
    TempDir dir;
    quillmere::testing::WriteFile(dir / "SS_MEMS.BIN", Pane1Image());
    quillmere::testing::WriteFile(dir / "OTHER" / "SS_MEMS.BIN", Pane2Image());
    // A converter row filled too: an SSF save with a packed date.
    ByteBuffer ssf{0x83, 0x5A, 0x81, 0x5B, 0x83, 0x75, 0, 0, 0, 0, 0, 0, 0x40, 0x9E, 0xAC, 0x09};
    ssf.Append(200, 0x11);
    quillmere::testing::WriteFile(dir / "SSF" / "GRANDIA_001.BIN", ssf);
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.findChild<QLineEdit*>("ssfPath")->setText(QString::fromStdString((dir / "SSF" / "GRANDIA_001.BIN").string()));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(window.size(), QSize(MainWindow::kClientWidth, MainWindow::kClientHeight));
    QCOMPARE(window.minimumSize(), QSize(MainWindow::kClientWidth, MainWindow::kClientHeight));
    // Every control lies inside the client area.
    for (QWidget* child : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      QVERIFY2(window.rect().contains(child->geometry()), qPrintable(child->objectName()));
    }
    QStringList captions;
    for (QPushButton* button : window.findChildren<QPushButton*>()) captions << button->text();
    for (QGroupBox* box : window.findChildren<QGroupBox*>()) captions << box->title();
    for (const char* caption : {"SSF单存档转SAROO单存档", "SAROO单存档转SSF单存档", "SAROO存档转移", "转成SAROO单存档",
                                "转成SSF单存档", "转移>>", "<<转移", "导入", "导出", "刷新", "整理", "MAP", "..."}) {
      QVERIFY2(captions.contains(QString::fromUtf8(caption)), caption);
    }
    QCOMPARE(FindChild<QTableView>(window, "ssfList")->model()->rowCount(), 1);
    QCOMPARE(FindChild<QTableView>(window, "sarooList")->model()->columnCount(), 4);

    // The fixed labels fit their boxes in the window's font.
    for (const char* name : {"pane1FileLabel", "pane2FileLabel", "sarooLabel", "ssfLabel"}) {
      QLabel* label = FindChild<QLabel>(window, name);
      QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(), name);
    }
    const QImage shot = window.grab().toImage();
    QCOMPARE(shot.size() / shot.devicePixelRatio(), QSize(MainWindow::kClientWidth, MainWindow::kClientHeight));
    const QString folder = qEnvironmentVariable("QUILLMERE_SCREENSHOT_DIR", QDir::tempPath());
    QDir().mkpath(folder);
    const QString file = folder + "/main_window.png";
    QVERIFY(shot.save(file));
    qInfo("screenshot: %s", qPrintable(file));
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
