// The platform services that the application controller starts at launch: the movie toolbox and
// the video output controller. The controller calls them through StartupServices so that tests can
// watch the order and supply their own output controller.
#pragma once

#include "app/video_out_controller.h"
#include "platform/types.h"

#include <functional>

/// Initialises the movie toolbox for the process. The toolbox needs no process-wide set-up yet, so
/// this only reports success; it is the one place that will call the toolbox's EnterMovies.
OSErr enterMovieToolbox();

/// The application's video output controller for the component codes. No output controller class
/// is built into the application yet, so this gives null: the application then runs without video
/// output, as with a controller that could not be made.
std::unique_ptr<VideoOutController> makeVideoOutController(OSType componentType, OSType subType,
                                                           OSType manufacturer);

struct StartupServices {
    std::function<OSErr()> enterMovies = enterMovieToolbox;
    VideoOutFactory makeVideoOut = makeVideoOutController;
};
