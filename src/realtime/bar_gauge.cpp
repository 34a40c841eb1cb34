#include "realtime/bar_gauge.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "common/number_format.h"

namespace tarvik {

BarGauge::BarGauge(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void BarGauge::setFaceText(const QString& text) {
    faceText_ = text;
    update();
}

void BarGauge::setScale(double low, double high) {
    setSections({Section{low, high, 1}});
}

void BarGauge::setSections(const std::vector<Section>& sections) {
    if (sections.empty()) {
        return;
    }
    sections_ = sections;
    update();
}

void BarGauge::setLabels(const std::vector<double>& values) {
    labels_ = values;
    update();
}

void BarGauge::setLabelPattern(const QString& pattern) {
    labelPattern_ = pattern;
    update();
}

void BarGauge::setBands(const std::vector<Band>& bands) {
    bands_ = bands;
    update();
}

void BarGauge::setReadoutPattern(const QString& pattern) {
    readoutPattern_ = pattern;
    update();
}

void BarGauge::setSection(int section) {
    section_ = section;
    update();
}

void BarGauge::setPointerValue(double value) {
    pointerValue_ = value;
    update();
}

void BarGauge::setSecondSelector(int selector) {
    secondSelector_ = selector;
    update();
}

int BarGauge::effectiveSection(int section) const {
    return std::clamp(section, 0, static_cast<int>(sections_.size()) - 1);
}

double BarGauge::fractionOf(double, int) const {
    return 0;
}

double BarGauge::scaleFraction(double) const {
    return 0;
}

double BarGauge::pointerFraction() const {
    return fractionOf(pointerValue_, section_);
}

QSize BarGauge::sizeHint() const {
    return {90, 260};
}

QSize BarGauge::minimumSizeHint() const {
    return {40, 80};
}

void BarGauge::paintEvent(QPaintEvent*) {}

}  // namespace tarvik
