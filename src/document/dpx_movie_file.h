// DPXMovieFile: the sequence document. One per opened frame file: it identifies that file, finds
// the numbered sequence it belongs to in its directory, and holds the sequence, the range to
// export and the current frame with its preview.
//
// Life of a document: create(), readFromFile() with the path the user opened, then the window's
// set-up runs openSequence(). Browsing replaces the current frame through setFile(). The document
// is shared: an export's worker and its timer keep it alive while they run.
//
// The sequence: every entry of the opened file's directory whose name begins with the base name
// (the opened name less its extension and its trailing decimal digits) and that is a usable DPX or
// Cineon frame, ordered by fw::numericCompare (frame9 before frame10; names equal in number are
// ordered by their bytes). Frames are addressed by their 0-based index in fileList().
//
// Main thread only, except openFileAtPath(), which touches no document state.
#pragma once

#include "export/export_settings.h"
#include "framefiles/frame_file.h"
#include "platform/memory.h"
#include "platform/movie/movies.h"
#include "platform/picture.h"
#include "platform/types.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class DPXMovieFile : public std::enable_shared_from_this<DPXMovieFile> {
public:
    static constexpr uint32_t kNoStartTimecode = 0xFFFFFFFF;

    /// A new document with the initial values (no path, no sequence, no time code).
    static std::shared_ptr<DPXMovieFile> create();
    ~DPXMovieFile();
    DPXMovieFile(const DPXMovieFile&) = delete;
    DPXMovieFile& operator=(const DPXMovieFile&) = delete;

    /// Keeps the path the user opened; nothing is read until openSequence(). The type is not
    /// looked at. Always true.
    bool readFromFile(const std::string& path, const std::string& type);

    /// The opening: identifies the file kept by readFromFile, takes its frame size, allocates the
    /// preview buffer, scans the directory for the sequence (the whole of it becomes the range),
    /// takes the start time code (DPX only) and shows the opened frame (setFile). False when no
    /// path was kept (nothing done) or the opening failed: then every sequence field keeps its
    /// initial value and currentFileCode() is 0.
    bool openSequence();

    /// Identifies one file by its first four bytes and returns its reader, whose fileOK() is true,
    /// with `fileCode` 1 (DPX) or 2 (Cineon); otherwise nullptr with `fileCode` 0. Logs "Can't find
    /// file at path: ...", "Error: couldn't open file ..." or "Can't identify file ... - contains
    /// unknown ID: ..." (a refusing reader logs its own complaint). Any thread.
    static std::shared_ptr<FrameFile> openFileAtPath(const std::string& path, int32_t& fileCode);

    /// Derives the base name and the directory from `path`, lists the directory, collects the
    /// frame files of the sequence into fileList() in numeric order and sets lastSlider() to the
    /// index of the opened name (0 when it isn't among them). Returns the number of frames. Every
    /// candidate is opened, identified and closed again: no file stays open.
    int32_t countFramesInPath(const std::string& path);

    /// Makes `reader` the current frame: keeps it (letting go of the previous one), draws its
    /// preview into the preview buffer and keeps the picture, rebuilds the description text and
    /// sends the frame to the video output.
    void setFile(std::shared_ptr<FrameFile> reader);

    /// Rebuilds the window's description text of the sequence. Nothing yet: the window's logic
    /// fills it in.
    void setDescriptionText();
    /// Sends the current frame to the video output device when one is present. Nothing yet: the
    /// video output preview fills it in.
    void startVideoOut();

    // The sequence state.

    /// Full path of the current frame file; nullopt before readFromFile.
    const std::optional<std::string>& fileString() const { return m_fileString; }
    /// The opened path less its last component ("" for a bare file name: the current directory).
    const std::string& directoryPath() const { return m_directoryPath; }
    /// The opened name less its extension and trailing decimal digits; may be empty.
    const std::string& fileBaseName() const { return m_fileBaseName; }
    /// Names (no directory part) of the sequence's frame files in order.
    const std::vector<std::string>& fileList() const { return m_fileList; }
    /// Path of the frame at `index`: directoryPath() joined with its name.
    std::string pathOfFrame(int32_t index) const;
    int32_t frameCount() const { return m_frameCount; }
    /// Index of the current frame; after the opening, that of the opened file.
    int32_t lastSlider() const { return m_lastSlider; }
    /// The range to export: inFrame() up to, not including, outFrame().
    int32_t inFrame() const { return m_inFrame.load(); }
    int32_t outFrame() const { return m_outFrame.load(); }
    /// Reader of the current frame; null before a successful opening.
    const std::shared_ptr<FrameFile>& currentFile() const { return m_currentFile; }
    /// 0 not identified or not usable, 1 DPX, 2 Cineon: the opened file's kind.
    int32_t currentFileCode() const { return m_currentFileCode; }
    /// Frame size of the opened file, truncated to whole pixels.
    int32_t frameWidth() const { return m_frameWidth; }
    int32_t frameHeight() const { return m_frameHeight; }
    /// The preview buffer: frameWidth() x frameHeight() x 4 bytes of 8-bit RGBA, allocated once at
    /// the opening and reused for every frame shown; null before.
    Ptr frameBuffer() const { return m_frameBuffer.get(); }
    /// The opened DPX file's time code (BCD hh mm ss ff), or kNoStartTimecode.
    uint32_t startTimecode() const { return m_startTimecode; }
    /// The picture of the current frame, showing the preview buffer in place; null when the frame
    /// gave no preview.
    const std::shared_ptr<NSImage>& previewImage() const { return m_image; }

    // The movie settings: the frame-rate and codec popups and the source ID field set them; the
    // export and the video output read them.

    /// Time units per second of the movie (2997 until the window's set-up reads the defaults).
    int32_t movieTimescale() const { return m_movieTimescale; }
    /// Duration of one frame in those units.
    int32_t frameDuration() const { return m_frameDuration; }
    /// The frame rate in 16.16 fixed point, as handed to the video output.
    Fixed frameRate() const { return m_frameRate; }
    /// Whether the timecode counts drop frame.
    bool tcDropFrame() const { return m_tcDropFrame; }
    /// Codec of the movie's video samples ('R10k' or 'R10g').
    OSType codecType() const { return m_codecType; }
    /// The source name recorded with the movie's timecode.
    const std::string& sourceID() const { return m_sourceID; }

    // ---- Export -------------------------------------------------------------------------------
    // Translating the range into a movie on a worker thread. The worker works from a copy of the
    // settings (ExportSettings) and shares with the main thread only the atomic fields below.

    /// Copies the settings an export of the current range into `saveName` works from.
    ExportSettings exportSettingsFor(const std::string& saveName, bool makeReferenceMovie) const;

    /// The worker's writing of the movie, from m_exportSettings: creates the storage and the video
    /// track, fills the media (copied or referenced samples), adds the timecode track, writes the
    /// header and closes the file, recording in exportOutcome() what it wrote and why it stopped.
    /// Logs "Could not create file for movie! (1|2) error %d" when the file can't be made. Returns
    /// the first failure's status (0 when every frame was written).
    OSErr saveMovie();
    /// Runs saveMovie on the calling thread with these settings (tests, benchmarks): the worker's
    /// work without the threads.
    OSErr saveMovieWithSettings(const ExportSettings& settings);

    /// Self-contained samples: each frame of the range read through one frame block and copied
    /// into the movie. Stops at the first frame that is missing, unreadable, or of another size
    /// than the document's. Returns the status of the stop (0 after the whole range).
    OSErr addVideoFramesToMedia(Media media);
    /// Reference samples: one data reference per frame file and a sample at its pixel data; sets
    /// m_bReferenceFramesDiffer when a frame's size or data offset differs from the in point's.
    OSErr addVideoReferencesToMedia(Media media);
    /// One copied sample of `size` bytes from `buffer` lasting one frame. (`frame` is not used.)
    OSErr addFrame(int32_t frame, Media media, Handle buffer, int32_t size, ImageDescriptionHandle imageDesc);
    /// The 86-byte image description of the frames under the document's codec and frame size
    /// (frame count: 1 for a reference movie, else the frames of the last export); null when memory
    /// is short. The caller disposes it.
    ImageDescriptionHandle makeVideoImageDescription();
    /// The disabled timecode track starting at the opened file's timecode, named with the source
    /// ID, referred to by the video track; nothing without a timecode. Returns AddTrackReference's
    /// status (0 when no track is made).
    OSErr addTimecodeTrackToMovie(Movie movie);

    /// True from the confirmation of an export until its worker has finished.
    bool isConverting() const { return m_bConverting.load(std::memory_order_acquire); }
    /// Index of the frame being written; frames written so far are currentFrame() - the in point.
    int32_t currentFrame() const { return m_currentFrame.load(); }
    int32_t totalFrames() const { return m_totalFrames.load(); }
    bool referenceFramesDiffer() const { return m_bReferenceFramesDiffer.load(); }
    /// The settings of the running or last export.
    const ExportSettings& exportSettings() const { return m_exportSettings; }
    /// What the last finished export wrote; read it once isConverting() is false.
    const ExportOutcome& exportOutcome() const { return m_exportOutcome; }

protected:
    DPXMovieFile();

private:
    /// Back to the initial sequence state, after an opening that failed half-way.
    void clearSequenceState();

    std::optional<std::string> m_fileString;
    std::string m_directoryPath;
    std::string m_fileBaseName;
    std::vector<std::string> m_fileList;
    int32_t m_frameCount = 0;
    int32_t m_lastSlider = 0;
    // The export's worker reads the range while the main thread may mark it.
    std::atomic<int32_t> m_inFrame{0};
    std::atomic<int32_t> m_outFrame{0};
    int32_t m_currentFileCode = 0;
    int32_t m_frameWidth = 0;
    int32_t m_frameHeight = 0;
    PtrOwner m_frameBuffer;
    // The same pointer as m_frameBuffer; its address is the handle-shaped argument that the
    // readers' imageWithFrameBuffer() takes.
    Ptr m_frameBuffArray[1] = {nullptr};
    uint32_t m_startTimecode = kNoStartTimecode;

    // Movie settings, with the values a new document starts with.
    int32_t m_movieTimescale = 2997;
    int32_t m_frameDuration = 100;
    Fixed m_frameRate = 0;
    bool m_tcDropFrame = false;
    OSType m_codecType = FourCC("R10g");
    std::string m_sourceID;
    // ---- Export state ----------------------------------------------------------------------------
    /// Whether the worker should take another frame: the out point (lowered to cancel) and the
    /// abort request are read anew before each one.
    bool exportContinuesAt(int32_t frame) const;
    /// makeVideoImageDescription for the worker: from the export's settings.
    ImageDescriptionHandle makeExportImageDescription() const;
    /// Keeps the first reason the export stopped.
    void recordExportStop(OSErr status, const std::string& problem);

    // Shared with the worker: written by one side, read by the other, each access atomic. The
    // worker's store of false into m_bConverting is its last, a release that publishes the rest.
    std::atomic<bool> m_bConverting{false};
    std::atomic<int32_t> m_currentFrame{0};
    std::atomic<int32_t> m_totalFrames{0};
    std::atomic<bool> m_bReferenceFramesDiffer{false};
    std::atomic<bool> m_bAbortExport{false};
    // Main thread: the confirmed path and kind, until they are copied into the settings.
    std::string m_saveName;
    bool m_bMakeReferenceMovie = false;
    // Written by the main thread before the worker starts, read-only while it runs.
    ExportSettings m_exportSettings;
    // Written by the worker while it runs, read by the main thread after it has ended.
    ExportOutcome m_exportOutcome;

    // Declared after the buffer, so that they are released before it is freed: the readers'
    // pictures show the buffer in place.
    std::shared_ptr<FrameFile> m_currentFile;
    std::shared_ptr<NSImage> m_image;
};
