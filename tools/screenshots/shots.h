#pragma once

#include <QString>
#include <QWidget>

namespace tarvik::shots {

/// The folder the pictures go to.
extern QString g_folder;

/// Writes a widget's picture as <folder>/<name>.png and reports it on standard output.
void save(QWidget& widget, const QString& name);

// One function per area; each lives in its own file.
void mainWindowShots();
void realtimeShots();
void chartShots();
void splashShots();
/// The Pass Library window over a made-up season.
void libraryShots();
/// Writes a second drag-strip log to compare with (a pass a little quicker off the line) into
/// `folder` and returns its path.
QString writeComparedLog(const QString& folder);
/// Shows a pass as a racer analyses it: the chart window's dialogs must answer the open
/// dialog with the compared log. Goes to the second launch, compares, places both cursors.
void showPassAnalysis(class FrmChart1& window, const class DataBuffer& data);

/// About, help, printer set-up, and the printed chart page (as PDF and PNG) in `folder`.
void printShots(const QString& folder);

}  // namespace tarvik::shots
