#include "document/description_text.h"

#include <algorithm>
#include <cstdio>
#include <vector>

float rangeMegabytes(int32_t width, int32_t height, int32_t frames) {
    const int64_t pixels = int64_t(width) * height; // large frames reach 16384 x 16384
    return float(double(pixels) * 4.0 * double(float(frames)) * 9.5367431640625e-07);
}

std::string descriptionText(const std::optional<std::string>& storedFileName, int32_t width, int32_t height,
                            int32_t inFrame, int32_t outFrame) {
    const int32_t frames = outFrame - inFrame;
    // A missing name shows as the platform shows a nil object in a format.
    const std::string name = storedFileName.value_or("(null)");
    const char* format = "%s\n%dx%d\n%d frame%s: %d-%d,  ~%3.1f MBytes";
    const double megabytes = rangeMegabytes(width, height, frames);
    const char* plural = frames > 1 ? "s" : "";
    // Room for the name and the five numbers at their longest (the float below 1e17).
    std::vector<char> text(name.size() + 160);
    const int length = std::snprintf(text.data(), text.size(), format, name.c_str(), width, height, frames,
                                     plural, inFrame, outFrame - 1, megabytes);
    if (length < 0)
        return {};
    return std::string(text.data(), std::min(size_t(length), text.size() - 1));
}
