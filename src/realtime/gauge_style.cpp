#include "realtime/gauge_style.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <algorithm>

namespace tarvik::gauge_style {

void drawFittedText(QPainter& p, const QRectF& box, const QString& text, QFont font,
                    const QColor& color, Qt::Alignment align) {
    if (text.isEmpty() || box.width() <= 0 || box.height() <= 0) {
        return;
    }
    const QFontMetricsF fm(font);
    const double width = fm.horizontalAdvance(text);
    if (width > box.width() && width > 0) {
        const int fitted = static_cast<int>(font.pixelSize() * box.width() / width);
        font.setPixelSize(std::max(1, fitted));
    }
    p.save();
    p.setClipRect(box, Qt::IntersectClip);
    p.setFont(font);
    p.setPen(color);
    p.drawText(box, static_cast<int>(align), text);
    p.restore();
}

void drawReadout(QPainter& p, const QRectF& box, const QString& text) {
    p.save();
    QLinearGradient bg(box.topLeft(), box.bottomLeft());
    bg.setColorAt(0, QColor(0x02, 0x02, 0x03));
    bg.setColorAt(1, QColor(0x10, 0x11, 0x13));
    p.setBrush(bg);
    p.setPen(QPen(trackEdge(), 1));
    const double radius = box.height() * 0.18;
    p.drawRoundedRect(box, radius, radius);
    p.restore();
    const QRectF inner = box.adjusted(box.height() * 0.15, 0, -box.height() * 0.15, 0);
    drawFittedText(p, inner, text, font(static_cast<int>(box.height() * 0.72), true),
                   readoutText());
}

}  // namespace tarvik::gauge_style
