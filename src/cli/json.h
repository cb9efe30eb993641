// The commands' --json output, built value by value in the order written; the document is made and
// written by nlohmann's JSON library. Strings are UTF-8: bytes that are not are taken as Latin-1
// (see jsonText()), so the output is always valid JSON and every byte can be recovered.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class JsonWriter {
public:
    JsonWriter();
    ~JsonWriter();
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;

    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(const std::string& name);

    JsonWriter& value(const std::string& text);
    JsonWriter& value(const char* text);
    JsonWriter& value(bool flag);
    JsonWriter& value(int64_t number);
    JsonWriter& value(int number) { return value(int64_t(number)); }
    JsonWriter& value(uint32_t number) { return value(int64_t(number)); }
    JsonWriter& value(uint64_t number);
    /// Whole numbers are written as integers (1024, not 1024.0); others as the shortest decimal.
    JsonWriter& value(double number);
    JsonWriter& null();
    template <typename T> JsonWriter& value(const std::optional<T>& maybe) {
        return maybe ? value(*maybe) : null();
    }

    /// key(name).value(v) in one call.
    template <typename T> JsonWriter& field(const std::string& name, const T& v) {
        return key(name).value(v);
    }

    /// The document written so far, compact, on one line.
    const std::string& str() const;

private:
    struct Document;
    std::unique_ptr<Document> m_document;
    mutable std::string m_text;
};

/// {"problems":["..."]}: what a command given --json prints when it fails before it has more to say.
std::string problemsJson(const std::string& problem);
