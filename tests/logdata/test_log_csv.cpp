#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include "command_fixture.h"
#include "log_test_data.h"
#include "logdata/log_file_reader.h"
#include "logdata/save_log_command.h"

using namespace tarvik;
using namespace tarvik::test;

// A saved file is plain comma-separated text: Python's csv module reads 2700 rows of twelve
// numbers under the heading line.
class TestLogCsv : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pythonCsvReadsSavedFile();
    void quotesRoundTripThroughPython();
};

namespace {

QJsonObject runScript(const QStringList& args) {
    QProcess python;
    python.start(QStringLiteral("python3"), QStringList{QStringLiteral(TARVIK_CSV_SCRIPT)} + args);
    if (!python.waitForFinished(30000) || python.exitStatus() != QProcess::NormalExit ||
        python.exitCode() != 0) {
        qWarning() << python.readAllStandardOutput() << python.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

}  // namespace

void TestLogCsv::pythonCsvReadsSavedFile() {
    CommandFixture f;
    fillDownloadLike(f.buffer);
    const QString path = f.path(QStringLiteral("for python.log"));
    f.dialogs.expectSaveFile(QStringLiteral("Save File"), CommandFixture::kFilter, path);
    SaveLogCommand(f.ctx).run();
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));

    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral(TARVIK_CSV_SCRIPT), path});
    QVERIFY2(python.waitForFinished(30000), "python3 did not finish");
    const QByteArray out = python.readAllStandardOutput();
    QVERIFY2(python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0,
             out.constData());
    const QJsonObject r = QJsonDocument::fromJson(out).object();
    QCOMPARE(r.value("samples").toInt(), 2700);
    QCOMPARE(static_cast<float>(r.value("interval").toDouble()), f.buffer.logInterval);
    QStringList headings;
    for (const auto& h : r.value("headings").toArray()) {
        headings << h.toString();
    }
    QCOMPARE(headings, QStringList(columnHeadings().begin(), columnHeadings().end()));
    const QJsonArray first = r.value("first").toArray();
    const QJsonArray last = r.value("last").toArray();
    for (int c = 0; c < kDataColumns; ++c) {
        // Seven significant digits: the text read back as a double is the single's value to
        // within half a unit of its seventh digit.
        const double want1 = f.buffer.at(static_cast<Column>(c), 1);
        const double want2 = f.buffer.at(static_cast<Column>(c), kDataRows);
        QVERIFY(std::abs(first.at(c).toDouble() - want1) <= std::abs(want1) * 1e-6);
        QVERIFY(std::abs(last.at(c).toDouble() - want2) <= std::abs(want2) * 1e-6);
    }
    // The comment with its comma stays one quoted field for the csv reader.
    const QJsonArray trailer = r.value("trailer").toArray();
    QCOMPARE(trailer.at(2).toArray().at(1).toString(), f.buffer.comment);
}

void TestLogCsv::quotesRoundTripThroughPython() {
    // A comment with quotes and commas: the program writes it, Python's csv reads it whole and
    // writes it back its own way, and the program reads that file back to the same text.
    const QString comment = QStringLiteral("6\" slicks, 75 shot \"wet\"");
    CommandFixture f;
    fillDownloadLike(f.buffer);
    f.buffer.comment = comment;
    const QString path = f.path(QStringLiteral("quotes.log"));
    const QString rewritten = f.path(QStringLiteral("rewritten.log"));
    f.dialogs.expectSaveFile(QStringLiteral("Save File"), CommandFixture::kFilter, path);
    SaveLogCommand(f.ctx).run();
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));

    const QString second = QStringLiteral("2nd \"pass\", \"\"");
    const QJsonObject r = runScript({path, QStringLiteral("--rewrite"), rewritten, second});
    const QJsonArray trailer = r.value("trailer").toArray();
    QCOMPARE(trailer.size(), 3);
    QCOMPARE(trailer.at(2).toArray().size(), 2);
    QCOMPARE(trailer.at(2).toArray().at(1).toString(), comment);

    DataBuffer back;
    QFile file(rewritten);
    QVERIFY(file.open(QIODevice::ReadOnly));
    LogFileReader reader(file);
    QVERIFY(reader.readHeader(back));
    QVERIFY(reader.readSamples(back));
    QVERIFY(reader.readTrailer(back));
    QCOMPARE(back.comment, second);
    QCOMPARE(back.firmwareId, f.buffer.firmwareId);
    QCOMPARE(back.column(Column::RPM), f.buffer.column(Column::RPM));
}

QTEST_GUILESS_MAIN(TestLogCsv)
#include "test_log_csv.moc"
