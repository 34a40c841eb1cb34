// The printed page as a person would check it, read back with pdftotext -bbox: the on/off
// labels stand level with the off and on heights of the trace on the page, as they do on
// screen. And the printed file: it replaces a file of that name only when the page is
// complete, a print stopped part-way leaves the old file as it was and nothing half-written,
// and the printer set-up is never the object printed on.
#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

#include "chart/chart_print.h"
#include "chart/comment_command.h"
#include "chart/print_job.h"
#include "chart_harness.h"
#include "core/app_error.h"
#include "pdf_tools.h"

using namespace tarvik;
using test::Harness;

namespace {

using Word = test::PdfWord;
using test::pdfWords;

// The leftmost word with this text (the left axis is the leftmost column of numbers).
const Word* leftmost(const QList<Word>& words, const QString& text) {
    const Word* found = nullptr;
    for (const Word& w : words) {
        if (w.text == text && (found == nullptr || w.box.left() < found->box.left())) {
            found = &w;
        }
    }
    return found;
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

// Files of the folder other than `keep`: a print must leave nothing of its own behind.
QStringList leftovers(const QTemporaryDir& dir, const QString& keep) {
    QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    names.removeAll(keep);
    return names;
}

void toPdf(QPrinter& printer, const QString& path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
}

}  // namespace

class TestPrintOutput : public QObject {
    Q_OBJECT

private slots:
    void onOffLabelsOnThePage_data();
    void onOffLabelsOnThePage();
    void printReplacesFileWhenComplete();
    void stoppedPartWayKeepsOldFile();
    void failedStartLeavesSetUpUsable();
    void jobTakesTheSetUp();

private:
    QTemporaryDir dir_;
};

void TestPrintOutput::onOffLabelsOnThePage_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QPrinter::PrinterMode>("mode");
    QTest::newRow("GPI, high resolution")
        << QStringLiteral("optTrace2GPI") << QPrinter::HighResolution;
    QTest::newRow("ARM, screen resolution")
        << QStringLiteral("optTrace2ArmIn") << QPrinter::ScreenResolution;
}

void TestPrintOutput::onOffLabelsOnThePage() {
    QFETCH(QString, option);
    QFETCH(QPrinter::PrinterMode, mode);
    Harness h;
    h.open();
    h.click(option.toLatin1().constData());
    QPrinter printer(mode);
    const QString path = dir_.filePath(QStringLiteral("onoff.pdf"));
    toPdf(printer, path);
    h.dialogs.expectInput(kCommentPrompt, kCommentTitle, QString(), QString());
    printChart(h.dialogs, h.data, *h.window, printer, QStringLiteral("Orvenna"));
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));

    QString error;
    const QList<Word> words = pdfWords(path, &error);
    QVERIFY2(!words.isEmpty(), qPrintable(error));
    // The left axis runs from 0 (at the plot's bottom) to the RPM maximum (at its top); the
    // right axis of an on/off trace from 0 to 2, so off is the bottom and on the middle.
    const Word* zero = leftmost(words, QStringLiteral("0"));
    const Word* top = leftmost(words, QStringLiteral("10000"));
    const Word* off = leftmost(words, QStringLiteral("OFF"));
    const Word* on = leftmost(words, QStringLiteral("ON"));
    QVERIFY(zero != nullptr && top != nullptr && off != nullptr && on != nullptr);
    const double bottomY = zero->box.center().y();
    const double topY = top->box.center().y();
    const double height = bottomY - topY;
    QVERIFY(height > 200);  // the plot fills most of a landscape page
    const double tolerance = 0.02 * height;
    const auto where = QStringLiteral("OFF at %1, ON at %2; plot from %3 to %4")
                           .arg(off->box.center().y())
                           .arg(on->box.center().y())
                           .arg(topY)
                           .arg(bottomY);
    QVERIFY2(std::fabs(off->box.center().y() - bottomY) < tolerance, qPrintable(where));
    QVERIFY2(std::fabs(on->box.center().y() - (topY + bottomY) / 2) < tolerance, qPrintable(where));
    // Both right of the plot, as on screen.
    QVERIFY(off->box.left() > zero->box.right() + 0.8 * height);
    // The window's own labels are placed for the screen again.
    const QSize plot = h.chart().plotAreaSize();
    QCOMPARE(h.chart().labelPosition(1), QPoint(plot.width() + 10, plot.height() - 35));
}

void TestPrintOutput::printReplacesFileWhenComplete() {
    Harness h;
    h.open();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pass.pdf"));
    writeFile(path, "an earlier page");
    QPrinter setup(QPrinter::HighResolution);
    toPdf(setup, path);
    h.dialogs.expectInput(kCommentPrompt, kCommentTitle, QString(), QStringLiteral("again"));
    printChart(h.dialogs, h.data, *h.window, setup, QStringLiteral("Orvenna"));
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
    QVERIFY(contents(path).startsWith("%PDF"));
    QVERIFY2(test::pdfText(path).contains(QStringLiteral("Comment: again")), "not the new page");
    QCOMPARE(leftovers(dir, QStringLiteral("pass.pdf")), QStringList());
    QCOMPARE(setup.outputFileName(), path);
}

void TestPrintOutput::stoppedPartWayKeepsOldFile() {
    // An error between the start of the page and its end (the job is dropped unfinished).
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kept.pdf"));
    writeFile(path, "the page printed last week");
    QPrinter setup(QPrinter::HighResolution);
    toPdf(setup, path);
    {
        PrintJob job(setup);
        QPainter& p = job.begin();
        p.drawText(QPointF(100, 100), QStringLiteral("half a page"));
        QCOMPARE(contents(path), QByteArray("the page printed last week"));
    }
    QCOMPARE(contents(path), QByteArray("the page printed last week"));
    QCOMPARE(leftovers(dir, QStringLiteral("kept.pdf")), QStringList());

    // A page that cannot take the file's place (a folder of that name) is reported, and
    // nothing is left behind.
    const QString folder = dir.filePath(QStringLiteral("folder.pdf"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.pdf")));
    writeFile(folder + QStringLiteral("/inside.txt"), "x");
    toPdf(setup, folder);
    PrintJob job(setup);
    job.begin().drawText(QPointF(100, 100), QStringLiteral("page"));
    try {
        job.finish();
        QFAIL("finishing over a folder succeeded");
    } catch (const AppError& e) {
        QVERIFY2(e.description().startsWith(
                     QStringLiteral("Printer error: the file \"%1\" could not be written: ")
                         .arg(folder)),
                 qPrintable(e.description()));
    }
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(leftovers(dir, QStringLiteral("kept.pdf")), QStringList());
}

void TestPrintOutput::failedStartLeavesSetUpUsable() {
    // A set-up on no printer at all: the print cannot start, and afterwards the set-up still
    // takes a new choice.
    QPrinter setup(QPrinter::HighResolution);
    setup.setOutputFormat(QPrinter::NativeFormat);
    setup.setPrinterName(QString());
    setup.setOutputFileName(QString());
    if (!setup.printerName().isEmpty()) {
        QSKIP("this machine has a printer; a print to it would start");
    }
    {
        PrintJob job(setup);
        QVERIFY_THROWS_EXCEPTION(AppError, job.begin());
    }
    QCOMPARE(setup.printerState(), QPrinter::Idle);
    const QString path = dir_.filePath(QStringLiteral("chosen.pdf"));
    toPdf(setup, path);
    QCOMPARE(setup.outputFileName(), path);
    PrintJob job(setup);
    job.begin().drawText(QPointF(100, 100), QStringLiteral("printed after all"));
    job.finish();
    QVERIFY(test::pdfText(path).contains(QStringLiteral("printed after all")));
}

void TestPrintOutput::jobTakesTheSetUp() {
    QPrinter setup(QPrinter::HighResolution);
    toPdf(setup, dir_.filePath(QStringLiteral("a5.pdf")));
    setup.setPageSize(QPageSize(QPageSize::A5));
    setup.setPageOrientation(QPageLayout::Portrait);
    setup.setColorMode(QPrinter::GrayScale);
    PrintJob job(setup);
    QCOMPARE(job.printer().outputFormat(), QPrinter::PdfFormat);
    QCOMPARE(job.targetFile(), setup.outputFileName());
    QCOMPARE(job.printer().pageLayout().pageSize().id(), QPageSize::A5);
    QCOMPARE(job.printer().pageLayout().orientation(), QPageLayout::Portrait);
    QCOMPARE(job.printer().colorMode(), QPrinter::GrayScale);
    // The job's own page may turn; the set-up stays as the user left it.
    job.printer().setPageOrientation(QPageLayout::Landscape);
    QCOMPARE(setup.pageLayout().orientation(), QPageLayout::Portrait);
}

QTEST_MAIN(TestPrintOutput)
#include "test_print_output.moc"
