#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <array>
#include <optional>

namespace tarvik {

/// Where a log file in the library came from.
enum class PassKind {
    Download = 0,   ///< kept by a download (the downloads folder)
    Recording = 1,  ///< a recording of live readings (the recordings folder)
    File = 2,       ///< any other log file the program saved or opened, or a folder held
};

/// "Download", "Recording", "File".
QString passKindName(PassKind kind);

/// The figures of a file's best launch the library keeps, as the pass report computes them.
enum class Figure { Ft60, EighthMile, QuarterMile, ZeroToSixty, PeakRpm, PeakMph };
inline constexpr int kFigureCount = 6;

/// The pass report's heading of a figure: "60 ft", "1/8 mile", "1/4 mile", "0-60 mph",
/// "Peak RPM", "Peak mph".
QString figureHeading(Figure figure);

/// One log file the library knows: where it is and what it was when it was read, what the
/// log says, the figures of its best launch, and what the user wrote about it.
struct LibraryEntry {
    qint64 id = 0;  ///< the database's row id; 0 before it is stored
    QString path;
    qint64 size = -1;
    qint64 modifiedMs = 0;  ///< the file's modification time, ms since the epoch (UTC)
    QByteArray sha256;      ///< of the file's content, lower-case hex
    PassKind kind = PassKind::File;
    /// The log's download date, else the file's time.
    QDateTime when;
    QString model;
    QString firmware;
    QString comment;
    QString track;
    QString tags;
    QString notes;
    int launches = 0;
    /// Indexed by Figure; empty where the best launch did not reach a mark or there is none.
    std::array<std::optional<double>, kFigureCount> figures;
    /// The same figures as the pass report prints them ("2.138", "" where there is none), made
    /// when the file is read so that showing and filtering never format a number.
    std::array<QString, kFigureCount> figureTexts;
    /// RPM and VSS over the best launch, a few dozen points (see pass_picture.h).
    QByteArray picture;
    /// The file ends before its last line; the rows it has were read.
    bool endedEarly = false;

    /// Why the file cannot be read where the library knows it ("" while it can). Not stored:
    /// found again each time the library looks.
    QString gone;

    std::optional<double> figure(Figure f) const { return figures[static_cast<std::size_t>(f)]; }
    bool isGone() const { return !gone.isEmpty(); }
};

/// The user's own fields of an entry, which the library keeps and the files never hold.
enum class UserField { Track, Tags, Notes };

/// The longest Track, Tags or Notes text the library keeps, in characters.
inline constexpr int kMaxUserText = 1024 * 1024;

}  // namespace tarvik
