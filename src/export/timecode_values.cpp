#include "export/timecode_values.h"

#include "framefiles/dpx_timecode.h"

TimeCodeDef exportTimeCodeDef(int32_t timeScale, int32_t frameDuration, bool dropFrame) {
    TimeCodeDef def;
    def.flags = dropFrame ? (tc24HourMax | tcDropFrame) : tc24HourMax;
    def.fTimeScale = timeScale;
    def.frameDuration = frameDuration;
    float perSecond = frameDuration != 0 ? float(timeScale) / float(frameDuration) + 0.5f : 0.0f;
    def.numFrames = perSecond > 0.0f && perSecond < 256.0f ? uint8_t(perSecond) : 0;
    def.padding = 0;
    return def;
}

TimeCodeRecord exportTimeCodeRecord(uint32_t bcdTimeCode) {
    const uint32_t digits = bcdTimeCode & kTimeCodeDigitMask;
    auto pair = [digits](int shift) {
        return uint8_t(((digits >> (shift + 4)) & 0xF) * 10 + ((digits >> shift) & 0xF));
    };
    TimeCodeRecord record{};
    record.t.hours = pair(24);
    record.t.minutes = pair(16);
    record.t.seconds = pair(8);
    record.t.frames = pair(0);
    return record;
}
