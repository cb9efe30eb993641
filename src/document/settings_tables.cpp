#include "document/settings_tables.h"

#include <cctype>

namespace settings {
namespace {

struct FrameRateRow {
    std::string_view name;
    FrameRateSettings settings;
};

// The 16.16 rates are written out as the movie and the output device receive them; each equals
// FixRatio(time scale, duration).
constexpr std::array<FrameRateRow, kFrameRateTagCount> kFrameRates{{
    {"23.976", {2997, 125, 0x0017F9DB, false}},
    {"24", {3000, 125, 0x00180000, false}},
    {"25", {2500, 100, 0x00190000, false}},
    {"29.97df", {2997, 100, 0x001DF851, true}},
    {"29.97", {2997, 100, 0x001DF851, false}},
    {"30", {3000, 100, 0x001E0000, false}},
    {"50", {5000, 100, 0x00320000, false}},
    {"59.94", {5994, 100, 0x003BF0A3, false}},
    {"60", {6000, 100, 0x003C0000, false}},
}};

static_assert(kFrameRates[kDropFrameTag].settings.tcDropFrame);
static_assert(kFrameRates[0].settings.frameRate == FixRatio(2997, 125));
static_assert(kFrameRates[7].settings.frameRate == FixRatio(5994, 100));

const FrameRateRow& rowForTag(int32_t tag) {
    return kFrameRates[(tag >= 0 && tag < kFrameRateTagCount) ? tag : 0];
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

} // namespace

FrameRateSettings frameRateSettingsForTag(int32_t tag) {
    return rowForTag(tag).settings;
}

OSType codecTypeForTag(int32_t tag) {
    return tag == kCodecR10gTag ? kCodecR10g : kCodecR10k;
}

std::string_view frameRateName(int32_t tag) {
    return rowForTag(tag).name;
}

std::string_view codecName(int32_t tag) {
    return tag == kCodecR10gTag ? "R10g" : "R10k";
}

std::optional<int32_t> parseFrameRate(std::string_view text) {
    if (text.size() == 1 && text[0] >= '0' && text[0] < '0' + kFrameRateTagCount)
        return text[0] - '0';
    for (int32_t tag = 0; tag < kFrameRateTagCount; ++tag) {
        if (equalsIgnoringCase(text, kFrameRates[tag].name))
            return tag;
    }
    // The name the output device gives its 23.976 modes.
    if (text == "23.98")
        return 0;
    return std::nullopt;
}

std::optional<int32_t> parseCodec(std::string_view text) {
    for (int32_t tag = 0; tag < kCodecTagCount; ++tag) {
        if (equalsIgnoringCase(text, codecName(tag)))
            return tag;
    }
    return std::nullopt;
}

} // namespace settings
