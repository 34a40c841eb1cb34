#include "app/shell_commands.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QUrl>

#include "app/help_window.h"
#include "branding/about_text.h"
#include "branding/branding.h"
#include "common/program_paths.h"
#include "core/user_dialogs.h"

namespace tarvik {

void showAbout(UserDialogs& dialogs, const Branding& branding) {
    dialogs.message(kAboutTitle, aboutText(branding.brandLines), MsgIcon::Information,
                    MsgButtons::Ok);
}

void showPrinterSetup(UserDialogs& dialogs, QPrinter& printer) {
    dialogs.printerSetup(printer, kPrinterSetupTitle);
}

void showHelpContents(UserDialogs& dialogs, const QString& helpFile, QWidget* owner,
                      QPointer<HelpWindow>& window) {
#ifdef Q_OS_WIN
    const QString compiled = programFile(kCompiledHelpFileName);
    if (QFileInfo(compiled).isFile() && QDesktopServices::openUrl(QUrl::fromLocalFile(compiled))) {
        return;
    }
#endif
    const QString crlf = QStringLiteral("\r\n");
    const QString shown = QDir::toNativeSeparators(QFileInfo(helpFile).absoluteFilePath());
    if (!QFileInfo(helpFile).isFile()) {
        dialogs.message(kHelpTitle,
                        QStringLiteral("The help file could not be found:") + crlf + shown,
                        MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    if (window.isNull()) {
        window = new HelpWindow(owner);
    }
    if (!window->openFile(helpFile)) {
        dialogs.message(kHelpTitle,
                        QStringLiteral("The help file could not be read:") + crlf + shown,
                        MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace tarvik
