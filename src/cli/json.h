// A small JSON writer for the commands' --json output: values are written in order, commas and
// string escapes are handled here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class JsonWriter {
public:
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
    JsonWriter& value(double number);
    JsonWriter& null();
    template <typename T> JsonWriter& value(const std::optional<T>& maybe) {
        return maybe ? value(*maybe) : null();
    }

    /// key(name).value(v) in one call.
    template <typename T> JsonWriter& field(const std::string& name, const T& v) {
        return key(name).value(v);
    }

    const std::string& str() const { return m_out; }

    static std::string escape(const std::string& text);

private:
    void separate();

    std::string m_out;
    std::vector<bool> m_first; // per open container: no element written yet
    bool m_afterKey = false;
};
