#include "support/json_reader.h"

#include <cstdlib>

namespace testsupport {

namespace {

class Parser {
public:
    explicit Parser(const std::string& text) : m_text(text) {}

    bool document(JsonValue& out) {
        if (!value(out))
            return false;
        skipSpace();
        return m_pos == m_text.size();
    }

private:
    void skipSpace() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\n' ||
                                         m_text[m_pos] == '\r' || m_text[m_pos] == '\t'))
            ++m_pos;
    }
    bool literal(const char* word) {
        size_t n = std::char_traits<char>::length(word);
        if (m_text.compare(m_pos, n, word) != 0)
            return false;
        m_pos += n;
        return true;
    }
    bool value(JsonValue& out) {
        skipSpace();
        if (m_pos >= m_text.size())
            return false;
        char c = m_text[m_pos];
        if (c == '{')
            return object(out);
        if (c == '[')
            return array(out);
        if (c == '"') {
            out.type = JsonValue::Type::string;
            return string(out.text);
        }
        if (literal("true")) {
            out.type = JsonValue::Type::boolean;
            out.boolean = true;
            return true;
        }
        if (literal("false")) {
            out.type = JsonValue::Type::boolean;
            return true;
        }
        if (literal("null"))
            return true;
        const char* start = m_text.c_str() + m_pos;
        char* end = nullptr;
        out.number = std::strtod(start, &end);
        if (end == start)
            return false;
        out.type = JsonValue::Type::number;
        m_pos += size_t(end - start);
        return true;
    }
    bool object(JsonValue& out) {
        out.type = JsonValue::Type::object;
        ++m_pos;
        skipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == '}') {
            ++m_pos;
            return true;
        }
        for (;;) {
            skipSpace();
            std::string key;
            if (m_pos >= m_text.size() || m_text[m_pos] != '"' || !string(key))
                return false;
            skipSpace();
            if (m_pos >= m_text.size() || m_text[m_pos++] != ':')
                return false;
            JsonValue member;
            if (!value(member))
                return false;
            out.keys.push_back(key);
            out.members[key] = std::move(member);
            skipSpace();
            if (m_pos >= m_text.size())
                return false;
            char c = m_text[m_pos++];
            if (c == '}')
                return true;
            if (c != ',')
                return false;
        }
    }
    bool array(JsonValue& out) {
        out.type = JsonValue::Type::array;
        ++m_pos;
        skipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == ']') {
            ++m_pos;
            return true;
        }
        for (;;) {
            JsonValue item;
            if (!value(item))
                return false;
            out.items.push_back(std::move(item));
            skipSpace();
            if (m_pos >= m_text.size())
                return false;
            char c = m_text[m_pos++];
            if (c == ']')
                return true;
            if (c != ',')
                return false;
        }
    }
    static void appendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += char(code);
        } else if (code < 0x800) {
            out += char(0xC0 | (code >> 6));
            out += char(0x80 | (code & 0x3F));
        } else {
            out += char(0xE0 | (code >> 12));
            out += char(0x80 | ((code >> 6) & 0x3F));
            out += char(0x80 | (code & 0x3F));
        }
    }
    bool string(std::string& out) {
        ++m_pos; // opening quote
        while (m_pos < m_text.size()) {
            char c = m_text[m_pos++];
            if (c == '"')
                return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_pos >= m_text.size())
                return false;
            char e = m_text[m_pos++];
            switch (e) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case '/':
                out += '/';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                if (m_pos + 4 > m_text.size())
                    return false;
                appendUtf8(out, unsigned(std::strtoul(m_text.substr(m_pos, 4).c_str(), nullptr, 16)));
                m_pos += 4;
                break;
            }
            default:
                return false;
            }
        }
        return false;
    }

    const std::string& m_text;
    size_t m_pos = 0;
};

} // namespace

std::optional<JsonValue> parseJson(const std::string& text) {
    JsonValue value;
    Parser parser(text);
    if (!parser.document(value))
        return std::nullopt;
    return value;
}

} // namespace testsupport
