#include "platform/qt/qt_user_defaults.h"

#include "platform/qt/qt_text.h"

#include <QStandardPaths>

namespace fw {

QtUserDefaults::QtUserDefaults(const std::string& iniPath)
    : m_settings(toQString(iniPath), QSettings::IniFormat) {}

bool QtUserDefaults::synchronize() {
    m_settings.sync();
    return m_settings.status() == QSettings::NoError;
}

std::string QtUserDefaults::fileName() const {
    return fromQString(m_settings.fileName());
}

std::optional<DefaultsValue> QtUserDefaults::storedValue(const std::string& key) const {
    const QString name = toQString(key);
    if (!m_settings.contains(name))
        return std::nullopt;
    return DefaultsValue(fromQString(m_settings.value(name).toString()));
}

void QtUserDefaults::storeValue(const std::string& key, const DefaultsValue& value) {
    const std::optional<std::string> text = stringValueOf(value);
    if (!text) {
        removeStoredValue(key);
        return;
    }
    m_settings.setValue(toQString(key), toQString(*text));
    m_settings.sync();
}

void QtUserDefaults::removeStoredValue(const std::string& key) {
    m_settings.remove(toQString(key));
    m_settings.sync();
}

std::string defaultSettingsPath() {
    return fromQString(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                       QStringLiteral("/Reelmaker/Reelmaker.ini"));
}

} // namespace fw
