// The timecode track: one sample, lasting the whole movie, holding the frame number of the timecode
// of the range's first frame, with the source ID as the source's name. Disabled and not displayed.
#include "document/dpx_movie_file.h"
#include "export/timecode_values.h"
#include "platform/bigendian.h"

#include <cstring>

namespace {

constexpr Fixed kTimecodeTrackHeight = 0x00140000; // 20 pixels

/// Gives the description the source reference of `sourceID`; a failing step leaves it without one.
void addSourceName(MediaHandler handler, TimeCodeDescriptionHandle desc, const std::string& sourceID) {
    UserData userData = nullptr;
    if (NewUserData(&userData) != noErr)
        return;
    Handle text = nullptr;
    if (PtrToHand(sourceID.data(), &text, Size(sourceID.size())) == noErr &&
        AddUserDataText(userData, text, TCSourceRefNameType, 1, 0) == noErr)
        TCSetSourceRef(handler, desc, userData);
    if (text)
        DisposeHandle(text);
    DisposeUserData(userData);
}

} // namespace

OSErr DPXMovieFile::addTimecodeTrackToMovie(Movie movie) {
    const ExportSettings& s = m_exportSettings;
    if (s.startTimecode == kNoStartTimecode)
        return noErr;
    Track track = NewMovieTrack(movie, FixRatio(int16_t(s.frameWidth), 1), kTimecodeTrackHeight, 0);
    if (!track)
        return noErr;
    Media media = NewTrackMedia(track, TimeCodeMediaType, s.movieTimescale, nullptr, 0);
    if (!media)
        return noErr;
    MediaHandler handler = GetMediaHandler(media);
    if (!handler)
        return noErr;

    const TimeCodeDef def = exportTimeCodeDef(s.movieTimescale, s.frameDuration, s.tcDropFrame);
    TimeCodeRecord record = exportTimeCodeRecord(s.startTimecode, def.numFrames);
    // Read after the video was inserted, so a cancelled export gets a timecode of its length.
    const TimeValue duration = GetMovieDuration(movie);
    SetTrackEnabled(track, false);
    TCSetTimeCodeFlags(handler, 0, tcdfShowTimeCode);

    if (BeginMediaEdits(media) == noErr) {
        using namespace TimeCodeDescriptionLayout;
        HandleOwner desc(NewHandleClear(Size(kSizeWithoutSource)));
        if (desc) {
            auto* d = reinterpret_cast<uint8_t*>(*desc.get());
            be::writeU32(d + kDescSize, uint32_t(kSizeWithoutSource));
            be::writeU32(d + kDataFormat, TimeCodeMediaType);
            WriteTimeCodeDef(d + kTimeCodeDef, def);
            if (!s.sourceID.empty())
                addSourceName(handler, desc.get(), s.sourceID);

            HandleOwner sample(NewHandle(4));
            if (sample) {
                // The definition as the description holds it (the source name may have moved the block).
                TimeCodeDef described =
                    ReadTimeCodeDef(reinterpret_cast<const uint8_t*>(*desc.get()) + kTimeCodeDef);
                int32_t frameNumber = 0;
                TCTimeCodeToFrameNumber(handler, &described, &record, &frameNumber);
                be::writeU32(reinterpret_cast<uint8_t*>(*sample.get()), uint32_t(frameNumber));
                AddMediaSample(media, sample.get(), 0, (unsigned long)GetHandleSize(sample.get()), duration,
                               desc.get(), 1, 0, nullptr);
            }
        }
    }
    EndMediaEdits(media);
    InsertMediaIntoTrack(track, 0, 0, duration, fixed1);
    Track video = GetMovieIndTrackType(movie, 1, VideoMediaType, movieTrackMediaType);
    return AddTrackReference(video, track, kTrackReferenceTimeCode, nullptr);
}
