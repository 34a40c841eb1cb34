#pragma once

#include <QString>

namespace tarvik {

/// Fixed texts of the ".log" file.
namespace log_format {
inline const QString kFirstLine = QStringLiteral("Data Logging Interval");
inline const QString kFirmwareLabel = QStringLiteral("Firmware ID");
inline const QString kDownloadedSuffix = QStringLiteral(" Nitrous Controller Data Downloaded");
inline const QString kCommentLabel = QStringLiteral("Comment");
/// The second field of line 1 while a recording is being written. Line 1 is never read for
/// data, so every reader takes such a file as a log; this program reads the mark as "the
/// recording did not end normally" (see RecordingFile).
inline const QString kUnfinishedMark = QStringLiteral("Recording not finished");
/// Lines of a file as the program writes it: 3 header lines, 2700 samples, 3 trailer lines.
inline constexpr int kHeaderLines = 3;
inline constexpr int kTrailerLines = 3;
inline constexpr int kFileLines = 2706;
}  // namespace log_format

}  // namespace tarvik
