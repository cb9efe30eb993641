// export_timing FRAME MOVIE [--reference] [--large-frames]: the time of the export alone, for
// export_bench.sh. Opens FRAME's sequence as the command line does (not timed: the scan), then times the worker's writing of the whole sequence into MOVIE, on this
// thread. Prints the seconds and the frames written.
#include "app/headless_session.h"

#include <chrono>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: export_timing FRAME MOVIE [--reference] [--large-frames]\n");
        return 2;
    }
    bool reference = false;
    bool largeFrames = false;
    for (int i = 3; i < argc; ++i) {
        reference = reference || std::strcmp(argv[i], "--reference") == 0;
        largeFrames = largeFrames || std::strcmp(argv[i], "--large-frames") == 0;
    }
    // As the command line opens it: no output device, no preview.
    StartupServices services;
    services.makeVideoOut = nullptr;
    HeadlessSession session({}, services);
    session.setDocumentsShowFrames(false);
    session.controller().setDefaultAllowLargeFrames(largeFrames);
    std::shared_ptr<DPXMovieFile> document = session.openDocument(argv[1]);
    if (!document || document->currentFileCode() == 0)
        return 1;
    const ExportSettings settings = document->exportSettingsFor(argv[2], reference);
    const auto start = std::chrono::steady_clock::now();
    const OSErr status = document->saveMovieWithSettings(settings);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.6f %d\n", seconds, document->exportOutcome().framesWritten);
    return status == noErr ? 0 : 1;
}
