#pragma once

#include <QString>

namespace tarvik {

/// Fixed texts of the ".log" file.
namespace log_format {
inline const QString kFirstLine = QStringLiteral("Data Logging Interval");
inline const QString kFirmwareLabel = QStringLiteral("Firmware ID");
inline const QString kDownloadedSuffix = QStringLiteral(" Nitrous Controller Data Downloaded");
inline const QString kCommentLabel = QStringLiteral("Comment");
/// Lines of a file as the program writes it: 3 header lines, 2700 samples, 3 trailer lines.
inline constexpr int kHeaderLines = 3;
inline constexpr int kTrailerLines = 3;
inline constexpr int kFileLines = 2706;
}  // namespace log_format

}  // namespace tarvik
