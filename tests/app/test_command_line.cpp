// The command line: what --help, --version, an unknown option and extra arguments do (parsed,
// and answered by the real program on its terminal), a log file named at start opened exactly
// as File > Open File opens it, and the program's icon on its windows.
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cerrno>
#include <cstring>

#include "app/command_line.h"
#include "app/frm_main.h"
#include "app/help_window.h"
#include "app/program_icon.h"
#include "branding/frm_splash.h"
#include "core/user_dialogs.h"
#include "logdata/data_buffer.h"
#include "logdata/log_file_writer.h"
#include "memory_settings.h"
#include "platform/qt_user_dialogs.h"

using namespace tarvik;

namespace {

const QString kProgram = QStringLiteral(TARVIK_PROGRAM);

// Answers every box with its safe way out and records what was shown; the open-file dialog
// answers with `openPath` once (as a user choosing that file would), then is cancelled.
class RecordingDialogs final : public UserDialogs {
public:
    QStringList shown;
    QString openPath;

    MsgResult message(const QString& title, const QString& text, MsgIcon icon,
                      MsgButtons buttons) override {
        shown << QStringLiteral("message|%1|%2|%3|%4")
                     .arg(title, text)
                     .arg(static_cast<int>(icon))
                     .arg(static_cast<int>(buttons));
        switch (buttons) {
            case MsgButtons::Ok:
                return MsgResult::Ok;
            case MsgButtons::AbortRetryIgnore:
                return MsgResult::Abort;
            case MsgButtons::YesNo:
                return MsgResult::No;
            default:
                return MsgResult::Cancel;
        }
    }
    QString inputBox(const QString& prompt, const QString&, const QString&) override {
        shown << QStringLiteral("input|") + prompt;
        return QString();
    }
    QString openFileName(const QString& title, const QString& filter) override {
        shown << QStringLiteral("open dialog|%1|%2").arg(title, filter);
        return std::exchange(openPath, QString());
    }
    QString saveFileName(const QString& title, const QString&) override {
        shown << QStringLiteral("save dialog|") + title;
        return QString();
    }
    bool printerSetup(QPrinter&, const QString&) override { return false; }
};

// The main window with its chart window closed as soon as it appears.
struct Window {
    RecordingDialogs dialogs;
    test::MemorySettings store;
    std::unique_ptr<FrmMain> w;
    QTimer closer;
    int charts = 0;

    Window() {
        w = std::make_unique<FrmMain>(MainWindowServices{&dialogs, &store, Branding::defaults()});
        w->setExitAction([] {});
        w->Form_Load();
        closer.setInterval(5);
        QObject::connect(&closer, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ++charts;
                modal->close();
            }
        });
        closer.start();
    }
};

struct Outcome {
    QStringList shown;
    QString caption;
    bool loaded = false;
    int charts = 0;
    float firstRpm = 0;
};

QByteArray sampleLog() {
    DataBuffer b;
    for (int row = 1; row <= kDataRows; ++row) {
        b.column(Column::ElapsedTime)[row - 1] = static_cast<float>(row) * 0.112f;
        b.column(Column::RPM)[row - 1] = static_cast<float>(1000 + row);
    }
    b.firmwareId = QStringLiteral("QX-2 v1.4");
    b.downloadDate = QStringLiteral("12/08/2026 10:00:00");
    QByteArray out;
    QBuffer dev(&out);
    dev.open(QIODevice::WriteOnly);
    LogFileWriter(dev).writeAll(b, QStringLiteral("Orvenna"));
    return out;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

struct Run {
    QProcess p;
    int code = -1;
    QString out, err;
};

void runProgram(Run& r, const QStringList& args, int waitMs = 20000) {
    r.p.setProgram(kProgram);
    r.p.setArguments(args);
    r.p.start();
    QVERIFY2(r.p.waitForStarted(), qPrintable(r.p.errorString()));
    QVERIFY2(r.p.waitForFinished(waitMs), "the program did not end");
    r.code = r.p.exitStatus() == QProcess::NormalExit ? r.p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(r.p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(r.p.readAllStandardError());
}

}  // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void parse_data();
    void parse();
    void qtOptionsAreQts_data();
    void qtOptionsAreQts();
    void helpAndVersionAnswerOnTheTerminal_data();
    void helpAndVersionAnswerOnTheTerminal();
    void unknownOptionEndsWithUsage();
    void answerThatCannotBeWrittenFails_data();
    void answerThatCannotBeWrittenFails();
    void extraFilesAreIgnoredWithANote();
    void fileAtStartOpensAsFileOpenDoes_data();
    void fileAtStartOpensAsFileOpenDoes();
    void windowsCarryTheProgramIcon();

private:
    QTemporaryDir dir_;
};

void TestCommandLine::initTestCase() {
    QVERIFY(dir_.isValid());
    QVERIFY2(QFileInfo(kProgram).isExecutable(), qPrintable(kProgram));
}

void TestCommandLine::parse_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("run");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    const QString usage = QStringLiteral("Usage: ");
    QTest::newRow("nothing") << QStringList{} << true << 0 << QString() << QString() << QString();
    QTest::newRow("--help") << QStringList{"--help"} << false << 0 << QString() << usage
                            << QString();
    QTest::newRow("-h") << QStringList{"-h"} << false << 0 << QString() << usage << QString();
    QTest::newRow("--version") << QStringList{"--version"} << false << 0 << QString()
                               << QStringLiteral("Tarvik 2.01\n") << QString();
    QTest::newRow("-v") << QStringList{"-v"} << false << 0 << QString()
                        << QStringLiteral("Tarvik 2.01\n") << QString();
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << false << 2 << QString()
                                    << QString() << QStringLiteral("Unknown option 'frobnicate'.");
    QTest::newRow("relative file")
        << QStringList{"runs/a.log"} << true << 0 << QStringLiteral("/start/here/runs/a.log")
        << QString() << QString();
    QTest::newRow("absolute file") << QStringList{"/data/b.log"} << true << 0
                                   << QStringLiteral("/data/b.log") << QString() << QString();
    QTest::newRow("spaces and accents")
        << QStringList{QStringLiteral("Pässe am Ring/lauf 1.log")} << true << 0
        << QStringLiteral("/start/here/Pässe am Ring/lauf 1.log") << QString() << QString();
    QTest::newRow("two files") << QStringList{"a.log", "b.log", "c.log"} << true << 0
                               << QStringLiteral("/start/here/a.log") << QString()
                               << QStringLiteral("tarvik: opening a.log; ignored: b.log, c.log\n");
    QTest::newRow("a file named like an option, after --")
        << QStringList{"--", "-odd.log"} << true << 0 << QStringLiteral("/start/here/-odd.log")
        << QString() << QString();
}

void TestCommandLine::parse() {
    QFETCH(QStringList, args);
    QFETCH(bool, run);
    QFETCH(int, exitCode);
    QFETCH(QString, file);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const CommandLine cl = parseCommandLine(QStringList{QStringLiteral("/usr/bin/tarvik")} + args,
                                            QStringLiteral("/start/here"));
    QCOMPARE(cl.run, run);
    QCOMPARE(cl.exitCode, exitCode);
    QCOMPARE(cl.file, file);
    if (out.isEmpty()) {
        QVERIFY2(cl.out.isEmpty(), qPrintable(cl.out));
    } else {
        QVERIFY2(cl.out.contains(out), qPrintable(cl.out));
    }
    if (err.isEmpty()) {
        QVERIFY2(cl.err.isEmpty(), qPrintable(cl.err));
    } else {
        QVERIFY2(cl.err.contains(err), qPrintable(cl.err));
    }
}

void TestCommandLine::qtOptionsAreQts_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("kept");
    QTest::newRow("none") << QStringList{"a.log"} << QStringList{"a.log"};
    QTest::newRow("-platform value")
        << QStringList{"-platform", "offscreen", "a.log"} << QStringList{"a.log"};
    QTest::newRow("--style=value and a flag")
        << QStringList{"--style=Fusion", "-reverse", "-v"} << QStringList{"-v"};
    QTest::newRow("unknown stays")
        << QStringList{"--frobnicate", "-style", "x"} << QStringList{"--frobnicate"};
    QTest::newRow("after --") << QStringList{"--", "-style", "x"}
                              << QStringList{"--", "-style", "x"};
}

void TestCommandLine::qtOptionsAreQts() {
    QFETCH(QStringList, args);
    QFETCH(QStringList, kept);
    const QString program = QStringLiteral("tarvik");
    QCOMPARE(withoutQtOptions(QStringList{program} + args), QStringList{program} + kept);
}

void TestCommandLine::helpAndVersionAnswerOnTheTerminal_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("expected");
    QTest::newRow("help") << QStringLiteral("--help")
                          << QStringLiteral("Usage: tarvik [options] [file]");
    QTest::newRow("version") << QStringLiteral("--version") << QStringLiteral("Tarvik 2.01\n");
}

void TestCommandLine::helpAndVersionAnswerOnTheTerminal() {
    QFETCH(QString, option);
    QFETCH(QString, expected);
    Run r;
    // No display at all: the answer must not need one.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    r.p.setProcessEnvironment(env);
    runProgram(r, {option});
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.contains(expected), qPrintable(r.out));
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
}

void TestCommandLine::answerThatCannotBeWrittenFails_data() {
    QTest::addColumn<QString>("option");
    QTest::newRow("help") << QStringLiteral("--help");
    QTest::newRow("version") << QStringLiteral("--version");
}

void TestCommandLine::answerThatCannotBeWrittenFails() {
    // The answer goes to a full disk: as GNU tools do, the program says so and ends with 1.
    QFETCH(QString, option);
    Run r;
    r.p.setStandardOutputFile(QStringLiteral("/dev/full"));
    runProgram(r, {option});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(QStringLiteral("tarvik: write error: ") +
                            QString::fromLocal8Bit(std::strerror(ENOSPC))),
             qPrintable(r.err));
}

void TestCommandLine::unknownOptionEndsWithUsage() {
    Run r;
    // Answered without a window system.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("DISPLAY"));
    r.p.setProcessEnvironment(env);
    runProgram(r, {QStringLiteral("--frobnicate"), QStringLiteral("x.log")});
    QCOMPARE(r.code, 2);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.contains(QStringLiteral("Unknown option 'frobnicate'.")), qPrintable(r.err));
    QVERIFY2(r.err.contains(QStringLiteral("Usage: ")), qPrintable(r.err));
    // Qt's own options are Qt's: they are not unknown to the program.
    Run q;
    runProgram(q, {QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("-v")});
    QCOMPARE(q.code, 0);
}

void TestCommandLine::extraFilesAreIgnoredWithANote() {
    // The program starts (splash, main window) and says which arguments it left alone.
    QProcess p;
    p.setProgram(kProgram);
    p.setArguments({dir_.filePath(QStringLiteral("none.log")), QStringLiteral("second.log")});
    p.start();
    QVERIFY(p.waitForStarted());
    QByteArray err;
    QTRY_VERIFY_WITH_TIMEOUT((err += p.readAllStandardError()).contains("ignored"), 10000);
    QVERIFY2(err.contains("ignored: second.log"), err.constData());
    QCOMPARE(p.state(), QProcess::Running);
    p.kill();
    p.waitForFinished();
}

void TestCommandLine::fileAtStartOpensAsFileOpenDoes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");  // "<none>" for no file, "<folder>" for a folder
    QTest::addColumn<bool>("loads");
    const QByteArray log = sampleLog();
    QTest::newRow("a log file") << QStringLiteral("run1.log") << log << true;
    QTest::newRow("spaces and non-ASCII letters")
        << QStringLiteral("Lauf Nür 3 – Ölwechsel.log") << log << true;
    QTest::newRow("missing") << QStringLiteral("gone.log") << QByteArray("<none>") << false;
    QTest::newRow("a folder") << QStringLiteral("a folder.log") << QByteArray("<folder>") << false;
    QTest::newRow("not a log file")
        << QStringLiteral("notes.log") << QByteArray("shopping list\r\nmilk\r\n") << false;
    QTest::newRow("empty") << QStringLiteral("empty.log") << QByteArray() << false;
    QTest::newRow("cut short") << QStringLiteral("short.log") << log.left(log.size() / 3) << true;
}

void TestCommandLine::fileAtStartOpensAsFileOpenDoes() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, loads);
    const QString path =
        dir_.filePath(QString(QTest::currentDataTag()).replace(u' ', u'_')) + u'/' + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (content == "<folder>") {
        QVERIFY(QDir().mkpath(path));
    } else if (content != "<none>") {
        writeFile(path, content);
    }

    auto outcome = [](Window& win) {
        QTest::qWait(50);
        return Outcome{win.dialogs.shown, win.w->windowTitle(), !win.w->dataBuffer().bufferEmpty,
                       win.charts, win.w->dataBuffer().column(Column::RPM)[0]};
    };
    // The user chooses the file in File > Open File...
    Window byMenu;
    byMenu.dialogs.openPath = path;
    byMenu.w->findChild<QAction*>(QStringLiteral("mnuOpenFile"))->trigger();
    const Outcome menu = outcome(byMenu);
    byMenu.closer.stop();  // the next chart window is the other window's to count
    // ...and the same file is named on the command line.
    Window atStart;
    atStart.w->openLogFile(path);
    const Outcome start = outcome(atStart);

    // The menu's run showed the dialog first; everything after it is the same.
    QVERIFY(!menu.shown.isEmpty());
    QVERIFY(menu.shown.first().startsWith(QStringLiteral("open dialog|Open File|")));
    QCOMPARE(start.shown, menu.shown.mid(1));
    QCOMPARE(start.caption, menu.caption);
    QCOMPARE(start.loaded, loads);
    QCOMPARE(menu.loaded, loads);
    QCOMPARE(start.charts, loads ? 1 : 0);
    QCOMPARE(start.charts, menu.charts);
    QCOMPARE(start.firstRpm, menu.firstRpm);
    if (loads) {
        QCOMPARE(start.caption, FrmMain::kDesignedCaption + QStringLiteral(" - ") + name);
        QCOMPARE(start.firstRpm, 1001.0f);
    } else {
        QVERIFY2(!start.shown.isEmpty(), "a file that cannot be opened was not reported");
    }
    if (content == "<none>") {
        // "File not found." with Retry/Cancel; Cancel then leads to the command's error box.
        QVERIFY2(start.shown.first().contains(path + QStringLiteral("\r\nFile not found.")),
                 qPrintable(start.shown.join(u'\n')));
        QVERIFY(start.shown.join(u'\n').contains(QStringLiteral("Canceled File Open")));
    }
    // The window stays usable: the next Open File asks about the loaded data set, or shows
    // the dialog when there is none.
    atStart.dialogs.shown.clear();
    atStart.w->findChild<QAction*>(QStringLiteral("mnuOpenFile"))->trigger();
    QVERIFY(!atStart.dialogs.shown.isEmpty());
    QVERIFY2(atStart.dialogs.shown.first().startsWith(
                 loads ? QStringLiteral("message|Open Log File|Data buffer not empty.")
                       : QStringLiteral("open dialog|Open File|")),
             qPrintable(atStart.dialogs.shown.join(u'\n')));
}

void TestCommandLine::windowsCarryTheProgramIcon() {
    applyProgramIcon();
    const QIcon app = QApplication::windowIcon();
    for (int size : {48, 128, 256}) {
        QVERIFY2(app.availableSizes().contains(QSize(size, size)),
                 qPrintable(QString::number(size)));
        QVERIFY(!app.pixmap(size).isNull());
    }
    QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("org.tarvik.Tarvik"));

    RecordingDialogs dialogs;
    test::MemorySettings store;
    FrmMain main(MainWindowServices{&dialogs, &store, Branding::defaults()});
    main.setExitAction([] {});
    FrmSplash splash(dialogs, dir_.path());
    HelpWindow help;
    const auto box = QtUserDialogs::makeMessageBox(QStringLiteral("t"), QStringLiteral("x"),
                                                   MsgIcon::Information, MsgButtons::Ok, &main);
    for (QWidget* w : std::initializer_list<QWidget*>{&main, &splash, &help, box.get()}) {
        QCOMPARE(w->windowIcon().cacheKey(), app.cacheKey());
    }
}

QTEST_MAIN(TestCommandLine)
#include "test_command_line.moc"
