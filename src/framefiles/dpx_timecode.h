// The DPX time code value: eight BCD digits hh mm ss ff from the most significant nibble down,
// 0xFFFFFFFF for no time code. SMPTE 12M keeps flag bits in the digit bytes; they are no digits.
//
//   bits 31-30  flags (binary group, field)   29-28 hours tens   27-24 hours units
//   bit  23     flag                          22-20 minutes tens 19-16 minutes units
//   bit  15     flag (field/binary group)     14-12 seconds tens 11-8  seconds units
//   bit  7      colour frame   bit 6 drop frame   5-4 frames tens    3-0  frames units
//
// Above 30 frames per second (50, 59.94, 60) the frames count reaches 40-59: there bits 6-4 are the
// frames-tens digit and bit 6 is no flag, so it is masked only at rates up to 30.
#pragma once

#include <cstdint>
#include <string>

constexpr uint32_t kNoTimeCode = 0xFFFFFFFF;
constexpr uint32_t kTimeCodeDigitMask = 0x3F7F7F3F;         // clears every flag bit above
constexpr uint32_t kHighRateTimeCodeDigitMask = 0x3F7F7F7F; // keeps bit 6: frames tens 0-5

/// The time code's digits with the flag bits masked: `framesAbove30` (a count of more than 30
/// frames per second) keeps bit 6 as part of the frames-tens digit. 0x01000045 gives 0x01000005 at
/// 25 fps and 0x01000045 (01:00:00:45) at 50 fps.
uint32_t timeCodeDigits(uint32_t timeCode, bool framesAbove30);

/// "hh:mm:ss:ff" of a time code value with its flag bits masked off. Digits are not validated: a
/// nibble above 9 shows as a hex digit a-f, so 0x50a359d2 reads "10:23:59:12" and 0x0000001a "00:00:00:1a".
std::string timeCodeString(uint32_t timeCode, bool framesAbove30 = false);

/// Whether a DPX header's own rate fields (film frame rate, television temporal sampling rate) say
/// more than 30 frames per second; unset fields (all bits set, NaN, zero) say nothing.
bool headerRateAbove30(float filmFrameRate, float temporalSamplingRate);
