// Opening things that are not log files: devices, pipes, folders, empty and binary files, text
// in two-byte characters, files far larger than any log. Each open returns promptly with a
// message and leaves the loaded data set, its caption and its comment as they were.
#include <sys/stat.h>
#include <QtTest>

#include "command_fixture.h"
#include "log_test_data.h"
#include "logdata/log_line_source.h"
#include "logdata/open_log_command.h"
#include "watchdog.h"

using namespace tarvik;
using namespace tarvik::test;

namespace {

const QString kOpenTitle = QStringLiteral("Open Log File");
const QString kCrLf = QStringLiteral("\r\n");
constexpr auto kPromptly = std::chrono::seconds(10);

// The loaded data set every test starts from.
void load(CommandFixture& f) {
    fillDownloadLike(f.buffer);
    f.caption = CommandFixture::kBase + QStringLiteral(" - first.log");
}

void verifyKept(const CommandFixture& f) {
    QVERIFY(!f.buffer.bufferEmpty);
    DataBuffer want;
    fillDownloadLike(want);
    for (int c = 0; c < kDataColumns; ++c) {
        QCOMPARE(f.buffer.column(static_cast<Column>(c)), want.column(static_cast<Column>(c)));
    }
    QCOMPARE(f.buffer.firmwareId, want.firmwareId);
    QCOMPARE(f.buffer.controllerVersion, want.controllerVersion);
    QCOMPARE(f.buffer.comment, want.comment);
    QCOMPARE(f.buffer.logInterval, want.logInterval);
    QCOMPARE(f.caption, CommandFixture::kBase + QStringLiteral(" - first.log"));
    QCOMPARE(f.charts, 0);
}

void openAgreeing(CommandFixture& f, const QString& path) {
    f.dialogs.expectMessage(kOpenTitle, QStringLiteral("Data buffer not empty. OK to overwrite?"),
                            MsgIcon::None, MsgButtons::OkCancel, MsgResult::Ok);
    f.dialogs.expectOpenFile(QStringLiteral("Open File"), CommandFixture::kFilter, path);
}

void warn(CommandFixture& f, const QString& text) {
    f.dialogs.expectMessage(kOpenTitle, text, MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
}

void runOpen(CommandFixture& f, const QString& what) {
    Watchdog dog(what.toStdString(), kPromptly);
    OpenLogCommand(f.ctx).run();
}

#define DIALOGS_OK(f) QVERIFY2((f).dialogs.ok(), qPrintable((f).dialogs.report()))

}  // namespace

class TestOpenBadFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void notAFile_data();
    void notAFile();
    void noData_data();
    void noData();
    void hugeFileWithoutLineEnd();
    void escStopsReading();
    void lineFeedLogOpensWhole();
    void cancelledDialogKeepsDataSet();
};

void TestOpenBadFiles::notAFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("words");
    QTest::newRow("/dev/zero") << "zero"
                               << "a device, pipe or socket";
    QTest::newRow("named pipe") << "fifo"
                                << "a device, pipe or socket";
    QTest::newRow("folder") << "folder"
                            << "a folder";
}

void TestOpenBadFiles::notAFile() {
    QFETCH(QString, kind);
    QFETCH(QString, words);
    CommandFixture f;
    load(f);
    QString path;
    if (kind == QLatin1String("zero")) {
        path = QStringLiteral("/dev/zero");
    } else if (kind == QLatin1String("fifo")) {
        path = f.path(QStringLiteral("pipe.log"));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else {
        path = f.path(QStringLiteral("folder.log"));
        QVERIFY(QDir().mkpath(path));
    }
    openAgreeing(f, path);
    warn(f, path + kCrLf + QStringLiteral("This is %1, not a log file.").arg(words));
    runOpen(f, path);
    DIALOGS_OK(f);
    verifyKept(f);
}

void TestOpenBadFiles::noData_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    const QString noData = OpenLogCommand::kNoData;
    QTest::newRow("empty") << QByteArray() << noData;
    QTest::newRow("header only") << QByteArray("\"Data Logging Interval\"\r\n2\r\n") << noData;
    QTest::newRow("all NUL") << QByteArray(100000, '\0')
                             << QStringLiteral("This is not a log file: it holds binary data.");
    QByteArray utf16("\xFF\xFE", 2);
    const QByteArray text = exampleFileText();
    for (const char c : text.left(text.indexOf("\r\n") + 2)) {
        utf16 += c;
        utf16 += '\0';
    }
    QTest::newRow("UTF-16") << utf16
                            << QStringLiteral(
                                   "This is not a log file: its text is written in "
                                   "UTF-16 (two bytes per character). A log file is "
                                   "plain text.");
}

void TestOpenBadFiles::noData() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    CommandFixture f;
    load(f);
    const QString path = f.path(QStringLiteral("bad.log"));
    CommandFixture::write(path, bytes);
    openAgreeing(f, path);
    warn(f, message == OpenLogCommand::kNoData ? message : path + kCrLf + message);
    runOpen(f, "bad file");
    DIALOGS_OK(f);
    verifyKept(f);
}

void TestOpenBadFiles::hugeFileWithoutLineEnd() {
    // 200 MB without a line end (sparse, so it costs no disk): read only up to the bound, the
    // window's events processed meanwhile, and the user told what was left unread.
    CommandFixture f;
    load(f);
    const QString path = f.path(QStringLiteral("huge.log"));
    const qint64 size = 200LL * 1024 * 1024;
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(size));
    }
    openAgreeing(f, path);
    warn(f, path + kCrLf + QStringLiteral("This is not a log file: it holds binary data."));
    QElapsedTimer t;
    t.start();
    runOpen(f, "200 MB of NUL");
    DIALOGS_OK(f);
    verifyKept(f);

    // The same size of text without a line end: it is text, so it is read up to the bound.
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        const QByteArray chunk(1024 * 1024, 'x');
        for (int i = 0; i < 200; ++i) {
            QCOMPARE(file.write(chunk), chunk.size());
        }
    }
    f.yields = 0;
    openAgreeing(f, path);
    warn(f, OpenLogCommand::tooLargeText(path, size - LogLineSource::kMaxFileBytes));
    warn(f, OpenLogCommand::kNoData);
    t.restart();
    runOpen(f, "200 MB without a line end");
    const qint64 ms = t.elapsed();
    DIALOGS_OK(f);
    verifyKept(f);
    QVERIFY2(ms < 2000, qPrintable(QString::number(ms)));
    // One turn of the event loop per chunk read.
    QCOMPARE(f.yields, int(LogLineSource::kMaxFileBytes / LogLineSource::kChunkBytes));
    QVERIFY(OpenLogCommand::tooLargeText(path, 7).contains(QStringLiteral("first 4 MB")));
}

void TestOpenBadFiles::escStopsReading() {
    // Esc while a long file is read: reading stops, nothing is said, the data set stays.
    CommandFixture f;
    load(f);
    const QString path = f.path(QStringLiteral("long.log"));
    CommandFixture::write(path, QByteArray(3 * 1024 * 1024, ','));
    f.abortRequested = true;  // pressed before: does not count
    f.onYield = [&](int n) {
        if (n == 5) {
            f.abortRequested = true;
        }
    };
    openAgreeing(f, path);
    runOpen(f, "Esc");
    DIALOGS_OK(f);
    verifyKept(f);
    QCOMPARE(f.yields, 5);
    QVERIFY(!f.abortRequested);
}

void TestOpenBadFiles::lineFeedLogOpensWhole() {
    CommandFixture f;
    load(f);
    const QString path = f.path(QStringLiteral("unix.log"));
    QByteArray text = exampleFileText();
    text.replace("\r\n", "\n");
    CommandFixture::write(path, text);
    openAgreeing(f, path);
    runOpen(f, "LF log");
    DIALOGS_OK(f);
    QVERIFY(!f.buffer.bufferEmpty);
    QCOMPARE(f.buffer.firmwareId, QStringLiteral("QX-1"));
    QCOMPARE(f.buffer.at(Column::BatVolts, 2700), 13.8f);
    QCOMPARE(f.buffer.comment, QString());
    QCOMPARE(f.caption, CommandFixture::kBase + QStringLiteral(" - unix.log"));
    QCOMPARE(f.charts, 1);
}

void TestOpenBadFiles::cancelledDialogKeepsDataSet() {
    CommandFixture f;
    load(f);
    const QString missing = f.path(QStringLiteral("gone.log"));
    openAgreeing(f, missing);
    f.dialogs.expectMessage(QStringLiteral("File Open"), missing + kCrLf + "File not found.",
                            MsgIcon::Exclamation, MsgButtons::RetryCancel, MsgResult::Cancel);
    f.dialogs.expectErrorBox(QStringLiteral("Canceled File Open"), MsgResult::Abort);
    runOpen(f, "cancel");
    DIALOGS_OK(f);
    verifyKept(f);
}

QTEST_GUILESS_MAIN(TestOpenBadFiles)
#include "test_open_bad_files.moc"
