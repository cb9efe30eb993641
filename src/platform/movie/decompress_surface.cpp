#include "platform/movie/decompress_surface.h"

#include <algorithm>
#include <new>

namespace {

constexpr int kMaxSide = 32767; // the reach of a 16-bit rectangle

std::shared_ptr<SurfacePixels> makePixels(int width, int height) {
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return nullptr;
    try {
        auto pixels = std::make_shared<SurfacePixels>();
        pixels->width = width;
        pixels->height = height;
        pixels->rowBytes = size_t(width) * 3;
        pixels->bytes.assign(pixels->rowBytes * size_t(height), 0);
        return pixels;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace

void SetRect(Rect* r, int16_t left, int16_t top, int16_t right, int16_t bottom) {
    if (!r)
        return;
    r->left = left;
    r->top = top;
    r->right = right;
    r->bottom = bottom;
}

std::unique_ptr<GWorld> GWorld::create(int width, int height) {
    std::shared_ptr<SurfacePixels> pixels = makePixels(width, height);
    if (!pixels)
        return nullptr;
    return std::unique_ptr<GWorld>(new (std::nothrow) GWorld(std::move(pixels)));
}

GWorld::RGB GWorld::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width() || y >= height())
        return {};
    const uint8_t* p = baseAddress() + size_t(y) * rowBytes() + size_t(x) * 3;
    return {p[0], p[1], p[2]};
}

void GWorld::clear() {
    std::fill(m_pixels->bytes.begin(), m_pixels->bytes.end(), uint8_t(0));
}

OSErr GWorld::resize(int width, int height) {
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return paramErr;
    std::shared_ptr<SurfacePixels> pixels = makePixels(width, height);
    if (!pixels)
        return memFullErr;
    m_pixels = std::move(pixels);
    return noErr;
}
