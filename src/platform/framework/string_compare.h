// String comparisons of the framework's string class, on UTF-8 strings.
//
// Characters compare by their UTF-16 code units (the framework string's unit), which for valid
// UTF-8 is code point order except that characters above U+FFFF sort before U+E000..U+FFFF.
#pragma once

#include <string_view>

namespace fw {

enum class Comparison : int { Ascending = -1, Same = 0, Descending = 1 };

/// Exact, case-sensitive comparison of the characters (the platform's literal search).
Comparison literalCompare(std::string_view a, std::string_view b);

/// True when the first utf16Length(prefix) UTF-16 code units of `text` equal those of `prefix`
/// (a literal comparison over that range). A text shorter than the prefix does not match; an empty
/// prefix matches every text.
bool hasLiteralPrefix(std::string_view text, std::string_view prefix);

/// The platform's numeric search comparison. Both strings are read as a sequence of tokens: a
/// maximal run of decimal digits (any Unicode decimal digits, see isDecimalDigit) is one token
/// whose value is its number, any other character is one token of its own. Tokens compare:
///   - run with run: by numeric value, of any length ("007" equals "7", "10" is above "9");
///   - character with character: by UTF-16 code units, case-sensitively ('B' < 'a');
///   - run with character: the run as if it were the character '0' (U+0030), so a run sorts
///     after '-' and '.' and before 'A', '_' and 'a', as its first ASCII digit would.
/// The first differing token decides; a string that ends first (all else equal) is Ascending.
/// Same means equal token by token: "frame01" and "frame1" compare Same.
/// Examples: f9 < f10, shot_0002 < shot_10, a-1 < a1, A1 < a1, frame٩ < frame١٠ (Arabic-Indic).
Comparison compareNumeric(std::string_view a, std::string_view b);

/// The order of a sequence's frame names: compareNumeric, and where that gives Same, a plain
/// byte comparison (shorter first when one is a prefix of the other), so that the order is total
/// and the same on every run: "frame01" < "frame1" ('0' < '1'), "f007" < "f07" < "f7".
/// Same only for identical strings.
Comparison numericCompare(std::string_view a, std::string_view b);

/// numericCompare as a strict weak ordering for std::sort.
inline bool numericLess(std::string_view a, std::string_view b) {
    return numericCompare(a, b) == Comparison::Ascending;
}

} // namespace fw
