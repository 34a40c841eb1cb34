#include "realtime/lamp.h"

#include <QPainter>

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
    return {22, 22};
}

QSize Lamp::minimumSizeHint() const {
    return {12, 12};
}

void Lamp::paintEvent(QPaintEvent*) {}

}  // namespace tarvik
