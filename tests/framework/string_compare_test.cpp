#include "platform/framework/string_compare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace fw;

namespace {

std::vector<std::string> sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end(), numericLess);
    return names;
}

} // namespace

TEST(NumericCompare, DigitRunsCompareByValue) {
    EXPECT_EQ(compareNumeric("f9", "f10"), Comparison::Ascending);
    EXPECT_EQ(compareNumeric("f10", "f9"), Comparison::Descending);
    EXPECT_EQ(compareNumeric("shot_0002.dpx", "shot_10.dpx"), Comparison::Ascending);
    EXPECT_EQ(compareNumeric("shot_0999.dpx", "shot_1000.dpx"), Comparison::Ascending);
    // Runs far beyond 64 bits still compare by value.
    EXPECT_EQ(compareNumeric("x123456789012345678901234567890", "x123456789012345678901234567891"),
              Comparison::Ascending);
    EXPECT_EQ(compareNumeric("x0000000000000000000000000000001", "x2"), Comparison::Ascending);
    // Several runs: the first differing one decides.
    EXPECT_EQ(compareNumeric("A001C003_0010", "A001C003_0009"), Comparison::Descending);
    EXPECT_EQ(compareNumeric("A002C001_0001", "A001C003_0009"), Comparison::Descending);
}

TEST(NumericCompare, LeadingZerosTieAndBytesBreakTheTie) {
    EXPECT_EQ(compareNumeric("frame01", "frame1"), Comparison::Same);
    EXPECT_EQ(compareNumeric("frame01.dpx", "frame1.dpx"), Comparison::Same);
    EXPECT_EQ(compareNumeric("0", "000"), Comparison::Same);
    EXPECT_EQ(numericCompare("frame01", "frame1"), Comparison::Ascending);
    EXPECT_EQ(numericCompare("frame1", "frame01"), Comparison::Descending);
    EXPECT_EQ(numericCompare("frame1", "frame1"), Comparison::Same);
    // A later difference still wins over the padding.
    EXPECT_EQ(numericCompare("frame01b", "frame1a"), Comparison::Descending);
    EXPECT_EQ(sorted({"f7", "f07", "f007", "f6", "f8"}), (std::vector<std::string>{"f6", "f007", "f07", "f7", "f8"}));
}

TEST(NumericCompare, OtherCharactersByCodeCaseSensitive) {
    EXPECT_EQ(compareNumeric("Shot_1", "shot_1"), Comparison::Ascending);  // 'S' < 's'
    EXPECT_EQ(compareNumeric("shot_", "shot_1"), Comparison::Ascending);   // shorter first
    EXPECT_EQ(compareNumeric("a-1", "a1"), Comparison::Ascending);         // '-' < digits
    EXPECT_EQ(compareNumeric("a_1", "a1"), Comparison::Descending);        // '_' > digits
    EXPECT_EQ(compareNumeric("a.dpx", "a1.dpx"), Comparison::Ascending);
    EXPECT_EQ(compareNumeric("\xC3\xA9", "z"), Comparison::Descending);     // é above ASCII
    // UTF-16 unit order: U+1F600 (surrogates D83D DE00) sorts before U+FF21 (fullwidth A).
    EXPECT_EQ(compareNumeric("\xF0\x9F\x98\x80", "\xEF\xBC\xA1"), Comparison::Ascending);
}

TEST(NumericCompare, NonAsciiDecimalDigits) {
    // Arabic-Indic ٩ (9) before ١٠ (10); fullwidth ９ before １０; mixed scripts by value.
    EXPECT_EQ(compareNumeric("frame\u0669", "frame\u0661\u0660"), Comparison::Ascending);
    EXPECT_EQ(compareNumeric("frame\uFF19", "frame\uFF11\uFF10"), Comparison::Ascending);
    EXPECT_EQ(compareNumeric("frame\u0665", "frame5"), Comparison::Same);
    EXPECT_EQ(compareNumeric("f\U0001D7D7", "f8"), Comparison::Descending);  // mathematical double-struck 9
    // A run sorts against a letter as '0' does, whatever its script: the order stays total.
    EXPECT_EQ(compareNumeric("a\u0665", "aa"), Comparison::Ascending);
    EXPECT_EQ(compareNumeric("a\u0665", "a-"), Comparison::Descending);
}

TEST(NumericCompare, SortGivesOneOrderWhateverTheInputOrder) {
    std::vector<std::string> names = {"f10", "f100", "f2", "f1", "f010", "f9", "f01", "f10", "f1"};
    std::sort(names.begin(), names.end(), numericLess);
    std::vector<std::string> again = {"f1", "f9", "f010", "f01", "f100", "f10", "f2", "f1", "f10"};
    std::sort(again.begin(), again.end(), numericLess);
    EXPECT_EQ(names, again);
    EXPECT_EQ(names, (std::vector<std::string>{"f01", "f1", "f1", "f2", "f9", "f010", "f10", "f10", "f100"}));
}

TEST(LiteralCompare, PrefixInUtf16Units) {
    EXPECT_TRUE(hasLiteralPrefix("shot_0001.dpx", "shot_"));
    EXPECT_FALSE(hasLiteralPrefix("Shot_0003.dpx", "shot_"));
    EXPECT_FALSE(hasLiteralPrefix("sho", "shot_"));
    EXPECT_TRUE(hasLiteralPrefix("anything", ""));
    EXPECT_TRUE(hasLiteralPrefix("\xC3\xA9t\xC3\xA9_01.dpx", "\xC3\xA9t\xC3\xA9_"));
    EXPECT_FALSE(hasLiteralPrefix("e\xCC\x81t\xC3\xA9_01.dpx", "\xC3\xA9t\xC3\xA9_"));  // decomposed é differs
    EXPECT_EQ(literalCompare("abc", "abd"), Comparison::Ascending);
    EXPECT_EQ(literalCompare("abc", "ab"), Comparison::Descending);
    EXPECT_EQ(literalCompare("abc", "abc"), Comparison::Same);
}
