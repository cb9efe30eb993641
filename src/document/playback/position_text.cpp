// Where the window is: the current frame's number and timecode, the in and out points in the same
// terms, and what playing dropped.
#include "document/dpx_movie_file.h"

#include "export/timecode_values.h"
#include "platform/framework/path_ops.h"
#include "platform/framework/unicode_text.h"

std::string DPXMovieFile::frameNumberText(int32_t index) const {
    if (index < 0 || size_t(index) >= m_fileList.size())
        return {};
    const std::string bare = fw::stringByDeletingPathExtension(m_fileList[size_t(index)]);
    const std::string stem = fw::deletingTrailingDecimalDigits(bare);
    // A name without a number is its own label.
    return "frame " + (stem.size() < bare.size() ? bare.substr(stem.size()) : m_fileList[size_t(index)]);
}

std::string DPXMovieFile::timecodeTextOfFrame(int32_t index) const {
    if (!hasSequence() || index < 0 || index >= m_frameCount)
        return {};
    const TimeCodeDef def = exportTimeCodeDef(m_movieTimescale, m_frameDuration, m_tcDropFrame);
    uint32_t timecode = kNoStartTimecode;
    if (size_t(index) < m_scannedFrames.size() && m_scannedFrames[size_t(index)].timecode != kNoStartTimecode)
        timecode = m_scannedFrames[size_t(index)].timecode;
    else if (m_startTimecode != kNoStartTimecode)
        timecode = offsetTimeCode(m_startTimecode, index - m_openedFrame, def);
    if (timecode == kNoStartTimecode)
        return {};
    return TimeCodeString(exportTimeCodeRecord(timecode, def.numFrames), m_tcDropFrame);
}

std::string DPXMovieFile::positionLine() const {
    if (!hasSequence())
        return {};
    const auto place = [this](int32_t index) {
        const std::string timecode = timecodeTextOfFrame(index);
        return frameNumberText(index) + (timecode.empty() ? "" : "  " + timecode);
    };
    std::string line = place(m_lastSlider) + "    in " + place(m_inFrame.load()) + "    out " +
                       place(m_outFrame.load() - 1);
    if (const int64_t dropped = droppedFrames(); dropped > 0 || isPlaying())
        line += "    " + std::to_string(dropped) + (dropped == 1 ? " frame" : " frames") + " dropped";
    return line;
}

void DPXMovieFile::updatePositionText() {
    if (m_positionText)
        m_positionText->setStringValue(positionLine());
}
