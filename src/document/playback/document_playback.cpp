// Playing a document: the player over the document's frames, its timer, and what a played frame
// does to the window (picture, title, slider, position line, output).
#include "document/dpx_movie_file.h"

#include "framefiles/frame_file_code.h"
#include "platform/framework/framework.h"
#include "platform/framework/path_ops.h"

#include <algorithm>

namespace {

/// Ticks come well inside a frame's time, so that a frame is shown close to when it is due.
constexpr double kTicksPerFrame = 4.0;
constexpr double kLongestTick = 0.01;

} // namespace

double DPXMovieFile::playbackRate() const {
    if (m_playbackRateOverride > 0)
        return m_playbackRateOverride;
    return m_frameDuration > 0 ? double(m_movieTimescale) / double(m_frameDuration) : 0.0;
}

void DPXMovieFile::togglePlay() {
    if (isPlaying())
        stopPlayback();
    else
        startPlayback();
}

void DPXMovieFile::startPlayback() {
    const int32_t in = m_inFrame.load(), out = m_outFrame.load();
    if (isPlaying() || !hasSequence() || exportInProgress() || out - in < 2 || playbackRate() <= 0)
        return;
    // From the current frame; a current frame at or past the end of the range plays it from the top.
    if (m_lastSlider < in || m_lastSlider >= out - 1)
        gotoFrame(in);
    Player::Settings settings;
    settings.from = m_lastSlider;
    settings.in = in;
    settings.out = out;
    settings.loop = m_bLoopPlayback;
    settings.rate = playbackRate();
    settings.width = m_frameWidth;
    settings.height = m_frameHeight;
    m_lastDropped = 0;
    if (!m_playerBlocks)
        m_playerBlocks = std::make_shared<Player::FrameBlocks>();
    m_player = std::make_unique<Player>(*m_playbackClock, settings, frameLocator(), m_playerBlocks);
    const double period = std::min(1.0 / (settings.rate * kTicksPerFrame), kLongestTick);
    std::weak_ptr<DPXMovieFile> weak = sharedDocument();
    m_playTimer = framework().mainRunLoop().scheduledTimerWithTimeInterval(period, true, [weak](fw::Timer&) {
        if (std::shared_ptr<DPXMovieFile> document = weak.lock())
            document->playbackTick();
    });
    if (m_playButton)
        m_playButton->setTitle(kPauseTitle);
    updatePositionText();
}

void DPXMovieFile::stopPlayback() {
    if (!isPlaying())
        return;
    if (m_playTimer) {
        m_playTimer->invalidate();
        m_playTimer.reset();
    }
    m_lastDropped = m_player->dropped();
    m_player.reset();
    if (m_playButton)
        m_playButton->setTitle(kPlayTitle);
    // The frame last shown becomes the current frame, as browsing to it would make it.
    if (m_shownFrame && m_shownFrame->index == m_lastSlider)
        showFrameAt(m_lastSlider);
    updatePositionText();
}

void DPXMovieFile::playbackTick() {
    if (!m_player)
        return;
    Player::Tick tick = m_player->tick();
    if (tick.frame) {
        const int32_t index = tick.frame->index;
        showFramePixels(index, std::move(tick.frame));
    }
    else if (tick.ended || m_player->dropped() != m_lastDropped)
        updatePositionText();
    m_lastDropped = m_player->dropped();
    if (tick.ended)
        stopPlayback();
}

void DPXMovieFile::showFramePixels(int32_t index, std::shared_ptr<const FramePixels> frame) {
    m_lastSlider = index;
    if (m_frameSlider)
        m_frameSlider->setIntValue(index);
    m_fileString = pathOfFrame(index);
    if (size_t(index) < m_fileList.size())
        setFileName(windowTitleOfFrame(index));
    const bool wasProblem = m_shownFrame && !m_shownFrame->ok();
    m_shownFrame = std::move(frame);
    // The reader of an earlier frame no longer describes what is on show.
    m_currentFile.reset();
    m_shownImage = m_bShowsFrames ? pictureOfFrame(m_shownFrame) : nullptr;
    if (m_imageView)
        m_imageView->setImage(m_shownImage);
    // While playing, the description changes only to name a frame that can't be shown, or to stop
    // naming one.
    if (!isPlaying() || wasProblem || !m_shownFrame->ok())
        setDescriptionText();
    else
        updatePositionText();
    if (m_shownFrame->ok())
        (void)sendFrameToVideoOut(m_shownFrame->words.data());
}

Player::Locate DPXMovieFile::frameLocator() const {
    // A copy of what the sequence's frames are: the reader thread must not look at the document.
    struct Frames {
        std::string directory;
        std::vector<std::string> names;
        std::vector<ScannedFrame> scanned;
        int32_t width;
        int32_t height;
    };
    auto frames = std::make_shared<const Frames>(
        Frames{m_directoryPath, m_fileList, m_scannedFrames, m_frameWidth, m_frameHeight});
    return [frames](int32_t index) {
        FrameLocation location;
        if (index < 0 || size_t(index) >= frames->names.size()) {
            location.problem = "no frame at index " + std::to_string(index);
            return location;
        }
        const std::string& name = frames->names[size_t(index)];
        location.path = fw::stringByAppendingPathComponent(frames->directory, name);
        location.size = uint64_t(frames->width) * uint64_t(frames->height) * 4u;
        if (size_t(index) < frames->scanned.size()) {
            const ScannedFrame& scanned = frames->scanned[size_t(index)];
            location.offset = uint64_t(std::max(scanned.dataOffset, 0));
            if (scanned.width != frames->width || scanned.height != frames->height)
                location.problem = name + " is " + std::to_string(scanned.width) + "x" +
                                   std::to_string(scanned.height) + ", not " + std::to_string(frames->width) +
                                   "x" + std::to_string(frames->height);
        }
        return location;
    };
}
