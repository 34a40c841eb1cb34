#include <sys/resource.h>
#include <QtTest>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "command_fixture.h"
#include "core/app_error.h"
#include "log_test_data.h"
#include "logdata/file_dialogs.h"
#include "logdata/open_log_command.h"
#include "logdata/save_log_command.h"

using namespace tarvik;
using namespace tarvik::test;

namespace {

const QString kSaveTitle = QStringLiteral("Save Log File");
const QString kOpenTitle = QStringLiteral("Open Log File");
const QString kCrLf = QStringLiteral("\r\n");

QString existsText(const QString& path) {
    return path + kCrLf + QStringLiteral("This file already exists.") + kCrLf + kCrLf +
           QStringLiteral("Replace existing file?");
}

QList<QByteArray> lines(const QByteArray& text) {
    QList<QByteArray> l = text.split('\n');
    l.removeLast();
    for (auto& x : l) {
        x.chop(1);
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

void save(CommandFixture& f) {
    SaveLogCommand(f.ctx).run();
}
void open(CommandFixture& f) {
    OpenLogCommand(f.ctx).run();
}

#define DIALOGS_OK(f) QVERIFY2((f).dialogs.ok(), qPrintable((f).dialogs.report()))

}  // namespace

class TestLogCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // FileOpen / FileSave
    void fileOpenNotFoundRetryThenCancel();
    void fileOpenWithPrompt_data();
    void fileOpenWithPrompt();
    void fileOpenEmptyFilter();
    void fileSaveOverwrite_data();
    void fileSaveOverwrite();
    void fileSaveCustomPrompt();

    // Save
    void saveEmptyBuffer();
    void saveNewFileAsksComment();
    void saveKeepsExistingComment();
    void saveOverwriteNoThenYes();
    void saveOverwriteCancel_data();
    void saveOverwriteCancel();
    void saveDialogLeftEmpty();
    void escDuringSaveKeepsOldFile();
    void escDuringSaveLeavesNoNewFile();
    void staleEscDoesNotStopSave();
    void saveCannotCreate();
    void saveOnFullDiskNamesTheCause();

    // Open
    void openCancelOverwriteLeavesEverything();
    void openDialogLeftEmpty();
    void openNotFoundCancel();
    void openCompleteFile();
    void openHundredSampleLines();
    void openHeaderOnly();
    void openTrailerCut();
    void openUnknownFirmware();
    void saveThenOpenRoundTrip();
};

// --- FileOpen / FileSave -------------------------------------------------------------------

void TestLogCommands::fileOpenNotFoundRetryThenCancel() {
    CommandFixture f;
    const QString missing = f.path(QStringLiteral("missing.log"));
    f.dialogs.expectOpenFile(QStringLiteral("Open File"), CommandFixture::kFilter, missing);
    f.dialogs.expectMessage(QStringLiteral("File Open"), missing + kCrLf + "File not found.",
                            MsgIcon::Exclamation, MsgButtons::RetryCancel, MsgResult::Retry);
    f.dialogs.expectOpenFile(QStringLiteral("Open File"), CommandFixture::kFilter, missing);
    f.dialogs.expectMessage(QStringLiteral("File Open"), missing + kCrLf + "File not found.",
                            MsgIcon::Exclamation, MsgButtons::RetryCancel, MsgResult::Cancel);
    FileDialogs files(f.dialogs);
    bool thrown = false;
    try {
        files.fileOpen(QStringLiteral("Open File"), CommandFixture::kFilter, QString());
    } catch (const AppError& e) {
        thrown = true;
        QCOMPARE(e.code(), 0x800403E8u);
        QCOMPARE(e.source(), QStringLiteral("File Open"));
        QCOMPARE(e.description(), QStringLiteral("Canceled File Open"));
    }
    QVERIFY(thrown);
    DIALOGS_OK(f);
}

void TestLogCommands::fileOpenWithPrompt_data() {
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("returns");
    QTest::newRow("Yes takes the path") << int(MsgResult::Yes) << true;
    QTest::newRow("No asks again") << int(MsgResult::No) << false;
}

void TestLogCommands::fileOpenWithPrompt() {
    QFETCH(int, answer);
    QFETCH(bool, returns);
    CommandFixture f;
    const QString missing = f.path(QStringLiteral("new.log"));
    const QString other = f.path(QStringLiteral("other.log"));
    CommandFixture::write(other, "x");
    const QString text =
        missing + kCrLf + "File not found." + kCrLf + kCrLf + QStringLiteral("Create it?");
    f.dialogs.expectOpenFile(QStringLiteral("T"), QStringLiteral("F|*.f"), missing);
    f.dialogs.expectMessage(QStringLiteral("File Open"), text, MsgIcon::Exclamation,
                            MsgButtons::YesNoCancel, static_cast<MsgResult>(answer));
    if (!returns) {
        f.dialogs.expectOpenFile(QStringLiteral("T"), QStringLiteral("F|*.f"), other);
    }
    const QString got = FileDialogs(f.dialogs).fileOpen(
        QStringLiteral("T"), QStringLiteral("F|*.f"), QStringLiteral("Create it?"));
    QCOMPARE(got, returns ? missing : other);
    DIALOGS_OK(f);
}

void TestLogCommands::fileOpenEmptyFilter() {
    CommandFixture f;
    f.dialogs.expectOpenFile(QStringLiteral("T"), QStringLiteral("All Files (*.*)|*.*"), QString());
    f.dialogs.expectSaveFile(QStringLiteral("T"), QStringLiteral("All Files (*.*)|*.*"), QString());
    FileDialogs files(f.dialogs);
    QCOMPARE(files.fileOpen(QStringLiteral("T"), QString(), QString()), QString());
    QCOMPARE(files.fileSave(QStringLiteral("T"), QString(), QString()), QString());
    DIALOGS_OK(f);
}

void TestLogCommands::fileSaveOverwrite_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("Yes") << int(MsgResult::Yes);
    QTest::newRow("No") << int(MsgResult::No);
    QTest::newRow("Cancel") << int(MsgResult::Cancel);
}

void TestLogCommands::fileSaveOverwrite() {
    QFETCH(int, answer);
    CommandFixture f;
    const QString existing = f.path(QStringLiteral("run.log"));
    const QString fresh = f.path(QStringLiteral("fresh.log"));
    CommandFixture::write(existing, "old");
    f.dialogs.expectSaveFile(QStringLiteral("Save File"), CommandFixture::kFilter, existing);
    f.dialogs.expectMessage(QStringLiteral("File Save"), existsText(existing), MsgIcon::Exclamation,
                            MsgButtons::YesNoCancel, static_cast<MsgResult>(answer));
    if (answer == int(MsgResult::No)) {
        f.dialogs.expectSaveFile(QStringLiteral("Save File"), CommandFixture::kFilter, fresh);
    }
    QString got;
    try {
        got = FileDialogs(f.dialogs).fileSave(QStringLiteral("Save File"), CommandFixture::kFilter,
                                              QString());
        QVERIFY(answer != int(MsgResult::Cancel));
        QCOMPARE(got, answer == int(MsgResult::Yes) ? existing : fresh);
    } catch (const AppError& e) {
        QCOMPARE(answer, int(MsgResult::Cancel));
        QCOMPARE(e.code(), 0x800403E9u);
        QCOMPARE(e.source(), QStringLiteral("File Save"));
        QCOMPARE(e.description(), QStringLiteral("Canceled File Save"));
    }
    DIALOGS_OK(f);
}

void TestLogCommands::fileSaveCustomPrompt() {
    CommandFixture f;
    const QString existing = f.path(QStringLiteral("run.log"));
    CommandFixture::write(existing, "old");
    f.dialogs.expectSaveFile(QStringLiteral("S"), QStringLiteral("F|*.f"), existing);
    f.dialogs.expectMessage(
        QStringLiteral("File Save"),
        existing + kCrLf + "This file already exists." + kCrLf + kCrLf + "Overwrite?",
        MsgIcon::Exclamation, MsgButtons::YesNoCancel, MsgResult::Yes);
    QCOMPARE(FileDialogs(f.dialogs).fileSave(QStringLiteral("S"), QStringLiteral("F|*.f"),
                                             QStringLiteral("Overwrite?")),
             existing);
    DIALOGS_OK(f);
}

// --- Save -------------------------------------------------------------------------------------

void TestLogCommands::saveEmptyBuffer() {
    CommandFixture f;
    f.dialogs.expectMessage(kSaveTitle, QStringLiteral("Data buffer empty."), MsgIcon::Exclamation,
                            MsgButtons::Ok, MsgResult::Ok);
    save(f);
    QCOMPARE(f.caption, QStringLiteral("untouched"));
    DIALOGS_OK(f);
}

void TestLogCommands::saveNewFileAsksComment() {
    CommandFixture f;
    fillExample(f.buffer);
    const QString p = f.path(QStringLiteral("strip day.log"));
    f.dialogs.expectSaveFile(QStringLiteral("Save File"), CommandFixture::kFilter, p);
    f.dialogs.expectInput(QStringLiteral("Comment?"), QStringLiteral("Optional Information Entry"),
                          QString(), QString());  // cancelled: no comment
    save(f);
    DIALOGS_OK(f);
    QCOMPARE(CommandFixture::read(p), exampleFileText());
    QCOMPARE(f.caption, CommandFixture::kBase + QStringLiteral(" - strip day.log"));
    QCOMPARE(f.yields, kDataRows);
    QCOMPARE(f.files(), QStringList{QStringLiteral("strip day.log")});

    // With an answer, the comment is kept and written.
    CommandFixture g;
    fillExample(g.buffer);
    const QString q = g.path(QStringLiteral("b.log"));
    g.dialogs.expectSaveFile(QStringLiteral("Save File"), CommandFixture::kFilter, q);
    g.dialogs.expectInput(QStringLiteral("Comment?"), QStringLiteral("Optional Information Entry"),
                          QString(), QStringLiteral("wet track"));
    save(g);
    DIALOGS_OK(g);
    QCOMPARE(g.buffer.comment, QStringLiteral("wet track"));
    QVERIFY(CommandFixture::read(q).endsWith("\"Comment\",\"wet track\"\r\n"));
}

void TestLogCommands::saveKeepsExistingComment() {
    CommandFixture f;
    fillExample(f.buffer);
    f.buffer.comment = QStringLiteral("dry");
    const QString p = f.path(QStringLiteral("c.log"));
    f.dialogs.expectSaveFile(QStringLiteral("Save File"), CommandFixture::kFilter, p);
    save(f);
    DIALOGS_OK(f);
    QVERIFY(CommandFixture::read(p).endsWith("\"Comment\",\"dry\"\r\n"));
}

void TestLogCommands::saveOverwriteNoThenYes() {
    CommandFixture f;
    fillExample(f.buffer);
    f.buffer.comment = QStringLiteral("x");
    const QString p = f.path(QStringLiteral("run.log"));
    CommandFixture::write(p, "old");
    f.dialogs.expectSaveFile(QStringLiteral("Save File"), CommandFixture::kFilter, p);
    f.dialogs.expectMessage(QStringLiteral("File Save"), existsText(p), MsgIcon::Exclamation,
                            MsgButtons::YesNoCancel, MsgResult::No);
    f.dialogs.expectSaveFile(QStringLiteral("Save File"), CommandFixture::kFilter, p);
    f.dialogs.expectMessage(QStringLiteral("File Save"), existsText(p), MsgIcon::Exclamation,
                            MsgButtons::YesNoCancel, MsgResult::Yes);
    save(f);
    DIALOGS_OK(f);
    QCOMPARE(lines(CommandFixture::read(p)).size(), 2706);
}

void TestLogCommands::saveOverwriteCancel_data() {
    QTest::addColumn<int>("answer");
    QTest::newRow("Abort") << int(MsgResult::Abort);
    QTest::newRow("Ignore") << int(MsgResult::Ignore);
    QTest::newRow("Retry") << int(MsgResult::Retry);
}

void TestLogCommands::saveOverwriteCancel() {
    // Cancel in the overwrite question reaches the command's trap as "Canceled File Save".
    QFETCH(int, answer);
    CommandFixture f;
    fillExample(f.buffer);
    const QString p = f.path(QStringLiteral("run.log"));
    CommandFixture::write(p, "old");
    f.dialogs.expectSaveFile(QStringLiteral("Save File"), CommandFixture::kFilter, p);
    f.dialogs.expectMessage(QStringLiteral("File Save"), existsText(p), MsgIcon::Exclamation,
                            MsgButtons::YesNoCancel, MsgResult::Cancel);
    f.dialogs.expectErrorBox(QStringLiteral("Canceled File Save"), static_cast<MsgResult>(answer));
    if (answer == int(MsgResult::Retry)) {  // the dialog comes again
        f.dialogs.expectSaveFile(QStringLiteral("Save File"), CommandFixture::kFilter, QString());
    }
    save(f);
    DIALOGS_OK(f);
    QCOMPARE(CommandFixture::read(p), QByteArray("old"));
    QCOMPARE(f.caption, QStringLiteral("untouched"));
}

void TestLogCommands::saveDialogLeftEmpty() {
    CommandFixture f;
    fillExample(f.buffer);
    f.dialogs.expectSaveFile(QStringLiteral("Save File"), CommandFixture::kFilter, QString());
    save(f);
    DIALOGS_OK(f);
    QVERIFY(f.files().isEmpty());
    QCOMPARE(f.caption, QStringLiteral("untouched"));
}

void TestLogCommands::escDuringSaveKeepsOldFile() {
    CommandFixture f;
    fillExample(f.buffer);
    const QString p = f.path(QStringLiteral("good.log"));
    const QByteArray good = "a good log that must survive\r\n";
    CommandFixture::write(p, good);
    f.onYield = [&](int n) {
        if (n == 100) {
            f.abortRequested = true;  // Esc after row 100
        }
    };
    f.dialogs.expectSaveFile(QStringLiteral("Save File"), CommandFixture::kFilter, p);
    f.dialogs.expectMessage(QStringLiteral("File Save"), existsText(p), MsgIcon::Exclamation,
                            MsgButtons::YesNoCancel, MsgResult::Yes);
    save(f);
    DIALOGS_OK(f);
    QCOMPARE(f.yields, 100);
    QVERIFY(!f.abortRequested);
    QCOMPARE(CommandFixture::read(p), good);
    QCOMPARE(f.files(), QStringList{QStringLiteral("good.log")});  // no temporary left behind
    QCOMPARE(f.caption, QStringLiteral("untouched"));
}

void TestLogCommands::escDuringSaveLeavesNoNewFile() {
    CommandFixture f;
    fillExample(f.buffer);
    const QString p = f.path(QStringLiteral("new.log"));
    f.onYield = [&](int n) {
        if (n == 2700) {
            f.abortRequested = true;  // even after the very last line
        }
    };
    f.dialogs.expectSaveFile(QStringLiteral("Save File"), CommandFixture::kFilter, p);
    save(f);
    DIALOGS_OK(f);
    QVERIFY(f.files().isEmpty());
    QVERIFY(!f.abortRequested);
}

void TestLogCommands::staleEscDoesNotStopSave() {
    CommandFixture f;
    fillExample(f.buffer);
    f.buffer.comment = QStringLiteral("x");
    f.abortRequested = true;  // pressed while nothing was running
    const QString p = f.path(QStringLiteral("run.log"));
    f.dialogs.expectSaveFile(QStringLiteral("Save File"), CommandFixture::kFilter, p);
    save(f);
    DIALOGS_OK(f);
    QCOMPARE(f.yields, kDataRows);
    QCOMPARE(lines(CommandFixture::read(p)).size(), 2706);
}

void TestLogCommands::saveCannotCreate() {
    CommandFixture f;
    fillExample(f.buffer);
    // A regular file where the folder should be: nothing can be created under it.
    const QString notADir = f.path(QStringLiteral("plain"));
    CommandFixture::write(notADir, "x");
    const QString p = notADir + QStringLiteral("/run.log");
    // The error text carries the platform's reason, so a recorder checks its parts.
    int boxes = 0;
    class Recorder final : public UserDialogs {
    public:
        explicit Recorder(int& n, const QString& path) : n_(n), path_(path) {}
        MsgResult message(const QString& title, const QString& text, MsgIcon icon,
                          MsgButtons buttons) override {
            ++n_;
            ok = ok && title == QStringLiteral("Error") && icon == MsgIcon::Critical &&
                 buttons == MsgButtons::AbortRetryIgnore && text.contains(path_) &&
                 text.startsWith(QStringLiteral("Cannot create"));
            return n_ == 1 ? MsgResult::Retry : MsgResult::Abort;
        }
        QString inputBox(const QString&, const QString&, const QString&) override {
            ok = false;
            return {};
        }
        QString openFileName(const QString&, const QString&) override { return {}; }
        QString saveFileName(const QString&, const QString&) override { return path_; }
        bool printerSetup(QPrinter&, const QString&) override { return false; }
        bool ok = true;

    private:
        int& n_;
        QString path_;
    } recorder(boxes, p);
    CommandFixture::Host withRecorder(f, recorder);
    SaveLogCommand(withRecorder).run();
    QVERIFY(recorder.ok);
    QCOMPARE(boxes, 2);
    QCOMPARE(f.yields, 0);
    QCOMPARE(f.files(), QStringList{QStringLiteral("plain")});
    QCOMPARE(f.caption, QStringLiteral("untouched"));
}

void TestLogCommands::saveOnFullDiskNamesTheCause() {
    // The disk stops taking bytes part way (a file-size limit does what a full disk does):
    // the old file stays, and the message says why the new one could not be written.
    CommandFixture f;
    fillDownloadLike(f.buffer);
    const QString p = f.path(QStringLiteral("old.log"));
    CommandFixture::write(p, "the old log");
    f.dialogs.expectSaveFile(QStringLiteral("Save File"), CommandFixture::kFilter, p);
    f.dialogs.expectMessage(QStringLiteral("File Save"), existsText(p), MsgIcon::Exclamation,
                            MsgButtons::YesNoCancel, MsgResult::Yes);
    f.dialogs.expectErrorBox(
        QStringLiteral("Cannot write %1: %2").arg(p, QString::fromLocal8Bit(std::strerror(EFBIG))),
        MsgResult::Abort);
    rlimit before{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 40000;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    save(f);
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldSignal);
    DIALOGS_OK(f);
    QCOMPARE(CommandFixture::read(p), QByteArray("the old log"));
    QCOMPARE(f.files(), QStringList{QStringLiteral("old.log")});
    QCOMPARE(f.caption, QStringLiteral("untouched"));
}

// --- Open -------------------------------------------------------------------------------------

void TestLogCommands::openCancelOverwriteLeavesEverything() {
    CommandFixture f;
    fillDownloadLike(f.buffer);
    const float rpm = f.buffer.at(Column::RPM, 7);
    f.dialogs.expectMessage(kOpenTitle, QStringLiteral("Data buffer not empty. OK to overwrite?"),
                            MsgIcon::None, MsgButtons::OkCancel, MsgResult::Cancel);
    open(f);
    DIALOGS_OK(f);
    QVERIFY(!f.buffer.bufferEmpty);
    QCOMPARE(f.buffer.at(Column::RPM, 7), rpm);
    QCOMPARE(f.buffer.firmwareId, QStringLiteral("QX-2 V4.1"));
    QCOMPARE(f.buffer.controllerVersion, QStringLiteral("QX-2"));
    QCOMPARE(f.buffer.comment, QStringLiteral("Third pass, 1.2 bar"));
    QCOMPARE(f.caption, QStringLiteral("untouched"));
    QCOMPARE(f.charts, 0);
}

void TestLogCommands::openDialogLeftEmpty() {
    CommandFixture f;
    fillDownloadLike(f.buffer);
    f.dialogs.expectMessage(kOpenTitle, QStringLiteral("Data buffer not empty. OK to overwrite?"),
                            MsgIcon::None, MsgButtons::OkCancel, MsgResult::Ok);
    const float rpm = f.buffer.at(Column::RPM, 7);
    f.dialogs.expectOpenFile(QStringLiteral("Open File"), CommandFixture::kFilter, QString());
    open(f);
    DIALOGS_OK(f);
    // No file, no data: the loaded data set stays whole.
    QVERIFY(!f.buffer.bufferEmpty);
    QCOMPARE(f.buffer.firmwareId, QStringLiteral("QX-2 V4.1"));
    QCOMPARE(f.buffer.controllerVersion, QStringLiteral("QX-2"));
    QCOMPARE(f.buffer.comment, QStringLiteral("Third pass, 1.2 bar"));
    QCOMPARE(f.buffer.at(Column::RPM, 7), rpm);
    QCOMPARE(f.caption, QStringLiteral("untouched"));
    QCOMPARE(f.charts, 0);
}

void TestLogCommands::openNotFoundCancel() {
    CommandFixture f;
    const QString missing = f.path(QStringLiteral("gone.log"));
    f.dialogs.expectOpenFile(QStringLiteral("Open File"), CommandFixture::kFilter, missing);
    f.dialogs.expectMessage(QStringLiteral("File Open"), missing + kCrLf + "File not found.",
                            MsgIcon::Exclamation, MsgButtons::RetryCancel, MsgResult::Cancel);
    f.dialogs.expectErrorBox(QStringLiteral("Canceled File Open"), MsgResult::Abort);
    open(f);
    DIALOGS_OK(f);
    QVERIFY(f.buffer.bufferEmpty);
    QCOMPARE(f.charts, 0);
}

void TestLogCommands::openCompleteFile() {
    CommandFixture f;
    const QString p = f.path(QStringLiteral("run.log"));
    CommandFixture::write(p, exampleFileText());
    f.dialogs.expectOpenFile(QStringLiteral("Open File"), CommandFixture::kFilter, p);
    open(f);
    DIALOGS_OK(f);
    QVERIFY(!f.buffer.bufferEmpty);
    QCOMPARE(f.buffer.firmwareId, QStringLiteral("QX-1"));
    QCOMPARE(f.buffer.controllerVersion, QStringLiteral("QX-1"));
    QCOMPARE(f.buffer.logInterval, 2.0f);
    QCOMPARE(f.buffer.at(Column::BatVolts, 2700), 13.8f);
    QCOMPARE(f.caption, CommandFixture::kBase + QStringLiteral(" - run.log"));
    QCOMPARE(f.charts, 1);
}

void TestLogCommands::openHundredSampleLines() {
    CommandFixture f;
    QList<QByteArray> l = lines(exampleFileText());
    QList<QByteArray> cut = l.mid(0, 103);
    cut += l.mid(2703);
    const QString p = f.path(QStringLiteral("short.log"));
    CommandFixture::write(p, join(cut));
    f.dialogs.expectOpenFile(QStringLiteral("Open File"), CommandFixture::kFilter, p);
    f.dialogs.expectMessage(kOpenTitle, OpenLogCommand::kDataMissing, MsgIcon::Exclamation,
                            MsgButtons::Ok, MsgResult::Ok);
    f.dialogs.expectMessage(kOpenTitle,
                            QStringLiteral("Error - invalid firmware ID. Unable to identify "
                                           "controller version.\r\nSome data may be incorrectly "
                                           "scaled."),
                            MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    open(f);
    DIALOGS_OK(f);
    QVERIFY(!f.buffer.bufferEmpty);
    QCOMPARE(f.buffer.firmwareId, QString());
    QCOMPARE(f.buffer.controllerVersion, QStringLiteral("Unknown"));
    QCOMPARE(f.buffer.at(Column::RPM, 100), 6500.0f);
    QCOMPARE(f.buffer.at(Column::RPM, 101), 0.0f);
    QCOMPARE(f.caption, CommandFixture::kBase + QStringLiteral(" - short.log"));
    QCOMPARE(f.charts, 1);
}

void TestLogCommands::openHeaderOnly() {
    CommandFixture f;
    const QString p = f.path(QStringLiteral("head.log"));
    CommandFixture::write(p, "\"Data Logging Interval\"\r\n2\r\n");
    f.dialogs.expectOpenFile(QStringLiteral("Open File"), CommandFixture::kFilter, p);
    f.dialogs.expectMessage(kOpenTitle,
                            QStringLiteral("Error - reached premature end-of-file. No data found"),
                            MsgIcon::Exclamation, MsgButtons::Ok, MsgResult::Ok);
    open(f);
    DIALOGS_OK(f);
    QVERIFY(f.buffer.bufferEmpty);
    QCOMPARE(f.caption, QStringLiteral("untouched"));
    QCOMPARE(f.charts, 0);
}

void TestLogCommands::openTrailerCut() {
    CommandFixture f;
    QList<QByteArray> l = lines(exampleFileText());
    l.removeLast();
    const QString p = f.path(QStringLiteral("cut.log"));
    CommandFixture::write(p, join(l));
    f.dialogs.expectOpenFile(QStringLiteral("Open File"), CommandFixture::kFilter, p);
    f.dialogs.expectMessage(kOpenTitle, OpenLogCommand::kDataMissing, MsgIcon::Exclamation,
                            MsgButtons::Ok, MsgResult::Ok);
    f.dialogs.expectMessage(kOpenTitle, OpenLogCommand::kInvalidFirmware, MsgIcon::Exclamation,
                            MsgButtons::Ok, MsgResult::Ok);
    open(f);
    DIALOGS_OK(f);
    QCOMPARE(f.buffer.firmwareId, QString());
    QCOMPARE(f.buffer.downloadDate, QString());
    QVERIFY(!f.buffer.bufferEmpty);
    QCOMPARE(f.charts, 1);
}

void TestLogCommands::openUnknownFirmware() {
    CommandFixture f;
    QList<QByteArray> l = lines(exampleFileText());
    l[2703] = "\"Firmware ID\",\"NX-9\"";
    const QString p = f.path(QStringLiteral("nx.log"));
    CommandFixture::write(p, join(l));
    f.dialogs.expectOpenFile(QStringLiteral("Open File"), CommandFixture::kFilter, p);
    f.dialogs.expectMessage(kOpenTitle, OpenLogCommand::kInvalidFirmware, MsgIcon::Exclamation,
                            MsgButtons::Ok, MsgResult::Ok);
    open(f);
    DIALOGS_OK(f);
    QCOMPARE(f.buffer.firmwareId, QStringLiteral("NX-9"));
    QCOMPARE(f.buffer.controllerVersion, QStringLiteral("Unknown"));

    // "qx" in any case is recognised; the version still needs "QX-1" or "QX-2".
    CommandFixture g;
    l[2703] = "\"Firmware ID\",\"qx-2 beta\"";
    CommandFixture::write(p, join(l));
    g.dialogs.expectOpenFile(QStringLiteral("Open File"), CommandFixture::kFilter, p);
    OpenLogCommand(g.ctx).run();
    QVERIFY2(g.dialogs.ok(), qPrintable(g.dialogs.report()));
    QCOMPARE(g.buffer.controllerVersion, QStringLiteral("QX-2"));
}

void TestLogCommands::saveThenOpenRoundTrip() {
    CommandFixture f;
    fillDownloadLike(f.buffer);
    f.buffer.comment = QStringLiteral("Pass 3, 1.2 bar");
    const QString p = f.path(QStringLiteral("rt.log"));
    f.dialogs.expectSaveFile(QStringLiteral("Save File"), CommandFixture::kFilter, p);
    save(f);
    DIALOGS_OK(f);

    CommandFixture g;
    g.dialogs.expectOpenFile(QStringLiteral("Open File"), CommandFixture::kFilter, p);
    OpenLogCommand(g.ctx).run();
    QVERIFY2(g.dialogs.ok(), qPrintable(g.dialogs.report()));
    for (int c = 0; c < kDataColumns; ++c) {
        QCOMPARE(g.buffer.column(static_cast<Column>(c)), f.buffer.column(static_cast<Column>(c)));
    }
    QCOMPARE(g.buffer.comment, f.buffer.comment);
    QCOMPARE(g.buffer.downloadDate, f.buffer.downloadDate);
    QCOMPARE(g.buffer.firmwareId, f.buffer.firmwareId);
    QCOMPARE(g.buffer.controllerVersion, QStringLiteral("QX-2"));
    QCOMPARE(g.buffer.logInterval, f.buffer.logInterval);
}

QTEST_GUILESS_MAIN(TestLogCommands)
#include "test_log_commands.moc"
