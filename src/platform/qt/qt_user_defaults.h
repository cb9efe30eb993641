// User defaults stored with QSettings in an INI file: every change is written to the file at once,
// so that the next launch starts from what the user chose. Values are kept as text (numbers in
// decimal, booleans as 1 or 0), which the defaults' reading rules turn back into each type.
#pragma once

#include "platform/framework/user_defaults.h"

#include <QSettings>

#include <string>

namespace fw {

class QtUserDefaults : public UserDefaults {
public:
    explicit QtUserDefaults(const std::string& iniPath);
    bool synchronize() override;
    std::string fileName() const;

protected:
    std::optional<DefaultsValue> storedValue(const std::string& key) const override;
    void storeValue(const std::string& key, const DefaultsValue& value) override;
    void removeStoredValue(const std::string& key) override;

private:
    mutable QSettings m_settings;
};

/// Where the application's defaults live: Reelmaker/Reelmaker.ini under $XDG_CONFIG_HOME (else
/// ~/.config).
std::string defaultSettingsPath();

} // namespace fw
