// Copied samples, data references and sample references.
#include "platform/bigendian.h"
#include "platform/movie/alias_record.h"
#include "platform/movie/movie_model.h"
#include "platform/read_file.h"

#include <cstdint>
#include <limits>
#include <vector>

namespace {

constexpr size_t kDescriptionHeaderSize = 16; // size, format, 6 reserved, dataRefIndex
constexpr size_t kDataRefIndexOffset = 14;
constexpr short kMaxDataRefs = 0x7FFF;

/// The description's bytes (descSize of them) with its dataRefIndex resolved, or empty when malformed.
std::vector<uint8_t> normalizedDescription(SampleDescriptionHandle h, uint16_t dataRefIndex) {
    Size handleSize = GetHandleSize(h);
    if (!h || handleSize < Size(kDescriptionHeaderSize))
        return {};
    const auto* bytes = reinterpret_cast<const uint8_t*>(*h);
    uint32_t descSize = be::readU32(bytes, 0);
    if (descSize < kDescriptionHeaderSize || descSize > uint64_t(handleSize) || be::readU32(bytes, 4) == 0)
        return {};
    std::vector<uint8_t> description(bytes, bytes + descSize);
    be::writeU16(description.data() + kDataRefIndexOffset, dataRefIndex);
    return description;
}

uint16_t requestedDataRefIndex(SampleDescriptionHandle h) {
    if (GetHandleSize(h) < Size(kDescriptionHeaderSize))
        return 0;
    return be::readU16(reinterpret_cast<const uint8_t*>(*h), kDataRefIndexOffset);
}

short selfDataRef(MediaRecord& media) {
    if (media.selfDataRef == 0) {
        media.dataRefs.push_back({true, {}});
        media.selfDataRef = short(media.dataRefs.size());
    }
    return media.selfDataRef;
}

/// Checks shared by every kind of sample, the media and its description first; sampleSize gets the
/// size of one sample.
OSErr checkSamples(Media theMedia, SampleDescriptionHandle description, unsigned long size,
                   TimeValue durationPerSample, long numberOfSamples, short sampleFlags, uint32_t& sampleSize) {
    if (!theMedia)
        return invalidMedia;
    if (!description)
        return nilHandleErr;
    const MediaRecord& media = *theMedia;
    if (numberOfSamples < 1 || size == 0 || durationPerSample <= 0 ||
        size % (unsigned long)numberOfSamples != 0)
        return paramErr;
    if (sampleFlags != 0)
        return featureUnsupported; // every sample is a sync sample
    unsigned long each = size / (unsigned long)numberOfSamples;
    if (each > 0xFFFFFFFFul ||
        uint64_t(media.samples.sampleCount()) + uint64_t(numberOfSamples) > 0xFFFFFFFFull)
        return paramErr;
    // Durations are 32-bit time values (GetMediaDuration).
    if (media.samples.duration() + uint64_t(numberOfSamples) * uint64_t(durationPerSample) >
        uint64_t(std::numeric_limits<TimeValue>::max()))
        return invalidDuration;
    sampleSize = uint32_t(each);
    return noErr;
}

OSErr storageStatus(const MediaRecord& media) {
    const auto& storage = media.track->movie->storage;
    return storage ? storage->status() : dataAlreadyClosed;
}

/// What both kinds of copied sample share once their own arguments are checked: the description,
/// the bytes that `append` puts into the movie's file, and the sample table entry for them.
template <class Append>
OSErr addCopiedSamples(MediaRecord& media, SampleDescriptionHandle sampleDescriptionH, uint32_t sampleSize,
                       long numberOfSamples, TimeValue durationPerSample, TimeValue* sampleTime,
                       Append append) {
    if (OSErr err = storageStatus(media); err != noErr)
        return err;
    // Copied samples are always in the movie's own file, whatever index the description carried.
    std::vector<uint8_t> description = normalizedDescription(sampleDescriptionH, 0);
    if (description.empty())
        return badImageDescription;
    be::writeU16(description.data() + kDataRefIndexOffset, uint16_t(selfDataRef(media)));

    uint64_t offset = 0;
    if (OSErr err = append(*media.track->movie->storage, offset); err != noErr)
        return err;
    if (sampleTime)
        *sampleTime = TimeValue(media.samples.duration());
    uint32_t descriptionIndex = media.samples.descriptionIndex(description.data(), description.size());
    return media.samples.addSamples(offset, sampleSize, uint32_t(numberOfSamples),
                                    uint32_t(durationPerSample), descriptionIndex);
}

} // namespace

OSErr AddMediaSample(Media theMedia, Handle dataIn, long inOffset, unsigned long size,
                     TimeValue durationPerSample, SampleDescriptionHandle sampleDescriptionH,
                     long numberOfSamples, short sampleFlags, TimeValue* sampleTime) {
    if (theMedia && !dataIn)
        return nilHandleErr;
    uint32_t sampleSize = 0;
    if (OSErr err = checkSamples(theMedia, sampleDescriptionH, size, durationPerSample, numberOfSamples,
                                 sampleFlags, sampleSize);
        err != noErr)
        return err;
    if (inOffset < 0 || uint64_t(inOffset) + size > uint64_t(GetHandleSize(dataIn)))
        return paramErr;
    return addCopiedSamples(*theMedia, sampleDescriptionH, sampleSize, numberOfSamples, durationPerSample,
                            sampleTime, [&](MovieStorage& storage, uint64_t& offset) {
                                return storage.appendData(*dataIn + inOffset, size, offset);
                            });
}

OSErr AddMediaSampleFromFile(Media theMedia, const ReadableFile& file, uint64_t fileOffset,
                             unsigned long size, TimeValue durationPerSample,
                             SampleDescriptionHandle sampleDescriptionH, long numberOfSamples,
                             short sampleFlags, TimeValue* sampleTime) {
    uint32_t sampleSize = 0;
    if (OSErr err = checkSamples(theMedia, sampleDescriptionH, size, durationPerSample, numberOfSamples,
                                 sampleFlags, sampleSize);
        err != noErr)
        return err;
    if (!file.isOpen() || size > uint64_t(INT64_MAX) || fileOffset > uint64_t(INT64_MAX) - size)
        return paramErr;
    return addCopiedSamples(*theMedia, sampleDescriptionH, sampleSize, numberOfSamples, durationPerSample,
                            sampleTime, [&](MovieStorage& storage, uint64_t& offset) {
                                return storage.appendFileRange(file.descriptor(), fileOffset, size, offset);
                            });
}

OSErr AddMediaDataRef(Media theMedia, short* index, Handle dataRef, OSType dataRefType) {
    if (index)
        *index = 0;
    if (!theMedia)
        return invalidMedia;
    if (!index)
        return paramErr;
    if (dataRefType != rAliasType)
        return featureUnsupported;
    std::string path = DataRefPath(dataRef, dataRefType);
    if (path.empty())
        return invalidDataRef;
    if (auto found = theMedia->dataRefIndexByPath.find(path); found != theMedia->dataRefIndexByPath.end()) {
        *index = found->second;
        return noErr;
    }
    if (theMedia->dataRefs.size() >= size_t(kMaxDataRefs)) {
        *index = -1;
        return badDataRefIndex;
    }
    // The record written later must fit its 16-bit size.
    if (!AliasRecordFits(path))
        return invalidDataRef;
    theMedia->dataRefs.push_back({false, path});
    *index = short(theMedia->dataRefs.size());
    theMedia->dataRefIndexByPath.emplace(path, *index);
    return noErr;
}

OSErr AddMediaSampleReference(Media theMedia, long dataOffset, unsigned long size,
                              TimeValue durationPerSample, SampleDescriptionHandle sampleDescriptionH,
                              long numberOfSamples, short sampleFlags, TimeValue* sampleTime) {
    uint32_t sampleSize = 0;
    if (OSErr err = checkSamples(theMedia, sampleDescriptionH, size, durationPerSample, numberOfSamples,
                                 sampleFlags, sampleSize);
        err != noErr)
        return err;
    if (dataOffset < 0)
        return paramErr;
    if (OSErr err = storageStatus(*theMedia); err != noErr)
        return err;
    uint16_t dataRefIndex = requestedDataRefIndex(sampleDescriptionH);
    if (dataRefIndex > theMedia->dataRefs.size())
        return badDataRefIndex;
    if (dataRefIndex == 0)
        dataRefIndex = uint16_t(selfDataRef(*theMedia));
    std::vector<uint8_t> description = normalizedDescription(sampleDescriptionH, dataRefIndex);
    if (description.empty())
        return badImageDescription;
    if (sampleTime)
        *sampleTime = TimeValue(theMedia->samples.duration());
    uint32_t descriptionIndex = theMedia->samples.descriptionIndex(description.data(), description.size());
    return theMedia->samples.addSamples(uint64_t(dataOffset), sampleSize, uint32_t(numberOfSamples),
                                        uint32_t(durationPerSample), descriptionIndex);
}
