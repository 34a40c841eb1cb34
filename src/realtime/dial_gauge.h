#pragma once

#include <QString>
#include <QWidget>

class QPainter;

namespace tarvik {

/// A round dial painted by the program: a 270 degree scale from 0 to the maximum with a major
/// tick and a label every `majorStep`, a red zone from the redline to the maximum, two face
/// texts, a needle and a digital read-out whose text the caller sets.
///
/// The needle is pinned to the scale: values below 0 (and NaN) rest at 0, values above the
/// maximum stand at the maximum. A maximum that is not above 0 draws an empty scale.
class DialGauge : public QWidget {
    Q_OBJECT

public:
    explicit DialGauge(QWidget* parent = nullptr);

    /// The face texts: the upper names the quantity ("RPM", "SPEED"), the lower the unit
    /// ("x 1000", "MPH").
    void setFaceTexts(const QString& upper, const QString& lower);
    QString upperFaceText() const { return upperText_; }
    QString lowerFaceText() const { return lowerText_; }

    /// Distance between major ticks (1 for the tachometer, 10 for the speedometer), and how many
    /// minor divisions each major interval has.
    void setMajorStep(double step, int minorDivisions);
    double majorStep() const { return majorStep_; }

    /// The scale maximum and the start of the red zone, in dial units.
    void setMaximum(double maximum);
    double maximum() const { return maximum_; }
    void setRedline(double redline);
    double redline() const { return redline_; }

    /// The reading (where the needle points), kept exactly as given.
    void setValue(double value);
    double value() const { return value_; }
    /// The digital read-out text.
    void setCaption(const QString& text);
    QString caption() const { return caption_; }

    /// The refresh setting. Any value other than 0 repaints the dial at once when it is on
    /// screen, so a new reading shows before the next controller exchange (which waits without
    /// processing events); 0 leaves the repaint to the event loop. The value is kept as given.
    void setRefresh(int refresh);
    int refresh() const { return refresh_; }

    /// Where the needle points, as a fraction of the scale sweep (0 at the start, 1 at the
    /// maximum), after pinning.
    double needleFraction() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintFace(QPainter& p) const;
    /// The major step actually drawn: the set one, widened while the scale would be crowded.
    double labelStep() const;
    void paintTicks(QPainter& p, double step) const;
    void paintLabels(QPainter& p, double step) const;
    void paintTextsAndNeedle(QPainter& p) const;

    QString upperText_;
    QString lowerText_;
    double majorStep_ = 1;
    int minorDivisions_ = 5;
    double maximum_ = 10;
    double redline_ = 10;
    double value_ = 0;
    QString caption_;
    int refresh_ = 0;
};

}  // namespace tarvik
