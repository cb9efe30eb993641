// The standard video output component calls and the interface a video output component implements.
//
// Each call takes an open instance of a video output component and returns the component's
// status: badComponentInstance for an instance the current registry does not hold,
// badComponentSelector when the component is not a video output or lacks the call.
#pragma once

#include "platform/component/component_implementation.h"
#include "platform/component/component_types.h"
#include "platform/movie/atom_container.h"
#include "platform/movie/decompress_surface.h"

using QTVideoOutputComponent = ComponentInstance;

constexpr OSType QTVideoOutputComponentType = FourCC("vout");

constexpr int16_t kQTVideoOutputGetDisplayModeListSelect = 0x0001;
constexpr int16_t kQTVideoOutputSetClientNameSelect = 0x0003;
constexpr int16_t kQTVideoOutputBeginSelect = 0x0005;
constexpr int16_t kQTVideoOutputEndSelect = 0x0006;
constexpr int16_t kQTVideoOutputSetDisplayModeSelect = 0x0007;
constexpr int16_t kQTVideoOutputGetDisplayModeSelect = 0x0008;
constexpr int16_t kQTVideoOutputGetGWorldSelect = 0x000C;
constexpr int16_t kQTVideoOutputGetIndSoundOutputSelect = 0x000E;
constexpr int16_t kQTVideoOutputSetEchoPortSelect = 0x0010;

constexpr OSErr videoOutputInUseErr = -2090; // another client holds the device

/// Every call fails with badComponentSelector unless the component overrides it.
class VideoOutputImplementation : public ComponentImplementation {
public:
    virtual ComponentResult getDisplayModeList(ComponentInstance self, QTAtomContainer* list);
    virtual ComponentResult setClientName(ComponentInstance self, const unsigned char* name);
    virtual ComponentResult setDisplayMode(ComponentInstance self, long displayModeID);
    virtual ComponentResult getDisplayMode(ComponentInstance self, long* displayModeID);
    virtual ComponentResult begin(ComponentInstance self);
    virtual ComponentResult end(ComponentInstance self);
    virtual ComponentResult getGWorld(ComponentInstance self, GWorldPtr* gw);
    virtual ComponentResult getIndSoundOutput(ComponentInstance self, long index, Component* outputComponent);
    virtual ComponentResult setEchoPort(ComponentInstance self, CGrafPtr echoPort);
};

/// The device's display modes as an atom container of 'qdmi' atoms, one per mode; the caller
/// disposes of it (QTDisposeAtomContainer).
ComponentResult QTVideoOutputGetDisplayModeList(QTVideoOutputComponent vo,
                                                QTAtomContainer* outDisplayModeList);
/// Names the client (a Pascal string) for the device's own display.
ComponentResult QTVideoOutputSetClientName(QTVideoOutputComponent vo, const unsigned char* str);
/// Chooses a mode by its ID: the mode's 1-based position in the list.
ComponentResult QTVideoOutputSetDisplayMode(QTVideoOutputComponent vo, long displayModeID);
ComponentResult QTVideoOutputGetDisplayMode(QTVideoOutputComponent vo, long* displayModeID);
/// Claims the device for this instance; videoOutputInUseErr while it is claimed.
ComponentResult QTVideoOutputBegin(QTVideoOutputComponent vo);
/// Releases the device.
ComponentResult QTVideoOutputEnd(QTVideoOutputComponent vo);
/// The surface that frames are drawn into, valid from QTVideoOutputBegin to QTVideoOutputEnd.
ComponentResult QTVideoOutputGetGWorld(QTVideoOutputComponent vo, GWorldPtr* gw);
/// The device's index-th (from 1) sound output component, or null.
ComponentResult QTVideoOutputGetIndSoundOutput(QTVideoOutputComponent vo, long index,
                                               Component* outputComponent);
/// A port that shows a copy of the output; null for none.
ComponentResult QTVideoOutputSetEchoPort(QTVideoOutputComponent vo, CGrafPtr echoPort);
