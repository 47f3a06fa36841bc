#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include "catalog/catalog.h"
#include "containers/mems_image.h"
#include "operations/save_transfer.h"
#include "support/image_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"
#include "ui/language.h"
#include "ui/main_window.h"
#include "ui/map_window.h"
#include "ui/qt_host.h"
#include "widget_lookup.h"

using quillmere::Message;
using quillmere::catalog::Language;
using quillmere::testing::FindChild;
using quillmere::testing::MemsImageBuilder;
using quillmere::testing::NamedSave;
using quillmere::testing::ScriptedHost;
using quillmere::testing::TempDir;
using quillmere::ui::MainWindow;

namespace {

// Whether a caption holds a Chinese character.
bool HasChinese(const QString& text) {
  for (const QChar c : text) {
    if (c.script() == QChar::Script_Han || (c.unicode() >= 0x3000 && c.unicode() <= 0x303F) ||
        (c.unicode() >= 0xFF00 && c.unicode() <= 0xFFEF)) {
      return true;
    }
  }
  return false;
}

// The caption a control shows, whatever its kind.
QString CaptionOf(QObject* control) {
  if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->text();
  if (auto* label = qobject_cast<QLabel*>(control)) return label->text();
  if (auto* frame = qobject_cast<QGroupBox*>(control)) return frame->title();
  if (auto* action = qobject_cast<QAction*>(control)) return action->text();
  return {};
}

QString ScreenshotFolder() {
  const QString folder = qEnvironmentVariable("QUILLMERE_SCREENSHOT_DIR", QDir::tempPath());
  QDir().mkpath(folder);
  return folder;
}

// Pane 1 with four saves; pane 2 with one of them and, when `fullList`,
// room in its list for one save more, so that a transfer skips one and refuses two.
void WriteSaves(const TempDir& dir, bool fullList) {
  MemsImageBuilder first;
  first.AddSave(1, 8, NamedSave("GRANDIA_001", 4000, 1)).AddSave(2, 13, NamedSave("SAKURA_02", 700, 2));
  first.AddSave(3, 14, NamedSave("DRACULA_X", 9000, 3)).AddSave(4, 24, NamedSave("NIGHTS_01", 2500, 4));
  quillmere::testing::WriteFile(dir / "SS_MEMS.BIN", first.Build());
  // Pane 2 lists one of them, and has room in its list for one save more.
  MemsImageBuilder second;
  second.AddSave(1, 8, NamedSave("SAKURA_02", 700, 9));
  for (int slot = 2; fullList && slot < quillmere::mems::kDirectorySlots; ++slot) {
    second.AddSave(slot, static_cast<std::uint32_t>(8 + slot), NamedSave("S" + std::to_string(slot), 10));
  }
  quillmere::testing::WriteFile(dir / "OTHER" / "SS_MEMS.BIN", second.Build());
}

}  // namespace

class LanguagesTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { quillmere::ui::UseLanguage(Language::kChinese); }

  // The pane menu switches every caption at once; the table holds each
  // control's words in both languages, and no control keeps the other's.
  void theMenuSwitchesEveryCaption() {
    TempDir dir;
    WriteSaves(dir, false);
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    std::vector<Language> remembered;
    window.setLanguageChosen([&remembered](Language language) { remembered.push_back(language); });
    struct Case {
      const char* control;
      const char* chinese;
      const char* english;
    };
    const std::vector<Case> cases = {
        {"ssfPanel", "SSF单存档转SAROO单存档", "SSF single save to SAROO single save"},
        {"sarooPanel", "SAROO单存档转SSF单存档", "SAROO single save to SSF single save"},
        {"ssfLabel", "SSF存档", "SSF"},
        {"sarooLabel", "SAROO存档", "SAROO"},
        {"ssfConvert", "转成SAROO单存档", "To SAROO save"},
        {"sarooConvert", "转成SSF单存档", "To SSF save"},
        {"transferArea", "SAROO存档转移", "SAROO save transfer"},
        {"pane1Import", "导入", "Import"},
        {"pane2Export", "导出", "Export"},
        {"pane1Refresh", "刷新", "Reload"},
        {"pane2Compact", "整理", "Tidy"},
        {"transferRight", "转移>>", "Move>>"},
        {"transferLeft", "<<转移", "<<Move"},
        {"pane1RemainingCaption", "剩余:", "Free"},
        {"pane2Hint", "SS_MEMS.BIN放OTHER目录", "Need OTHER/SS_MEMS.BIN"},
        {"clearUnusedOnRefresh", "刷新时清空未使用区域", "Clear free space"},
        {"overwriteOnTransfer", "转移时覆盖同名存档", "Replace same name"},
        {"pane1ExportBup", "导出为BUP", "Export as BUP"},
        {"pane2Delete", "删除", "Delete"},
        {"pane1Check", "检查", "Check"},
        {"pane2Repair", "修复", "Repair"},
        {"pane1Undo", "撤销上次修改", "Undo last change"},
        {"pane1English", "English", "English"},
        {"pane2Chinese", "中文", "中文"},
    };
    for (const Language language : {Language::kEnglish, Language::kChinese, Language::kEnglish}) {
      const bool english = language == Language::kEnglish;
      FindChild<QAction>(window, english ? "pane2English" : "pane1Chinese")->trigger();
      for (const Case& c : cases) {
        QObject* control = window.findChild<QObject*>(c.control);
        QVERIFY2(control, c.control);
        QCOMPARE(CaptionOf(control), QString::fromUtf8(english ? c.english : c.chinese));
      }
      for (QObject* control : window.findChildren<QObject*>()) {
        const QString caption = CaptionOf(control);
        if (english && !control->objectName().endsWith("Chinese")) {
          QVERIFY2(!HasChinese(caption), qPrintable(control->objectName() + ": " + caption));
        }
        for (const Case& c : cases) {
          if (!english && std::string_view(c.english) != c.chinese) {
            QVERIFY2(caption != QString::fromUtf8(c.english), qPrintable(control->objectName() + ": " + caption));
          }
        }
      }
      QCOMPARE(FindChild<QAction>(window, "pane1English")->isChecked(), english);
      QCOMPARE(FindChild<QAction>(window, "pane2Chinese")->isChecked(), !english);
      QCOMPARE(FindChild<QTableView>(window, "pane1List")->model()->headerData(1, Qt::Horizontal).toString(), "Name");
      // The long form of a shortened caption is a tooltip, in English only.
      QCOMPARE(FindChild<QCheckBox>(window, "overwriteOnTransfer")->toolTip().isEmpty(), !english);
    }
    QCOMPARE(remembered, (std::vector<Language>{Language::kEnglish, Language::kChinese, Language::kEnglish}));
    QCOMPARE(QString::fromStdString(quillmere::catalog::Render(quillmere::ImportDone{})), "Import done!");
  }

  // Every English caption fits its fixed control in the window's font.
  void englishCaptionsFitTheirControls() {
    TempDir dir;
    WriteSaves(dir, false);
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    window.SwitchLanguage(Language::kEnglish);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (QWidget* control : window.findChildren<QWidget*>()) {
      if (!control->isVisible()) continue;
      const QString caption = CaptionOf(control);
      if (caption.isEmpty() || control->objectName().endsWith("FileLabel")) continue;
      int room = control->width();
      if (qobject_cast<QPushButton*>(control)) room -= 4;  // the frame's edges
      if (qobject_cast<QCheckBox*>(control)) {
        room -= control->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, control) +
                control->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, control);
      }
      if (qobject_cast<QGroupBox*>(control)) continue;  // a frame's title has its whole width
      QVERIFY2(control->fontMetrics().horizontalAdvance(caption) <= room,
               qPrintable(control->objectName() + ": " + caption));
    }
    QVERIFY(window.grab().save(ScreenshotFolder() + "/main_window_en.png"));
    auto* map = quillmere::ui::OpenMapWindow(quillmere::BuildAllocationMap(window.bench().pane(1)), &window);
    QVERIFY(QTest::qWaitForWindowExposed(map));
    FindChild<QListWidget>(*map, "mapNames")->setCurrentRow(2);
    QVERIFY(map->grab().save(ScreenshotFolder() + "/map_window_en.png"));
    map->close();
  }

  // A transfer that skips and refuses ends with one message of its counts
  // and first reason, in Qt's own buttons of the chosen language.
  void aTransferSummaryInEnglish() {
    TempDir dir;
    WriteSaves(dir, true);
    quillmere::ui::QtHost dialogs;
    MainWindow window(dir.path(), dialogs);
    dialogs.setParent(&window);
    window.SwitchLanguage(Language::kEnglish);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTableView* pane1 = FindChild<QTableView>(window, "pane1List");
    pane1->selectAll();
    QString told;
    QString button;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    // Answers the box the host opens, and notes its text and button.
    QTimer answer;
    connect(&answer, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      told = box->text();
      button = box->buttons().value(0)->text();
      title = box->windowTitle();
      icon = box->icon();
      QImage shot = window.grab().toImage();
      const QPixmap message = box->grab();
      QPainter(&shot).drawPixmap((shot.width() - message.width()) / 2, (shot.height() - message.height()) / 2, message);
      shot.save(ScreenshotFolder() + "/message_en.png");
      box->accept();
    });
    answer.start(10);
    FindChild<QPushButton>(window, "transferRight")->click();
    answer.stop();
    // The run names each save it did not import, with the reason, in a box
    // that looks like the warning it is.
    QCOMPARE(told, QString("Saves moved: 1, skipped for their name: 1, refused: 2.\r\nSaves not imported:\r\n"
                           "SAKURA_02:\r\na save of that name is listed\r\n"
                           "DRACULA_X:\r\nList 2 is full; no more saves can be written!\r\n"
                           "NIGHTS_01:\r\nList 2 is full; no more saves can be written!"));
    QCOMPARE(button, QString("OK"));
    QCOMPARE(title, QString("Warning"));
    QCOMPARE(icon, QMessageBox::Warning);
  }

  // The window starts in the option's language, else the environment's,
  // else the one remembered from the pane menu.
  void theRememberedChoiceComesLast() {
    TempDir dir;
    QSettings settings(QString::fromStdString((dir / "Quillmere.conf").string()), QSettings::IniFormat);
    qunsetenv("QUILLMERE_LANGUAGE");
    QCOMPARE(quillmere::ui::StartLanguage(std::nullopt, settings), Language::kChinese);
    quillmere::ui::RememberLanguage(settings, Language::kEnglish);
    QCOMPARE(quillmere::ui::StartLanguage(std::nullopt, settings), Language::kEnglish);
    QCOMPARE(quillmere::ui::StartLanguage("zh", settings), Language::kChinese);
    qputenv("QUILLMERE_LANGUAGE", "zh");
    QCOMPARE(quillmere::ui::StartLanguage(std::nullopt, settings), Language::kChinese);
    QCOMPARE(quillmere::ui::StartLanguage("en", settings), Language::kEnglish);
    qunsetenv("QUILLMERE_LANGUAGE");
  }

  // Qt's own buttons read Chinese in Chinese.
  void qtTextsFollowTheLanguage() {
    quillmere::ui::UseLanguage(Language::kChinese);
    QMessageBox box(QMessageBox::NoIcon, "", "", QMessageBox::Ok | QMessageBox::Cancel);
    const QString ok = box.button(QMessageBox::Ok)->text();
    if (ok == "&OK" || ok == "OK") QSKIP("Qt's Chinese translation is not installed (qt6-translations-l10n)");
    QCOMPARE(ok, QString("确定"));
    quillmere::ui::UseLanguage(Language::kEnglish);
    QMessageBox english(QMessageBox::NoIcon, "", "", QMessageBox::Ok | QMessageBox::Cancel);
    QVERIFY(!HasChinese(english.button(QMessageBox::Cancel)->text()));
  }
};

QTEST_MAIN(LanguagesTest)
#include "languages_test.moc"
