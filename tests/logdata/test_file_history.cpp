#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/frm_find_ports.h"
#include "app/frm_main.h"
#include "link/serial_link.h"
#include "link_fixture.h"
#include "logdata/dated_files.h"
#include "logdata/open_log_command.h"
#include "logdata/recordings_folder.h"
#include "memory_settings.h"
#include "platform/port_bindings.h"
#include "platform/serial_devices.h"
#include "settings/recent_files.h"

using namespace tarvik;
using test::LinkFixture;

namespace {

const QString kBase = QStringLiteral("Nitrous Data Logging Program Version 2.0");
const QString kFilter = QStringLiteral("Nitrous Controller log files (*.log)|*.log");

// Made-up serial devices, as a computer with two adapters would list them.
class FakeDevices final : public SerialDeviceList {
public:
    QList<SerialDeviceInfo> list;
    int calls = 0;
    QList<SerialDeviceInfo> devices() const override {
        ++const_cast<FakeDevices*>(this)->calls;
        return list;
    }
};

SerialDeviceInfo ftdi() {
    SerialDeviceInfo d;
    d.device = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_A10KX3-if00-port0");
    d.systemLocation = QStringLiteral("/dev/ttyUSB0");
    d.description = QStringLiteral("FT232R USB UART");
    d.manufacturer = QStringLiteral("FTDI");
    d.serialNumber = QStringLiteral("A10KX3");
    d.vendorId = 0x0403;
    d.productId = 0x6001;
    return d;
}

SerialDeviceInfo onboard() {
    SerialDeviceInfo d;
    d.device = QStringLiteral("/dev/ttyS0");
    d.systemLocation = QStringLiteral("/dev/ttyS0");
    return d;
}

// The main window over the simulated controller; the modal chart closes as soon as it shows.
struct Window {
    LinkFixture f;
    test::MemorySettings store;
    QTemporaryDir dir;
    FakeDevices devices;
    QStringList foldersShown;
    std::unique_ptr<FrmMain> w;
    QTimer closer;
    int chartsClosed = 0;

    Window() {
        MainWindowServices s{&f.dialogs, &store, Branding::defaults(), &f.port, &f.clock};
        s.downloadsFolder = dir.filePath(QStringLiteral("downloads"));
        s.serialDevices = &devices;
        s.showFolder = [this](const QString& folder) {
            foldersShown << folder;
            return true;
        };
        w = std::make_unique<FrmMain>(s);
        w->setExitAction([] {});
        w->Form_Load();
        closer.setInterval(5);
        QObject::connect(&closer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal != nullptr && modal->objectName() == QLatin1String("frmChart1")) {
                ++chartsClosed;
                modal->close();
            }
        });
        closer.start();
    }
    // The menu's entries as the user sees them when it opens.
    QList<QAction*> entries(const char* menu) {
        auto* m = w->findChild<QMenu*>(QLatin1String(menu));
        emit m->aboutToShow();
        return m->actions();
    }
    void expectFirmware() {
        f.dialogs.expectMessage(
            QStringLiteral("Download Data"),
            QStringLiteral("Firmware ID: ") + QString::fromLatin1(f.model.firmwareText()),
            MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    }
    void expectOverwrite() {
        f.dialogs.expectMessage(QStringLiteral("Open Log File"),
                                QStringLiteral("Data buffer not empty. OK to overwrite?"),
                                MsgIcon::None, MsgButtons::OkCancel, MsgResult::Ok);
    }
    void waitForChart(int n) { QTRY_COMPARE_WITH_TIMEOUT(chartsClosed, n, 5000); }
};

#define DIALOGS_OK(win) QVERIFY2((win).f.dialogs.ok(), qPrintable((win).f.dialogs.report()))

}  // namespace

class TestFileHistory : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void downloadKeptAndReopened();
    void vanishedRecentFileIsDropped();
    void goneFileOfAListIsSaidToBeGone_data();
    void goneFileOfAListIsSaidToBeGone();
    void downloadsFolderBlockedByAFile();
    void recentListOrderAndLimit();
    void recentMenuText_data();
    void recentMenuText();
    void datedFilesNewestFirst();
    void findPortsBindsDevice();
    void findPortsWithNothingPlugged();
    void findPortsShowsThePortInUse_data();
    void findPortsShowsThePortInUse();
    void stableNameFromById();
};

void TestFileHistory::downloadKeptAndReopened() {
    Window win;
    QVERIFY(win.entries("mnuRecentDownloads").at(0)->text() == QStringLiteral("(none)"));
    win.expectFirmware();
    win.w->findChild<QAction*>(QStringLiteral("mnuDownload"))->trigger();
    win.waitForChart(1);
    DIALOGS_OK(win);

    // The download is kept and listed by date, time and model.
    const QList<QAction*> listed = win.entries("mnuRecentDownloads");
    QCOMPARE(listed.size(), 1);
    QVERIFY2(
        QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d  \\d\\d:\\d\\d:\\d\\d  QX-2$"))
            .match(listed.at(0)->text())
            .hasMatch(),
        qPrintable(listed.at(0)->text()));
    const QStringList kept =
        QDir(win.w->downloadsFolder()).entryList({QStringLiteral("*.log")}, QDir::Files);
    QCOMPARE(kept.size(), 1);
    // The download's caption is left as it was: the kept file is not the data set's file.
    QCOMPARE(win.w->windowTitle(), kBase + QStringLiteral(" - Downloaded Data"));
    QVERIFY(win.w->recentFiles().isEmpty());

    // Choosing it opens it as File > Open File would: the overwrite question, the file's name
    // in the caption, the chart, and a place in Recent Files.
    const auto rpm = win.w->dataBuffer().column(Column::RPM);
    win.expectOverwrite();
    listed.at(0)->trigger();
    win.waitForChart(2);
    DIALOGS_OK(win);
    QCOMPARE(win.w->windowTitle(), kBase + QStringLiteral(" - ") + kept.at(0));
    QCOMPARE(win.w->dataBuffer().column(Column::RPM), rpm);
    QCOMPARE(win.w->recentFiles(),
             QStringList{QDir::toNativeSeparators(win.w->downloadsFolder() + u'/' + kept.at(0))});

    win.w->findChild<QAction*>(QStringLiteral("mnuOpenDownloadsFolder"))->trigger();
    QCOMPARE(win.foldersShown, QStringList{win.w->downloadsFolder()});
}

void TestFileHistory::vanishedRecentFileIsDropped() {
    Window win;
    const QString a = win.dir.filePath(QStringLiteral("a.log"));
    const QString b = win.dir.filePath(QStringLiteral("b.log"));
    win.expectFirmware();
    win.w->findChild<QAction*>(QStringLiteral("mnuDownload"))->trigger();
    win.waitForChart(1);
    for (const QString& p : {a, b}) {
        win.f.dialogs.expectSaveFile(QStringLiteral("Save File"), kFilter, p);
        if (p == a) {
            win.f.dialogs.expectInput(QStringLiteral("Comment?"),
                                      QStringLiteral("Optional Information Entry"), QString(),
                                      QStringLiteral("pass"));
        }
        win.w->findChild<QAction*>(QStringLiteral("mnuSaveFile"))->trigger();
    }
    DIALOGS_OK(win);
    QCOMPARE(win.w->recentFiles(), (QStringList{b, a}));
    QList<QAction*> listed = win.entries("mnuRecentFiles");
    QCOMPARE(listed.size(), 2);
    QCOMPARE(listed.at(0)->text(), QStringLiteral("&1 ") + b);

    // a.log has gone: said first, nothing asked before; it leaves the list as the user agrees.
    QVERIFY(QFile::remove(a));
    win.f.dialogs.expectMessage(QStringLiteral("Open Log File"),
                                OpenLogCommand::goneText(a, QStringLiteral("Recent Files"), true),
                                MsgIcon::Exclamation, MsgButtons::YesNo, MsgResult::Yes);
    listed.at(1)->trigger();
    DIALOGS_OK(win);
    QCOMPARE(win.w->recentFiles(), QStringList{b});

    // A folder where the file was is no file either: reported, then dropped.
    QVERIFY(QFile::remove(b));
    QVERIFY(QDir().mkpath(b));
    QString shown;
    win.w->openRecentFile(b);
    QVERIFY(win.f.dialogs.shownCount() >= 1);
    win.f.dialogs.reset();
    QVERIFY(win.w->recentFiles().isEmpty());
    // Neither the gone file nor the folder gave data: the data set loaded before stays.
    QCOMPARE(win.w->dataBuffer().comment, QStringLiteral("pass"));
}

void TestFileHistory::goneFileOfAListIsSaidToBeGone_data() {
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("listName");
    QTest::addColumn<int>("answer");  // to "Remove it from the list?"; -1 when not asked
    QTest::addColumn<bool>("listedAfter");
    QTest::newRow("Recent Files, removed")
        << "mnuRecentFiles"
        << "Recent Files" << static_cast<int>(MsgResult::Yes) << false;
    QTest::newRow("Recent Files, kept")
        << "mnuRecentFiles"
        << "Recent Files" << static_cast<int>(MsgResult::No) << true;
    QTest::newRow("Recent Downloads") << "mnuRecentDownloads"
                                      << "Recent Downloads" << -1 << false;
    QTest::newRow("Recent Recordings") << "mnuRecentRecordings"
                                       << "Recent Recordings" << -1 << false;
}

void TestFileHistory::goneFileOfAListIsSaidToBeGone() {
    // A data set is loaded, so an open would first ask to overwrite it: a file that has gone is
    // said to be gone before that question, and the open goes no further (no dialog, no Retry).
    QFETCH(QString, menu);
    QFETCH(QString, listName);
    QFETCH(int, answer);
    QFETCH(bool, listedAfter);
    QDir(recordingsFolder()).removeRecursively();  // nothing from an earlier run listed
    Window win;
    win.w->dataBuffer().bufferEmpty = false;
    win.w->dataBuffer().comment = QStringLiteral("loaded");
    const QString folder = menu == QLatin1String("mnuRecentDownloads")    ? win.w->downloadsFolder()
                           : menu == QLatin1String("mnuRecentRecordings") ? recordingsFolder()
                                                                          : win.dir.path();
    QVERIFY(QDir().mkpath(folder));
    const QString path = QDir(folder).filePath(QStringLiteral("2026-05-14_20-31-07_QX-2.log"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    RecentFiles(win.store).remember(path);
    const QList<QAction*> listed = win.entries(qPrintable(menu));
    QCOMPARE(listed.size(), 1);
    QVERIFY(QFile::remove(path));

    const bool ask = answer >= 0;
    win.f.dialogs.expectMessage(QStringLiteral("Open Log File"),
                                OpenLogCommand::goneText(path, listName, ask), MsgIcon::Exclamation,
                                ask ? MsgButtons::YesNo : MsgButtons::Ok,
                                ask ? static_cast<MsgResult>(answer) : MsgResult::Ok);
    listed.first()->trigger();
    DIALOGS_OK(win);
    QCOMPARE(win.w->dataBuffer().comment, QStringLiteral("loaded"));
    QCOMPARE(win.chartsClosed, 0);
    const QList<QAction*> after = win.entries(qPrintable(menu));
    QCOMPARE(after.first()->isEnabled(), listedAfter);  // "(none)" is disabled
    QCOMPARE(OpenLogCommand::goneText(path, listName, true),
             path +
                 QStringLiteral("\r\nThis file is no longer there: it has been moved, "
                                "renamed or deleted.\r\n\r\nRemove it from the ") +
                 listName + QStringLiteral(" list?"));
    if (menu == QLatin1String("mnuRecentRecordings")) {
        QDir(folder).removeRecursively();
    }
}

void TestFileHistory::downloadsFolderBlockedByAFile() {
    Window win;
    const QString folder = win.w->downloadsFolder();
    {
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    win.f.dialogs.expectMessage(QStringLiteral("Open Downloads Folder"),
                                folder + QStringLiteral("\r\nThis is a file, not a folder: "
                                                        "downloads cannot be kept there until it "
                                                        "is moved away."),
                                MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    win.w->findChild<QAction*>(QStringLiteral("mnuOpenDownloadsFolder"))->trigger();
    DIALOGS_OK(win);
    QVERIFY(win.foldersShown.isEmpty());

    // The download still loads and charts; the one box about keeping it comes after the chart.
    win.expectFirmware();
    win.f.dialogs.expectMessage(
        QStringLiteral("Download Data"),
        QStringLiteral("The downloaded data could not be kept in the downloads folder.\r\n") +
            folder +
            QStringLiteral(": a file of that name is in the way of the folder\r\n\r\nThe data is "
                           "still loaded: use File > Save File to keep it."),
        MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok, [&] {
            QCOMPARE(win.chartsClosed, 1);  // shown only once the chart has been closed
        });
    win.w->findChild<QAction*>(QStringLiteral("mnuDownload"))->trigger();
    win.waitForChart(1);
    DIALOGS_OK(win);
    QVERIFY(!win.w->dataBuffer().bufferEmpty);
    QCOMPARE(win.entries("mnuRecentDownloads").at(0)->text(), QStringLiteral("(none)"));
}

void TestFileHistory::recentListOrderAndLimit() {
    test::MemorySettings store;
    RecentFiles recent(store);
    for (int i = 1; i <= 12; ++i) {
        recent.remember(QStringLiteral("/runs/pass%1.log").arg(i));
    }
    QStringList want;
    for (int i = 12; i >= 3; --i) {
        want << QStringLiteral("/runs/pass%1.log").arg(i);
    }
    QCOMPARE(recent.paths(), want);
    // Opening one again moves it to the top, once.
    recent.remember(QStringLiteral("/runs/pass5.log"));
    QCOMPARE(recent.paths().first(), QStringLiteral("/runs/pass5.log"));
    QCOMPARE(recent.paths().count(QStringLiteral("/runs/pass5.log")), 1);
    QCOMPARE(recent.paths().size(), RecentFiles::kMaxFiles);
    recent.forget(QStringLiteral("/runs/pass12.log"));
    QCOMPARE(recent.paths().size(), RecentFiles::kMaxFiles - 1);
    QVERIFY(!recent.paths().contains(QStringLiteral("/runs/pass12.log")));
    // Their own keys: the program's ten settings are never touched.
    for (const QString& key : store.values.keys()) {
        QVERIFY2(key.startsWith(QLatin1String("RecentFiles/File")), qPrintable(key));
    }
    QCOMPARE(store.values.value(QStringLiteral("RecentFiles/File10")), QString());
    // A store that refuses the write is an error the caller reports.
    store.refuseWrites = true;
    QVERIFY_THROWS_EXCEPTION(AppError, recent.remember(QStringLiteral("/runs/new.log")));
}

void TestFileHistory::recentMenuText_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("text");
    QTest::newRow("first") << 0 << "/a/b.log"
                           << "&1 /a/b.log";
    QTest::newRow("tenth") << 9 << "/a/b.log"
                           << "1&0 /a/b.log";
    QTest::newRow("ampersand") << 1 << "/r&d/x.log"
                               << "&2 /r&&d/x.log";
    const QString longPath = QStringLiteral("/home/racer/") + QString(80, u'x') + ".log";
    QTest::newRow("long") << 2 << longPath
                          << QStringLiteral("&3 ") + longPath.left(33) + "..." + longPath.right(34);
}

void TestFileHistory::recentMenuText() {
    QFETCH(int, index);
    QFETCH(QString, path);
    QFETCH(QString, text);
    QCOMPARE(RecentFiles::menuText(index, path), text);
}

void TestFileHistory::datedFilesNewestFirst() {
    QTemporaryDir dir;
    const QStringList names = {"2026-12-08_14-03-22_QX-2.log",
                               "2026-12-08_14-03-22_QX-2 (2).log",
                               "2025-01-31_09-00-00_QX-1.log",
                               "2026-12-09_00-00-01_Unknown.log",
                               "notes.log",
                               "2026-13-40_99-99-99_QX-2.log",
                               "2026-12-08_14-03-22_QX-2.txt"};
    for (const QString& n : names) {
        QFile f(dir.filePath(n));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QStringList got;
    for (const DatedFile& d : dated_files::list(dir.path(), QStringLiteral(".log"))) {
        got << d.menuText();
    }
    QCOMPARE(got, (QStringList{"2026-12-09  00:00:01  Unknown", "2026-12-08  14:03:22  QX-2 (2)",
                               "2026-12-08  14:03:22  QX-2", "2025-01-31  09:00:00  QX-1"}));
    QVERIFY(dated_files::list(dir.filePath("missing"), QStringLiteral(".log")).isEmpty());
    QCOMPARE(dated_files::fileName(QDateTime(QDate(2026, 12, 8), QTime(14, 3, 22)),
                                   QStringLiteral("QX/2?"), 3, QStringLiteral(".log")),
             QStringLiteral("2026-12-08_14-03-22_QX_2_ (3).log"));
}

void TestFileHistory::findPortsBindsDevice() {
    FakeDevices devices;
    devices.list = {ftdi(), onboard()};
    test::MemorySettings store;
    test::ScriptedDialogs dialogs;
    QList<int> bound;
    FrmFindPorts dlg(FindPortsServices{devices, store, dialogs, 3, [&](int n) { bound << n; }});
    auto* table = dlg.findChild<QTableWidget*>(QStringLiteral("lstPorts"));
    auto* bind = dlg.findChild<QPushButton*>(QStringLiteral("cmdBind"));
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->horizontalHeaderItem(1)->text(), QStringLiteral("Bound To"));
    QCOMPARE(table->horizontalHeaderItem(5)->text(), QStringLiteral("USB ID"));
    QCOMPARE(table->item(0, 0)->text(), ftdi().device);
    QCOMPARE(table->item(0, 2)->text(), QStringLiteral("FT232R USB UART"));
    QCOMPARE(table->item(0, 3)->text(), QStringLiteral("FTDI"));
    QCOMPARE(table->item(0, 4)->text(), QStringLiteral("A10KX3"));
    QCOMPARE(table->item(0, 5)->text(), QStringLiteral("0403:6001"));
    QCOMPARE(table->item(0, 1)->text(), QString());               // not bound yet
    QCOMPARE(table->item(1, 1)->text(), QStringLiteral("Com1"));  // /dev/ttyS0 by default
    QCOMPARE(bind->text(), QStringLiteral("Bind to Com3"));       // the port in use

    // One click binds the adapter to the port in use, by its stable name.
    table->selectRow(0);
    QTest::mouseClick(bind, Qt::LeftButton);
    QCOMPARE(store.values.value(QStringLiteral("Ports/Com3")), ftdi().device);
    QCOMPARE(bound, QList<int>{3});
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("Com3"));

    // Another port number: the button follows the choice; Com1 no longer opens /dev/ttyS0.
    dlg.findChild<QComboBox*>(QStringLiteral("cboBindPort"))->setCurrentIndex(0);
    QCOMPARE(bind->text(), QStringLiteral("Bind to Com1"));
    table->selectRow(0);
    QTest::mouseClick(bind, Qt::LeftButton);
    QCOMPARE(store.values.value(QStringLiteral("Ports/Com1")), ftdi().device);
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("Com1, Com3"));
    QCOMPARE(table->item(1, 1)->text(), QString());
    QVERIFY(dlg.findChild<QLabel*>(QStringLiteral("lblFindPortsStatus"))
                ->text()
                .contains(QStringLiteral("Port Setup")));

    // Unplugged and plugged into another socket: the by-id name is the same, so is the binding.
    SerialDeviceInfo moved = ftdi();
    moved.systemLocation = QStringLiteral("/dev/ttyUSB1");
    devices.list = {moved};
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("cmdRefresh")), Qt::LeftButton);
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("Com1, Com3"));

    // A store that refuses the write says so in the error box and binds nothing.
    store.refuseWrites = true;
    dlg.findChild<QComboBox*>(QStringLiteral("cboBindPort"))->setCurrentIndex(6);
    dialogs.expectErrorBox(QStringLiteral("The settings store refused the write."),
                           MsgResult::Abort);
    table->selectRow(0);
    QTest::mouseClick(bind, Qt::LeftButton);
    QVERIFY2(dialogs.ok(), qPrintable(dialogs.report()));
    QVERIFY(!store.values.contains(QStringLiteral("Ports/Com7")));
}

void TestFileHistory::findPortsShowsThePortInUse_data() {
    QTest::addColumn<int>("currentPort");
    QTest::addColumn<int>("inUseRow");  // -1: none of the devices
    QTest::newRow("Com1 opens /dev/ttyS0") << 1 << 2;
    QTest::newRow("Com4 is bound to the long-named adapter") << 4 << 0;
    QTest::newRow("Com9 opens none of them") << 9 << -1;
}

void TestFileHistory::findPortsShowsThePortInUse() {
    // The adapter's by-id name is long, as real ones are: it shows whole, and the device the
    // port in use opens stands out.
    FakeDevices devices;
    SerialDeviceInfo longNamed = ftdi();
    longNamed.device = QStringLiteral(
        "/dev/serial/by-id/usb-Prolific_Technology_Inc._USB-Serial_Controller_D_BFCJb11A920-if00-"
        "port0");
    longNamed.systemLocation = QStringLiteral("/dev/ttyUSB3");
    devices.list = {longNamed, ftdi(), onboard()};
    test::MemorySettings store;
    bindPort(store, 4, longNamed.device);
    test::ScriptedDialogs dialogs;
    QFETCH(int, currentPort);
    QFETCH(int, inUseRow);
    FrmFindPorts dlg(FindPortsServices{devices, store, dialogs, currentPort, {}});
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    auto* table = dlg.findChild<QTableWidget*>(QStringLiteral("lstPorts"));
    const int textWidth = table->fontMetrics().horizontalAdvance(longNamed.device);
    QVERIFY2(table->columnWidth(0) >= textWidth,
             qPrintable(QStringLiteral("%1 < %2").arg(table->columnWidth(0)).arg(textWidth)));
    QCOMPARE(table->textElideMode(), Qt::ElideMiddle);
    for (int row = 0; row < table->rowCount(); ++row) {
        const bool inUse = row == inUseRow;
        QCOMPARE(dlg.isInUseRow(row), inUse);
        QCOMPARE(table->item(row, 1)->font().bold(), inUse);
        QCOMPARE(!table->item(row, 0)->icon().isNull(), inUse);
        QCOMPARE(table->item(row, 0)->toolTip().contains(QStringLiteral("the port in use")), inUse);
    }
    const QString status = dlg.findChild<QLabel*>(QStringLiteral("lblFindPortsStatus"))->text();
    QVERIFY2(
        status.contains(
            inUseRow >= 0
                ? QStringLiteral("The port in use, Com%1, opens the one in bold.").arg(currentPort)
                : QStringLiteral("The port in use, Com%1, opens none of them.").arg(currentPort)),
        qPrintable(status));
    QVERIFY2(dialogs.ok(), qPrintable(dialogs.report()));
}

void TestFileHistory::findPortsWithNothingPlugged() {
    FakeDevices devices;
    test::MemorySettings store;
    test::ScriptedDialogs dialogs;
    FrmFindPorts dlg(FindPortsServices{devices, store, dialogs, 1, {}});
    QCOMPARE(dlg.findChild<QTableWidget*>(QStringLiteral("lstPorts"))->rowCount(), 0);
    QVERIFY(!dlg.findChild<QPushButton*>(QStringLiteral("cmdBind"))->isEnabled());
    QVERIFY(dlg.findChild<QLabel*>(QStringLiteral("lblFindPortsStatus"))
                ->text()
                .startsWith(QStringLiteral("No serial devices found.")));
    devices.list = {ftdi()};
    QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("cmdRefresh")), Qt::LeftButton);
    QCOMPARE(devices.calls, 2);
    QVERIFY(dlg.findChild<QPushButton*>(QStringLiteral("cmdBind"))->isEnabled());
    QVERIFY2(dialogs.ok(), qPrintable(dialogs.report()));
}

void TestFileHistory::stableNameFromById() {
    // The by-id folder holds links to the devices; the one that leads to the device names it.
    QTemporaryDir dir;
    const QString dev = dir.filePath(QStringLiteral("ttyUSB0"));
    const QString other = dir.filePath(QStringLiteral("ttyUSB1"));
    for (const QString& p : {dev, other}) {
        QFile f(p);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("by-id"))));
    const QString link = dir.filePath(QStringLiteral("by-id/usb-FTDI_A10KX3-if00-port0"));
    QVERIFY(QFile::link(QStringLiteral("../ttyUSB0"), link));
    QVERIFY(QFile::link(QStringLiteral("../ttyUSB1"),
                        dir.filePath(QStringLiteral("by-id/usb-Prolific_X-if00-port0"))));
    QCOMPARE(stableDeviceName(dev, dir.filePath(QStringLiteral("by-id"))), link);
    QCOMPARE(stableDeviceName(dir.filePath(QStringLiteral("ttyACM0")),
                              dir.filePath(QStringLiteral("by-id"))),
             QString());
    QCOMPARE(stableDeviceName(dev, dir.filePath(QStringLiteral("missing"))), QString());

    // A [Ports] entry naming the link binds the device behind it.
    test::MemorySettings store;
    store.values[QStringLiteral("Ports/Com4")] = link;
    SerialDeviceInfo d;
    d.device = d.systemLocation = dev;
    QCOMPARE(portsBoundTo(d, store), QList<int>{4});
}

QTEST_MAIN(TestFileHistory)
#include "test_file_history.moc"
