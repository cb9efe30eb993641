#include "videoout/display_mode_choice.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr Fixed kRate59_94 = 0x003BF0A3;
constexpr Fixed kBelow59 = 0x003AFFFF;

struct SizeSubstitution {
    uint32_t width, height, usedWidth, usedHeight;
};

// Applied one after another: each row sees the size left by the rows before it.
constexpr SizeSubstitution kSizeSubstitutions[] = {
    {320, 240, 720, 486},  {640, 480, 720, 486},     {720, 480, 720, 486},
    {960, 720, 1280, 720}, {1280, 1080, 1920, 1080}, {1440, 1080, 1920, 1080},
};

bool isDV(OSType format) {
    return format == FourCC("dvcp") || format == FourCC("dvpp") || format == FourCC("dv5p");
}

} // namespace

OSType DisplayModePixelFormatClass(OSType format) {
    if (format == FourCC("v210") || format == FourCC("R10k") || format == FourCC("R10g"))
        return FourCC("v210");
    if (format == FourCC("raw ") || format == FourCC("rle "))
        return FourCC("raw ");
    return FourCC("2vuy");
}

int32_t ChooseBestDisplayMode(std::span<const DisplayModeRecord> modes, OSType format, uint32_t width,
                              uint32_t height, Fixed fps) {
    const OSType pixelClass = DisplayModePixelFormatClass(format);
    for (const SizeSubstitution& s : kSizeSubstitutions) {
        if (width == s.width && height == s.height) {
            width = s.usedWidth;
            height = s.usedHeight;
        }
    }
    if (width == 1280 && height == 720 && fps > 0 && fps <= kBelow59)
        fps = kRate59_94;
    int wanted = width == 720 && height == 576 && isDV(format) ? 2 : 1;

    int32_t result = 1;
    for (size_t i = 0; i < modes.size(); ++i) {
        const DisplayModeRecord& mode = modes[i];
        bool fits = uint32_t(mode.width) == width && uint32_t(mode.height) == height &&
                    (fps == 0 || mode.refreshRate == fps) &&
                    std::find(std::begin(mode.decompressorTypes), std::end(mode.decompressorTypes),
                              pixelClass) != std::end(mode.decompressorTypes);
        if (fits) {
            result = int32_t(i + 1);
            if (--wanted == 0)
                break;
        }
    }
    return result;
}
