// A second copy of the program as far as the pass library goes: opens the library of a data
// folder and says what it found, one "key=value" line each, so a test can watch another
// process (or another user) use the same library.
//
// usage: library_probe <data folder> [--hold]
// With --hold it keeps the library open until its standard input ends.
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>
#include <iostream>
#include <string>

#include "core/app_error.h"
#include "library/library_database.h"

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fputs("usage: library_probe <data folder> [--hold]\n", stderr);
        return 2;
    }
    tarvik::LibraryDatabase db(args.at(1));
    const tarvik::LibraryOpening opening = db.open();
    QTextStream out(stdout);
    out << "access=" << static_cast<int>(opening.access) << '\n';
    out << "fresh=" << (opening.fresh ? 1 : 0) << '\n';
    out << "notice="
        << QString(opening.notice).replace(QStringLiteral("\r\n"), QStringLiteral(" | ")) << '\n';
    try {
        out << "rows=" << db.loadEntries().size() << '\n';
    } catch (const tarvik::AppError& e) {
        out << "rows=error " << e.description() << '\n';
    }
    if (args.contains(QStringLiteral("--hold"))) {
        out << "holding" << Qt::endl;
        std::string line;
        std::getline(std::cin, line);
    }
    out.flush();
    return 0;
}
