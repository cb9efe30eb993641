// Drawing surfaces (graphics worlds) that decompression sequences draw into, and rectangles.
//
// A surface holds 8-bit red, green and blue bytes per pixel (k24RGBPixelFormat), lines from the top
// down, `rowBytes` = width × 3 with no padding: the layout a front end shows directly (a Qt RGB888
// image) and a PNG writer takes line by line. 10-bit pictures land here with each component
// shifted right by 2.
//
// The pixel block is shared with the decompression sequences bound to the surface, so a sequence
// that outlives its surface, or a surface resized under an open sequence, never makes a sequence
// write into freed memory: the sequence keeps drawing into the block it was opened with.
#pragma once

#include "platform/types.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

/// A QuickDraw rectangle: 16-bit coordinates, top and left inclusive, bottom and right exclusive.
struct Rect {
    int16_t top = 0;
    int16_t left = 0;
    int16_t bottom = 0;
    int16_t right = 0;
};

void SetRect(Rect* r, int16_t left, int16_t top, int16_t right, int16_t bottom);

constexpr OSType k24RGBPixelFormat = 0x00000018;

/// The pixel block of a surface.
struct SurfacePixels {
    int width = 0;
    int height = 0;
    size_t rowBytes = 0;
    std::vector<uint8_t> bytes;
    uint64_t drawCount = 0; // frames drawn into this block
};

class GWorld {
public:
    struct RGB {
        uint8_t red = 0;
        uint8_t green = 0;
        uint8_t blue = 0;
        bool operator==(const RGB&) const = default;
    };

    /// A black surface of that size (1 to 32767 each way); null when the size is out of range or
    /// memory is short.
    static std::unique_ptr<GWorld> create(int width, int height);

    int width() const { return m_pixels->width; }
    int height() const { return m_pixels->height; }
    size_t rowBytes() const { return m_pixels->rowBytes; }
    OSType pixelFormat() const { return k24RGBPixelFormat; }
    const uint8_t* baseAddress() const { return m_pixels->bytes.data(); }
    uint8_t* baseAddress() { return m_pixels->bytes.data(); }
    RGB pixel(int x, int y) const;
    /// Frames drawn since the surface got its current size; a viewer repaints when it changes.
    uint64_t drawCount() const { return m_pixels->drawCount; }

    void clear();
    /// Gives the surface a new, black pixel block of that size: noErr, paramErr for a size out of
    /// range, memFullErr (the surface keeps its old block).
    OSErr resize(int width, int height);

    /// The current pixel block, for the decompression sequences.
    std::shared_ptr<SurfacePixels> pixels() const { return m_pixels; }

private:
    explicit GWorld(std::shared_ptr<SurfacePixels> pixels) : m_pixels(std::move(pixels)) {}
    std::shared_ptr<SurfacePixels> m_pixels;
};

using GWorldPtr = GWorld*;
using CGrafPtr = GWorld*;
