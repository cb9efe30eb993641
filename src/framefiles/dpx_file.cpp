#include "framefiles/dpx_file.h"

#include "framefiles/dpx_timecode.h"
#include "platform/bigendian.h"

#include <new>

namespace {

const FrameFileFormat kDPXFormat{"dpx", dpx::kMagicNumber, dpx::kPixelsPerLineOffset, dpx::kNumLinesOffset,
                                 dpx::kFilenameOffset};

// The time code field lies inside the header only when the pixel data starts after it.
constexpr int32_t kTimeCodeEnd = int32_t(dpx::kTimeCodeOffset + 4);

} // namespace

MyDPXFile::MyDPXFile() : FrameFile(kDPXFormat) {}

std::shared_ptr<MyDPXFile> MyDPXFile::initWithPath(const std::string& path) {
    std::shared_ptr<MyDPXFile> reader(new (std::nothrow) MyDPXFile());
    if (reader)
        reader->openAtPath(path);
    return reader;
}

std::shared_ptr<MyDPXFile>
MyDPXFile::initWithPath(const std::string& path, std::unique_ptr<ReadableFile> openFile, float maxDimension) {
    std::shared_ptr<MyDPXFile> reader(new (std::nothrow) MyDPXFile());
    if (reader) {
        reader->setMaxDimension(maxDimension);
        reader->openAtPath(path, std::move(openFile));
    }
    return reader;
}

void MyDPXFile::extractDPXHeader(int) {
    readHeaderFields();
}

uint32_t MyDPXFile::timecode() const {
    if (!hasHeader() || dataOffset() < kTimeCodeEnd)
        return kNoTimeCode;
    return be::readU32(headerData().data(), dpx::kTimeCodeOffset);
}

std::optional<DPXHeader> MyDPXFile::header() const {
    if (!hasHeader())
        return std::nullopt;
    return DPXHeader::decode(headerData().data());
}

std::optional<FrameLayout> MyDPXFile::declaredLayout() const {
    std::optional<DPXHeader> decoded = header();
    if (!decoded)
        return std::nullopt;
    return layoutOfDPXHeader(*decoded);
}
