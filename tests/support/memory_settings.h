#pragma once

#include <QMap>
#include <QString>

#include "core/app_error.h"
#include "platform/settings_backing.h"

namespace tarvik::test {

/// A settings store in memory: what was written, in order, and optionally refusing writes.
class MemorySettings final : public SettingsBacking {
public:
    std::optional<QString> read(const QString& section, const QString& key) const override {
        const auto it = values.find(section + u'/' + key);
        if (it == values.end()) {
            return std::nullopt;
        }
        return *it;
    }
    void write(const QString& section, const QString& key, const QString& text) override {
        if (refuseWrites) {
            throw AppError(AppError::kSettingsWrite, QStringLiteral("Settings"),
                           QStringLiteral("The settings store refused the write."));
        }
        values[section + u'/' + key] = text;
        writes << key + u'=' + text;
    }
    QStringList keys(const QString& section) const override {
        QStringList out;
        const QString prefix = section + u'/';
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            if (it.key().startsWith(prefix)) {
                out << it.key().mid(prefix.size());
            }
        }
        return out;
    }
    void replaceSection(const QString& section,
                        const QList<QPair<QString, QString>>& entries) override {
        if (refuseWrites) {
            throw AppError(AppError::kSettingsWrite, QStringLiteral("Settings"),
                           QStringLiteral("The settings store refused the write."));
        }
        const QString prefix = section + u'/';
        for (auto it = values.begin(); it != values.end();) {
            it = it.key().startsWith(prefix) ? values.erase(it) : std::next(it);
        }
        for (const auto& [key, text] : entries) {
            values[prefix + key] = text;
        }
        writes << section + QStringLiteral("/*");
    }
    void set(const QString& key, const QString& text) {
        values[QStringLiteral("Properties/") + key] = text;
    }
    QString location() const override { return file; }
    QString get(const QString& key) const {
        return values.value(QStringLiteral("Properties/") + key);
    }

    QMap<QString, QString> values;
    QStringList writes;
    bool refuseWrites = false;
    /// What the store says its file is.
    QString file = QStringLiteral("/home/racer/.config/Tarvik/Tarvik.conf");
};

}  // namespace tarvik::test
