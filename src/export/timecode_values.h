// The values the timecode track is made from: the definition (counting) and the record (the start).
#pragma once

#include "platform/movie/timecode.h"

#include <cstdint>

/// Flags tc24HourMax, plus tcDropFrame when `dropFrame`; the time scale and frame duration of one
/// frame; numFrames = timeScale / frameDuration in 32-bit floating point plus 0.5, truncated
/// (2997/100 gives 30, 5994/100 gives 60).
TimeCodeDef exportTimeCodeDef(int32_t timeScale, int32_t frameDuration, bool dropFrame);

/// Hours, minutes, seconds and frames of a BCD time code value (hh mm ss ff from the most
/// significant nibble), each tens x 10 + units, read with the SMPTE flag bits masked: a header
/// that sets its drop-frame or colour-frame flag still gives its digits. At `numFrames` above 30 the
/// frames' bit 6 is a digit (01:00:00:45 at 50 fps). Digits are not tested against 9.
TimeCodeRecord exportTimeCodeRecord(uint32_t bcdTimeCode, int numFrames);

/// The BCD time code (no flag bits) of the frame `offset` frames after `bcdTimeCode` (before it when
/// negative), counted under `def` with drop frame and wrapped at 24 hours: 01:00:00:16 + 4 at 24 fps
/// is 01:00:00:20; 00:00:59;29 + 1 at 29.97 drop frame is 00:01:00;02. kNoTimeCode stays itself, and
/// so does the value when `def` counts no frames.
uint32_t offsetTimeCode(uint32_t bcdTimeCode, int32_t offset, const TimeCodeDef& def);
