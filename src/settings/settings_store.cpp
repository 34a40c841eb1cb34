#include "settings/settings_store.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>

#include "common/number_format.h"
#include "common/number_parse.h"
#include "common/rounding.h"
#include "core/app_error.h"
#include "settings/settings.h"

namespace tarvik {

namespace settings_convert {

namespace {

const QString kSource = QStringLiteral("Tarvik");

// A whole text that is a plain decimal number, blanks around it allowed.
bool isNumericText(const QString& text) {
    static const QRegularExpression re(
        QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)([eEdD][+-]?\\d+)?\\s*$"));
    return re.match(text).hasMatch();
}

double toNumber(const QString& text) {
    if (!isNumericText(text)) {
        throw AppError::typeMismatch(kSource);
    }
    return leadingNumber(text);
}

}  // namespace

qint16 toInt16(const QString& text) {
    const double r = roundHalfEven(toNumber(text), 0);
    if (!(r >= std::numeric_limits<qint16>::min() && r <= std::numeric_limits<qint16>::max())) {
        throw AppError::overflow(kSource);
    }
    return static_cast<qint16>(r);
}

float toSingle(const QString& text) {
    const double v = toNumber(text);
    if (!(std::fabs(v) <= std::numeric_limits<float>::max())) {
        throw AppError::overflow(kSource);
    }
    return static_cast<float>(v);
}

bool toBoolean(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (t.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    return toNumber(text) != 0.0;
}

}  // namespace settings_convert

namespace {

// Which setting holds what, and in which file, so the user can mend it.
QString settingPlace(const SettingsBacking& backing, const char* key, const QString& text) {
    constexpr qsizetype kShown = 40;
    const QString shown = text.size() > kShown ? text.left(kShown) + QStringLiteral("...") : text;
    QString place = QStringLiteral("\r\nSetting: %1 = %2").arg(QLatin1String(key), shown);
    const QString file = backing.location();
    if (!file.isEmpty()) {
        place += QStringLiteral("\r\nSettings file: ") + file;
    }
    return place;
}

// A stored value that does not convert: the conversion's own words ("Type mismatch",
// "Overflow"), then the setting and its file.
template <class Convert>
auto converted(const SettingsBacking& backing, const char* key, const QString& text,
               Convert convert) {
    try {
        return convert(text);
    } catch (const AppError& e) {
        throw AppError(e.code(), e.source(), e.description() + settingPlace(backing, key, text));
    }
}

}  // namespace

QString SettingsStore::readText(const char* key, const QString& defaultText) const {
    return backing_.read(QLatin1String(settings_keys::kSection), QLatin1String(key))
        .value_or(defaultText);
}

qint16 SettingsStore::readInt16(const char* key, qint16 defaultValue) const {
    return converted(backing_, key, readText(key, QString::number(defaultValue)),
                     settings_convert::toInt16);
}

float SettingsStore::readSingle(const char* key, float defaultValue) const {
    return converted(backing_, key, readText(key, formatSingle(defaultValue)),
                     settings_convert::toSingle);
}

bool SettingsStore::readBool(const char* key, bool defaultValue) const {
    return converted(backing_, key,
                     readText(key, defaultValue ? QStringLiteral("True") : QStringLiteral("False")),
                     settings_convert::toBoolean);
}

qint16 SettingsStore::readPortNumber(const char* key, qint16 defaultValue, int highest,
                                     qint16 fallback) const {
    const QString text = readText(key, QString::number(defaultValue));
    const QString uses = QStringLiteral("\r\nThe program uses Com%1.").arg(fallback);
    try {
        const qint16 port = converted(backing_, key, text, settings_convert::toInt16);
        if (port < 0 || port > highest) {
            throw AppError(AppError::kInvalidPropertyValue, QStringLiteral("Tarvik"),
                           QStringLiteral("Invalid property value: port %1 is not in the port "
                                          "list (Com1 to Com%2).")
                                   .arg(port)
                                   .arg(highest) +
                               settingPlace(backing_, key, text));
        }
        return port;
    } catch (const AppError& e) {
        throw AppError(e.code(), e.source(), e.description() + uses);
    }
}

void SettingsStore::writeWhole(const char* key, double value) {
    const double whole = wholePart(value);
    if (!(std::fabs(whole) < 9.0e15)) {
        throw AppError::overflow(QStringLiteral("Tarvik"));
    }
    backing_.write(QLatin1String(settings_keys::kSection), QLatin1String(key),
                   QString::number(static_cast<qint64>(whole)));
}

void SettingsStore::writeBool(const char* key, bool value) {
    backing_.write(QLatin1String(settings_keys::kSection), QLatin1String(key),
                   value ? QStringLiteral("True") : QStringLiteral("False"));
}

}  // namespace tarvik
