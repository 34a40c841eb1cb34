#include "app/report_command.h"

#include <QDir>
#include <cerrno>
#include <cstring>
#include <memory>

#include "analysis/pass_report.h"
#include "logdata/log_file_load.h"

namespace tarvik {

namespace {

void note(std::FILE* err, const QString& program, const QString& path, const QString& text) {
    const QString line = QStringLiteral("%1: %2: %3\n").arg(program, path, text);
    std::fputs(line.toLocal8Bit().constData(), err);
}

}  // namespace

int printPassReport(const QString& path, const QString& program, std::FILE* out, std::FILE* err) {
    const QString name = QDir(program).dirName();
    auto data = std::make_unique<DataBuffer>();
    const LogLoad load = loadLogFile(path, *data);
    if (!load.hasData()) {
        note(err, name, path, load.reason);
        return 1;
    }
    if (load.outcome == LogLoad::Outcome::EndedEarly) {
        note(err, name, path, load.reason);
    }
    const std::vector<PassFigures> passes = findPasses(*data, LaunchEvent::CarMoves);
    const QByteArray csv = passReportCsv(passes).toLatin1();
    errno = 0;
    const bool written = std::fwrite(csv.constData(), 1, static_cast<std::size_t>(csv.size()),
                                     out) == static_cast<std::size_t>(csv.size()) &&
                         std::fflush(out) == 0 && !std::ferror(out);
    if (!written) {
        const int cause = errno;
        std::fputs(QStringLiteral("%1: cannot write the report: %2\n")
                       .arg(name, QString::fromLocal8Bit(std::strerror(cause != 0 ? cause : EIO)))
                       .toLocal8Bit()
                       .constData(),
                   err);
        return 1;
    }
    if (passes.empty()) {
        note(err, name, path,
             QStringLiteral("no launch found (the car never moved off from standing and reached "
                            "60 mph within 10 s)"));
    }
    return 0;
}

}  // namespace tarvik
