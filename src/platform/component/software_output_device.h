// The software output device: a video output component that draws into memory.
//
// It stands in for the output card: type 'vout', subtype 'TavX', manufacturer 'QexV', with the
// display modes of SoftwareOutputDisplayModes() and a sound output component offering 48 kHz.
// QTVideoOutputBegin claims the device for one instance and readies a black surface of the
// current mode's size; QTVideoOutputEnd releases it. The surface keeps the last picture after the
// end, so a front end can still show it or write it out.
//
// Tests script faulty devices by deriving from it and overriding a call, or by handing it other
// modes; its calls are virtual through VideoOutputImplementation.
#pragma once

#include "platform/component/component_registry.h"
#include "platform/component/software_output_modes.h"
#include "platform/component/software_sound_output.h"
#include "platform/component/video_output.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

constexpr OSType kSoftwareOutputSubType = FourCC("TavX");
constexpr OSType kSoftwareOutputManufacturer = FourCC("QexV");
/// The device's private call: timecode definition and record (pointers; both null clear the
/// device's timecode), made through CallComponentDispatch with 8 bytes of parameters.
constexpr int16_t kSoftwareOutputSetTimeCodeSelect = 257;

class SoftwareOutputDevice : public VideoOutputImplementation {
public:
    explicit SoftwareOutputDevice(std::vector<OutputModeDescription> modes = SoftwareOutputDisplayModes());

    /// The sound output that QTVideoOutputGetIndSoundOutput hands out as index 1; null for none.
    void setSoundOutput(Component soundOutput) { m_soundOutput = soundOutput; }

    ComponentResult close(ComponentInstance self) override;
    bool canDo(int16_t selector) const override;
    ComponentResult dispatch(ComponentInstance self, const ComponentParameters& params) override;

    ComponentResult getDisplayModeList(ComponentInstance self, QTAtomContainer* list) override;
    ComponentResult setClientName(ComponentInstance self, const unsigned char* name) override;
    /// paramErr for a mode outside 1 to the mode count; videoOutputInUseErr while claimed.
    ComponentResult setDisplayMode(ComponentInstance self, long displayModeID) override;
    ComponentResult getDisplayMode(ComponentInstance self, long* displayModeID) override;
    /// videoOutputInUseErr while claimed; paramErr without modes; memFullErr without a surface.
    ComponentResult begin(ComponentInstance self) override;
    /// paramErr when this instance does not hold the device.
    ComponentResult end(ComponentInstance self) override;
    /// The surface, for the instance that holds the device (paramErr for any other).
    ComponentResult getGWorld(ComponentInstance self, GWorldPtr* gw) override;
    /// Index 1 is the sound output; any other index, or no sound output, gives null and paramErr.
    ComponentResult getIndSoundOutput(ComponentInstance self, long index,
                                      Component* outputComponent) override;
    ComponentResult setEchoPort(ComponentInstance self, CGrafPtr echoPort) override;

    // What the device shows, for front ends and tests.

    /// The drawing surface: null before the first QTVideoOutputBegin. A front end reads it on the
    /// main thread, the thread that also draws frames into it, so no lock is needed; it repaints
    /// when the surface's drawCount() changes.
    const GWorld* surface() const { return m_surface.get(); }
    bool claimed() const { return m_claimedBy != nullptr; }
    long displayMode() const { return m_displayMode; }
    const std::vector<OutputModeDescription>& modes() const { return m_modes; }
    /// The name the last client gave (empty if none).
    const std::string& clientName() const { return m_clientName; }
    bool hasTimeCode() const { return m_hasTimeCode; }
    CGrafPtr echoPort() const { return m_echoPort; }

private:
    std::vector<OutputModeDescription> m_modes;
    Component m_soundOutput = nullptr;
    long m_displayMode = 1;
    ComponentInstance m_claimedBy = nullptr;
    std::unique_ptr<GWorld> m_surface;
    std::string m_clientName;
    bool m_hasTimeCode = false;
    CGrafPtr m_echoPort = nullptr;
};

/// The registered software output device: its components and their implementations.
struct SoftwareOutput {
    Component videoOutput = nullptr;
    Component soundOutput = nullptr;
    std::shared_ptr<SoftwareOutputDevice> device;
    std::shared_ptr<SoftwareSoundOutput> sound;
};

/// Registers the device's video output ('vout'/'TavX'/'QexV') and its sound output
/// ('sdev'/'TavX'/'QexV') in the registry; the application does this once at start-up.
SoftwareOutput RegisterSoftwareOutputDevice(ComponentRegistry& registry);

/// The name the device registers under, as the "VideoOut" menu shows it.
extern const char* const kSoftwareOutputName;
