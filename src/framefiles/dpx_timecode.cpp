#include "framefiles/dpx_timecode.h"

#include <cstdio>

std::string timeCodeString(uint32_t timeCode) {
    uint32_t digits = timeCode & kTimeCodeDigitMask;
    char text[12];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x", (digits >> 24) & 0xFF, (digits >> 16) & 0xFF,
                  (digits >> 8) & 0xFF, digits & 0xFF);
    return text;
}
