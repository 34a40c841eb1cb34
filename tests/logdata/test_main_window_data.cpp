#include <QAction>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/frm_main.h"
#include "link/serial_link.h"
#include "link_fixture.h"
#include "memory_settings.h"

using namespace tarvik;
using test::LinkFixture;

namespace {

const QString kBase = QStringLiteral("Nitrous Data Logging Program Version 2.0");
const QString kFilter = QStringLiteral("Nitrous Controller log files (*.log)|*.log");

// The main window over the simulated controller. The chart window that a download or an open
// shows modally is closed as soon as it appears.
struct Window {
    LinkFixture f;
    test::MemorySettings store;
    std::unique_ptr<FrmMain> w;
    QTimer closer;
    int chartsClosed = 0;
    QStringList progressTitles;
    int progressValues = 0;

    Window() {
        w = std::make_unique<FrmMain>(
            MainWindowServices{&f.dialogs, &store, Branding::defaults(), &f.port, &f.clock});
        w->setExitAction([] {});
        w->Form_Load();
        closer.setInterval(5);
        QObject::connect(&closer, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ++chartsClosed;
                modal->close();
            }
        });
        closer.start();
        auto* bar = w->findChild<QProgressBar*>(QStringLiteral("prgProgress1"));
        QObject::connect(bar, &QProgressBar::valueChanged, [this] { ++progressValues; });
    }
    void trigger(const char* name) { w->findChild<QAction*>(QLatin1String(name))->trigger(); }
    void expectFirmware() {
        f.dialogs.expectMessage(
            QStringLiteral("Download Data"),
            QStringLiteral("Firmware ID: ") + QString::fromLatin1(f.model.firmwareText()),
            MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    }
    void waitForChart(int n) { QTRY_COMPARE_WITH_TIMEOUT(chartsClosed, n, 5000); }
};

#define DIALOGS_OK(win) QVERIFY2((win).f.dialogs.ok(), qPrintable((win).f.dialogs.report()))

}  // namespace

class TestMainWindowData : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void downloadSaveOpen();
    void escKeyStopsDownload();
    void progressBarMovesInsideThePauses();
    void closingDuringSaveKeepsOldFile();
    void closingDuringDownloadEndsIt();
};

void TestMainWindowData::downloadSaveOpen() {
    Window win;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("strip.log"));

    win.expectFirmware();
    win.trigger("mnuDownload");
    win.waitForChart(1);
    DIALOGS_OK(win);
    QCOMPARE(win.w->windowTitle(), kBase + QStringLiteral(" - Downloaded Data"));
    QVERIFY(!win.w->dataBuffer().bufferEmpty);
    QVERIFY(!win.w->findChild<QGroupBox*>(QStringLiteral("fraProgress1"))->isVisible());
    QCOMPARE(win.w->findChild<QGroupBox*>(QStringLiteral("fraProgress1"))->title(),
             QStringLiteral("Reading FRAM"));
    QVERIFY(win.progressValues >= 100);
    QVERIFY(!win.w->serialLink().isPortOpen());

    win.f.dialogs.expectSaveFile(QStringLiteral("Save File"), kFilter, path);
    win.f.dialogs.expectInput(QStringLiteral("Comment?"),
                              QStringLiteral("Optional Information Entry"), QString(),
                              QStringLiteral("first pass"));
    win.trigger("mnuSaveFile");
    DIALOGS_OK(win);
    QCOMPARE(win.w->windowTitle(), kBase + QStringLiteral(" - strip.log"));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll().count("\r\n"), 2706);

    const auto rpm = win.w->dataBuffer().column(Column::RPM);
    win.f.dialogs.expectMessage(QStringLiteral("Open Log File"),
                                QStringLiteral("Data buffer not empty. OK to overwrite?"),
                                MsgIcon::None, MsgButtons::OkCancel, MsgResult::Ok);
    win.f.dialogs.expectOpenFile(QStringLiteral("Open File"), kFilter, path);
    win.w->setWindowTitle(QStringLiteral("changed"));
    win.trigger("mnuOpenFile");
    win.waitForChart(2);
    DIALOGS_OK(win);
    QCOMPARE(win.w->windowTitle(), kBase + QStringLiteral(" - strip.log"));
    QCOMPARE(win.w->dataBuffer().column(Column::RPM), rpm);
    QCOMPARE(win.w->dataBuffer().comment, QStringLiteral("first pass"));
}

void TestMainWindowData::escKeyStopsDownload() {
    Window win;
    int pauses = 0;
    win.f.clock.setOnPause([&](int) {
        if (++pauses == 300) {
            QTest::keyClick(win.w.get(), Qt::Key_Escape);
        }
    });
    win.expectFirmware();
    win.f.dialogs.expectMessage(QStringLiteral("Download Data"),
                                QStringLiteral("FRAM download failed."), MsgIcon::Information,
                                MsgButtons::Ok, MsgResult::Ok);
    win.trigger("mnuDownload");
    DIALOGS_OK(win);
    QVERIFY(!win.w->abortRequested());
    QVERIFY(win.w->dataBuffer().bufferEmpty);
    QVERIFY(win.f.model.framBlocksServed() < 512);
    QCOMPARE(win.w->windowTitle(), kBase + QStringLiteral(" - Data Buffer Empty"));
    QCOMPARE(win.chartsClosed, 0);
}

void TestMainWindowData::progressBarMovesInsideThePauses() {
    // The bar paints as its value changes. Each change falls inside one of the protocol's 2 ms
    // pauses, where the window's work costs the download nothing, never on top of them.
    Window win;
    auto* bar = win.w->findChild<QProgressBar*>(QStringLiteral("prgProgress1"));
    int inside = 0;
    int outside = 0;
    QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) {
        if (value > 0) {
            (win.f.clock.pausingMs() >= 2 ? inside : outside) += 1;
        }
    });
    win.expectFirmware();
    win.trigger("mnuDownload");
    win.waitForChart(1);
    DIALOGS_OK(win);
    QCOMPARE(outside, 0);
    QVERIFY2(inside >= 99, qPrintable(QString::number(inside)));
}

// The window closes while a save is composing its lines (from inside one of its yields): the
// program ends without another box, the old file stays byte for byte and no new file is left.
void TestMainWindowData::closingDuringSaveKeepsOldFile() {
    Window win;
    int exits = 0;
    win.w->setExitAction([&] { ++exits; });
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pass.log"));
    const QByteArray old("old file\r\n");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(old);
    }
    win.w->dataBuffer().bufferEmpty = false;
    win.w->dataBuffer().comment.clear();
    const QString caption = win.w->windowTitle();
    win.f.dialogs.expectSaveFile(QStringLiteral("Save File"), kFilter, path);
    win.f.dialogs.expectMessage(
        QStringLiteral("File Save"),
        path + QStringLiteral("\r\nThis file already exists.\r\n\r\nReplace existing file?"),
        MsgIcon::Exclamation, MsgButtons::YesNoCancel, MsgResult::Yes);
    int yields = 0;
    win.f.clock.setOnPause([&](int ms) {
        if (ms == 0 && ++yields == 100) {
            win.w->close();
        }
    });
    win.trigger("mnuSaveFile");
    win.f.clock.setOnPause({});

    DIALOGS_OK(win);  // neither the comment prompt nor any error box came
    QCOMPARE(exits, 1);
    QCOMPARE(yields, 100);  // the save stopped at the close, not after its last line
    QFile kept(path);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("pass.log")});
    QCOMPARE(win.w->windowTitle(), caption);
    QVERIFY(!win.w->serialLink().isPortOpen());
}

void TestMainWindowData::closingDuringDownloadEndsIt() {
    // Closed in the middle of the log's read: the download winds down at once, with no further
    // box, no more exchanges and no data set installed.
    Window win;
    int exits = 0;
    win.w->setExitAction([&] { ++exits; });
    int pauses = 0;
    int pausesAfterClose = 0;
    win.f.clock.setOnPause([&](int ms) {
        if (exits > 0 && ms > 0) {
            ++pausesAfterClose;
        }
        if (++pauses == 300) {
            win.w->close();
        }
    });
    win.expectFirmware();
    win.trigger("mnuDownload");
    win.f.clock.setOnPause({});

    DIALOGS_OK(win);  // no "FRAM download failed." or error box after the close
    QCOMPARE(exits, 1);
    QCOMPARE(pausesAfterClose, 0);
    QCOMPARE(pauses, 300);  // not one pause or yield after the close
    QVERIFY(win.w->dataBuffer().bufferEmpty);
    QVERIFY(!win.w->serialLink().isPortOpen());
}

QTEST_MAIN(TestMainWindowData)
#include "test_main_window_data.moc"
