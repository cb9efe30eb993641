#include "document/playback/frame_pixels.h"

#include "framefiles/preview_conversion.h"
#include "platform/picture.h"
#include "platform/read_file.h"

#include <algorithm>
#include <cstring>

namespace {

std::string fileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

bool readFramePixels(const FrameLocation& location, int width, int height, FramePixels& out) {
    const uint64_t bytes = uint64_t(width) * uint64_t(height) * 4u;
    if (!location.problem.empty()) {
        drawPlaceholder(width, height, location.problem, out);
        return false;
    }
    if (width <= 0 || height <= 0 || location.size != bytes) {
        drawPlaceholder(width, height,
                        fileName(location.path) + ": the frame is " + std::to_string(location.size) +
                            " bytes, not the " + std::to_string(bytes) + " of a " + std::to_string(width) +
                            "x" + std::to_string(height) + " frame",
                        out);
        return false;
    }
    std::unique_ptr<ReadableFile> file = ReadableFile::fileHandleForReadingAtPath(location.path);
    if (!file) {
        const bool exists = sizeOfFileAtPath(location.path).has_value();
        drawPlaceholder(width, height,
                        location.path + (exists ? " can't be read" : " is missing"), out);
        return false;
    }
    const uint64_t fileSize = file->sizeWhenOpened();
    if (location.offset > fileSize || bytes > fileSize - location.offset) {
        drawPlaceholder(width, height,
                        location.path + " is too short: " + std::to_string(fileSize) +
                            " bytes, the frame ends at " + std::to_string(location.offset + bytes),
                        out);
        return false;
    }
    if (!out.words.resize(size_t(bytes)) || !out.rgba.resize(size_t(bytes))) {
        drawPlaceholder(width, height, "no memory for a frame of " + std::to_string(bytes) + " bytes", out);
        return false;
    }
    if (file->readDataAtOffset(location.offset, out.words.data(), size_t(bytes)) != bytes) {
        drawPlaceholder(width, height, location.path + " came back short when read", out);
        return false;
    }
    out.width = width;
    out.height = height;
    out.problem.clear();
    convertFrameToPreview(out.words.data(), out.rgba.data(), size_t(width) * size_t(height));
    return true;
}

void drawPlaceholder(int width, int height, std::string problem, FramePixels& out) {
    out.width = std::max(width, 1);
    out.height = std::max(height, 1);
    out.problem = std::move(problem);
    out.words.release();
    const size_t w = size_t(out.width), h = size_t(out.height);
    if (!out.rgba.assign(w * h * 4, 0)) {
        out.width = out.height = 0;
        return;
    }
    // Dark grey with a red cross from corner to corner, a few pixels thick at any size.
    const size_t thickness = std::max<size_t>(2, std::min(w, h) / 120);
    for (size_t y = 0; y < h; ++y) {
        const size_t across = y * w / h; // the diagonal's column on this line
        for (size_t x = 0; x < w; ++x) {
            uint8_t* p = out.rgba.data() + (y * w + x) * 4;
            const bool onCross = (x + thickness >= across && x <= across + thickness) ||
                                 (x + thickness >= w - 1 - across && x <= w - 1 - across + thickness);
            p[0] = onCross ? 200 : 48;
            p[1] = onCross ? 30 : 48;
            p[2] = onCross ? 30 : 48;
            p[3] = 255;
        }
    }
}

std::shared_ptr<NSImage> pictureOfFrame(std::shared_ptr<const FramePixels> frame) {
    auto image = std::make_shared<NSImage>(NSSize{float(frame->width), float(frame->height)});
    // The bitmap is a share of the frame: the block lives as long as the picture shows it.
    struct Held {
        std::shared_ptr<const FramePixels> frame;
        NSBitmapImageRep rep;
    };
    auto held = std::make_shared<Held>(
        Held{frame, NSBitmapImageRep(const_cast<uint8_t*>(frame->rgba.data()), frame->width,
                                     frame->rgba.empty() ? 0 : frame->height)});
    image->addRepresentation(std::shared_ptr<const NSBitmapImageRep>(held, &held->rep));
    return image;
}
