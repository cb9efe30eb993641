// MyCineonFile: the frame file reader for big-endian Cineon files. It has no time code.
//
// Cineon header fields read (big-endian): magic number 0x802A5FD7 at 0, image data offset at 4,
// file name char[100] at 32, pixels per line at 200 and lines per image at 204 (first channel).
#pragma once

#include "framefiles/frame_file.h"

namespace cineon {
constexpr uint32_t kMagicNumber = 0x802A5FD7;
constexpr size_t kImageDataOffsetOffset = 4;
constexpr size_t kFilenameOffset = 32;
constexpr size_t kPixelsPerLineOffset = 200;
constexpr size_t kLinesPerImageOffset = 204;
} // namespace cineon

class MyCineonFile final : public FrameFile {
public:
    /// As MyDPXFile::initWithPath, logging "Error: couldn't open Cineon file ..." where the DPX
    /// reader names a dpx file.
    static std::shared_ptr<MyCineonFile> initWithPath(const std::string& path);
    /// The same over a file the caller has already opened at `path` (see MyDPXFile).
    /// `maxDimension`: the largest width or height accepted (FrameFile::maxFrameDimension).
    static std::shared_ptr<MyCineonFile> initWithPath(const std::string& path,
                                                      std::unique_ptr<ReadableFile> openFile,
                                                      float maxDimension = kMaxFrameDimension);

    std::optional<FrameLayout> declaredLayout() const override;

    /// Header extraction of construction: header block, frame width and height, data offset.
    void extractCineonHeader() { readHeaderFields(); }

private:
    MyCineonFile();
    void extractHeader() override { extractCineonHeader(); }
};
