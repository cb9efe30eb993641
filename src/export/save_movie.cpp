// Writing the movie on the export's worker: the file, its video track, the samples, the timecode
// track, the header. The file is written under a temporary name and takes its own name only when it
// is complete, so an export that fails or is aborted leaves whatever stood there before.
#include "document/dpx_movie_file.h"
#include "export/export_problems.h"
#include "framefiles/frame_file_code.h"
#include "platform/framework/path_ops.h"
#include "platform/log.h"

#include <algorithm>
#include <filesystem>

namespace {

constexpr OSType kMovieCreator = FourCC("TVOD");

/// Owns a movie until the end of a scope; the storage is closed or aborted before.
struct MovieOwner {
    Movie movie = nullptr;
    ~MovieOwner() {
        if (movie)
            DisposeMovie(movie);
    }
};

/// Why the movie's folder can't take it: a path through a file says which file; else the status.
std::string destinationFolderProblem(const std::string& saveName, OSErr err) {
    std::error_code ec;
    for (std::filesystem::path folder = std::filesystem::path(saveName).parent_path();
         !folder.empty() && folder != folder.root_path(); folder = folder.parent_path()) {
        const std::filesystem::file_type type = std::filesystem::status(folder, ec).type();
        if (type == std::filesystem::file_type::directory)
            break;
        if (type != std::filesystem::file_type::not_found && type != std::filesystem::file_type::none)
            return folder.string() + " is a file, not a folder";
    }
    return exportStatusText(err);
}

std::string byteCountText(uint64_t bytes) {
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

} // namespace

void DPXMovieFile::noteSampleCopies(DataHandler storage) {
    MovieStorageCopies copies;
    if (GetMovieStorageCopies(storage, &copies) != noErr)
        return;
    const uint64_t total = copies.shared + copies.kernel + copies.user;
    if (total == 0)
        return;
    SampleCopy& copy = m_exportOutcome.copy;
    copy = copies.user > 0 ? SampleCopy::user : copies.kernel > 0 ? SampleCopy::kernel : SampleCopy::shared;
    std::string words = copy == SampleCopy::shared   ? "shared"
                        : copy == SampleCopy::kernel ? "copied in the kernel"
                                                     : "copied";
    // Of samples written more than one way, how much went a cheaper way.
    if (copy != SampleCopy::shared && copies.shared > 0)
        words += " (" + byteCountText(copies.shared) + " of " + byteCountText(total) + " shared)";
    if (copy == SampleCopy::user && copies.kernel > 0)
        words +=
            " (" + byteCountText(copies.kernel) + " of " + byteCountText(total) + " copied in the kernel)";
    NSLog("The movie's samples were %s\n", words.c_str());
}

ExportSettings DPXMovieFile::exportSettingsFor(const std::string& saveName, bool makeReferenceMovie) const {
    ExportSettings s;
    s.saveName = saveName;
    s.makeReferenceMovie = makeReferenceMovie;
    // Absolute once here, so that the frames' data references don't each ask for the current
    // directory (and a change of it during the export can't move them).
    std::error_code ec;
    std::filesystem::path directory =
        std::filesystem::absolute(m_directoryPath.empty() ? "." : m_directoryPath, ec);
    s.directoryPath = ec ? m_directoryPath : directory.lexically_normal().string();
    s.inFrame = m_inFrame.load();
    s.outFrame = m_outFrame.load();
    s.frameWidth = m_frameWidth;
    s.frameHeight = m_frameHeight;
    s.movieTimescale = m_movieTimescale;
    s.frameDuration = m_frameDuration;
    s.tcDropFrame = m_tcDropFrame;
    s.codecType = m_codecType;
    s.startTimecode = rangeStartTimecode();
    s.allowLargeFrames = m_bAllowLargeFrames;
    s.readThreads = m_readThreads;
    s.sourceID = m_sourceID;
    return s;
}

std::string DPXMovieFile::exportPathOfFrame(int32_t index) const {
    if (index < 0 || size_t(index) >= m_fileList.size())
        return {};
    return fw::stringByAppendingPathComponent(m_exportSettings.directoryPath, m_fileList[size_t(index)]);
}

DPXMovieFile::FetchedFrame DPXMovieFile::fetchExportFrame(int32_t frame, bool forCopy) const {
    DeferredLog log;
    FetchedFrame fetched;
    const ExportSettings& s = m_exportSettings;
    if (const std::string path = pathOfFrame(frame); !path.empty()) {
        fetched.named = true;
        int32_t code = kFileCodeUnknown;
        std::shared_ptr<FrameFile> reader = openFileAtPath(path, code, s.allowLargeFrames, &fetched.problem);
        if (reader && code != kFileCodeUnknown) {
            fetched.opened = true;
            const NSSize size = reader->frameSize();
            fetched.width = int32_t(size.width);
            fetched.height = int32_t(size.height);
            fetched.byteCount = reader->frameByteCount();
            fetched.dataOffset = reader->dataOffset();
            fetched.fileSize = reader->fileSize();
            if (forCopy && fetched.width == s.frameWidth && fetched.height == s.frameHeight) {
                fetched.readStatus = reader->handOverPixelFile(fetched.pixelFile);
                fetched.pixelOffset = uint64_t(fetched.dataOffset);
            }
        }
        if (reader)
            reader->closeFile();
    }
    fetched.messages = log.take();
    return fetched;
}

bool DPXMovieFile::acceptExportFrame(int32_t frame, const FetchedFrame& fetched, const char* caller,
                                     OSErr& status) {
    logMessages(fetched.messages);
    if (!fetched.named) {
        NSLog("Error finding filename for frame #%d in %s:\n", int(frame), caller);
        recordExportStop(-2, "no frame file at index " + std::to_string(frame));
        status = -2;
        return false;
    }
    if (!fetched.opened) {
        NSLog("Error creating MyDPXFile #%d in %s:\n", int(frame), caller);
        recordExportStop(-1, m_fileList[size_t(frame)] + ": " +
                                 (fetched.problem.empty() ? "missing, unreadable or not a DPX or Cineon frame"
                                                          : fetched.problem));
        status = -1;
        return false;
    }
    return true;
}

bool DPXMovieFile::exportFrameHasTheSize(int32_t frame, const FetchedFrame& fetched, const char* caller) {
    const ExportSettings& s = m_exportSettings;
    if (fetched.width == s.frameWidth && fetched.height == s.frameHeight)
        return true;
    NSLog("Frame #%d is %dx%d, not %dx%d, in %s:\n", int(frame), int(fetched.width), int(fetched.height),
          int(s.frameWidth), int(s.frameHeight), caller);
    recordExportStop(-1, m_fileList[size_t(frame)] + ": the frame is " + std::to_string(fetched.width) + "x" +
                             std::to_string(fetched.height) + ", not " + std::to_string(s.frameWidth) + "x" +
                             std::to_string(s.frameHeight));
    return false;
}

bool DPXMovieFile::exportContinuesAt(int32_t frame) const {
    // The out point may be lowered while the export runs (cancelling, marking); it never takes the
    // export past the range that was confirmed.
    const int32_t end = std::min(m_outFrame.load(), m_exportSettings.outFrame);
    return frame < end && !m_bAbortExport.load();
}

void DPXMovieFile::recordExportStop(OSErr status, const std::string& problem) {
    if (m_exportOutcome.status == noErr && m_exportOutcome.problem.empty()) {
        m_exportOutcome.status = status;
        m_exportOutcome.problem = problem;
    }
}

OSErr DPXMovieFile::saveMovieWithSettings(const ExportSettings& settings) {
    m_exportSettings = settings;
    m_bAbortExport.store(false);
    return saveMovie();
}

OSErr DPXMovieFile::saveMovie() {
    const ExportSettings& s = m_exportSettings;
    m_exportOutcome = ExportOutcome{};
    m_exportOutcome.moviePath = s.saveName;
    m_exportOutcome.framesRequested = s.outFrame - s.inFrame;
    m_exportOutcome.reference = s.makeReferenceMovie;
    m_totalFrames.store(s.outFrame - s.inFrame);
    m_currentFrame.store(s.inFrame);

    if (const std::string frame = rangeFrameAtExportName(); !frame.empty()) {
        recordExportStop(paramErr, s.saveName + " is " + frame +
                                       ", one of the frames the movie is made from; nothing was written");
        return paramErr;
    }

    Handle dataRef = nullptr;
    OSType dataRefType = 0;
    OSErr err = QTNewDataReferenceFromFullPathCFString(s.saveName, kQTNativeDefaultPathStyle, 0, &dataRef,
                                                       &dataRefType);
    HandleOwner dataRefOwner(dataRef);
    if (err != noErr) {
        NSLog("Could not create file for movie! (1) error %d\n", int(err));
        recordExportStop(err, "can't make a movie file at that path (" + exportStatusText(err) + ")");
        return err;
    }
    DataHandler storage = nullptr;
    MovieOwner movie;
    // A file of that name is replaced only when the user said so; one that appears while the export
    // runs (another export to the same name) makes this one fail at its end instead.
    err = CreateMovieStorage(dataRef, dataRefType, kMovieCreator, smCurrentScript,
                             s.replaceExisting ? createMovieFileDeleteCurFile : 0, &storage, &movie.movie);
    if (err == dupFNErr) {
        std::error_code ec;
        recordExportStop(err, std::filesystem::is_directory(s.saveName, ec)
                                  ? s.saveName + " is a folder; a movie can't take its name"
                                  : s.saveName + " exists; nothing was replaced");
        return err;
    }
    if (err != noErr) {
        NSLog("Could not create file for movie! (2) error %d\n", int(err));
        recordExportStop(err,
                         "can't create the movie file (" + destinationFolderProblem(s.saveName, err) + ")");
        return err;
    }
    if (s.flushOnClose)
        SetMovieStorageFlushOnClose(storage, true);

    SetMovieTimeScale(movie.movie, s.movieTimescale);
    Track track = NewMovieTrack(movie.movie, FixRatio(int16_t(s.frameWidth), 1),
                                FixRatio(int16_t(s.frameHeight), 1), 0);
    Media media = track ? NewTrackMedia(track, VideoMediaType, s.movieTimescale, nullptr, 0) : nullptr;
    if (!media) {
        err = GetMoviesError() != noErr ? GetMoviesError() : invalidMedia;
        recordExportStop(err, "can't make the movie's video track (" + exportStatusText(err) + ")");
        AbortMovieStorage(storage);
        return err;
    }

    if (s.makeReferenceMovie) {
        addVideoReferencesToMedia(media);
    } else {
        addVideoFramesToMedia(media);
        noteSampleCopies(storage);
    }
    const int32_t written = m_currentFrame.load() - s.inFrame;

    if (m_bAbortExport.load()) {
        m_exportOutcome.aborted = true;
        recordExportStop(kExportAbortedErr, "the export was aborted; no movie was written");
        AbortMovieStorage(storage);
        return kExportAbortedErr;
    }
    if (written <= 0) {
        // A movie without a frame is no use, and would replace a file of that name.
        recordExportStop(-1, "no frame was written");
        AbortMovieStorage(storage);
        return m_exportOutcome.status;
    }

    InsertMediaIntoTrack(track, 0, 0, GetMediaDuration(media), fixed1);
    addTimecodeTrackToMovie(movie.movie);
    // A frame stopped the export: its frames make a movie where the name is free, but never take
    // the place of a file there, which may be the good movie of an earlier export.
    const bool failed = !m_exportOutcome.problem.empty();
    if (failed)
        SetMovieStorageKeepsExisting(storage);
    err = AddMovieToStorage(movie.movie, storage);
    if (err != noErr) {
        AbortMovieStorage(storage);
    } else {
        err = CloseMovieStorage(storage);
    }
    if (err != noErr) {
        // The samples could not all be kept (a full disk, a vanished folder): nothing was renamed.
        m_exportOutcome.status = err;
        m_exportOutcome.problem =
            (m_exportOutcome.problem.empty() ? "" : m_exportOutcome.problem + "; ") +
            (err == dupFNErr && failed && s.replaceExisting
                 ? s.saveName + " was left as it was: a failed export replaces no file (" +
                       std::to_string(written) + " of " + std::to_string(m_exportOutcome.framesRequested) +
                       " frames were written)"
             : err == dupFNErr ? s.saveName + " exists (it appeared during the export); "
                                              "nothing was replaced and no movie was left"
                               : "the movie file could not be completed (" + exportStatusText(err) + ")");
        return err;
    }
    m_exportOutcome.movieWritten = true;
    m_exportOutcome.framesWritten = written;
    m_exportOutcome.framesDiffer = s.makeReferenceMovie && m_bReferenceFramesDiffer.load();
    m_exportOutcome.cancelled = m_exportOutcome.problem.empty() && written < m_exportOutcome.framesRequested;
    return m_exportOutcome.status;
}
