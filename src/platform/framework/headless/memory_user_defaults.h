// User defaults kept in memory: what the command line and the tests use. Nothing reaches the disk,
// so the command line never reads or changes the desktop application's stored preferences.
#pragma once

#include "platform/framework/user_defaults.h"

#include <map>

namespace fw {

class MemoryUserDefaults : public UserDefaults {
public:
    /// One setObject as the backend received it (nil for a removal), for tests that check that a
    /// value was written, also when it was unchanged.
    struct Write {
        std::string key;
        DefaultsValue value;
    };

    bool synchronize() override;

    /// Every write in order, and how often synchronize ran.
    const std::vector<Write>& writes() const { return m_writes; }
    int synchronizeCount() const { return m_synchronizeCount; }
    /// Writes of one key.
    int writeCount(const std::string& key) const;
    /// Whether the key has a stored (not merely registered) value.
    bool hasStoredValue(const std::string& key) const { return m_stored.count(key) != 0; }
    void clearJournal();

protected:
    std::optional<DefaultsValue> storedValue(const std::string& key) const override;
    void storeValue(const std::string& key, const DefaultsValue& value) override;
    void removeStoredValue(const std::string& key) override;

private:
    std::map<std::string, DefaultsValue> m_stored;
    std::vector<Write> m_writes;
    int m_synchronizeCount = 0;
};

} // namespace fw
