#include "platform/framework/user_defaults.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace fw {

namespace {

template <class... Fs> struct Overloaded : Fs... { using Fs::operator()...; };
template <class... Fs> Overloaded(Fs...) -> Overloaded<Fs...>;

/// Position after leading white space and an optional sign; `negative` tells the sign.
size_t skipSpaceAndSign(const std::string& s, bool& negative) {
    size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
        ++i;
    negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    return i;
}

int32_t leadingInteger(const std::string& s) {
    bool negative;
    size_t i = skipSpaceAndSign(s, negative);
    int64_t value = 0;
    constexpr int64_t limit = int64_t(std::numeric_limits<int32_t>::max()) + 1;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i)
        value = std::min(limit, value * 10 + (s[i] - '0'));
    value = negative ? -value : value;
    return int32_t(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

bool leadingTruth(const std::string& s) {
    bool negative;
    size_t i = skipSpaceAndSign(s, negative);
    while (i < s.size() && s[i] == '0')
        ++i;
    if (i >= s.size())
        return false;
    const char c = s[i];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

} // namespace

int32_t integerValueOf(const DefaultsValue& value) {
    return std::visit(Overloaded{[](DefaultsNil) { return int32_t(0); },
                                 [](bool b) { return int32_t(b ? 1 : 0); }, [](int32_t i) { return i; },
                                 [](const std::string& s) { return leadingInteger(s); }},
                      value);
}

bool boolValueOf(const DefaultsValue& value) {
    return std::visit(Overloaded{[](DefaultsNil) { return false; }, [](bool b) { return b; },
                                 [](int32_t i) { return i != 0; },
                                 [](const std::string& s) { return leadingTruth(s); }},
                      value);
}

std::optional<std::string> stringValueOf(const DefaultsValue& value) {
    return std::visit(Overloaded{[](DefaultsNil) { return std::optional<std::string>(); },
                                 [](bool b) { return std::optional<std::string>(b ? "1" : "0"); },
                                 [](int32_t i) { return std::optional<std::string>(std::to_string(i)); },
                                 [](const std::string& s) { return std::optional<std::string>(s); }},
                      value);
}

void UserDefaults::registerDefaults(const DefaultsDictionary& defaults) {
    for (const auto& item : defaults) {
        // Named copies of the pair's members: a lambda may not capture a structured binding in C++20
        // as clang 14 implements it (the fuzz build's compiler).
        const auto& key = item.first;
        const auto& value = item.second;
        auto existing = std::find_if(m_registered.begin(), m_registered.end(),
                                     [&](const auto& entry) { return entry.first == key; });
        if (existing != m_registered.end()) {
            existing->second = value;
        } else {
            m_registered.emplace_back(key, value);
            m_registeredOrder.push_back(key);
        }
    }
}

DefaultsValue UserDefaults::objectForKey(const std::string& key) const {
    if (std::optional<DefaultsValue> stored = storedValue(key))
        return *stored;
    for (const auto& [registeredKey, value] : m_registered) {
        if (registeredKey == key)
            return value;
    }
    return DefaultsNil{};
}

int32_t UserDefaults::integerForKey(const std::string& key) const {
    return integerValueOf(objectForKey(key));
}

bool UserDefaults::boolForKey(const std::string& key) const {
    return boolValueOf(objectForKey(key));
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const {
    return stringValueOf(objectForKey(key));
}

void UserDefaults::setObject(const DefaultsValue& value, const std::string& key) {
    if (std::holds_alternative<DefaultsNil>(value))
        removeStoredValue(key);
    else
        storeValue(key, value);
}

} // namespace fw
