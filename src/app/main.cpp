#include <QApplication>

#include "app/frm_main.h"
#include "branding/frm_splash.h"
#include "platform/qsettings_backing.h"
#include "platform/qt_user_dialogs.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tarvik"));
    QCoreApplication::setApplicationName(QStringLiteral("Tarvik"));

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
    return app.exec();
}
