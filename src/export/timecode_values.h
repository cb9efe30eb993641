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
/// that sets its drop-frame or colour-frame flag still gives its digits. Digits are not tested
/// against 9.
TimeCodeRecord exportTimeCodeRecord(uint32_t bcdTimeCode);
