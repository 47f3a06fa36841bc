#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QLabel>
#include <QPainter>
#include <QTableView>
#include <QToolTip>
#include <QtTest>

#include "support/backup_ram_builder.h"
#include "support/image_builder.h"
#include "support/scoped_language.h"
#include "support/scripted_host.h"
#include "support/test_files.h"
#include "ui/main_window.h"
#include "ui/map_window.h"
#include "widget_lookup.h"

using quillmere::MapImage;
using quillmere::catalog::Language;
using quillmere::testing::FindChild;
using quillmere::testing::NamedSave;
using quillmere::ui::MainWindow;
using quillmere::ui::MapWindow;

namespace {

using Images = std::vector<MapImage>;
constexpr MapImage kRed = MapImage::kBlink;
constexpr MapImage kGreen = MapImage::kUsed;
constexpr MapImage kMarked = MapImage::kFirst;

// ALPHA: record 8, data 9-11. BETA: record 20, data 11 (shared with ALPHA, as
// in a damaged image) and 21. FAR: a small save far down the grid.
void WriteThreeSaves(const std::filesystem::path& file) {
  quillmere::testing::WriteFile(file, quillmere::testing::MemsImageBuilder()
                                          .AddSave(1, 8, NamedSave("ALPHA", 3000))
                                          .AddSave(2, 20, NamedSave("BETA", 2000), {11, 21})
                                          .AddSave(3, 5000, NamedSave("FAR", 100))
                                          .Build());
}

QModelIndex IndexOf(QTableView* grid, std::uint32_t unit) {
  return static_cast<quillmere::ui::MapGridModel*>(grid->model())->IndexOf(unit);
}

Images Cells(QTableView* grid, const std::vector<std::uint32_t>& units) {
  Images images;
  for (const std::uint32_t unit : units) images.push_back(static_cast<MapImage>(IndexOf(grid, unit).data(Qt::UserRole).toInt()));
  return images;
}

MapWindow* ClickMap(MainWindow& window, const char* button) {
  QTest::mouseClick(FindChild<QPushButton>(window, button), Qt::LeftButton);
  auto* map = qobject_cast<MapWindow*>(QApplication::activeModalWidget());
  if (!map) qFatal("the map did not open modally");
  return map;
}

void CloseAndDelete(QWidget* window) {
  window->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace

class MapWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void eachPaneOpensItsOwnMapModally() {
    quillmere::testing::TempDir dir;
    WriteThreeSaves(dir / "SS_MEMS.BIN");
    quillmere::testing::WriteFile(dir / "OTHER" / "BKRAMSV.BIN",
                                  quillmere::testing::BackupRamBuilder().AddSave(3, NamedSave("RAMSAVE", 100)).BuildFile());
    quillmere::testing::ScriptedHost host;
    MainWindow window(dir.path(), host);
    FindChild<QComboBox>(window, "pane2Kind")->setCurrentIndex(1);
    struct Case {
      const char* button;
      QString caption;
      QSize client;
      int rows;
      int names;
      std::uint32_t firstUnit;
    };
    // The client areas as drawn, and the legend's row under the grid.
    for (const Case& c : {Case{"pane1Map", "VIEW MAP ( Cluster size:1024 )", {675, 612 + 20}, 252, 3, 8},
                          Case{"pane2Map", "VIEW MAP ( Cluster size:64 )", {484, 401 + 20}, 24, 1, 3}}) {
      QPointer<MapWindow> map(ClickMap(window, c.button));
      QCOMPARE(map->windowTitle(), c.caption);
      QCOMPARE(map->size(), c.client);
      QTableView* grid = FindChild<QTableView>(*map, "mapGrid");
      QCOMPARE(grid->model()->rowCount(), c.rows);
      QCOMPARE(FindChild<QListWidget>(*map, "mapNames")->count(), c.names);
      QCOMPARE(Cells(grid, {c.firstUnit}), Images{kMarked});
      CloseAndDelete(map);
      QVERIFY(!map);
      QCOMPARE(QApplication::activeModalWidget(), nullptr);  // the main window takes input again
    }
  }

  void choosingASecondNameRestoresTheFirstAndClosingStopsTheBlink() {
    quillmere::testing::TempDir dir;
    WriteThreeSaves(dir / "SS_MEMS.BIN");
    quillmere::testing::ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.show();
    QPointer<MapWindow> map(ClickMap(window, "pane1Map"));
    QVERIFY(QTest::qWaitForWindowExposed(map));
    QTableView* grid = FindChild<QTableView>(*map, "mapGrid");
    QListWidget* names = FindChild<QListWidget>(*map, "mapNames");

    names->setCurrentRow(0);
    QCOMPARE(Cells(grid, {8, 9, 10, 11}), Images(4, kRed));
    QTRY_COMPARE_WITH_TIMEOUT(Cells(grid, {8, 9, 10, 11}), (Images{kMarked, kGreen, kGreen, kGreen}), 1000);
    // ALPHA is put back before BETA turns red, so the cluster both list ends red.
    names->setCurrentRow(1);
    QCOMPARE(Cells(grid, {8, 9, 10}), (Images{kMarked, kGreen, kGreen}));
    QCOMPARE(Cells(grid, {20, 11, 21}), Images(3, kRed));
    QTRY_COMPARE_WITH_TIMEOUT(Cells(grid, {20, 11, 21}), (Images{kMarked, kGreen, kGreen}), 1000);
    // A save far down is scrolled into view.
    QVERIFY(!grid->viewport()->rect().intersects(grid->visualRect(IndexOf(grid, 5000))));
    names->setCurrentRow(2);
    QVERIFY(grid->viewport()->rect().intersects(grid->visualRect(IndexOf(grid, 5000))));

    QPointer<QTimer> timer(map->findChild<QTimer*>("blinkTimer"));
    QVERIFY(timer && timer->isActive());
    QTest::qWait(200);  // mid-blink
    CloseAndDelete(map);
    QVERIFY(!map);
    QVERIFY(!timer);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
  }

  // Hovering a cell names the saves that own its unit, with the unit's place
  // among each save's units, or what else the unit holds.
  void hoveringACellNamesItsSave() {
    quillmere::testing::TempDir dir;
    WriteThreeSaves(dir / "SS_MEMS.BIN");
    quillmere::testing::ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.show();
    MapWindow* map = ClickMap(window, "pane1Map");
    QVERIFY(QTest::qWaitForWindowExposed(map));
    QTableView* grid = FindChild<QTableView>(*map, "mapGrid");
    QCOMPARE(IndexOf(grid, 11).data(Qt::ToolTipRole).toString(), "簇11\nALPHA：第4簇，共4簇\nBETA：第2簇，共3簇");
    QCOMPARE(IndexOf(grid, 3).data(Qt::ToolTipRole).toString(), "簇3\n文件头和存档目录");
    // As the mouse asks: a help event over cell 21 opens its tooltip.
    const QPoint at = grid->visualRect(IndexOf(grid, 21)).center();
    QHelpEvent hover(QEvent::ToolTip, at, grid->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(grid->viewport(), &hover);
    QTRY_COMPARE(QToolTip::text(), QString("簇21\nBETA：第3簇，共3簇"));
    QToolTip::hideText();
    CloseAndDelete(map);
  }

  // The legend under the grid names the four looks a cell has, in the
  // window's language, each within the window.
  void theLegendNamesTheColours() {
    const quillmere::testing::ScopedLanguage restore(quillmere::catalog::CurrentLanguage());
    quillmere::testing::TempDir dir;
    WriteThreeSaves(dir / "SS_MEMS.BIN");
    quillmere::testing::WriteFile(dir / "OTHER" / "BKRAMSV.BIN",
                                  quillmere::testing::BackupRamBuilder().AddSave(3, NamedSave("RAMSAVE", 100)).BuildFile());
    quillmere::testing::ScriptedHost host;
    MainWindow window(dir.path(), host);
    FindChild<QComboBox>(window, "pane2Kind")->setCurrentIndex(1);
    window.show();
    struct Case {
      Language language;
      const char* button;
      QStringList words;
    };
    // The block map is the narrower.
    for (const Case& c : {Case{Language::kChinese, "pane1Map", {"空闲", "已用", "存档首块", "选中的存档（闪烁）"}},
                          Case{Language::kEnglish, "pane2Map", {"Free", "Used", "A save's first unit", "Chosen save (blinks)"}}}) {
      window.SwitchLanguage(c.language);
      MapWindow* map = ClickMap(window, c.button);
      QVERIFY(QTest::qWaitForWindowExposed(map));
      QWidget* legend = FindChild<QWidget>(*map, "mapLegend");
      QVERIFY(legend->geometry().top() >= FindChild<QTableView>(*map, "mapGrid")->geometry().bottom());
      QVERIFY(map->rect().contains(legend->geometry()));
      QStringList words;
      for (QLabel* label : legend->findChildren<QLabel*>("mapLegendText")) {
        words << label->text();
        QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(), qPrintable(label->text()));
        QVERIFY2(legend->rect().contains(label->geometry()), qPrintable(label->text()));
      }
      QCOMPARE(words, c.words);
      CloseAndDelete(map);
    }
  }

  void screenshotOfTheMap() {
    quillmere::testing::TempDir dir;
    quillmere::testing::MemsImageBuilder builder;
    builder.AddSave(1, 8, NamedSave("GRANDIA_001", 4000)).AddSave(2, 13, NamedSave("SAKURA_02", 700));
    builder.AddSave(3, 14, NamedSave("DRACULA_X", 9000), {15, 16, 17, 40, 41, 42, 43, 44});
    builder.AddSave(4, 18, NamedSave("SEGARALLY", 300)).AddSave(5, 60, NamedSave("NIGHTS_01", 2500));
    quillmere::testing::WriteFile(dir / "SS_MEMS.BIN", builder.Build());
    quillmere::testing::ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.show();
    MapWindow* map = ClickMap(window, "pane1Map");
    QVERIFY(QTest::qWaitForWindowExposed(map));
    FindChild<QListWidget>(*map, "mapNames")->setCurrentRow(2);  // DRACULA_X, in its red half
    const QImage shot = map->grab().toImage();
    QTableView* grid = FindChild<QTableView>(*map, "mapGrid");
    auto pixel = [&](std::uint32_t unit, QPoint offset) {
      const QPoint at = grid->viewport()->mapTo(map, grid->visualRect(IndexOf(grid, unit)).topLeft() + offset);
      return shot.pixelColor(at * shot.devicePixelRatio()).rgb();
    };
    QCOMPARE(pixel(8, {1, 1}), QColor(255, 242, 0).rgb());  // first unit: yellow with a red square
    QCOMPARE(pixel(8, {6, 6}), QColor(237, 28, 36).rgb());
    QCOMPARE(pixel(9, {6, 6}), QColor(34, 177, 76).rgb());
    QCOMPARE(pixel(15, {6, 6}), QColor(237, 28, 36).rgb());
    QCOMPARE(pixel(100, {6, 6}), QColor(255, 255, 255).rgb());
    const QString folder = qEnvironmentVariable("QUILLMERE_SCREENSHOT_DIR", QDir::tempPath());
    QDir().mkpath(folder);
    QVERIFY(shot.save(folder + "/map_window.png"));
    // And with the tooltip of one of DRACULA_X's clusters painted beside it.
    const QRect shared = grid->visualRect(IndexOf(grid, 15));
    QToolTip::showText(grid->viewport()->mapToGlobal(shared.center()), IndexOf(grid, 15).data(Qt::ToolTipRole).toString(),
                       grid->viewport());
    QWidget* tip = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->inherits("QTipLabel") && widget->isVisible()) tip = widget;
    }
    QVERIFY(tip);
    QImage hovered = shot;
    QPainter(&hovered).drawPixmap(grid->viewport()->mapTo(map, shared.bottomRight() + QPoint(4, 4)), tip->grab());
    QVERIFY(hovered.save(folder + "/map_hover.png"));
    QToolTip::hideText();
    CloseAndDelete(map);
  }
};

QTEST_MAIN(MapWindowTest)
#include "map_window_test.moc"
