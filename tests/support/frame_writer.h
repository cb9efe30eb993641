// Writes DPX and Cineon frame files with chosen header fields, for tests of the readers, the
// sequence scan and the export.
//
// The defaults make a valid big-endian frame of 10-bit RGB words filled into 32-bit words (method
// A): DPX with a 2048-byte header and no time code (0xFFFFFFFF), or Cineon with its 2048-byte
// header; the pixels follow the header. Every field the readers interpret can be set, and the
// file can be cut short or padded, so that refusals and broken files can be built too:
//
//   FrameSpec fileSpec;                         // 4 x 2 DPX, pixels from patternPixel()
//   fileSpec.width = 720; fileSpec.height = 486;
//   fileSpec.timecode = timecodeWord(1, 0, 0, 0);
//   fileSpec.filename = "shot_0001.dpx";
//   writeFrameFile(dir.file("shot_0001.dpx"), fileSpec);
//
// Header bytes are written first and the pixel words after them, so a data offset below 2048 puts
// pixels over the end of the header (as ffmpeg's 1664-byte DPX headers do).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

enum class FrameKind { dpx, cineon };

struct FrameSpec {
    FrameKind kind = FrameKind::dpx;
    uint32_t width = 4;  // DPX bytes 772 / Cineon 200
    uint32_t height = 2; // DPX bytes 776 / Cineon 204
    /// The first four bytes; default the kind's magic number (0x53445058 or 0x802A5FD7).
    std::optional<uint32_t> magic;
    /// Byte 4, and where the pixels are written; default 2048.
    uint32_t dataOffset = 2048;
    /// DPX time code word at byte 1920 (BCD hh mm ss ff); 0xFFFFFFFF is "no time code".
    uint32_t timecode = 0xFFFFFFFF;
    /// Stored file name (DPX byte 36, Cineon byte 32): up to 100 bytes, NUL-ended when shorter.
    std::string filename;
    /// The header's own file size field (DPX byte 16, Cineon byte 20); default the real size.
    std::optional<uint32_t> storedFileSize;
    /// Pixel words written big-endian from dataOffset on; default width x height words of
    /// patternPixel(x, y). Any number of words may be given (fewer for an incomplete frame).
    std::optional<std::vector<uint32_t>> pixels;
    /// The file's length in bytes: cut or zero-padded to it; default dataOffset + 4 x words, and
    /// at least 2048.
    std::optional<uint64_t> fileSize;
    /// Write every header number little-endian, as some tools do ('XPDS', D7 5F 2A 80 first).
    bool littleEndian = false;

    // What the header claims of its pixels (informational for the readers).
    uint8_t descriptor = 50;       // DPX element 0: 50 RGB, 51 RGBA, 6 luma, 100 CbYCrY 4:2:2
    uint8_t bitDepth = 10;         // DPX element 0 / every Cineon channel
    uint16_t packing = 1;          // DPX: 0 packed, 1 filled A, 2 filled B; Cineon byte 681 (5 = filled)
    uint16_t numImageElements = 1; // DPX byte 770
    uint8_t channels = 3;          // Cineon byte 193

    /// The pixel the default frame has at (x, y): R = x, G = y, B = x + y, each mod 1024.
    static uint32_t patternPixel(uint32_t x, uint32_t y);
};

/// One pixel word: 10-bit red, green and blue in bits 31-22, 21-12, 11-2; `pad` in bits 1-0.
uint32_t rgb10Word(uint32_t red, uint32_t green, uint32_t blue, uint32_t pad = 0);

/// The BCD time code word of hh:mm:ss:ff: timecodeWord(1, 2, 3, 4) == 0x01020304.
uint32_t timecodeWord(unsigned hours, unsigned minutes, unsigned seconds, unsigned frames);

/// The bytes of the file that `fileSpec` describes.
std::vector<uint8_t> frameFileBytes(const FrameSpec& fileSpec);

/// Writes that file at `path` (replacing it).
void writeFrameFile(const std::string& path, const FrameSpec& fileSpec);

} // namespace testsupport
