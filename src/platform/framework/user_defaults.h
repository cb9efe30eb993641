// The user's defaults: registered values beneath stored ones.
//
// Two domains, searched in this order: the stored values (written by setObject, kept by the
// backend) and the registered defaults (registerDefaults, in memory only, never stored). A read
// of a key that neither holds gives nil (DefaultsNil). Every setObject writes to the backend at
// once, also when the value is unchanged; synchronize() flushes whatever the backend buffers.
//
// Main thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace fw {

/// A defaults value: nil, a boolean number, an integer number or a string.
using DefaultsNil = std::monostate;
using DefaultsValue = std::variant<DefaultsNil, bool, int32_t, std::string>;

/// Keys and values in the order given; registering keeps that order visible (registeredKeys()).
using DefaultsDictionary = std::vector<std::pair<std::string, DefaultsValue>>;

class UserDefaults {
public:
    virtual ~UserDefaults() = default;

    /// Adds the values to the registration domain (a key registered again takes the new value).
    void registerDefaults(const DefaultsDictionary& defaults);
    /// Keys of the registration domain in the order they were first registered.
    const std::vector<std::string>& registeredKeys() const { return m_registeredOrder; }

    /// The stored value, else the registered one, else nil.
    DefaultsValue objectForKey(const std::string& key) const;

    /// Integer value: an integer as it is, a boolean as 0 or 1, a string by its leading decimal
    /// number (optional spaces and sign, then digits; clamped to 32 bits; none gives 0), nil 0.
    int32_t integerForKey(const std::string& key) const;
    /// Boolean value: a boolean as it is, an integer when non-zero, a string when, after spaces, a
    /// sign and zeros, it begins with Y, y, T, t or a digit 1-9 (so "YES", "true", "1"); nil false.
    bool boolForKey(const std::string& key) const;
    /// String value: a string as it is, a number as its decimal text (a boolean as "1" or "0"), nil
    /// gives nullopt.
    std::optional<std::string> stringForKey(const std::string& key) const;

    /// Stores the value under the key at once; nil removes the stored value.
    void setObject(const DefaultsValue& value, const std::string& key);
    void setInteger(int32_t value, const std::string& key) { setObject(value, key); }
    void setBool(bool value, const std::string& key) { setObject(value, key); }
    void removeObjectForKey(const std::string& key) { setObject(DefaultsNil{}, key); }

    /// Writes buffered values to permanent storage; false when that failed.
    virtual bool synchronize() = 0;

protected:
    /// The backend's stored value for a key, if any.
    virtual std::optional<DefaultsValue> storedValue(const std::string& key) const = 0;
    virtual void storeValue(const std::string& key, const DefaultsValue& value) = 0;
    virtual void removeStoredValue(const std::string& key) = 0;

private:
    DefaultsDictionary m_registered;
    std::vector<std::string> m_registeredOrder;
};

/// Reads of a value by the rules above (used by UserDefaults and its tests).
int32_t integerValueOf(const DefaultsValue& value);
bool boolValueOf(const DefaultsValue& value);
std::optional<std::string> stringValueOf(const DefaultsValue& value);

} // namespace fw
