#include "platform/component/video_output.h"

#include "platform/component/component_registry.h"

namespace {

// Runs `call` on the video output behind the instance.
template <typename Call> ComponentResult withVideoOutput(QTVideoOutputComponent vo, Call call) {
    ComponentRegistry* registry = ComponentRegistry::current();
    ComponentImplementation* implementation = registry ? registry->implementationOf(vo) : nullptr;
    if (!implementation)
        return badComponentInstance;
    auto* videoOutput = dynamic_cast<VideoOutputImplementation*>(implementation);
    if (!videoOutput)
        return badComponentSelector;
    return call(*videoOutput);
}

} // namespace

ComponentResult VideoOutputImplementation::getDisplayModeList(ComponentInstance, QTAtomContainer*) {
    return badComponentSelector;
}
ComponentResult VideoOutputImplementation::setClientName(ComponentInstance, const unsigned char*) {
    return badComponentSelector;
}
ComponentResult VideoOutputImplementation::setDisplayMode(ComponentInstance, long) {
    return badComponentSelector;
}
ComponentResult VideoOutputImplementation::getDisplayMode(ComponentInstance, long*) {
    return badComponentSelector;
}
ComponentResult VideoOutputImplementation::begin(ComponentInstance) {
    return badComponentSelector;
}
ComponentResult VideoOutputImplementation::end(ComponentInstance) {
    return badComponentSelector;
}
ComponentResult VideoOutputImplementation::getGWorld(ComponentInstance, GWorldPtr*) {
    return badComponentSelector;
}
ComponentResult VideoOutputImplementation::getIndSoundOutput(ComponentInstance, long, Component*) {
    return badComponentSelector;
}
ComponentResult VideoOutputImplementation::setEchoPort(ComponentInstance, CGrafPtr) {
    return badComponentSelector;
}

ComponentResult QTVideoOutputGetDisplayModeList(QTVideoOutputComponent vo,
                                                QTAtomContainer* outDisplayModeList) {
    return withVideoOutput(
        vo, [&](VideoOutputImplementation& v) { return v.getDisplayModeList(vo, outDisplayModeList); });
}

ComponentResult QTVideoOutputSetClientName(QTVideoOutputComponent vo, const unsigned char* str) {
    return withVideoOutput(vo, [&](VideoOutputImplementation& v) { return v.setClientName(vo, str); });
}

ComponentResult QTVideoOutputSetDisplayMode(QTVideoOutputComponent vo, long displayModeID) {
    return withVideoOutput(vo,
                           [&](VideoOutputImplementation& v) { return v.setDisplayMode(vo, displayModeID); });
}

ComponentResult QTVideoOutputGetDisplayMode(QTVideoOutputComponent vo, long* displayModeID) {
    return withVideoOutput(vo,
                           [&](VideoOutputImplementation& v) { return v.getDisplayMode(vo, displayModeID); });
}

ComponentResult QTVideoOutputBegin(QTVideoOutputComponent vo) {
    return withVideoOutput(vo, [&](VideoOutputImplementation& v) { return v.begin(vo); });
}

ComponentResult QTVideoOutputEnd(QTVideoOutputComponent vo) {
    return withVideoOutput(vo, [&](VideoOutputImplementation& v) { return v.end(vo); });
}

ComponentResult QTVideoOutputGetGWorld(QTVideoOutputComponent vo, GWorldPtr* gw) {
    return withVideoOutput(vo, [&](VideoOutputImplementation& v) { return v.getGWorld(vo, gw); });
}

ComponentResult QTVideoOutputGetIndSoundOutput(QTVideoOutputComponent vo, long index,
                                               Component* outputComponent) {
    return withVideoOutput(
        vo, [&](VideoOutputImplementation& v) { return v.getIndSoundOutput(vo, index, outputComponent); });
}

ComponentResult QTVideoOutputSetEchoPort(QTVideoOutputComponent vo, CGrafPtr echoPort) {
    return withVideoOutput(vo, [&](VideoOutputImplementation& v) { return v.setEchoPort(vo, echoPort); });
}
