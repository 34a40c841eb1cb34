#include "library/log_index.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <limits>
#include <memory>

#include "analysis/pass_report.h"
#include "library/pass_picture.h"
#include "logdata/dated_files.h"
#include "logdata/download_command.h"
#include "logdata/log_file_load.h"
#include "platform/regular_file.h"

namespace tarvik {

namespace {

QDateTime whenLogged(const QString& path, const DataBuffer& data, qint64 modifiedMs) {
    const QDateTime downloaded = parseDownloadDateText(data.downloadDate);
    if (downloaded.isValid()) {
        return downloaded;
    }
    // A recording cut short has no trailer, but its name holds the moment it began.
    DatedFile dated;
    if (dated_files::parse(QFileInfo(path).fileName(), QStringLiteral(".log"), dated)) {
        return dated.when;
    }
    return QDateTime::fromMSecsSinceEpoch(modifiedMs);
}

void takeFigures(const PassFigures& best, LibraryEntry& entry) {
    auto set = [&entry](Figure f, std::optional<double> v) {
        entry.figures[static_cast<std::size_t>(f)] = v;
    };
    set(Figure::Ft60, best.mark(Mark::Ft60));
    set(Figure::EighthMile, best.mark(Mark::EighthMile));
    set(Figure::QuarterMile, best.mark(Mark::QuarterMile));
    set(Figure::ZeroToSixty, best.zeroToSixty);
    set(Figure::PeakRpm, best.peakRpm);
    set(Figure::PeakMph, best.peakMph);
}

}  // namespace

FileStamp FileStamp::of(const QString& path) {
    const QFileInfo info(path);
    FileStamp stamp;
    stamp.exists = info.exists();
    stamp.regular = info.isFile();
    if (stamp.regular) {
        stamp.size = info.size();
        stamp.modifiedMs = info.lastModified().toMSecsSinceEpoch();
    }
    return stamp;
}

std::optional<QByteArray> fileSha256(const QString& path) {
    QFile file;
    if (!openRegularFile(file, path).ok()) {
        return std::nullopt;
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file) || file.error() != QFileDevice::NoError) {
        return std::nullopt;
    }
    return hash.result().toHex();
}

IndexedLog indexLogFile(const QString& path, PassKind kind) {
    const FileStamp before = FileStamp::of(path);
    // Fresh and zeroed, as the report reads it: rows a short file does not reach hold nothing
    // of another file.
    auto data = std::make_unique<DataBuffer>();
    const LogLoad load = loadLogFile(path, *data);
    if (!load.hasData()) {
        return {std::nullopt, load.reason};
    }
    const std::optional<QByteArray> sha = fileSha256(path);
    const FileStamp after = FileStamp::of(path);
    if (!sha || !after.regular) {
        return {std::nullopt, QStringLiteral("the file went while it was read")};
    }
    if (after.size != before.size || after.modifiedMs != before.modifiedMs) {
        return {std::nullopt, QStringLiteral("the file changed while it was read")};
    }

    LibraryEntry e;
    e.path = path;
    e.size = after.size;
    e.modifiedMs = after.modifiedMs;
    e.sha256 = *sha;
    e.kind = kind;
    e.when = whenLogged(path, *data, after.modifiedMs);
    e.model = data->controllerVersion;
    e.firmware = data->firmwareId;
    e.comment = data->comment;
    e.endedEarly = load.outcome == LogLoad::Outcome::EndedEarly;

    const std::vector<PassFigures> passes = findPasses(*data, LaunchEvent::CarMoves);
    e.launches = static_cast<int>(passes.size());
    int first = 1;
    int last = usedRows(*data);
    if (const std::optional<std::size_t> best = bestPass(passes)) {
        takeFigures(passes[*best], e);
        e.figureTexts = figureTexts(e);
        first = passes[*best].launchRow;
        last = passes[*best].endRow;
    }
    e.picture = encodePicture(picturePoints(*data, first, last));
    return {e, QString()};
}

std::array<QString, kFigureCount> figureTexts(const LibraryEntry& entry) {
    // A figure the library does not have is NaN or empty here, which the report prints as an
    // empty field.
    const double none = std::numeric_limits<double>::quiet_NaN();
    PassFigures p;
    p.marks[static_cast<std::size_t>(Mark::Ft60)] = entry.figure(Figure::Ft60);
    p.marks[static_cast<std::size_t>(Mark::EighthMile)] = entry.figure(Figure::EighthMile);
    p.marks[static_cast<std::size_t>(Mark::QuarterMile)] = entry.figure(Figure::QuarterMile);
    p.zeroToSixty = entry.figure(Figure::ZeroToSixty);
    p.peakRpm = entry.figure(Figure::PeakRpm).value_or(none);
    p.peakMph = entry.figure(Figure::PeakMph).value_or(none);
    const QStringList fields = passReportFields(p, 1);
    const QStringList& headings = passReportHeadings();
    std::array<QString, kFigureCount> texts;
    for (int f = 0; f < kFigureCount; ++f) {
        texts[static_cast<std::size_t>(f)] =
            fields.at(headings.indexOf(figureHeading(static_cast<Figure>(f))));
    }
    return texts;
}

}  // namespace tarvik
