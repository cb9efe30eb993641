#include "platform/movie/timecode.h"

#include "platform/bigendian.h"
#include "platform/movie/movie_model.h"
#include "platform/movie/user_data_record.h"

#include <cstdio>
#include <cstring>
#include <limits>

namespace {

using namespace TimeCodeDescriptionLayout;

constexpr size_t kNameAtomHeader = 12; // u32 size, 'name', u16 text length, u16 language

/// Labels skipped at the start of each minute (except every tenth): 2 at 30 frames, 4 at 60.
int64_t dropPerMinute(const TimeCodeDef& def) {
    if (!(def.flags & tcDropFrame) || def.numFrames % 30 != 0)
        return 0;
    return def.numFrames / 15;
}

int64_t framesPerDay(const TimeCodeDef& def) {
    int64_t fps = def.numFrames;
    int64_t drop = dropPerMinute(def);
    return 24 * 6 * (10 * 60 * fps - 9 * drop);
}

OSErr checkTimeCodeHandler(MediaHandler mh) {
    if (!mh || !mh->media)
        return paramErr;
    return mh->media->type == TimeCodeMediaType ? noErr : mediaHandlerSelectorErr;
}

} // namespace

void WriteTimeCodeDef(uint8_t* bytes, const TimeCodeDef& def) {
    be::writeU32(bytes, uint32_t(def.flags));
    be::writeU32(bytes + 4, uint32_t(def.fTimeScale));
    be::writeU32(bytes + 8, uint32_t(def.frameDuration));
    bytes[12] = def.numFrames;
    bytes[13] = def.padding;
}

TimeCodeDef ReadTimeCodeDef(const uint8_t* bytes) {
    TimeCodeDef def;
    def.flags = int32_t(be::readU32(bytes));
    def.fTimeScale = TimeScale(be::readU32(bytes + 4));
    def.frameDuration = TimeValue(be::readU32(bytes + 8));
    def.numFrames = bytes[12];
    def.padding = bytes[13];
    return def;
}

OSErr TimeCodeToFrameNumber(const TimeCodeDef& def, const TimeCodeRecord& record, int32_t& frameNumber) {
    frameNumber = 0;
    if (def.numFrames == 0)
        return paramErr;
    int64_t fps = def.numFrames;
    bool negative = (record.t.minutes & tctNegFlag) != 0;
    int64_t minutes = int64_t(record.t.hours) * 60 + (record.t.minutes & ~tctNegFlag);
    int64_t frames = (minutes * 60 + record.t.seconds) * fps + record.t.frames;
    frames -= dropPerMinute(def) * (minutes - minutes / 10);
    if (def.flags & tc24HourMax)
        frames %= framesPerDay(def);
    frameNumber = int32_t(negative ? -frames : frames);
    return noErr;
}

OSErr FrameNumberToTimeCode(const TimeCodeDef& def, int32_t frameNumber, TimeCodeRecord& record) {
    record.counter = 0;
    if (def.numFrames == 0)
        return paramErr;
    int64_t fps = def.numFrames;
    int64_t drop = dropPerMinute(def);
    int64_t n = frameNumber;
    bool negative = false;
    if (n < 0) {
        if ((def.flags & tc24HourMax) && !(def.flags & tcNegTimesOK)) {
            n = (n % framesPerDay(def) + framesPerDay(def)) % framesPerDay(def);
        } else {
            negative = true;
            n = -n;
        }
    } else if (def.flags & tc24HourMax) {
        n %= framesPerDay(def);
    }
    if (drop) {
        // Back from frames to labels: add the labels skipped before this frame.
        int64_t perTenMinutes = 10 * 60 * fps - 9 * drop;
        int64_t perMinute = 60 * fps - drop;
        int64_t tens = n / perTenMinutes;
        int64_t rest = n % perTenMinutes;
        n += 9 * drop * tens + (rest > drop ? drop * ((rest - drop) / perMinute) : 0);
    }
    int64_t hours = n / (fps * 3600);
    record.t.frames = uint8_t(n % fps);
    record.t.seconds = uint8_t((n / fps) % 60);
    record.t.minutes = uint8_t((n / (fps * 60)) % 60) | (negative ? tctNegFlag : 0);
    record.t.hours = uint8_t(hours);
    return hours > std::numeric_limits<uint8_t>::max() ? invalidTime : noErr;
}

std::string TimeCodeString(const TimeCodeRecord& record, bool dropFrame) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%02u:%02u:%02u%c%02u", (record.t.minutes & tctNegFlag) ? "-" : "",
                  unsigned(record.t.hours), unsigned(record.t.minutes & ~tctNegFlag),
                  unsigned(record.t.seconds), dropFrame ? ';' : ':', unsigned(record.t.frames));
    return text;
}

OSErr TCSetTimeCodeFlags(MediaHandler mh, int32_t flags, int32_t flagsMask) {
    if (OSErr err = checkTimeCodeHandler(mh); err != noErr)
        return err;
    mh->timeCodeFlags = (mh->timeCodeFlags & ~flagsMask) | (flags & flagsMask);
    return noErr;
}

OSErr TCGetTimeCodeFlags(MediaHandler mh, int32_t* flags) {
    if (OSErr err = checkTimeCodeHandler(mh); err != noErr)
        return err;
    if (!flags)
        return paramErr;
    *flags = mh->timeCodeFlags;
    return noErr;
}

OSErr TCSetSourceRef(MediaHandler mh, TimeCodeDescriptionHandle tcdH, UserData srefH) {
    if (OSErr err = checkTimeCodeHandler(mh); err != noErr)
        return err;
    Size handleSize = GetHandleSize(tcdH);
    if (!tcdH || handleSize < Size(kSizeWithoutSource))
        return paramErr;
    const auto* bytes = reinterpret_cast<const uint8_t*>(*tcdH);
    uint32_t descSize = be::readU32(bytes, kDescSize);
    if (be::readU32(bytes, kDataFormat) != TimeCodeMediaType || descSize < kSourceRef ||
        descSize > uint64_t(handleSize))
        return paramErr;

    const UserDataText* name = nullptr;
    if (srefH) {
        const UserDataItem* item = FindUserDataItem(*srefH, TCSourceRefNameType, 1);
        if (item && !item->texts.empty())
            name = &item->texts.front();
    }
    if (name && name->text.size() > 0xFFFF)
        return paramErr; // the text length is a 16-bit field

    // The 'name' atom takes the place of the 4 zero bytes at kSourceRef.
    size_t newSize = name ? kSourceRef + kNameAtomHeader + name->text.size() : kSizeWithoutSource;
    SetHandleSize(tcdH, Size(newSize));
    if (OSErr err = MemError(); err != noErr)
        return err;
    auto* out = reinterpret_cast<uint8_t*>(*tcdH);
    be::writeU32(out + kDescSize, uint32_t(newSize));
    if (name) {
        be::writeU32(out + kSourceRef, uint32_t(kNameAtomHeader + name->text.size()));
        be::writeU32(out + kSourceRef + 4, TCSourceRefNameType);
        be::writeU16(out + kSourceRef + 8, uint16_t(name->text.size()));
        be::writeU16(out + kSourceRef + 10, 0); // language: English
        std::memcpy(out + kSourceRef + kNameAtomHeader, name->text.data(), name->text.size());
    } else {
        be::writeU32(out + kSourceRef, 0);
    }
    return noErr;
}

OSErr TCTimeCodeToFrameNumber(MediaHandler mh, TimeCodeDef* tcdef, TimeCodeRecord* tcrec,
                              int32_t* frameNumber) {
    if (OSErr err = checkTimeCodeHandler(mh); err != noErr)
        return err;
    if (!tcdef || !tcrec || !frameNumber)
        return paramErr;
    return TimeCodeToFrameNumber(*tcdef, *tcrec, *frameNumber);
}

OSErr TCFrameNumberToTimeCode(MediaHandler mh, int32_t frameNumber, TimeCodeDef* tcdef,
                              TimeCodeRecord* tcrec) {
    if (OSErr err = checkTimeCodeHandler(mh); err != noErr)
        return err;
    if (!tcdef || !tcrec)
        return paramErr;
    return FrameNumberToTimeCode(*tcdef, frameNumber, *tcrec);
}
