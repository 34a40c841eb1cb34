#include "chart/axis_prompt.h"

#include "common/number_parse.h"
#include "common/rounding.h"
#include "core/user_dialogs.h"
#include "settings/settings.h"

namespace tarvik {

const AxisMaximumPrompt& AxisMaximumPrompt::maxRPM() {
    static const AxisMaximumPrompt p{
        QStringLiteral("Enter maximum RPM value for chart display (4000-20000)"),
        QStringLiteral("Maximum RPM"),
        kMaxRPMLow,
        kMaxRPMHigh,
        QStringLiteral("RPM"),
        settings_keys::kMaxRPMDisplay};
    return p;
}

const AxisMaximumPrompt& AxisMaximumPrompt::maxVSS() {
    static const AxisMaximumPrompt p{
        QStringLiteral("Enter maximum VSS value for chart display (50-250)"),
        QStringLiteral("Maximum VSS"),
        kMaxVSSLow,
        kMaxVSSHigh,
        QStringLiteral("VSS (MPH)"),
        settings_keys::kMaxVSSDisplay};
    return p;
}

double axisMaximumAnswer(const QString& answer) {
    return wholePart(leadingNumber(answer));
}

qint16 askAxisMaximum(UserDialogs& dialogs, const AxisMaximumPrompt& prompt, qint16 current) {
    const QString proposal = QString::number(current);
    double value = current;
    for (;;) {
        const QString answer = dialogs.inputBox(prompt.prompt, prompt.title, proposal);
        if (!answer.isEmpty()) {
            value = axisMaximumAnswer(answer);
        }
        // NaN fails both tests and so is out of range too.
        if (value >= prompt.low && value <= prompt.high) {
            return static_cast<qint16>(value);
        }
    }
}

}  // namespace tarvik
