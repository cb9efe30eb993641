// The sound output of the software output device: a list of offered sample rates and the rate set.
//
// Tests script other sound outputs with it: any list of rates (also none, or one holding 0), and
// failing statuses for asking the rates or setting one.
#pragma once

#include "platform/component/sound_output.h"

#include <vector>

class SoftwareSoundOutput : public SoundOutputImplementation {
public:
    /// 48 kHz: 96 kHz does not fit an unsigned 16.16 rate.
    static constexpr UnsignedFixed kRate48000 = 0xBB800000;

    explicit SoftwareSoundOutput(std::vector<UnsignedFixed> rates = {kRate48000});

    /// 'srav': a SoundInfoList with a new handle of the offered rates. 'srat': the rate into an
    /// UnsignedFixed.
    OSErr getInfo(OSType selector, void* infoPtr) override;
    /// 'srat': one of the offered rates, or 0 to keep the current one; siInvalidSampleRate otherwise.
    OSErr setInfo(OSType selector, const void* infoPtr) override;

    UnsignedFixed sampleRate() const { return m_rate; }
    /// What the 'srat' calls asked for: how many there were, and the last rate passed.
    int rateRequests() const { return m_rateRequests; }
    UnsignedFixed lastRateRequested() const { return m_lastRateRequested; }

    void failAvailableRates(OSErr status) { m_availableStatus = status; }
    void failSetRate(OSErr status) { m_setStatus = status; }

private:
    std::vector<UnsignedFixed> m_rates;
    UnsignedFixed m_rate;
    int m_rateRequests = 0;
    UnsignedFixed m_lastRateRequested = 0;
    OSErr m_availableStatus = noErr;
    OSErr m_setStatus = noErr;
};
