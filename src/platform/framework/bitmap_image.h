// A bitmap picture over pixel memory that someone else owns.
//
// Made like the platform's bitmap with data planes: it keeps the address of the caller's array of
// plane pointers (for one meshed plane, a pointer to the one buffer pointer) and reads the pixels
// through it whenever it is drawn, so a preview buffer that the reader refills shows the new frame
// without a copy. The buffer must outlive every holder of the picture.
#pragma once

#include <cstdint>

namespace fw {

class BitmapImage {
public:
    /// `planes`: address of the plane pointers (planes[0] is the one meshed plane); 8-bit samples.
    BitmapImage(unsigned char** planes, int32_t pixelsWide, int32_t pixelsHigh, int32_t samplesPerPixel,
                bool hasAlpha, int32_t bytesPerRow)
        : m_planes(planes), m_pixelsWide(pixelsWide), m_pixelsHigh(pixelsHigh),
          m_samplesPerPixel(samplesPerPixel), m_hasAlpha(hasAlpha), m_bytesPerRow(bytesPerRow) {}

    /// The first byte of the pixels as the plane pointer holds it now (null when it holds none).
    const unsigned char* bitmapData() const { return m_planes ? m_planes[0] : nullptr; }
    unsigned char** planes() const { return m_planes; }
    int32_t pixelsWide() const { return m_pixelsWide; }
    int32_t pixelsHigh() const { return m_pixelsHigh; }
    int32_t samplesPerPixel() const { return m_samplesPerPixel; }
    int32_t bitsPerSample() const { return 8; }
    bool hasAlpha() const { return m_hasAlpha; }
    int32_t bytesPerRow() const { return m_bytesPerRow; }

private:
    unsigned char** m_planes;
    int32_t m_pixelsWide;
    int32_t m_pixelsHigh;
    int32_t m_samplesPerPixel;
    bool m_hasAlpha;
    int32_t m_bytesPerRow;
};

} // namespace fw
