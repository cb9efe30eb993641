#include "videoout/component_code_text.h"

std::array<char, 4> ComponentCodeChars(OSType code) {
    if (code > 63)
        return {char(code >> 24), char(code >> 16), char(code >> 8), char(code)};
    return {' ', ' ', char('0' + code / 10), char('0' + code % 10)};
}
