#include "app/device_video_out.h"

DeviceVideoOut::DeviceVideoOut(OSType componentType, OSType subType, OSType manufacturer)
    : m_output(RegisterSoftwareOutputDevice(m_registry)),
      m_videoOut(MyVideoOut::initWithComponentType(componentType, subType, manufacturer)) {}

DeviceVideoOut::~DeviceVideoOut() {
    // The controller closes its instance through the registry, so it goes first.
    if (m_videoOut)
        m_videoOut->close();
    m_videoOut.reset();
}
