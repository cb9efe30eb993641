#include "platform/framework/headless/memory_user_defaults.h"

#include <algorithm>

namespace fw {

bool MemoryUserDefaults::synchronize() {
    ++m_synchronizeCount;
    return true;
}

int MemoryUserDefaults::writeCount(const std::string& key) const {
    return int(std::count_if(m_writes.begin(), m_writes.end(), [&](const Write& w) { return w.key == key; }));
}

void MemoryUserDefaults::clearJournal() {
    m_writes.clear();
    m_synchronizeCount = 0;
}

std::optional<DefaultsValue> MemoryUserDefaults::storedValue(const std::string& key) const {
    auto it = m_stored.find(key);
    if (it == m_stored.end())
        return std::nullopt;
    return it->second;
}

void MemoryUserDefaults::storeValue(const std::string& key, const DefaultsValue& value) {
    m_stored[key] = value;
    m_writes.push_back({key, value});
}

void MemoryUserDefaults::removeStoredValue(const std::string& key) {
    m_stored.erase(key);
    m_writes.push_back({key, DefaultsNil{}});
}

} // namespace fw
