// The pass library through the main window: File > Pass Library... (Ctrl+L), the files the
// program keeps and uses entered as they come, Enter and double-click opening a file as Open
// File does, Compare With Loaded, Export List..., a gone file located or removed, editing in
// place, the pictures, and indexing with its progress, Esc and the Skipped list.
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include "app/frm_main.h"
#include "chart/chart_analysis.h"
#include "chart/compare_overlay.h"
#include "chart/frm_chart1.h"
#include "library/frm_library.h"
#include "library/pass_picture_delegate.h"
#include "library_fixture.h"
#include "memory_settings.h"
#include "realtime/live_recorder.h"
#include "sim_main_window.h"

using namespace tarvik;
using test::strip;
using test::writeLogFile;

namespace {

const QString kBase = QStringLiteral("Nitrous Data Logging Program Version 2.0");
const QString kFilter = QStringLiteral("Nitrous Controller log files (*.log)|*.log");

// The main window over the simulator; each chart window is looked at, then closed.
struct Window : test::SimMainWindow {
    QTemporaryDir dir;
    QTimer closer;
    int charts = 0;
    QStringList compared;

    Window() {
        closer.setInterval(5);
        QObject::connect(&closer, &QTimer::timeout, [this] {
            auto* chart = qobject_cast<FrmChart1*>(QApplication::activeModalWidget());
            if (chart != nullptr) {
                ++charts;
                CompareOverlay& overlay = chart->analysis().comparison();
                compared << (overlay.shown() ? chart->analysis().note() : QString());
                chart->close();
            }
        });
        closer.start();
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    PassLibrary& library() { return w->passLibrary(); }
    FrmLibrary& open() {
        trigger("mnuPassLibrary");
        FrmLibrary* lib = w->libraryWindow();
        settle();
        return *lib;
    }
    void settle() {
        QCoreApplication::processEvents();  // files handed on are entered from the event loop
        QTRY_VERIFY_WITH_TIMEOUT(!library().indexer().busy(), 20000);
        QCoreApplication::processEvents();
    }
    template <class T>
    T* in(FrmLibrary& lib, const char* name) {
        return lib.findChild<T*>(QLatin1String(name));
    }
    void select(FrmLibrary& lib, const QString& file) {
        const LibraryEntry* e = library().model().entryForPath(QDir::cleanPath(file));
        QVERIFY2(e != nullptr, qPrintable(file));
        lib.selectEntry(e->id);
    }
    void expectOverwrite() {
        dialogs.expectMessage(QStringLiteral("Open Log File"),
                              QStringLiteral("Data buffer not empty. OK to overwrite?"),
                              MsgIcon::None, MsgButtons::OkCancel, MsgResult::Ok);
    }
};

#define WINDOW_OK(win) QVERIFY2((win).dialogs.ok(), qPrintable((win).dialogs.report()))

QString downloads() {
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/downloads");
}

}  // namespace

class TestLibraryWindow : public QObject {
    Q_OBJECT

private slots:
    void init();
    void menuItemOpensTheWindow();
    void enterAndDoubleClickOpenTheFile();
    void compareWithLoaded();
    void filesTheProgramKeepsAndUsesAreEntered();
    void exportListWritesTheRowsShown();
    void goneFileLocatedOrRemoved();
    void notesEditedInPlaceKeepEveryCharacter();
    void picturesShowBothTraces();
    void indexingShowsProgressAndEscCancels();
    void filesThatAreNotLogsAreListed();
};

void TestLibraryWindow::init() {
    // The program's data folder of this test (XDG_DATA_HOME): a fresh one for each case.
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).removeRecursively();
}

void TestLibraryWindow::menuItemOpensTheWindow() {
    writeLogFile(downloads() + QStringLiteral("/2026-05-03_14-02-11_QX-2.log"), *strip());
    writeLogFile(downloads() + QStringLiteral("/2026-05-04_10-00-00_QX-2.log"), *strip(6.0));
    Window win;
    auto* item = win.action("mnuPassLibrary");
    QVERIFY(item != nullptr);
    QCOMPARE(item->text(), QStringLiteral("Pass Library..."));
    QCOMPARE(item->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    QVERIFY(win.w->findChild<QMenu*>(QStringLiteral("mnuFile"))->actions().contains(item));
    win.w->show();
    QVERIFY(QTest::qWaitForWindowActive(win.w.get()));
    QTest::keyClick(win.w.get(), Qt::Key_L, Qt::ControlModifier);
    FrmLibrary* lib = win.w->libraryWindow();
    QVERIFY(lib != nullptr);
    QVERIFY(lib->isVisible());
    QCOMPARE(lib->windowTitle(), QStringLiteral("Pass Library"));
    win.settle();
    QCOMPARE(lib->table().model()->rowCount(), 2);
    QCOMPARE(win.in<QLabel>(*lib, "lblCount")->text(), QStringLiteral("2 passes"));
    QVERIFY(win.in<QWidget>(*lib, "fraIndexing")->isHidden());
    QVERIFY(win.in<QLabel>(*lib, "lblState")->isHidden());
    // Chosen again, the same window comes to the front.
    win.trigger("mnuPassLibrary");
    QCOMPARE(win.w->libraryWindow(), lib);
    win.in<QLineEdit>(*lib, "txtFilter")->setText(QStringLiteral("2026-05-04"));
    QCOMPARE(lib->table().model()->rowCount(), 1);
    QCOMPARE(win.in<QLabel>(*lib, "lblCount")->text(), QStringLiteral("1 of 2 passes"));
    WINDOW_OK(win);
}

void TestLibraryWindow::enterAndDoubleClickOpenTheFile() {
    const QString first = downloads() + QStringLiteral("/2026-05-03_14-02-11_QX-2.log");
    const QString second = downloads() + QStringLiteral("/2026-05-04_10-00-00_QX-2.log");
    writeLogFile(first, *strip());
    writeLogFile(second, *strip(6.0));
    Window win;
    FrmLibrary& lib = win.open();
    win.select(lib, first);
    QTest::keyClick(&lib.table(), Qt::Key_Return);
    QTRY_COMPARE(win.charts, 1);
    QCOMPARE(win.w->windowTitle(), kBase + QStringLiteral(" - 2026-05-03_14-02-11_QX-2.log"));
    QVERIFY(!win.w->dataBuffer().bufferEmpty);
    // A double-click on a cell that is not the user's opens too, with Open File's question.
    win.expectOverwrite();
    const int row = win.library().model().rowOf(
        win.library().model().entryForPath(QDir::cleanPath(second))->id);
    const QRect cell =
        lib.table().visualRect(lib.table().model()->index(row, int(LibraryColumn::Date)));
    QTest::mouseClick(lib.table().viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(lib.table().viewport(), Qt::LeftButton, {}, cell.center());
    QTRY_COMPARE(win.charts, 2);
    QCOMPARE(win.w->windowTitle(), kBase + QStringLiteral(" - 2026-05-04_10-00-00_QX-2.log"));
    QCOMPARE(win.w->recentFiles().first(), QDir::toNativeSeparators(second));
    WINDOW_OK(win);
}

void TestLibraryWindow::compareWithLoaded() {
    const QString mine = downloads() + QStringLiteral("/2026-05-03_14-02-11_QX-2.log");
    const QString theirs = downloads() + QStringLiteral("/2026-05-04_10-00-00_QX-2.log");
    writeLogFile(mine, *strip());
    writeLogFile(theirs, *strip(6.0, 9.0));
    Window win;
    FrmLibrary& lib = win.open();
    auto* compare = win.in<QPushButton>(lib, "cmdCompare");
    win.select(lib, theirs);
    QVERIFY(compare->isEnabled());
    // Nothing loaded yet: it says what to do first.
    win.dialogs.expectMessage(
        QStringLiteral("Compare With Loaded"),
        QStringLiteral("No data set is loaded.\r\nOpen a log file or download the controller's "
                       "log first."),
        MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    compare->click();
    QCOMPARE(win.charts, 0);
    win.w->openLogFile(mine);
    QTRY_COMPARE(win.charts, 1);
    win.select(lib, theirs);
    QVERIFY(compare->isEnabled());
    compare->click();
    QTRY_COMPARE(win.charts, 2);
    QCOMPARE(win.compared.last(),
             QStringLiteral("Compared with 2026-05-04_10-00-00_QX-2.log, launches together."));
    // The loaded data set is still the one charted.
    QCOMPARE(win.w->windowTitle(), kBase + QStringLiteral(" - 2026-05-03_14-02-11_QX-2.log"));
    WINDOW_OK(win);
}

void TestLibraryWindow::filesTheProgramKeepsAndUsesAreEntered() {
    Window win;
    win.library().open();
    win.settle();
    QCOMPARE(win.library().model().entryCount(), 0);
    // A download is kept and entered as it is written.
    win.dialogs.expectMessage(
        QStringLiteral("Download Data"),
        QStringLiteral("Firmware ID: ") + QString::fromLatin1(win.model.firmwareText()),
        MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    win.trigger("mnuDownload");
    QTRY_COMPARE(win.charts, 1);
    win.settle();
    QCOMPARE(win.library().model().entryCount(), 1);
    QCOMPARE(win.library().model().entryAt(0)->kind, PassKind::Download);
    // A saved file, and a file opened.
    const QString saved = win.path(QStringLiteral("saved.log"));
    win.dialogs.expectSaveFile(QStringLiteral("Save File"), kFilter, saved);
    win.dialogs.expectInput(QStringLiteral("Comment?"),
                            QStringLiteral("Optional Information Entry"), QString(),
                            QStringLiteral("pass"));
    win.trigger("mnuSaveFile");
    const QString opened = win.path(QStringLiteral("opened.log"));
    writeLogFile(opened, *strip());
    win.expectOverwrite();
    win.w->openLogFile(opened);
    QTRY_COMPARE(win.charts, 2);
    win.settle();
    const LibraryModel& m = win.library().model();
    QCOMPARE(m.entryCount(), 3);
    QCOMPARE(m.entryForPath(QDir::cleanPath(saved))->comment, QStringLiteral("pass"));
    QCOMPARE(m.entryForPath(QDir::cleanPath(opened))->kind, PassKind::File);
    // A recording, once it is finished.
    win.trigger("mnuViewRealTime");
    win.trigger("mnuRecordRealTime");
    for (int i = 0; i < 3; ++i) {
        win.clock.advanceUs(500'000);
        win.monitor().pollCycle();
    }
    win.trigger("mnuRecordRealTime");
    win.settle();
    QCOMPARE(m.entryCount(), 4);
    const LibraryEntry* recording =
        m.entryForPath(QDir::cleanPath(win.w->liveRecorder().files().first()));
    QVERIFY(recording != nullptr);
    QCOMPARE(recording->kind, PassKind::Recording);
    QCOMPARE(recording->comment, QStringLiteral("Real-time recording"));
    WINDOW_OK(win);
}

void TestLibraryWindow::exportListWritesTheRowsShown() {
    for (int i = 0; i < 3; ++i) {
        writeLogFile(downloads() + QStringLiteral("/2026-05-0%1_10-00-00_QX-2.log").arg(i + 1),
                     *strip(4.0 + i));
    }
    Window win;
    FrmLibrary& lib = win.open();
    LibraryModel& m = win.library().model();
    QVERIFY(
        m.setData(m.index(0, int(LibraryColumn::Notes)), QStringLiteral("a \"quote\", a comma")));
    win.in<QLineEdit>(lib, "txtFilter")->setText(QStringLiteral("2026-05-0"));
    m.sort(int(LibraryColumn::Date), Qt::AscendingOrder);
    const QString csv = win.path(QStringLiteral("passes.csv"));
    win.dialogs.expectSaveFile(QStringLiteral("Export List"),
                               QStringLiteral("CSV files (*.csv)|*.csv"), csv);
    win.in<QPushButton>(lib, "cmdExport")->click();
    QFile written(csv);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), m.csv());
    QVERIFY(m.csv().count("\r\n") == 4);
    // A place that cannot be written: the error box names it.
    const QString nowhere = win.path(QStringLiteral("no such folder/passes.csv"));
    win.dialogs.expectSaveFile(QStringLiteral("Export List"),
                               QStringLiteral("CSV files (*.csv)|*.csv"), nowhere);
    win.dialogs.expectErrorBox(
        QStringLiteral("Cannot write ") + nowhere + QStringLiteral(": No such file or directory"),
        MsgResult::Abort);
    win.in<QPushButton>(lib, "cmdExport")->click();
    WINDOW_OK(win);
}

void TestLibraryWindow::goneFileLocatedOrRemoved() {
    const QString a = downloads() + QStringLiteral("/2026-05-03_14-02-11_QX-2.log");
    const QString b = downloads() + QStringLiteral("/2026-05-04_10-00-00_QX-2.log");
    writeLogFile(a, *strip());
    writeLogFile(b, *strip(6.0));
    Window win;
    win.open();
    const QString moved = win.path(QStringLiteral("moved.log"));
    QVERIFY(QFile::rename(a, moved));
    QVERIFY(QFile::remove(b));
    FrmLibrary& lib = win.open();  // looks at the files again
    LibraryModel& m = win.library().model();
    win.select(lib, a);
    QVERIFY(m.data(lib.table().currentIndex(), LibraryModel::GoneRole).toBool());
    auto* locate = win.in<QPushButton>(lib, "cmdLocate");
    auto* remove = win.in<QPushButton>(lib, "cmdRemove");
    QVERIFY(locate->isEnabled() && remove->isEnabled());
    QVERIFY(!win.in<QPushButton>(lib, "cmdOpen")->isEnabled());
    const QString wrong = win.path(QStringLiteral("wrong.log"));
    writeLogFile(wrong, *strip(9.0));
    win.dialogs.expectOpenFile(QStringLiteral("Locate 2026-05-03_14-02-11_QX-2.log"), kFilter,
                               wrong);
    win.dialogs.expectMessage(
        QStringLiteral("Locate"),
        wrong + QStringLiteral("\r\nThis file cannot take the place of "
                               "2026-05-03_14-02-11_QX-2.log: its content is not that of this pass "
                               "(another log, or the file was changed)."),
        MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    locate->click();
    win.dialogs.expectOpenFile(QStringLiteral("Locate 2026-05-03_14-02-11_QX-2.log"), kFilter,
                               moved);
    locate->click();
    QVERIFY(!lib.currentEntry()->isGone());
    QCOMPARE(lib.currentEntry()->path, QDir::cleanPath(moved));
    win.select(lib, b);
    win.dialogs.expectMessage(QStringLiteral("Remove from Library"),
                              QStringLiteral("Remove %1 from the library?\r\nIts Track, Tags and "
                                             "Notes go with it; no file is touched.")
                                  .arg(QDir::toNativeSeparators(QDir::cleanPath(b))),
                              MsgIcon::Question, MsgButtons::OkCancel, MsgResult::Ok);
    remove->click();
    QCOMPARE(m.entryCount(), 1);
    WINDOW_OK(win);
}

void TestLibraryWindow::notesEditedInPlaceKeepEveryCharacter() {
    writeLogFile(downloads() + QStringLiteral("/2026-05-03_14-02-11_QX-2.log"), *strip());
    Window win;
    FrmLibrary& lib = win.open();
    const QModelIndex notes = lib.table().model()->index(0, int(LibraryColumn::Notes));
    lib.table().setCurrentIndex(notes);
    lib.table().edit(notes);
    auto* editor = lib.table().viewport()->findChild<QLineEdit*>();
    QVERIFY(editor != nullptr);
    const QString text = QString(40000, u'n') + QStringLiteral(", \"end\"");
    editor->setText(text);
    QTest::keyClick(editor, Qt::Key_Return);  // the delegate commits from the event loop
    QTRY_COMPARE(win.library().model().entryAt(0)->notes, text);
    // Kept in the library: a new start shows it.
    win.w.reset();
    Window again;
    again.open();
    QCOMPARE(again.library().model().entryAt(0)->notes, text);
    WINDOW_OK(win);
}

void TestLibraryWindow::picturesShowBothTraces() {
    writeLogFile(downloads() + QStringLiteral("/2026-05-03_14-02-11_QX-2.log"), *strip());
    Window win;
    FrmLibrary& lib = win.open();
    lib.show();
    const QByteArray points = win.library().model().entryAt(0)->picture;
    QCOMPARE(points.size(), 48 * 8);
    const QImage picture =
        PassPictureDelegate::drawPicture(points, QSize(100, 30), 1, false).toImage();
    int red = 0;
    int blue = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QColor c = picture.pixelColor(x, y);
            red += c.red() > 150 && c.blue() < 100 ? 1 : 0;
            blue += c.blue() > 150 && c.red() < 100 ? 1 : 0;
        }
    }
    QVERIFY2(red > 60 && blue > 60, qPrintable(QStringLiteral("%1 %2").arg(red).arg(blue)));
    // The table draws it once and then copies it.
    lib.table().viewport()->repaint();
    lib.table().viewport()->repaint();
    QCOMPARE(lib.findChild<PassPictureDelegate*>()->cachedPictures(), 1);
    WINDOW_OK(win);
}

void TestLibraryWindow::indexingShowsProgressAndEscCancels() {
    Window win;
    FrmLibrary& lib = win.open();
    const QString folder = win.path(QStringLiteral("season"));
    for (int i = 0; i < 60; ++i) {
        writeLogFile(folder + QStringLiteral("/run %1.log").arg(i), *strip(3.0 + i * 0.1));
    }
    win.dialogs.expectFolder(QStringLiteral("Add Folder"), folder);
    win.in<QPushButton>(lib, "cmdAddFolder")->click();
    auto* progress = win.in<QWidget>(lib, "fraIndexing");
    QTRY_VERIFY(progress->isVisible() || !win.library().indexer().busy());
    QVERIFY(win.library().indexer().busy());
    QVERIFY(win.in<QProgressBar>(lib, "prgIndexing")->maximum() > 0);
    QTest::keyClick(&lib, Qt::Key_Escape);
    QVERIFY(!win.library().indexer().busy());
    QVERIFY(progress->isHidden());
    const int entered = win.library().model().entryCount();
    QVERIFY2(entered < 60, qPrintable(QString::number(entered)));
    // The folder is kept: the next look enters the rest.
    win.open();
    QCOMPARE(win.library().model().entryCount(), 60);
    WINDOW_OK(win);
}

void TestLibraryWindow::filesThatAreNotLogsAreListed() {
    Window win;
    FrmLibrary& lib = win.open();
    QVERIFY(win.in<QGroupBox>(lib, "fraSkipped")->isHidden());
    const QString folder = win.path(QStringLiteral("mixed"));
    writeLogFile(folder + QStringLiteral("/good.log"), *strip());
    QDir().mkpath(folder + QStringLiteral("/folder.log"));
    win.dialogs.expectFolder(QStringLiteral("Add Folder"), folder);
    win.in<QPushButton>(lib, "cmdAddFolder")->click();
    win.settle();
    QCOMPARE(win.library().model().entryCount(), 1);
    auto* skipped = win.in<QGroupBox>(lib, "fraSkipped");
    QVERIFY(!skipped->isHidden());
    QCOMPARE(skipped->title(), QStringLiteral("Skipped (1)"));
    const QTreeWidgetItem* item = win.in<QTreeWidget>(lib, "lstSkipped")->topLevelItem(0);
    QCOMPARE(item->text(0), QDir::toNativeSeparators(folder + QStringLiteral("/folder.log")));
    QCOMPARE(item->text(1), QStringLiteral("a folder, not a log file"));
    // A folder dialog left without a choice adds nothing.
    win.dialogs.expectFolder(QStringLiteral("Add Folder"), QString());
    win.in<QPushButton>(lib, "cmdAddFolder")->click();
    QVERIFY(!win.library().indexer().busy());
    WINDOW_OK(win);
}

QTEST_MAIN(TestLibraryWindow)
#include "test_library_window.moc"
