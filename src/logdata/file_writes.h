#pragma once

#include <QByteArray>
#include <QString>

class QFileDevice;

namespace tarvik {

/// Checked writes for the files the program keeps (saved logs, kept downloads, recordings).
namespace file_writes {

/// The file's reason for its last failure, or "" when it has none to give: Qt says "Unknown
/// error" when the system took part of a write without an error of its own.
QString reasonOf(const QFileDevice& file);

/// Writes all of `bytes`. A disk that fills up takes part of a write without saying why; asked
/// again for the rest, it refuses with the reason ("No space left on device", "File too
/// large"). Returns that reason, or "" when everything was written. The reason is the system's
/// alone: it never names the file (a temporary file's name means nothing to the user).
QString writeWhole(QFileDevice& file, const QByteArray& bytes);

}  // namespace file_writes

}  // namespace tarvik
