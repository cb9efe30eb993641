#include "platform/component/software_sound_output.h"

#include "platform/bigendian.h"

#include <algorithm>
#include <cstdint>

SoftwareSoundOutput::SoftwareSoundOutput(std::vector<UnsignedFixed> rates)
    : m_rates(std::move(rates)), m_rate(m_rates.empty() ? 0 : m_rates.front()) {}

OSErr SoftwareSoundOutput::getInfo(OSType selector, void* infoPtr) {
    if (!infoPtr)
        return paramErr;
    if (selector == siSampleRate) {
        *static_cast<UnsignedFixed*>(infoPtr) = m_rate;
        return noErr;
    }
    if (selector != siSampleRateAvailable)
        return siUnknownInfoType;
    if (m_availableStatus != noErr)
        return m_availableStatus;
    auto* list = static_cast<SoundInfoList*>(infoPtr);
    size_t count = std::min<size_t>(m_rates.size(), INT16_MAX);
    list->infoHandle = NewHandle(Size(count * 4));
    if (!list->infoHandle) {
        list->count = 0;
        return memFullErr;
    }
    list->count = int16_t(count);
    auto* bytes = reinterpret_cast<uint8_t*>(*list->infoHandle);
    for (size_t i = 0; i < count; ++i)
        be::writeU32(bytes + 4 * i, m_rates[i]);
    return noErr;
}

OSErr SoftwareSoundOutput::setInfo(OSType selector, const void* infoPtr) {
    if (selector != siSampleRate)
        return siUnknownInfoType;
    // The rate travels as the pointer's value.
    auto rate = UnsignedFixed(reinterpret_cast<uintptr_t>(infoPtr));
    ++m_rateRequests;
    m_lastRateRequested = rate;
    if (m_setStatus != noErr)
        return m_setStatus;
    if (rate == 0)
        return noErr;
    if (std::find(m_rates.begin(), m_rates.end(), rate) == m_rates.end())
        return siInvalidSampleRate;
    m_rate = rate;
    return noErr;
}
