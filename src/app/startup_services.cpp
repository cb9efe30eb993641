#include "app/startup_services.h"

#include "app/device_video_out.h"
#include "platform/movie/movies.h"

OSErr enterMovieToolbox() { return EnterMovies(); }

std::unique_ptr<VideoOutController> makeVideoOutController(OSType componentType, OSType subType,
                                                           OSType manufacturer) {
    return std::make_unique<DeviceVideoOut>(componentType, subType, manufacturer);
}
