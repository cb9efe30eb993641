#include "platform/movie/video_track_checks.h"

#include "platform/bigendian.h"

namespace {

constexpr uint64_t kMinCheckedSamples = 1'000'000;
constexpr uint64_t kSamplesPerHeaderByte = 64;

} // namespace

uint64_t MovieHeaderSize(const MovieFileInfo& file) {
    const AtomNode* moov = file.tree.topLevel(FourCC("moov"));
    return moov ? moov->size : 0;
}

std::string ImplausibleSampleCount(const MovieTrackInfo& track, uint64_t movieFileSize, uint64_t headerSize) {
    const uint64_t maxSamples = kMinCheckedSamples + kSamplesPerHeaderByte * headerSize;
    if (track.sampleCount > maxSamples)
        return "the video track claims " + std::to_string(track.sampleCount) +
               " frames, more than a movie header of " + std::to_string(headerSize) +
               " bytes can plausibly describe";
    // Samples of one size all in the movie's own file must fit in it, which is known before walking them.
    const bool allInMovie = track.dataRefs.size() == 1 && track.dataRefs.front().selfContained;
    if (allInMovie && track.commonSampleSize != 0 &&
        uint64_t(track.sampleCount) * track.commonSampleSize > movieFileSize)
        return "the video track claims " + std::to_string(track.sampleCount) + " frames of " +
               std::to_string(track.commonSampleSize) + " bytes, more than the movie file's " +
               std::to_string(movieFileSize);
    return {};
}

std::pair<int, int> DescriptionFrameSize(const MovieDescriptionInfo& description) {
    if (description.bytes.size() < 36)
        return {0, 0};
    return {be::readU16(description.bytes.data(), 32), be::readU16(description.bytes.data(), 34)};
}

std::string WrongFrameSizeText(uint32_t frame, uint32_t size, int width, int height) {
    return "frame " + std::to_string(frame) + " is " + std::to_string(size) + " bytes; a " +
           std::to_string(width) + "x" + std::to_string(height) + " frame is " +
           std::to_string(uint64_t(width) * uint64_t(height) * 4u);
}
