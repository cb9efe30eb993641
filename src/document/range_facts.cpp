// What the document says about its range before it is exported: the timecode the movie will start
// at and the warnings about the frames.
#include "document/dpx_movie_file.h"

#include "export/timecode_values.h"
#include "framefiles/dpx_file.h"
#include "framefiles/dpx_timecode.h"
#include "framefiles/frame_file_code.h"
#include "platform/framework/path_ops.h"
#include "platform/read_file.h"

namespace {

// The header timecode of the DPX file at `path`; kNoTimeCode when it has none or can't be read.
// Quiet: a frame that went away is the export's to report, not the description's.
uint32_t headerTimecodeAtPath(const std::string& path, bool allowLargeFrames) {
    std::unique_ptr<ReadableFile> file = ReadableFile::fileHandleForReadingAtPath(path);
    if (!file)
        return kNoTimeCode;
    uint8_t first[4];
    if (file->readDataAtOffset(0, first, sizeof first) != sizeof first ||
        frameFileCodeOfBytes(first, sizeof first) != kFileCodeDPX)
        return kNoTimeCode;
    std::shared_ptr<MyDPXFile> reader =
        MyDPXFile::initWithPath(path, std::move(file), FrameFile::maxFrameDimension(allowLargeFrames));
    return reader && reader->fileOK() ? reader->timecode() : kNoTimeCode;
}

} // namespace

uint32_t DPXMovieFile::rangeStartTimecode() const {
    if (!hasSequence())
        return kNoStartTimecode;
    const int32_t in = m_inFrame.load();
    if (in == m_openedFrame)
        return m_startTimecode;
    if (uint32_t own = headerTimecodeAtPath(pathOfFrame(in), m_bAllowLargeFrames); own != kNoTimeCode)
        return own;
    const TimeCodeDef def = exportTimeCodeDef(m_movieTimescale, m_frameDuration, m_tcDropFrame);
    return offsetTimeCode(m_startTimecode, in - m_openedFrame, def);
}

std::string DPXMovieFile::rangeStartTimecodeText() const {
    const uint32_t timecode = rangeStartTimecode();
    if (timecode == kNoStartTimecode)
        return {};
    const TimeCodeDef def = exportTimeCodeDef(m_movieTimescale, m_frameDuration, m_tcDropFrame);
    return TimeCodeString(exportTimeCodeRecord(timecode, def.numFrames), m_tcDropFrame);
}

std::vector<SequenceWarning> DPXMovieFile::rangeWarnings() const {
    if (!hasSequence())
        return {};
    SequenceWarningInput input;
    input.names = &m_fileList;
    input.frames = &m_scannedFrames;
    input.leftOut = &m_leftOut;
    input.baseName = m_fileBaseName;
    input.openedName = m_fileList[size_t(m_openedFrame)];
    input.inFrame = m_inFrame.load();
    input.outFrame = m_outFrame.load();
    input.frameWidth = m_frameWidth;
    input.frameHeight = m_frameHeight;
    input.timecodeDef = exportTimeCodeDef(m_movieTimescale, m_frameDuration, m_tcDropFrame);
    return sequenceWarnings(input);
}
