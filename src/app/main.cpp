#include <QApplication>

#include "app/frm_main.h"
#include "platform/qsettings_backing.h"
#include "platform/qt_user_dialogs.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tarvik"));
    QCoreApplication::setApplicationName(QStringLiteral("Tarvik"));

    tarvik::QtUserDialogs dialogs;
    tarvik::QSettingsBacking settings;
    tarvik::FrmMain frmMain({&dialogs, &settings, tarvik::Branding::defaults()});
    dialogs.setOwner(&frmMain);
    frmMain.Form_Load();
    frmMain.show();
    return app.exec();
}
