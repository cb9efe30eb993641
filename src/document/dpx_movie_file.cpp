// The document's life: made, given its path, opened, showing its current frame, torn down.
#include "document/dpx_movie_file.h"

#include "framefiles/dpx_file.h"
#include "framefiles/frame_file_code.h"
#include "platform/framework/path_ops.h"

#include <algorithm>
#include <filesystem>

std::shared_ptr<DPXMovieFile> DPXMovieFile::create(fw::Framework& framework) {
    return std::shared_ptr<DPXMovieFile>(new DPXMovieFile(framework));
}

DPXMovieFile::DPXMovieFile(fw::Framework& framework) : fw::Document(framework) {}

DPXMovieFile::~DPXMovieFile() {
    // The window goes after this body: it must not call back into a document that is gone, and
    // its image view must not keep showing the preview buffer freed here.
    if (m_window && m_window->delegate() == this)
        m_window->setDelegate(nullptr);
    if (m_imageView)
        m_imageView->setImage(nullptr);
    if (m_playTimer)
        m_playTimer->invalidate();
    m_player.reset();
    // The pictures show the preview buffer in place: let go of them before the buffer is freed.
    m_image.reset();
    m_currentFile.reset();
    m_frameBuffArray[0] = nullptr;
    m_frameBuffer.reset();
}

bool DPXMovieFile::readFromFile(const std::string& path, const std::string& type) {
    (void)type;
    m_fileString = path;
    return true;
}

bool DPXMovieFile::showsFile(const std::filesystem::path& path) const {
    if (fw::Document::showsFile(path))
        return true;
    if (m_fileList.empty())
        return false;
    std::error_code ec;
    const std::string name = path.filename().string();
    return std::filesystem::equivalent(path.parent_path(), m_directoryPath.empty() ? "." : m_directoryPath, ec) &&
           !ec && std::find(m_fileList.begin(), m_fileList.end(), name) != m_fileList.end();
}

bool DPXMovieFile::openSequence() {
    if (!m_fileString)
        return false;
    const std::string path = *m_fileString;

    int32_t code = 0;
    m_openProblem.clear();
    m_openResourceError = 0;
    std::shared_ptr<FrameFile> reader =
        openFileAtPath(path, code, m_bAllowLargeFrames, &m_openProblem, &m_openResourceError);
    m_currentFileCode = code;
    if (!reader || code == kFileCodeUnknown) {
        m_currentFileCode = kFileCodeUnknown;
        if (m_openProblem.empty())
            m_openProblem = "not a frame file that can be copied";
        return false;
    }

    NSSize size = reader->frameSize();
    m_frameWidth = int32_t(size.width);
    m_frameHeight = int32_t(size.height);
    // fileOK() bounds each side by 16384 at most: the product fits in 64 bits.
    if (m_bShowsFrames) {
        m_frameBuffer.reset(NewPtr(Size(int64_t(m_frameWidth) * m_frameHeight * 4)));
        m_frameBuffArray[0] = m_frameBuffer.get();
    }

    m_openingReader = reader.get();
    int32_t count = countFramesInPath(path);
    m_openingReader = nullptr;
    // The opened file must be among the frames found; it isn't when the directory can't be
    // listed or the file went away meanwhile. Without it there is no valid current frame.
    if (count < 1 || m_fileList[size_t(m_lastSlider)] != fw::lastPathComponent(path)) {
        clearSequenceState();
        if (m_openProblem.empty())
            m_openProblem = "the file is not among the frames found in its folder";
        return false;
    }
    m_openedFrame = m_lastSlider;
    m_inFrame = 0;
    m_outFrame = count;
    m_frameCount = count;

    if (m_currentFileCode == kFileCodeDPX) {
        if (auto dpx = std::dynamic_pointer_cast<MyDPXFile>(reader))
            m_startTimecode = dpx->timecode();
    }
    setFile(std::move(reader));
    return true;
}

void DPXMovieFile::clearSequenceState() {
    m_directoryPath.clear();
    m_fileBaseName.clear();
    m_fileList.clear();
    m_frameCount = 0;
    m_lastSlider = 0;
    m_inFrame = 0;
    m_outFrame = 0;
    m_currentFileCode = kFileCodeUnknown;
    m_frameWidth = 0;
    m_frameHeight = 0;
    m_frameBuffArray[0] = nullptr;
    m_frameBuffer.reset();
    m_startTimecode = kNoStartTimecode;
    m_openedFrame = 0;
    m_scannedFrames.clear();
    m_leftOut.clear();
}

void DPXMovieFile::setFile(std::shared_ptr<FrameFile> reader) {
    m_currentFile = std::move(reader);
    m_shownFrame.reset();
    m_shownImage.reset();
    m_image =
        m_currentFile && m_bShowsFrames ? m_currentFile->imageWithFrameBuffer(m_frameBuffArray) : nullptr;
    if (m_imageView)
        m_imageView->setImage(m_image);
    setDescriptionText();
    (void)startVideoOut();
}

std::string DPXMovieFile::pathOfFrame(int32_t index) const {
    if (index < 0 || size_t(index) >= m_fileList.size())
        return {};
    return fw::stringByAppendingPathComponent(m_directoryPath, m_fileList[size_t(index)]);
}
