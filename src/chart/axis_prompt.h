#pragma once

#include <QString>
#include <QtGlobal>

namespace tarvik {

class UserDialogs;

/// One of the chart's "Maximum RPM" / "Maximum VSS" questions.
struct AxisMaximumPrompt {
    QString prompt;
    QString title;
    qint16 low;
    qint16 high;
    QString axisTitle;  ///< an axis with this title shows the quantity
    const char* settingsKey;

    static const AxisMaximumPrompt& maxRPM();
    static const AxisMaximumPrompt& maxVSS();
};

/// Reads an answer as the prompt does: the whole part (rounded down) of its leading number,
/// 0 when it does not begin with a number. Empty means "keep the current value".
/// Returns the value as a double so an answer beyond 16 bits can be recognised as out of range.
double axisMaximumAnswer(const QString& answer);

/// Asks until the answer lies within the prompt's range, starting from (and offering on every
/// repetition) `current`. An empty answer (also Cancel) keeps the current value, so Cancel ends
/// the loop when the current value is already in range. An answer that is out of range, 16-bit
/// or not, simply brings the box back.
qint16 askAxisMaximum(UserDialogs& dialogs, const AxisMaximumPrompt& prompt, qint16 current);

}  // namespace tarvik
