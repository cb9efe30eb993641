// MyDPXFile: the frame file reader for big-endian DPX files.
#pragma once

#include "framefiles/dpx_header.h"
#include "framefiles/frame_file.h"

class MyDPXFile final : public FrameFile {
public:
    /// Opens the file at `path` and reads its header, logging each problem: "Error: file ...
    /// doesn't exist!?", "Error: couldn't open dpx file ..." (also for 2048 bytes or less), the
    /// excessive frame size and the magic number warnings. Always returns a reader (nullptr only
    /// when memory is exhausted); fileOK() tells whether it is usable.
    static std::shared_ptr<MyDPXFile> initWithPath(const std::string& path);
    /// The same over the file the caller has already opened at `path` (its first bytes read to
    /// identify it); the reader takes it over. A null `openFile` opens the path itself.
    /// `maxDimension`: the largest width or height accepted (FrameFile::maxFrameDimension).
    static std::shared_ptr<MyDPXFile> initWithPath(const std::string& path,
                                                   std::unique_ptr<ReadableFile> openFile,
                                                   float maxDimension = kMaxFrameDimension);

    /// The header's SMPTE time code field, 8 BCD digits hh mm ss ff, neither converted nor
    /// validated; kNoTimeCode (0xFFFFFFFF) without a header, and also when the pixel data starts
    /// before byte 1924, because bytes 1920-1923 then hold pixels (1664-byte headers).
    uint32_t timecode() const;

    /// The header decoded as a value; nullopt without a header.
    std::optional<DPXHeader> header() const;

    std::optional<FrameLayout> declaredLayout() const override;

    /// Header extraction of construction (the argument is always 1): the header block, frame width
    /// and height, data offset, and the frame size warning.
    void extractDPXHeader(int unused);

private:
    MyDPXFile();
    void extractHeader() override { extractDPXHeader(1); }
};
