#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#include "app/command_line.h"
#include "app/frm_main.h"
#include "app/program_icon.h"
#include "app/report_command.h"
#include "branding/frm_splash.h"
#include "platform/local_path.h"
#include "platform/qsettings_backing.h"
#include "platform/qt_user_dialogs.h"

namespace {

// Each argument with all its bytes: a file name that is not valid UTF-8 still names its file
// (QCoreApplication::arguments() would turn such bytes into U+FFFD).
QStringList rawArguments(int argc, char* argv[]) {
    QStringList args;
    for (int i = 0; i < argc; ++i) {
        args << tarvik::local_path::fromBytes(QByteArray(argv[i]));
    }
    return args;
}

// Writes all of `text` to `stream`; false when the stream refused part of it.
bool writeText(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    return bytes.isEmpty() ||
           std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream) ==
               static_cast<std::size_t>(bytes.size());
}

// Prints the command line's answers and notes; true when the program is to end, with the status
// in `exitCode`. An answer that cannot be written (a full disk, a closed terminal) is not given
// in silence: as GNU tools do, the program says so on the error stream and ends with status 1.
bool answer(const tarvik::CommandLine& cl, const char* program, int& exitCode) {
#ifdef Q_OS_WIN
    // A windowed program has no console of its own: write to the one it was started from.
    const bool prints = !cl.out.isEmpty() || !cl.err.isEmpty() || !cl.reportFile.isEmpty();
    if (prints && AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
#endif
    exitCode = cl.exitCode;
    errno = 0;
    bool written = writeText(stdout, cl.out);
    written = std::fflush(stdout) == 0 && written && std::ferror(stdout) == 0;
    const int outError = errno;
    writeText(stderr, cl.err);
    if (!written && !cl.out.isEmpty()) {
        std::fprintf(
            stderr, "%s: write error%s%s\n",
            QFileInfo(QString::fromLocal8Bit(program)).fileName().toLocal8Bit().constData(),
            outError != 0 ? ": " : "", outError != 0 ? std::strerror(outError) : "");
        exitCode = 1;
    }
    std::fflush(stderr);
    return !cl.run;
}

}  // namespace

int main(int argc, char* argv[]) {
    // --help, --version and an unknown option are answered before any window system is
    // needed, so they work on a terminal without a display.
    const tarvik::CommandLine early = tarvik::parseCommandLine(
        tarvik::withoutQtOptions(rawArguments(argc, argv)), QDir::currentPath());
    int exitCode = 0;
    if (answer(early, argc > 0 ? argv[0] : "tarvik", exitCode)) {
        if (!early.reportFile.isEmpty()) {
            return tarvik::printPassReport(early.reportFile, QString::fromLocal8Bit(argv[0]),
                                           stdout, stderr);
        }
        return exitCode;
    }

    QApplication app(argc, argv);
    tarvik::applyProgramIcon();

    // Qt has taken its own options out of argv by now. The file is made absolute before the
    // main window makes the program's folder the current one. Notes were printed above.
#ifdef Q_OS_WIN
    const QStringList arguments = QCoreApplication::arguments();  // Windows gives UTF-16
#else
    const QStringList arguments = rawArguments(argc, argv);
#endif
    const tarvik::CommandLine cl = tarvik::parseCommandLine(arguments, QDir::currentPath());

    tarvik::QtUserDialogs dialogs;
    tarvik::QSettingsBacking settings;

    // The splash reads the branding file and closes itself after four seconds; only then does
    // the main window load.
    tarvik::Branding branding;
    {
        tarvik::FrmSplash frmSplash(dialogs);
        frmSplash.Form_Load();
        frmSplash.exec();
        branding = frmSplash.branding();
    }

    tarvik::FrmMain frmMain({&dialogs, &settings, branding});
    dialogs.setOwner(&frmMain);
    frmMain.Form_Load();
    frmMain.show();
    // Once the window is up: anything to say about the pass library is said now, and it looks
    // at the files again in the background.
    QTimer::singleShot(0, &frmMain, [&frmMain] { frmMain.openPassLibrary(); });
    if (!cl.file.isEmpty()) {
        // Once the window is up, as if the user had chosen File > Open File.
        QTimer::singleShot(0, &frmMain, [&frmMain, file = cl.file] { frmMain.openLogFile(file); });
    }
    return app.exec();
}
