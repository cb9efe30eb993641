#include "cli/movie_comparison.h"

#include "platform/read_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <sys/stat.h>

namespace {

std::string fileName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

/// Why the frame can't stand for the sample before any byte is read; "" when it can. Fills `info`.
std::string frameFileProblem(const ExpectedFrame& frame, const MovieSamples& movie, struct stat& info) {
    if (::stat(frame.path.c_str(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR
                   ? "the frame file is missing"
                   : "the frame file can't be read (" + std::string(std::strerror(errno)) + ")";
    if (!S_ISREG(info.st_mode))
        return "the frame file is not a regular file";
    if (frame.width != movie.width || frame.height != movie.height)
        return "the frame is " + std::to_string(frame.width) + "x" + std::to_string(frame.height) +
               "; the movie's frames are " + std::to_string(movie.width) + "x" + std::to_string(movie.height);
    const uint64_t end = frame.dataOffset + movie.frameBytes();
    if (uint64_t(info.st_size) < end)
        return "the frame file holds " + std::to_string(info.st_size) + " bytes; its pixel data ends at " +
               std::to_string(end);
    return {};
}

/// A sample kept in another file: it must be the frame's own file, at its pixel data.
std::string referenceProblem(const MovieSamples& movie, size_t index, const ExpectedFrame& frame,
                             const struct stat& frameInfo) {
    const std::string& path = movie.pathOf(index);
    const SampleSource& sample = movie.samples[index];
    if (path.empty())
        return "its data reference names no file";
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return "the sample's file " + path + " is missing";
    if (info.st_dev != frameInfo.st_dev || info.st_ino != frameInfo.st_ino)
        return "the sample is in " + path + ", not in the frame's file";
    if (sample.offset != frame.dataOffset)
        return "the sample is at offset " + std::to_string(sample.offset) + "; the frame's pixel data at " +
               std::to_string(frame.dataOffset);
    if (sample.size != movie.frameBytes())
        return "the sample is " + std::to_string(sample.size) + " bytes; the frame's pixel data " +
               std::to_string(movie.frameBytes());
    return {};
}

/// Compares samples kept in the movie's own file with the frames' pixel data, a block at a time.
class ByteComparer {
public:
    explicit ByteComparer(const MovieSamples& movie)
        : m_movie(movie), m_sampleBlock(kComparisonBlockBytes), m_frameBlock(kComparisonBlockBytes) {}

    std::string problem(size_t index, const ExpectedFrame& frame) {
        if (!m_movieFile)
            m_movieFile = ReadableFile::fileHandleForReadingAtPath(m_movie.pathOf(index));
        if (!m_movieFile)
            return "the movie file can't be read";
        std::unique_ptr<ReadableFile> frameFile = ReadableFile::fileHandleForReadingAtPath(frame.path);
        if (!frameFile)
            return "the frame file can't be read";
        const SampleSource& sample = m_movie.samples[index];
        for (uint64_t done = 0; done < sample.size;) {
            const size_t count = size_t(std::min<uint64_t>(kComparisonBlockBytes, sample.size - done));
            if (m_movieFile->readDataAtOffset(sample.offset + done, m_sampleBlock.data(), count) != count)
                return "the movie's sample can't be read";
            if (frameFile->readDataAtOffset(frame.dataOffset + done, m_frameBlock.data(), count) != count)
                return "the frame file can't be read";
            if (std::memcmp(m_sampleBlock.data(), m_frameBlock.data(), count) != 0) {
                const auto at = std::mismatch(m_sampleBlock.begin(), m_sampleBlock.begin() + long(count),
                                              m_frameBlock.begin());
                return "bytes differ at offset " +
                       std::to_string(done + uint64_t(at.first - m_sampleBlock.begin()));
            }
            done += count;
        }
        return {};
    }

private:
    const MovieSamples& m_movie;
    std::unique_ptr<ReadableFile> m_movieFile; // opened at the first sample kept in it
    std::vector<uint8_t> m_sampleBlock;
    std::vector<uint8_t> m_frameBlock;
};

} // namespace

MovieComparison CompareMovieWithFrames(const MovieSamples& movie, const std::vector<ExpectedFrame>& frames) {
    MovieComparison result;
    result.compared = movie.count();
    ByteComparer bytes(movie);
    for (size_t i = 0; i < movie.count(); ++i) {
        std::string frame;
        std::string reason;
        if (i >= frames.size()) {
            reason = frames.empty() ? "no frame" : "no frame after " + fileName(frames.back().path);
        } else {
            frame = frames[i].path;
            struct stat info {};
            reason = frameFileProblem(frames[i], movie, info);
            if (reason.empty())
                reason = movie.pathOf(i) == movie.moviePath ? bytes.problem(i, frames[i])
                                                            : referenceProblem(movie, i, frames[i], info);
        }
        if (reason.empty())
            continue;
        ++result.differCount;
        if (result.differ.size() < MovieComparison::kMaxListed)
            result.differ.push_back(FrameDifference{uint32_t(i + 1), std::move(frame), std::move(reason)});
    }
    return result;
}
