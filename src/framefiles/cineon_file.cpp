#include "framefiles/cineon_file.h"

#include <new>

namespace {

const FrameFileFormat kCineonFormat{"Cineon", cineon::kMagicNumber, cineon::kPixelsPerLineOffset,
                                    cineon::kLinesPerImageOffset, cineon::kFilenameOffset};

} // namespace

MyCineonFile::MyCineonFile() : FrameFile(kCineonFormat) {}

std::shared_ptr<MyCineonFile> MyCineonFile::initWithPath(const std::string& path) {
    std::shared_ptr<MyCineonFile> reader(new (std::nothrow) MyCineonFile());
    if (reader)
        reader->openAtPath(path);
    return reader;
}

std::shared_ptr<MyCineonFile> MyCineonFile::initWithPath(const std::string& path,
                                                         std::unique_ptr<ReadableFile> openFile,
                                                         float maxDimension) {
    std::shared_ptr<MyCineonFile> reader(new (std::nothrow) MyCineonFile());
    if (reader) {
        reader->setMaxDimension(maxDimension);
        reader->openAtPath(path, std::move(openFile));
    }
    return reader;
}

std::optional<FrameLayout> MyCineonFile::declaredLayout() const {
    if (!hasHeader())
        return std::nullopt;
    return layoutOfCineonHeader(headerData().data());
}
