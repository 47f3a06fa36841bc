#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include "support/image_builder.h"
#include "support/scripted_host.h"
#include "support/test_files.h"
#include "ui/main_window.h"
#include "widget_lookup.h"

using quillmere::ByteBuffer;
using quillmere::testing::ReadFile;
using quillmere::testing::ScriptedHost;
using quillmere::testing::TempDir;
using quillmere::testing::WriteFile;
using quillmere::testing::FindChild;
using quillmere::ui::MainWindow;

namespace {

// An SSF single save: comment "ｾｰﾌﾞ", packed date 1999-05-18 15:08, 100 data bytes.
ByteBuffer SsfFile() {
  ByteBuffer file{0xBE, 0xB0, 0xCC, 0xDE, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0x9E, 0xAC, 0x09};
  file.Append(ByteBuffer(quillmere::testing::PatternData(100, 7)));
  return file;
}

QStringList Row(QTableView* list) { return quillmere::testing::Row(list, 0); }

}  // namespace

class ConverterPanelsTest : public QObject {
  Q_OBJECT

 private slots:
  void emptyPathsConvertNothing() {
    TempDir dir;
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    QCOMPARE(Row(FindChild<QTableView>(window, "ssfList")), QStringList({"", "", "", ""}));
    QTest::mouseClick(FindChild<QPushButton>(window, "ssfConvert"), Qt::LeftButton);
    QTest::mouseClick(FindChild<QPushButton>(window, "sarooConvert"), Qt::LeftButton);
    QVERIFY(host.messages.empty());
    QVERIFY(host.revealed.empty());
    QVERIFY(!QFileInfo::exists(QString::fromStdString((dir / "SAROO").string())));
    QVERIFY(!QFileInfo::exists(QString::fromStdString((dir / "SSF").string())));
  }

  void pickShowConvertAndBack() {
    TempDir dir;
    const auto ssf = dir / "SSF" / "GRANDIA_001.BIN";
    WriteFile(ssf, SsfFile());
    ScriptedHost host;
    MainWindow window(dir.path(), host);

    host.pickedFiles.push_back(ssf);
    QTest::mouseClick(FindChild<QPushButton>(window, "ssfPick"), Qt::LeftButton);
    QCOMPARE(host.filePicks.size(), std::size_t{1});
    QCOMPARE(quillmere::ui::FilterWords(host.filePicks[0].filter), std::string("SSF单存档文件（*.bin）|*.bin"));
    QCOMPARE(host.filePicks[0].initialFolder, dir / "SSF");
    QCOMPARE(FindChild<QLineEdit>(window, "ssfPath")->text(), QString::fromStdString(ssf.string()));
    QCOMPARE(Row(FindChild<QTableView>(window, "ssfList")), QStringList({"GRANDIA_001", "ｾｰﾌﾞ", "1999-05-18 15:08", "100"}));

    QTest::mouseClick(FindChild<QPushButton>(window, "ssfConvert"), Qt::LeftButton);
    const auto saroo = dir / "SAROO" / "GRANDIA_001.bin";
    QCOMPARE(host.revealed, std::vector<std::filesystem::path>({saroo}));
    const ByteBuffer sarooBytes = ReadFile(saroo);
    QCOMPARE(sarooBytes.size(), std::size_t{164});
    QCOMPARE(sarooBytes.Slice(0, 8), ByteBuffer::FromText("SSAVERAW"));
    QCOMPARE(sarooBytes.Slice(64, 100), ReadFile(ssf).Slice(16, 100));

    // A cancelled dialog changes nothing.
    host.pickedFiles.push_back(std::nullopt);
    QTest::mouseClick(FindChild<QPushButton>(window, "ssfPick"), Qt::LeftButton);
    QCOMPARE(FindChild<QLineEdit>(window, "ssfPath")->text(), QString::fromStdString(ssf.string()));

    host.pickedFiles.push_back(saroo);
    QTest::mouseClick(FindChild<QPushButton>(window, "sarooPick"), Qt::LeftButton);
    QCOMPARE(quillmere::ui::FilterWords(host.filePicks.back().filter), std::string("SAROO单存档（*.bin）|*.bin|SRO存档（*.sro）|*.sro"));
    QCOMPARE(host.filePicks.back().initialFolder, dir / "SAROO");
    QCOMPARE(Row(FindChild<QTableView>(window, "sarooList")), QStringList({"GRANDIA_001", "ｾｰﾌﾞ", "1999-05-18 15:08", "100"}));

    QTest::mouseClick(FindChild<QPushButton>(window, "sarooConvert"), Qt::LeftButton);
    const auto back = dir / "SSF" / "GRANDIA_001.bin";
    QCOMPARE(host.revealed.back(), back);
    // There and back gives the very same bytes.
    QCOMPARE(ReadFile(back), SsfFile());
    QVERIFY(host.messages.empty());
  }

  void sarooFileInTheSsfHalfIsRefused() {
    TempDir dir;
    ByteBuffer saroo = ByteBuffer::FromText("SSAVERAW");
    saroo.Append(60, 0);
    const auto file = dir / "SAROO" / "ODD.bin";
    WriteFile(file, saroo);
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    host.pickedFiles.push_back(file);
    QTest::mouseClick(FindChild<QPushButton>(window, "ssfPick"), Qt::LeftButton);
    QCOMPARE(Row(FindChild<QTableView>(window, "ssfList")).at(1), QString("SSAVERAW"));
    QTest::mouseClick(FindChild<QPushButton>(window, "ssfConvert"), Qt::LeftButton);
    QCOMPARE(host.messages, std::vector<std::string>({"错误的存档格式！"}));
    QVERIFY(host.revealed.empty());
  }

  // Files that exist but are not read: each is reported when it is shown or
  // converted, shows as missing, and nothing is written from it or over it.
  void unreadableAndOversizedFilesAreReportedAndNeverWritten() {
#ifdef _WIN32
    QSKIP("no file permissions to take away on Windows");
#endif
    TempDir dir;
    const auto pane1 = dir / "SS_MEMS.BIN";
    const auto pane2 = dir / "OTHER" / "SS_MEMS.BIN";
    const auto single = dir / "SAROO" / "GAME.bin";
    quillmere::testing::MakeUnreadableFile(pane1);
    quillmere::testing::MakeTooLargeFile(pane2);
    quillmere::testing::MakeUnreadableFile(single);
    const std::string unreadable = "读取文件失败！\r\n" + pane1.string();
    const std::string tooLarge = "文件过大，无法读取！\r\n" + pane2.string();
    ScriptedHost host;
    MainWindow window(dir.path(), host);
    QCOMPARE(host.messages, std::vector<std::string>({unreadable, tooLarge}));
    QVERIFY(!FindChild<QLabel>(window, "pane1Hint")->isHidden());
    QVERIFY(!FindChild<QLabel>(window, "pane2Hint")->isHidden());

    FindChild<QCheckBox>(window, "clearUnusedOnRefresh")->click();
    QTest::mouseClick(FindChild<QPushButton>(window, "pane1Refresh"), Qt::LeftButton);
    QCOMPARE(host.messages.back(), unreadable);
    QCOMPARE(FindChild<QTableView>(window, "pane1List")->model()->rowCount(), 0);

    host.messages.clear();
    host.pickedFiles.push_back(single);
    QTest::mouseClick(FindChild<QPushButton>(window, "sarooPick"), Qt::LeftButton);
    QCOMPARE(Row(FindChild<QTableView>(window, "sarooList")), QStringList({"", "", "", ""}));
    QTest::mouseClick(FindChild<QPushButton>(window, "sarooConvert"), Qt::LeftButton);
    const std::string singleUnreadable = "读取文件失败！\r\n" + single.string();
    QCOMPARE(host.messages, std::vector<std::string>({singleUnreadable, singleUnreadable}));
    QVERIFY(host.revealed.empty());
    QVERIFY(!QFileInfo::exists(QString::fromStdString((dir / "SSF").string())));
    QCOMPARE(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 3);
  }
};

QTEST_MAIN(ConverterPanelsTest)
#include "converter_panels_test.moc"
