#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

namespace tarvik {

/// The per-user store behind the program's settings: texts under a section and a key.
class SettingsBacking {
public:
    virtual ~SettingsBacking() = default;
    /// The stored text, or nothing when the key does not exist.
    virtual std::optional<QString> read(const QString& section, const QString& key) const = 0;
    /// Creates or replaces the key. Throws AppError when the store refuses the write.
    virtual void write(const QString& section, const QString& key, const QString& text) = 0;
    /// Every key under the section, at any depth ("size", "1/name"), in no particular order.
    virtual QStringList keys(const QString& section) const = 0;
    /// Replaces everything under the section by `entries` (key, text) in one write, so a list
    /// kept there (QSettings' array form) never keeps entries from a longer one before it.
    /// Throws AppError when the store refuses the write.
    virtual void replaceSection(const QString& section,
                                const QList<QPair<QString, QString>>& entries) = 0;
    /// Where the store lives (its file), for messages; empty when it has no such place.
    virtual QString location() const { return {}; }
};

}  // namespace tarvik
