#include "platform/qsettings_backing.h"

#include "core/app_error.h"

namespace tarvik {

QSettingsBacking::QSettingsBacking()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("Tarvik"), QStringLiteral("Tarvik"))) {}

QSettingsBacking::QSettingsBacking(const QString& iniFile)
    : settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

std::optional<QString> QSettingsBacking::read(const QString& section, const QString& key) const {
    const QString path = section + u'/' + key;
    // Another process (or the user with an editor) may have changed the file since we started.
    settings_->sync();
    if (!settings_->contains(path)) {
        return std::nullopt;
    }
    const QVariant v = settings_->value(path);
    // A value the INI reader turned into a list ("1,2") is given back as the text it was.
    if (v.typeId() == QMetaType::QStringList) {
        return v.toStringList().join(u',');
    }
    return v.toString();
}

void QSettingsBacking::write(const QString& section, const QString& key, const QString& text) {
    settings_->setValue(section + u'/' + key, text);
    syncWritten(key);
}

QStringList QSettingsBacking::keys(const QString& section) const {
    settings_->sync();
    settings_->beginGroup(section);
    const QStringList all = settings_->allKeys();
    settings_->endGroup();
    return all;
}

void QSettingsBacking::replaceSection(const QString& section,
                                      const QList<QPair<QString, QString>>& entries) {
    settings_->sync();
    settings_->remove(section);
    for (const auto& [key, text] : entries) {
        settings_->setValue(section + u'/' + key, text);
    }
    syncWritten(section);
}

void QSettingsBacking::syncWritten(const QString& what) {
    settings_->sync();
    if (settings_->status() != QSettings::NoError) {
        throw AppError(AppError::kSettingsWrite, QStringLiteral("Settings"),
                       QStringLiteral("Could not save the setting %1 to %2.")
                           .arg(what, settings_->fileName()));
    }
}

}  // namespace tarvik
