#include "document/window_size.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

NSSize clampedTo(NSSize size, NSSize bounds) {
    return {std::min(size.width, bounds.width), std::min(size.height, bounds.height)};
}

} // namespace

NSSize pictureWindowContentSize(NSSize picture, NSSize controls, NSSize screen, std::optional<NSSize> userSize) {
    if (userSize)
        return clampedTo(*userSize, screen);
    if (picture.width <= 0 || picture.height <= 0)
        picture = {640, 360};
    const double scale = std::min({1.0, screen.width * kPictureShareOfScreen / picture.width,
                                   screen.height * kPictureShareOfScreen / picture.height});
    const NSSize shown{float(std::floor(picture.width * scale)), float(std::floor(picture.height * scale))};
    return clampedTo({shown.width + controls.width, shown.height + controls.height}, screen);
}

std::string windowSizeText(NSSize size) {
    return std::to_string(long(std::lround(size.width))) + "x" + std::to_string(long(std::lround(size.height)));
}

std::optional<NSSize> parseWindowSizeText(const std::string& text) {
    const size_t cross = text.find('x');
    if (cross == std::string::npos)
        return std::nullopt;
    auto number = [](const char* first, const char* last) -> std::optional<int> {
        int value = 0;
        const auto [end, error] = std::from_chars(first, last, value);
        if (error != std::errc() || end != last || value <= 0)
            return std::nullopt;
        return value;
    };
    const std::optional<int> width = number(text.data(), text.data() + cross);
    const std::optional<int> height = number(text.data() + cross + 1, text.data() + text.size());
    if (!width || !height)
        return std::nullopt;
    return NSSize{float(*width), float(*height)};
}
