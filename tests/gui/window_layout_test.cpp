#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QtTest>
#include <string>

#include "support/image_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"
#include "ui/main_window.h"
#include "widget_lookup.h"

using quillmere::testing::FindChild;
using quillmere::testing::ScriptedHost;
using quillmere::testing::TempDir;
using quillmere::ui::MainWindow;

namespace {

// Every control's place in the window's client area, as the window was drawn.
struct Place {
  const char* name;
  QRect rect;
};

const Place kPlaces[] = {
    {"ssfPanel", {46, 8, 370, 120}},          {"ssfLabel", {54, 27, 48, 16}},
    {"ssfPath", {102, 25, 275, 20}},          {"ssfPick", {379, 24, 32, 20}},
    {"ssfList", {72, 53, 323, 36}},           {"ssfConvert", {257, 98, 120, 25}},
    {"sarooPanel", {492, 8, 377, 120}},       {"sarooLabel", {497, 26, 56, 16}},
    {"sarooPath", {554, 24, 275, 20}},        {"sarooPick", {831, 23, 32, 20}},
    {"sarooList", {524, 53, 323, 36}},        {"sarooConvert", {710, 96, 120, 25}},
    {"transferArea", {8, 132, 896, 412}},     {"transferLeft", {458, 498, 50, 25}},
    {"transferRight", {403, 498, 50, 25}},    {"clearUnusedOnRefresh", {323, 528, 140, 14}},
    {"overwriteOnTransfer", {474, 528, 133, 14}},
    {"pane1List", {13, 148, 440, 346}},       {"pane2List", {458, 148, 440, 346}},
    {"pane1Refresh", {16, 496, 45, 22}},      {"pane2Refresh", {851, 496, 45, 22}},
    {"pane1Export", {65, 496, 45, 22}},       {"pane2Export", {802, 496, 45, 22}},
    {"pane1Import", {114, 496, 45, 22}},      {"pane2Import", {753, 496, 45, 22}},
    {"pane1Map", {161, 496, 35, 22}},         {"pane2Map", {715, 497, 35, 22}},
    {"pane1Compact", {16, 519, 45, 22}},      {"pane2Compact", {851, 519, 45, 22}},
    {"pane1Kind", {66, 520, 94, 22}},         {"pane2Kind", {751, 521, 94, 22}},
    {"pane1RemainingCaption", {206, 501, 28, 16}}, {"pane2RemainingCaption", {631, 503, 28, 16}},
    {"pane1Number", {239, 501, 70, 16}},      {"pane2Number", {664, 503, 50, 16}},
    {"pane1Hint", {180, 527, 140, 14}},       {"pane2Hint", {611, 527, 140, 14}},
};

// The file labels grow to their lines' height about their place's middle, never below their place.
const Place kAtLeast[] = {{"pane1FileLabel", {311, 498, 92, 24}}, {"pane2FileLabel", {511, 499, 115, 24}}};

QRect InWindow(QWidget& window, QWidget* control) { return {control->mapTo(&window, QPoint(0, 0)), control->size()}; }

// In a window 290 pixels wider and 250 taller: pane 1's list takes 145 of
// the width, pane 2's the rest; the controls under the lists come down with
// them, pane 2's keep to its right edge and those between the panes to the middle.
const Place kGrown[] = {
    {"sarooPanel", {637, 8, 377, 120}},   {"transferArea", {8, 132, 1186, 662}}, {"pane1List", {13, 148, 585, 596}},
    {"pane2List", {603, 148, 585, 596}},  {"pane1Kind", {66, 770, 94, 22}},      {"pane2Refresh", {1141, 746, 45, 22}},
    {"pane2Hint", {901, 777, 140, 14}},   {"transferLeft", {603, 748, 50, 25}},
};

// The rows of a list whose tops lie inside its viewport.
int VisibleRows(QTableView* list) {
  const int last = list->rowAt(list->viewport()->height() - 1);
  return (last < 0 ? list->model()->rowCount() - 1 : last) - list->rowAt(0) + 1;
}

// Nothing lies over a control the mouse works.
void CheckTheMouseReachesEveryControl(QWidget& window) {
  QList<QWidget*> controls;
  for (auto* button : window.findChildren<QAbstractButton*>()) controls << button;
  for (auto* combo : window.findChildren<QComboBox*>()) controls << combo;
  for (auto* edit : window.findChildren<QLineEdit*>()) controls << edit;
  for (auto* list : window.findChildren<QTableView*>()) controls << list->viewport();
  QVERIFY(controls.size() >= 20);
  for (QWidget* control : controls) {
    if (!control->isVisibleTo(&window)) continue;
    for (const QPoint corner : {control->rect().topLeft(), control->rect().center(), control->rect().bottomRight()}) {
      QWidget* hit = window.childAt(control->mapTo(&window, corner));
      QVERIFY2(hit == control || control->isAncestorOf(hit), qPrintable(control->objectName()));
    }
  }
}

}  // namespace

class WindowLayoutTest : public QObject {
  Q_OBJECT

 private slots:
  void everyControlKeepsItsPlace() {
    TempDir dir;
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (const Place& place : kPlaces) {
      QCOMPARE(InWindow(window, FindChild<QWidget>(window, place.name)), place.rect);
    }
    for (const Place& place : kAtLeast) {
      const QRect shown = InWindow(window, FindChild<QWidget>(window, place.name));
      QCOMPARE(shown.x(), place.rect.x());
      QVERIFY2(shown.contains(place.rect), place.name);
    }
  }

  // Nothing lies over a control the mouse works: the pane parts under the
  // transfer buttons and the options that overlap them least of all; in a
  // grown window too.
  void theMouseReachesEveryControl() {
    TempDir dir;
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    CheckTheMouseReachesEveryControl(window);
    window.resize(1201, 800);
    CheckTheMouseReachesEveryControl(window);
  }

  // The window grows; never below its drawn size, and the room goes to the lists.
  void aGrownWindowShowsMoreRows() {
    TempDir dir;
    quillmere::testing::MemsImageBuilder builder;
    for (int slot = 1; slot <= 60; ++slot) {
      builder.AddSave(slot, 7 + static_cast<std::uint32_t>(slot), quillmere::testing::NamedSave("SAVE_" + std::to_string(slot), 100));
    }
    quillmere::testing::WriteFile(dir / "SS_MEMS.BIN", builder.Build());
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.minimumSize(), QSize(MainWindow::kClientWidth, MainWindow::kClientHeight));
    QTableView* list = FindChild<QTableView>(window, "pane1List");
    const int rows = VisibleRows(list);
    QVERIFY(rows >= 17 && rows < 60);

    window.resize(MainWindow::kClientWidth + 290, MainWindow::kClientHeight + 250);
    for (const Place& place : kGrown) {
      QCOMPARE(InWindow(window, FindChild<QWidget>(window, place.name)), place.rect);
    }
    // 250 more pixels of whole rows.
    QVERIFY(VisibleRows(list) >= rows + 250 / list->rowHeight(0));
    const QString folder = qEnvironmentVariable("QUILLMERE_SCREENSHOT_DIR", QDir::tempPath());
    QVERIFY(QDir().mkpath(folder) && window.grab().save(folder + "/main_window_grown.png"));

    // Back to the drawn size, every control is where it was drawn.
    window.resize(MainWindow::kClientWidth, MainWindow::kClientHeight);
    for (const Place& place : kPlaces) {
      QCOMPARE(InWindow(window, FindChild<QWidget>(window, place.name)), place.rect);
    }
    QCOMPARE(VisibleRows(list), rows);
  }
};

QTEST_MAIN(WindowLayoutTest)
#include "window_layout_test.moc"
