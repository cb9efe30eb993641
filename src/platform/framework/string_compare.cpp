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
        const unsigned char byte = static_cast<unsigned char>(text[offset]);
        int value;
        size_t length = 1;
        if (byte < 0x80) { // ASCII needs no decoding
            value = byte >= '0' && byte <= '9' ? byte - '0' : -1;
        } else {
            const Utf8Char c = decodeUtf8At(text, offset);
            value = decimalDigitValue(c.codePoint);
            length = c.byteLength;
        }
        if (value < 0)
            break;
        if (!(digits.empty() && value == 0))
            digits += char('0' + value);
        offset += length;
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

/// Where two strings can start being compared token by token without changing the result: the
/// end of their common bytes, moved back to just after its last ASCII non-digit. That byte is a
/// whole character in both strings and ends any token before it, so everything in front of it is
/// the same tokens in both. The names of one sequence share long prefixes: this skips them
/// without decoding.
size_t sameTokensPrefix(std::string_view a, std::string_view b) {
    size_t common = 0;
    const size_t shorter = a.size() < b.size() ? a.size() : b.size();
    while (common < shorter && a[common] == b[common])
        ++common;
    while (common > 0) {
        const unsigned char c = static_cast<unsigned char>(a[common - 1]);
        if (c < 0x80 && !(c >= '0' && c <= '9'))
            break;
        --common;
    }
    return common;
}

Comparison compareNumeric(std::string_view a, std::string_view b) {
    size_t i = sameTokensPrefix(a, b), j = i;
    while (i < a.size() && j < b.size()) {
        const unsigned char byteA = static_cast<unsigned char>(a[i]);
        const unsigned char byteB = static_cast<unsigned char>(b[j]);
        if (byteA < 0x80 && byteB < 0x80) {
            // Two ASCII characters: their code units are their bytes.
            const bool digitA = byteA >= '0' && byteA <= '9';
            const bool digitB = byteB >= '0' && byteB <= '9';
            if (!(digitA && digitB)) {
                const int keyA = digitA ? '0' : byteA;
                const int keyB = digitB ? '0' : byteB;
                if (keyA != keyB)
                    return sign(keyA - keyB);
                ++i;
                ++j;
                continue;
            }
        }
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
