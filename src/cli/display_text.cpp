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
