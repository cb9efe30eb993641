// export_timing FRAME MOVIE [--reference]: the time of the export alone, for export_bench.sh. Opens
// FRAME's sequence as the command line does (not timed: the scan and the first frame's preview),
// then times the worker's writing of the whole sequence into MOVIE, on this thread. Prints the
// seconds and the frames written.
#include "app/headless_session.h"

#include <chrono>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: export_timing FRAME MOVIE [--reference]\n");
        return 2;
    }
    const bool reference = argc > 3 && std::strcmp(argv[3], "--reference") == 0;
    HeadlessSession session;
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
