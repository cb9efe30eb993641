#include "framefiles/frame_file.h"

#include "framefiles/preview_conversion.h"
#include "platform/bigendian.h"
#include "platform/log.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// Holds a handle's block locked while the reader writes into it.
class HandleLockScope {
public:
    explicit HandleLockScope(Handle h) : m_h(h) { HLock(m_h); }
    ~HandleLockScope() { HUnlock(m_h); }
    HandleLockScope(const HandleLockScope&) = delete;
    HandleLockScope& operator=(const HandleLockScope&) = delete;

private:
    Handle m_h;
};

// Room for one frame read from the file, left uninitialised: the read fills it or fails.
std::unique_ptr<uint8_t[]> newReadBuffer(int64_t byteCount) {
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size_t(byteCount > 0 ? byteCount : 1)]);
}

} // namespace

void FrameFile::openAtPath(const std::string& path) {
    std::optional<uint64_t> size = sizeOfFileAtPath(path);
    if (!size) {
        NSLog("Error: file %s doesn't exist!?\n", path.c_str());
        return;
    }
    m_fileSize = *size;
    std::unique_ptr<ReadableFile> file = ReadableFile::fileHandleForReadingAtPath(path);
    if (!file) {
        NSLog("Error: couldn't open %s file %s\n", m_format.kindName, path.c_str());
        return;
    }
    readOpenFile(path, std::move(file));
}

void FrameFile::openAtPath(const std::string& path, std::unique_ptr<ReadableFile> openFile) {
    if (!openFile) {
        openAtPath(path);
        return;
    }
    m_fileSize = openFile->sizeWhenOpened();
    readOpenFile(path, std::move(openFile));
}

void FrameFile::readOpenFile(const std::string& path, std::unique_ptr<ReadableFile> file) {
    m_fileHandle = std::move(file);
    if (m_fileSize <= kHeaderSize) {
        // The file stays open: the reader answers its queries as one without a header.
        NSLog("Error: couldn't open %s file %s\n", m_format.kindName, path.c_str());
        return;
    }
    extractHeader();
    if (!hasHeader())
        return;
    uint32_t magic = be::readU32(m_headerData.data());
    if (magic != m_format.magicNumber) {
        // A small number shows as two blanks and its last two decimal digits rather than as
        // unprintable bytes.
        const uint8_t* first = m_headerData.data();
        char c[4] = {char(first[0]), char(first[1]), char(first[2]), char(first[3])};
        if (magic <= 63) {
            c[0] = ' ';
            c[1] = ' ';
            c[2] = char('0' + magic / 10 % 10);
            c[3] = char('0' + magic % 10);
        }
        NSLog("WARNING: file magic number = '%c%c%c%c' (0x%08x)!\n", c[0], c[1], c[2], c[3], magic);
    }
}

void FrameFile::readHeaderFields() {
    std::vector<uint8_t> block(kHeaderSize);
    if (!m_fileHandle || m_fileHandle->readDataAtOffset(0, block.data(), kHeaderSize) < kHeaderSize)
        return; // no header: width, height and offset stay 0
    m_headerData = std::move(block);
    const uint8_t* bytes = m_headerData.data();
    m_frameWidth = float(be::readU32(bytes, m_format.widthOffset));
    m_frameHeight = float(be::readU32(bytes, m_format.heightOffset));
    m_dataOffset = int32_t(be::readU32(bytes, 4));
    if (m_frameWidth > m_maxDimension || m_frameHeight > m_maxDimension)
        NSLog("WARNING: excessive frame size! %lldx%lld\n", static_cast<long long>(m_frameWidth),
              static_cast<long long>(m_frameHeight));
}

FrameFileCheck FrameFile::check() const {
    if (!hasHeader())
        return FrameFileCheck::noHeader;
    if (be::readU32(m_headerData.data()) != m_format.magicNumber)
        return FrameFileCheck::wrongMagic;
    if (m_frameWidth > m_maxDimension)
        return FrameFileCheck::widthTooLarge;
    if (m_frameHeight > m_maxDimension)
        return FrameFileCheck::heightTooLarge;
    if (m_fileSize < uint64_t(frameByteCount()))
        return FrameFileCheck::fileTooSmall;
    return FrameFileCheck::ok;
}

std::string FrameFile::checkText(FrameFileCheck check) const {
    char text[160];
    const long long limit = (long long)m_maxDimension;
    switch (check) {
    case FrameFileCheck::ok:
        return {};
    case FrameFileCheck::noHeader:
        return m_fileSize <= kHeaderSize ? "file of 2048 bytes or less: no header read"
                                         : "the header could not be read";
    case FrameFileCheck::wrongMagic:
        std::snprintf(text, sizeof text, "magic number 0x%08llx is not the reader's",
                      (unsigned long long)be::readU32(m_headerData.data()));
        return text;
    case FrameFileCheck::widthTooLarge:
        std::snprintf(text, sizeof text, "width %lld > %lld", (long long)m_frameWidth, limit);
        return text;
    case FrameFileCheck::heightTooLarge:
        std::snprintf(text, sizeof text, "height %lld > %lld", (long long)m_frameHeight, limit);
        return text;
    case FrameFileCheck::fileTooSmall:
        std::snprintf(text, sizeof text, "file size %lld < width*height*4 = %lld", (long long)m_fileSize,
                      (long long)frameByteCount());
        return text;
    }
    return {};
}

std::optional<std::string> FrameFile::layoutRefusal() const {
    std::optional<FrameLayout> layout = declaredLayout();
    return layout ? layout->refusal : std::nullopt;
}

NSSize FrameFile::frameSize() const {
    if (!hasHeader())
        return NSSize{0, 0};
    return NSSize{m_frameWidth, m_frameHeight};
}

std::optional<std::string> FrameFile::filename() const {
    if (!hasHeader())
        return std::nullopt;
    const char* field = reinterpret_cast<const char*>(m_headerData.data() + m_format.filenameOffset);
    constexpr size_t kFieldSize = 100;
    const void* nul = std::memchr(field, '\0', kFieldSize);
    return std::string(field, nul ? static_cast<const char*>(nul) - field : kFieldSize);
}

int64_t FrameFile::frameByteCount() const {
    return int64_t(m_frameHeight) * int64_t(m_frameWidth) * 4;
}

bool FrameFile::frameInsideFile(int64_t byteCount) const {
    return m_dataOffset >= 0 && uint64_t(m_dataOffset) + uint64_t(byteCount) <= m_fileSize;
}

OSErr FrameFile::readFrameToBuffer(Handle frameBuffer) {
    int64_t n = frameByteCount();
    if (!frameBuffer || !*frameBuffer || int64_t(GetHandleSize(frameBuffer)) < n) {
        NSLog("Error in readFrameToBuffer: - frameBuffer missing or too small\n");
        return -1;
    }
    if (!hasHeader())
        return noErr;
    // Pixel data that isn't all in the file is a failure, not a silent success: the caller would
    // otherwise go on with a buffer that holds some earlier frame. A file handed over is read no more.
    if (!frameInsideFile(n) || !m_fileHandle) {
        NSLog("Error trying to read pixel data in readFrameToBuffer:\n");
        return eofErr;
    }
    HandleLockScope lock(frameBuffer);
    // The size check above means the whole frame is there, so read straight into the caller's block:
    // the output device takes every frame shown through it, and an extra copy or allocation per frame
    // would cost a good share of the time. A short read now means the file shrank under us; the status
    // says so and every caller stops on it, so the partly filled block is never used.
    size_t got = m_fileHandle->readDataAtOffset(uint64_t(m_dataOffset), *frameBuffer, size_t(n));
    if (int64_t(got) != n) {
        NSLog("Error trying to read pixel data in readFrameToBuffer:\n");
        return eofErr;
    }
    return noErr;
}

OSErr FrameFile::handOverPixelFile(std::unique_ptr<ReadableFile>& file) {
    file.reset();
    if (!hasHeader() || !m_fileHandle || !m_fileHandle->isOpen() || !frameInsideFile(frameByteCount())) {
        NSLog("Error trying to read pixel data in readFrameToBuffer:\n");
        return eofErr;
    }
    file = std::move(m_fileHandle);
    return noErr;
}

std::shared_ptr<NSImage> FrameFile::imageWithFrameBuffer(Ptr* frameBuffer) {
    if (m_image)
        return m_image;
    if (!frameBuffer || !*frameBuffer)
        return nullptr;
    int64_t n = frameByteCount();
    if (!hasHeader() || !frameInsideFile(n))
        return nullptr;
    // The block must hold the whole preview: a frame larger than the caller's block (another frame
    // size within one sequence) gives no picture instead of writing past the block.
    if (int64_t(GetPtrSize(*frameBuffer)) < n)
        return nullptr;
    int64_t width = int64_t(m_frameWidth);
    int64_t height = int64_t(m_frameHeight);
    if (width > INT_MAX / 4 || height > INT_MAX)
        return nullptr; // only a refused header claims this much
    auto* block = reinterpret_cast<uint8_t*>(*frameBuffer);
    auto bitmap = std::make_shared<NSBitmapImageRep>(block, int(width), int(height));
    if (!*frameBuffer || !m_fileHandle || !m_fileHandle->isOpen())
        return nullptr;
    std::unique_ptr<uint8_t[]> data = newReadBuffer(n);
    size_t got = data ? m_fileHandle->readDataAtOffset(uint64_t(m_dataOffset), data.get(), size_t(n)) : 0;
    if (!data || int64_t(got) != n) {
        NSLog("Error reading pixel data in imageWithFrameBuffer:\n");
        return nullptr;
    }
    convertFrameToPreview(data.get(), block, size_t(width * height));
    m_image = std::make_shared<NSImage>(NSSize{m_frameWidth, m_frameHeight});
    m_image->addRepresentation(std::move(bitmap));
    return m_image;
}

void FrameFile::closeFile() {
    if (m_fileHandle)
        m_fileHandle->closeFile();
}
