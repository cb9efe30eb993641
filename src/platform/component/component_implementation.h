// The code behind a registered component.
//
// One implementation object serves every instance of its component (a device is one device,
// however many clients open it); it tells instances apart by the `self` each call passes. Tests
// script misbehaving components by deriving from it, or from VideoOutputImplementation and
// SoundOutputImplementation, and overriding the calls they want to fail.
#pragma once

#include "platform/component/component_types.h"

class ComponentImplementation {
public:
    virtual ~ComponentImplementation() = default;

    /// OpenAComponent: a non-zero result refuses the open, which then yields no instance.
    virtual ComponentResult open(ComponentInstance /*self*/) { return noErr; }
    /// CloseComponent: the instance is gone afterwards whatever this returns.
    virtual ComponentResult close(ComponentInstance /*self*/) { return noErr; }
    /// A misbehaving component whose open reports success without giving an instance.
    virtual bool opensWithoutInstance() const { return false; }

    /// ComponentFunctionImplemented: true when the component has this selector.
    virtual bool canDo(int16_t selector) const {
        return selector >= kComponentVersionSelect && selector <= kComponentOpenSelect;
    }

    /// CallComponentDispatch: a call made through a parameter block (private calls).
    virtual ComponentResult dispatch(ComponentInstance /*self*/, const ComponentParameters& /*params*/) {
        return badComponentSelector;
    }
};
