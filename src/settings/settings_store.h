#pragma once

#include <QString>

#include "platform/settings_backing.h"

namespace tarvik {

/// Text-to-type conversions of stored settings. Each throws AppError (type mismatch for a text
/// that is not a number, overflow for a number the type cannot hold).
namespace settings_convert {
/// A 16-bit signed integer; fractional texts round to the nearest, halves to even ("12.5" -> 12).
qint16 toInt16(const QString& text);
/// A 32-bit float.
float toSingle(const QString& text);
/// "True"/"False" (any case) or a number, non-zero meaning true.
bool toBoolean(const QString& text);
}  // namespace settings_convert

/// Reads and writes the program's settings in section "Properties" of the backing store.
/// Every value is kept as text: whole numbers as plain digits ("6500"), flags as "True"/"False".
class SettingsStore {
public:
    explicit SettingsStore(SettingsBacking& backing) : backing_(backing) {}

    /// The stored text, or the default when the key does not exist.
    QString readText(const char* key, const QString& defaultText) const;
    qint16 readInt16(const char* key, qint16 defaultValue) const;
    float readSingle(const char* key, float defaultValue) const;
    bool readBool(const char* key, bool defaultValue) const;
    /// A port number from 0 (no port chosen) to `highest`. A text that is not a whole number in
    /// that range throws AppError naming the key, its text and the settings file, and saying
    /// that port `fallback` is used instead (the caller uses it).
    qint16 readPortNumber(const char* key, qint16 defaultValue, int highest, qint16 fallback) const;

    /// Writes a whole number as decimal digits; a fractional value is written as its whole part.
    void writeWhole(const char* key, double value);
    void writeBool(const char* key, bool value);

private:
    SettingsBacking& backing_;
};

}  // namespace tarvik
