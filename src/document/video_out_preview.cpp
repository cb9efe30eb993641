// The document's preview on the video output: the current frame goes to the application's one
// output controller while the window is main, and the mode the output had when the document let
// go of it is the mode of the document's next start.
#include "document/dpx_movie_file.h"
#include "document/video_image_description.h"

#include "platform/bigendian.h"
#include "platform/log.h"

OSErr DPXMovieFile::startVideoOut() {
    if (!m_bShowsFrames)
        return noErr; // nobody looks: no frame is read for the output
    if (!m_videoOut) {
        NSLog("Couldn't open VideoOut!\n");
        return -1;
    }
    // A frame read for showing (a played frame, a movie's sample) carries its own words.
    if (m_shownFrame && !m_currentFile)
        return m_shownFrame->ok() ? sendFrameToVideoOut(m_shownFrame->words.data()) : OSErr(-1);
    // A document whose opening failed has no frame to read, and no frame size to describe.
    if (!m_currentFile)
        return -1;
    if (OSErr status = prepareVideoOut(); status != noErr)
        return status;
    OSErr status = m_currentFile->readFrameToBuffer(m_hFrameBuffer.get());
    if (status != noErr) {
        NSLog("readFrameToBuffer: returned error %d\n", int(status));
        return status;
    }
    return sendFrameToVideoOut(reinterpret_cast<const uint8_t*>(*m_hFrameBuffer.get()));
}

OSErr DPXMovieFile::prepareVideoOut() {
    if (!m_hDesc.get()) {
        m_hDesc.reset(makeVideoImageDescription());
        if (!m_hDesc.get())
            return memFullErr;
    }
    if (!m_hFrameBuffer.get()) {
        const auto* desc = reinterpret_cast<const uint8_t*>(*m_hDesc.get());
        const uint32_t dataSize = be::readU32(desc, ImageDescriptionLayout::kDataSize);
        m_hFrameBuffer.reset(NewHandleClear(Size(dataSize)));
        if (!m_hFrameBuffer.get())
            return memFullErr;
    }
    return noErr;
}

OSErr DPXMovieFile::sendFrameToVideoOut(const uint8_t* words) {
    if (!m_bShowsFrames || !m_videoOut)
        return m_videoOut ? noErr : OSErr(-1);
    if (OSErr status = prepareVideoOut(); status != noErr)
        return status;
    // Locked, so that the frame's data stays put while the output decompresses it. A frame read
    // for showing goes out from its own block: the output only reads it.
    Handle buffer = m_hFrameBuffer.get();
    HLock(buffer);
    const bool own = words == reinterpret_cast<const uint8_t*>(*buffer);
    OSErr status = m_videoOut->StartVideoOutForFrame(own ? *buffer : Ptr(const_cast<uint8_t*>(words)), m_hDesc.get(),
                                                     m_codecType, m_frameRate, m_lastVidOutDisplayMode);
    HUnlock(buffer);
    if (status != noErr)
        NSLog("StartVideoOut returned error %d\n", int(status));
    return status;
}

void DPXMovieFile::stopVideoOut() {
    if (!m_videoOut)
        return;
    m_lastVidOutDisplayMode = m_videoOut->displayMode();
    m_videoOut->StopVideoOut();
}

void DPXMovieFile::windowDidBecomeMain(fw::Window& window) {
    if (&window == m_window)
        (void)startVideoOut();
}

void DPXMovieFile::windowDidResignMain(fw::Window& window) {
    if (&window == m_window)
        stopVideoOut();
}

void DPXMovieFile::windowWillClose(fw::Window& window) {
    if (&window != m_window)
        return;
    // Playing ends with the window; nothing is shown any more.
    if (m_playTimer)
        m_playTimer->invalidate();
    m_playTimer.reset();
    m_player.reset();
    m_playerBlocks.reset();
    // The output serves the main window. A document closed behind it must not stop the front
    // document's output (which would also lose a mode picked for it in the "Display" menu).
    if (window.isMainWindow())
        stopVideoOut();
    m_hDesc.reset();
    m_hFrameBuffer.reset();
}
