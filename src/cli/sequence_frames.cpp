#include "cli/sequence_frames.h"

#include "cli/opening_log.h"
#include "document/dpx_movie_file.h"
#include "platform/framework/headless/headless_framework.h"

#include <algorithm>

bool FramesFrom(const std::string& frame, size_t limit, std::vector<ExpectedFrame>& frames,
                std::string& problem) {
    // The sequence alone: no window, no application controller, no output device.
    fw::HeadlessFramework framework("");
    std::shared_ptr<DPXMovieFile> document = DPXMovieFile::create(framework);
    document->setShowsFrames(false);
    document->setAllowLargeFrames(true);
    document->readFromFile(frame, "DPX");
    OpeningLog log(false);
    const bool opened = document->openSequence();
    log.release();
    if (!opened) {
        problem = log.failure(frame, document->openProblem());
        return false;
    }
    const std::vector<ScannedFrame>& scanned = document->scannedFrames();
    const size_t first = size_t(std::max(document->openedFrame(), 0));
    const size_t end = std::min(scanned.size(), first + std::min(limit, scanned.size()));
    frames.clear();
    frames.reserve(end - std::min(first, end));
    for (size_t i = first; i < end; ++i)
        frames.push_back(ExpectedFrame{document->pathOfFrame(int32_t(i)),
                                       uint64_t(std::max(scanned[i].dataOffset, 0)), scanned[i].width,
                                       scanned[i].height});
    return true;
}
