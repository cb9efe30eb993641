// Bitmap pictures: an 8-bit RGBA bitmap that shows a caller's block in place, and the picture that
// holds it. Nothing here copies pixels: the bitmap keeps the block's address, so a picture shows
// whatever the block holds for as long as the block lives.
#pragma once

#include "platform/geometry.h"

#include <cstdint>
#include <memory>
#include <vector>

/// One plane of 8-bit red, green, blue, alpha bytes, in this order, rows without padding.
class NSBitmapImageRep {
public:
    NSBitmapImageRep(uint8_t* plane, int pixelsWide, int pixelsHigh)
        : m_plane(plane), m_pixelsWide(pixelsWide), m_pixelsHigh(pixelsHigh) {}

    /// The caller's block, not a copy.
    uint8_t* bitmapData() const { return m_plane; }
    int pixelsWide() const { return m_pixelsWide; }
    int pixelsHigh() const { return m_pixelsHigh; }
    int bitsPerSample() const { return 8; }
    int samplesPerPixel() const { return 4; }
    bool hasAlpha() const { return true; }
    int bitsPerPixel() const { return 32; }
    int bytesPerRow() const { return m_pixelsWide * 4; }

private:
    uint8_t* m_plane;
    int m_pixelsWide;
    int m_pixelsHigh;
};

/// A picture of a given size with its bitmap representations.
class NSImage {
public:
    explicit NSImage(NSSize size) : m_size(size) {}

    NSSize size() const { return m_size; }
    void addRepresentation(std::shared_ptr<const NSBitmapImageRep> representation) {
        m_representations.push_back(std::move(representation));
    }
    const std::vector<std::shared_ptr<const NSBitmapImageRep>>& representations() const {
        return m_representations;
    }
    /// The first bitmap, or null.
    const NSBitmapImageRep* bitmap() const {
        return m_representations.empty() ? nullptr : m_representations.front().get();
    }

private:
    NSSize m_size;
    std::vector<std::shared_ptr<const NSBitmapImageRep>> m_representations;
};
