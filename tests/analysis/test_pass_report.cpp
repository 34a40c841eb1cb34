// The pass report: which rows the three launch events find, the figures of a made-up pass
// against hand-computed values, the best pass of a file, and `tarvik --report` as a script
// uses it (its CSV read back by Python's csv module, its refusals and exit statuses).
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

#include "analysis/pass_report.h"
#include "core/app_error.h"
#include "logdata/log_file_writer.h"
#include "pass_logs.h"

using namespace tarvik;
using test::passLog;
using test::Run;

using Data = std::shared_ptr<DataBuffer>;
Q_DECLARE_METATYPE(Data)
Q_DECLARE_METATYPE(LaunchEvent)

namespace {

const QString kHeading = QStringLiteral(
    "Launch,Launch Time,60 ft,330 ft,1/8 mile,1/8 mile mph,1000 ft,1/4 mile,1/4 mile mph,"
    "0-60 mph,Peak RPM,Peak mph,Stage 1 On,Stage 1 Time,Stage 2 On,Stage 2 Time,Min Battery,"
    "Max TPS\r\n");

// The constant-acceleration pass at 8 m/s² launched at 5 s, logged every 0.125 s. Distance
// from the launch is 4 (t - 5)² m exactly at every sample (the trapezoid is exact on a straight
// line), so each mark lies between two samples and is timed by the straight line between them:
// 60 ft between 7.125 s (18.0625 m) and 7.25 s (20.25 m) gives 2.138 s, against 2.1382 s
// for the smooth curve; 330 ft gives 5.014 where the curve gives 5.0146. Speeds are
// interpolated the same way: 1/8 mile at 126.9 mph, 1/4 mile at 179.5 mph.
const QString kPassLine = QStringLiteral(
    "1,5.000,2.138,5.014,7.091,126.9,8.729,10.029,179.5,3.353,9700,179.0,,0.000,,"
    "0.000,13.8,100\r\n");

Data strip(float interval = 0.125F) {
    return passLog(interval, {Run{}});
}

Data withStages() {
    Run r;
    r.stageOn = 0.5;
    r.stageFor = 2.0;
    r.stage2 = true;
    return passLog(0.125F, {r});
}

QList<int> rowsOf(const std::vector<PassFigures>& passes) {
    QList<int> rows;
    for (const PassFigures& p : passes) {
        rows << p.launchRow;
    }
    return rows;
}

struct Ran {
    int status = -1;
    QByteArray out;
    QString err;
};

Ran runProgram(const QStringList& args, const QString& stdoutFile = QString()) {
    QProcess p;
    if (!stdoutFile.isEmpty()) {
        p.setStandardOutputFile(stdoutFile);
    }
    p.start(QStringLiteral(TARVIK_PROGRAM), args);
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

QJsonObject readWithPython(const QByteArray& csv) {
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral(TARVIK_REPORT_CSV_SCRIPT)});
    python.write(csv);
    python.closeWriteChannel();
    if (!python.waitForFinished(30000) || python.exitCode() != 0) {
        qWarning() << python.readAllStandardOutput() << python.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

void writeLog(const QString& path, const DataBuffer& data, qint64 cutAt = -1) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    LogFileWriter(f).writeAll(data, QStringLiteral("Orvenna"));
    f.close();
    if (cutAt >= 0) {
        QVERIFY(f.resize(cutAt));
    }
}

}  // namespace

class TestPassReport : public QObject {
    Q_OBJECT

private slots:
    void launchRows_data();
    void launchRows();
    void reportLines_data();
    void reportLines();
    void bestPassOrder_data();
    void bestPassOrder();
    void launchOutsideTheRowsIsAnError();
    void commandLine_data();
    void commandLine();
    void reportReadsBackWithPythonCsv();
    void reportToAFullDeviceFails();
};

void TestPassReport::launchRows_data() {
    QTest::addColumn<Data>("data");
    QTest::addColumn<LaunchEvent>("event");
    QTest::addColumn<QList<int>>("rows");

    const auto car = LaunchEvent::CarMoves;
    // Row 40 (5.000 s) is the last standstill sample.
    QTest::newRow("moves off: last standstill row") << strip() << car << QList<int>{40};
    QTest::newRow("two runs, each found once")
        << passLog(0.125F, {Run{}, Run{60.0}}) << car << QList<int>{40, 480};
    // 60 mph needs 13.4 s at 2 m/s².
    QTest::newRow("too slow to reach 60 mph in 10 s")
        << passLog(0.125F, {Run{5.0, 2.0, 20.0}}) << car << QList<int>{};
    QTest::newRow("log begins with the car moving")
        << passLog(0.125F, {Run{-3.0}}) << car << QList<int>{};
    QTest::newRow("log begins half a second before the car moves")
        << passLog(0.125F, {Run{0.5}}) << car << QList<int>{4};
    QTest::newRow("2 s interval: no sample in the standstill second")
        << passLog(2.0F, {Run{10.0}}) << car << QList<int>{};
    QTest::newRow("0.016 s interval") << passLog(0.016F, {Run{5.0}}) << car << QList<int>{312};
    QTest::newRow("the run lies in padded rows")
        << passLog(0.125F, {Run{20.0}}, 100) << car << QList<int>{};

    Run staged;
    staged.stageOn = 0.5;
    staged.stageFor = 2.0;
    QTest::newRow("stage 1 on: first row with the bit")
        << passLog(0.125F, {staged}) << LaunchEvent::Stage1On << QList<int>{44};
    Run fromStart = staged;
    fromStart.start = -1.0;
    QTest::newRow("stage on from the first row: not recorded")
        << passLog(0.125F, {fromStart}) << LaunchEvent::Stage1On << QList<int>{};
    Run late = staged;
    late.start = 337.0;  // row 2700 at 337.5 s: the stage comes on in the last row
    QTest::newRow("stage on in the last second")
        << passLog(0.125F, {late}) << LaunchEvent::Stage1On << QList<int>{2700};
    QTest::newRow("throttle wide open")
        << passLog(0.125F, {Run{}, Run{60.0}}) << LaunchEvent::ThrottleOpen << QList<int>{41, 481};
    QTest::newRow("no throttle, no stage")
        << passLog(0.125F, {}) << LaunchEvent::ThrottleOpen << QList<int>{};
}

void TestPassReport::launchRows() {
    QFETCH(Data, data);
    QFETCH(LaunchEvent, event);
    QFETCH(QList<int>, rows);
    QCOMPARE(rowsOf(findPasses(*data, event)), rows);
}

void TestPassReport::reportLines_data() {
    QTest::addColumn<Data>("data");
    QTest::addColumn<LaunchEvent>("event");
    QTest::addColumn<QString>("csv");

    QTest::newRow("constant acceleration")
        << strip() << LaunchEvent::CarMoves << kHeading + kPassLine;
    // Stages from 5.5 s to 7.375 s: 16 samples of 0.125 s; the battery sags to 12.4 V.
    QTest::newRow("stages and battery")
        << withStages() << LaunchEvent::CarMoves
        << kHeading + QStringLiteral(
                          "1,5.000,2.138,5.014,7.091,126.9,8.729,10.029,179.5,3.353,"
                          "9700,179.0,0.500,2.000,0.500,2.000,12.4,100\r\n");
    // Timed from the stage's row (5.5 s), when the car already does 4 m/s: distance is then
    // 4 (t - 5)² - 1 m, so 60 ft comes at 1.695 s (1.6959 on the smooth curve), and 0-60 mph
    // exactly half a second sooner.
    QTest::newRow("timed from stage 1")
        << withStages() << LaunchEvent::Stage1On
        << kHeading + QStringLiteral(
                          "1,5.500,1.695,4.539,6.609,127.2,8.244,9.541,179.7,2.853,"
                          "9700,179.0,0.000,2.000,0.000,2.000,12.4,100\r\n");
    Run late;
    late.start = 337.0;
    late.stageOn = 0.5;
    late.stageFor = 1.0;
    QTest::newRow("launch in the last row: nothing reached")
        << passLog(0.125F, {late}) << LaunchEvent::Stage1On
        << kHeading + QStringLiteral("1,337.500,,,,,,,,,2860,8.9,0.000,0.125,,0.000,12.4,100\r\n");
    QTest::newRow("no launch: heading alone")
        << passLog(0.125F, {}) << LaunchEvent::CarMoves << kHeading;
    QTest::newRow("second run numbered 2")
        << passLog(0.125F, {Run{}, Run{60.0}}) << LaunchEvent::CarMoves
        << kHeading + kPassLine +
               QStringLiteral(
                   "2,60.000,2.138,5.014,7.091,126.9,8.729,10.029,179.5,3.353,9700,"
                   "179.0,,0.000,,0.000,13.8,100\r\n");
}

void TestPassReport::reportLines() {
    QFETCH(Data, data);
    QFETCH(LaunchEvent, event);
    QFETCH(QString, csv);
    QCOMPARE(passReportCsv(findPasses(*data, event)), csv);
}

void TestPassReport::bestPassOrder_data() {
    QTest::addColumn<QList<double>>("quarters");
    QTest::addColumn<QList<double>>("eighths");
    QTest::addColumn<QList<double>>("sixtyFeet");
    QTest::addColumn<int>("best");

    // 0 stands for a mark not reached.
    QTest::newRow("shortest 1/4 mile wins")
        << QList<double>{11.2, 10.9, 0} << QList<double>{6.9, 7.1, 6.0}
        << QList<double>{1.9, 2.0, 1.5} << 1;
    QTest::newRow("no 1/4 mile: shortest 1/8")
        << QList<double>{0, 0} << QList<double>{7.4, 7.2} << QList<double>{1.8, 2.0} << 1;
    QTest::newRow("only 60 ft") << QList<double>{0, 0} << QList<double>{0, 0}
                                << QList<double>{2.1, 1.95} << 1;
    QTest::newRow("nothing reached")
        << QList<double>{0} << QList<double>{0} << QList<double>{0} << -1;
}

void TestPassReport::bestPassOrder() {
    QFETCH(QList<double>, quarters);
    QFETCH(QList<double>, eighths);
    QFETCH(QList<double>, sixtyFeet);
    QFETCH(int, best);
    std::vector<PassFigures> passes(static_cast<std::size_t>(quarters.size()));
    auto set = [](std::optional<double>& mark, double v) {
        mark = v > 0 ? std::optional<double>(v) : std::nullopt;
    };
    for (qsizetype i = 0; i < quarters.size(); ++i) {
        auto& marks = passes[static_cast<std::size_t>(i)].marks;
        set(marks[static_cast<std::size_t>(Mark::QuarterMile)], quarters[i]);
        set(marks[static_cast<std::size_t>(Mark::EighthMile)], eighths[i]);
        set(marks[static_cast<std::size_t>(Mark::Ft60)], sixtyFeet[i]);
    }
    const std::optional<std::size_t> found = bestPass(passes);
    QCOMPARE(found ? static_cast<int>(*found) : -1, best);
}

void TestPassReport::launchOutsideTheRowsIsAnError() {
    const Data data = passLog(0.125F, {Run{}}, 100);
    for (int row : {0, 101, kDataRows + 1}) {
        QVERIFY_THROWS_EXCEPTION(AppError, passFigures(*data, row));
    }
    QCOMPARE(passFigures(*data, 100).endRow, 100);
}

void TestPassReport::commandLine_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    QTest::newRow("a pass") << "pass" << 0 << kHeading + kPassLine << "";
    QTest::newRow("no launch") << "still" << 0 << kHeading << "no launch found";
    QTest::newRow("ends early: reported as far as it goes")
        << "cut" << 0 << kHeading + kPassLine << "ends early";
    QTest::newRow("missing") << "missing" << 1 << ""
                             << "not found";
    QTest::newRow("a folder") << "folder" << 1 << ""
                              << "a folder, not a log file";
    QTest::newRow("empty") << "empty" << 1 << ""
                           << "not a log file";
    QTest::newRow("binary") << "binary" << 1 << ""
                            << "binary data";
    QTest::newRow("200 MB") << "huge" << 1 << ""
                            << "larger than any log file";
#ifdef Q_OS_UNIX
    QTest::newRow("a FIFO, never opened blocking") << "fifo" << 1 << ""
                                                   << "a device, pipe or socket, not a log file";
#endif
}

void TestPassReport::commandLine() {
    QFETCH(QString, kind);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);

    QTemporaryDir dir;
    const QString path = dir.filePath(kind + QStringLiteral(".log"));
    if (kind == u"pass") {
        writeLog(path, *strip());
    } else if (kind == u"still") {
        writeLog(path, *passLog(0.125F, {}));
    } else if (kind == u"cut") {
        writeLog(path, *strip(), 20000);  // about 400 rows in: the pass is whole
    } else if (kind == u"folder") {
        QVERIFY(QDir(dir.path()).mkdir(kind + QStringLiteral(".log")));
    } else if (kind == u"empty" || kind == u"binary" || kind == u"huge") {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        if (kind == u"binary") {
            f.write(QByteArray("\x7f"
                               "ELF\x02\x01\x01\0\0\0\0",
                               12)
                        .repeated(100));
        } else if (kind == u"huge") {
            QVERIFY(f.resize(200LL * 1024 * 1024));  // sparse: costs no disk
        }
    } else if (kind == u"fifo") {
#ifdef Q_OS_UNIX
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
#endif
    }
    const Ran ran = runProgram({QStringLiteral("--report"), path});
    QCOMPARE(ran.status, status);
    QCOMPARE(QString::fromLatin1(ran.out), out);
    if (err.isEmpty()) {
        QCOMPARE(ran.err, QString());
    } else {
        QVERIFY2(ran.err.contains(err) && ran.err.contains(path), qPrintable(ran.err));
    }
}

void TestPassReport::reportReadsBackWithPythonCsv() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("two runs.log"));
    writeLog(path, *passLog(0.125F, {Run{}, Run{60.0}}));
    const Ran ran = runProgram({QStringLiteral("--report"), path});
    QCOMPARE(ran.status, 0);
    const QJsonObject read = readWithPython(ran.out);
    QCOMPARE(read.value(QStringLiteral("heading")).toArray().size(), 18);
    QCOMPARE(read.value(QStringLiteral("heading")).toArray().at(5).toString(),
             QStringLiteral("1/8 mile mph"));
    const QJsonArray rows = read.value(QStringLiteral("rows")).toArray();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(1).toArray().at(1).toString(), QStringLiteral("60.000"));
    QCOMPARE(rows.at(0).toArray().at(12).toString(), QString());  // stage 1 never on
    QCOMPARE(read.value(QStringLiteral("crlf")).toInt(), 3);
}

void TestPassReport::reportToAFullDeviceFails() {
    if (!QFile::exists(QStringLiteral("/dev/full"))) {
        QSKIP("no /dev/full here");
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pass.log"));
    writeLog(path, *strip());
    const Ran ran = runProgram({QStringLiteral("--report"), path}, QStringLiteral("/dev/full"));
    QCOMPARE(ran.status, 1);
    QVERIFY2(ran.err.contains(QStringLiteral("No space left on device")), qPrintable(ran.err));
}

QTEST_GUILESS_MAIN(TestPassReport)
#include "test_pass_report.moc"
