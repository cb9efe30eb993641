#include "cli/display_text.h"

#include <cstdio>

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

std::string printable(const std::string& raw) {
    std::string out;
    for (unsigned char c : raw) {
        if (c >= 32 && c < 127 && c != '\\') {
            out += char(c);
        } else {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02x", c);
            out += code;
        }
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
