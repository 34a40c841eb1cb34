#include "realtime/lamp.h"

#include <QPainter>
#include <algorithm>

namespace tarvik {

Lamp::Lamp(QWidget* parent) : QWidget(parent) {}

void Lamp::setFillColor(const QColor& color) {
    fillColor_ = color;
    update();
}

bool Lamp::isLit() const {
    return fillColor_.rgb() != darkColor().rgb();
}

QSize Lamp::sizeHint() const {
    return {24, 24};
}

QSize Lamp::minimumSizeHint() const {
    return {12, 12};
}

namespace {

// The halo a lit lamp throws around its bezel.
void paintGlow(QPainter& p, const QColor& c) {
    QRadialGradient glow(QPointF(0, 0), 12);
    QColor inner = c;
    inner.setAlpha(170);
    QColor outer = c;
    outer.setAlpha(0);
    glow.setColorAt(0.45, inner);
    glow.setColorAt(1, outer);
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(0, 0), 12, 12);
}

void paintBezel(QPainter& p) {
    QLinearGradient bezel(QPointF(-8, -8), QPointF(8, 8));
    bezel.setColorAt(0, QColor(0xb0, 0xb6, 0xbd));
    bezel.setColorAt(1, QColor(0x2a, 0x2d, 0x31));
    p.setPen(Qt::NoPen);
    p.setBrush(bezel);
    p.drawEllipse(QPointF(0, 0), 8.6, 8.6);
}

// The lens: bright in the middle when lit, a deep dark glass otherwise, with a specular
// highlight on the glass.
void paintLens(QPainter& p, const QColor& c, bool lit) {
    QRadialGradient lens(QPointF(-1.5, -1.5), 8);
    if (lit) {
        lens.setColorAt(0, c.lighter(175));
        lens.setColorAt(0.55, c);
        lens.setColorAt(1, c.darker(170));
    } else {
        lens.setColorAt(0, QColor(0x3c, 0x3e, 0x42));
        lens.setColorAt(1, QColor(0x04, 0x04, 0x05));
    }
    p.setBrush(lens);
    p.setPen(QPen(QColor(0, 0, 0, 200), 0.6));
    p.drawEllipse(QPointF(0, 0), 7, 7);

    QRadialGradient shine(QPointF(-2.4, -2.8), 3.4);
    shine.setColorAt(0, QColor(255, 255, 255, lit ? 190 : 90));
    shine.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawEllipse(QPointF(-2.4, -2.8), 3.4, 2.6);
}

}  // namespace

void Lamp::paintEvent(QPaintEvent*) {
    const double side = std::min(width(), height());
    if (side < 2) {
        return;
    }
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // A logical lamp 24 units across: a lens of radius 7 in a bezel, room around it for the glow.
    p.translate(width() / 2.0, height() / 2.0);
    p.scale(side / 24.0, side / 24.0);
    const bool lit = isLit();
    if (lit) {
        paintGlow(p, fillColor_);
    }
    paintBezel(p);
    paintLens(p, fillColor_, lit);
}

}  // namespace tarvik
