// MyVideoOut: the one controller of the external video output device.
//
// It finds and opens the first video output component that matches its three codes, reads the
// device's display modes, rebuilds the "VideoOut" and "Display" menus each time one opens and acts
// on their choices, chooses the mode that fits a picture, and runs output sessions: between a
// successful QTVideoOutputBegin and the matching QTVideoOutputEnd it holds the device and
// decompresses the frames it is sent into the device's surface.
//
// Using it: the application registers its output components in a ComponentRegistry (the platform's
// component calls use the current registry), makes the controller with initWithComponentType(),
// and makes it the delegate of the "VideoOut" and "Display" submenus (Menu::setDelegate); the
// registry must outlive the controller, and the menus must not be opened after it is gone. A
// controller is made also when no device is found: it is then disabled and offers only "Off".
// Documents show their current frame with StartVideoOutForFrame() and stop with StopVideoOut(),
// remembering displayMode() for their next start.
//
// Display modes are numbered from 1 everywhere: in displayMode(), in the "Display" menu's tags, in
// the mode choice and in the mode number handed to the device.
//
// Main thread only: the menus, their actions and the documents' calls arrive there. Nothing is
// locked.
#pragma once

#include "platform/component/component_registry.h"
#include "platform/framework/menu.h"
#include "platform/memory.h"
#include "platform/movie/decompress_sequence.h"
#include "platform/movie/decompress_surface.h"
#include "platform/types.h"
#include "videoout/display_mode_record.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

class MyVideoOut : public fw::MenuDelegate, public std::enable_shared_from_this<MyVideoOut> {
public:
    /// Makes the controller and opens the device (initVideoOut); null only when the controller
    /// itself cannot be made. When opening fails the controller is disabled; `initStatus` (may be
    /// null) receives initVideoOut's status: 0, -2005 (no component), the platform's status
    /// (the component or its list refused), -1 (a list without modes), -108 (no memory).
    static std::shared_ptr<MyVideoOut> initWithComponentType(OSType type, OSType subType, OSType mfgr,
                                                             OSErr* initStatus = nullptr);
    /// Stops a running session and closes the component instance (close()).
    ~MyVideoOut() override;
    MyVideoOut(const MyVideoOut&) = delete;
    MyVideoOut& operator=(const MyVideoOut&) = delete;

    /// Stops a running session and closes the component instance; starts then return -3000.
    void close();

    // Menus.

    /// Rebuilds a menu titled "Display" or "VideoOut"; any other menu is left alone.
    void menuNeedsUpdate(fw::Menu& menu) override;
    /// One item per mode, titled by the mode's name, tagged with its number; the current mode is
    /// checked while a session runs, and every item is disabled while none runs.
    void populateMenuWithDisplayModes(fw::Menu& menu);
    /// "Off" (tag 0), then the device (tag 1) titled by the component's name; the selected one is
    /// checked. Without a device, "Off" is also disabled.
    void populateMenuWithVideoOutNames(fw::Menu& menu);
    /// Action of the "Display" items: restarts output in the mode of the sender's tag. A tag
    /// outside 1 to the mode count changes nothing.
    void changeDisplayMode(fw::MenuItem& sender);
    /// Action of the "VideoOut" items: selects the device of the sender's tag (0: "Off") and
    /// restarts output when one is selected. A tag outside 0 to the device count changes nothing.
    void changeVideoOut(fw::MenuItem& sender);

    /// A device is selected (not "Off").
    bool enabled() const { return m_videoOutSelect > 0; }
    /// The current display mode; 0 while none was chosen.
    int32_t displayMode() const { return m_displayMode; }

    // Display mode choice (see ChooseBestDisplayMode).

    /// The mode for a picture of that format, size and rate (16.16); 1 when none fits.
    int32_t ChooseBestDisplayModeForFormat(OSType format, uint32_t width, uint32_t height, Fixed fps) const;
    /// The same for the picture an image description describes; a format of 0 takes the
    /// description's codec type. A null or short description fits no mode.
    int32_t ChooseBestDisplayModeForImageDescription(Handle desc, OSType format, Fixed fps) const;

    // Output sessions.

    /// Shows a frame, starting a session first if none runs: in `mode`, or when it is 0 in the mode
    /// chosen for the description, `format` (0: the description's) and `fps`. While a session runs
    /// the mode, format and rate are not used. A null frame only starts the session. Returns 0
    /// without doing anything while the controller is "Off"; -3000 without an open instance.
    OSErr StartVideoOutForFrame(Ptr frame, Handle desc, OSType format, Fixed fps, int32_t mode);
    /// Starts a session in displayMode(): names the client, claims the device, sets the sample rate
    /// of its sound output and fetches its surface. A failure after the device was claimed closes
    /// the component instance (close()). -3000 without an open instance.
    OSErr StartVideoOut();
    /// Ends a running session (clearing the device's timecode, releasing the device, ending the
    /// decompression sequence); clears the session's surface and sound output in every case.
    void StopVideoOut();
    /// Decompresses one frame (the description's dataSize bytes) into the device's surface,
    /// opening the session's decompression sequence with the first frame. -1 while no session
    /// runs, -2 for a null or short description, else the decompressor's status.
    OSErr SetVideoOutputFrame(Ptr frame, Handle desc);

    // What the controller holds, for front ends (the mode list of `reelmaker modes`) and tests.

    int32_t numDisplayModes() const { return m_numDisplayModes; }
    std::span<const DisplayModeRecord> displayModes() const {
        return {m_pModeListData.get(), size_t(m_numDisplayModes)};
    }
    /// The component's name, as the "VideoOut" menu shows it.
    std::string componentName() const;
    int32_t numVideoOutDevices() const { return m_numVideoOutDevices; }
    int32_t videoOutSelect() const { return m_videoOutSelect; }
    /// A component instance is open.
    bool isOpen() const { return m_videoOutInstance != nullptr; }
    bool videoOutputInUse() const { return m_bVideoOutputInUse; }
    /// The device's surface while a session runs, else null. The device draws frames into it on
    /// the main thread, the thread a front end reads it from, so no lock is needed.
    const GWorld* outputSurface() const { return m_VOutputGWorld; }

private:
    MyVideoOut(OSType type, OSType subType, OSType mfgr);

    OSErr initVideoOut();
    void logComponentError(const char* format) const;
    /// The sound output's last offered rate, up to the first rate of 0 (then 0); non-zero: its status.
    OSErr setSoundOutputRate();
    OSErr initDecompressSeqWithFrame(Ptr frame, Handle desc);
    OSErr decompressOneFrame(Ptr frame, uint32_t size);

    OSType m_compType;
    OSType m_compSubType;
    OSType m_compMfgr;
    Component m_videoOutComp = nullptr;
    ComponentInstance m_videoOutInstance = nullptr;
    HandleOwner m_hComponentName;  // Pascal string
    int32_t m_numDisplayModes = 0; // 0 whenever there is no mode array
    DisplayModeRecords m_pModeListData;
    int32_t m_numVideoOutDevices = 1;
    int32_t m_videoOutSelect = 1; // 0: "Off"
    int32_t m_displayMode = 0;
    bool m_bVideoOutputInUse = false;
    Component m_soundOutComponent = nullptr;
    GWorldPtr m_VOutputGWorld = nullptr;
    ImageSequence m_sequenceID = 0;
};
