#include "platform/framework/unicode_text.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace fw {

namespace {

constexpr char32_t kEscapeBase = 0xDC00;  // invalid byte b reads as U+DC00 + b (b >= 0x80)

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

/// First code point of each run of Unicode decimal digits (category Nd, Unicode 15.0) and the run's
/// length. Every run starts with its digit zero, so a digit's value is (cp - first) % 10.
struct DigitRun {
    char32_t first;
    uint8_t length;
};

constexpr std::array<DigitRun, 64> kDigitRuns{{
    {0x0030, 10},  {0x0660, 10},  {0x06F0, 10},  {0x07C0, 10},  {0x0966, 10},  {0x09E6, 10},
    {0x0A66, 10},  {0x0AE6, 10},  {0x0B66, 10},  {0x0BE6, 10},  {0x0C66, 10},  {0x0CE6, 10},
    {0x0D66, 10},  {0x0DE6, 10},  {0x0E50, 10},  {0x0ED0, 10},  {0x0F20, 10},  {0x1040, 10},
    {0x1090, 10},  {0x17E0, 10},  {0x1810, 10},  {0x1946, 10},  {0x19D0, 10},  {0x1A80, 10},
    {0x1A90, 10},  {0x1B50, 10},  {0x1BB0, 10},  {0x1C40, 10},  {0x1C50, 10},  {0xA620, 10},
    {0xA8D0, 10},  {0xA900, 10},  {0xA9D0, 10},  {0xA9F0, 10},  {0xAA50, 10},  {0xABF0, 10},
    {0xFF10, 10},  {0x104A0, 10}, {0x10D30, 10}, {0x11066, 10}, {0x110F0, 10}, {0x11136, 10},
    {0x111D0, 10}, {0x112F0, 10}, {0x11450, 10}, {0x114D0, 10}, {0x11650, 10}, {0x116C0, 10},
    {0x11730, 10}, {0x118E0, 10}, {0x11950, 10}, {0x11C50, 10}, {0x11D50, 10}, {0x11DA0, 10},
    {0x11F50, 10}, {0x16A60, 10}, {0x16AC0, 10}, {0x16B50, 10}, {0x1D7CE, 50}, {0x1E140, 10},
    {0x1E2F0, 10}, {0x1E4F0, 10}, {0x1E950, 10}, {0x1FBF0, 10},
}};

} // namespace

Utf8Char decodeUtf8At(std::string_view text, size_t offset) {
    if (offset >= text.size())
        return {};
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[offset + i]); };
    const unsigned char lead = byte(0);
    const Utf8Char invalid{kEscapeBase + lead, 1};
    if (lead < 0x80)
        return {lead, 1};

    size_t length;
    char32_t cp;
    char32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, cp = lead & 0x07, minimum = 0x10000;
    } else {
        return invalid;  // continuation byte, overlong lead C0/C1, or F5..FF
    }
    if (offset + length > text.size())
        return invalid;
    for (size_t i = 1; i < length; ++i) {
        if (!isContinuation(byte(i)))
            return invalid;
        cp = (cp << 6) | (byte(i) & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return invalid;
    return {cp, length};
}

size_t previousUtf8CharStart(std::string_view text, size_t offset) {
    offset = std::min(offset, text.size());
    if (offset == 0)
        return 0;
    // A character is at most 4 bytes; take the candidate start whose decoding ends exactly here.
    for (size_t back = std::min<size_t>(4, offset); back > 1; --back) {
        const size_t start = offset - back;
        if (decodeUtf8At(text, start).byteLength == back)
            return start;
    }
    return offset - 1;
}

size_t utf16Length(std::string_view utf8) {
    size_t units = 0;
    for (size_t i = 0; i < utf8.size();) {
        const Utf8Char c = decodeUtf8At(utf8, i);
        units += utf16UnitCount(c.codePoint);
        i += c.byteLength;
    }
    return units;
}

size_t utf8OffsetForUtf16Offset(std::string_view utf8, size_t units) {
    size_t counted = 0;
    size_t i = 0;
    while (counted < units) {
        if (i >= utf8.size())
            return std::string_view::npos;
        const Utf8Char c = decodeUtf8At(utf8, i);
        counted += utf16UnitCount(c.codePoint);
        i += c.byteLength;
    }
    return counted == units ? i : std::string_view::npos;
}

size_t utf16OffsetForUtf8Offset(std::string_view utf8, size_t byteOffset) {
    byteOffset = std::min(byteOffset, utf8.size());
    size_t units = 0;
    for (size_t i = 0; i < byteOffset;) {
        const Utf8Char c = decodeUtf8At(utf8, i);
        units += utf16UnitCount(c.codePoint);
        i += c.byteLength;
    }
    return units;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp >= kEscapeBase + 0x80 && cp <= kEscapeBase + 0xFF) {
        out += static_cast<char>(cp - kEscapeBase);
    } else if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

int decimalDigitValue(char32_t cp) {
    if (cp >= U'0' && cp <= U'9')
        return static_cast<int>(cp - U'0');
    // The last run whose first code point is <= cp.
    auto after = std::upper_bound(kDigitRuns.begin(), kDigitRuns.end(), cp,
                                  [](char32_t value, const DigitRun& run) { return value < run.first; });
    if (after == kDigitRuns.begin())
        return -1;
    const DigitRun& run = *(after - 1);
    if (cp - run.first >= run.length)
        return -1;
    return static_cast<int>((cp - run.first) % 10);
}

bool isDecimalDigit(char32_t cp) { return decimalDigitValue(cp) >= 0; }

std::string deletingTrailingDecimalDigits(std::string_view utf8) {
    size_t end = utf8.size();
    while (end > 0) {
        const size_t start = previousUtf8CharStart(utf8, end);
        if (!isDecimalDigit(decodeUtf8At(utf8, start).codePoint))
            break;
        end = start;
    }
    return std::string(utf8.substr(0, end));
}

} // namespace fw
