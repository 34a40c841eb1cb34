#include "logdata/log_file_load.h"

#include <QFile>

#include "link/controller_model.h"
#include "logdata/log_file_reader.h"
#include "platform/regular_file.h"

namespace tarvik {

namespace {

LogLoad refused(const QString& reason) {
    return {LogLoad::Outcome::Refused, reason};
}

QString notText(LogFileReader::Content content) {
    switch (content) {
        case LogFileReader::Content::Utf16:
            return QStringLiteral("not a log file: its text is written in UTF-16");
        case LogFileReader::Content::Binary:
            return QStringLiteral("not a log file: it holds binary data");
        case LogFileReader::Content::Text:
            break;
    }
    return QStringLiteral("not a log file: it ends before its first sample");
}

}  // namespace

LogLoad loadLogFile(const QString& path, DataBuffer& data) {
    QFile file;
    const RegularFileResult opened = openRegularFile(file, path);
    if (!opened.ok()) {
        const QString kind = fileKindText(opened);
        return refused(opened.kind == FileKind::Folder || opened.kind == FileKind::Special
                           ? QStringLiteral("%1, not a log file").arg(kind)
                           : kind);
    }
    if (file.size() > LogLineSource::kMaxFileBytes) {
        return refused(QStringLiteral("not a log file: it is larger than any log file (%1 MB)")
                           .arg(LogLineSource::kMaxFileBytes / (1024 * 1024)));
    }
    LogFileReader reader(file);
    if (!reader.readHeader(data)) {
        return refused(notText(reader.content()));
    }
    LogLoad load{LogLoad::Outcome::Read, QString()};
    const bool samples = reader.readSamples(data);
    LogFileReader::repairElapsedTimes(data);
    if (!samples || !reader.readTrailer(data)) {
        load = {LogLoad::Outcome::EndedEarly,
                QStringLiteral("the file ends early: some data may be missing")};
    }
    data.controllerVersion = controllerModelName(controllerModelOf(data.firmwareId));
    data.bufferEmpty = false;
    return load;
}

}  // namespace tarvik
