#include "app/program_icon.h"

#include <QApplication>

namespace tarvik {

QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/org.tarvik.Tarvik-%1.png").arg(size),
                     QSize(size, size));
    }
    return icon;
}

void applyProgramIcon() {
    // A window without an icon of its own takes the application's, message boxes included.
    QApplication::setWindowIcon(programIcon());
    QGuiApplication::setDesktopFileName(kApplicationId);
}

}  // namespace tarvik
