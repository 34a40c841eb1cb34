// A recording's files at every moment of their life: stopped at arbitrary points without being
// finished (as a kill, a crash or a full disk leaves them), finished, and unable to start. Each
// file must read: with Open File (one note for a recording that ended early), with the
// compared-log reader, and as the 2706-line log every reader of the format expects.
#include <sys/resource.h>
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

#include "chart/compared_log.h"
#include "command_fixture.h"
#include "core/app_error.h"
#include "logdata/log_file_reader.h"
#include "logdata/open_log_command.h"
#include "logdata/recording_file.h"

using namespace tarvik;
using namespace tarvik::test;

namespace {

RecordingFile::Identity identity() {
    RecordingFile::Identity id;
    id.firmwareId = QStringLiteral("QX-2 v3.1");
    id.controllerVersion = QStringLiteral("QX-2");
    id.brandName = QStringLiteral("Orvenna");
    id.startText = QStringLiteral("14/05/2026 20:31:07");
    id.start = QDateTime(QDate(2026, 5, 14), QTime(20, 31, 7));
    id.interval = 0.5F;
    return id;
}

RecordingFile::Row row(qint64 k) {
    RecordingFile::Row r{};
    r[1] = static_cast<float>(1000 + k % 9000);
    r[3] = -3.5F;
    r[4] = 2.5F;
    r[6] = 13.8F;
    r[9] = static_cast<float>(k % 7);
    r[10] = static_cast<float>(k % 101);
    return r;
}

// Reading k's time: half a second apart, with a gap of ten seconds after the 20th.
float elapsedOf(qint64 k) {
    return static_cast<float>(k) * 0.5F + (k > 20 ? 10.0F : 0.0F);
}

void record(RecordingFile& file, qint64 count) {
    for (qint64 k = 1; k <= count; ++k) {
        file.appendRow(elapsedOf(k), row(k));
    }
}

QStringList everything(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

struct Read {
    std::unique_ptr<DataBuffer> data = std::make_unique<DataBuffer>();
    bool whole = false;
    bool unfinished = false;
};

Read readFile(const QString& path) {
    Read r;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return r;
    }
    LogFileReader reader(f);
    r.whole =
        reader.readHeader(*r.data) && reader.readSamples(*r.data) && reader.readTrailer(*r.data);
    r.unfinished = reader.unfinishedRecording();
    return r;
}

// The file's mode bits, and those a file made as Save File makes one gets here.
int modeOf(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0
               ? static_cast<int>(st.st_mode & 0777)
               : -1;
}
int savedFileMode(const QString& folder) {
    const QString path = QDir(folder).filePath(QStringLiteral("saved-for-comparison"));
    QSaveFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("x");
    f.commit();
    const int mode = modeOf(path);
    QFile::remove(path);
    return mode;
}

// Writes are refused past `bytes` while it lives: a disk that fills up ("File too large" is
// the error a size limit gives; the write path is the one a full disk takes).
struct DiskLimit {
    rlimit before{};
    void (*oldSignal)(int) = nullptr;
    explicit DiskLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &before);
        oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = before;
        small.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~DiskLimit() {
        ::setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, oldSignal);
    }
};

}  // namespace

class TestRecordingFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void stoppedAnywhereReads_data();
    void stoppedAnywhereReads();
    void finishedIsACompactLog_data();
    void finishedIsACompactLog();
    void cannotStartLeavesNothing_data();
    void cannotStartLeavesNothing();
    void compactingOnAFullDiskKeepsAWholeLog();
};

void TestRecordingFile::stoppedAnywhereReads_data() {
    QTest::addColumn<qint64>("rows");
    QTest::newRow("before the first reading") << qint64{0};
    QTest::newRow("one reading") << qint64{1};
    QTest::newRow("after the gap") << qint64{25};
    QTest::newRow("half a file") << qint64{1350};
    QTest::newRow("one short of a file") << qint64{2699};
    QTest::newRow("a whole file") << qint64{2700};
    QTest::newRow("first reading of part 2") << qint64{2701};
    QTest::newRow("into part 3") << qint64{5450};
}

void TestRecordingFile::stoppedAnywhereReads() {
    // The program dies: the file is left as it stands, never finished.
    QFETCH(qint64, rows);
    QTemporaryDir dir;
    QStringList logs;
    {
        RecordingFile file(dir.path(), identity());
        file.begin();
        record(file, rows);
        QVERIFY(file.isOpen());
        logs = file.files();
    }  // gone without finish() or abandon(), as after kill -9
    QCOMPARE(logs.size(), static_cast<int>(rows <= 2700 ? 1 : 1 + (rows - 1) / 2700));
    QCOMPARE(everything(dir.path()).size(), logs.size());  // no hidden file left

    const QString last = logs.last();
    const int inLast = rows == 0 ? 0 : static_cast<int>((rows - 1) % 2700 + 1);
    const Read r = readFile(last);
    QVERIFY(r.whole);
    QVERIFY(r.unfinished);
    QCOMPARE(r.data->rows, inLast);
    QCOMPARE(r.data->firmwareId, QStringLiteral("QX-2 v3.1"));
    QCOMPARE(r.data->downloadDate, QStringLiteral("14/05/2026 20:31:07"));
    QCOMPARE(r.data->comment, RecordingFile::kComment);
    QCOMPARE(r.data->logInterval, 0.5F);
    if (inLast > 0) {
        const qint64 k = rows;  // the last reading appended
        QCOMPARE(r.data->at(Column::RPM, inLast), static_cast<float>(1000 + k % 9000));
        QCOMPARE(r.data->at(Column::ElapsedTime, inLast), elapsedOf(k));
        QCOMPARE(r.data->at(Column::Stage1PWM, inLast), static_cast<float>(k % 101));
    }
    // Every line a 2706-line log has, at its place.
    QFile raw(last);
    QVERIFY(raw.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = raw.readAll().split('\n');
    QCOMPARE(lines.size(), 2707);
    QCOMPARE(lines.at(2705), QByteArray("\"Comment\",\"Real-time recording\"\r"));

    CommandFixture f;
    if (inLast == 0) {
        f.dialogs.expectMessage(OpenLogCommand::kTitle, OpenLogCommand::noReadingsText(last),
                                MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    } else {
        // One plain note, nothing about a premature end or an unknown controller.
        f.dialogs.expectMessage(
            OpenLogCommand::kTitle,
            QStringLiteral("This recording ended early: %1 readings kept").arg(inLast),
            MsgIcon::Information, MsgButtons::Ok, MsgResult::Ok);
    }
    OpenLogCommand(f.ctx).openPath(last);
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
    QCOMPARE(f.charts, inLast > 0 ? 1 : 0);
    if (inLast > 0) {
        QCOMPARE(f.buffer.rows, inLast);
        QCOMPARE(f.buffer.controllerVersion, QStringLiteral("QX-2"));
        // Compare With takes it as it takes any log, without a word.
        ScriptedDialogs quiet;
        const std::unique_ptr<DataBuffer> compared =
            readComparedLog(last, quiet, QStringLiteral("Compare With"));
        QVERIFY2(quiet.ok(), qPrintable(quiet.report()));
        QVERIFY(compared != nullptr);
        QCOMPARE(compared->rows, inLast);
    }
    // The parts before the last were finished when the next one began.
    for (int p = 0; p + 1 < logs.size(); ++p) {
        const Read earlier = readFile(logs.at(p));
        QVERIFY(earlier.whole && !earlier.unfinished);
        QCOMPARE(earlier.data->rows, kDataRows);
    }
}

void TestRecordingFile::finishedIsACompactLog_data() {
    QTest::addColumn<qint64>("rows");
    QTest::newRow("40 readings") << qint64{40};
    QTest::newRow("a whole file") << qint64{2700};
    QTest::newRow("two parts") << qint64{2703};
}

void TestRecordingFile::finishedIsACompactLog() {
    // Finished, a recording is the log the program has always written: no mark, no blanks.
    QFETCH(qint64, rows);
    QTemporaryDir dir;
    RecordingFile file(dir.path(), identity());
    file.begin();
    record(file, rows);
    file.finish();
    QVERIFY(!file.isOpen());
    QCOMPARE(everything(dir.path()).size(), file.files().size());
    for (const QString& path : file.files()) {
        QFile raw(path);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray text = raw.readAll();
        QVERIFY2(!text.contains("  "), "blanks left in a finished file");
        const QList<QByteArray> lines = text.split('\n');
        QCOMPARE(lines.size(), 2707);
        QCOMPARE(lines.at(0), QByteArray("\"Data Logging Interval\"\r"));
        const qint64 first = path == file.files().first() ? 1 : 2701;
        QCOMPARE(lines.at(3), RecordingFile::rowLine(elapsedOf(first), row(first)) + "\r");
        QCOMPARE(lines.at(2703), QByteArray("\"Firmware ID\",\"QX-2 v3.1\"\r"));
        const Read r = readFile(path);
        QVERIFY(r.whole && !r.unfinished);
        QCOMPARE(r.data->rows, path == file.files().last() && rows != 2700
                                   ? static_cast<int>((rows - 1) % 2700 + 1)
                                   : kDataRows);
        QCOMPARE(modeOf(path), savedFileMode(dir.path()));
    }
}

void TestRecordingFile::cannotStartLeavesNothing_data() {
    QTest::addColumn<int>("how");  // 0: the file cannot be made, 1: the disk is full
    QTest::newRow("cannot be made") << 0;
    QTest::newRow("disk full") << 1;
}

void TestRecordingFile::cannotStartLeavesNothing() {
    QFETCH(int, how);
    QTemporaryDir dir;
    RecordingFile file(dir.path(), identity());
    const QString name =
        QDir(dir.path())
            .filePath(RecordingFile::fileName(identity().start, QStringLiteral("QX-2"), 1, 1));
    QString description;
    try {
        if (how == 0) {
            file.setFileOpener([](const QString&, QString& error) {
                error = QStringLiteral("Permission denied");
                return std::unique_ptr<QFile>();
            });
            file.begin();
        } else {
            const DiskLimit full(100 * 1024);  // less than the recording's file needs
            file.begin();
        }
        QFAIL("began without a file");
    } catch (const AppError& e) {
        description = e.description();
    }
    const QString reason = how == 0 ? QStringLiteral("Permission denied")
                                    : QString::fromLocal8Bit(std::strerror(EFBIG));
    // The cause, and the name the user would look for: never a hidden file's.
    QCOMPARE(description, QStringLiteral("Cannot create %1: %2").arg(name, reason));
    QVERIFY(!file.isOpen());
    QVERIFY(file.files().isEmpty());
    QVERIFY2(everything(dir.path()).isEmpty(), qPrintable(everything(dir.path()).join(u',')));
}

void TestRecordingFile::compactingOnAFullDiskKeepsAWholeLog() {
    // The disk fills up just as the recording ends: the file keeps every reading and reads as
    // a finished recording, though it could not be made compact.
    QTemporaryDir dir;
    RecordingFile file(dir.path(), identity());
    file.begin();
    record(file, 1000);
    {
        const DiskLimit full(8 * 1024);  // room for the line rewritten in place, not for a copy
        file.finish();
    }
    QCOMPARE(everything(dir.path()).size(), 1);
    const Read r = readFile(file.files().first());
    QVERIFY(r.whole);
    QVERIFY(!r.unfinished);
    QCOMPARE(r.data->rows, 1000);
    QCOMPARE(r.data->at(Column::RPM, 1000), 2000.0F);
    CommandFixture f;
    OpenLogCommand(f.ctx).openPath(file.files().first());
    QVERIFY2(f.dialogs.ok(), qPrintable(f.dialogs.report()));
    QCOMPARE(f.charts, 1);
}

QTEST_MAIN(TestRecordingFile)
#include "test_recording_file.moc"
