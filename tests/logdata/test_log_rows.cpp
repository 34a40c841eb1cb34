// How many rows of a data set hold samples: what the reader makes of padded, damaged and
// cut-short files, a short data set saved with Save File and opened again with Open File, and
// a file whose sample lines are all padding.
#include <QBuffer>
#include <QtTest>

#include "command_fixture.h"
#include "log_test_data.h"
#include "logdata/log_file_reader.h"
#include "logdata/log_file_writer.h"
#include "logdata/open_log_command.h"
#include "logdata/save_log_command.h"

using namespace tarvik;
using namespace tarvik::test;

namespace {

const QByteArray kHeader =
    "\"Data Logging Interval\"\r\n0.5\r\n"
    "\"Elapsed Time\",\"RPM\",\"VSS\",\"TPS%\",\"Input1 Volts\",\"Input2 Volts\",\"Bat Volts\","
    "\"Input Data\",\"Output Data\",\"Status\",\"Stage1 PWM%\",\"Stage2 PWM%\"\r\n";
const QByteArray kTrailer =
    "\"Firmware ID\",\"QX-2 v3.1\"\r\n"
    "\"Orvenna QX-2 Nitrous Controller Data Downloaded\",\"14/05/2026 20:31:07\"\r\n"
    "\"Comment\",\"Real-time recording\"\r\n";

QByteArray sample(int row) {
    return QByteArray::number(row * 0.5) + "," + QByteArray::number(1000 + row) +
           ",56,12,2.5,1.2,13.8,1,0,1,0,0\r\n";
}

// The sample lines of a file: `kinds` says, line by line, what each is ("s" a sample, "e" an
// empty line, "b" blanks, "d" a damaged line of eleven fields); the rest, up to `lines`, repeats
// the last kind.
QByteArray sampleLines(const QByteArray& kinds, int lines) {
    QByteArray out;
    for (int row = 1; row <= lines; ++row) {
        const char kind = kinds.at(std::min<qsizetype>(row - 1, kinds.size() - 1));
        switch (kind) {
            case 's':
                out += sample(row);
                break;
            case 'e':
                out += "\r\n";
                break;
            case 'b':
                out += QByteArray(40, ' ') + "\r\n";
                break;
            default:
                out += "1,2,3,4,5,6,7,8,9,10,11\r\n";
        }
    }
    return out;
}

// `count` samples, then `padding` of the given kind, up to the 2700 sample lines.
QByteArray samplesThen(int count, char padding) {
    QByteArray kinds(count, 's');
    kinds += padding;
    return sampleLines(kinds, kDataRows);
}

struct Read {
    bool samples = false;
    bool trailer = false;
    int rows = -1;
    float rpmAt50 = 0;
};

Read readText(const QByteArray& text) {
    QByteArray copy = text;
    QBuffer dev(&copy);
    dev.open(QIODevice::ReadOnly);
    DataBuffer b;
    b.clearDataBuffer();
    b.at(Column::RPM, 50) = -1;  // what row 50 held before
    LogFileReader reader(dev);
    Read r;
    if (!reader.readHeader(b)) {
        return r;
    }
    r.samples = reader.readSamples(b);
    r.trailer = r.samples && reader.readTrailer(b);
    r.rows = b.rows;
    r.rpmAt50 = b.at(Column::RPM, 50);
    return r;
}

}  // namespace

class TestLogRows : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rowsOfAFile_data();
    void rowsOfAFile();
    void shortDataSetSavedAndOpenedAgain_data();
    void shortDataSetSavedAndOpenedAgain();
    void fileOfPaddingOnlyGivesNoData();
};

void TestLogRows::rowsOfAFile_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("samples");
    QTest::addColumn<bool>("trailer");
    QTest::addColumn<int>("rows");
    QTest::addColumn<float>("rpmAt50");
    QTest::newRow("a full log") << kHeader + sampleLines("s", kDataRows) + kTrailer << true << true
                                << 2700 << 1050.0F;
    QTest::newRow("a recording of 40 readings, padded with empty lines")
        << kHeader + samplesThen(40, 'e') + kTrailer << true << true << 40 << -1.0F;
    QTest::newRow("a recording being written: blank place-holders")
        << kHeader + samplesThen(75, 'b') + kTrailer << true << true << 75 << 1050.0F;
    QTest::newRow("a damaged line in the middle counts as a row")
        << kHeader + sampleLines(QByteArray(49, 's') + "d" + QByteArray(10, 's'), kDataRows) +
               kTrailer
        << true << true << 2700 << -1.0F;
    QTest::newRow("an empty line in the middle counts as a row")
        << kHeader + sampleLines(QByteArray(49, 's') + "e" + QByteArray(10, 's'), kDataRows) +
               kTrailer
        << true << true << 2700 << -1.0F;
    QTest::newRow("a damaged last line is a row")
        << kHeader + sampleLines(QByteArray(60, 's') + "de", kDataRows) + kTrailer << true << true
        << 61 << 1050.0F;
    QTest::newRow("a file that ends early holds the rows read")
        << kHeader + sampleLines("s", 100) << false << false << 100 << 1050.0F;
    QTest::newRow("ends early after padding")
        << kHeader + sampleLines(QByteArray(30, 's') + "e", 90) << false << false << 30 << -1.0F;
    QTest::newRow("100 samples and the trailer: the trailer lines are damaged rows")
        << kHeader + sampleLines("s", 100) + kTrailer << false << false << 103 << 1050.0F;
    QTest::newRow("nothing but padding")
        << kHeader + samplesThen(0, 'e') + kTrailer << true << true << 0 << -1.0F;
}

void TestLogRows::rowsOfAFile() {
    QFETCH(QByteArray, text);
    QFETCH(bool, samples);
    QFETCH(bool, trailer);
    QFETCH(int, rows);
    QFETCH(float, rpmAt50);
    const Read r = readText(text);
    QCOMPARE(r.samples, samples);
    QCOMPARE(r.trailer, trailer);
    QCOMPARE(r.rows, rows);
    QCOMPARE(r.rpmAt50, rpmAt50);
}

void TestLogRows::shortDataSetSavedAndOpenedAgain_data() {
    QTest::addColumn<int>("rows");
    QTest::newRow("one reading") << 1;
    QTest::newRow("a short recording") << 212;
    QTest::newRow("all but one") << 2699;
    QTest::newRow("full") << 2700;
}

void TestLogRows::shortDataSetSavedAndOpenedAgain() {
    // A recording opened, then kept with Save File: the copy reads back with the same rows, and
    // its padding stays padding (empty lines), not rows of zeros.
    QFETCH(int, rows);
    CommandFixture f;
    fillDownloadLike(f.buffer);
    f.buffer.rows = rows;
    const QString path = f.path(QStringLiteral("copy.log"));
    f.dialogs.expectSaveFile(QStringLiteral("Save File"), CommandFixture::kFilter, path);
    SaveLogCommand(f.ctx).run();
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));

    const QList<QByteArray> lines = CommandFixture::read(path).split('\n');
    QCOMPARE(lines.size(), 2707);
    QCOMPARE(lines.at(2 + rows), LogFileWriter::sampleLine(f.buffer, rows) + "\r");
    if (rows < kDataRows) {
        QCOMPARE(lines.at(3 + rows), QByteArray("\r"));
        QCOMPARE(lines.at(2702), QByteArray("\r"));
    }

    const DataBuffer saved = f.buffer;
    f.dialogs.expectMessage(OpenLogCommand::kTitle,
                            QStringLiteral("Data buffer not empty. OK to overwrite?"),
                            MsgIcon::None, MsgButtons::OkCancel, MsgResult::Ok);
    OpenLogCommand(f.ctx).openPath(path);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
    QCOMPARE(f.buffer.rows, rows);
    QCOMPARE(f.charts, 1);
    for (int c = 0; c < kDataColumns; ++c) {
        for (int row = 1; row <= rows; ++row) {
            QCOMPARE(f.buffer.at(static_cast<Column>(c), row),
                     saved.at(static_cast<Column>(c), row));
        }
    }
    QCOMPARE(f.buffer.comment, saved.comment);
}

void TestLogRows::fileOfPaddingOnlyGivesNoData() {
    // A recording stopped before its first reading, as earlier versions kept it: nothing to
    // chart, so the loaded data set stays.
    CommandFixture f;
    fillExample(f.buffer);
    const QString path = f.path(QStringLiteral("nothing.log"));
    CommandFixture::write(path, kHeader + samplesThen(0, 'e') + kTrailer);
    f.dialogs
        .expectMessage(OpenLogCommand::kTitle,
                       QStringLiteral("Data buffer not empty. OK to overwrite?"), MsgIcon::None,
                       MsgButtons::OkCancel, MsgResult::Ok)
        .expectMessage(OpenLogCommand::kTitle, OpenLogCommand::noReadingsText(path),
                       MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    OpenLogCommand(f.ctx).openPath(path);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
    QCOMPARE(f.charts, 0);
    QCOMPARE(f.buffer.firmwareId, QStringLiteral("QX-1"));
    QCOMPARE(f.buffer.rows, kDataRows);
    QCOMPARE(f.caption, QStringLiteral("untouched"));
    QCOMPARE(OpenLogCommand::noReadingsText(path),
             path + QStringLiteral("\r\nThis log holds no readings."));
}

QTEST_MAIN(TestLogRows)
#include "test_log_rows.moc"
