// Printing the chart: the page arithmetic, the heading font, and real pages printed to PDF and
// read back with the poppler tools (page count, orientation, the heading and comment lines, the
// chart's axis titles), the comment prompt, a data set read from a file, and printer errors.
#include <QBuffer>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <limits>

#include "chart/chart_print.h"
#include "chart/comment_command.h"
#include "chart/print_page.h"
#include "chart_harness.h"
#include "core/app_error.h"
#include "logdata/log_file_reader.h"
#include "logdata/log_file_writer.h"
#include "pdf_tools.h"

using namespace tarvik;
using test::Harness;

namespace {

const QString kBrand = QStringLiteral("Orvenna");
const QString kHeadingStart = QStringLiteral("Orvenna Nitrous Controller Data Printed: ");

// A printer that writes its page into a PDF file.
void toPdf(QPrinter& printer, const QString& path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
}

// The chart window of the harness printing on `printer`, as the main window wires it.
void installPrinting(Harness& h, QPrinter& printer) {
    h.window->setPrintAction(
        [&](FrmChart1& w) { printChart(h.dialogs, h.data, w, printer, kBrand); });
}

void expectComment(Harness& h, const QString& current, const QString& answer) {
    h.dialogs.expectInput(kCommentPrompt, kCommentTitle, current, answer);
}

}  // namespace

class TestChartPrint : public QObject {
    Q_OBJECT

private slots:
    void init();

    void imageRect_data();
    void imageRect();
    void imageRectRefused_data();
    void imageRectRefused();
    void headingFont_data();
    void headingFont();

    void printsOneLandscapePage_data();
    void printsOneLandscapePage();
    void cancelErasesComment();
    void dateFromFile();
    void headingSitsBelowTopOfPage();

    void noPrinter();
    void unwritableFile_data();
    void unwritableFile();
    void retryAfterFixingPrinter();

private:
    QTemporaryDir dir_;
};

void TestChartPrint::init() {
    QVERIFY(dir_.isValid());
}

void TestChartPrint::imageRect_data() {
    QTest::addColumn<double>("pageW");
    QTest::addColumn<double>("pageH");
    QTest::addColumn<double>("tppX");
    QTest::addColumn<double>("tppY");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    // A4 landscape at 1200 dpi, 10 pt margins: 13699 x 9583 pixels of 1.2 twips.
    QTest::newRow("A4 1200 dpi") << 13699 * 1.2 << 9583 * 1.2 << 1.2 << 1.2 << 833 << 12866 << 9583;
    // Letter landscape at 600 dpi (2.4 twips per pixel).
    QTest::newRow("letter 600 dpi") << 15840.0 << 12240.0 << 2.4 << 2.4 << 417 << 6183 << 5100;
    // Halves go to the even neighbour: 1000/400 = 2.5 -> 2, 1400/400 = 3.5 -> 4.
    QTest::newRow("ties to even") << 2400.0 << 1000.0 << 400.0 << 400.0 << 2 << 4 << 2;
    QTest::newRow("other ties") << 2200.0 << 1400.0 << 400.0 << 400.0 << 2 << 3 << 4;
    QTest::newRow("unequal resolutions")
        << 15840.0 << 12240.0 << 2.4 << 1.2 << 417 << 6183 << 10200;
}

void TestChartPrint::imageRect() {
    QFETCH(double, pageW);
    QFETCH(double, pageH);
    QFETCH(double, tppX);
    QFETCH(double, tppY);
    const print_page::ImageRect r = print_page::imageRect(pageW, pageH, tppX, tppY);
    QCOMPARE(r.top, 0);
    QTEST(r.left, "left");
    QTEST(r.width, "width");
    QTEST(r.height, "height");
}

void TestChartPrint::imageRectRefused_data() {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    QTest::addColumn<double>("pageW");
    QTest::addColumn<double>("pageH");
    QTest::addColumn<double>("tpp");
    QTest::addColumn<QString>("description");
    const QString tooSmall = QStringLiteral("Printer error: the page is too small for the chart.");
    const QString noResolution =
        QStringLiteral("Printer error: the printer reports no resolution.");
    QTest::newRow("no wider than the margin") << 1000.0 << 9000.0 << 1.2 << tooSmall;
    QTest::newRow("no height") << 16000.0 << 0.0 << 1.2 << tooSmall;
    // 5 twips of width at 15 twips a pixel round to no pixel at all.
    QTest::newRow("rounds to no width") << 1005.0 << 9000.0 << 15.0 << tooSmall;
    QTest::newRow("rounds to no height") << 16000.0 << 7.0 << 15.0 << tooSmall;
    QTest::newRow("no page at all") << nan << nan << 1.2 << tooSmall;
    QTest::newRow("zero resolution") << 16000.0 << 9000.0 << 0.0 << noResolution;
    QTest::newRow("NaN resolution") << 16000.0 << 9000.0 << nan << noResolution;
    QTest::newRow("negative resolution") << 16000.0 << 9000.0 << -1.2 << noResolution;
    QTest::newRow("beyond int") << 1e300 << 9000.0 << 1.2 << QStringLiteral("Overflow");
}

void TestChartPrint::imageRectRefused() {
    QFETCH(double, pageW);
    QFETCH(double, pageH);
    QFETCH(double, tpp);
    QFETCH(QString, description);
    try {
        print_page::imageRect(pageW, pageH, tpp, tpp);
        QFAIL("no error");
    } catch (const AppError& e) {
        QCOMPARE(e.description(), description);
    }
}

void TestChartPrint::headingFont_data() {
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QString>("family");
    const QString courier = QStringLiteral("Courier New");
    QTest::newRow("neither") << QStringList{QStringLiteral("DejaVu Sans")} << courier;
    QTest::newRow("none at all") << QStringList{} << courier;
    QTest::newRow("preferred") << QStringList{courier, QStringLiteral("Monospac821 BT")}
                               << QStringLiteral("Monospac821 BT");
    QTest::newRow("any case") << QStringList{QStringLiteral("MONOSPAC821 bt")}
                              << QStringLiteral("MONOSPAC821 bt");
    QTest::newRow("only a near name") << QStringList{QStringLiteral("Monospac821")} << courier;
}

void TestChartPrint::headingFont() {
    QFETCH(QStringList, installed);
    QTEST(print_page::headingFontFamily(installed), "family");
}

void TestChartPrint::printsOneLandscapePage_data() {
    QTest::addColumn<QString>("oldComment");
    QTest::addColumn<QString>("answer");
    QTest::newRow("comment kept") << QStringLiteral("Pass 2, 4th gear")
                                  << QStringLiteral("Pass 2, 4th gear");
    QTest::newRow("comment typed") << QString() << QStringLiteral("Slicks, 14 psi, 75 shot");
    QTest::newRow("comment edited away") << QStringLiteral("old") << QString();
}

void TestChartPrint::printsOneLandscapePage() {
    QFETCH(QString, oldComment);
    QFETCH(QString, answer);
    Harness h;
    h.data.comment = oldComment;
    h.open();
    QPrinter printer(QPrinter::HighResolution);
    const QString path = dir_.filePath(QStringLiteral("page.pdf"));
    toPdf(printer, path);
    installPrinting(h, printer);
    expectComment(h, oldComment, answer);

    h.window->cmdPrint_Click();

    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
    QCOMPARE(h.data.comment, answer);
    QString error;
    const test::PdfInfo info = test::pdfInfo(path, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(info.pages, 1);
    QVERIFY2(info.widthPt > info.heightPt, "the page is not landscape");
    const QString text = test::pdfText(path, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY2(text.contains(kHeadingStart + QStringLiteral("6/14/2024 3:42:10 PM")),
             qPrintable(text));
    QCOMPARE(text.contains(QStringLiteral("Comment: ")), !answer.isEmpty());
    if (!answer.isEmpty()) {
        QVERIFY2(text.contains(QStringLiteral("Comment: ") + answer), qPrintable(text));
    }
    // The chart as shown: its axis titles and the traces' legend.
    for (const char* title : {"Elapsed Time (sec)", "RPM", "VSS (MPH)"}) {
        QVERIFY2(text.contains(QLatin1String(title)), title);
    }
}

void TestChartPrint::cancelErasesComment() {
    Harness h;
    h.data.comment = QStringLiteral("to be erased");
    h.open();
    QPrinter printer(QPrinter::HighResolution);
    const QString path = dir_.filePath(QStringLiteral("cancel.pdf"));
    toPdf(printer, path);
    installPrinting(h, printer);
    expectComment(h, QStringLiteral("to be erased"), QString());  // Cancel answers ""

    h.window->cmdPrint_Click();

    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
    QVERIFY(h.data.comment.isEmpty());
    QString error;
    const QString text = test::pdfText(path, &error);
    QVERIFY2(!text.isEmpty(), qPrintable(error));
    QVERIFY(!text.contains(QStringLiteral("Comment")));
    QVERIFY(!text.contains(QStringLiteral("to be erased")));
}

void TestChartPrint::dateFromFile() {
    // The heading carries the date of the download the file holds, not the date of printing.
    Harness h;
    h.data.downloadDate = QStringLiteral("11/2/2026 9:15:07 AM");
    QBuffer file;
    file.open(QIODevice::ReadWrite);
    LogFileWriter(file).writeAll(h.data, kBrand);
    file.seek(0);
    h.data.clearDataBuffer();
    h.data.downloadDate.clear();
    LogFileReader reader(file);
    QVERIFY(reader.readHeader(h.data));
    QVERIFY(reader.readSamples(h.data));
    QVERIFY(reader.readTrailer(h.data));
    h.data.bufferEmpty = false;
    QCOMPARE(h.data.downloadDate, QStringLiteral("11/2/2026 9:15:07 AM"));

    h.open();
    QPrinter printer(QPrinter::HighResolution);
    const QString path = dir_.filePath(QStringLiteral("file.pdf"));
    toPdf(printer, path);
    installPrinting(h, printer);
    expectComment(h, h.data.comment, QString());
    h.window->cmdPrint_Click();

    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
    QString error;
    const QString text = test::pdfText(path, &error);
    QVERIFY2(text.contains(kHeadingStart + QStringLiteral("11/2/2026 9:15:07 AM")),
             qPrintable(text + error));
}

void TestChartPrint::headingSitsBelowTopOfPage() {
    // The heading's top is 500 twips (25 pt) below the top of the printable area, whatever the
    // printer's resolution, in a heading's size; the comment line follows directly below it.
    for (const QPrinter::PrinterMode mode :
         {QPrinter::HighResolution, QPrinter::ScreenResolution}) {
        Harness h;
        h.open();
        QPrinter printer(mode);
        const QString path = dir_.filePath(QStringLiteral("bbox.pdf"));
        toPdf(printer, path);
        installPrinting(h, printer);
        expectComment(h, QString(), QStringLiteral("Marker"));
        h.window->cmdPrint_Click();
        QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));

        QString error;
        const QString html =
            test::runPdfTool(QStringLiteral("pdftotext"),
                             {QStringLiteral("-bbox"), path, QStringLiteral("-")}, &error);
        QVERIFY2(!html.isEmpty(), qPrintable(error));
        auto word = [&](const QString& text) {
            const QRegularExpression re(QStringLiteral("yMin=\"([\\d.]+)\"[^>]*yMax=\"([\\d.]+)\""
                                                       "[^>]*>%1<")
                                            .arg(text));
            const auto m = re.match(html);
            return m.hasMatch() ? std::pair(m.captured(1).toDouble(), m.captured(2).toDouble())
                                : std::pair(-1.0, -1.0);
        };
        const double marginTop = printer.pageLayout().paintRectPoints().top();
        const auto [headingTop, headingBottom] = word(QStringLiteral("Printed:"));
        const auto [commentTop, commentBottom] = word(QStringLiteral("Comment:"));
        QVERIFY2(headingTop >= 0 && commentTop >= 0, qPrintable(html.left(2000)));
        // The word box starts at the font's ascent above the baseline, a point or so below the
        // line's top.
        QVERIFY2(std::abs(headingTop - (marginTop + 25)) < 3,
                 qPrintable(QStringLiteral("heading top %1").arg(headingTop)));
        // A heading to read at arm's length (14 pt), the comment in smaller text right under it.
        QVERIFY2(headingBottom - headingTop > 12,
                 qPrintable(QStringLiteral("heading %1 pt high").arg(headingBottom - headingTop)));
        QVERIFY2(commentBottom - commentTop < headingBottom - headingTop,
                 qPrintable(QStringLiteral("comment %1 pt high").arg(commentBottom - commentTop)));
        QVERIFY2(commentTop >= headingBottom && commentTop - headingBottom < 10,
                 qPrintable(QStringLiteral("comment top %1").arg(commentTop)));
    }
}

void TestChartPrint::noPrinter() {
    // A machine with no printer: the printer object is left as the system made it.
    Harness h;
    h.open();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString());
    installPrinting(h, printer);
    expectComment(h, QString(), QStringLiteral("kept"));
    h.dialogs.expectErrorBox(
        QStringLiteral("Printer error: no printer is installed. Choose a printer, or printing to "
                       "a PDF file, with File > Print Setup."),
        MsgResult::Abort);
    h.window->cmdPrint_Click();
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
    // The edited comment stays although nothing was printed.
    QCOMPARE(h.data.comment, QStringLiteral("kept"));
}

void TestChartPrint::unwritableFile_data() {
    QTest::addColumn<MsgResult>("answer");
    QTest::newRow("abort") << MsgResult::Abort;
    QTest::newRow("ignore") << MsgResult::Ignore;
}

void TestChartPrint::unwritableFile() {
    QFETCH(MsgResult, answer);
    Harness h;
    h.open();
    QPrinter printer(QPrinter::HighResolution);
    const QString path = dir_.filePath(QStringLiteral("no such folder/page.pdf"));
    toPdf(printer, path);
    installPrinting(h, printer);
    expectComment(h, QString(), QString());
    h.dialogs.expectErrorBox(
        QStringLiteral("Printer error: the file \"%1\" could not be written.").arg(path), answer);
    h.window->cmdPrint_Click();
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
    QVERIFY(!QFile::exists(path));
}

void TestChartPrint::retryAfterFixingPrinter() {
    // Retry prints the whole page again, without asking for the comment a second time.
    Harness h;
    h.open();
    QPrinter printer(QPrinter::HighResolution);
    const QString bad = dir_.filePath(QStringLiteral("missing/page.pdf"));
    const QString good = dir_.filePath(QStringLiteral("retried.pdf"));
    toPdf(printer, bad);
    installPrinting(h, printer);
    expectComment(h, QString(), QStringLiteral("second try"));
    h.dialogs.expectMessage(
        QStringLiteral("Error"),
        QStringLiteral("Printer error: the file \"%1\" could not be written.").arg(bad),
        MsgIcon::Critical, MsgButtons::AbortRetryIgnore, MsgResult::Retry,
        [&] { printer.setOutputFileName(good); });
    h.window->cmdPrint_Click();
    QVERIFY2(h.dialogs.ok(), qPrintable(h.dialogs.report()));
    QString error;
    QCOMPARE(test::pdfInfo(good, &error).pages, 1);
    QVERIFY2(test::pdfText(good).contains(QStringLiteral("Comment: second try")),
             qPrintable(error));
}

QTEST_MAIN(TestChartPrint)
#include "test_chart_print.moc"
