#pragma once

#include <QString>
#include <optional>
#include <span>

namespace tarvik {

/// The 1-based row whose time is nearest to `time`, among rows with a finite time; 0 when
/// there is none (or `time` is not finite). The earlier row wins a tie.
int nearestRow(std::span<const float> times, double time);

/// A compared pass's value at a time of this log: its sample nearest in time, when that
/// sample lies no further than `tolerance` seconds away; nothing past either end of the pass
/// or across a gap. `shift` is added to the pass's times (its alignment).
std::optional<float> valueAtTime(std::span<const float> times, std::span<const float> values,
                                 double shift, double time, double tolerance);

/// What one cursor reads: its time and the two traces' values as drawn.
struct CursorReading {
    double time = 0;
    float trace1 = 0;
    float trace2 = 0;
};

/// Cursor B minus cursor A, for time and each trace.
struct CursorDifference {
    double time = 0;
    double trace1 = 0;
    double trace2 = 0;
};
CursorDifference cursorDifference(const CursorReading& a, const CursorReading& b);

/// A difference with its sign always written ("+12", "-3.5", "0"), in the trace's pattern.
QString signedText(double value, const QString& pattern);

/// The pattern of the cursor times and their difference: to the hundredth of a second, so
/// that samples 0.05 s apart can be told apart.
inline const QString kCursorTimePattern = QStringLiteral("##0.00");

/// A trace's value as a cursor reads it: the trace's name, then the value in its pattern
/// ("RPM 7168"); the value alone when the trace has no name.
QString namedValue(const QString& title, double value, const QString& pattern);

/// The text of cursor B's read-out line. `timeZero` is subtracted from B's time as from the
/// marker's; the differences are left out when A has no reading.
struct CursorLineParts {
    CursorReading b;
    std::optional<CursorReading> a;
    double timeZero = 0;
    QString title1;
    QString title2;
    QString pattern1;
    QString pattern2;
};
QString cursorBLine(const CursorLineParts& p);

/// A compared pass's two values for a read-out: "compared 6400 / 118", with "--" for a value
/// the pass does not have at that time.
QString comparedValuesText(std::optional<float> v1, std::optional<float> v2,
                           const QString& pattern1, const QString& pattern2);

}  // namespace tarvik
