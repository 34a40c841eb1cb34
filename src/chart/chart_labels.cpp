#include "chart/chart_labels.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <algorithm>

namespace tarvik {

QFont pixelFont(const QFont& font) {
    QFont f(font);
    if (f.pixelSize() <= 0) {
        f.setPixelSize(std::max(1, QFontInfo(font).pixelSize()));
    }
    return f;
}

// ---- free text label -----------------------------------------------------------------------

void ChartLabelItem::setDesign(const ChartTemplate::Label& d) {
    prepareGeometryChange();
    design_ = d;
    design_.font = pixelFont(d.font);
}

void ChartLabelItem::setText(const QString& text) {
    prepareGeometryChange();
    design_.text = text;
    update();
}

QRectF ChartLabelItem::boxRect() const {
    const QFontMetricsF fm(design_.font);
    const qreal w = fm.horizontalAdvance(design_.text) + 2 * kPadX;
    const qreal h = fm.height() + 2 * kPadY;
    return QRectF(0, 0, w, h);
}

QPointF ChartLabelItem::anchorShift() const {
    const QRectF r = boxRect();
    switch (design_.anchor) {
        case ChartTemplate::Anchor::West:
            return {0, -r.height() / 2};
        case ChartTemplate::Anchor::East:
            return {-r.width(), -r.height() / 2};
        case ChartTemplate::Anchor::Center:
            return {-r.width() / 2, -r.height() / 2};
        case ChartTemplate::Anchor::NorthWest:
            return {0, 0};
        case ChartTemplate::Anchor::NorthEast:
            return {-r.width(), 0};
        case ChartTemplate::Anchor::SouthWest:
            return {0, -r.height()};
        case ChartTemplate::Anchor::SouthEast:
            return {-r.width(), -r.height()};
    }
    return {};
}

void ChartLabelItem::placeOnPlot(const QRectF& plot, QPointF position, bool shown) {
    setPos(plot.topLeft() + position + design_.offset + anchorShift());
    setVisible(shown);
}

void ChartLabelItem::paint(QPainter* p, const QStyleOptionGraphicsItem*, QWidget*) {
    const QRectF box = boxRect();
    p->setRenderHint(QPainter::Antialiasing, true);
    p->setPen(QPen(design_.border, 1));
    p->setBrush(design_.background);
    p->drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    p->setFont(design_.font);
    p->setPen(design_.color);
    p->drawText(box, Qt::AlignCenter, design_.text);
}

// ---- legend --------------------------------------------------------------------------------

void ChartLegendItem::set(std::vector<Entry> entries, const QFont& font, const QColor& textColor) {
    prepareGeometryChange();
    entries_ = std::move(entries);
    font_ = pixelFont(font);
    textColor_ = textColor;
    update();
}

void ChartLegendItem::placeUnder(const QRectF& plot, qreal chartHeight) {
    const QRectF r = boundingRect();
    setPos(plot.center().x() - r.width() / 2, chartHeight - r.height() - 6);
}

QRectF ChartLegendItem::boundingRect() const {
    const QFontMetricsF fm(font_);
    qreal w = 0;
    for (const Entry& e : entries_) {
        if (!e.text.isEmpty()) {
            w += kSample + kGap + fm.horizontalAdvance(e.text) + kSpacing;
        }
    }
    return QRectF(0, 0, std::max<qreal>(0, w - kSpacing), fm.height() + 4);
}

void ChartLegendItem::paint(QPainter* p, const QStyleOptionGraphicsItem*, QWidget*) {
    const QFontMetricsF fm(font_);
    const qreal mid = (fm.height() + 4) / 2;
    qreal x = 0;
    p->setRenderHint(QPainter::Antialiasing, true);
    p->setFont(font_);
    for (const Entry& e : entries_) {
        if (e.text.isEmpty()) {
            continue;
        }
        p->setPen(QPen(e.color, std::max<qreal>(3, e.width + 1), Qt::SolidLine, Qt::RoundCap));
        p->drawLine(QPointF(x + 2, mid), QPointF(x + kSample - 2, mid));
        x += kSample + kGap;
        const qreal w = fm.horizontalAdvance(e.text);
        p->setPen(textColor_);
        p->drawText(QRectF(x, 0, w + 1, fm.height() + 4), Qt::AlignLeft | Qt::AlignVCenter, e.text);
        x += w + kSpacing;
    }
}

}  // namespace tarvik
