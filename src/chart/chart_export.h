#pragma once

#include <QColor>
#include <QFont>
#include <QSize>
#include <QString>
#include <vector>

#include "chart/text_block.h"

class QFileDevice;
class QPainter;

namespace tarvik {

class ChartControl;
class DataBuffer;

/// One line of the read-out above the chart as the window shows it: text at the left, the
/// centre and the right, each in its colour.
struct ReadOutLine {
    QString left;
    QString centre;
    QString right;
    QColor leftColor = Qt::black;
    QColor centreColor = Qt::black;
    QColor rightColor = Qt::black;
};

/// The read-out lines as rows of text in `font`, each part in its colour and place.
std::vector<TextRow> readOutRows(const std::vector<ReadOutLine>& lines, const QFont& font);

/// How much larger than on the screen a PNG picture is drawn.
inline constexpr int kPictureScale = 2;

/// The picture's size in screen pixels: the chart with the read-out lines above it.
QSize pictureSize(const ChartControl& chart, const std::vector<ReadOutLine>& lines);

/// Paints the read-out lines and the chart as shown (traces, comparison, cursors, labels).
void paintPicture(QPainter& painter, ChartControl& chart, const std::vector<ReadOutLine>& lines);

/// Writes the picture to `path`: SVG when the name ends in ".svg", PNG at twice the screen's
/// resolution otherwise. Throws AppError when the file cannot be written; a file that was
/// there is left as it was.
void writePicture(const QString& path, ChartControl& chart, const std::vector<ReadOutLine>& lines);

/// Writes the samples of the time window as CSV; throws AppError when the file cannot be
/// written completely (the file that was there, if any, is then left as it was).
void writeWindowCsvFile(const QString& path, const DataBuffer& data, double low, double high);

/// Writes every byte to an open file and flushes it to the system. A disk that fills up takes
/// part of a write without a word and refuses the rest with its reason; returns that reason
/// ("No space left on device"), or "" when everything was written.
QString writeFully(QFileDevice& file, const QByteArray& bytes);

/// `path` with `suffix` (".png") added when its name has none of the accepted ones.
QString withSuffix(const QString& path, const QStringList& accepted, const QString& suffix);

}  // namespace tarvik
