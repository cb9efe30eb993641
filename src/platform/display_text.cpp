#include "platform/display_text.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

bool isValidUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = text[i];
        size_t extra = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : (c >> 3) == 0x1E ? 3 : 4;
        if (extra == 4 || i + extra >= text.size() + (extra == 0))
            return false;
        for (size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2)
                return false;
        i += extra + 1;
    }
    return true;
}

std::string jsonText(const std::string& raw) {
    if (isValidUtf8(raw))
        return raw;
    std::string out;
    for (unsigned char c : raw) {
        if (c < 0x80) {
            out += char(c);
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

namespace {

/// Whether the user's locale takes UTF-8 (LC_ALL, else LC_CTYPE, else LANG), read once.
bool utf8Locale() {
    static const bool utf8 = [] {
        for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
            const char* value = std::getenv(name);
            if (!value || !*value)
                continue;
            std::string text(value);
            for (char& c : text)
                c = char(std::tolower(static_cast<unsigned char>(c)));
            return text.find("utf-8") != std::string::npos || text.find("utf8") != std::string::npos;
        }
        return false;
    }();
    return utf8;
}

/// The length of the well-formed UTF-8 sequence at `at` that is a printable character (not a C1
/// control), or 0.
size_t printableUtf8At(const std::string& text, size_t at) {
    const unsigned char lead = text[at];
    const size_t length = (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || at + length > text.size() || !isValidUtf8(text.substr(at, length)))
        return 0;
    if (lead == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0)
        return 0; // U+0080-U+009F
    return length;
}

} // namespace

std::string printable(const std::string& raw) {
    const bool utf8 = utf8Locale();
    std::string out;
    for (size_t at = 0; at < raw.size();) {
        const unsigned char c = raw[at];
        if (c >= 32 && c < 127 && c != '\\') {
            out += char(c);
            ++at;
            continue;
        }
        if (size_t length = utf8 && c >= 0x80 ? printableUtf8At(raw, at) : 0; length > 0) {
            out.append(raw, at, length);
            at += length;
            continue;
        }
        char code[8];
        std::snprintf(code, sizeof code, "\\x%02x", c);
        out += code;
        ++at;
    }
    return out;
}

namespace {

/// The length of the well-formed UTF-8 sequence at text[i] (1 to 4), or 0.
size_t utf8SequenceLength(const std::string& text, size_t i) {
    const unsigned char c = text[i];
    size_t length = c < 0x80             ? 1
                    : (c & 0xE0) == 0xC0 ? 2
                    : (c & 0xF0) == 0xE0 ? 3
                    : (c & 0xF8) == 0xF0 ? 4
                                         : 0;
    if (length == 0 || i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 0;
    return length;
}

} // namespace

std::string terminalText(const std::string& raw) {
    std::string out;
    size_t i = 0;
    while (i < raw.size()) {
        const unsigned char c = raw[i];
        size_t length = utf8SequenceLength(raw, i);
        // U+0080..U+009F (C2 80..C2 9F) are control characters too.
        bool control = c < 0x20 || c == 0x7F || c == '\\' ||
                       (length == 2 && c == 0xC2 && static_cast<unsigned char>(raw[i + 1]) < 0xA0);
        if (length == 0 || control) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02x", c);
            out += code;
            ++i;
        } else {
            out.append(raw, i, length);
            i += length;
        }
    }
    return out;
}
