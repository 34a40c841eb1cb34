#pragma once

#include <QSettings>
#include <memory>

#include "platform/settings_backing.h"

namespace tarvik {

/// The per-user store through QSettings. By default the native store of organization and
/// application "Tarvik" (on Linux $XDG_CONFIG_HOME/Tarvik/Tarvik.conf); tests pass a file.
class QSettingsBacking final : public SettingsBacking {
public:
    QSettingsBacking();
    explicit QSettingsBacking(const QString& iniFile);

    std::optional<QString> read(const QString& section, const QString& key) const override;
    void write(const QString& section, const QString& key, const QString& text) override;
    QStringList keys(const QString& section) const override;
    void replaceSection(const QString& section,
                        const QList<QPair<QString, QString>>& entries) override;

    /// The file (or registry path) the store lives in.
    QString location() const override { return settings_->fileName(); }

private:
    void syncWritten(const QString& what);

    std::unique_ptr<QSettings> settings_;
};

}  // namespace tarvik
