#include <QApplication>
#include <QMenuBar>

#include "app/frm_main.h"
#include "shots.h"
#include "platform/qt_user_dialogs.h"
#include "../../tests/support/memory_settings.h"

namespace tarvik::shots {

void mainWindowShots() {
    QtUserDialogs dialogs;
    test::MemorySettings settings;
    FrmMain w({&dialogs, &settings, Branding::defaults()});
    w.Form_Load();
    w.mnuPortSetup_Click();
    w.resize(980, 640);
    w.show();
    QApplication::processEvents();
    save(w, QStringLiteral("main_window"));
}

}  // namespace tarvik::shots
