#include "platform/framework/unicode_text.h"

#include <gtest/gtest.h>

using namespace fw;

TEST(UnicodeText, DecimalDigitsAreUnicodeNd) {
    for (char32_t c = U'0'; c <= U'9'; ++c)
        EXPECT_EQ(decimalDigitValue(c), int(c - U'0'));
    EXPECT_EQ(decimalDigitValue(U'\u0660'), 0);   // Arabic-Indic zero
    EXPECT_EQ(decimalDigitValue(U'\u0669'), 9);
    EXPECT_EQ(decimalDigitValue(U'\u06F4'), 4);   // extended Arabic-Indic
    EXPECT_EQ(decimalDigitValue(U'\u096F'), 9);   // Devanagari
    EXPECT_EQ(decimalDigitValue(U'\uFF10'), 0);   // fullwidth
    EXPECT_EQ(decimalDigitValue(U'\uFF19'), 9);
    EXPECT_EQ(decimalDigitValue(U'\U0001D7CE'), 0);  // mathematical bold zero
    EXPECT_EQ(decimalDigitValue(U'\U0001D7FF'), 9);  // last of the five mathematical sets
    EXPECT_EQ(decimalDigitValue(U'\U0001FBF9'), 9);  // segmented digits
    // Neighbours and number-like characters that are not decimal digits.
    EXPECT_FALSE(isDecimalDigit(U'/'));
    EXPECT_FALSE(isDecimalDigit(U':'));
    EXPECT_FALSE(isDecimalDigit(U'\u065F'));
    EXPECT_FALSE(isDecimalDigit(U'\u066A'));
    EXPECT_FALSE(isDecimalDigit(U'\u00B2'));  // superscript two (No)
    EXPECT_FALSE(isDecimalDigit(U'\u2160'));  // Roman numeral one (Nl)
    EXPECT_FALSE(isDecimalDigit(U'\uFF1A'));
    EXPECT_FALSE(isDecimalDigit(U'\U0001D800'));
    EXPECT_FALSE(isDecimalDigit(0xDC30));  // escape of an invalid byte
}

TEST(UnicodeText, TrailingDigitsRemoved) {
    EXPECT_EQ(deletingTrailingDecimalDigits("shot_0001"), "shot_");
    EXPECT_EQ(deletingTrailingDecimalDigits("A001C003_0001"), "A001C003_");
    EXPECT_EQ(deletingTrailingDecimalDigits("shot.0001"), "shot.");
    EXPECT_EQ(deletingTrailingDecimalDigits("0001"), "");
    EXPECT_EQ(deletingTrailingDecimalDigits("frame"), "frame");
    EXPECT_EQ(deletingTrailingDecimalDigits(""), "");
    EXPECT_EQ(deletingTrailingDecimalDigits("take\u0663\uFF17"), "take");
    EXPECT_EQ(deletingTrailingDecimalDigits("\u00E9preuve\U0001D7D9"), "\u00E9preuve");
}

TEST(UnicodeText, Utf16Lengths) {
    EXPECT_EQ(utf16Length(""), 0u);
    EXPECT_EQ(utf16Length("shot_"), 5u);
    EXPECT_EQ(utf16Length("\u00E9t\u00E9_"), 4u);           // 6 bytes
    EXPECT_EQ(utf16Length("\U0001D7D8" "1"), 3u);             // surrogate pair + 1
    EXPECT_EQ(utf16Length("a\xFF\xC3"), 3u);                  // invalid bytes count one unit each
    const std::string s = "a\u00E9\U0001F600b";               // bytes 1 + 2 + 4 + 1
    EXPECT_EQ(utf8OffsetForUtf16Offset(s, 0), 0u);
    EXPECT_EQ(utf8OffsetForUtf16Offset(s, 2), 3u);
    EXPECT_EQ(utf8OffsetForUtf16Offset(s, 3), std::string::npos);  // inside the pair
    EXPECT_EQ(utf8OffsetForUtf16Offset(s, 4), 7u);
    EXPECT_EQ(utf8OffsetForUtf16Offset(s, 5), 8u);
    EXPECT_EQ(utf8OffsetForUtf16Offset(s, 6), std::string::npos);  // past the end
    EXPECT_EQ(utf16OffsetForUtf8Offset(s, 3), 2u);
    EXPECT_EQ(utf16OffsetForUtf8Offset(s, 7), 4u);
    EXPECT_EQ(utf16OffsetForUtf8Offset(s, 99), 5u);
}

TEST(UnicodeText, InvalidUtf8ReadsByteByByteAndRoundTrips) {
    const std::string bad = "x\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80\xE2\x82";  // overlong, surrogate, >10FFFF, cut
    std::string rebuilt;
    size_t chars = 0;
    for (size_t i = 0; i < bad.size();) {
        const Utf8Char c = decodeUtf8At(bad, i);
        ASSERT_GT(c.byteLength, 0u);
        appendUtf8(rebuilt, c.codePoint);
        i += c.byteLength;
        ++chars;
    }
    EXPECT_EQ(chars, bad.size());  // every byte after 'x' was invalid on its own
    EXPECT_EQ(rebuilt, bad);
    EXPECT_EQ(previousUtf8CharStart("a\u20AC", 4), 1u);
    EXPECT_EQ(previousUtf8CharStart("a\u20AC\x82", 5), 4u);
}
