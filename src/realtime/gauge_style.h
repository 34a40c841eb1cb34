#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <algorithm>

namespace tarvik::gauge_style {

// One palette for every instrument on the panel, so bars, dials and lamps read as one cluster:
// a near-black face, white scale text, amber digital read-outs.
inline QColor faceTop() {
    return QColor(0x2a, 0x2e, 0x34);
}
inline QColor faceBottom() {
    return QColor(0x0d, 0x0f, 0x12);
}
inline QColor bezelLight() {
    return QColor(0x8a, 0x91, 0x9a);
}
inline QColor bezelDark() {
    return QColor(0x24, 0x27, 0x2b);
}
inline QColor scaleText() {
    return QColor(0xf2, 0xf2, 0xf2);
}
inline QColor faceText() {
    return QColor(0xc9, 0xd1, 0xd9);
}
inline QColor tick() {
    return QColor(0xe6, 0xe6, 0xe6);
}
inline QColor trackFill() {
    return QColor(0x05, 0x06, 0x07);
}
inline QColor trackEdge() {
    return QColor(0x45, 0x4b, 0x52);
}
inline QColor readoutText() {
    return QColor(0xff, 0xc1, 0x4d);
}
inline QColor pointer() {
    return QColor(0xff, 0x8c, 0x1a);
}
inline QColor redZone() {
    return QColor(0xe5, 0x25, 0x25);
}

/// The font of all instrument text, sized in the painter's logical units.
inline QFont font(int pixelSize, bool bold) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(std::max(1, pixelSize));
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferNoHinting);  // scaled painters: keep glyphs to scale
    return f;
}

/// Stores a new value of one of an instrument's settings and schedules its repaint.
template <typename T>
void setAndUpdate(QWidget& instrument, T& field, const T& value) {
    field = value;
    instrument.update();
}

/// Draws text centred in a box, shrinking the font until it fits the box's width, and never
/// outside the box (a reading of 1e30 must not spill over the neighbouring gauge).
void drawFittedText(QPainter& p, const QRectF& box, const QString& text, QFont font,
                    const QColor& color, Qt::Alignment align = Qt::AlignCenter);

/// A dark digital read-out window with the text fitted inside it.
void drawReadout(QPainter& p, const QRectF& box, const QString& text);

}  // namespace tarvik::gauge_style
