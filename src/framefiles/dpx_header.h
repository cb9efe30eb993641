// The DPX file header (SMPTE 268M): 2048 bytes, big-endian, in five sections without gaps.
//
//   fileInfo    DPXFileInfoHeader         offset    0, 768 bytes  (generic header)
//   imageInfo   DPXImageInfoHeader        offset  768, 640 bytes  (generic header)
//   sourceInfo  DPXImageSourceInfoHeader  offset 1408, 256 bytes  (generic header)
//   filmInfo    DPXFilmInfoHeader         offset 1664, 256 bytes  (industry header)
//   videoInfo   DPXVideoInfoHeader        offset 1920, 128 bytes  (industry header)
//
// A DPXHeader value is decoded field by field from the header bytes through platform/bigendian.h;
// nothing is ever byte-swapped or cast from a packed struct. The system interprets six fields
// (magic number, image data offset, file name, pixels per line, lines, time code); the others are
// held as read. Character fields keep all their bytes: a field that fills its width has no NUL.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The offsets and field tables below keep the standard's offsets in a column.
// clang-format off
namespace dpx {

constexpr size_t kHeaderSize = 2048;
constexpr uint32_t kMagicNumber = 0x53445058;  // 'SDPX': big-endian DPX

// Absolute offsets of the fields the system interprets.
constexpr size_t kMagicNumberOffset = 0;       // fileInfo.magicNumber
constexpr size_t kImageDataOffsetOffset = 4;   // fileInfo.imageDataOffset
constexpr size_t kFilenameOffset = 36;         // fileInfo.filename, char[100]
constexpr size_t kFilenameSize = 100;
constexpr size_t kPixelsPerLineOffset = 772;   // imageInfo.pixelsPerLine: the frame width
constexpr size_t kNumLinesOffset = 776;        // imageInfo.numLines: the frame height
constexpr size_t kTimeCodeOffset = 1920;       // videoInfo.timeCode, SMPTE time code as 8 BCD digits

// Where the sections and the image element records start.
constexpr size_t kFileInfoOffset = 0;
constexpr size_t kImageInfoOffset = 768;
constexpr size_t kImageElementOffset = 780;
constexpr size_t kImageElementSize = 72;
constexpr size_t kSourceInfoOffset = 1408;
constexpr size_t kFilmInfoOffset = 1664;
constexpr size_t kVideoInfoOffset = 1920;

} // namespace dpx

/// Fixed-length 8-bit text as stored: NUL-ended when shorter than the field, not when it fills it.
template <size_t N> using DPXChars = std::array<char, N>;

struct DPXFileInfoHeader {                 // file information, bytes 0-767
    uint32_t magicNumber = 0;              //   0 'SDPX'; identifies the file and its byte order
    uint32_t imageDataOffset = 0;          //   4 offset to the pixel data
    DPXChars<8> headerVersion{};           //   8 version of the header format
    uint32_t fileSize = 0;                 //  16 total file size as written by the producer
    uint32_t dittoKey = 0;                 //  20 0: same as the previous frame, 1: new frame
    uint32_t genericHeaderLength = 0;      //  24
    uint32_t industryHeaderLength = 0;     //  28
    uint32_t userHeaderLength = 0;         //  32 user-defined data following the header
    DPXChars<100> filename{};              //  36 image file name
    DPXChars<24> creationDateTime{};       // 136 creation date and time
    DPXChars<100> creator{};               // 160 creator
    DPXChars<200> projectName{};           // 260 project name
    DPXChars<200> copyright{};             // 460 right-to-use statement
    uint32_t encryptionKey = 0;            // 660 all bits set when not enciphered
    DPXChars<104> reserved{};              // 664
};

struct DPXImageElementHeader {             // one image element, 72 bytes
    uint32_t dataSign = 0;                 //  +0 0: unsigned, 1: signed
    uint32_t referenceLowDataCode = 0;     //  +4 reference low data code value
    float referenceLowQuantity = 0;        //  +8 reference low quantity represented
    uint32_t referenceHighDataCode = 0;    // +12 reference high data code value
    float referenceHighQuantity = 0;       // +16 reference high quantity represented
    uint8_t descriptor = 0;                // +20 component descriptor (50: RGB, 51: RGBA, 6: luma, ...)
    uint8_t transferCharacteristic = 0;    // +21
    uint8_t colorimetricSpec = 0;          // +22 colorimetric specification
    uint8_t bitDepth = 0;                  // +23 bits per component
    uint16_t packing = 0;                  // +24 0: packed, 1: filled method A, 2: filled method B
    uint16_t encoding = 0;                 // +26 0: none, 1: run-length
    uint32_t offset = 0;                   // +28 offset to this element's data
    uint32_t lineEndPadding = 0;           // +32 end-of-line padding
    uint32_t imageEndPadding = 0;          // +36 end-of-image padding
    DPXChars<32> description{};            // +40 description of the element
};

struct DPXImageInfoHeader {                // image information, bytes 768-1407
    uint16_t orientation = 0;              // 768 0: left to right, top to bottom
    uint16_t numImageElements = 0;         // 770 1 to 8
    uint32_t pixelsPerLine = 0;            // 772 the frame width
    uint32_t numLines = 0;                 // 776 lines per element: the frame height
    std::array<DPXImageElementHeader, 8> imageElement{};  // 780 + 72 * i
    DPXChars<52> reserved{};               // 1356
};

struct DPXImageSourceInfoHeader {          // image source information, bytes 1408-1663
    uint32_t xOffset = 0;                  // 1408
    uint32_t yOffset = 0;                  // 1412
    float xCenter = 0;                     // 1416
    float yCenter = 0;                     // 1420
    uint32_t xOrigSize = 0;                // 1424
    uint32_t yOrigSize = 0;                // 1428
    DPXChars<100> sourceFilename{};        // 1432
    DPXChars<24> sourceDateTime{};         // 1532
    DPXChars<32> inputDeviceName{};        // 1556
    DPXChars<32> inputDeviceSN{};          // 1588
    uint16_t borderXL = 0;                 // 1620 border validity
    uint16_t borderXR = 0;                 // 1622
    uint16_t borderYT = 0;                 // 1624
    uint16_t borderYB = 0;                 // 1626
    uint32_t hPixelAspect = 0;             // 1628 pixel aspect ratio, horizontal term
    uint32_t vPixelAspect = 0;             // 1632 vertical term
    float xScannedSize = 0;                // 1636
    float yScannedSize = 0;                // 1640
    DPXChars<20> reserved{};               // 1644
};

struct DPXFilmInfoHeader {                 // film information, bytes 1664-1919
    DPXChars<2> filmMfgrID{};              // 1664 film manufacturer ID code
    DPXChars<2> filmType{};                // 1666
    DPXChars<2> perfOffset{};              // 1668 offset in perforations
    DPXChars<6> prefix{};                  // 1670
    DPXChars<4> count{};                   // 1676
    DPXChars<32> format{};                 // 1680
    uint32_t framePosition = 0;            // 1712 frame position in sequence
    uint32_t sequenceLength = 0;           // 1716
    uint32_t heldCount = 0;                // 1720
    float frameRate = 0;                   // 1724 frame rate of original, frames per second
    float shutterAngle = 0;                // 1728 degrees
    DPXChars<32> frameID{};                // 1732
    DPXChars<100> slate{};                 // 1764
    DPXChars<56> reserved{};               // 1864
};

struct DPXVideoInfoHeader {                // television information, bytes 1920-2047
    uint32_t timeCode = 0;                 // 1920 SMPTE time code, BCD hh mm ss ff from the top nibble
    uint32_t userBits = 0;                 // 1924
    uint8_t interlace = 0;                 // 1928 0: progressive, 1: 2:1 interlaced
    uint8_t fieldNum = 0;                  // 1929
    uint8_t videoStandard = 0;             // 1930 video signal standard
    uint8_t zero = 0;                      // 1931 alignment
    float hSampleRate = 0;                 // 1932 horizontal sampling rate, Hz
    float vSampleRate = 0;                 // 1936 vertical sampling rate, Hz
    float tSampleRate = 0;                 // 1940 temporal sampling rate, Hz
    float timeOffset = 0;                  // 1944 time offset from sync to first pixel
    float gamma = 0;                       // 1948
    float blackLevel = 0;                  // 1952 black level code value
    float blackGain = 0;                   // 1956
    float breakpoint = 0;                  // 1960
    float whiteLevel = 0;                  // 1964 reference white level code value
    float integrationTime = 0;             // 1968 seconds
    DPXChars<76> reserved{};               // 1972
};

// clang-format on

/// The whole header as a value.
struct DPXHeader {
    DPXFileInfoHeader fileInfo;
    DPXImageInfoHeader imageInfo;
    DPXImageSourceInfoHeader sourceInfo;
    DPXFilmInfoHeader filmInfo;
    DPXVideoInfoHeader videoInfo;

    /// Decodes the 2048 header bytes at `bytes` big-endian, whatever the magic number holds.
    static DPXHeader decode(const uint8_t* bytes);
};
