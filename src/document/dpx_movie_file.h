// DPXMovieFile: the sequence document. One per opened frame file: it identifies that file, finds
// the numbered sequence it belongs to in its directory, and holds the sequence, the range to
// export and the current frame with its preview, the movie settings, and drives its window.
//
// Life of a document: made by the application's document controller (create()), given the path
// the user opened (readFromFile()), then its window is made: loadWindowContents() makes the
// "MyDocument" controls and windowControllerDidLoadNib() sets them up, which runs the opening
// (openSequence()). Browsing replaces the current frame through setFile(). The document is
// shared: an export's worker and its timer keep it alive while they run (sharedDocument()).
//
// The sequence: every entry of the opened file's directory whose name begins with the base name
// (the opened name less its extension and its trailing decimal digits) and that is a usable DPX or
// Cineon frame whose header claims no layout but 10-bit RGB in 32-bit words, ordered by
// fw::numericCompare (frame9 before frame10; names equal in number are
// ordered by their bytes). Frames are addressed by their 0-based index in fileList().
//
// The application controller (MyAppController, reached as the framework's shared document
// controller) supplies the defaults the window starts from and stores every setting the user
// changes; without one the document starts from the registered values and stores nothing.
//
// Main thread only, except openFileAtPath(), which touches no document state.
#pragma once

#include "app/video_out_controller.h"
#include "document/playback/player.h"
#include "document/sequence_warnings.h"
#include "export/export_settings.h"
#include "framefiles/frame_file.h"
#include "platform/framework/controls.h"
#include "platform/framework/document.h"
#include "platform/framework/panels.h"
#include "platform/framework/run_loop.h"
#include "platform/framework/view.h"
#include "platform/framework/window.h"
#include "platform/memory.h"
#include "platform/movie/movies.h"
#include "platform/picture.h"
#include "platform/types.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class MyAppController;

class DPXMovieFile : public fw::Document, public fw::WindowDelegate {
public:
    static constexpr uint32_t kNoStartTimecode = 0xFFFFFFFF;

    /// A new document on `framework` with the initial values (no path, no sequence, no time code,
    /// no window). The framework must outlive it.
    static std::shared_ptr<DPXMovieFile> create(fw::Framework& framework);
    ~DPXMovieFile() override;

    /// The document as its own class, for whatever must keep it alive (a worker, a timer).
    std::shared_ptr<DPXMovieFile> sharedDocument() {
        return std::static_pointer_cast<DPXMovieFile>(shared_from_this());
    }

    /// Keeps the path the user opened; nothing is read until openSequence(). The type is not
    /// looked at. Always true.
    bool readFromFile(const std::string& path, const std::string& type) override;
    /// While an export runs, asks first: "Cancel the Export" cancels it (a complete shorter movie)
    /// and closes, "Keep Working" leaves everything as it was.
    void closeRequested() override;
    static constexpr const char* kExportRunningMessage = "An export is running.";
    /// A frame of the open sequence, whichever is on show: its window serves for it.
    bool showsFile(const std::filesystem::path& path) const override;

    /// The opening: identifies the file kept by readFromFile, takes its frame size, allocates the
    /// preview buffer, scans the directory for the sequence (the whole of it becomes the range),
    /// takes the start time code (DPX only) and shows the opened frame (setFile). False when no
    /// path was kept (nothing done) or the opening failed: then every sequence field keeps its
    /// initial value and currentFileCode() is 0.
    virtual bool openSequence();

    /// Identifies one file by its first four bytes and returns its reader, whose fileOK() is true
    /// and whose header claims no layout but 10-bit RGB in 32-bit words, with `fileCode` 1 (DPX) or
    /// 2 (Cineon); otherwise nullptr with `fileCode` 0. Logs "Can't find file at path: ...", "Error:
    /// couldn't open file ...", "Can't identify file ... - contains unknown ID: ..." or "Can't copy
    /// file ...: <reason>" (a refusing reader logs its own complaint). `allowLargeFrames` takes
    /// frames up to 16384 in either dimension. When `problem` is given it receives why the file was
    /// refused ("little-endian DPX: its pixels would have to be converted", "16-bit RGB: only 10-bit
    /// RGB in 32-bit words can be copied", "width 4096 > 2048", ...). When the file could not be
    /// opened or read for a reason that is not the file's (isResourceFailure()), that errno goes to
    /// `resourceError` when given. Any thread.
    static std::shared_ptr<FrameFile> openFileAtPath(const std::string& path, int32_t& fileCode,
                                                     bool allowLargeFrames = false,
                                                     std::string* problem = nullptr,
                                                     int* resourceError = nullptr);

    /// Derives the base name and the directory from `path`, lists the directory, collects the
    /// frame files of the sequence into fileList() in numeric order and sets lastSlider() to the
    /// index of the opened name (0 when it isn't among them). Returns the number of frames. Every
    /// candidate is opened, identified and closed again: no file stays open. What each frame's
    /// header said (scannedFrames()) and the candidates left out, with why (leftOutEntries()), are
    /// kept for the warnings.
    /// Fails (0, with the reason in openProblem()) when the folder can't be read or a candidate
    /// can't be opened for want of the system's resources (descriptors, memory) or for an I/O
    /// error: such a frame is not refused, it was never looked at.
    int32_t countFramesInPath(const std::string& path);

    /// Makes `reader` the current frame: keeps it (letting go of the previous one), draws its
    /// preview into the preview buffer and keeps the picture, rebuilds the description text and
    /// sends the frame to the video output.
    void setFile(std::shared_ptr<FrameFile> reader);

    /// Rebuilds the description text (see descriptionText() in document/description_text.h) and
    /// shows it in the window's description field.
    void setDescriptionText();
    /// Sets the range to export (inFrame() up to outFrame()) and rebuilds the description: the one
    /// place the range changes once the sequence is open (marking, cancelling an export).
    void setRange(int32_t in, int32_t out);

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
    virtual std::string pathOfFrame(int32_t index) const;
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
    /// Index of the file the user opened in fileList().
    int32_t openedFrame() const { return m_openedFrame; }
    /// The timecode the movie of the range starts at (BCD, kNoStartTimecode for none): the in
    /// frame's own header timecode where it has one; otherwise the opened file's timecode moved by
    /// inFrame() - openedFrame() frames at the movie's rate, drop frame counted. Reads the in
    /// frame's header.
    virtual uint32_t rangeStartTimecode() const;
    /// The range's start timecode as text, "01:00:00:20" ("01:00:00;20" at drop frame); "" for none.
    std::string rangeStartTimecodeText() const;
    /// Why the last opening failed, for the user ("16-bit RGB: only 10-bit RGB in 32-bit words can
    /// be copied", "no frames found", ...); "" after a successful one.
    const std::string& openProblem() const { return m_openProblem; }
    /// When the last opening failed for want of the system's resources or for an I/O error
    /// (isResourceFailure()): that errno; 0 otherwise. Such a failure says nothing of the sequence.
    int openResourceError() const { return m_openResourceError; }
    /// What the scan read of each frame, one per fileList() entry.
    const std::vector<ScannedFrame>& scannedFrames() const { return m_scannedFrames; }
    /// The entries with the base name that the scan left out, and why.
    const std::vector<LeftOutEntry>& leftOutEntries() const { return m_leftOut; }
    /// The warnings about the current range at the current rate (see document/sequence_warnings.h).
    virtual std::vector<SequenceWarning> rangeWarnings() const;
    /// Whether frames up to 16384 in either dimension are accepted (the "AllowLargeFrames"
    /// preference, read at the window's set-up); 2048 otherwise.
    bool allowLargeFrames() const { return m_bAllowLargeFrames; }
    /// Before the opening (tests, the command line): the large frames allowance.
    void setAllowLargeFrames(bool allow) { m_bAllowLargeFrames = allow; }
    /// Threads that open frame files ahead of their use: the scan's candidates, the reference
    /// export's frames. 1 opens each where and when it is used. The results are the same either way.
    int readThreads() const { return m_readThreads; }
    void setReadThreads(int threads) { m_readThreads = std::max(threads, 1); }
    static constexpr int kDefaultReadThreads = 16;
    /// Before the opening (a listing of the whole folder): the folder's entry names as already
    /// read, sorted by their bytes, taken by the scan instead of reading the folder again.
    void setFolderEntries(std::shared_ptr<const std::vector<std::string>> sortedNames) {
        m_folderEntries = std::move(sortedNames);
    }
    /// Whether the document shows its frames: drawn into the preview buffer, and on the output
    /// device while its window is main. A document nobody looks at (the command line's translate)
    /// has no preview buffer and reads no frame for them. Set before the opening.
    void setShowsFrames(bool shows) { m_bShowsFrames = shows; }
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

    // ---------------------------------------------------------------------------------------
    // The window: set-up, browsing, marking, the settings controls and the source ID.
    // ---------------------------------------------------------------------------------------

    // Identifiers of the "MyDocument" controls, by which front ends and tests find them.
    static constexpr const char* kTabViewID = "tabView";
    static constexpr const char* kImageViewID = "imageView";
    static constexpr const char* kDescriptTextID = "descriptText";
    static constexpr const char* kTranslateButtonID = "translateButton";
    static constexpr const char* kProgressIndicatorID = "progressIndicator";
    static constexpr const char* kProgressTextID = "progressText";
    /// How the last export ended, in a line of its own, and the button that shows its movie.
    static constexpr const char* kExportResultTextID = "exportResultText";
    static constexpr const char* kShowMovieButtonID = "showMovieButton";
    static constexpr const char* kFrameSliderID = "frameSlider";
    static constexpr const char* kFrameRatePopupID = "frameRatePopup";
    static constexpr const char* kCodecPopupID = "codecPopup";
    static constexpr const char* kSourceIDTextFieldID = "sourceIDTextField";
    /// The source name's length field in the timecode description is 16 bits.
    static constexpr size_t kMaxSourceIDBytes = 65535;
    static constexpr const char* kMarkInButtonID = "markInButton";
    static constexpr const char* kMarkOutButtonID = "markOutButton";
    static constexpr const char* kGotoInButtonID = "gotoInButton";
    static constexpr const char* kGotoOutButtonID = "gotoOutButton";
    static constexpr const char* kSavePanelAccessoryID = "savePanelAccessory";
    static constexpr const char* kSaveOptionMatrixID = "saveOptionMatrix";
    /// The save panel accessory's text with the range's warnings (hidden when there are none).
    static constexpr const char* kSaveWarningsTextID = "saveWarningsText";
    /// The Translate button's title while no export runs.
    static constexpr const char* kTranslateTitle = "Translate...";
    /// What the description field shows when the opening failed.
    static constexpr const char* kOpenFailedText = "Error: couldn't open file";

    std::string windowNibName() const override { return "MyDocument"; }
    /// Makes the "MyDocument" controls in `window`: a tab view whose first tab holds the preview
    /// and whose second the frame-rate and codec popups and the source ID field; below it the
    /// frame slider, the marking buttons, the description, the progress bar and text (hidden) and
    /// the Translate button; and, free-standing, the save panel's accessory with its option matrix
    /// (cell tag 0 self-contained, 1 reference movie). Connects the outlets and the actions and
    /// becomes the window's delegate.
    void loadWindowContents(fw::Window& window) override;
    /// The window's set-up, in this order: frame rate and codec from the application's defaults
    /// (each written back), the video output controller, the opening; on success the content size,
    /// the slider, the Translate button and showing the window, on failure the error text with the
    /// Translate button and the slider disabled; in every case the default source ID.
    void windowControllerDidLoadNib() override;
    /// The content size a window opens at: the size the user last gave a document window, else
    /// the frames as large as fit in two thirds of the screen (never above their own pixels), with
    /// the controls around them.
    void sizeWindowForPicture();
    /// Fit (scaled to the window, keeping proportions) or Actual Size (the frame's own pixels,
    /// scrolling): the View menu's two items.
    void setPictureAtActualSize(bool actual);
    bool pictureAtActualSize() const;
    /// The document has no saved form: loading data accepts anything, there is nothing to write.
    bool loadDataRepresentation(const std::vector<uint8_t>& data, const std::string& type);
    std::optional<std::vector<uint8_t>> dataRepresentationOfType(const std::string& type) const;

    /// Browses to the frame of the slider's integer value: the current file becomes that frame's
    /// path; when it can be opened it is shown (setFile) and the window is titled after it. When it
    /// can't, the index and path move all the same and the previous frame stays on show. The same
    /// index, or one outside the sequence, does nothing.
    void doSlider(const fw::Slider& sender);
    /// Marking, on the current frame k. markIn: in = k, and out = k + 1 when k is at or past the
    /// out point. markOut: out = k + 1, and in = k when that is at or before the in point. Both
    /// rebuild the description. gotoIn and gotoOut move the slider to the in frame or to the last
    /// frame of the range and browse there. Without an opened sequence they do nothing.
    void markIn();
    void markOut();
    void gotoIn();
    void gotoOut();

    /// The frame-rate popup's action: its selected tag (0 when none) sets the four rate settings
    /// (settings::frameRateSettingsForTag) and is stored as the default frame rate as it came.
    void doFrameRatePopup(const fw::PopUpButton& sender);
    /// The codec popup's action: its selected tag sets the codec type and is stored as it came.
    void doCodecPopup(const fw::PopUpButton& sender);
    /// The source ID field's end of editing, and every change of its text (controlTextDidChange
    /// reads the field itself): both set the source ID to the field's text.
    void doSourceID(const fw::TextField& sender);
    void controlTextDidChange();
    /// Keeps the source ID and stores it at once as the application's default source ID.
    void setSourceID(const std::string& sourceID);
    /// The default source ID of the application's source-ID preference: 0 empty, 1 the base name
    /// (as 2 when that is empty), 2 the in-point file's name less its extension, 3 the sequence's
    /// directory name, 4 the stored default source ID, any other value empty. 1-3 give "" without
    /// an opened sequence.
    virtual std::string getDefaultSourceIDString() const;
    /// The tab view's did-select: the slider is enabled on the first tab and disabled on the
    /// others; a slider that the set-up disabled (no sequence, or a single frame) stays disabled.
    void tabView(fw::TabView& tabView, int itemIndex);

    /// The movie name proposed for the export, by the application's movie name preference: 0
    /// empty, 1 the base name (as 2 when it is empty; empty without an opened sequence), 2 the
    /// in-point file's name less its last extension, 3 the directory's name, 4 the stored default
    /// file name, any other value empty. With the extension preference on it then gets the
    /// extension "mov" in place of its own (withMovieExtension): shot_ gives shot_.mov, "" .mov.
    /// The name a path chosen in the save panel really gets: with the extension "mov" when the
    /// extension preference says so. The panel asks about replacing that name.
    std::string movieFileNameOf(const std::string& chosen) const;
    std::string getDefaultFileNameString() const;

    /// The Translate button's action: the export's save-as (idle) or cancel (while converting).
    void saveDocumentAs();

    // Outlets (null before loadWindowContents).
    fw::TabView* tabView() const { return m_tabView; }
    fw::ImageView* imageView() const { return m_imageView; }
    fw::TextField* descriptText() const { return m_descriptText; }
    fw::Button* translateButton() const { return m_translateButton; }
    fw::ProgressIndicator* progressIndicator() const { return m_progressIndicator; }
    fw::TextField* progressText() const { return m_progressText; }
    /// What the last export wrote: "shot_.mov: 60 of 60 frames, self-contained", "shot_.mov:
    /// cancelled: 20 of 60 frames kept", ...; "" before any.
    std::string exportResultLine() const;
    fw::Slider* frameSlider() const { return m_frameSlider; }
    fw::PopUpButton* frameRatePopup() const { return m_frameRatePopup; }
    fw::PopUpButton* codecPopup() const { return m_codecPopup; }
    fw::TextField* sourceIDTextField() const { return m_sourceIDTextField; }
    fw::Matrix* saveOptionMatrix() const { return m_saveOptionMatrix; }
    fw::TextField* saveWarningsText() const { return m_saveWarningsText; }
    fw::View* savePanelAccessory() const { return m_savePanelAccessory.get(); }
    /// The application's video output controller as the set-up took it (null: none).
    VideoOutController* videoOut() const { return m_videoOut; }
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

    /// Self-contained samples: each frame's pixel data put into the movie straight from its open
    /// file (AddMediaSampleFromFile: shared blocks, an in-kernel copy, or a copy through a small
    /// block; no frame-sized block). Stops at the first frame that is missing, unreadable, of
    /// another size than the document's, or whose file ends before its pixel data does (also when
    /// it shrinks between its check and its copy). Returns the status of the stop (0 after the
    /// whole range). exportOutcome().copy says how the samples were written.
    OSErr addVideoFramesToMedia(Media media);
    /// Reference samples: one data reference per frame file and a sample at its pixel data; sets
    /// m_bReferenceFramesDiffer when a frame's data offset differs from the in point's. Stops, as
    /// the self-contained export does, at a frame of another size than the document's and at a
    /// frame whose file ends before its pixel data does: no sample may be one its decoder rejects.
    OSErr addVideoReferencesToMedia(Media media);
    /// One copied sample of `size` bytes from `buffer` lasting one frame. (`frame` is not used.)
    OSErr addFrame(int32_t frame, Media media, Handle buffer, int64_t size, ImageDescriptionHandle imageDesc);
    /// One copied sample of `size` bytes at `offset` of the open `file`, lasting one frame; eofErr
    /// when the file ends before them (nothing added). (`frame` is not used.)
    OSErr addFrameFromFile(int32_t frame, Media media, const ReadableFile& file, uint64_t offset,
                           int64_t size, ImageDescriptionHandle imageDesc);
    /// After the self-contained samples: how the storage wrote them (exportOutcome().copy), said
    /// once in the log ("The movie's samples were shared", "... copied in the kernel" or "...
    /// copied", with the bytes that took a cheaper way when there were some); nothing when no
    /// sample was written.
    void noteSampleCopies(DataHandler storage);
    /// The disabled timecode track starting at the range's start timecode, named with the source
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

    /// The save panel's completion: with OK, takes the kind from the option matrix (cell tag 1: a
    /// reference movie) and the chosen path (given the extension "mov" when the extension
    /// preference is on), remembers the name as the default file name, switches the window to
    /// progress, starts the timer and the worker. Anything but OK does nothing. (`contextInfo` is
    /// not used.)
    void savePanelDidEnd(fw::SavePanel& panel, int returnCode, void* contextInfo);
    /// The worker thread: saveMovie, then clears the converting flag as its last store and hands
    /// its share of the document back to the main thread, so the document ends there.
    void doSaveInSeparateThread(std::shared_ptr<DPXMovieFile> self);
    /// Starts the repeating progress timer on the main run loop (stopping a running one first);
    /// the timer keeps the document alive until it is stopped.
    void startTimerWithPeriod(double seconds);
    void stopTimer();
    /// One progress tick: while converting, the progress bar and the "done/total" text; once the
    /// worker has ended, the window back to idle and the alerts that are due (the export's stop,
    /// the reference movie's differing frames).
    void TimerIRQ(fw::Timer& timer);

    /// Gives the running export up: the worker stops before its next frame and removes what it
    /// wrote, leaving no movie (and whatever stood under the name before). Main thread.
    void abortExport();
    /// Whether movies are forced to the disk before they take their name (slower; off at first).
    void setFlushMovieOnClose(bool flush) { m_bFlushMovieOnClose = flush; }
    /// True from the confirmation until the worker has handed the document back and the timer has
    /// shown the end: the export's whole life, Finishing included. Main thread.
    bool exportInProgress() const { return isConverting() || m_bWorkerRunning || m_timer != nullptr; }
    /// True from the worker's start until its share of the document is back on the main thread.
    bool workerRunning() const { return m_bWorkerRunning; }
    /// The timer while it runs (null otherwise).
    const std::shared_ptr<fw::Timer>& timer() const { return m_timer; }
    /// The alert texts: the reference movie warning and the title of the stopped export's alert.
    static constexpr const char* kWarningMessage = "Warning";
    static constexpr const char* kReferenceWarningText =
        "Some source frames in this sequence had different sizes or file offsets. If you change or swap "
        "source .dpx frames you may have to re-build this reference Movie.";
    static constexpr const char* kExportStoppedMessage = "The export stopped";

    // ---------------------------------------------------------------------------------------
    // The preview on the video output: while the window is main the current frame is shown on
    // the output device. The frames go out under one image description and through one raw frame
    // buffer, both made at the first start from the frame size and codec of that moment and kept
    // until the window closes. The mode the output had when this document last let go of it is
    // the mode of its next start (0 at first: the output chooses one for the frames).
    // ---------------------------------------------------------------------------------------

    /// Reads the current frame into the frame buffer and shows it, starting a session when none
    /// runs. -1 with "Couldn't open VideoOut!" without an output controller; -1 without a current
    /// frame (a failed opening); -108 when the description or the buffer can't be had; the
    /// reader's status with "readFrameToBuffer: returned error %d"; the output's status with
    /// "StartVideoOut returned error %d". 0 also while the output is "Off".
    OSErr startVideoOut();
    /// Remembers the output's display mode (also when no session ran) and stops the session.
    /// Nothing without an output controller.
    void stopVideoOut();
    /// The window delegate: notifications about any window but the document's own are ignored.
    /// Becoming main starts the output; resigning main stops it. Closing stops it when the window
    /// is the main one (the one the output serves), then frees the description and the buffer.
    void windowDidBecomeMain(fw::Window& window) override;
    void windowDidResignMain(fw::Window& window) override;
    void windowWillClose(fw::Window& window) override;
    /// A size the user gave the window is the size of the next document window.
    void windowDidEndLiveResize(fw::Window& window) override;
    /// The 86-byte image description of the frames under the document's codec and frame size
    /// (see document/video_image_description.h); null when memory is short. The caller disposes it.
    ImageDescriptionHandle makeVideoImageDescription();

    /// The mode of the next start; 0 until the document first stopped the output.
    int32_t lastVidOutDisplayMode() const { return m_lastVidOutDisplayMode; }
    /// The description and the raw frame buffer of the output; null before the first start and
    /// after the window closed.
    Handle videoOutDescription() const { return m_hDesc.get(); }
    Handle videoOutFrameBuffer() const { return m_hFrameBuffer.get(); }

    // ---------------------------------------------------------------------------------------
    // Playing: the range from the current frame at the document's rate, the picture and the output
    // following the clock; at the out point it stops, or goes on at the in point when looping.
    // Frames are read ahead on a thread of their own; one that isn't ready in time is dropped
    // (counted), never shown late. Every frame change, played or browsed, updates the position line.
    // ---------------------------------------------------------------------------------------

    static constexpr const char* kPlayButtonID = "playButton";
    static constexpr const char* kPositionTextID = "positionText";
    static constexpr const char* kPlayTitle = "Play";
    static constexpr const char* kPauseTitle = "Pause";

    /// Play/Pause: the Play button's action and the Space key.
    void togglePlay();
    /// Starts playing from the current frame (from the in point when the current frame is the last
    /// of the range or outside it). Nothing without a sequence, while an export runs, or when the
    /// range holds one frame.
    void startPlayback();
    /// Stops, settling on the frame last shown: it becomes the current frame as browsing makes one.
    void stopPlayback();
    bool isPlaying() const { return m_player != nullptr; }
    /// One tick of the playback timer: shows the frame the clock has reached, stops past the out
    /// point. The timer calls it; tests call it after moving their clock.
    void playbackTick();
    /// The clock playback follows (the steady clock at first); set before playing.
    void setPlaybackClock(const Clock& clock) { m_playbackClock = &clock; }
    /// Whether playback goes on at the in point after the out point (the View menu's toggle).
    void setLoopPlayback(bool loop) { m_bLoopPlayback = loop; }
    bool loopPlayback() const { return m_bLoopPlayback; }
    /// Frames dropped by the running or last playback.
    int64_t droppedFrames() const { return m_player ? m_player->dropped() : m_lastDropped; }
    /// The running player (tests look at what it has read ahead); null when not playing.
    const Player* player() const { return m_player.get(); }
    /// Frames per second of playback: the rate set with setPlaybackRate, else the movie settings'
    /// time scale over the frame duration.
    double playbackRate() const;
    /// Plays at `framesPerSecond` rather than at the movie's rate (faster or slower than real time,
    /// to look through or to measure); 0 goes back to the movie's rate. Takes effect at the next Play.
    void setPlaybackRate(double framesPerSecond) { m_playbackRateOverride = framesPerSecond; }
    fw::Button* playButton() const { return m_playButton; }
    fw::TextField* positionText() const { return m_positionText; }

    /// Where frame `index`'s pixel data is, for any thread: the closure holds what it needs.
    virtual Player::Locate frameLocator() const;
    /// Frame `index` as the user knows it: "frame 0012", the digits at the end of its file's name.
    virtual std::string frameNumberText(int32_t index) const;
    /// The timecode of frame `index` ("01:00:00:12", ';' before the frames at drop frame): its
    /// header's where the scan found one, else the opened file's moved by the frames between them at
    /// the movie's rate; "" without a timecode.
    std::string timecodeTextOfFrame(int32_t index) const;
    /// The position line: the current frame's number and timecode, the in and out points in the
    /// same terms, and the frames dropped while playing.
    std::string positionLine() const;
    /// Rebuilds the position line in the window.
    void updatePositionText();

protected:
    explicit DPXMovieFile(fw::Framework& framework);

    /// Browsing's work for an index inside the sequence: makes frame `index` the current one.
    virtual void showFrameAt(int32_t index);
    /// Shows a frame that was read for showing (played, or a movie's sample): the picture, the
    /// window's title, the position line, the output. A frame that couldn't be read shows its
    /// placeholder and says why in the description.
    void showFramePixels(int32_t index, std::shared_ptr<const FramePixels> frame);
    /// The window's title while frame `index` is on show: its file's name.
    virtual std::string windowTitleOfFrame(int32_t index) const { return m_fileList[size_t(index)]; }
    /// The first line of the description: the current frame's name as its file records it.
    virtual std::optional<std::string> descriptionName() const;
    /// The window's set-up after a successful opening hook: nothing here.
    virtual void didOpen() {}
    /// The window's set-up after a failed opening hook: nothing here (the description says why).
    virtual void didFailToOpen() {}
    /// Sends raw frame words (the frame size's byte count) to the output, as startVideoOut does.
    OSErr sendFrameToVideoOut(const uint8_t* words);
    /// The output's image description and frame buffer, made at the first start.
    OSErr prepareVideoOut();

    /// Back to the initial sequence state, after an opening that failed half-way.
    void clearSequenceState();

    // The window's helpers.
    /// The application controller, or null when the framework's document controller isn't one.
    MyAppController* appController() const;
    /// Browsing to index v (doSlider's work).
    void browseTo(int32_t v);
    /// Moves the slider (when there is one) to `index` and browses to where it then stands.
    void gotoFrame(int32_t index);
    bool hasSequence() const { return m_frameCount > 0; }
    void makeSettingsControls(fw::View& page);
    void makeSavePanelAccessory();

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
    int32_t m_openedFrame = 0;
    std::string m_openProblem;
    int m_openResourceError = 0;
    std::vector<ScannedFrame> m_scannedFrames;
    std::vector<LeftOutEntry> m_leftOut;
    bool m_bAllowLargeFrames = false;
    int m_readThreads = kDefaultReadThreads;
    std::shared_ptr<const std::vector<std::string>> m_folderEntries; // sorted; null: read the folder
    const FrameFile* m_openingReader = nullptr; // the opened frame's reader, while the opening scans
    bool m_bShowsFrames = true;

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
    /// The path of a frame for the worker: in the export's absolute directory; "" past the list.
    std::string exportPathOfFrame(int32_t index) const;
    /// What opening one frame of the export found (and, for a copy, the open file its pixel data
    /// is copied from), made on whichever thread read ahead and handed to the worker: the reader
    /// itself stays on the thread that made it; its open file, a plain descriptor, goes along.
    struct FetchedFrame {
        bool named = false;  // the index has a file name
        bool opened = false; // identified and usable
        std::string problem; // why not, as the reader said
        int32_t width = 0;
        int32_t height = 0;
        int64_t byteCount = 0;
        int32_t dataOffset = 0;
        uint64_t fileSize = 0;
        // For a copy: the open file and where the frame's pixel data starts in it, once the checks
        // of its reading passed (readStatus); null otherwise.
        std::unique_ptr<ReadableFile> pixelFile;
        uint64_t pixelOffset = 0;
        OSErr readStatus = noErr;
        std::vector<std::string> messages; // what its opening and reading logged
    };
    /// Opens `frame` and, unless `forCopy`, closes it again; for a copy, when the frame has the
    /// export's size (one of another size is not copied), makes the checks of reading its pixel
    /// data and keeps the file open for the copy. Any thread: reads only the sequence and the
    /// export's settings, which stay put while the export runs.
    virtual FetchedFrame fetchExportFrame(int32_t frame, bool forCopy) const;
    /// On the worker: logs what the fetch of `frame` logged; without a usable frame logs the line
    /// of `caller` (the track writer asking), records why the export stops, sets `status` (-2 no
    /// file name, -1 no usable frame file) and gives false.
    bool acceptExportFrame(int32_t frame, const FetchedFrame& fetched, const char* caller, OSErr& status);
    /// The size check both track writers make: false, with the stop recorded and logged for
    /// `caller`, when the fetched frame is not of the export's size.
    bool exportFrameHasTheSize(int32_t frame, const FetchedFrame& fetched, const char* caller);
    /// makeVideoImageDescription for the worker: from the export's settings.
    ImageDescriptionHandle makeExportImageDescription() const;
    /// The file name of the range's frame that the export's movie would take the place of: the same
    /// path, or the same file (device and inode) reached another way; "" when there is none.
    std::string rangeFrameAtExportName() const;
    /// Keeps the first reason the export stopped.
    void recordExportStop(OSErr status, const std::string& problem);
    /// The end of an export on the window: idle controls, then the alerts that are due.
    void showExportEnd();
    void showReferenceWarningIfDue();

    // Shared with the worker: written by one side, read by the other, each access atomic. The
    // worker's store of false into m_bConverting is its last, a release that publishes the rest.
    std::atomic<bool> m_bConverting{false};
    std::atomic<int32_t> m_currentFrame{0};
    std::atomic<int32_t> m_totalFrames{0};
    std::atomic<bool> m_bReferenceFramesDiffer{false};
    std::atomic<bool> m_bAbortExport{false};
    // Main thread: the confirmed path and kind (copied into the settings for the worker), the
    // timer, and whether the worker still holds its share of the document.
    std::string m_saveName;
    bool m_bMakeReferenceMovie = false;
    bool m_bFlushMovieOnClose = false;
    bool m_bWorkerRunning = false;
    std::shared_ptr<fw::Timer> m_timer;
    // Written by the main thread before the worker starts, read-only while it runs.
    ExportSettings m_exportSettings;
    // Written by the worker while it runs, read by the main thread after it has ended.
    ExportOutcome m_exportOutcome;

    // Declared after the buffer, so that they are released before it is freed: the readers'
    // pictures show the buffer in place.
    std::shared_ptr<FrameFile> m_currentFile;
    std::shared_ptr<NSImage> m_image;

    // The window's controls: made and owned by the window (the accessory by the document).
    fw::Window* m_window = nullptr;
    fw::TabView* m_tabView = nullptr;
    fw::ImageView* m_imageView = nullptr;
    fw::TextField* m_descriptText = nullptr;
    fw::Button* m_translateButton = nullptr;
    fw::ProgressIndicator* m_progressIndicator = nullptr;
    fw::TextField* m_progressText = nullptr;
    fw::TextField* m_exportResultText = nullptr;
    fw::Button* m_showMovieButton = nullptr;
    fw::Slider* m_frameSlider = nullptr;
    fw::PopUpButton* m_frameRatePopup = nullptr;
    fw::PopUpButton* m_codecPopup = nullptr;
    fw::TextField* m_sourceIDTextField = nullptr;
    fw::Matrix* m_saveOptionMatrix = nullptr;
    fw::TextField* m_saveWarningsText = nullptr;
    std::unique_ptr<fw::View> m_savePanelAccessory;
    // The application's one output controller, not owned; null when there is none.
    VideoOutController* m_videoOut = nullptr;

    // The video output preview's state.
    HandleOwner m_hDesc;
    HandleOwner m_hFrameBuffer;
    int32_t m_lastVidOutDisplayMode = 0;

    // Playback.
    fw::Button* m_playButton = nullptr;
    fw::TextField* m_positionText = nullptr;
    const Clock* m_playbackClock = &steadyClock();
    std::unique_ptr<Player> m_player;
    // The player's frame blocks, kept from one play to the next until the window closes.
    std::shared_ptr<Player::FrameBlocks> m_playerBlocks;
    std::shared_ptr<fw::Timer> m_playTimer;
    bool m_bLoopPlayback = false;
    double m_playbackRateOverride = 0;
    int64_t m_lastDropped = 0;
    // The frame on show when it came from a read for showing, and its picture (null otherwise).
    std::shared_ptr<const FramePixels> m_shownFrame;
    std::shared_ptr<NSImage> m_shownImage;
};
