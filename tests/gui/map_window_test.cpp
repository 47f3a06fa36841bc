#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include "support/backup_ram_builder.h"
#include "support/image_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"
#include "ui/main_window.h"
#include "ui/map_window.h"
#include "widget_lookup.h"

using quillmere::MapImage;
using quillmere::testing::BackupRamBuilder;
using quillmere::testing::FindChild;
using quillmere::testing::MemsImageBuilder;
using quillmere::testing::NamedSave;
using quillmere::testing::ScriptedHost;
using quillmere::testing::TempDir;
using quillmere::ui::MainWindow;
using quillmere::ui::MapWindow;

namespace {

// ALPHA: record 8, data 9-11. BETA: record 20, data 11 (shared with ALPHA, as
// in a damaged image) and 21. FAR: a small save far down the grid.
quillmere::ByteBuffer ThreeSaves() {
  return MemsImageBuilder()
      .AddSave(1, 8, NamedSave("ALPHA", 3000))
      .AddSave(2, 20, NamedSave("BETA", 2000), {11, 21})
      .AddSave(3, 5000, NamedSave("FAR", 100))
      .Build();
}

MapImage Cell(QTableView* grid, std::uint32_t unit) {
  const auto* model = static_cast<quillmere::ui::MapGridModel*>(grid->model());
  return static_cast<MapImage>(model->IndexOf(unit).data(Qt::UserRole).toInt());
}

std::vector<MapImage> Cells(QTableView* grid, const std::vector<std::uint32_t>& units) {
  std::vector<MapImage> images;
  for (const std::uint32_t unit : units) images.push_back(Cell(grid, unit));
  return images;
}

MapWindow* ClickMap(MainWindow& window, int pane) {
  QTest::mouseClick(FindChild<QPushButton>(window, pane == 1 ? "pane1Map" : "pane2Map"), Qt::LeftButton);
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
    TempDir dir;
    quillmere::testing::WriteFile(dir / "SS_MEMS.BIN", ThreeSaves());
    quillmere::testing::WriteFile(dir / "OTHER" / "BKRAMSV.BIN",
                                  BackupRamBuilder().AddSave(3, NamedSave("RAMSAVE", 100)).BuildFile());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    FindChild<QComboBox>(window, "pane2Kind")->setCurrentIndex(1);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    struct Case {
      int pane;
      QString caption;
      QSize client;
      int rows;
      int columns;
      QStringList names;
      std::uint32_t firstUnit;
    };
    const Case cases[] = {
        {1, "VIEW MAP ( Cluster size:1024 )", {675, 612}, 252, 33, {"ALPHA", "BETA", "FAR"}, 8},
        {2, "VIEW MAP ( Cluster size:64 )", {484, 401}, 24, 23, {"RAMSAVE"}, 3},
    };
    for (const Case& c : cases) {
      MapWindow* map = ClickMap(window, c.pane);
      QPointer<MapWindow> alive(map);
      QCOMPARE(map->windowTitle(), c.caption);
      QCOMPARE(map->size(), c.client);
      QCOMPARE(map->windowModality(), Qt::ApplicationModal);
      QTableView* grid = FindChild<QTableView>(*map, "mapGrid");
      QCOMPARE(grid->model()->rowCount(), c.rows);
      QCOMPARE(grid->model()->columnCount(), c.columns);
      QCOMPARE(grid->columnWidth(0), 1);
      QCOMPARE(grid->columnWidth(1), 16);
      QVERIFY(map->rect().contains(grid->geometry()));
      QVERIFY(map->rect().contains(FindChild<QListWidget>(*map, "mapNames")->geometry()));
      QStringList names;
      QListWidget* list = FindChild<QListWidget>(*map, "mapNames");
      for (int row = 0; row < list->count(); ++row) names << list->item(row)->text();
      QCOMPARE(names, c.names);
      QCOMPARE(Cell(grid, c.firstUnit), MapImage::kFirst);
      // Column 0 stands for no unit.
      QVERIFY(!grid->model()->index(0, 0).data(Qt::UserRole).isValid());
      CloseAndDelete(map);
      QVERIFY(!alive);
      QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }
  }

  void choosingASecondNameRestoresTheFirstBeforeItBlinks() {
    TempDir dir;
    quillmere::testing::WriteFile(dir / "SS_MEMS.BIN", ThreeSaves());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MapWindow* map = ClickMap(window, 1);
    QVERIFY(QTest::qWaitForWindowExposed(map));
    QTableView* grid = FindChild<QTableView>(*map, "mapGrid");
    QListWidget* names = FindChild<QListWidget>(*map, "mapNames");
    const std::vector<std::uint32_t> alpha = {8, 9, 10, 11};
    const std::vector<std::uint32_t> beta = {20, 11, 21};
    const MapImage red = MapImage::kBlink;

    names->setCurrentRow(0);
    QCOMPARE(Cells(grid, alpha), std::vector<MapImage>(4, red));
    // The normal half: green with the first cell marked, then red again.
    QTRY_COMPARE_WITH_TIMEOUT(Cells(grid, alpha),
                              (std::vector<MapImage>{MapImage::kFirst, MapImage::kUsed, MapImage::kUsed, MapImage::kUsed}),
                              1000);
    QTRY_COMPARE_WITH_TIMEOUT(Cell(grid, 9), red, 1000);

    // BETA shares cluster 11 with ALPHA: ALPHA is restored first, so 11 turns red with BETA.
    names->setCurrentRow(1);
    QCOMPARE(Cells(grid, {8, 9, 10}), (std::vector<MapImage>{MapImage::kFirst, MapImage::kUsed, MapImage::kUsed}));
    QCOMPARE(Cells(grid, beta), std::vector<MapImage>(3, red));
    QTRY_COMPARE_WITH_TIMEOUT(Cells(grid, beta), (std::vector<MapImage>{MapImage::kFirst, MapImage::kUsed, MapImage::kUsed}),
                              1000);
    QCOMPARE(Cell(grid, 9), MapImage::kUsed);  // ALPHA no longer blinks

    // A save far down: its row is scrolled into view.
    const QModelIndex far = static_cast<quillmere::ui::MapGridModel*>(grid->model())->IndexOf(5000);
    QVERIFY(!grid->viewport()->rect().intersects(grid->visualRect(far)));
    names->setCurrentRow(2);
    QVERIFY(grid->viewport()->rect().intersects(grid->visualRect(far)));
    QCOMPARE(Cells(grid, beta), (std::vector<MapImage>{MapImage::kFirst, MapImage::kUsed, MapImage::kUsed}));
    CloseAndDelete(map);
  }

  void closingWhileASaveBlinksLeavesNothingRunning() {
    TempDir dir;
    quillmere::testing::WriteFile(dir / "SS_MEMS.BIN", ThreeSaves());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MapWindow* map = ClickMap(window, 1);
    QPointer<MapWindow> alive(map);
    QPointer<QTimer> timer(map->findChild<QTimer*>("blinkTimer"));
    QVERIFY(timer);
    FindChild<QListWidget>(*map, "mapNames")->setCurrentRow(0);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), MapWindow::kBlinkHalfMs);
    QTest::qWait(200);  // mid-blink

    CloseAndDelete(map);
    QVERIFY(!alive);
    QVERIFY(!timer);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QVERIFY(window.findChildren<QTimer*>("blinkTimer").isEmpty());
    // The main window works on: a second map opens fresh, with nothing chosen.
    MapWindow* again = ClickMap(window, 1);
    QTableView* grid = FindChild<QTableView>(*again, "mapGrid");
    QCOMPARE(Cells(grid, {8, 9}), (std::vector<MapImage>{MapImage::kFirst, MapImage::kUsed}));
    QVERIFY(!again->findChild<QTimer*>("blinkTimer")->isActive());
    CloseAndDelete(again);
  }

  void screenshotOfTheMap() {
    TempDir dir;
    MemsImageBuilder builder;
    builder.AddSave(1, 8, NamedSave("GRANDIA_001", 4000)).AddSave(2, 13, NamedSave("SAKURA_02", 700));
    builder.AddSave(3, 14, NamedSave("DRACULA_X", 9000), {15, 16, 17, 40, 41, 42, 43, 44});
    builder.AddSave(4, 18, NamedSave("SEGARALLY", 300)).AddSave(5, 60, NamedSave("NIGHTS_01", 2500));
    quillmere::testing::WriteFile(dir / "SS_MEMS.BIN", builder.Build());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    MapWindow* map = ClickMap(window, 1);
    QVERIFY(QTest::qWaitForWindowExposed(map));
    FindChild<QListWidget>(*map, "mapNames")->setCurrentRow(2);  // DRACULA_X, in its red half
    const QImage shot = map->grab().toImage();
    // The cell images in their colours: cluster 8 marked, cluster 9 green, cluster 15 red.
    QTableView* grid = FindChild<QTableView>(*map, "mapGrid");
    auto pixel = [&](std::uint32_t unit, QPoint offset) {
      const QRect cell = grid->visualRect(static_cast<quillmere::ui::MapGridModel*>(grid->model())->IndexOf(unit));
      const QPoint at = grid->viewport()->mapTo(map, cell.topLeft() + offset);
      return shot.pixelColor(at * shot.devicePixelRatio()).rgb();
    };
    QCOMPARE(pixel(8, {1, 1}), QColor(255, 242, 0).rgb());
    QCOMPARE(pixel(8, {6, 6}), QColor(237, 28, 36).rgb());
    QCOMPARE(pixel(9, {6, 6}), QColor(34, 177, 76).rgb());
    QCOMPARE(pixel(15, {6, 6}), QColor(237, 28, 36).rgb());
    QCOMPARE(pixel(100, {6, 6}), QColor(255, 255, 255).rgb());
    const QString folder = qEnvironmentVariable("QUILLMERE_SCREENSHOT_DIR", QDir::tempPath());
    QDir().mkpath(folder);
    const QString file = folder + "/map_window.png";
    QVERIFY(shot.save(file));
    qInfo("screenshot: %s", qPrintable(file));
    CloseAndDelete(map);
  }
};

QTEST_MAIN(MapWindowTest)
#include "map_window_test.moc"
