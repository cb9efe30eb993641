#include "app/startup_services.h"

#include "platform/movie/movies.h"

OSErr enterMovieToolbox() { return EnterMovies(); }

std::unique_ptr<VideoOutController> makeVideoOutController(OSType, OSType, OSType) {
    return nullptr;
}
