#include "platform/component/software_output_device.h"

const char* const kSoftwareOutputName = "Reelmaker Software Output";

SoftwareOutputDevice::SoftwareOutputDevice(std::vector<OutputModeDescription> modes)
    : m_modes(std::move(modes)) {}

ComponentResult SoftwareOutputDevice::close(ComponentInstance self) {
    // A client that closes without ending lets go of the device.
    if (m_claimedBy == self)
        m_claimedBy = nullptr;
    return noErr;
}

bool SoftwareOutputDevice::canDo(int16_t selector) const {
    switch (selector) {
    case kQTVideoOutputGetDisplayModeListSelect:
    case kQTVideoOutputSetClientNameSelect:
    case kQTVideoOutputBeginSelect:
    case kQTVideoOutputEndSelect:
    case kQTVideoOutputSetDisplayModeSelect:
    case kQTVideoOutputGetDisplayModeSelect:
    case kQTVideoOutputGetGWorldSelect:
    case kQTVideoOutputGetIndSoundOutputSelect:
    case kQTVideoOutputSetEchoPortSelect:
    case kSoftwareOutputSetTimeCodeSelect:
        return true;
    default:
        return ComponentImplementation::canDo(selector);
    }
}

ComponentResult SoftwareOutputDevice::dispatch(ComponentInstance, const ComponentParameters& params) {
    if (params.what != kSoftwareOutputSetTimeCodeSelect)
        return badComponentSelector;
    if (params.paramSize != 8)
        return paramErr;
    // Last parameter first: the record, then the definition.
    intptr_t record = params.params[0];
    intptr_t definition = params.params[1];
    m_hasTimeCode = record != 0 || definition != 0;
    return noErr;
}

ComponentResult SoftwareOutputDevice::getDisplayModeList(ComponentInstance, QTAtomContainer* list) {
    if (!list)
        return paramErr;
    return NewDisplayModeList(m_modes, list);
}

ComponentResult SoftwareOutputDevice::setClientName(ComponentInstance, const unsigned char* name) {
    if (!name)
        return paramErr;
    m_clientName.assign(reinterpret_cast<const char*>(name + 1), name[0]);
    return noErr;
}

ComponentResult SoftwareOutputDevice::setDisplayMode(ComponentInstance, long displayModeID) {
    if (m_claimedBy)
        return videoOutputInUseErr;
    if (displayModeID < 1 || size_t(displayModeID) > m_modes.size())
        return paramErr;
    m_displayMode = displayModeID;
    return noErr;
}

ComponentResult SoftwareOutputDevice::getDisplayMode(ComponentInstance, long* displayModeID) {
    if (!displayModeID)
        return paramErr;
    *displayModeID = m_displayMode;
    return noErr;
}

ComponentResult SoftwareOutputDevice::begin(ComponentInstance self) {
    if (m_claimedBy)
        return videoOutputInUseErr;
    if (m_modes.empty() || size_t(m_displayMode) > m_modes.size())
        return paramErr;
    const OutputModeDescription& mode = m_modes[size_t(m_displayMode) - 1];
    if (!m_surface) {
        m_surface = GWorld::create(mode.width, mode.height);
        if (!m_surface)
            return memFullErr;
    } else if (m_surface->width() != mode.width || m_surface->height() != mode.height) {
        if (OSErr status = m_surface->resize(mode.width, mode.height); status != noErr)
            return status;
    }
    m_surface->clear();
    m_claimedBy = self;
    return noErr;
}

ComponentResult SoftwareOutputDevice::end(ComponentInstance self) {
    if (m_claimedBy != self)
        return paramErr;
    m_claimedBy = nullptr;
    return noErr;
}

ComponentResult SoftwareOutputDevice::getGWorld(ComponentInstance self, GWorldPtr* gw) {
    if (!gw)
        return paramErr;
    *gw = nullptr;
    if (m_claimedBy != self)
        return paramErr;
    // Handed out to the client that draws frames into it; a front end showing the device reads the
    // same surface through surface(). Both run on the main thread, one after the other.
    *gw = m_surface.get();
    return noErr;
}

ComponentResult SoftwareOutputDevice::getIndSoundOutput(ComponentInstance, long index,
                                                        Component* outputComponent) {
    if (!outputComponent)
        return paramErr;
    *outputComponent = index == 1 ? m_soundOutput : nullptr;
    return *outputComponent ? noErr : paramErr;
}

ComponentResult SoftwareOutputDevice::setEchoPort(ComponentInstance, CGrafPtr echoPort) {
    m_echoPort = echoPort;
    return noErr;
}

SoftwareOutput RegisterSoftwareOutputDevice(ComponentRegistry& registry) {
    SoftwareOutput output;
    output.device = std::make_shared<SoftwareOutputDevice>();
    output.sound = std::make_shared<SoftwareSoundOutput>();
    output.soundOutput = registry.registerComponent(
        {kSoundOutputDeviceType, kSoftwareOutputSubType, kSoftwareOutputManufacturer, 0, 0},
        std::string(kSoftwareOutputName) + " Audio", output.sound);
    output.device->setSoundOutput(output.soundOutput);
    output.videoOutput = registry.registerComponent(
        {QTVideoOutputComponentType, kSoftwareOutputSubType, kSoftwareOutputManufacturer, 0, 0},
        kSoftwareOutputName, output.device, "Video output drawing into memory");
    return output;
}
