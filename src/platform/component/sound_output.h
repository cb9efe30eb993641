// Sound output component calls: asking and setting a sound output device's sample rate.
#pragma once

#include "platform/component/component_implementation.h"
#include "platform/component/component_types.h"
#include "platform/memory.h"

#include <cstdint>

using UnsignedFixed = uint32_t; // unsigned 16.16 fixed point

constexpr OSType kSoundOutputDeviceType = FourCC("sdev");

/// GetSoundOutputInfo selector: the offered rates, into a SoundInfoList.
constexpr OSType siSampleRateAvailable = FourCC("srav");
/// Get: the current rate into an UnsignedFixed. Set: the rate itself passed as the info pointer's
/// value, `reinterpret_cast<const void*>(uintptr_t(rate))`; 0 leaves the device's rate as it is.
constexpr OSType siSampleRate = FourCC("srat");

constexpr OSErr siInvalidSampleRate = -225; // a rate the device does not offer
constexpr OSErr siUnknownInfoType = -231;   // a selector the device does not answer

/// `infoHandle` holds `count` rates, each a 32-bit big-endian UnsignedFixed; the caller disposes of it.
struct SoundInfoList {
    int16_t count = 0;
    Handle infoHandle = nullptr;
};

/// Every selector fails with siUnknownInfoType unless the component overrides it.
class SoundOutputImplementation : public ComponentImplementation {
public:
    virtual OSErr getInfo(OSType /*selector*/, void* /*infoPtr*/) { return siUnknownInfoType; }
    virtual OSErr setInfo(OSType /*selector*/, const void* /*infoPtr*/) { return siUnknownInfoType; }
};

/// invalidComponentID for a component that the current registry does not hold or that is not a
/// sound output.
OSErr GetSoundOutputInfo(Component outputDevice, OSType selector, void* infoPtr);
OSErr SetSoundOutputInfo(Component outputDevice, OSType selector, const void* infoPtr);
