#pragma once

#include <QColor>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <vector>

class QPainter;

namespace tarvik {

/// A vertical bar gauge painted by the program: a face text at the top, a scale with labels and
/// optional coloured bands, and the reading drawn as a lit column (or a marker line) beside it.
///
/// The scale is made of one or more sections stacked along the bar from the bottom. Each
/// section maps its own value range onto its own share of the bar's travel, which lets the
/// throttle gauge stretch its last tenth of travel (section 0: -0.5..90 on the lower part,
/// section 1: 90..102 on the upper part). The section selector says which section the pointer
/// value is read in; the pointer is pinned to the ends of that section, so nothing is ever drawn
/// outside the scale. NaN shows no column at all; +/-infinity pin to the ends.
class BarGauge : public QWidget {
    Q_OBJECT

public:
    /// One section of the scale: values low..high drawn over the given share of the bar's travel
    /// (shares of all sections are normalised to add up to the whole bar).
    struct Section {
        double low = 0;
        double high = 1;
        double share = 1;
    };
    /// A coloured band along the scale, from one value to another.
    struct Band {
        double from = 0;
        double to = 0;
        QColor color;
    };
    /// How the second selector draws the reading.
    enum PointerStyle { Column = 0, Marker = 1 };

    explicit BarGauge(QWidget* parent = nullptr);

    /// The text printed at the top of the face ("TPS%", "BAT V", ...).
    void setFaceText(const QString& text);
    QString faceText() const { return faceText_; }

    /// A single-section scale from low to high.
    void setScale(double low, double high);
    /// A scale of several sections, bottom first. An empty list is ignored.
    void setSections(const std::vector<Section>& sections);
    const std::vector<Section>& sections() const { return sections_; }
    /// The values written beside the scale (each gets a major tick).
    void setLabels(const std::vector<double>& values);
    const std::vector<double>& labels() const { return labels_; }
    /// How labels are written ("#0", "0.0", ...); the same patterns as the rest of the program.
    void setLabelPattern(const QString& pattern);
    void setBands(const std::vector<Band>& bands);
    const std::vector<Band>& bands() const { return bands_; }
    /// Pattern of the digital read-out under the bar; empty hides the read-out.
    void setReadoutPattern(const QString& pattern);

    /// The scale-section selector: which section the pointer value is read in. A selector
    /// beyond the last section reads in the last one; below 0, in the first.
    void setSection(int section);
    int section() const { return section_; }
    /// The reading, kept exactly as given (NaN and infinities included).
    void setPointerValue(double value);
    double pointerValue() const { return pointerValue_; }
    /// The second selector: how the reading is drawn. 0 (Column) fills the bar from the bottom of
    /// the scale up to the reading; 1 (Marker) draws only a bright line at the reading. Other
    /// values are kept and drawn as Column.
    void setSecondSelector(int selector);
    int secondSelector() const { return secondSelector_; }

    /// Where the pointer stands along the bar, 0 at the bottom of the scale and 1 at the top,
    /// after pinning; NaN when there is no reading to draw. What the painting uses.
    double pointerFraction() const;
    /// The same mapping for any value, read in the given section.
    double fractionOf(double value, int section) const;
    /// Where a value lies on the whole scale, looked up in whichever section contains it (used
    /// for labels and bands).
    double scaleFraction(double value) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    /// Where the scale stands on the face, in face units (y grows down).
    struct ScaleGeometry {
        double top;
        double bottom;
        double span() const { return bottom - top; }
        double yOf(double fraction) const { return bottom - fraction * span(); }
    };
    /// Draws bezel, face and face text; returns the face's rectangle.
    QRectF paintFace(QPainter& p, double tall) const;
    void paintBands(QPainter& p, const ScaleGeometry& g) const;
    void paintTicksAndLabels(QPainter& p, const ScaleGeometry& g) const;
    void paintTrackAndReading(QPainter& p, const ScaleGeometry& g) const;

    int effectiveSection(int section) const;
    QColor columnColor() const;

    QString faceText_;
    std::vector<Section> sections_{Section{}};
    std::vector<double> labels_;
    QString labelPattern_ = QStringLiteral("#0");
    std::vector<Band> bands_;
    QString readoutPattern_;
    int section_ = 0;
    double pointerValue_ = 0;
    int secondSelector_ = 0;
};

}  // namespace tarvik
