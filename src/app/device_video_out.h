// The application's video output: the component registry with the software output device
// registered in it, and the MyVideoOut controller that drives the device, bundled so that the
// registry outlives the controller that calls through it.
#pragma once

#include "app/video_out_controller.h"
#include "platform/component/component_registry.h"
#include "platform/component/software_output_device.h"
#include "videoout/my_video_out.h"

#include <memory>

class DeviceVideoOut : public VideoOutController {
public:
    /// Registers the software output device in a registry of its own, then makes the controller of
    /// the component with these codes (it logs and stays disabled when none matches).
    DeviceVideoOut(OSType componentType, OSType subType, OSType manufacturer);
    ~DeviceVideoOut() override;

    bool enabled() const override { return m_videoOut->enabled(); }
    int32_t displayMode() const override { return m_videoOut->displayMode(); }
    OSErr StartVideoOutForFrame(Ptr frame, Handle description, OSType format, Fixed fps,
                                int32_t mode) override {
        return m_videoOut->StartVideoOutForFrame(frame, description, format, fps, mode);
    }
    void StopVideoOut() override { m_videoOut->StopVideoOut(); }
    void menuNeedsUpdate(fw::Menu& menu) override { m_videoOut->menuNeedsUpdate(menu); }

    MyVideoOut& videoOut() const { return *m_videoOut; }
    /// The software device, whose surface a front end shows (on the main thread, which is also
    /// the thread that draws into it).
    SoftwareOutputDevice& device() const { return *m_output.device; }

private:
    ComponentRegistry m_registry;
    SoftwareOutput m_output;
    std::shared_ptr<MyVideoOut> m_videoOut;
};
