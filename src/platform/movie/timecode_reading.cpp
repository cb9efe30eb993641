#include "platform/movie/timecode_reading.h"

#include "platform/bigendian.h"
#include "platform/movie/atom_tree.h"

#include <unistd.h>

namespace {

/// Reads bytes of the movie's own file, within the size fstat gives.
bool readMovieBytes(const std::string& path, uint64_t offset, uint8_t* out, size_t count) {
    int fd = -1;
    uint64_t size = 0;
    if (OpenRegularFile(path, fd, size, nullptr) != noErr)
        return false;
    bool ok =
        offset <= size && count <= size - offset && pread(fd, out, count, off_t(offset)) == ssize_t(count);
    close(fd);
    return ok;
}

} // namespace

const MovieTrackInfo* TimecodeTrackFor(const MovieFileInfo& file, const MovieTrackInfo* video) {
    if (video)
        for (const auto& [type, ids] : video->references)
            if (type == FourCC("tmcd"))
                for (const MovieTrackInfo& track : file.tracks)
                    for (uint32_t id : ids)
                        if (track.trackID == id)
                            return &track;
    for (const MovieTrackInfo& track : file.tracks)
        if (track.handlerType == FourCC("tmcd"))
            return &track;
    return nullptr;
}

TimecodeReading ReadTimecodeTrack(const MovieTrackInfo& track, const std::string& moviePath,
                                  ReferencedFiles& files) {
    TimecodeReading out;
    std::string name = "timecode track " + std::to_string(track.trackID);
    if (track.descriptions.empty() || track.descriptions.front().format != FourCC("tmcd") ||
        track.descriptions.front().bytes.size() < 34) {
        out.problems.push_back(name + " has no timecode description");
        return out;
    }
    const std::vector<uint8_t>& d = track.descriptions.front().bytes;
    out.def = ReadTimeCodeDef(d.data() + TimeCodeDescriptionLayout::kTimeCodeDef);
    // The source reference: a 'name' atom in place of the 4 zero bytes at offset 34.
    size_t at = TimeCodeDescriptionLayout::kSourceRef;
    if (d.size() >= at + 12 && be::readU32(d.data(), at + 4) == TCSourceRefNameType) {
        size_t length = be::readU16(d.data(), at + 8);
        size_t atomSize = be::readU32(d.data(), at);
        if (length + 12 <= atomSize && at + 12 + length <= d.size())
            out.sourceName = std::string(reinterpret_cast<const char*>(d.data() + at + 12), length);
        else
            out.problems.push_back(name + ": the source name runs past its description");
    }

    SampleWalker walker(track);
    MovieSampleInfo first;
    if (!walker.next(first)) {
        out.problems.push_back(walker.valid() ? name + " has no sample" : walker.problem());
        return out;
    }
    uint16_t refIndex = 0;
    const MovieDataRefInfo* ref = SampleDataRef(track, first, refIndex);
    if (!ref) {
        out.problems.push_back(name + ": its description names data reference " + std::to_string(refIndex) +
                               " of " + std::to_string(track.dataRefs.size()));
        return out;
    }
    // Only the movie's own file is read: the sample of a reference to another file (which could be
    // any file of the user's) is never shown, only whether it is there and large enough.
    if (!ref->selfContained) {
        std::string path = ResolveDataRef(*ref, moviePath, files);
        const FileLookup& file = files.lookup(path);
        std::string where = path.empty() ? "a file it does not name" : path;
        std::string state = !file.present ? file.why
                            : first.offset + first.size <= file.size
                                ? "which holds it"
                                : "of " + std::to_string(file.size) + " bytes, too short for it";
        out.problems.push_back(name + ": its sample is in another file, not read: " + where + " (" + state +
                               ")");
        return out;
    }
    uint8_t bytes[4];
    if (first.size < 4 || !readMovieBytes(moviePath, first.offset, bytes, 4)) {
        out.problems.push_back(name + ": its sample cannot be read");
        return out;
    }
    out.startFrame = int32_t(be::readU32(bytes));
    return out;
}
