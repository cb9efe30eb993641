#include "cli/json.h"

#include "platform/display_text.h"

#include <nlohmann/json.hpp>

#include <cmath>

using Json = nlohmann::ordered_json;

struct JsonWriter::Document {
    Json root;
    std::vector<Json*> open; // the containers begun and not yet ended, innermost last
    std::optional<std::string> pendingKey;

    /// Places a value where the writer stands: the root, the next array item, or the member of
    /// the key just written. Returns where it went.
    Json& place(Json value) {
        if (open.empty()) {
            root = std::move(value);
            return root;
        }
        Json& container = *open.back();
        if (container.is_array()) {
            container.push_back(std::move(value));
            return container.back();
        }
        Json& member = container[pendingKey.value_or(std::string())];
        member = std::move(value);
        pendingKey.reset();
        return member;
    }
};

JsonWriter::JsonWriter() : m_document(std::make_unique<Document>()) {}
JsonWriter::~JsonWriter() = default;

JsonWriter& JsonWriter::beginObject() {
    m_document->open.push_back(&m_document->place(Json::object()));
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    m_document->open.pop_back();
    return *this;
}

JsonWriter& JsonWriter::beginArray() {
    m_document->open.push_back(&m_document->place(Json::array()));
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    m_document->open.pop_back();
    return *this;
}

JsonWriter& JsonWriter::key(const std::string& name) {
    m_document->pendingKey = jsonText(name);
    return *this;
}

JsonWriter& JsonWriter::value(const std::string& text) {
    // JSON text is UTF-8: bytes that are not (names of other systems' files, text read from a file)
    // are taken as Latin-1, so that the output stays valid and every byte can be recovered.
    m_document->place(jsonText(text));
    return *this;
}

JsonWriter& JsonWriter::value(const char* text) {
    return text ? value(std::string(text)) : null();
}

JsonWriter& JsonWriter::value(bool flag) {
    m_document->place(flag);
    return *this;
}

JsonWriter& JsonWriter::value(int64_t number) {
    m_document->place(number);
    return *this;
}

JsonWriter& JsonWriter::value(uint64_t number) {
    m_document->place(number);
    return *this;
}

JsonWriter& JsonWriter::value(double number) {
    if (!std::isfinite(number))
        return null();
    if (number == std::trunc(number) && std::fabs(number) < 9e15)
        return value(int64_t(number));
    m_document->place(number);
    return *this;
}

JsonWriter& JsonWriter::null() {
    m_document->place(nullptr);
    return *this;
}

const std::string& JsonWriter::str() const {
    m_text = m_document->root.dump(-1, ' ', false, Json::error_handler_t::replace);
    return m_text;
}

std::string problemsJson(const std::string& problem) {
    JsonWriter out;
    out.beginObject().key("problems").beginArray().value(problem).endArray().endObject();
    return out.str();
}
