#include "app/command_line.h"

#include <QCommandLineParser>
#include <QDir>

#include "branding/about_text.h"

namespace tarvik {

namespace {
constexpr int kUsageError = 2;
}

CommandLine parseCommandLine(const QStringList& arguments, const QString& startFolder) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Tarvik: the companion of a progressive nitrous controller. It shows the "
                       "controller's live readings,\ndownloads its log, keeps data sets as .log "
                       "files, and charts and prints them."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this text and ends."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the program's revision and ends."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(
        QStringLiteral("file"),
        QStringLiteral("A log file to open at start, as File > Open File would."),
        QStringLiteral("[file]"));

    CommandLine result;
    const QString program = arguments.isEmpty() ? QStringLiteral("tarvik") : arguments.first();
    if (!parser.parse(arguments)) {
        result.run = false;
        result.exitCode = kUsageError;
        result.err = QStringLiteral("%1: %2\n\n").arg(QDir(program).dirName(), parser.errorText()) +
                     parser.helpText();
        return result;
    }
    if (parser.isSet(help)) {
        result.run = false;
        result.out = parser.helpText();
        return result;
    }
    if (parser.isSet(version)) {
        result.run = false;
        result.out = QStringLiteral("Tarvik %1\n").arg(kRevision);
        return result;
    }
    const QStringList files = parser.positionalArguments();
    if (!files.isEmpty()) {
        result.file = QDir::cleanPath(QDir(startFolder).absoluteFilePath(files.first()));
    }
    if (files.size() > 1) {
        result.err = QStringLiteral("%1: opening %2; ignored: %3\n")
                         .arg(QDir(program).dirName(), files.first(),
                              files.mid(1).join(QStringLiteral(", ")));
    }
    return result;
}

}  // namespace tarvik
