#include "chart/chart_export.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

#include "chart/chart_control.h"
#include "chart/window_csv.h"
#include "core/app_error.h"

namespace tarvik {

namespace {

const QString kSource = QStringLiteral("Export");

AppError cannotWrite(const QString& path, const QString& why) {
    return AppError(AppError::kFileError, kSource,
                    QStringLiteral("Cannot write %1: %2").arg(path, why));
}

QFont readOutFont() {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(15);
    f.setBold(true);
    return f;
}

qreal lineHeight() {
    return QFontMetricsF(readOutFont()).height() + 6;
}

/// Writes all of `bytes` through a save file, so that a failure leaves any old file alone.
void saveBytes(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        throw cannotWrite(path, file.errorString());
    }
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        throw cannotWrite(path, why);
    }
    if (!file.commit()) {
        throw cannotWrite(path, file.errorString());
    }
}

}  // namespace

QSize pictureSize(const ChartControl& chart, const std::vector<ReadOutLine>& lines) {
    const int band = qCeil(lineHeight() * static_cast<qreal>(lines.size())) + 8;
    return {chart.width(), chart.height() + band};
}

void paintPicture(QPainter& p, ChartControl& chart, const std::vector<ReadOutLine>& lines) {
    const QSize size = pictureSize(chart, lines);
    p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(readOutFont());
    const qreal h = lineHeight();
    qreal top = 4;
    for (const ReadOutLine& l : lines) {
        const QRectF row(12, top, size.width() - 24, h);
        const std::pair<const QString*, std::pair<QColor, Qt::Alignment>> parts[] = {
            {&l.left, {l.leftColor, Qt::AlignLeft}},
            {&l.centre, {l.centreColor, Qt::AlignHCenter}},
            {&l.right, {l.rightColor, Qt::AlignRight}}};
        for (const auto& [text, style] : parts) {
            p.setPen(style.first);
            p.drawText(row, style.second | Qt::AlignVCenter, *text);
        }
        top += h;
    }
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
