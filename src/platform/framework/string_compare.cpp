#include "platform/framework/string_compare.h"

#include "platform/framework/unicode_text.h"

#include <cstdint>
#include <string>

namespace fw {

namespace {

Comparison sign(int64_t difference) {
    return difference < 0 ? Comparison::Ascending
                          : (difference > 0 ? Comparison::Descending : Comparison::Same);
}

/// Sort key giving UTF-16 code unit order: the first unit in the high half, the second (if any) low.
uint32_t utf16Key(char32_t cp) {
    if (cp <= 0xFFFF)
        return uint32_t(cp) << 16;
    const uint32_t v = cp - 0x10000;
    return ((0xD800 + (v >> 10)) << 16) | (0xDC00 + (v & 0x3FF));
}

/// Reads a maximal run of decimal digits from `offset`; returns the digit values with leading zeros
/// dropped and moves `offset` past the run.
std::string readDigitRun(std::string_view text, size_t& offset) {
    std::string digits;
    while (offset < text.size()) {
        const Utf8Char c = decodeUtf8At(text, offset);
        const int value = decimalDigitValue(c.codePoint);
        if (value < 0)
            break;
        if (!(digits.empty() && value == 0))
            digits += char('0' + value);
        offset += c.byteLength;
    }
    return digits;
}

/// Compares two runs of significant digits by their value: more digits is more.
Comparison compareDigitRuns(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return sign(int64_t(a.size()) - int64_t(b.size()));
    return sign(a.compare(b));
}

} // namespace

Comparison literalCompare(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const Utf8Char ca = decodeUtf8At(a, i);
        const Utf8Char cb = decodeUtf8At(b, j);
        if (ca.codePoint != cb.codePoint)
            return sign(int64_t(utf16Key(ca.codePoint)) - int64_t(utf16Key(cb.codePoint)));
        i += ca.byteLength;
        j += cb.byteLength;
    }
    return sign(int64_t(i < a.size()) - int64_t(j < b.size()));
}

bool hasLiteralPrefix(std::string_view text, std::string_view prefix) {
    size_t i = 0, j = 0;
    while (j < prefix.size()) {
        if (i >= text.size())
            return false;
        const Utf8Char ct = decodeUtf8At(text, i);
        const Utf8Char cp = decodeUtf8At(prefix, j);
        // The prefix holds whole characters, so equal units over its range means equal characters.
        if (ct.codePoint != cp.codePoint)
            return false;
        i += ct.byteLength;
        j += cp.byteLength;
    }
    return true;
}

Comparison compareNumeric(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const Utf8Char ca = decodeUtf8At(a, i);
        const Utf8Char cb = decodeUtf8At(b, j);
        const bool digitA = isDecimalDigit(ca.codePoint);
        const bool digitB = isDecimalDigit(cb.codePoint);
        if (digitA && digitB) {
            const std::string runA = readDigitRun(a, i);
            const std::string runB = readDigitRun(b, j);
            const Comparison c = compareDigitRuns(runA, runB);
            if (c != Comparison::Same)
                return c;
            continue;
        }
        const char32_t keyA = digitA ? U'0' : ca.codePoint;
        const char32_t keyB = digitB ? U'0' : cb.codePoint;
        if (keyA != keyB)
            return sign(int64_t(utf16Key(keyA)) - int64_t(utf16Key(keyB)));
        i += ca.byteLength;
        j += cb.byteLength;
    }
    return sign(int64_t(i < a.size()) - int64_t(j < b.size()));
}

Comparison numericCompare(std::string_view a, std::string_view b) {
    const Comparison c = compareNumeric(a, b);
    return c != Comparison::Same ? c : sign(a.compare(b));
}

} // namespace fw
