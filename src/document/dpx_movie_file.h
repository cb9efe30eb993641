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

#include "framefiles/frame_file.h"
#include "platform/memory.h"
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
    // Declared after the buffer, so that they are released before it is freed: the readers'
    // pictures show the buffer in place.
    std::shared_ptr<FrameFile> m_currentFile;
    std::shared_ptr<NSImage> m_image;
};
