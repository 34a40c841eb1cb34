#include "realtime/dial_gauge.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace tarvik {

DialGauge::DialGauge(QWidget* parent) : QWidget(parent) {}

void DialGauge::setFaceTexts(const QString& upper, const QString& lower) {
    upperText_ = upper;
    lowerText_ = lower;
    update();
}

void DialGauge::setMajorStep(double step, int minorDivisions) {
    majorStep_ = step;
    minorDivisions_ = minorDivisions;
    update();
}

void DialGauge::setMaximum(double maximum) {
    maximum_ = maximum;
    update();
}

void DialGauge::setRedline(double redline) {
    redline_ = redline;
    update();
}

void DialGauge::setValue(double value) {
    value_ = value;
    update();
}

void DialGauge::setCaption(const QString& text) {
    caption_ = text;
    update();
}

void DialGauge::setRefresh(int refresh) {
    refresh_ = refresh;
}

double DialGauge::needleFraction() const {
    return 0;
}

QSize DialGauge::sizeHint() const {
    return {260, 260};
}

QSize DialGauge::minimumSizeHint() const {
    return {100, 100};
}

void DialGauge::paintEvent(QPaintEvent*) {}

}  // namespace tarvik
