// Text helpers: cut-offs at the text's ends, splitting without empty fields,
// digit grouping and the unit rule of byte counts.
#include "util/textutils.h"

#include <gtest/gtest.h>

using namespace lumisk;

namespace {

template <typename T> std::string CaseName(const testing::TestParamInfo<T>& info) {
    return info.param.name;
}

struct CutCase {
    const char* name;
    std::string text;
    int n;
    std::string left;
    std::string right;
};

class EndCuts : public testing::TestWithParam<CutCase> {};

TEST_P(EndCuts, TakeAtMostNFromEachEnd) {
    const auto& c = GetParam();
    EXPECT_EQ(LeftChars(c.text, c.n), c.left);
    EXPECT_EQ(RightChars(c.text, c.n), c.right);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EndCuts,
    testing::Values(CutCase{"extension_of_frame_name", "FRA00012.BMP", 3, "FRA", "BMP"},
                    CutCase{"longer_than_text_gives_whole", "ab", 5, "ab", "ab"},
                    CutCase{"exact_length_gives_whole", "abc", 3, "abc", "abc"},
                    CutCase{"zero_gives_empty", "abc", 0, "", ""},
                    CutCase{"negative_gives_empty", "abc", -2, "", ""},
                    CutCase{"empty_text", "", 4, "", ""},
                    CutCase{"bytes_not_characters", "\xC3\xA9x", 1, "\xC3", "x"}),
    CaseName<CutCase>);

struct SplitCase {
    const char* name;
    std::string text;
    char separator;
    std::vector<std::string> fields;
};

class Splitting : public testing::TestWithParam<SplitCase> {};

TEST_P(Splitting, AppendsOnlyNonEmptyFields) {
    const auto& c = GetParam();
    std::vector<std::string> kept{"old"};
    SplitOnChar(c.text, c.separator, kept, false);
    std::vector<std::string> expected{"old"};
    expected.insert(expected.end(), c.fields.begin(), c.fields.end());
    EXPECT_EQ(kept, expected);

    std::vector<std::string> cleared{"old"};
    SplitOnChar(c.text, c.separator, cleared, true);
    EXPECT_EQ(cleared, c.fields);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Splitting,
    testing::Values(SplitCase{"blanks_around_and_between", "   Tue,  07 ", ' ', {"Tue,", "07"}},
                    SplitCase{"single_separators", "a:b:c", ':', {"a", "b", "c"}},
                    SplitCase{"no_separator", "word", ' ', {"word"}},
                    SplitCase{"only_separators", "   ", ' ', {}},
                    SplitCase{"empty_text", "", ' ', {}},
                    SplitCase{"single_character_fields", "x y", ' ', {"x", "y"}}),
    CaseName<SplitCase>);

TEST(StripChars, DropsEveryCharacterOfTheSet) {
    EXPECT_EQ(StripChars("a&b c&&d", "& "), "abcd");
    EXPECT_EQ(StripChars("abc", ""), "abc");
    EXPECT_EQ(StripChars("", "abc"), "");
    EXPECT_EQ(StripChars("aaa", "a"), "");
}

struct GroupCase {
    const char* name;
    std::int64_t n;
    std::string text;
};

class Grouping : public testing::TestWithParam<GroupCase> {};

TEST_P(Grouping, CommaBeforeEveryThreeDigits) {
    EXPECT_EQ(GroupThousands(GetParam().n), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Grouping,
    testing::Values(GroupCase{"zero", 0, "0"}, GroupCase{"three_digits", 999, "999"},
                    GroupCase{"four_digits", 1000, "1,000"},
                    GroupCase{"seven_digits", 1234567, "1,234,567"},
                    GroupCase{"six_digits_no_leading_comma", 123456, "123,456"},
                    GroupCase{"beyond_32_bits", 12345678901LL, "12,345,678,901"},
                    GroupCase{"negative_sign_stays_in_front", -123456, "-123,456"},
                    GroupCase{"negative_three_digits", -123, "-123"},
                    GroupCase{"most_negative", INT64_MIN, "-9,223,372,036,854,775,808"}),
    CaseName<GroupCase>);

struct SizeCase {
    const char* name;
    std::int64_t n;
    std::string text;
};

class SizeText : public testing::TestWithParam<SizeCase> {};

TEST_P(SizeText, UnitByDigitCountDivisorByPowersOf1024) {
    EXPECT_EQ(ByteSizeText(GetParam().n, "."), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SizeText,
    testing::Values(
        SizeCase{"zero", 0, "0 Bytes"}, SizeCase{"one_is_still_bytes", 1, "1 Bytes"},
        SizeCase{"minus_one", -1, "-1 Bytes"}, SizeCase{"three_digits", 999, "999 Bytes"},
        SizeCase{"four_digits_below_1024", 1000, "0.977 KB"},
        SizeCase{"exactly_1024", 1024, "1 KB"}, SizeCase{"trailing_zero_dropped", 1536, "1.5 KB"},
        SizeCase{"six_digits", 999999, "977 KB"},
        SizeCase{"exact_half_rounds_up", 1152, "1.13 KB"},
        SizeCase{"exact_half_of_tens_rounds_up", 10496, "10.3 KB"},
        SizeCase{"exact_half_of_hundreds_rounds_up", 102912, "101 KB"},
        SizeCase{"seven_digits_below_mebibyte", 1000000, "0.954 MB"},
        SizeCase{"exactly_mebibyte", 1048576, "1 MB"}, SizeCase{"gibibyte", 1073741824LL, "1 GB"},
        SizeCase{"tebibyte", 1099511627776LL, "1 TB"},
        SizeCase{"fourteen_digits", 99999999999999LL, "90.9 TB"},
        SizeCase{"fifteen_digits_empty", 100000000000000LL, ""},
        SizeCase{"minus_sign_counts_as_digit", -100, "-0.0977 KB"},
        SizeCase{"negative_kilobytes", -99999, "-97.7 KB"},
        SizeCase{"most_negative_empty", INT64_MIN, ""}),
    CaseName<SizeCase>);

TEST(SizeText, UsesTheGivenDecimalSeparator) {
    EXPECT_EQ(ByteSizeText(1536, ","), "1,5 KB");
    EXPECT_EQ(ByteSizeText(1024, ","), "1 KB");
    EXPECT_EQ(ByteSizeText(999, ","), "999 Bytes");
}

TEST(SizeText, LocaleOverloadAgreesApartFromTheSeparator) {
    const std::string text = ByteSizeText(1536);
    ASSERT_GE(text.size(), 5u);
    EXPECT_EQ(text.substr(0, 1), "1");
    EXPECT_EQ(text.substr(text.size() - 4), "5 KB");
    EXPECT_EQ(ByteSizeText(2048), "2 KB");
}

} // namespace
