// A movie must never be written over one of the frames it is made from: a reference movie would
// point into itself, a copy would lose the frame.
#include "document/dpx_movie_file.h"
#include "platform/framework/path_ops.h"

#include <filesystem>
#include <sys/stat.h>

namespace {

std::string normalPath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return (ec ? std::filesystem::path(path) : absolute).lexically_normal().string();
}

} // namespace

std::string DPXMovieFile::rangeFrameAtExportName() const {
    const ExportSettings& s = m_exportSettings;
    const std::string destination = normalPath(s.saveName);
    // Stat follows links: a name that leads to a frame is refused as the frame itself.
    struct stat target {};
    const bool exists = ::stat(destination.c_str(), &target) == 0;
    std::string previous;
    for (int32_t frame = s.inFrame; frame < s.outFrame; ++frame) {
        const std::string path = pathOfFrame(frame);
        // A movie's samples follow one another in few files: each is looked at once.
        if (path.empty() || path == previous)
            continue;
        previous = path;
        // By name as well, for a frame that is gone since the scan: the movie would take its place.
        if (normalPath(path) == destination)
            return fw::lastPathComponent(path);
        struct stat info {};
        if (exists && ::stat(path.c_str(), &info) == 0 && info.st_dev == target.st_dev &&
            info.st_ino == target.st_ino)
            return fw::lastPathComponent(path);
    }
    return {};
}
