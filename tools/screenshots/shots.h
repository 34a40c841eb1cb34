#pragma once

#include <QString>
#include <QWidget>

namespace tarvik::shots {

/// Writes a widget's picture as <folder>/<name>.png and reports it on standard output.
void save(QWidget& widget, const QString& name);

// One function per area; each lives in its own file.
void mainWindowShots();
void realtimeShots();
void chartShots();
void splashShots();
/// About, help, printer set-up, and the printed chart page (as PDF and PNG) in `folder`.
void printShots(const QString& folder);

}  // namespace tarvik::shots
