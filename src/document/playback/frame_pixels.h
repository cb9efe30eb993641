// One frame read for showing: where its pixel data is, the raw words (for the output device) and
// the 8-bit picture (for the window). A sequence's frame and a movie's sample are read the same
// way, from a file, an offset and a byte count.
#pragma once

#include "platform/large_block.h"

#include <cstdint>
#include <memory>
#include <string>

class NSImage;

/// Where a frame's pixel data is: `size` bytes at `offset` of the file at `path`. A frame that is
/// known not to be showable (of another size, say) carries why in `problem`.
struct FrameLocation {
    std::string path;
    uint64_t offset = 0;
    uint64_t size = 0;
    std::string problem;
};

struct FramePixels {
    int32_t index = -1; // the document's index of the frame
    int width = 0;
    int height = 0;
    LargeBlock words; // big-endian 10-bit RGB words, width x height x 4 bytes
    LargeBlock rgba;  // the same as 8-bit red, green, blue, alpha
    /// Why the frame could not be read ("shot_0005.dpx is missing", ...); "" when it was. A frame
    /// that wasn't read shows the placeholder in `rgba` and holds no words.
    std::string problem;

    bool ok() const { return problem.empty(); }
};

/// Reads `location` for a picture of width x height into `out` (its blocks reused when they are
/// large enough): the words and their 8-bit conversion. Only a regular file is read, and only
/// within its size. On failure `out` holds the placeholder and the problem, and false is returned.
bool readFramePixels(const FrameLocation& location, int width, int height, FramePixels& out);

/// Fills `out` with the placeholder of a frame that can't be shown (dark grey, a red cross) and
/// keeps `problem`; the words are let go.
void drawPlaceholder(int width, int height, std::string problem, FramePixels& out);

/// A picture showing `frame`'s 8-bit block in place; the picture keeps the frame alive.
std::shared_ptr<NSImage> pictureOfFrame(std::shared_ptr<const FramePixels> frame);
