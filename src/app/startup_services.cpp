#include "app/startup_services.h"

OSErr enterMovieToolbox() {
    return noErr;
}

std::unique_ptr<VideoOutController> makeVideoOutController(OSType, OSType, OSType) {
    return nullptr;
}
