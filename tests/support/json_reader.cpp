#include "support/json_reader.h"

#include <nlohmann/json.hpp>

namespace testsupport {

namespace {

using Json = nlohmann::ordered_json;

JsonValue convert(const Json& json) {
    JsonValue value;
    switch (json.type()) {
    case Json::value_t::null:
    case Json::value_t::discarded:
        break;
    case Json::value_t::boolean:
        value.type = JsonValue::Type::boolean;
        value.boolean = json.get<bool>();
        break;
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float:
        value.type = JsonValue::Type::number;
        value.number = json.get<double>();
        break;
    case Json::value_t::string:
        value.type = JsonValue::Type::string;
        value.text = json.get<std::string>();
        break;
    case Json::value_t::array:
        value.type = JsonValue::Type::array;
        for (const Json& item : json)
            value.items.push_back(convert(item));
        break;
    case Json::value_t::object:
        value.type = JsonValue::Type::object;
        for (const auto& [key, member] : json.items()) {
            value.keys.push_back(key);
            value.members[key] = convert(member);
        }
        break;
    case Json::value_t::binary:
        break;
    }
    return value;
}

} // namespace

std::optional<JsonValue> parseJson(const std::string& text) {
    // Strict: invalid JSON, and strings that aren't valid UTF-8, give nullopt.
    Json json = Json::parse(text, nullptr, false);
    if (json.is_discarded())
        return std::nullopt;
    return convert(json);
}

} // namespace testsupport
