// The DPX time code value: eight BCD digits hh mm ss ff from the most significant nibble down,
// 0xFFFFFFFF for no time code. SMPTE 12M keeps flag bits in the digit bytes; they are no digits.
//
//   bits 31-30  flags (binary group, field)   29-28 hours tens   27-24 hours units
//   bit  23     flag                          22-20 minutes tens 19-16 minutes units
//   bit  15     flag (field/binary group)     14-12 seconds tens 11-8  seconds units
//   bit  7      colour frame   bit 6 drop frame   5-4 frames tens    3-0  frames units
#pragma once

#include <cstdint>
#include <string>

constexpr uint32_t kNoTimeCode = 0xFFFFFFFF;
constexpr uint32_t kTimeCodeDigitMask = 0x3F7F7F3F; // clears every flag bit above

/// "hh:mm:ss:ff" of a time code value with its flag bits masked off. Digits are not validated: a
/// nibble above 9 shows as a hex digit a-f, so 0x50a359d2 reads "10:23:59:12" and 0x0000001a "00:00:00:1a".
std::string timeCodeString(uint32_t timeCode);
