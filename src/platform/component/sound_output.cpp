#include "platform/component/sound_output.h"

#include "platform/component/component_registry.h"

namespace {

SoundOutputImplementation* soundOutput(Component outputDevice) {
    ComponentRegistry* registry = ComponentRegistry::current();
    ComponentImplementation* implementation = registry ? registry->implementationOf(outputDevice) : nullptr;
    return dynamic_cast<SoundOutputImplementation*>(implementation);
}

} // namespace

OSErr GetSoundOutputInfo(Component outputDevice, OSType selector, void* infoPtr) {
    SoundOutputImplementation* output = soundOutput(outputDevice);
    return output ? output->getInfo(selector, infoPtr) : invalidComponentID;
}

OSErr SetSoundOutputInfo(Component outputDevice, OSType selector, const void* infoPtr) {
    SoundOutputImplementation* output = soundOutput(outputDevice);
    return output ? output->setInfo(selector, infoPtr) : invalidComponentID;
}
