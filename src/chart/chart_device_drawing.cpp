// Drawing the chart on another device (a printer, an image, a PDF) than the screen.

#include <QChart>
#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "chart/chart_control.h"
#include "core/app_error.h"

namespace tarvik {

void ChartControl::drawToDevice(QPainter& painter, DrawContent content, DrawFit fit, int top,
                                int left, int height, int width, double headingBandTwips) {
    if (content != DrawContent::WholeChart || fit != DrawFit::FitToRectangle || height <= 0 ||
        width <= 0 || !(headingBandTwips >= 0) || !std::isfinite(headingBandTwips)) {
        throw invalidValue();
    }
    const QSizeF shown = chart_->size();
    const QBrush background = scene()->backgroundBrush();
    // Lay the chart out at the target's shape but at screen scale, so fonts and lines keep
    // their proportions, then let the painter scale it up to the device.
    const qreal logicalWidth = std::max<qreal>(shown.width(), 400);
    const QSizeF logical(logicalWidth, logicalWidth * height / width);
    // The heading band in the chart's own units: its height on the device, scaled as the
    // painter will scale the chart.
    const QPaintDevice* device = painter.device();
    const qreal dpiY = device != nullptr && device->logicalDpiY() > 0 ? device->logicalDpiY() : 96;
    const qreal band = headingBandTwips * dpiY / 1440.0 * logical.height() / height;
    chart_->resize(logical);
    layoutPlotArea(logical, band);
    // No background: the page is already white, and the heading lines printed before the chart
    // must stay visible.
    scene()->setBackgroundBrush(Qt::NoBrush);
    chart_->scene()->render(&painter, QRectF(left, top, width, height),
                            QRectF(chart_->pos(), logical), Qt::IgnoreAspectRatio);
    scene()->setBackgroundBrush(background);
    chart_->resize(shown);
    layoutPlotArea(shown);
}

void ChartControl::drawToDevice(QPaintDevice* device, DrawContent content, DrawFit fit, int top,
                                int left, int height, int width) {
    if (device == nullptr) {
        throw invalidValue();
    }
    QPainter painter(device);
    if (!painter.isActive()) {
        throw invalidValue(QStringLiteral("Cannot draw the chart on this device"));
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    drawToDevice(painter, content, fit, top, left, height, width);
}

}  // namespace tarvik
