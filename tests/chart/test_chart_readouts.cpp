// The read-outs as they leave the window: the text lines of a saved picture and of the printed
// page, placed so that none runs over another (also at QT_SCALE_FACTOR=2, where CTest runs this
// program a second time), the printed page carrying the cursors' values, the letters of two
// cursors close together, and the note under the window read in full.
#include <QApplication>
#include <QFontMetricsF>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>
#include <stack>

#include "chart/chart_analysis.h"
#include "chart/chart_export.h"
#include "chart/chart_print.h"
#include "chart/comment_command.h"
#include "chart/compare_overlay.h"
#include "chart/launch_finder.h"
#include "chart/text_block.h"
#include "chart_harness.h"
#include "logdata/log_data_host.h"
#include "logdata/log_file_writer.h"
#include "pdf_tools.h"

using namespace tarvik;
using test::Harness;

namespace {

#define DIALOGS_OK(h) QVERIFY2((h).dialogs.ok(), qPrintable((h).dialogs.report()))

// A text of a picture or a page and the box it covers.
using Placed = test::PdfWord;

// The first pair of texts whose boxes overlap by more than `slack` on each side, as a message;
// empty when there is none.
QString firstOverlap(const QList<Placed>& texts, double slack) {
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const QRectF a = texts[i].box.adjusted(slack, slack, -slack, -slack);
        for (qsizetype j = i + 1; j < texts.size(); ++j) {
            if (a.intersects(texts[j].box.adjusted(slack, slack, -slack, -slack))) {
                auto where = [](const Placed& p) {
                    return QStringLiteral("\"%1\" at %2,%3 %4x%5")
                        .arg(p.text)
                        .arg(p.box.x(), 0, 'f', 1)
                        .arg(p.box.y(), 0, 'f', 1)
                        .arg(p.box.width(), 0, 'f', 1)
                        .arg(p.box.height(), 0, 'f', 1);
                };
                return where(texts[i]) + QStringLiteral(" overlaps ") + where(texts[j]);
            }
        }
    }
    return QString();
}

QTransform svgTransform(QStringView attribute) {
    static const QRegularExpression matrix(QStringLiteral("matrix\\(([^)]*)\\)"));
    const auto m = matrix.match(attribute);
    if (!m.hasMatch()) {
        return {};
    }
    const QStringList v = m.captured(1).split(u',');
    if (v.size() != 6) {
        return {};
    }
    return QTransform(v[0].toDouble(), v[1].toDouble(), v[2].toDouble(), v[3].toDouble(),
                      v[4].toDouble(), v[5].toDouble());
}

// Every <text> of an SVG drawing, its box measured with the font the drawing names, in the
// drawing's coordinates.
QList<Placed> svgTexts(const QString& path) {
    QList<Placed> texts;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return texts;
    }
    QXmlStreamReader xml(&f);
    std::stack<QTransform> transforms;
    transforms.push(QTransform());
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("g")) {
            transforms.pop();
        }
        if (token != QXmlStreamReader::StartElement) {
            continue;
        }
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == QLatin1String("g")) {
            transforms.push(svgTransform(a.value(QLatin1String("transform"))) * transforms.top());
        } else if (xml.name() == QLatin1String("text")) {
            QFont font(a.value(QLatin1String("font-family")).toString());
            font.setPixelSize(qRound(a.value(QLatin1String("font-size")).toDouble()));
            font.setWeight(QFont::Weight(a.value(QLatin1String("font-weight")).toInt()));
            const double x = a.value(QLatin1String("x")).toDouble();
            const double y = a.value(QLatin1String("y")).toDouble();
            const QString text = xml.readElementText();
            const QFontMetricsF fm(font);
            const QRectF box(x, y - fm.ascent(), fm.horizontalAdvance(text), fm.height());
            if (!text.trimmed().isEmpty()) {
                texts.append({text, transforms.top().mapRect(box)});
            }
        }
    }
    return texts;
}

// The page's text line by line: words standing level (tops within a point), left to right.
QString pageLines(QList<Placed> words) {
    std::sort(words.begin(), words.end(),
              [](const Placed& a, const Placed& b) { return a.box.top() < b.box.top(); });
    QStringList lines;
    for (qsizetype i = 0; i < words.size();) {
        qsizetype end = i + 1;
        while (end < words.size() && words[end].box.top() - words[i].box.top() <= 1) {
            ++end;
        }
        QList<Placed> line = words.mid(i, end - i);
        std::sort(line.begin(), line.end(),
                  [](const Placed& a, const Placed& b) { return a.box.left() < b.box.left(); });
        QStringList texts;
        for (const Placed& w : line) {
            texts << w.text;
        }
        lines << texts.join(u' ');
        i = end;
    }
    return lines.join(u'\n');
}

void writeLog(const QString& path, const DataBuffer& d) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    LogFileWriter(f).writeAll(d, QStringLiteral("Orvenna"));
}

// The window as a racer leaves it before saving or printing: the second launch, a slower pass
// compared over it, cursor A early in the pass and cursor B `gap` samples after it.
void analysePass(Harness& h, const QString& comparedLog, int gap) {
    h.window->resize(h.window->size());
    QApplication::processEvents();
    h.triggerMenu("cmdGoToLaunch");
    h.triggerMenu("cmdGoToLaunch");
    h.dialogs.expectOpenFile(ChartAnalysis::kCompareTitle, kLogFileFilter, comparedLog);
    h.triggerMenu("cmdCompareWith");
    const int launch = findLaunches(h.data).rows.at(1);
    h.clickRow(launch + 20);
    h.clickRow(launch + 20 + gap, Qt::RightButton);
}

QString comparedLog(const QTemporaryDir& dir) {
    DataBuffer other;
    test::fillDragPass(other);
    for (int row = 1; row <= kDataRows; ++row) {
        other.at(Column::RPM, row) = std::round(other.at(Column::RPM, row) * 0.96f);
    }
    const QString path = dir.filePath(QStringLiteral("pass1_street_tyres_long_name.log"));
    writeLog(path, other);
    return path;
}

}  // namespace

class TestChartReadouts : public QObject {
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("QPainter|QSvg"))); }
    void layOutText_data();
    void layOutText();
    void savedSvgTextsApart_data();
    void savedSvgTextsApart();
    void pngBandHoldsTheLaidOutLines();
    void readOutLinesOnlyWithReadings();
    void printedPageCarriesTheReadOuts_data();
    void printedPageCarriesTheReadOuts();
    void cursorLettersApart_data();
    void cursorLettersApart();
    void noteReadInFull_data();
    void noteReadInFull();
};

void TestChartReadouts::layOutText_data() {
    QTest::addColumn<QStringList>("texts");  // left, centre, right of one row
    QTest::addColumn<double>("width");
    QTest::addColumn<int>("lines");  // lines each row takes; -1: two or more (a wrapped text)
    const QString longB = QStringLiteral(
        "B  188.10 Sec   RPM 6655   VSS (MPH) 101      B - A:  +5.50 Sec   RPM -107   VSS (MPH) "
        "+51      compared 6389 / 94");
    QTest::newRow("all fit") << QStringList{"RPM 6762", "182.60 Sec", "VSS (MPH) 50"} << 900.0 << 1;
    QTest::newRow("left and right meet")
        << QStringList{"A  compared 6492 / 46", QString(), longB.left(45)} << 560.0 << 2;
    QTest::newRow("centre too close")
        << QStringList{"RPM 6762 and more words", "182.60 Sec", QString()} << 300.0 << 2;
    QTest::newRow("one piece wider than the band")
        << QStringList{QString(), QString(), longB} << 500.0 << -1;
    QTest::newRow("a word wider than the band")
        << QStringList{QStringLiteral("pass1_street_tyres_long_name.log"), QString(), QString()}
        << 120.0 << -1;
    QTest::newRow("empty row") << QStringList{QString(), QStringLiteral("  "), QString()} << 500.0
                               << 0;
}

void TestChartReadouts::layOutText() {
    QFETCH(QStringList, texts);
    QFETCH(double, width);
    QFETCH(int, lines);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(15);
    font.setBold(true);
    const TextRow row{font,
                      {{texts[0], Qt::red, Qt::AlignLeft},
                       {texts[1], Qt::black, Qt::AlignHCenter},
                       {texts[2], Qt::blue, Qt::AlignRight}}};
    const TextBlock block = tarvik::layOutText({row, row}, width);
    QList<Placed> placed;
    QSet<qreal> tops;
    QString words;
    for (const PlacedText& t : block.texts) {
        placed.append({t.text, t.box});
        tops.insert(t.box.top());
        words += t.text + u' ';
        // Inside the band, and as wide as the text is drawn.
        QVERIFY2(t.box.left() >= 0 && t.box.right() <= width + 1e-6, qPrintable(t.text));
        QCOMPARE(t.box.width(), QFontMetricsF(font).horizontalAdvance(t.text));
    }
    // The second row starts below the first.
    if (lines >= 0) {
        QCOMPARE(tops.size(), 2 * lines);
    } else {
        QVERIFY2(tops.size() >= 4, qPrintable(QString::number(tops.size())));
    }
    QCOMPARE(block.height > 0, lines != 0);
    const QString overlap = firstOverlap(placed, 0);
    QVERIFY2(overlap.isEmpty(), qPrintable(overlap));
    // Nothing is lost: every character of the row is there, in order.
    const QString row1 = texts.join(QString());
    QCOMPARE(words.remove(u' '), QString(row1 + row1).remove(u' '));
}

void TestChartReadouts::savedSvgTextsApart_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("gap");  // samples from cursor A to cursor B
    QTest::newRow("default window") << 1000 << 55;
    QTest::newRow("narrow window") << 760 << 55;
    QTest::newRow("cursors side by side") << 1000 << 1;
    QTest::newRow("B just before A") << 1000 << -1;
}

void TestChartReadouts::savedSvgTextsApart() {
    QFETCH(int, width);
    QFETCH(int, gap);
    QTemporaryDir dir;
    Harness h;
    h.open();
    h.window->resize(width, 700);
    analysePass(h, comparedLog(dir), gap);
    const QString path = dir.filePath(QStringLiteral("pass.svg"));
    h.dialogs.expectSaveFile(QStringLiteral("Save Picture"),
                             QStringLiteral("PNG picture (*.png)|*.png|SVG drawing (*.svg)|*.svg"),
                             path);
    h.triggerMenu("cmdSavePicture");
    DIALOGS_OK(h);
    const QList<Placed> texts = svgTexts(path);
    QString all;
    for (const Placed& t : texts) {
        all += t.text + u'|';
    }
    // The read-outs are all there: A's values, B's, B - A and the compared values.
    for (const QString& part : {h.text("lblMarkerTime").trimmed(), h.text("lblMarkerTrace1"),
                                QStringLiteral("B - A:"), QStringLiteral("compared")}) {
        QVERIFY2(all.contains(part), qPrintable(part + " missing from " + all));
    }
    const QString overlap = firstOverlap(texts, 0.5);
    QVERIFY2(overlap.isEmpty(), qPrintable(overlap));
}

void TestChartReadouts::pngBandHoldsTheLaidOutLines() {
    // The PNG is the SVG's picture at twice the size: its band above the chart is as tall as the
    // laid-out read-outs, however many lines they take.
    QTemporaryDir dir;
    Harness h;
    h.open();
    h.window->resize(760, 700);
    analysePass(h, comparedLog(dir), 55);
    const std::vector<ReadOutLine> lines = h.window->analysis().readOutLines();
    QCOMPARE(lines.size(), std::size_t{2});
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(15);
    font.setBold(true);
    const TextBlock block = tarvik::layOutText(readOutRows(lines, font), h.chart().width() - 24);
    QVERIFY(block.texts.size() > 5);
    const QSize size = pictureSize(h.chart(), lines);
    QCOMPARE(size.height() - h.chart().height(), qCeil(block.height + 8));
    const QString path = dir.filePath(QStringLiteral("pass.png"));
    writePicture(path, h.chart(), lines);
    QCOMPARE(QImage(path).size(), size * kPictureScale);
    DIALOGS_OK(h);
}

void TestChartReadouts::readOutLinesOnlyWithReadings() {
    // A picture or page carries the read-outs that say something: not a lone "Sec".
    Harness h;
    h.open();
    ChartAnalysis& a = h.window->analysis();
    QCOMPARE(h.text("lblMarkerTime"), QStringLiteral("Sec "));
    QVERIFY(a.readOutLines().empty());
    QCOMPARE(pictureSize(h.chart(), a.readOutLines()).height(), h.chart().height() + 8);
    h.clickRow(2500, Qt::RightButton);
    QCOMPARE(a.readOutLines().size(), std::size_t{1});
    QCOMPARE(a.readOutLines().front().right, h.text("lblCursorB"));
    h.clickRow(2400);
    const std::vector<ReadOutLine> lines = a.readOutLines();
    QCOMPARE(lines.size(), std::size_t{2});
    QCOMPARE(lines[0].left, h.text("lblMarkerTrace1"));
    QCOMPARE(lines[0].centre, h.text("lblMarkerTime"));
    QCOMPARE(lines[0].right, h.text("lblMarkerTrace2"));
    DIALOGS_OK(h);
}

void TestChartReadouts::printedPageCarriesTheReadOuts_data() {
    QTest::addColumn<QPrinter::PrinterMode>("mode");
    QTest::newRow("high resolution") << QPrinter::HighResolution;
    QTest::newRow("screen resolution") << QPrinter::ScreenResolution;
}

void TestChartReadouts::printedPageCarriesTheReadOuts() {
    QFETCH(QPrinter::PrinterMode, mode);
    QTemporaryDir dir;
    Harness h;
    h.open();
    analysePass(h, comparedLog(dir), 55);
    QPrinter printer(mode);
    const QString path = dir.filePath(QStringLiteral("page.pdf"));
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    h.window->setPrintAction([&](FrmChart1& w) {
        printChart(h.dialogs, h.data, w, printer, QStringLiteral("Orvenna"));
    });
    h.dialogs.expectInput(kCommentPrompt, kCommentTitle, QString(),
                          QStringLiteral("Pass 2: slicks, 75 shot on stage 1, 100 on stage 2"));
    h.window->cmdPrint_Click();
    DIALOGS_OK(h);

    QString error;
    const QList<Placed> words = test::pdfWords(path, &error);
    QVERIFY2(!words.isEmpty(), qPrintable(error));
    const QString page = pageLines(words);
    // Cursor A's time and values, cursor B's, the differences and the compared pass's values,
    // as the window shows them.
    const QString b = h.text("lblCursorB").simplified();
    for (const QString& part :
         {h.text("lblMarkerTime").simplified(), h.text("lblMarkerTrace1").simplified(),
          h.text("lblMarkerTrace2").simplified(), h.text("lblCompareA").simplified(),
          b.left(b.indexOf(QStringLiteral("B - A:"))).trimmed(),
          b.mid(b.indexOf(QStringLiteral("B - A:"))).section(QStringLiteral(" compared"), 0, 0),
          b.mid(b.indexOf(QStringLiteral("compared")))}) {
        QVERIFY2(page.contains(part), qPrintable(part + " missing from " + page));
    }
    const QString overlap = firstOverlap(words, 0.25);
    QVERIFY2(overlap.isEmpty(), qPrintable(overlap));
}

void TestChartReadouts::cursorLettersApart_data() {
    QTest::addColumn<int>("gap");
    QTest::addColumn<QString>("scale");
    QTest::newRow("next sample, 5 min") << 1 << "optTimeScale3";
    QTest::newRow("same sample, 5 min") << 0 << "optTimeScale3";
    QTest::newRow("sample before, 1 min") << -1 << "optTimeScale2";
    QTest::newRow("three samples, 15 s") << 3 << "optTimeScale1";
    QTest::newRow("far apart, 15 s") << 40 << "optTimeScale1";
}

void TestChartReadouts::cursorLettersApart() {
    QFETCH(int, gap);
    QFETCH(QString, scale);
    Harness h;
    h.open();
    h.clickRow(2500);
    h.click(scale.toLatin1().constData());
    h.clickRow(2500);
    h.clickRow(2500 + gap, Qt::RightButton);
    ChartAnalysis& a = h.window->analysis();
    QVERIFY(a.cursorB().drawn());
    // Cursor A is the marker; its letter is the analysis's first cursor.
    const auto* letters = h.chart().chart();
    QList<QRectF> boxes;
    for (QGraphicsItem* item : letters->childItems()) {
        auto* text = dynamic_cast<QGraphicsSimpleTextItem*>(item);
        if (text != nullptr && text->isVisible() &&
            (text->text() == QLatin1String("A") || text->text() == QLatin1String("B"))) {
            boxes << text->boundingRect().translated(text->pos());
        }
    }
    QCOMPARE(boxes.size(), 2);
    QVERIFY2(
        !boxes[0].intersects(boxes[1]),
        qPrintable(QStringLiteral("A and B at %1 and %2").arg(boxes[0].x()).arg(boxes[1].x())));
    // Each letter stays over its own line: at most its width away from it.
    QVERIFY(std::fabs(a.cursorB().letterRect().center().x() - a.cursorB().pixel()) <=
            a.cursorB().letterRect().width());
    DIALOGS_OK(h);
}

void TestChartReadouts::noteReadInFull_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("launch");
    QTest::newRow("launch") << "cmdGoToLaunch" << true;
    QTest::newRow("no launch") << "cmdGoToLaunch" << false;
    QTest::newRow("compared with a long name") << "cmdCompareWith" << true;
}

void TestChartReadouts::noteReadInFull() {
    QFETCH(QString, command);
    QFETCH(bool, launch);
    QTemporaryDir dir;
    Harness h;
    if (!launch) {
        for (int row = 1; row <= kDataRows; ++row) {
            h.data.at(Column::OutputData, row) = 8;
            h.data.at(Column::TPSPercent, row) = 0;
        }
    }
    h.open();  // at the window's own size
    if (command == QLatin1String("cmdCompareWith")) {
        h.dialogs.expectOpenFile(ChartAnalysis::kCompareTitle, kLogFileFilter, comparedLog(dir));
    }
    h.triggerMenu(command.toLatin1().constData());
    QApplication::processEvents();
    auto* note = h.child<QLabel>("lblAnalysisNote");
    const QString text = h.window->analysis().note();
    QVERIFY(!text.isEmpty());
    QCOMPARE(note->text(), text);
    QVERIFY(note->isVisible());
    // The whole text fits the label as laid out: nothing is cut off.
    const QRect room = note->contentsRect();
    const QRect needed = note->fontMetrics().boundingRect(
        QRect(room.topLeft(), QSize(room.width(), 10000)), Qt::TextWordWrap, text);
    QVERIFY2(needed.width() <= room.width() && needed.height() <= room.height(),
             qPrintable(QStringLiteral("%1 needs %2x%3, has %4x%5")
                            .arg(text)
                            .arg(needed.width())
                            .arg(needed.height())
                            .arg(room.width())
                            .arg(room.height())));
    DIALOGS_OK(h);
}

QTEST_MAIN(TestChartReadouts)
#include "test_chart_readouts.moc"
