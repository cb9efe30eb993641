// The platform services that the application controller starts at launch: the movie toolbox and
// the video output controller. The controller calls them through StartupServices so that tests can
// watch the order and supply their own output controller.
#pragma once

#include "app/video_out_controller.h"
#include "platform/types.h"

#include <functional>

/// Initialises the movie toolbox for the process (EnterMovies).
OSErr enterMovieToolbox();

/// The application's video output controller for the component codes: the software output device
/// registered, and MyVideoOut driving the component that matches the codes.
std::unique_ptr<VideoOutController> makeVideoOutController(OSType componentType, OSType subType,
                                                           OSType manufacturer);

struct StartupServices {
    std::function<OSErr()> enterMovies = enterMovieToolbox;
    VideoOutFactory makeVideoOut = makeVideoOutController;
};
