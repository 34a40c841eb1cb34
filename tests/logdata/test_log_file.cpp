#include <locale.h>
#include <QBuffer>
#include <QtTest>
#include <clocale>
#include <cmath>
#include <random>

#include "common/number_format.h"
#include "core/app_error.h"
#include "log_test_data.h"
#include "logdata/caption_rule.h"
#include "logdata/log_file_reader.h"
#include "logdata/log_file_writer.h"
#include "logdata/log_line_source.h"

using namespace tarvik;
using namespace tarvik::test;

namespace {

QByteArray writeAll(const DataBuffer& b, const QString& brand) {
    QByteArray out;
    QBuffer dev(&out);
    dev.open(QIODevice::WriteOnly);
    LogFileWriter(dev).writeAll(b, brand);
    return out;
}

struct ReadOutcome {
    bool header = false;
    bool samples = false;
    bool trailer = false;
};

// Reads like the open command does: header, samples, repair, trailer.
ReadOutcome readAll(const QByteArray& text, DataBuffer& b) {
    QByteArray copy = text;
    QBuffer dev(&copy);
    dev.open(QIODevice::ReadOnly);
    LogFileReader reader(dev);
    ReadOutcome o;
    o.header = reader.readHeader(b);
    if (!o.header) {
        return o;
    }
    o.samples = reader.readSamples(b);
    LogFileReader::repairElapsedTimes(b);
    if (o.samples) {
        o.trailer = reader.readTrailer(b);
    }
    return o;
}

QList<QByteArray> lines(const QByteArray& text) {
    QList<QByteArray> l = text.split('\n');
    if (!l.isEmpty() && l.last().isEmpty()) {
        l.removeLast();
    }
    for (auto& x : l) {
        if (x.endsWith('\r')) {
            x.chop(1);
        }
    }
    return l;
}

QByteArray join(const QList<QByteArray>& l) {
    QByteArray t;
    for (const auto& x : l) {
        t += x + "\r\n";
    }
    return t;
}

// A device that takes only part of what it is given, like a full disk.
class ShortWriteDevice final : public QIODevice {
public:
    explicit ShortWriteDevice(qint64 room) : room_(room) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 len) override {
        const qint64 n = std::min(len, room_);
        room_ -= n;
        return n;
    }

private:
    qint64 room_;
};

// An endless line of one character: a file without line ends of any length.
class EndlessDevice final : public QIODevice {
public:
    EndlessDevice(qint64 size, char c) : size_(size), c_(c) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    qint64 served() const { return pos_; }

protected:
    qint64 readData(char* data, qint64 max) override {
        const qint64 n = std::min(max, size_ - pos_);
        std::memset(data, c_, static_cast<std::size_t>(n));
        pos_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 size_;
    qint64 pos_ = 0;
    char c_;
};

}  // namespace

class TestLogFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void numbers_data();
    void numbers();
    void numbersMatchFormatSingle();
    void numbersIgnoreLocale();
    void writerExactBytes();
    void writerCommentAndQuotes();
    void writerShortWriteThrows();
    void roundTripEveryField();
    void roundTripCommaInComment();
    void commaInBrandKeepsDate();
    void earlierVersionTrailer();
    void quotesRoundTrip_data();
    void quotesRoundTrip();
    void trailerFields_data();
    void trailerFields();
    void lineEnds();
    void lineFeedOnlyFileReadsWhole_data();
    void lineFeedOnlyFileReadsWhole();
    void readingStopsAtTheBound();
    void chunkHookStopsReading();
    void headerContent_data();
    void headerContent();
    void lenientNumbers();
    void elevenOrThirteenFields();
    void hundredSampleLines();
    void allZeroTimesInterval2();
    void tpsClamp();
    void headerWithTwoFields();
    void headerEnds_data();
    void headerEnds();
    void trailerEnds();
    void trailerSingleField();
    void longLineBounded();
    void multiGigabyteLineWithoutEnd();
    void binaryGarbage();
    void captionRule_data();
    void captionRule();
};

void TestLogFile::numbers_data() {
    QTest::addColumn<float>("value");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("whole") << 6500.0f << QByteArray("6500");
    QTest::newRow("zero") << 0.0f << QByteArray("0");
    QTest::newRow("minus zero") << -0.0f << QByteArray("0");
    QTest::newRow("half") << 0.5f << QByteArray("0.5");
    QTest::newRow("negative") << -0.25f << QByteArray("-0.25");
    QTest::newRow("1.2") << 1.2f << QByteArray("1.2");
    QTest::newRow("13.8") << 13.8f << QByteArray("13.8");
    QTest::newRow("0.016") << 0.016f << QByteArray("0.016");
    QTest::newRow("7 digits") << 1234567.0f << QByteArray("1234567");
    QTest::newRow("8 digits rounded") << 12345678.0f << QByteArray("12345680");
    QTest::newRow("small") << 0.00001f << QByteArray("0.00001");
    QTest::newRow("mph speed") << static_cast<float>(35 * 1.6093) << QByteArray("56.3255");
    QTest::newRow("43.2") << 43.2f << QByteArray("43.2");
    QTest::newRow("big") << 1e20f << QByteArray("100000000000000000000");
}

void TestLogFile::numbers() {
    QFETCH(float, value);
    QFETCH(QByteArray, text);
    QByteArray out;
    LogFileWriter::appendNumber(out, value);
    QCOMPARE(out, text);
}

void TestLogFile::numbersMatchFormatSingle() {
    std::mt19937 rng(7);
    std::uniform_int_distribution<quint32> bits;
    for (int i = 0; i < 20000; ++i) {
        quint32 u = bits(rng);
        float f;
        std::memcpy(&f, &u, sizeof f);
        if (!std::isfinite(f)) {
            continue;
        }
        QByteArray out;
        LogFileWriter::appendNumber(out, f);
        QCOMPARE(QString::fromLatin1(out), formatSingle(f));
    }
}

void TestLogFile::numbersIgnoreLocale() {
    const char* before = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = before ? before : "C";
    bool switched = false;
    for (const char* name : {"de_DE.utf8", "de_DE.UTF-8", "fr_FR.utf8", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr &&
            std::localeconv()->decimal_point[0] == ',') {
            switched = true;
            break;
        }
    }
    QByteArray out;
    LogFileWriter::appendNumber(out, 2.5f);
    std::setlocale(LC_NUMERIC, saved.c_str());
    QCOMPARE(out, QByteArray("2.5"));
    if (!switched) {
        QSKIP("no locale with a decimal comma is installed; checked under the C locale only");
    }
}

void TestLogFile::writerExactBytes() {
    DataBuffer b;
    fillExample(b);
    const QByteArray text = writeAll(b, QStringLiteral("Orvenna"));
    QCOMPARE(text, exampleFileText());
    QCOMPARE(text.count("\r\n"), 2706);
    QCOMPARE(text.count('\n'), 2706);
}

void TestLogFile::writerCommentAndQuotes() {
    DataBuffer b;
    fillExample(b);
    b.comment = QStringLiteral("He said \"go\"\r\nthen");
    const QList<QByteArray> l = lines(writeAll(b, QStringLiteral("Orvenna")));
    QCOMPARE(l.size(), 2706);
    // Quotes are doubled; a line break would split the line, so it is a blank.
    QCOMPARE(l[2705], QByteArray("\"Comment\",\"He said \"\"go\"\"  then\""));
}

void TestLogFile::writerShortWriteThrows() {
    DataBuffer b;
    fillExample(b);
    ShortWriteDevice dev(1000);
    LogFileWriter w(dev);
    bool thrown = false;
    try {
        w.writeAll(b, QStringLiteral("Orvenna"));
    } catch (const AppError& e) {
        thrown = true;
        QCOMPARE(e.code(), AppError::kFileError);
    }
    QVERIFY(thrown);
}

void TestLogFile::roundTripEveryField() {
    DataBuffer original;
    fillDownloadLike(original);
    const QByteArray text = writeAll(original, QStringLiteral("Orvenna"));
    DataBuffer back;
    back.at(Column::ElapsedTime, 5) = 99;  // the reader replaces everything
    const ReadOutcome o = readAll(text, back);
    QVERIFY(o.header && o.samples && o.trailer);
    for (int c = 0; c < kDataColumns; ++c) {
        for (int row = 1; row <= kDataRows; ++row) {
            const float want = original.at(static_cast<Column>(c), row);
            const float got = back.at(static_cast<Column>(c), row);
            if (want != got) {
                QFAIL(qPrintable(QStringLiteral("column %1 row %2: %3 read back as %4")
                                     .arg(c + 1)
                                     .arg(row)
                                     .arg(double(want), 0, 'g', 9)
                                     .arg(double(got), 0, 'g', 9)));
            }
        }
    }
    QCOMPARE(back.logInterval, original.logInterval);
    QCOMPARE(back.firmwareId, original.firmwareId);
    QCOMPARE(back.downloadDate, original.downloadDate);
    QCOMPARE(back.comment, original.comment);

    // An empty comment is saved as a single blank and read back as "".
    original.comment.clear();
    DataBuffer again;
    again.comment = QStringLiteral("old");
    readAll(writeAll(original, QStringLiteral("Orvenna")), again);
    QCOMPARE(again.comment, QString());
}

void TestLogFile::roundTripCommaInComment() {
    DataBuffer original;
    fillExample(original);
    original.comment = QStringLiteral("  Pass 3, 1.2 bar, 14 \"psi\" ,  ");
    original.downloadDate = QStringLiteral("Tuesday, 5 March 2024 14:02:11");
    DataBuffer back;
    QVERIFY(readAll(writeAll(original, QStringLiteral("Orvenna")), back).trailer);
    QCOMPARE(back.comment, QStringLiteral("Pass 3, 1.2 bar, 14 \"psi\" ,"));
    QCOMPARE(back.downloadDate, original.downloadDate);
}

void TestLogFile::commaInBrandKeepsDate() {
    DataBuffer original;
    fillExample(original);
    DataBuffer back;
    readAll(writeAll(original, QStringLiteral("Orvenna, Inc.")), back);
    QCOMPARE(back.downloadDate, original.downloadDate);
    QCOMPARE(back.firmwareId, QStringLiteral("QX-1"));
}

void TestLogFile::earlierVersionTrailer() {
    // Two-field trailer lines, and lines the way hands or other tools may leave them.
    QList<QByteArray> l = lines(exampleFileText());
    l[2703] = "\"Firmware ID\",\"QX-2 rev B\"";
    l[2704] = "\"Orvenna QX-2 Nitrous Controller Data Downloaded\",\"1/2/2003 4:05:06 AM\"";
    l[2705] = "Comment,  my run  ";
    DataBuffer b;
    QVERIFY(readAll(join(l), b).trailer);
    QCOMPARE(b.firmwareId, QStringLiteral("QX-2 rev B"));
    QCOMPARE(b.downloadDate, QStringLiteral("1/2/2003 4:05:06 AM"));
    QCOMPARE(b.comment, QStringLiteral("my run"));
    QCOMPARE(LogFileReader::trailerValue("\"Comment\","), QByteArray(""));
    QVERIFY(LogFileReader::trailerValue("\"Comment\"").isNull());
}

void TestLogFile::quotesRoundTrip_data() {
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("inch mark") << QStringLiteral("6\" slicks, 75 shot")
                               << QByteArray("\"Comment\",\"6\"\" slicks, 75 shot\"");
    QTest::newRow("only quotes") << QStringLiteral("\"\"\"")
                                 << QByteArray("\"Comment\",\"\"\"\"\"\"\"\"");
    QTest::newRow("ends in a quote")
        << QStringLiteral("jet \"75\"") << QByteArray("\"Comment\",\"jet \"\"75\"\"\"");
    QTest::newRow("quote and comma")
        << QStringLiteral("a\",b") << QByteArray("\"Comment\",\"a\"\",b\"");
}

void TestLogFile::quotesRoundTrip() {
    // Every quote inside a text is doubled on the way out and made single again on the way in.
    QFETCH(QString, comment);
    QFETCH(QByteArray, line);
    DataBuffer original;
    fillExample(original);
    original.comment = comment;
    original.firmwareId = QStringLiteral("QX-2 \"B\"");
    const QList<QByteArray> l = lines(writeAll(original, QStringLiteral("Orvenna")));
    QCOMPARE(l.at(2705), line);
    QCOMPARE(l.at(2703), QByteArray("\"Firmware ID\",\"QX-2 \"\"B\"\"\""));
    DataBuffer back;
    QVERIFY(readAll(join(l), back).trailer);
    QCOMPARE(back.comment, comment);
    QCOMPARE(back.firmwareId, original.firmwareId);
}

void TestLogFile::trailerFields_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("comment");
    const QString kept = QStringLiteral("kept");
    // Files written before quotes were doubled: a lone quote is dropped, as they always read.
    QTest::newRow("old lone quote")
        << QByteArray("\"Comment\",\"6\" slicks, 75 shot\"") << QStringLiteral("6 slicks, 75 shot");
    QTest::newRow("old two quotes")
        << QByteArray("\"Comment\",\"14 \"psi\" here\"") << QStringLiteral("14 psi here");
    QTest::newRow("comma in quotes")
        << QByteArray("\"Comment\",\"a, b, c\"") << QStringLiteral("a, b, c");
    QTest::newRow("comma in label") << QByteArray("\"Com, ment\",\"x\"") << QStringLiteral("x");
    QTest::newRow("bare fields") << QByteArray("Comment,  my run  ") << QStringLiteral("my run");
    QTest::newRow("empty value") << QByteArray("\"Comment\",") << QString();
    QTest::newRow("blank value") << QByteArray("\"Comment\",\" \"") << QString();
    QTest::newRow("one field") << QByteArray("\"Comment\"") << kept;
    QTest::newRow("three fields") << QByteArray("\"Comment\",\"a\",\"b\"") << kept;
    QTest::newRow("bare commas") << QByteArray("Comment,a,b") << kept;
    QTest::newRow("unclosed quote")
        << QByteArray("\"Comment\",\"open, end") << QStringLiteral("open, end");
}

void TestLogFile::trailerFields() {
    QFETCH(QByteArray, line);
    QFETCH(QString, comment);
    QList<QByteArray> l = lines(exampleFileText());
    l[2705] = line;
    DataBuffer b;
    b.comment = QStringLiteral("kept");
    QVERIFY(readAll(join(l), b).trailer);
    QCOMPARE(b.comment, comment);
}

void TestLogFile::lineEnds() {
    // CR alone ends a line, CR LF is one ending, and so is a lone LF.
    QByteArray t = "a\rb\r\nc\nd\r\r\ne";
    QBuffer dev(&t);
    dev.open(QIODevice::ReadOnly);
    LogLineSource src(dev);
    QByteArray line;
    QStringList got;
    while (!src.atEnd()) {
        src.readLine(line);
        got << QString::fromLatin1(line);
    }
    QCOMPARE(got, (QStringList{"a", "b", "c", "d", "", "e"}));

    // A CR LF split across two chunks is still one ending.
    QByteArray big(LogLineSource::kChunkBytes - 1, 'x');
    big += "\r\nnext\r\n";
    QBuffer dev2(&big);
    dev2.open(QIODevice::ReadOnly);
    LogLineSource src2(dev2);
    src2.readLine(line);
    QCOMPARE(line.size(), LogLineSource::kChunkBytes - 1);
    src2.readLine(line);
    QCOMPARE(line, QByteArray("next"));
    QVERIFY(src2.atEnd());
}

void TestLogFile::lineFeedOnlyFileReadsWhole_data() {
    QTest::addColumn<QByteArray>("ending");
    QTest::newRow("LF") << QByteArray("\n");
    QTest::newRow("CR LF") << QByteArray("\r\n");
    QTest::newRow("CR") << QByteArray("\r");
}

void TestLogFile::lineFeedOnlyFileReadsWhole() {
    // A complete log whose line ends went through a Unix tool reads exactly like the original.
    QFETCH(QByteArray, ending);
    const QByteArray original = exampleFileText();
    QByteArray text;
    for (const QByteArray& line : lines(original)) {
        text += line + ending;
    }
    DataBuffer want;
    QVERIFY(readAll(original, want).trailer);
    DataBuffer got;
    const ReadOutcome o = readAll(text, got);
    QVERIFY(o.header && o.samples && o.trailer);
    for (int c = 0; c < kDataColumns; ++c) {
        QCOMPARE(got.column(static_cast<Column>(c)), want.column(static_cast<Column>(c)));
    }
    QCOMPARE(got.firmwareId, QStringLiteral("QX-1"));
    QCOMPARE(got.downloadDate, want.downloadDate);
    QCOMPARE(got.logInterval, 2.0f);
}

void TestLogFile::readingStopsAtTheBound() {
    // 200 MB without a line end: only the bound is read, and the source says more was there.
    const qint64 size = 200LL * 1024 * 1024;
    EndlessDevice dev(size, 'x');
    LogLineSource src(dev);
    QByteArray line;
    src.readLine(line);
    QVERIFY(src.atEnd());
    QCOMPARE(src.bytesRead(), LogLineSource::kMaxFileBytes);
    QVERIFY(dev.served() <= LogLineSource::kMaxFileBytes + LogLineSource::kChunkBytes);
    QVERIFY(src.limitReached());

    // A file that ends exactly at the bound is whole.
    QByteArray exact(LogLineSource::kMaxFileBytes, 'y');
    QBuffer buf(&exact);
    buf.open(QIODevice::ReadOnly);
    LogLineSource whole(buf);
    whole.readLine(line);
    QVERIFY(whole.atEnd());
    QVERIFY(!whole.limitReached());
}

void TestLogFile::chunkHookStopsReading() {
    EndlessDevice dev(10LL * LogLineSource::kChunkBytes, ',');
    LogLineSource src(dev);
    int calls = 0;
    src.setChunkHook([&] { return ++calls < 3; });
    QByteArray line;
    const qint64 commas = src.readLine(line);
    QCOMPARE(calls, 3);
    QVERIFY(src.stopped());
    QVERIFY(src.atEnd());
    QCOMPARE(commas, 2LL * LogLineSource::kChunkBytes);  // the third chunk was not used
}

void TestLogFile::headerContent_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("content");
    const QString header = QStringLiteral("\"Data Logging Interval\"\r\n2\r\n");
    auto utf16 = [&](QSysInfo::Endian e) {
        QByteArray out;
        for (const QChar c : header) {
            const char lo = static_cast<char>(c.unicode() & 0xFF);
            out +=
                e == QSysInfo::LittleEndian ? QByteArray(1, lo) + '\0' : '\0' + QByteArray(1, lo);
        }
        return out;
    };
    using C = LogFileReader::Content;
    QTest::newRow("text") << header.toLatin1() << int(C::Text);
    QTest::newRow("UTF-16 LE with mark")
        << "\xFF\xFE" + utf16(QSysInfo::LittleEndian) << int(C::Utf16);
    QTest::newRow("UTF-16 LE") << utf16(QSysInfo::LittleEndian) << int(C::Utf16);
    QTest::newRow("UTF-16 BE with mark")
        << "\xFE\xFF" + utf16(QSysInfo::BigEndian) << int(C::Utf16);
    QTest::newRow("all NUL") << QByteArray(5000, '\0') << int(C::Binary);
    QTest::newRow("NUL in line 3")
        << QByteArray("a\r\n2\r\nbin") + QByteArray(2, '\0') + "\x07" + "ary\r\n"
        << int(C::Binary);
}

void TestLogFile::headerContent() {
    QFETCH(QByteArray, text);
    QFETCH(int, content);
    QBuffer dev(&text);
    dev.open(QIODevice::ReadOnly);
    LogFileReader reader(dev);
    DataBuffer b;
    const bool header = reader.readHeader(b);
    QCOMPARE(int(reader.content()), content);
    if (content != int(LogFileReader::Content::Text)) {
        QVERIFY(!header);
        QVERIFY(!reader.readHeader(b));  // and it stays refused
    }
}

void TestLogFile::lenientNumbers() {
    QList<QByteArray> l = lines(exampleFileText());
    l[1] = " 2 . 5 s";
    l[3] = ".5, 6 500 ,3.5e1,abc,-.5,1.2V,+13.8,1,0,1,0,";
    DataBuffer b;
    readAll(join(l), b);
    QCOMPARE(b.logInterval, 2.5f);
    const float want[kDataColumns] = {0.5f, 6500, 35, 0, -0.5f, 1.2f, 13.8f, 1, 0, 1, 0, 0};
    for (int c = 0; c < kDataColumns; ++c) {
        QCOMPARE(b.at(static_cast<Column>(c), 1), want[c]);
    }
}

void TestLogFile::elevenOrThirteenFields() {
    QList<QByteArray> l = lines(exampleFileText());
    l[3 + 9] = "20,1,2,3,4,5,6,7,8,9,10";         // row 10: eleven fields
    l[3 + 10] = "22,1,2,3,4,5,6,7,8,9,10,11,12";  // row 11: thirteen fields
    DataBuffer b;
    b.at(Column::RPM, 10) = 777;
    b.at(Column::RPM, 11) = 888;
    QVERIFY(readAll(join(l), b).trailer);
    QCOMPARE(b.at(Column::RPM, 10), 777.0f);
    QCOMPARE(b.at(Column::RPM, 11), 888.0f);
    QCOMPARE(b.at(Column::RPM, 12), 6500.0f);
    // Elapsed times of the skipped rows continue the series through the repair.
    QCOMPARE(b.at(Column::ElapsedTime, 9), 18.0f);
    QCOMPARE(b.at(Column::ElapsedTime, 10), 20.0f);
    QCOMPARE(b.at(Column::ElapsedTime, 11), 22.0f);
}

void TestLogFile::hundredSampleLines() {
    QList<QByteArray> l = lines(exampleFileText());
    QList<QByteArray> cut = l.mid(0, 3 + 100);
    cut += l.mid(2703);  // the three trailer lines right after row 100
    DataBuffer b;
    for (int row = 1; row <= kDataRows; ++row) {
        b.at(Column::RPM, row) = 1;
        b.at(Column::ElapsedTime, row) = 0;
    }
    const ReadOutcome o = readAll(join(cut), b);
    QVERIFY(o.header);
    QVERIFY(!o.samples);  // the end came at row 104
    QCOMPARE(b.firmwareId, QString());
    QVERIFY(!LogFileReader::firmwareRecognised(b.firmwareId));
    QCOMPARE(b.at(Column::RPM, 100), 6500.0f);
    QCOMPARE(b.at(Column::RPM, 101), 1.0f);  // trailer lines taken as (skipped) samples
    QCOMPARE(b.at(Column::RPM, 2700), 1.0f);
    QCOMPARE(b.at(Column::ElapsedTime, 100), 200.0f);
    QCOMPARE(b.at(Column::ElapsedTime, 101), 202.0f);
    QCOMPARE(b.at(Column::ElapsedTime, 2700), 5400.0f);
}

void TestLogFile::allZeroTimesInterval2() {
    QList<QByteArray> l = lines(exampleFileText());
    for (int i = 3; i < 2703; ++i) {
        l[i] = "0" + l[i].mid(l[i].indexOf(','));
    }
    DataBuffer b;
    readAll(join(l), b);
    QCOMPARE(b.at(Column::ElapsedTime, 1), 0.0f);
    QCOMPARE(b.at(Column::ElapsedTime, 2), 2.0f);
    QCOMPARE(b.at(Column::ElapsedTime, 3), 4.0f);
    QCOMPARE(b.at(Column::ElapsedTime, 2700), 5398.0f);
}

void TestLogFile::tpsClamp() {
    QList<QByteArray> l = lines(exampleFileText());
    l[3] = "2,6500,35,150,2.5,1.2,13.8,1,0,1,0,0";
    l[4] = "4,6500,35,-5,2.5,1.2,13.8,1,0,1,0,0";
    l[5] = "6,6500,35,1e999,2.5,1.2,13.8,1,0,1,0,0";
    DataBuffer b;
    readAll(join(l), b);
    QCOMPARE(b.at(Column::TPSPercent, 1), 100.0f);
    QCOMPARE(b.at(Column::TPSPercent, 2), 0.0f);
    QCOMPARE(b.at(Column::TPSPercent, 3), 100.0f);
}

void TestLogFile::headerWithTwoFields() {
    QList<QByteArray> l = lines(exampleFileText());
    l[1] = "2,3";
    DataBuffer b;
    b.clearDataBuffer();
    readAll(join(l), b);
    QCOMPARE(b.logInterval, 0.0f);
}

void TestLogFile::headerEnds_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("one line") << QByteArray("\"Data Logging Interval\"\r\n");
    QTest::newRow("two lines") << QByteArray("\"Data Logging Interval\"\r\n2\r\n");
}

void TestLogFile::headerEnds() {
    QFETCH(QByteArray, text);
    DataBuffer b;
    QVERIFY(!readAll(text, b).header);
}

void TestLogFile::trailerEnds() {
    QList<QByteArray> l = lines(exampleFileText());
    l.removeLast();  // no comment line
    DataBuffer b;
    b.firmwareId = QStringLiteral("x");
    const ReadOutcome o = readAll(join(l), b);
    QVERIFY(o.samples);
    QVERIFY(!o.trailer);
    QCOMPARE(b.firmwareId, QString());
    QCOMPARE(b.downloadDate, QString());
    QCOMPARE(b.comment, QString());
}

void TestLogFile::trailerSingleField() {
    QList<QByteArray> l = lines(exampleFileText());
    l[2705] = "no comma here";
    DataBuffer b;
    b.comment = QStringLiteral("kept");
    QVERIFY(readAll(join(l), b).trailer);
    QCOMPARE(b.comment, QStringLiteral("kept"));
}

void TestLogFile::longLineBounded() {
    // A comment longer than what a line keeps: the field count is still that of the whole line.
    QList<QByteArray> l = lines(exampleFileText());
    QByteArray longField(3 * LogLineSource::kMaxKeptBytes, ' ');
    l[3] = "2,6500,35,12,2.5,1.2,13.8,1,0,1,0," + longField + "7";
    l[4] = "4,6500,35,12,2.5,1.2,13.8,1,0,1,0,0," + longField;  // 13 fields
    DataBuffer b;
    b.at(Column::RPM, 2) = 5;
    QVERIFY(readAll(join(l), b).trailer);
    QCOMPARE(b.at(Column::Stage2PWM, 1), 0.0f);  // its digit lies beyond the kept part
    QCOMPARE(b.at(Column::RPM, 1), 6500.0f);
    QCOMPARE(b.at(Column::RPM, 2), 5.0f);
}

void TestLogFile::multiGigabyteLineWithoutEnd() {
    // 2.5 GiB of commas without a line end (more fields than an int counts): read through
    // with bounded memory.
    const qint64 size = 5LL * 512 * 1024 * 1024;
    EndlessDevice dev(size, ',');
    LogLineSource src(dev, size);  // bound lifted: the line itself is what is tested
    QByteArray line;
    QVERIFY(!src.atEnd());
    const qint64 commas = src.readLine(line);
    QCOMPARE(dev.served(), size);
    QCOMPARE(line.size(), LogLineSource::kMaxKeptBytes);
    QVERIFY(line.capacity() <= 2 * LogLineSource::kMaxKeptBytes);
    QCOMPARE(commas, size);
    QVERIFY(src.lastLineCut());
    QVERIFY(src.atEnd());
}

void TestLogFile::binaryGarbage() {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 50; ++round) {
        QByteArray t(200000, '\0');
        for (char& c : t) {
            c = static_cast<char>(byte(rng));
        }
        DataBuffer b;
        readAll(t, b);
        QVERIFY(b.at(Column::TPSPercent, 1) >= 0.0f && b.at(Column::TPSPercent, 1) <= 100.0f);
    }
}

void TestLogFile::captionRule_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("caption");
    const QString base = QStringLiteral("Base");
    const QString n60 = QString(56, u'a') + QStringLiteral(".log");
    const QString n61 = QStringLiteral("b") + n60;
    QTest::newRow("backslash") << QStringLiteral("C:\\logs\\run.log")
                               << QStringLiteral("Base - run.log");
    QTest::newRow("slash") << QStringLiteral("/home/me/logs/run.log")
                           << QStringLiteral("Base - run.log");
    QTest::newRow("mixed") << QStringLiteral("C:/logs\\x/run.log")
                           << QStringLiteral("Base - run.log");
    QTest::newRow("no separator") << QStringLiteral("run.log") << QStringLiteral("Base - run.log");
    QTest::newRow("60 chars") << QStringLiteral("/tmp/") + n60 << QStringLiteral("Base - ") + n60;
    QTest::newRow("61 chars") << QStringLiteral("C:\\") + n61 << QStringLiteral("Base - ...") + n60;
}

void TestLogFile::captionRule() {
    QFETCH(QString, path);
    QFETCH(QString, caption);
    QCOMPARE(fileCaption(QStringLiteral("Base"), path), caption);
}

QTEST_GUILESS_MAIN(TestLogFile)
#include "test_log_file.moc"
