// The output card's private call that sets the timecode the device shows with its picture.
#pragma once

#include "platform/component/component_types.h"

constexpr int16_t kVideoOutSetTimeCodeSelect = 257;

/// Hands the device a timecode definition and record (pointers); both null clear its timecode.
/// Made through CallComponentDispatch with 8 bytes of parameters, so ask
/// ComponentFunctionImplemented(ci, kVideoOutSetTimeCodeSelect) first. Returns the component's
/// 16-bit status.
OSErr VideoOutSetTimeCode(ComponentInstance ci, const void* timeCodeDef, const void* timeCodeRecord);
