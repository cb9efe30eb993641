// Browsing the sequence with the slider, marking the range and the description of both.
#include "document/dpx_movie_file.h"

#include "document/description_text.h"
#include "platform/framework/path_ops.h"

#include <algorithm>

void DPXMovieFile::doSlider(const fw::Slider& sender) {
    // The user takes the frame in hand: playing stops where it is, then goes where they say.
    stopPlayback();
    browseTo(sender.intValue());
}

void DPXMovieFile::browseTo(int32_t v) {
    // An index outside the sequence names no frame (a document without one has none at all).
    if (v == m_lastSlider || v < 0 || v >= m_frameCount)
        return;
    showFrameAt(v);
}

void DPXMovieFile::showFrameAt(int32_t v) {
    m_lastSlider = v;
    const std::string& name = m_fileList[size_t(v)];
    m_fileString = fw::stringByAppendingPathComponent(m_directoryPath, name);

    // A frame that can't be opened leaves the previous one on show; its message is logged.
    int32_t code = 0;
    std::shared_ptr<FrameFile> reader = openFileAtPath(*m_fileString, code, m_bAllowLargeFrames);
    if (reader && code != 0) {
        setFile(std::move(reader));
        setFileName(name);
    }
    updatePositionText();
}

void DPXMovieFile::setRange(int32_t in, int32_t out) {
    m_inFrame.store(in);
    m_outFrame.store(out);
    // Whatever moved the range, the description and the position line say the new one.
    setDescriptionText();
}

void DPXMovieFile::markIn() {
    if (!hasSequence())
        return;
    const int32_t k = m_lastSlider;
    setRange(k, std::max(m_outFrame.load(), k + 1));
}

void DPXMovieFile::markOut() {
    if (!hasSequence())
        return;
    const int32_t k = m_lastSlider;
    setRange(std::min(m_inFrame.load(), k), k + 1);
}

void DPXMovieFile::gotoIn() {
    if (hasSequence())
        gotoFrame(m_inFrame);
}

void DPXMovieFile::gotoOut() {
    if (hasSequence())
        gotoFrame(m_outFrame - 1);
}

void DPXMovieFile::gotoFrame(int32_t index) {
    if (!m_frameSlider) {
        browseTo(index);
        return;
    }
    m_frameSlider->setIntValue(index);
    doSlider(*m_frameSlider);
}

void DPXMovieFile::setDescriptionText() {
    if (!m_descriptText)
        return;
    std::optional<std::string> name = descriptionName();
    // Below the three lines: the timecode the movie will start at, and each warning about the range.
    std::string text = descriptionText(name, m_frameWidth, m_frameHeight, m_inFrame, m_outFrame);
    // Appended piece by piece: GCC 12 takes `literal + std::string` inlined here for an overlapping
    // copy (-Wrestrict, a false positive).
    if (std::string timecode = rangeStartTimecodeText(); !timecode.empty())
        text.append("\ntimecode ").append(timecode);
    std::string warnings;
    for (const SequenceWarning& warning : rangeWarnings()) {
        if (!warnings.empty())
            warnings += '\n';
        warnings.append("warning: ").append(warning.text);
    }
    if (!warnings.empty())
        text.append("\n").append(warnings);
    if (m_shownFrame && !m_shownFrame->ok())
        text.append("\ncan't show ")
            .append(frameNumberText(m_lastSlider))
            .append(": ")
            .append(m_shownFrame->problem);
    m_descriptText->setStringValue(text);
    updatePositionText();
    if (m_saveWarningsText) {
        m_saveWarningsText->setStringValue(warnings);
        m_saveWarningsText->setHidden(warnings.empty());
    }
}

std::optional<std::string> DPXMovieFile::descriptionName() const {
    if (m_currentFile)
        return m_currentFile->filename();
    // A played frame has no reader: its file's name stands in for the one its header records.
    if (m_shownFrame && m_lastSlider >= 0 && size_t(m_lastSlider) < m_fileList.size())
        return m_fileList[size_t(m_lastSlider)];
    return std::nullopt;
}
