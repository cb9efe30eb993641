#include "framefiles/dpx_timecode.h"

#include <cmath>
#include <cstdio>

uint32_t timeCodeDigits(uint32_t timeCode, bool framesAbove30) {
    return timeCode & (framesAbove30 ? kHighRateTimeCodeDigitMask : kTimeCodeDigitMask);
}

std::string timeCodeString(uint32_t timeCode, bool framesAbove30) {
    uint32_t digits = timeCodeDigits(timeCode, framesAbove30);
    char text[12];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x", (digits >> 24) & 0xFF, (digits >> 16) & 0xFF,
                  (digits >> 8) & 0xFF, digits & 0xFF);
    return text;
}

bool headerRateAbove30(float filmFrameRate, float temporalSamplingRate) {
    auto above = [](float rate) { return std::isfinite(rate) && rate > 30.0f && rate < 1000.0f; };
    return above(filmFrameRate) || above(temporalSamplingRate);
}
