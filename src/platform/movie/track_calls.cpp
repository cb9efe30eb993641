// Tracks, media, edits and track references.
#include "platform/movie/movie_model.h"

#include <algorithm>
#include <limits>

int64_t RescaleTime(int64_t value, TimeScale from, TimeScale to) {
    if (from == to || from <= 0)
        return value;
    __int128 scaled = (__int128(value) * to * 2 + from) / (__int128(from) * 2);
    return int64_t(scaled);
}

int64_t TrackDurationInMovieScale(const TrackRecord& track) {
    int64_t total = 0;
    for (const TrackEdit& edit : track.edits)
        total += RescaleTime(edit.duration, edit.durationScale, track.movie->timeScale);
    return total;
}

namespace {

TimeValue clampTimeValue(int64_t value) {
    return TimeValue(std::clamp<int64_t>(value, 0, std::numeric_limits<TimeValue>::max()));
}

} // namespace

void SetMovieTimeScale(Movie theMovie, TimeScale timeScale) {
    if (!theMovie || timeScale <= 0) {
        SetMoviesError(theMovie ? paramErr : invalidMovie);
        return;
    }
    theMovie->timeScale = timeScale;
    SetMoviesError(noErr);
}

TimeScale GetMovieTimeScale(Movie theMovie) {
    return theMovie ? theMovie->timeScale : 0;
}

TimeValue GetMovieDuration(Movie theMovie) {
    if (!theMovie)
        return 0;
    int64_t duration = 0;
    for (const auto& track : theMovie->tracks)
        duration = std::max(duration, TrackDurationInMovieScale(*track));
    return clampTimeValue(duration);
}

Track NewMovieTrack(Movie theMovie, Fixed width, Fixed height, int16_t trackVolume) {
    if (!theMovie) {
        SetMoviesError(invalidMovie);
        return nullptr;
    }
    if (width < 0 || height < 0) {
        SetMoviesError(paramErr);
        return nullptr;
    }
    auto track = std::make_unique<TrackRecord>();
    track->movie = theMovie;
    track->trackID = theMovie->nextTrackID++;
    track->width = width;
    track->height = height;
    track->volume = trackVolume;
    theMovie->tracks.push_back(std::move(track));
    SetMoviesError(noErr);
    return theMovie->tracks.back().get();
}

long GetMovieTrackCount(Movie theMovie) {
    return theMovie ? long(theMovie->tracks.size()) : 0;
}

Track GetMovieIndTrack(Movie theMovie, long index) {
    if (!theMovie || index < 1 || index > long(theMovie->tracks.size())) {
        SetMoviesError(theMovie ? badTrackIndex : invalidMovie);
        return nullptr;
    }
    SetMoviesError(noErr);
    return theMovie->tracks[size_t(index - 1)].get();
}

Track GetMovieIndTrackType(Movie theMovie, long index, OSType trackType, long flags) {
    if (!theMovie) {
        SetMoviesError(invalidMovie);
        return nullptr;
    }
    if (!(flags & movieTrackMediaType) || (flags & movieTrackCharacteristic)) {
        SetMoviesError(paramErr);
        return nullptr;
    }
    long found = 0;
    for (const auto& track : theMovie->tracks) {
        if (!track->media || track->media->type != trackType)
            continue;
        if ((flags & movieTrackEnabledOnly) && !track->enabled)
            continue;
        if (++found == index) {
            SetMoviesError(noErr);
            return track.get();
        }
    }
    SetMoviesError(badTrackIndex);
    return nullptr;
}

TimeValue GetTrackDuration(Track theTrack) {
    return theTrack ? clampTimeValue(TrackDurationInMovieScale(*theTrack)) : 0;
}

void SetTrackEnabled(Track theTrack, bool isEnabled) {
    if (theTrack)
        theTrack->enabled = isEnabled;
    SetMoviesError(theTrack ? noErr : invalidTrack);
}

bool GetTrackEnabled(Track theTrack) {
    return theTrack && theTrack->enabled;
}

OSErr AddTrackReference(Track theTrack, Track refTrack, OSType refType, long* addedIndex) {
    if (addedIndex)
        *addedIndex = 0;
    if (!theTrack || !refTrack)
        return invalidTrack;
    if (theTrack->movie != refTrack->movie)
        return trackNotInMovie;
    if (theTrack == refTrack || refType == 0)
        return paramErr;
    auto list = std::find_if(theTrack->references.begin(), theTrack->references.end(),
                             [&](const TrackReferenceList& l) { return l.type == refType; });
    if (list == theTrack->references.end()) {
        theTrack->references.push_back({refType, {}});
        list = theTrack->references.end() - 1;
    }
    auto id = std::find(list->trackIDs.begin(), list->trackIDs.end(), refTrack->trackID);
    if (id == list->trackIDs.end()) {
        list->trackIDs.push_back(refTrack->trackID);
        id = list->trackIDs.end() - 1;
    }
    if (addedIndex)
        *addedIndex = long(id - list->trackIDs.begin()) + 1;
    return noErr;
}

Media NewTrackMedia(Track theTrack, OSType mediaType, TimeScale timeScale, Handle dataRef,
                    OSType dataRefType) {
    if (!theTrack) {
        SetMoviesError(invalidTrack);
        return nullptr;
    }
    if (theTrack->media || timeScale <= 0 ||
        (mediaType != VideoMediaType && mediaType != TimeCodeMediaType)) {
        SetMoviesError(paramErr);
        return nullptr;
    }
    if (dataRef || dataRefType) {
        // Media whose own samples live in another file are not needed: references go through
        // AddMediaDataRef and AddMediaSampleReference.
        SetMoviesError(featureUnsupported);
        return nullptr;
    }
    auto media = std::make_unique<MediaRecord>();
    media->track = theTrack;
    media->type = mediaType;
    media->timeScale = timeScale;
    media->handler.media = media.get();
    theTrack->media = std::move(media);
    SetMoviesError(noErr);
    return theTrack->media.get();
}

Media GetTrackMedia(Track theTrack) {
    return theTrack ? theTrack->media.get() : nullptr;
}
TimeScale GetMediaTimeScale(Media theMedia) {
    return theMedia ? theMedia->timeScale : 0;
}

TimeValue GetMediaDuration(Media theMedia) {
    return theMedia ? clampTimeValue(int64_t(theMedia->samples.duration())) : 0;
}

long GetMediaSampleCount(Media theMedia) {
    return theMedia ? long(theMedia->samples.sampleCount()) : 0;
}

long GetMediaSampleDescriptionCount(Media theMedia) {
    return theMedia ? long(theMedia->samples.descriptionCount()) : 0;
}

short GetMediaDataRefCount(Media theMedia) {
    return theMedia ? short(theMedia->dataRefs.size()) : 0;
}

OSErr BeginMediaEdits(Media theMedia) {
    if (!theMedia)
        return invalidMedia;
    theMedia->editing = true;
    return noErr;
}

OSErr EndMediaEdits(Media theMedia) {
    if (!theMedia)
        return invalidMedia;
    theMedia->editing = false;
    // Copied samples are already in the file; report a failed storage here too.
    const auto& storage = theMedia->track->movie->storage;
    if (storage && storage->status() != noErr && storage->status() != dataAlreadyClosed)
        return storage->status();
    return noErr;
}

OSErr InsertMediaIntoTrack(Track theTrack, TimeValue trackStart, TimeValue mediaTime, TimeValue mediaDuration,
                           Fixed mediaRate) {
    if (!theTrack)
        return invalidTrack;
    if (!theTrack->media)
        return invalidMedia;
    if (mediaRate != fixed1 || mediaTime < 0 || mediaDuration < 0 || trackStart < -1)
        return paramErr;
    const MediaRecord& media = *theTrack->media;
    if (int64_t(mediaTime) + mediaDuration > int64_t(media.samples.duration()))
        return invalidDuration;
    if (mediaDuration == 0)
        return noErr;
    int64_t trackEnd = TrackDurationInMovieScale(*theTrack);
    if (trackStart == -1)
        trackStart = TimeValue(std::min<int64_t>(trackEnd, std::numeric_limits<TimeValue>::max()));
    if (trackStart < trackEnd)
        return invalidTime; // inserting inside existing content is not supported
    if (trackStart > trackEnd)
        theTrack->edits.push_back({-1, trackStart - trackEnd, theTrack->movie->timeScale});
    theTrack->edits.push_back({mediaTime, mediaDuration, media.timeScale});
    return noErr;
}

MediaHandler GetMediaHandler(Media theMedia) {
    if (!theMedia) {
        SetMoviesError(invalidMedia);
        return nullptr;
    }
    SetMoviesError(noErr);
    return &theMedia->handler;
}
