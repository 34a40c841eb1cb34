// Renders the program's windows offscreen into PNG files, so they can be looked at without a
// display: tarvik-screenshots <folder>.
#include <QApplication>
#include <QDir>
#include <QTextStream>

#include "shots.h"

namespace tarvik::shots {

QString g_folder;

void save(QWidget& widget, const QString& name) {
    const QString path = QDir(g_folder).filePath(name + QStringLiteral(".png"));
    widget.grab().save(path);
    QTextStream(stdout) << path << '\n';
}

}  // namespace tarvik::shots

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // Absolute: loading the main window makes the program folder the current directory.
    tarvik::shots::g_folder =
        QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots"))
            .absolutePath();
    QDir().mkpath(tarvik::shots::g_folder);
    tarvik::shots::mainWindowShots();
    tarvik::shots::realtimeShots();
    tarvik::shots::chartShots();
    tarvik::shots::libraryShots();
    tarvik::shots::splashShots();
    tarvik::shots::printShots(tarvik::shots::g_folder);
    return 0;
}
