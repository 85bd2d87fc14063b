// Internet dates: the distance between two date texts in both layouts, the
// failures with their messages, the regional-settings gate, and the two
// duration texts.
#include "retrieval/httpdate.h"
#include "support/scripteddialogs.h"

#include <QLocale>
#include <QStringList>
#include <ctime>
#include <gtest/gtest.h>

using namespace lumisk;

// Readable failure output for the recorded message texts.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

template <typename T> std::string CaseName(const testing::TestParamInfo<T>& info) {
    return info.param.name;
}

const TRegionalSeparators English{",", ".", "/", ":"};
const std::string Reference = "Sun, 06 Nov 1994 08:49:37 GMT";

QStringList Messages() {
    QStringList texts;
    for (const auto& t : test::Dialogs().Texts("Message"))
        texts << t;
    return texts;
}

struct DistanceCase {
    const char* name;
    std::string reference;
    std::string other;
    std::string expected;
};

class Distance : public testing::TestWithParam<DistanceCase> {
  protected:
    void SetUp() override { test::Dialogs().Reset(); }
};

TEST_P(Distance, IsTheAbsoluteDifferenceWithoutMessages) {
    const auto& c = GetParam();
    EXPECT_EQ(HttpDateDifference(c.reference, c.other, English), c.expected);
    // The reference is always in the six-field layout, so only those swap.
    if (c.other.find('-') == std::string::npos) {
        EXPECT_EQ(HttpDateDifference(c.other, c.reference, English), c.expected)
            << "the order must not matter";
    }
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join("|").toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Distance,
    testing::Values(DistanceCase{"one_hour_five_seconds_earlier", Reference,
                                 "Sun, 06 Nov 1994 07:49:32 GMT", "0 days, 01:00:05"},
                    DistanceCase{"future_date_is_positive", Reference,
                                 "Tue, 08 Nov 1994 11:49:37 GMT", "2 days, 03:00:00"},
                    DistanceCase{"lower_case_month", Reference, "Sun, 06 nov 1994 08:44:30 GMT",
                                 "0 days, 00:05:07"},
                    DistanceCase{"mixed_case_month", Reference, "Sun, 06 nOV 1994 08:44:30 GMT",
                                 "0 days, 00:05:07"},
                    DistanceCase{"weekday_and_zone_not_read", Reference,
                                 "Xyz, 05 Nov 1994 08:49:37 PST", "1 days, 00:00:00"},
                    DistanceCase{"runs_of_blanks_between_fields", Reference,
                                 "  Sat,   05  Nov 1994   07:49:37   GMT ", "1 days, 01:00:00"},
                    DistanceCase{"across_a_leap_day", "Wed, 01 Mar 2000 00:00:00 GMT",
                                 "Mon, 28 Feb 2000 00:00:00 GMT", "2 days, 00:00:00"},
                    DistanceCase{"four_fields_year_94_is_year_94", "Sun, 06 Nov 0094 08:49:37 GMT",
                                 "Sunday, 05-Nov-94 08:49:36 GMT", "1 days, 00:00:01"},
                    DistanceCase{"four_fields_lower_case_month", "Sun, 06 Nov 0094 08:49:37 GMT",
                                 "Sunday, 06-nov-94 08:49:37 GMT", "0 days, 00:00:00"},

                    DistanceCase{"9999_days_apart_counts", "Sat, 01 Jan 2000 00:00:00 GMT",
                                 "Wed, 16 Aug 1972 00:00:00 GMT", "9999 days, 00:00:00"},
                    DistanceCase{"more_than_10000_days_written_in_full",
                                 "Sat, 01 Jan 2000 00:00:00 GMT", "Thu, 01 Jan 1970 00:00:00 GMT",
                                 "10957 days, 00:00:00"},
                    DistanceCase{"day_fields_10000_apart_give_no_text",
                                 "Sat, 01 Jan 2000 00:00:00 GMT",
                                 "Sat, 10001 Jan 2000 00:00:00 GMT", ""}),
    CaseName<DistanceCase>);

struct FailureCase {
    const char* name;
    std::string reference;
    std::string other;
    std::vector<QString> messages;
};

class DecodingFailure : public testing::TestWithParam<FailureCase> {
  protected:
    void SetUp() override { test::Dialogs().Reset(); }
};

TEST_P(DecodingFailure, ShowsItsMessagesThenFails) {
    const auto& c = GetParam();
    EXPECT_EQ(HttpDateDifference(c.reference, c.other, English), std::nullopt);
    EXPECT_EQ(test::Dialogs().Texts("Message"), c.messages);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodingFailure,
    testing::Values(
        FailureCase{"five_field_layout",
                    Reference,
                    "Sun Nov  6 08:49:37 1994",
                    {"Connot decode date \"Sun Nov  6 08:49:37 1994\""}},
        FailureCase{"empty_other_text", Reference, "", {"Connot decode date \"\""}},
        FailureCase{"invalid_month_of_other",
                    Reference,
                    "Sun, 06 Nox 1994 08:49:37 GMT",
                    {"Invalid date \"Nox\""}},
        FailureCase{"invalid_month_of_four_fields",
                    Reference,
                    "Sunday, 06-Novem-94 08:49:37 GMT",
                    {"Invalid date \"Novem\""}},
        FailureCase{"invalid_month_of_reference_then_of_other",
                    "Sun, 06 Abc 1994 08:49:37 GMT",
                    "Sun, 06 Def 1994 08:49:37 GMT",
                    {"Invalid date \"Abc\"", "Invalid date \"Def\""}},
        FailureCase{"day_not_a_number", Reference, "Sun, 6th Nov 1994 08:49:37 GMT", {}},
        FailureCase{"missing_seconds", Reference, "Sun, 06 Nov 1994 08:49 GMT", {}},
        FailureCase{"bad_reference_stops_before_other",
                    "Sun, 06 Nov 1994 GMT",
                    "Sun Nov  6 08:49:37 1994",
                    {}},
        FailureCase{"day_31_of_a_30_day_month", Reference, "Thu, 31 Nov 1994 08:49:37 GMT", {}},
        FailureCase{"february_29_of_1900", Reference, "Thu, 29 Feb 1900 08:49:37 GMT", {}},
        FailureCase{"hour_24", Reference, "Sun, 06 Nov 1994 24:00:00 GMT", {}},
        FailureCase{"year_0", Reference, "Sun, 06 Nov 0 08:49:37 GMT", {}},
        FailureCase{"four_fields_missing_year", Reference, "Sunday, 06-Nov 08:49:37 GMT", {}},
        FailureCase{"distance_of_2_31_seconds", Reference, "Tue, 19 Oct 1926 05:35:29 GMT", {}},
        FailureCase{"two_digit_year_not_cut_to_a_false_age",
                    "Thu, 01 Jan 2026 00:00:00 GMT",
                    "Sunday, 06-Nov-94 08:49:37 GMT",
                    {}}),
    CaseName<FailureCase>);

struct GateCase {
    const char* name;
    TRegionalSeparators separators;
};

class RegionalGate : public testing::TestWithParam<GateCase> {};

TEST_P(RegionalGate, OtherSeparatorsGiveUnsupportedWithoutParsing) {
    test::Dialogs().Reset();
    EXPECT_EQ(HttpDateDifference(Reference, "garbage", GetParam().separators), "Unsupported");
    EXPECT_TRUE(test::Dialogs().Shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, RegionalGate,
                         testing::Values(GateCase{"thousands_dot", {".", ".", "/", ":"}},
                                         GateCase{"decimal_comma", {",", ",", "/", ":"}},
                                         GateCase{"date_dash", {",", ".", "-", ":"}},
                                         GateCase{"time_dot", {",", ".", "/", "."}},
                                         GateCase{"german", {".", ",", ".", ":"}}),
                         CaseName<GateCase>);

struct LocaleCase {
    const char* name;
    const char* locale;
    bool passes;
};

class LocaleSeparators : public testing::TestWithParam<LocaleCase> {};

TEST_P(LocaleSeparators, GatePassesOnlyForEnglishStyleSettings) {
    const auto& c = GetParam();
    const TRegionalSeparators s = RegionalSeparatorsOf(QLocale(QString::fromLatin1(c.locale)));
    const bool passes = s.Thousands == "," && s.Decimal == "." && s.Date == "/" && s.Time == ":";
    EXPECT_EQ(passes, c.passes) << s.Thousands << " " << s.Decimal << " " << s.Date << " "
                                << s.Time;
}

INSTANTIATE_TEST_SUITE_P(Cases, LocaleSeparators,
                         testing::Values(LocaleCase{"c_locale", "C", true},
                                         LocaleCase{"english_us", "en_US", true},
                                         LocaleCase{"english_gb", "en_GB", true},
                                         LocaleCase{"german", "de_DE", false},
                                         LocaleCase{"dutch_dash_dates", "nl_NL", false}),
                         CaseName<LocaleCase>);

struct DurationCase {
    const char* name;
    std::int64_t amount;
    std::string text;
};

class DaysClock : public testing::TestWithParam<DurationCase> {};
class Clock : public testing::TestWithParam<DurationCase> {};

TEST_P(DaysClock, Formats) {
    EXPECT_EQ(DaysClockText(static_cast<std::int32_t>(GetParam().amount)), GetParam().text);
}
TEST_P(Clock, Formats) {
    EXPECT_EQ(ClockText(GetParam().amount), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DaysClock,
    testing::Values(DurationCase{"zero", 0, "0 days, 00:00:00"},
                    DurationCase{"minutes_and_seconds", 307, "0 days, 00:05:07"},
                    DurationCase{"day_is_never_singular", 90000, "1 days, 01:00:00"},
                    DurationCase{"second_less_than_a_day", 86399, "0 days, 23:59:59"},
                    DurationCase{"all_fields", 273906, "3 days, 04:05:06"},
                    DurationCase{"largest_32_bit", 2147483647, "24855 days, 03:14:07"}),
    CaseName<DurationCase>);

INSTANTIATE_TEST_SUITE_P(
    Cases, Clock,
    testing::Values(DurationCase{"zero", 0, "00:00:00"},
                    DurationCase{"milliseconds_dropped_not_rounded", 1999, "00:00:01"},
                    DurationCase{"millisecond_less_than_a_minute", 59999, "00:00:59"},
                    DurationCase{"exactly_one_hour", 3600000, "01:00:00"},
                    DurationCase{"all_fields", 14706000, "04:05:06"},
                    DurationCase{"hundred_hours_has_three_digits", 360000000, "100:00:00"}),
    CaseName<DurationCase>);

TEST(HttpDateText, WritesTheSixFieldLayoutInEnglish) {
    EXPECT_EQ(HttpDateText(784111777), "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(HttpDateText(951782400), "Tue, 29 Feb 2000 00:00:00 GMT");
    QLocale::setDefault(QLocale(QLocale::German));
    EXPECT_EQ(HttpDateText(0), "Thu, 01 Jan 1970 00:00:00 GMT");
    QLocale::setDefault(QLocale::c());
}

TEST(NowHttpDate, IsTheCurrentSecondAndReadsBackAsZeroDistance) {
    const auto before = static_cast<std::int64_t>(std::time(nullptr));
    const std::string now = NowHttpDate();
    const auto after = static_cast<std::int64_t>(std::time(nullptr));
    EXPECT_TRUE(now == HttpDateText(before) || now == HttpDateText(after)) << now;
    EXPECT_EQ(HttpDateDifference(now, HttpDateText(before - 3605), English).value_or("failure"),
              now == HttpDateText(before) ? "0 days, 01:00:05" : "0 days, 01:00:06");
}

TEST(HttpDateDifference, SystemSettingsOfTheTestRunPassTheGate) {
    // Test runs use the C or an English locale.
    EXPECT_EQ(HttpDateDifference(Reference, "Sun, 06 Nov 1994 07:49:32 GMT"), "0 days, 01:00:05");
}

} // namespace
