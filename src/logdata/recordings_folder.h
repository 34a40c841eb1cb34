#pragma once

#include <QString>

namespace tarvik {

/// Where recordings of live readings are kept: "recordings" in the per-user data folder
/// (QStandardPaths::AppDataLocation), beside the kept downloads.
QString recordingsFolder();

}  // namespace tarvik
