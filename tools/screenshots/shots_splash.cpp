#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include "../../tests/support/memory_settings.h"
#include "branding/frm_splash.h"
#include "common/program_paths.h"
#include "platform/qt_user_dialogs.h"
#include "realtime/frm_display_options.h"
#include "realtime/real_time_panel.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "shots.h"

namespace tarvik::shots {

namespace {

void shootSplash(FrmSplash& splash, const QString& name) {
    splash.show();
    splash.tmrSplashUnload().stop();  // the picture, not the four seconds
    QApplication::processEvents();
    save(splash, name);
    splash.hide();
}

}  // namespace

void displayOptionsShots();

void splashShots() {
    QtUserDialogs dialogs;
    {
        // As shipped: the branding file and logo beside the program.
        FrmSplash splash(dialogs);
        splash.Form_Load();
        shootSplash(splash, QStringLiteral("splash"));
    }
    {
        // A dealer's own branding: a long name in a small italic font, no logo.
        QTemporaryDir dir;
        QFile cfg(QDir(dir.path()).filePath(QStringLiteral("Tarvik.cfg")));
        if (cfg.open(QIODevice::WriteOnly)) {
            cfg.write(
                "! dealer branding\nHighline Motorsport Distribution\nTimes New Roman\n"
                "40\nItalic\nnull\n!\nHighline\n");
            cfg.close();
        }
        FrmSplash splash(dialogs, dir.path());
        splash.Form_Load();
        shootSplash(splash, QStringLiteral("splash_dealer_no_logo"));
    }
    displayOptionsShots();
}

void displayOptionsShots() {
    QtUserDialogs dialogs;
    test::MemorySettings backing;
    SettingsStore store(backing);
    RealTimePanel panel;
    Settings settings;
    settings.tachRedline = 6500;
    settings.tachMax = 10000;
    settings.speedoRedline = 85;
    settings.speedoMax = 140;
    settings.tpsPercentDisplay = true;
    settings.input1AnalogDisplay = false;
    settings.input2AnalogDisplay = true;
    FrmDisplayOptions dlg(DisplayOptionsServices{settings, store, panel, dialogs});
    dlg.show();
    QApplication::processEvents();
    save(dlg, QStringLiteral("display_options"));
}

}  // namespace tarvik::shots
