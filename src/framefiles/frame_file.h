// The frame file reader: the operations through which the document, the export and the video
// output use one DPX or Cineon frame file without knowing which kind it is.
//
// A reader is made from a path (MyDPXFile::initWithPath, MyCineonFile::initWithPath), tested with
// fileOK(), used, and released; a reader that answers false to fileOK() is released at once.
// Readers are reference counted (std::shared_ptr) and stay on the thread that made them.
//
// The pixel data of a frame is n = H x W x 4 bytes from the data offset on: H lines of W pixels,
// no line padding, each pixel one 32-bit big-endian word with 10-bit red, green and blue in bits
// 31-22, 21-12 and 11-2. The reader itself doesn't act on the header's own description of its
// pixels (declaredLayout()); the document refuses a file that claims another layout.
//
// Frames are limited to kMaxFrameDimension (2048) in either dimension; a reader made with the large
// frames allowance takes up to kMaxLargeFrameDimension (16384). Byte counts are 64-bit throughout.
#pragma once

#include "framefiles/frame_layout.h"
#include "platform/geometry.h"
#include "platform/memory.h"
#include "platform/picture.h"
#include "platform/read_file.h"
#include "platform/types.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

/// The first of the usability tests that a reader fails, in the order fileOK() runs them.
enum class FrameFileCheck {
    ok,
    noHeader,       // missing file, unopenable, 2048 bytes or less, or the header read came back short
    wrongMagic,     // the header's first four bytes are not the reader's magic number
    widthTooLarge,  // frame width > the reader's limit (2048, or 16384 with large frames)
    heightTooLarge, // frame height > that limit
    fileTooSmall,   // file size < width x height x 4
};

/// Where one kind of frame file keeps what the readers interpret.
struct FrameFileFormat {
    const char* kindName; // as the "couldn't open" message names it: "dpx" or "Cineon"
    uint32_t magicNumber;
    size_t widthOffset;    // u32 big-endian
    size_t heightOffset;   // u32 big-endian
    size_t filenameOffset; // char[100]
};

class FrameFile {
public:
    static constexpr size_t kHeaderSize = 2048;
    static constexpr float kMaxFrameDimension = 2048.0f;
    static constexpr float kMaxLargeFrameDimension = 16384.0f;

    /// The largest width or height the reader accepts: kMaxFrameDimension, or kMaxLargeFrameDimension
    /// when large frames are allowed.
    static float maxFrameDimension(bool allowLargeFrames) {
        return allowLargeFrames ? kMaxLargeFrameDimension : kMaxFrameDimension;
    }

    virtual ~FrameFile() = default;
    FrameFile(const FrameFile&) = delete;
    FrameFile& operator=(const FrameFile&) = delete;

    /// True when the file is a usable frame of this reader's kind.
    bool fileOK() const { return check() == FrameFileCheck::ok; }
    /// Which usability test fails first (ok when none does).
    FrameFileCheck check() const;
    /// Why check() refuses the file, for the user: "width 4096 > 2048", "file size 9000 <
    /// width*height*4 = 19200", ...; "" for ok. `magic` is the file's first four bytes.
    std::string checkText(FrameFileCheck check) const;
    /// This reader's largest accepted width or height.
    float maxDimension() const { return m_maxDimension; }

    /// Width and height; 0 x 0 without a header.
    NSSize frameSize() const;
    /// Byte offset of the pixel data; 0 without a header.
    int32_t dataOffset() const { return m_dataOffset; }
    /// The file name stored in the header, raw 8-bit text up to its first NUL (at most 100 bytes);
    /// nullopt without a header.
    std::optional<std::string> filename() const;

    /// Copies the frame's pixel data, as stored, into the first n bytes of `frameBuffer`, a handle
    /// of at least n bytes (NewHandle). Returns 0 after the copy; -1 (with a log line) when the
    /// handle is null or smaller than n; eofErr (-39, with a log line, the block unchanged) when the
    /// pixel data runs past the end of the file or the read comes back short. A reader without a
    /// header returns 0 and copies nothing.
    OSErr readFrameToBuffer(Handle frameBuffer);

    /// For a copy of the pixel data that doesn't pass through a frame block: readFrameToBuffer's
    /// checks of the file (a header, the pixel data inside the file, else eofErr with its log line),
    /// then the open file itself, handed over in `file`; the pixel data is frameByteCount() bytes at
    /// dataOffset(). The reader is left as closeFile() leaves it.
    OSErr handOverPixelFile(std::unique_ptr<ReadableFile>& file);

    /// Writes the 8-bit RGBA preview of the frame into the caller's block and returns a picture
    /// that shows that block in place. `frameBuffer` is the address of a pointer to a block made by
    /// NewPtr or NewPtrClear: its size is asked with GetPtrSize, and a block smaller than n bytes
    /// gives nil and is left untouched. The caller keeps the block alive and allocated for as long
    /// as the picture lives. The first picture made is kept and returned by every later call,
    /// which then looks at neither its argument nor the file. nil as well for a null argument, a
    /// reader without a header or without an open file, pixel data past the end of the file, or a
    /// short read (logged; the block unchanged).
    std::shared_ptr<NSImage> imageWithFrameBuffer(Ptr* frameBuffer);

    /// Closes the file; the header queries go on answering.
    void closeFile();

    // Facts for diagnostics (the command line's info), beyond what the system itself asks.

    /// The file's size from the file system (0 when the file wasn't found).
    uint64_t fileSize() const { return m_fileSize; }
    /// n = H x W x 4 with W and H truncated to whole numbers, in 64 bits (16384 x 16384 frames
    /// give 2^30; a refused header with huge dimensions can't overflow).
    int64_t frameByteCount() const;
    /// The pixel layout the header claims; nullopt without a header.
    virtual std::optional<FrameLayout> declaredLayout() const = 0;
    /// Why the header's claimed layout can't be copied (FrameLayout::refusal); nullopt when it can.
    std::optional<std::string> layoutRefusal() const;

protected:
    explicit FrameFile(const FrameFileFormat& format) : m_format(format) {}

    /// Before the opening: the largest width or height accepted (and warned about).
    void setMaxDimension(float maxDimension) { m_maxDimension = maxDimension; }

    /// Construction: finds, sizes and opens the file, reads the header and checks its magic number,
    /// logging each problem. Whatever happens, the reader is left usable for its queries.
    void openAtPath(const std::string& path);
    /// The same over a file that the caller has already opened at `path` (the identification's,
    /// so that a scan opens each file once); a null `openFile` opens the path as above.
    void openAtPath(const std::string& path, std::unique_ptr<ReadableFile> openFile);
    /// Reads the header through readHeaderFields() (extractDPXHeader / extractCineonHeader).
    virtual void extractHeader() = 0;
    /// The shared header extraction: the 2048 header bytes, frame width, height and data offset,
    /// and the excessive frame size warning.
    void readHeaderFields();

    bool hasHeader() const { return m_headerData.size() >= kHeaderSize; }
    /// The header block: the file's first 2048 bytes, or empty without a header.
    const std::vector<uint8_t>& headerData() const { return m_headerData; }

private:
    /// Construction from the open file on: the size test, the header and its magic number.
    void readOpenFile(const std::string& path, std::unique_ptr<ReadableFile> file);
    /// True when n bytes from the data offset lie inside the file.
    bool frameInsideFile(int64_t byteCount) const;

    const FrameFileFormat& m_format;
    std::unique_ptr<ReadableFile> m_fileHandle;
    uint64_t m_fileSize = 0;
    std::vector<uint8_t> m_headerData; // immutable once read
    float m_frameWidth = 0;
    float m_frameHeight = 0;
    int32_t m_dataOffset = 0;
    float m_maxDimension = kMaxFrameDimension;
    std::shared_ptr<NSImage> m_image;
};
