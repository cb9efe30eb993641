#include "cli/png_writer.h"

#if REELMAKER_HAVE_PNG
#include <png.h>

#include <climits>
#include <cstring>

bool writeRgbPng(const std::string& path, const uint8_t* pixels, int width, int height, size_t rowBytes,
                 std::string& problem) {
    if (!pixels || width <= 0 || height <= 0 || rowBytes < size_t(width) * 3 || rowBytes > size_t(INT_MAX)) {
        problem = "no picture to write";
        return false;
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(width);
    image.height = png_uint_32(height);
    image.format = PNG_FORMAT_RGB;
    // The simplified interface removes a file it could not finish.
    if (!png_image_write_to_file(&image, path.c_str(), 0, pixels, png_int_32(rowBytes), nullptr)) {
        problem = image.message[0] ? image.message : "the PNG could not be written";
        png_image_free(&image);
        return false;
    }
    png_image_free(&image);
    return true;
}

#else

bool writeRgbPng(const std::string&, const uint8_t*, int, int, size_t, std::string& problem) {
    problem = "this reelmaker was built without libpng";
    return false;
}

#endif
