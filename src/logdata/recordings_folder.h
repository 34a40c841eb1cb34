#pragma once

#include <QFileInfoList>
#include <QString>

namespace tarvik {

/// Where recordings of live readings are kept: "recordings" in the per-user data folder.
QString recordingsFolder();

/// The ".log" files of `folder`, newest first (by the time they were last written; ties by
/// name, later parts first), at most `limit` of them. An absent folder lists nothing.
QFileInfoList newestLogFiles(const QString& folder, int limit);

}  // namespace tarvik
