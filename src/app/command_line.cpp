#include "app/command_line.h"

#include <QCommandLineParser>
#include <QDir>

#include "branding/about_text.h"

namespace tarvik {

namespace {
constexpr int kUsageError = 2;

QString usage(const QCommandLineParser& parser, const QString& program) {
    // Before QApplication exists Qt does not know the program's name.
    QString text = parser.helpText();
    text.replace(QStringLiteral("<executable_name>"), QDir(program).dirName());
    return text;
}
}  // namespace

QStringList withoutQtOptions(const QStringList& arguments) {
    static const QStringList withValue{
        QStringLiteral("platform"),        QStringLiteral("platformpluginpath"),
        QStringLiteral("platformtheme"),   QStringLiteral("plugin"),
        QStringLiteral("qwindowgeometry"), QStringLiteral("qwindowicon"),
        QStringLiteral("qwindowtitle"),    QStringLiteral("style"),
        QStringLiteral("stylesheet"),      QStringLiteral("session"),
        QStringLiteral("display"),         QStringLiteral("geometry"),
        QStringLiteral("title"),           QStringLiteral("name"),
        QStringLiteral("visual")};
    static const QStringList flags{QStringLiteral("reverse"), QStringLiteral("widgetcount"),
                                   QStringLiteral("nograb"), QStringLiteral("dograb"),
                                   QStringLiteral("sync")};
    QStringList kept;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (i == 0 || optionsEnded || !a.startsWith(u'-') || a == QLatin1String("-")) {
            kept << a;
            continue;
        }
        if (a == QLatin1String("--")) {
            optionsEnded = true;
            kept << a;
            continue;
        }
        QString name = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1);
        const bool inlineValue = name.contains(u'=');
        name = name.section(u'=', 0, 0);
        if (withValue.contains(name)) {
            if (!inlineValue) {
                ++i;  // its value
            }
            continue;
        }
        if (!flags.contains(name)) {
            kept << a;
        }
    }
    return kept;
}

CommandLine parseCommandLine(const QStringList& arguments, const QString& startFolder) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Tarvik: the companion of a progressive nitrous controller. It shows the\n"
        "controller's live readings, downloads its log, keeps data sets as .log files,\n"
        "and charts and prints them."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this text and ends."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Shows the program's revision and ends."));
    const QCommandLineOption report(
        {QStringLiteral("report")},
        QStringLiteral("Prints the pass report of a log file as CSV (a line per launch: 60 ft, "
                       "1/8 and 1/4 mile times and speeds, 0-60 mph, peaks) and ends."),
        QStringLiteral("file"));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(report);
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
                     usage(parser, program);
        return result;
    }
    if (parser.isSet(help)) {
        result.run = false;
        result.out = usage(parser, program);
        return result;
    }
    if (parser.isSet(version)) {
        result.run = false;
        result.out = QStringLiteral("Tarvik %1\n").arg(kRevision);
        return result;
    }
    const QStringList files = parser.positionalArguments();
    if (parser.isSet(report)) {
        result.run = false;
        result.reportFile = parser.value(report);
        if (!files.isEmpty()) {
            result.err = QStringLiteral("%1: reporting %2; ignored: %3\n")
                             .arg(QDir(program).dirName(), result.reportFile,
                                  files.join(QStringLiteral(", ")));
        }
        return result;
    }
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
