// The application's one video output controller, as the application controller and the documents
// see it.
//
// The controller rebuilds the main menu's "VideoOut" and "Display" submenus as their delegate, and
// shows the documents' frames on the output device: StartVideoOutForFrame starts a session when
// none runs (in `mode`, or in the mode chosen for the description, format and rate when `mode` is
// 0) and then shows the frame; StopVideoOut ends a running session; displayMode is the current
// mode (1-based, 0 while none was chosen), which a document remembers when it stops the output.
// Main thread only.
#pragma once

#include "platform/framework/menu.h"
#include "platform/memory.h"
#include "platform/types.h"

#include <functional>
#include <memory>

class VideoOutController : public fw::MenuDelegate {
public:
    /// True while a device is selected (not "Off").
    virtual bool enabled() const = 0;
    virtual int32_t displayMode() const = 0;
    /// `frame` (may be null: only start) holds the description's dataSize bytes; `format` 0 takes
    /// the description's codec type; `fps` is 16.16.
    virtual OSErr StartVideoOutForFrame(Ptr frame, Handle description, OSType format, Fixed fps,
                                        int32_t mode) = 0;
    virtual void StopVideoOut() = 0;
};

/// Makes the controller of the output component with these codes; null when no controller can be
/// made at all (a controller that finds no device is still made, and reports itself disabled).
using VideoOutFactory = std::function<std::unique_ptr<VideoOutController>(
    OSType componentType, OSType subType, OSType manufacturer)>;
