#include <QApplication>
#include <QDir>
#include <QTimer>
#include <cstdio>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

#include "app/command_line.h"
#include "app/frm_main.h"
#include "app/program_icon.h"
#include "app/report_command.h"
#include "branding/frm_splash.h"
#include "platform/qsettings_backing.h"
#include "platform/qt_user_dialogs.h"

namespace {

QStringList rawArguments(int argc, char* argv[]) {
    QStringList args;
    for (int i = 0; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    return args;
}

// Prints the command line's answers and notes; true when the program is to end.
bool answer(const tarvik::CommandLine& cl) {
#ifdef Q_OS_WIN
    // A windowed program has no console of its own: write to the one it was started from.
    const bool prints = !cl.out.isEmpty() || !cl.err.isEmpty() || !cl.reportFile.isEmpty();
    if (prints && AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stdout);
        std::freopen("CONOUT$", "w", stderr);
    }
#endif
    if (!cl.out.isEmpty()) {
        std::fputs(cl.out.toLocal8Bit().constData(), stdout);
    }
    if (!cl.err.isEmpty()) {
        std::fputs(cl.err.toLocal8Bit().constData(), stderr);
    }
    std::fflush(nullptr);
    return !cl.run;
}

}  // namespace

int main(int argc, char* argv[]) {
    // --help, --version and an unknown option are answered before any window system is
    // needed, so they work on a terminal without a display.
    const tarvik::CommandLine early = tarvik::parseCommandLine(
        tarvik::withoutQtOptions(rawArguments(argc, argv)), QDir::currentPath());
    if (answer(early)) {
        if (!early.reportFile.isEmpty()) {
            return tarvik::printPassReport(early.reportFile, QString::fromLocal8Bit(argv[0]),
                                           stdout, stderr);
        }
        return early.exitCode;
    }

    QApplication app(argc, argv);
    tarvik::applyProgramIcon();

    // Qt has taken its own options out by now, and decoded the rest as it sees fit. The file is
    // made absolute before the main window makes the program's folder the current one. Notes
    // were printed above.
    const tarvik::CommandLine cl =
        tarvik::parseCommandLine(QCoreApplication::arguments(), QDir::currentPath());

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
    if (!cl.file.isEmpty()) {
        // Once the window is up, as if the user had chosen File > Open File.
        QTimer::singleShot(0, &frmMain, [&frmMain, file = cl.file] { frmMain.openLogFile(file); });
    }
    return app.exec();
}
