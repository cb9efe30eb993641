#include "document/frame_number.h"

#include "platform/framework/unicode_text.h"

std::optional<uint64_t> frameNumberOfDigits(std::string_view digits) {
    if (digits.empty())
        return std::nullopt;
    uint64_t number = 0;
    for (size_t at = 0; at < digits.size();) {
        const fw::Utf8Char c = fw::decodeUtf8At(digits, at);
        at += c.byteLength;
        if (!fw::isDecimalDigit(c.codePoint))
            return std::nullopt;
        const uint64_t digit = uint64_t(fw::decimalDigitValue(c.codePoint));
        if (number > (UINT64_MAX - digit) / 10)
            return std::nullopt;
        number = number * 10 + digit;
    }
    return number;
}
