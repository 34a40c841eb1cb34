// The branding file reader: sections, separators, comment lines, line ends, and files that are
// damaged or hostile (empty, binary, huge).
#include <QBuffer>
#include <QFile>
#include <QtTest>

#include "branding/branding.h"

using namespace tarvik;

Q_DECLARE_METATYPE(BrandingProblem)

namespace {
const QStringList kFiveSplash = {QStringLiteral("Acme"), QStringLiteral("Arial"),
                                 QStringLiteral("20"), QStringLiteral("bold"),
                                 QStringLiteral("logo.gif")};
}

class TestBranding : public QObject {
    Q_OBJECT

private slots:
    void sections_data();
    void sections();
    void problems_data();
    void problems();
    void problemTexts();
    void lineEnds();
    void utf8ByteOrderMark();
    void hugeSingleLineIsCutAndStillBounded();
    void fileLargerThanLimit();
    void largeFileEndingEarlyIsFine();
    void manyLinesAreCountedButNotAllKept();
    void binaryGarbage();
    void readsFromDevice();
    void shippedFileMatchesDefaults();
    void fontSizeStyleAndLogoLines_data();
    void fontSizeStyleAndLogoLines();
};

void TestBranding::sections_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("splash");
    QTest::addColumn<QStringList>("brand");

    QTest::newRow("comment header, no final separator")
        << QByteArray("! comment\n!another\nAcme\nArial\n20\nbold\nlogo.gif\n!\nAcme\nLine 2\n")
        << kFiveSplash << QStringList{QStringLiteral("Acme"), QStringLiteral("Line 2")};
    QTest::newRow("no header, last line without a line end")
        << QByteArray("Acme\nArial\n20\nbold\nlogo.gif\n!\nAcme\nLine 2") << kFiveSplash
        << QStringList{QStringLiteral("Acme"), QStringLiteral("Line 2")};
    QTest::newRow("section 2 empty")
        << QByteArray("Acme\nArial\n20\nbold\nlogo.gif\n!\n") << kFiveSplash << QStringList{};
    QTest::newRow("section 2 empty, separator without line end")
        << QByteArray("Acme\nArial\n20\nbold\nlogo.gif\n!") << kFiveSplash << QStringList{};
    QTest::newRow("lines after a second separator ignored")
        << QByteArray("Acme\nArial\n20\nbold\nlogo.gif\n!x\nAcme\n!end\nIgnored\n!\nAlso\n")
        << kFiveSplash << QStringList{QStringLiteral("Acme")};
    QTest::newRow("empty lines are items")
        << QByteArray("\nArial\n\nbold\nlogo.gif\n!\n\nB\n\n")
        << QStringList{QString(), QStringLiteral("Arial"), QString(), QStringLiteral("bold"),
                       QStringLiteral("logo.gif")}
        << QStringList{QString(), QStringLiteral("B"), QString()};
    QTest::newRow("an empty first line starts section 1")
        << QByteArray("!c\n\nA\nB\nC\nD\n!\nX\n")
        << QStringList{QString(), QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                       QStringLiteral("D")}
        << QStringList{QStringLiteral("X")};
    QTest::newRow("only the first character makes a separator")
        << QByteArray("Acme!\nArial\n20\nbold\n logo!\n ! not a separator\n!\nHi!\n")
        << QStringList{QStringLiteral("Acme!"),  QStringLiteral("Arial"),
                       QStringLiteral("20"),     QStringLiteral("bold"),
                       QStringLiteral(" logo!"), QStringLiteral(" ! not a separator")}
        << QStringList{QStringLiteral("Hi!")};
    QTest::newRow("8-bit text is Windows text: accented letters")
        << QByteArray("M\xF6lnd\xE9\nArial\n20\nbold\nNULL\n!\nM\xF6lnd\xE9 AB\n")
        << QStringList{QStringLiteral("M\u00F6lnd\u00E9"), QStringLiteral("Arial"),
                       QStringLiteral("20"), QStringLiteral("bold"), QStringLiteral("NULL")}
        << QStringList{QStringLiteral("M\u00F6lnd\u00E9 AB")};
    QTest::newRow("8-bit text is Windows text: euro, trade mark, quotes, dashes")
        << QByteArray(
               "\x80 Speed\x99\nArial\n20\nbold\nNULL\n!\n\x93"
               "Fast\x94 \x96 \x91"
               "A\x92 "
               "\x97 \x85\n")
        << QStringList{QStringLiteral("\u20AC Speed\u2122"), QStringLiteral("Arial"),
                       QStringLiteral("20"), QStringLiteral("bold"), QStringLiteral("NULL")}
        << QStringList{QStringLiteral("\u201CFast\u201D \u2013 \u2018A\u2019 \u2014 \u2026")};
    // The five bytes the code page leaves unassigned are read as Windows reads them.
    QTest::newRow("8-bit text is Windows text: unassigned bytes kept")
        << QByteArray("A\x81\x8D\x8F\x90\x9D\nArial\n20\nbold\nNULL\n!\n\x8A\x8C\x8E\x9F\n")
        << QStringList{QStringLiteral("A\u0081\u008D\u008F\u0090\u009D"), QStringLiteral("Arial"),
                       QStringLiteral("20"), QStringLiteral("bold"), QStringLiteral("NULL")}
        << QStringList{QStringLiteral("\u0160\u0152\u017D\u0178")};
}

void TestBranding::sections() {
    QFETCH(QByteArray, file);
    QFETCH(QStringList, splash);
    QFETCH(QStringList, brand);
    const BrandingRead r = parseBranding(file);
    QCOMPARE(r.branding.splashLines, splash);
    QCOMPARE(r.branding.brandLines, brand);
    QVERIFY2(r.ok(), qPrintable(r.describeProblems()));
}

void TestBranding::problems_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<BrandingProblem>>("expected");
    QTest::addColumn<int>("splashLines");

    using P = BrandingProblem;
    QTest::newRow("empty") << QByteArray() << QList<P>{P::NoSeparator, P::TooFewSplashLines} << 0;
    QTest::newRow("comments only")
        << QByteArray("!a\n!b\n") << QList<P>{P::NoSeparator, P::TooFewSplashLines} << 0;
    QTest::newRow("no separator") << QByteArray("Acme\nArial\n20\nbold\nlogo.gif\nmore\n")
                                  << QList<P>{P::NoSeparator} << 6;
    QTest::newRow("four splash lines")
        << QByteArray("Acme\nArial\n20\nbold\n!\nAcme\n") << QList<P>{P::TooFewSplashLines} << 4;
    // The "!" right after the comments is one more comment: "Acme" opens section 1.
    QTest::newRow("separator straight after comments")
        << QByteArray("!c\n!\nAcme\n") << QList<P>{P::NoSeparator, P::TooFewSplashLines} << 1;
}

void TestBranding::problems() {
    QFETCH(QByteArray, file);
    QFETCH(QList<BrandingProblem>, expected);
    QFETCH(int, splashLines);
    const BrandingRead r = parseBranding(file);
    QCOMPARE(r.problems, expected);
    QCOMPARE(r.splashLineCount, qsizetype(splashLines));
}

void TestBranding::problemTexts() {
    BrandingRead r = parseBranding(QByteArray());
    QCOMPARE(r.describeProblems(),
             QStringLiteral("The branding file Tarvik.cfg ends before its first \"!\" separator "
                            "line.\r\nThe first section of the branding file Tarvik.cfg has 0 "
                            "lines; it needs five: company name, font name, font size, font "
                            "style and logo file."));
    r = parseBranding(QByteArray("Acme\n!\n"));
    QCOMPARE(r.describeProblems(),
             QStringLiteral("The first section of the branding file Tarvik.cfg has 1 line; it "
                            "needs five: company name, font name, font size, font style and "
                            "logo file."));
    QCOMPARE(r.branding.splashLines, QStringList{QStringLiteral("Acme")});
}

void TestBranding::lineEnds() {
    const QStringList brand = {QStringLiteral("B1"), QStringLiteral("B2")};
    for (const char* eol : {"\n", "\r\n", "\r"}) {
        QByteArray file;
        for (const char* line :
             {"!c", "Acme", "Arial", "20", "bold", "logo.gif", "!", "B1", "B2"}) {
            file += line;
            file += eol;
        }
        const BrandingRead r = parseBranding(file);
        QCOMPARE(r.branding.splashLines, kFiveSplash);
        QCOMPARE(r.branding.brandLines, brand);
        QVERIFY(r.ok());
    }
    // A blank line between two CR LF ends is an item, not a swallowed line end.
    const BrandingRead r = parseBranding("A\r\n\r\nC\r\nD\r\nE\r\n!\r\n\r\n");
    QCOMPARE(r.branding.splashLines,
             (QStringList{QStringLiteral("A"), QString(), QStringLiteral("C"), QStringLiteral("D"),
                          QStringLiteral("E")}));
    QCOMPARE(r.branding.brandLines, QStringList{QString()});
}

void TestBranding::utf8ByteOrderMark() {
    const BrandingRead r =
        parseBranding("\xEF\xBB\xBF! comment\nM\xC3\xB6lnd\nArial\n20\nbold\nNULL\n!\nX\n");
    QVERIFY(r.ok());
    QCOMPARE(r.branding.splashLines.first(), QStringLiteral("M\u00F6lnd"));
}

void TestBranding::hugeSingleLineIsCutAndStillBounded() {
    // One line of 900 KB: read, cut to the line limit, reported as an unfinished file.
    QByteArray file(900 * 1024, 'x');
    const BrandingRead r = parseBranding(file);
    QCOMPARE(r.branding.splashLines.size(), 1);
    QCOMPARE(r.branding.splashLines.first().size(), branding_limits::kMaxLineChars);
    QCOMPARE(r.problems, (QList<BrandingProblem>{BrandingProblem::NoSeparator,
                                                 BrandingProblem::TooFewSplashLines}));
}

void TestBranding::fileLargerThanLimit() {
    // 3 MB without a line end: nothing beyond the limit is looked at, and the cut line is not
    // taken for a line of the file.
    QByteArray file(3 * 1024 * 1024, 'y');
    BrandingRead r = parseBranding(file);
    QVERIFY(r.branding.splashLines.isEmpty());
    QCOMPARE(r.problems,
             (QList<BrandingProblem>{BrandingProblem::TooLarge, BrandingProblem::NoSeparator,
                                     BrandingProblem::TooFewSplashLines}));
    QVERIFY(r.describeProblems().startsWith(
        QStringLiteral("The branding file Tarvik.cfg is larger than 1 MB; only its first 1 MB "
                       "was read.\r\n")));

    // A comment header that never ends.
    file = QByteArray("!") + QByteArray(2 * 1024 * 1024, '\n');
    r = parseBranding(file);
    QVERIFY(r.problems.contains(BrandingProblem::TooLarge));
}

void TestBranding::largeFileEndingEarlyIsFine() {
    // Everything after the second separator is never read, however much there is.
    QByteArray file("Acme\nArial\n20\nbold\nlogo.gif\n!\nAcme\n!\n");
    file += QByteArray(2 * 1024 * 1024, 'z');
    const BrandingRead r = parseBranding(file);
    QVERIFY2(r.ok(), qPrintable(r.describeProblems()));
    QCOMPARE(r.branding.brandLines, QStringList{QStringLiteral("Acme")});
}

void TestBranding::manyLinesAreCountedButNotAllKept() {
    QByteArray file;
    for (int i = 0; i < 5000; ++i) {
        file += "s" + QByteArray::number(i) + '\n';
    }
    file += "!\n";
    for (int i = 0; i < 5000; ++i) {
        file += "b" + QByteArray::number(i) + '\n';
    }
    const BrandingRead r = parseBranding(file);
    QVERIFY(r.ok());
    QCOMPARE(r.splashLineCount, qsizetype(5000));
    QCOMPARE(r.branding.splashLines.size(), branding_limits::kMaxLinesKept);
    QCOMPARE(r.branding.brandLines.size(), branding_limits::kMaxLinesKept);
    QCOMPARE(r.branding.brandLines.last(), QStringLiteral("b99"));
}

void TestBranding::binaryGarbage() {
    // Every byte value, in a fixed pseudo-random order, many times over.
    QByteArray file;
    quint32 x = 12345;
    for (int i = 0; i < 200000; ++i) {
        x = x * 1103515245u + 12345u;
        file += char((x >> 16) & 0xFF);
    }
    const BrandingRead r = parseBranding(file);
    QVERIFY(r.branding.splashLines.size() <= branding_limits::kMaxLinesKept);
    QVERIFY(r.branding.brandLines.size() <= branding_limits::kMaxLinesKept);
    for (const QString& line : r.branding.splashLines + r.branding.brandLines) {
        QVERIFY(line.size() <= branding_limits::kMaxLineChars);
    }
    // NUL bytes are characters like any other.
    const BrandingRead z = parseBranding(QByteArray("A\0B\nC\nD\nE\nF\n!\n", 15));
    QCOMPARE(z.branding.splashLines.first(), QString(QStringLiteral("A")) + QChar(0) + u'B');
}

void TestBranding::readsFromDevice() {
    QByteArray bytes("!c\nAcme\nArial\n20\nbold\nlogo.gif\n!\nAcme\n");
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    const BrandingRead r = parseBranding(buffer);
    QVERIFY(r.ok());
    QCOMPARE(r.branding.splashLines, kFiveSplash);

    QByteArray big(2 * 1024 * 1024, 'q');
    QBuffer bigBuffer(&big);
    QVERIFY(bigBuffer.open(QIODevice::ReadOnly));
    QVERIFY(parseBranding(bigBuffer).problems.contains(BrandingProblem::TooLarge));
    QCOMPARE(bigBuffer.pos(), branding_limits::kMaxFileBytes + 1);
}

void TestBranding::shippedFileMatchesDefaults() {
    QFile file(QStringLiteral(TARVIK_RESOURCES "/Tarvik.cfg"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const BrandingRead r = parseBranding(file);
    QVERIFY2(r.ok(), qPrintable(r.describeProblems()));
    QCOMPARE(r.branding.splashLines, Branding::defaults().splashLines);
    QCOMPARE(r.branding.brandLines, Branding::defaults().brandLines);
}

void TestBranding::fontSizeStyleAndLogoLines_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<double>("size");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<bool>("noLogo");
    QTest::newRow("bold italic") << "bold italic" << 0.0 << true << true << false;
    QTest::newRow("BOLD") << "BOLD" << 0.0 << true << false << false;
    QTest::newRow("Italic") << "Italic" << 0.0 << false << true << false;
    QTest::newRow("regular") << "regular" << 0.0 << false << false << false;
    QTest::newRow("embedded") << "SemiBoldItalics" << 0.0 << true << true << false;
    QTest::newRow("size 28") << "28" << 28.0 << false << false << false;
    QTest::newRow("size 12.5pt") << "12.5pt" << 12.5 << false << false << false;
    QTest::newRow("size letters") << "large" << 0.0 << false << false << false;
    QTest::newRow("size -3") << "-3" << -3.0 << false << false << false;
    QTest::newRow("null") << "null" << 0.0 << false << false << true;
    QTest::newRow("NULL") << "NULL" << 0.0 << false << false << true;
    QTest::newRow("Null.gif") << "Null.gif" << 0.0 << false << false << false;
}

void TestBranding::fontSizeStyleAndLogoLines() {
    QFETCH(QString, line);
    QFETCH(double, size);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(bool, noLogo);
    QCOMPARE(brandingFontSize(line), size);
    QCOMPARE(brandingBold(line), bold);
    QCOMPARE(brandingItalic(line), italic);
    QCOMPARE(brandingNoLogo(line), noLogo);
}

QTEST_GUILESS_MAIN(TestBranding)
#include "test_branding.moc"
