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
    settings_->sync();
    if (settings_->status() != QSettings::NoError) {
        throw AppError(
            AppError::kSettingsWrite, QStringLiteral("Settings"),
            QStringLiteral("Could not save the setting %1 to %2.").arg(key, settings_->fileName()));
    }
}

}  // namespace tarvik
