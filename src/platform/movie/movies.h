// The movie toolbox: a writer of QuickTime movie files with the calls and statuses of the platform.
//
// A movie is made in a storage (CreateMovieStorage), which writes a temporary file in the destination's
// directory: copied samples go straight into its 'mdat' as they are added; AddMovieToStorage writes the
// movie header ('moov'); CloseMovieStorage completes the file and renames it over the destination. Any
// failure of the file leaves the destination as it was and no temporary file behind; the failing call
// and every later call on that storage return the status.
//
// Object model: a movie owns its tracks, a track its one media, a media its sample table, its data
// references and its media handler. Handles (data references, sample descriptions, sample data) are
// plain memory handles (platform/memory.h) whose contents are big-endian, as the callers build them.
// One movie is used by one thread at a time.
#pragma once

#include "platform/memory.h"
#include "platform/movie/movie_errors.h"
#include "platform/types.h"

#include <cstdint>
#include <string>

class ReadableFile;
struct MovieRecord;
struct TrackRecord;
struct MediaRecord;
struct DataHandlerRecord;
struct MediaHandlerRecord;

using Movie = MovieRecord*;
using Track = TrackRecord*;
using Media = MediaRecord*;
using DataHandler = DataHandlerRecord*;
using MediaHandler = MediaHandlerRecord*;

/// A sample description in a handle: u32 size, u32 data format, 6 reserved bytes, u16 dataRefIndex, then
/// the format's own fields, all big-endian (the 86-byte image description, the timecode description).
using SampleDescriptionHandle = Handle;
using ImageDescriptionHandle = Handle;

using ScriptCode = int16_t;
using QTPathStyle = int32_t;

constexpr OSType VideoMediaType = FourCC("vide");
constexpr OSType TimeCodeMediaType = FourCC("tmcd");
constexpr OSType rAliasType = FourCC("alis"); // the data reference type of a file
constexpr OSType kTrackReferenceTimeCode = FourCC("tmcd");

constexpr QTPathStyle kQTNativeDefaultPathStyle = -1; // POSIX paths here
constexpr QTPathStyle kQTPOSIXPathStyle = 0;

constexpr ScriptCode smSystemScript = -1;
constexpr ScriptCode smCurrentScript = -2;

constexpr int32_t createMovieFileDeleteCurFile = int32_t(0x80000000); // replace an existing file

constexpr long movieTrackMediaType = 1 << 0;      // GetMovieIndTrackType: the type is a media type
constexpr long movieTrackCharacteristic = 1 << 1; // (not supported: paramErr)
constexpr long movieTrackEnabledOnly = 1 << 2;    // count enabled tracks only

constexpr short mediaSampleNotSync = 1 << 0; // (not supported: every sample is a sync sample)

constexpr Fixed fixed1 = 0x00010000;

// --- Start-up -------------------------------------------------------------------------------------

/// Initialises the toolbox. Nothing here needs initialising; kept so callers read like the platform.
OSErr EnterMovies();
void ExitMovies();

/// Status of the last call on this thread that returns an object (NewMovieTrack, NewTrackMedia,
/// GetMediaHandler, GetMovieIndTrackType, ...).
OSErr GetMoviesError();

// --- Storage --------------------------------------------------------------------------------------

/// A data reference (type 'alis') to the file at a full path, which need not exist yet. A relative
/// path is taken from the current directory. The caller disposes the handle (DisposeHandle).
/// Path styles: kQTNativeDefaultPathStyle or kQTPOSIXPathStyle; flags must be 0.
OSErr QTNewDataReferenceFromFullPathCFString(const std::string& filePath, QTPathStyle pathStyle,
                                             uint32_t flags, Handle* outDataRef, OSType* outDataRefType);

/// A new empty movie written into a new file at the data reference. Without
/// createMovieFileDeleteCurFile an existing file there gives dupFNErr; with it, the existing file is
/// replaced when CloseMovieStorage succeeds (and only then). creator and scriptTag are accepted and
/// not recorded (Linux files have no creator code). Errors: dirNFErr, wrPermErr, dskFulErr, ioErr.
OSErr CreateMovieStorage(Handle dataRef, OSType dataRefType, OSType creator, ScriptCode scriptTag,
                         int32_t createMovieFileFlags, DataHandler* outDataHandler, Movie* newMovie);

/// Writes the movie header into the storage's file.
OSErr AddMovieToStorage(Movie theMovie, DataHandler dh);

/// Completes the file (the header is rewritten from the movie if the movie changed after
/// AddMovieToStorage), renames it over the destination and disposes the data handler. On any error the
/// temporary file is removed, the destination left untouched, and the status returned.
OSErr CloseMovieStorage(DataHandler dh);

/// Ends a storage without completing it: the temporary file is removed and the destination untouched.
/// Disposes the data handler.
OSErr AbortMovieStorage(DataHandler dh);

/// With flush on, CloseMovieStorage forces the file's data to the disk before renaming it (slower).
OSErr SetMovieStorageFlushOnClose(DataHandler dh, bool flush);

/// After this, CloseMovieStorage gives the file its name only where no file has it (else dupFNErr, and
/// the temporary file is removed): for a movie that must not take the place of what stands there.
OSErr SetMovieStorageKeepsExisting(DataHandler dh);

/// Leaves byteCount bytes of the movie's data unwritten (a hole that reads as zeros): a sparse gap in
/// 'mdat' before the next copied sample. Used to make movies past 4 GiB without writing gigabytes.
OSErr AddMovieStorageGap(DataHandler dh, uint64_t byteCount);

/// Bytes of the samples added from files (AddMediaSampleFromFile), by how the storage wrote them.
struct MovieStorageCopies {
    uint64_t shared = 0; // blocks of the source files shared into the movie: nothing copied
    uint64_t kernel = 0; // copied by the kernel (or the file server)
    uint64_t user = 0;   // read into the process and written out again
};
OSErr GetMovieStorageCopies(DataHandler dh, MovieStorageCopies* copies);

/// Disposes the movie, its tracks and media. A storage still open stays open until closed or aborted.
void DisposeMovie(Movie theMovie);

// --- Tracks and media -----------------------------------------------------------------------------

void SetMovieTimeScale(Movie theMovie, TimeScale timeScale); // default 600
TimeScale GetMovieTimeScale(Movie theMovie);
/// The longest track's duration, in the movie's time scale.
TimeValue GetMovieDuration(Movie theMovie);

/// A new track of that size (16.16) and volume (8.8); null on failure (GetMoviesError).
Track NewMovieTrack(Movie theMovie, Fixed width, Fixed height, int16_t trackVolume);
long GetMovieTrackCount(Movie theMovie);
/// The index-th track (1-based), or null with badTrackIndex.
Track GetMovieIndTrack(Movie theMovie, long index);
/// The index-th track (1-based) whose media type is trackType (flags: movieTrackMediaType, optionally
/// movieTrackEnabledOnly); null with badTrackIndex when there is none.
Track GetMovieIndTrackType(Movie theMovie, long index, OSType trackType, long flags);
TimeValue GetTrackDuration(Track theTrack);
void SetTrackEnabled(Track theTrack, bool isEnabled);
bool GetTrackEnabled(Track theTrack);
/// theTrack refers to refTrack (same movie) with that reference type; addedIndex (may be null) gets the
/// 1-based index among theTrack's references of that type (the existing one if already there).
OSErr AddTrackReference(Track theTrack, Track refTrack, OSType refType, long* addedIndex);

/// The track's media: 'vide' or 'tmcd'. Without a data reference (null, 0) the samples of
/// AddMediaSample are stored in the movie's own file. A given data reference is not supported
/// (featureUnsupported). Null on failure (GetMoviesError).
Media NewTrackMedia(Track theTrack, OSType mediaType, TimeScale timeScale, Handle dataRef,
                    OSType dataRefType);
Media GetTrackMedia(Track theTrack);
TimeScale GetMediaTimeScale(Media theMedia);
/// Sum of the media's sample durations, in the media's time scale.
TimeValue GetMediaDuration(Media theMedia);
long GetMediaSampleCount(Media theMedia);
long GetMediaSampleDescriptionCount(Media theMedia);
short GetMediaDataRefCount(Media theMedia);
OSErr BeginMediaEdits(Media theMedia);
OSErr EndMediaEdits(Media theMedia);

/// Makes media time [mediaTime, mediaTime + mediaDuration) the track's content from trackStart (track
/// time, movie time scale; -1 = at the track's end). Appends only: a trackStart before the track's end
/// gives invalidTime; one past it leaves an empty edit before. Rate must be 1.0.
OSErr InsertMediaIntoTrack(Track theTrack, TimeValue trackStart, TimeValue mediaTime, TimeValue mediaDuration,
                           Fixed mediaRate);

/// The media's handler: the timecode handler for 'tmcd' media (TC* calls), a video handler otherwise.
MediaHandler GetMediaHandler(Media theMedia);

// --- Samples --------------------------------------------------------------------------------------

/// Appends numberOfSamples samples of size / numberOfSamples bytes each, copied from the handle's bytes
/// at inOffset into the movie's file, each lasting durationPerSample (media time scale), under the
/// description (stored once per distinct description; its dataRefIndex is set to the movie file's own
/// data reference). sampleTime (may be null) gets the media time of the first sample.
OSErr AddMediaSample(Media theMedia, Handle dataIn, long inOffset, unsigned long size,
                     TimeValue durationPerSample, SampleDescriptionHandle sampleDescriptionH,
                     long numberOfSamples, short sampleFlags, TimeValue* sampleTime);

/// AddMediaSample with the bytes taken from `size` bytes at fileOffset of an open file instead of a
/// handle: the storage puts them into the movie's file by the cheapest way the file systems allow
/// (shared blocks, an in-kernel copy, or a copy through a small block), never the whole sample in
/// memory. eofErr when the file ends before them (it shrank since it was looked at) or can't be read
/// there: no sample is added and the storage goes on; any other failure is the storage's, as for
/// AddMediaSample.
OSErr AddMediaSampleFromFile(Media theMedia, const ReadableFile& file, uint64_t fileOffset,
                             unsigned long size, TimeValue durationPerSample,
                             SampleDescriptionHandle sampleDescriptionH, long numberOfSamples,
                             short sampleFlags, TimeValue* sampleTime);

/// Adds a data reference (type 'alis') to the media; index gets its 1-based index, the existing index if
/// an equal reference (same file) is already there. The index is 16 bits: at 32 767 references the call
/// sets index to -1 and returns badDataRefIndex.
OSErr AddMediaDataRef(Media theMedia, short* index, Handle dataRef, OSType dataRefType);

/// Records numberOfSamples samples of size / numberOfSamples bytes each at dataOffset of the file named
/// by the description's dataRefIndex (0 = the movie's own file), without copying anything.
OSErr AddMediaSampleReference(Media theMedia, long dataOffset, unsigned long size,
                              TimeValue durationPerSample, SampleDescriptionHandle sampleDescriptionH,
                              long numberOfSamples, short sampleFlags, TimeValue* sampleTime);
