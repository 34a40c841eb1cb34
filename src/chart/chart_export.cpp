#include "chart/chart_export.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

#include "chart/chart_control.h"
#include "chart/text_block.h"
#include "chart/window_csv.h"
#include "core/app_error.h"

namespace tarvik {

namespace {

const QString kSource = QStringLiteral("Export");

AppError cannotWrite(const QString& path, const QString& why) {
    return AppError(AppError::kFileError, kSource,
                    QStringLiteral("Cannot write %1: %2").arg(path, why));
}

// The device's reason for its last failure, or `otherwise` when it gives none.
QString reasonOf(const QFileDevice& file, const QString& otherwise) {
    const QString why = file.errorString();
    return why.isEmpty() || why == QLatin1String("Unknown error") ? otherwise : why;
}

QFont readOutFont() {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(15);
    f.setBold(true);
    return f;
}

// Room around the read-out band.
constexpr qreal kBandMargin = 12;
constexpr qreal kBandTop = 4;

// The read-out lines laid out across the picture: the chart's width less the margins. The font
// has a pixel size, so the layout is the same on the screen, an image and an SVG drawing.
TextBlock pictureText(const ChartControl& chart, const std::vector<ReadOutLine>& lines) {
    return layOutText(readOutRows(lines, readOutFont()), chart.width() - 2 * kBandMargin);
}

/// Writes all of `bytes` through a save file, so that a failure leaves any old file alone. The
/// message names the file asked for, never the save file's hidden companion.
void saveBytes(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    // Unbuffered: a write the disk takes only part of comes back short, and the rest, asked for
    // again, is refused with the reason; from a buffer flushed later the reason would be lost.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        throw cannotWrite(path, reasonOf(file, QStringLiteral("the file could not be created")));
    }
    const QString why = writeFully(file, bytes);
    if (!why.isEmpty()) {
        file.cancelWriting();
        throw cannotWrite(path, why);
    }
    if (!file.commit()) {
        throw cannotWrite(path, reasonOf(file, QStringLiteral("the file could not be completed")));
    }
}

}  // namespace

QString writeFully(QFileDevice& file, const QByteArray& bytes) {
    const QString partly = QStringLiteral("the disk took only part of the file");
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            return reasonOf(file, partly);
        }
        done += n;
    }
    // Bytes held back in the device's buffer meet the full disk only here; a save file would
    // still commit the short file after that.
    if (!file.flush()) {
        return reasonOf(file, partly);
    }
    return QString();
}

std::vector<TextRow> readOutRows(const std::vector<ReadOutLine>& lines, const QFont& font) {
    std::vector<TextRow> rows;
    for (const ReadOutLine& l : lines) {
        rows.push_back({font,
                        {{l.left, l.leftColor, Qt::AlignLeft},
                         {l.centre, l.centreColor, Qt::AlignHCenter},
                         {l.right, l.rightColor, Qt::AlignRight}}});
    }
    return rows;
}

QSize pictureSize(const ChartControl& chart, const std::vector<ReadOutLine>& lines) {
    const int band = qCeil(pictureText(chart, lines).height + 2 * kBandTop);
    return {chart.width(), chart.height() + band};
}

void paintPicture(QPainter& p, ChartControl& chart, const std::vector<ReadOutLine>& lines) {
    const QSize size = pictureSize(chart, lines);
    p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    drawTextBlock(p, pictureText(chart, lines), QPointF(kBandMargin, kBandTop));
    const int band = size.height() - chart.height();
    chart.render(&p, QRectF(0, band, chart.width(), chart.height()), chart.viewport()->rect());
}

void writePicture(const QString& path, ChartControl& chart, const std::vector<ReadOutLine>& lines) {
    const QSize size = pictureSize(chart, lines);
    if (QFileInfo(path).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        // Text in points is drawn at the size the screen gives it, as the rest of the picture.
        svg.setResolution(chart.logicalDpiY());
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(QStringLiteral("Chart"));
        QPainter p;
        if (!p.begin(&svg)) {
            throw cannotWrite(path, QStringLiteral("the drawing could not be started"));
        }
        paintPicture(p, chart, lines);
        p.end();
        saveBytes(path, buffer.data());
        return;
    }
    QImage image(size * kPictureScale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.scale(kPictureScale, kPictureScale);
        paintPicture(p, chart, lines);
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        throw cannotWrite(path, QStringLiteral("the picture could not be encoded"));
    }
    saveBytes(path, buffer.data());
}

void writeWindowCsvFile(const QString& path, const DataBuffer& data, double low, double high) {
    saveBytes(path, windowCsv(data, low, high));
}

QString withSuffix(const QString& path, const QStringList& accepted, const QString& suffix) {
    const QString has = QFileInfo(path).suffix();
    for (const QString& a : accepted) {
        if (has.compare(a, Qt::CaseInsensitive) == 0) {
            return path;
        }
    }
    return path + suffix;
}

}  // namespace tarvik
