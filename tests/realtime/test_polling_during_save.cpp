// Monitoring goes on while "Save File" runs: the save sends nothing to the controller, so poll
// cycles run behind its file dialog, its overwrite question, its comment prompt and between the
// lines it writes; a file read chosen during the save still waits for it to finish.
#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "../chart/drag_pass_data.h"
#include "app/frm_main.h"
#include "controller_model.h"
#include "fake_clock.h"
#include "link/controller_protocol.h"
#include "link/serial_link.h"
#include "memory_settings.h"
#include "realtime/real_time_monitor.h"
#include "scripted_dialogs.h"
#include "sim_main_window.h"
#include "sim_serial_port.h"

using namespace tarvik;
using test::ScriptedDialogs;
namespace p = tarvik::protocol;

namespace {

const QString kFilter = QStringLiteral("Nitrous Controller log files (*.log)|*.log");

// The main window over the simulator, monitoring, with a data set to save.
struct Window : test::SimMainWindow {
    Window() {
        test::fillDragPass(w->dataBuffer());
        w->dataBuffer().bufferEmpty = false;
        w->dataBuffer().comment.clear();
    }
    // Three ticks of the poll timer; returns how many cycles they started.
    int ticks() {
        const int before = monitor().cyclesStarted();
        for (int i = 0; i < 3; ++i) {
            monitor().pollCycle();
        }
        return monitor().cyclesStarted() - before;
    }
    int statusReads() const {
        const std::vector<quint8> w = port.writtenBytes();
        return static_cast<int>(std::count(w.begin(), w.end(), p::kCmdReadStatus));
    }
};

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestPollingDuringSave : public QObject {
    Q_OBJECT

private slots:
    void cyclesRunBehindSaveDialogs();
    void cyclesRunBetweenSavedLines();
    void openChosenDuringSaveWaitsForIt();
};

void TestPollingDuringSave::cyclesRunBehindSaveDialogs() {
    Window win;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pass.log"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old file\r\n");
    old.close();

    win.trigger("mnuViewRealTime");
    QVERIFY(win.monitor().realTimeActive());
    win.port.clearWritten();
    int inFileDialog = -1;
    int inQuestion = -1;
    int inComment = -1;
    int readsInFileDialog = -1;
    win.dialogs.expectSaveFile(QStringLiteral("Save File"), kFilter, path, [&] {
        inFileDialog = win.ticks();
        readsInFileDialog = win.statusReads();
    });
    win.dialogs.expectMessage(
        QStringLiteral("File Save"),
        path + QStringLiteral("\r\nThis file already exists.\r\n\r\nReplace existing file?"),
        MsgIcon::Exclamation, MsgButtons::YesNoCancel, MsgResult::Yes,
        [&] { inQuestion = win.ticks(); });
    win.dialogs.expectInput(QStringLiteral("Comment?"),
                            QStringLiteral("Optional Information Entry"), QString(),
                            QStringLiteral("pit lane"), [&] { inComment = win.ticks(); });
    win.trigger("mnuSaveFile");
    QVERIFY2(win.dialogs.ok(), qPrintable(win.dialogs.report()));

    // Each tick behind a dialog ran a whole cycle: three status reads per dialog.
    QCOMPARE(inFileDialog, 3);
    QCOMPARE(readsInFileDialog, 3);
    QCOMPARE(inQuestion, 3);
    QCOMPARE(inComment, 3);
    QCOMPARE(win.statusReads(), 9);
    QCOMPARE(win.monitor().skippedTicks(), 0);
    QVERIFY(win.monitor().realTimeActive());
    // And the save is whole.
    const QByteArray saved = readAll(path);
    QCOMPARE(saved.count("\r\n"), 2706);
    QVERIFY(saved.endsWith("\"Comment\",\"pit lane\"\r\n"));
}

void TestPollingDuringSave::cyclesRunBetweenSavedLines() {
    Window win;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lines.log"));
    win.trigger("mnuViewRealTime");
    win.port.clearWritten();
    win.dialogs.expectSaveFile(QStringLiteral("Save File"), kFilter, path);
    win.dialogs.expectInput(QStringLiteral("Comment?"),
                            QStringLiteral("Optional Information Entry"), QString(), QString());
    // A tick falls due every 500 yields of the save (a cycle's own yields find it running).
    int yields = 0;
    win.clock.setOnPause([&](int ms) {
        if (ms == 0 && ++yields % 500 == 0) {
            win.monitor().pollCycle();
        }
    });
    win.trigger("mnuSaveFile");
    win.clock.setOnPause({});
    QVERIFY2(win.dialogs.ok(), qPrintable(win.dialogs.report()));
    QVERIFY2(win.monitor().cyclesStarted() >= 4,
             qPrintable(QStringLiteral("%1 cycles").arg(win.monitor().cyclesStarted())));
    QCOMPARE(win.statusReads(), win.monitor().cyclesStarted());
    QCOMPARE(readAll(path).count("\r\n"), 2706);
}

void TestPollingDuringSave::openChosenDuringSaveWaitsForIt() {
    Window win;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("first.log"));
    bool saveWasOver = false;
    win.dialogs.expectSaveFile(QStringLiteral("Save File"), kFilter, path);
    win.dialogs.expectInput(QStringLiteral("Comment?"),
                            QStringLiteral("Optional Information Entry"), QString(),
                            QStringLiteral("kept"));
    // The open's first question comes only once the save has written its file.
    win.dialogs.expectMessage(QStringLiteral("Open Log File"),
                              QStringLiteral("Data buffer not empty. OK to overwrite?"),
                              MsgIcon::None, MsgButtons::OkCancel, MsgResult::Cancel,
                              [&] { saveWasOver = readAll(path).count("\r\n") == 2706; });
    int yields = 0;
    win.clock.setOnPause([&](int ms) {
        if (ms == 0 && ++yields == 100) {
            win.trigger("mnuOpenFile");
            QCOMPARE(win.dialogs.shownCount(), 1);  // only the save dialog so far
        }
    });
    win.trigger("mnuSaveFile");
    win.clock.setOnPause({});
    QCOMPARE(win.dialogs.shownCount(), 2);
    QCoreApplication::processEvents();
    QVERIFY2(win.dialogs.ok(), qPrintable(win.dialogs.report()));
    QVERIFY(saveWasOver);
    QCOMPARE(win.w->dataBuffer().comment, QStringLiteral("kept"));
    QVERIFY(!win.w->dataBuffer().bufferEmpty);
}

QTEST_MAIN(TestPollingDuringSave)
#include "test_polling_during_save.moc"
