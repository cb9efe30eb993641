// Characters of UTF-8 strings as the framework's strings see them.
//
// Names are UTF-8 on Linux, while the framework's strings count UTF-16 code units (a character
// outside the Basic Multilingual Plane counts 2). These helpers decode UTF-8 and convert between
// byte offsets and UTF-16 offsets. Bytes that are not valid UTF-8 decode one by one to the lone
// surrogates U+DC80..U+DCFF (one code unit each), so that every name, valid or not, has exactly one
// reading and no two different byte strings read alike.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace fw {

/// One character decoded from UTF-8: its code point and how many bytes it took.
struct Utf8Char {
    char32_t codePoint = 0;
    size_t byteLength = 0;  // 0 only at the end of the text
};

/// Decodes the character starting at byte `offset` (offset < text.size(); at the end: {0, 0}).
/// An invalid byte yields U+DC00 + byte with length 1.
Utf8Char decodeUtf8At(std::string_view text, size_t offset);

/// Byte offset where the character that ends at `offset` starts (0 stays 0).
size_t previousUtf8CharStart(std::string_view text, size_t offset);

/// UTF-16 code units of one code point: 2 above U+FFFF, else 1.
constexpr size_t utf16UnitCount(char32_t codePoint) { return codePoint > 0xFFFF ? 2 : 1; }

/// Length in UTF-16 code units: "shot_" is 5, "Ωmega" is 5, "𝟘1" (U+1D7D8, '1') is 3.
size_t utf16Length(std::string_view utf8);

/// Byte offset at which the first `units` UTF-16 code units of `utf8` end. std::string_view::npos
/// when the text is shorter than that, or when the offset falls between the two halves of a
/// surrogate pair.
size_t utf8OffsetForUtf16Offset(std::string_view utf8, size_t units);

/// UTF-16 code units of the characters that start before byte `byteOffset` (clamped to the text).
size_t utf16OffsetForUtf8Offset(std::string_view utf8, size_t byteOffset);

/// Appends the UTF-8 form of a code point (the escapes U+DC80..U+DCFF give back their byte).
void appendUtf8(std::string& out, char32_t codePoint);

/// Member of the platform's decimalDigitCharacterSet: Unicode general category Nd (Unicode 15.0):
/// ASCII 0-9, Arabic-Indic, Devanagari, fullwidth, mathematical digits, ...
bool isDecimalDigit(char32_t codePoint);

/// Value 0-9 of a decimal digit, or -1 for any other character.
int decimalDigitValue(char32_t codePoint);

/// The text less every decimal digit at its end: "A001C003_0001" gives "A001C003_", "0001" gives "",
/// "shot" stays "shot"; "take٣" (Arabic-Indic three) gives "take".
std::string deletingTrailingDecimalDigits(std::string_view utf8);

} // namespace fw
