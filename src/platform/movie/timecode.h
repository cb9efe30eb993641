// The timecode media handler and its values.
//
// A timecode definition gives the counting: flags (tcDropFrame, tc24HourMax, tcNegTimesOK), the time
// scale and frame duration of one frame, and the whole frames per second (numFrames). A timecode record
// is hours, minutes, seconds, frames as plain numbers (not BCD); bit 7 of minutes marks a negative time.
//
// Drop-frame counting (SMPTE 12M) labels frames as if there were numFrames per second but skips the
// first numFrames / 15 labels of every minute except every tenth minute: at 30 frames, 01:00:00;00 is
// frame 108000 - 2 * (60 - 6) = 107892. Drop frame applies to numFrames that are multiples of 30.
#pragma once

#include "platform/movie/movies.h"
#include "platform/movie/user_data.h"

#include <cstdint>
#include <string>

constexpr int32_t tcDropFrame = 1 << 0;
constexpr int32_t tc24HourMax = 1 << 1;
constexpr int32_t tcNegTimesOK = 1 << 2;
constexpr int32_t tcdfShowTimeCode = 1 << 0; // display flag of TCSetTimeCodeFlags
constexpr uint8_t tctNegFlag = 0x80;         // in TimeCodeTime::minutes
constexpr OSType TCSourceRefNameType = FourCC("name");

struct TimeCodeDef {
    int32_t flags = 0;
    TimeScale fTimeScale = 0;
    TimeValue frameDuration = 0;
    uint8_t numFrames = 0;
    uint8_t padding = 0;
};

struct TimeCodeTime {
    uint8_t hours;
    uint8_t minutes;
    uint8_t seconds;
    uint8_t frames;
};

union TimeCodeRecord {
    TimeCodeTime t;
    int32_t counter;
};

/// The timecode sample description ('tmcd'), big-endian, as laid out in a handle.
namespace TimeCodeDescriptionLayout {
constexpr size_t kDescSize = 0;      // u32: 38, or 34 + the source reference's size
constexpr size_t kDataFormat = 4;    // 'tmcd'
constexpr size_t kDataRefIndex = 14; // u16
constexpr size_t kFlags = 16;        // u32, 0
constexpr size_t kTimeCodeDef = 20;  // 14 bytes: flags, fTimeScale, frameDuration, numFrames, padding
constexpr size_t kSourceRef = 34;    // 4 zero bytes, or the 'name' atom that replaces them
constexpr size_t kSizeWithoutSource = 38;
constexpr size_t kTimeCodeDefSize = 14;
} // namespace TimeCodeDescriptionLayout
using TimeCodeDescriptionHandle = Handle;

/// The 14 big-endian bytes of a definition, as in the timecode description.
void WriteTimeCodeDef(uint8_t* bytes, const TimeCodeDef& def);
TimeCodeDef ReadTimeCodeDef(const uint8_t* bytes);

// --- Timecode arithmetic (the handler calls below use these) ----------------------------------------

/// Frame number of a timecode under a definition: frames since 00:00:00:00, drop-frame aware, wrapped
/// at 24 hours with tc24HourMax, negative with tctNegFlag. paramErr (and 0) when numFrames is 0.
OSErr TimeCodeToFrameNumber(const TimeCodeDef& def, const TimeCodeRecord& record, int32_t& frameNumber);
/// The timecode of a frame number; negative numbers set tctNegFlag with tcNegTimesOK, else wrap at 24
/// hours. paramErr when numFrames is 0.
OSErr FrameNumberToTimeCode(const TimeCodeDef& def, int32_t frameNumber, TimeCodeRecord& record);
/// "hh:mm:ss:ff", or "hh:mm:ss;ff" for drop frame, "-" in front of a negative time.
std::string TimeCodeString(const TimeCodeRecord& record, bool dropFrame);

// --- The timecode media handler ---------------------------------------------------------------------

/// Sets the display flags (tcdfShowTimeCode) selected by flagsMask. They are kept by the handler and
/// not written into the file: the track's enabled state decides whether readers show it.
OSErr TCSetTimeCodeFlags(MediaHandler mh, int32_t flags, int32_t flagsMask);
OSErr TCGetTimeCodeFlags(MediaHandler mh, int32_t* flags);
/// Stores the user data's 'name' text (index 1, first region) in the description as its source
/// reference: a 'name' atom (u32 size, 'name', u16 length, u16 language, the text) replacing the 4
/// zero bytes at offset 34; the handle and descSize grow to hold it. Without a 'name' item the source
/// reference is cleared. paramErr for a description that is not a timecode description or a name of
/// more than 65 535 bytes.
OSErr TCSetSourceRef(MediaHandler mh, TimeCodeDescriptionHandle tcdH, UserData srefH);
OSErr TCTimeCodeToFrameNumber(MediaHandler mh, TimeCodeDef* tcdef, TimeCodeRecord* tcrec,
                              int32_t* frameNumber);
OSErr TCFrameNumberToTimeCode(MediaHandler mh, int32_t frameNumber, TimeCodeDef* tcdef,
                              TimeCodeRecord* tcrec);
