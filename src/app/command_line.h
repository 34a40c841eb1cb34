#pragma once

#include <QString>
#include <QStringList>

namespace tarvik {

/// What the command line asks for. No option changes how the program behaves: it can only ask
/// for the usage text, the revision, a log file's pass report, or a log file to open once the
/// main window is up.
struct CommandLine {
    /// Start the program, or answer on the terminal and end with `exitCode`.
    bool run = true;
    int exitCode = 0;
    /// The log file to open at start, made absolute against the folder the program was started
    /// from (start-up changes the current folder); "" for none.
    QString file;
    /// `--report FILE`: the log file whose pass report to print instead of starting, as given.
    QString reportFile;
    /// For the terminal: `out` for what was asked (usage, revision), `err` for problems and
    /// notes (an unknown option with the usage, arguments that were ignored).
    QString out;
    QString err;
};

/// Reads the arguments (the program's name first, as QCoreApplication::arguments gives them).
/// --help/-h: the usage text, exit 0. --version/-v: "Tarvik <revision>", exit 0. --report FILE:
/// not run, `reportFile` set (the caller prints the report). An unknown
/// option: the problem and the usage text on the error stream, exit 2. A first argument that
/// is not an option is the log file to open; further ones are ignored with a note.
CommandLine parseCommandLine(const QStringList& arguments, const QString& startFolder);

/// The arguments without the options Qt takes for itself (-platform offscreen, -style Fusion,
/// -reverse...), as QApplication will remove them: lets the command line be judged before
/// there is a window system to connect to.
QStringList withoutQtOptions(const QStringList& arguments);

}  // namespace tarvik
