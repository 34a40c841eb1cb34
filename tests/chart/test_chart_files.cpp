// The chart window's files that are not what they should be: a compared "log" that is a pipe,
// a device, a folder or no text (said as File > Open File says it, never hanging), and a disk
// that fills up under Save Picture and Export Window (the cause named, the old file kept, no
// hidden file named or left behind).
#include <sys/resource.h>
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "../logdata/command_fixture.h"
#include "chart/chart_analysis.h"
#include "chart/chart_export.h"
#include "chart/compare_overlay.h"
#include "chart_harness.h"
#include "logdata/log_data_host.h"
#include "logdata/open_log_command.h"
#include "watchdog.h"

using namespace tarvik;
using test::Harness;

namespace {

#define DIALOGS_OK(h) QVERIFY2((h).dialogs.ok(), qPrintable((h).dialogs.report()))

const QString kPictureFilter =
    QStringLiteral("PNG picture (*.png)|*.png|SVG drawing (*.svg)|*.svg");
const QString kCsvFilter = QStringLiteral("CSV files (*.csv)|*.csv");

// Dialogs that answer every box with OK and remember what they showed.
class RecordingDialogs final : public UserDialogs {
public:
    struct Box {
        QString title;
        QString text;
        MsgIcon icon;
        MsgButtons buttons;
    };
    QList<Box> boxes;
    MsgResult message(const QString& title, const QString& text, MsgIcon icon,
                      MsgButtons buttons) override {
        boxes.append({title, text, icon, buttons});
        return MsgResult::Ok;
    }
    QString inputBox(const QString&, const QString&, const QString&) override { return {}; }
    QString openFileName(const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&) override { return {}; }
    bool printerSetup(QPrinter&, const QString&) override { return false; }
};

// What File > Open File says about the file, box by box.
QList<RecordingDialogs::Box> openFileSays(const QString& path) {
    test::CommandFixture f;
    RecordingDialogs dialogs;
    test::CommandFixture::Host host(f, dialogs);
    OpenLogCommand(host).openPath(path);
    return dialogs.boxes;
}

// Runs `body` while the process may write files of at most `bytes`: past that, a write fails as
// on a full disk ("File too large").
void withFileSizeLimit(rlim_t bytes, const std::function<void()>& body) {
    rlimit before{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = bytes;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    body();
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldSignal);
}

}  // namespace

class TestChartFiles : public QObject {
    Q_OBJECT

private slots:
    void comparedNotALog_data();
    void comparedNotALog();
    void fullDiskNamesTheCause_data();
    void fullDiskNamesTheCause();
    void writeFullyOnAFullDevice_data();
    void writeFullyOnAFullDevice();
};

void TestChartFiles::comparedNotALog_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("named pipe") << "fifo";
    QTest::newRow("device") << "/dev/zero";
    QTest::newRow("folder") << "folder";
    QTest::newRow("UTF-16 text") << "utf16";
    QTest::newRow("binary") << "binary";
    QTest::newRow("text past the bound") << "large";
}

void TestChartFiles::comparedNotALog() {
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("other.log"));
    if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind.startsWith(u'/')) {
        path = kind;
    } else if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(path));
    } else {
        QByteArray bytes;
        if (kind == QLatin1String("utf16")) {
            bytes = QByteArray("\xFF\xFE", 2);
            for (const char c : QByteArray("\"Data Logging Interval\"\r\n")) {
                bytes += c;
                bytes += '\0';
            }
        } else if (kind == QLatin1String("binary")) {
            bytes = QByteArray(5000, '\0');
        } else {
            bytes = QByteArray(5 * 1024 * 1024, 'x');
        }
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), bytes.size());
    }
    // Open File's words for it, which the comparison must say too, under its own title.
    const QList<RecordingDialogs::Box> said = openFileSays(path);
    QVERIFY(!said.isEmpty());
    Harness h;
    h.open();
    h.dialogs.expectOpenFile(ChartAnalysis::kCompareTitle, kLogFileFilter, path);
    for (const RecordingDialogs::Box& b : said) {
        QCOMPARE(b.title, OpenLogCommand::kTitle);
        h.dialogs.expectMessage(ChartAnalysis::kCompareTitle, b.text, b.icon, b.buttons,
                                MsgResult::Ok);
    }
    {
        test::Watchdog dog("comparing with " + kind.toStdString(), std::chrono::seconds(10));
        h.triggerMenu("cmdCompareWith");
    }
    DIALOGS_OK(h);
    QVERIFY(!h.window->analysis().comparison().shown());
    QCOMPARE(h.window->analysis().note(),
             QStringLiteral("Not compared: %1 could not be read in full.")
                 .arg(QFileInfo(path).fileName()));
}

void TestChartFiles::fullDiskNamesTheCause_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("name");
    QTest::newRow("PNG picture") << "cmdSavePicture"
                                 << "pass.png";
    QTest::newRow("SVG picture") << "cmdSavePicture"
                                 << "pass.svg";
    QTest::newRow("window as CSV") << "cmdExportWindow"
                                   << "pass.csv";
}

void TestChartFiles::fullDiskNamesTheCause() {
    QFETCH(QString, command);
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("what was saved before");
    }
    Harness h;
    h.open();
    h.triggerMenu("cmdGoToLaunch");
    const bool picture = command == QLatin1String("cmdSavePicture");
    h.dialogs.expectSaveFile(QLatin1String(picture ? "Save Picture" : "Export Window"),
                             picture ? kPictureFilter : kCsvFilter, path);
    h.dialogs.expectMessage(QStringLiteral("File Save"),
                            path + QStringLiteral("\r\nThis file already exists.\r\n\r\nReplace "
                                                  "existing file?"),
                            MsgIcon::Exclamation, MsgButtons::YesNoCancel, MsgResult::Yes);
    // The cause in the system's words, after the name the user gave.
    h.dialogs.expectErrorBox(QStringLiteral("Cannot write %1: %2")
                                 .arg(path, QString::fromLocal8Bit(std::strerror(EFBIG))),
                             MsgResult::Abort);
    withFileSizeLimit(2000, [&] { h.triggerMenu(command.toLatin1().constData()); });
    DIALOGS_OK(h);
    QFile kept(path);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("what was saved before"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
    QVERIFY(h.window->analysis().note().startsWith(QStringLiteral("Launch 1 of 2")));
}

void TestChartFiles::writeFullyOnAFullDevice_data() {
    QTest::addColumn<int>("size");
    QTest::newRow("held in the buffer") << 1000;
    QTest::newRow("past the buffer") << 200000;
}

void TestChartFiles::writeFullyOnAFullDevice() {
    // /dev/full refuses every byte as a full disk does.
    QFETCH(int, size);
    QFile full(QStringLiteral("/dev/full"));
    if (!full.open(QIODevice::WriteOnly)) {
        QSKIP("no /dev/full here");
    }
    QCOMPARE(writeFully(full, QByteArray(size, 'x')),
             QString::fromLocal8Bit(std::strerror(ENOSPC)));
    // And a file that takes it all says nothing.
    QTemporaryDir dir;
    QSaveFile file(dir.filePath(QStringLiteral("fine.bin")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(writeFully(file, QByteArray(size, 'x')), QString());
    QVERIFY(file.commit());
    QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("fine.bin"))).size(), size);
}

QTEST_MAIN(TestChartFiles)
#include "test_chart_files.moc"
