// Types, selectors and statuses of the component calls.
#pragma once

#include "platform/types.h"

#include <cstdint>

struct ComponentRecord;         // a registered component
struct ComponentInstanceRecord; // an open instance of one

using Component = ComponentRecord*;
using ComponentInstance = ComponentInstanceRecord*;
/// 32-bit result of a component call; the component's own statuses are 16-bit values.
using ComponentResult = int32_t;

/// What a caller looks for. A type, subtype or manufacturer of 0 matches any; a component matches
/// the flags when its flags and `looking.componentFlags` agree on the bits of `componentFlagsMask`.
struct ComponentDescription {
    OSType componentType = 0;
    OSType componentSubType = 0;
    OSType componentManufacturer = 0;
    uint32_t componentFlags = 0;
    uint32_t componentFlagsMask = 0;
};

/// Selectors every component answers.
constexpr int16_t kComponentOpenSelect = -1;
constexpr int16_t kComponentCloseSelect = -2;
constexpr int16_t kComponentCanDoSelect = -3;
constexpr int16_t kComponentVersionSelect = -4;

/// Results of the component calls for a bad instance or a selector the component does not have;
/// stored in a 16-bit status they read -32767 and -32766.
constexpr ComponentResult badComponentInstance = ComponentResult(0x80008001);
constexpr ComponentResult badComponentSelector = ComponentResult(0x80008002);

constexpr OSErr invalidComponentID = -3000;  // not a registered component or open instance
constexpr OSErr validInstancesExist = -3001; // unregistering a component that has open instances
constexpr OSErr badComponentType = -2005;    // no component of the type wanted

/// Room for parameters in a parameter block.
constexpr int kComponentParameterSlots = 16;

/// The parameter block of CallComponentDispatch. `paramSize` counts the parameters' bytes as the
/// 32-bit platform did, 4 per parameter, so a call passes the size it always passed; the slots are
/// pointer-sized so that pointers survive on a 64-bit machine. `params` holds the parameters with
/// the last one first, then the component instance: params[paramSize / 4] is the instance.
struct ComponentParameters {
    uint8_t flags = 0;
    uint8_t paramSize = 0;
    int16_t what = 0; // the selector
    uint32_t padding = 0;
    intptr_t params[kComponentParameterSlots + 1] = {};
};
