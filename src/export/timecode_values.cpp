#include "export/timecode_values.h"

#include "framefiles/dpx_timecode.h"
#include "platform/movie/movie_errors.h"

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

TimeCodeRecord exportTimeCodeRecord(uint32_t bcdTimeCode, int numFrames) {
    const uint32_t digits = timeCodeDigits(bcdTimeCode, numFrames > 30);
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

uint32_t offsetTimeCode(uint32_t bcdTimeCode, int32_t offset, const TimeCodeDef& def) {
    if (bcdTimeCode == kNoTimeCode)
        return bcdTimeCode;
    int32_t frameNumber = 0;
    if (TimeCodeToFrameNumber(def, exportTimeCodeRecord(bcdTimeCode, def.numFrames), frameNumber) != noErr)
        return bcdTimeCode;
    // The definition's 24-hour wrap takes a frame before 00:00:00:00 to the day before.
    TimeCodeDef wrapping = def;
    wrapping.flags = (def.flags | tc24HourMax) & ~tcNegTimesOK;
    const int32_t target = int32_t((int64_t(frameNumber) + offset) % (int64_t(1) << 30));
    TimeCodeRecord record{};
    if (FrameNumberToTimeCode(wrapping, target, record) != noErr)
        return bcdTimeCode;
    auto bcd = [](uint8_t value) { return uint32_t(value / 10 % 10) << 4 | uint32_t(value % 10); };
    return bcd(record.t.hours) << 24 | bcd(record.t.minutes & 0x7F) << 16 | bcd(record.t.seconds) << 8 |
           bcd(record.t.frames);
}
