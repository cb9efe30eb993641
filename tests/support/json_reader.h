// Reads the JSON that the command-line tool prints, so tests can check it field by field.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

struct JsonValue {
    enum class Type { null, boolean, number, string, array, object };
    Type type = Type::null;
    bool boolean = false;
    double number = 0;
    std::string text; // UTF-8, escapes resolved
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;
    std::vector<std::string> keys; // object keys in the order written

    bool isNull() const { return type == Type::null; }
    /// The member `key`; throws std::out_of_range when the object has none.
    const JsonValue& operator[](const std::string& key) const { return members.at(key); }
    const JsonValue& operator[](size_t index) const { return items.at(index); }
};

/// Parses one JSON document (surrounding white space allowed); nullopt when it is not valid JSON.
std::optional<JsonValue> parseJson(const std::string& text);

} // namespace testsupport
