#include "retrieval/httpdate.h"

#include <cstdint>
#include <cstdlib>

#include "util/bytetext.h"
#include "util/numbertext.h"
#include "util/services.h"
#include "util/textutils.h"
#include "util/userdialogs.h"

#include <array>
#include <cctype>
#include <ctime>
#include <vector>

namespace lumisk {

namespace {

constexpr std::array<const char*, 7> DayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> MonthNames = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                                    "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
constexpr std::array<const char*, 12> MonthTitles = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void ShowMessage(const std::string& text) {
    if (auto* dialogs = Services().Dialogs) dialogs->Message(BytesToDisplay(text));
}

std::string TwoDigits(std::int64_t n) {
    std::string text = std::to_string(n);
    return text.size() == 1 ? "0" + text : text;
}

std::string SeparatorInFormat(const QString& format, const char* fallback) {
    bool quoted = false;
    bool seenField = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c.isLetter()) {
            seenField = true;
        } else if (seenField && !c.isSpace()) {
            return QString(c).toStdString();
        }
    }
    return fallback;
}

struct TMoment {
    std::int32_t Day = 0, Month = 0, Year = 0, Hour = 0, Minute = 0, Second = 0;
};

const std::string* FieldAt(const std::vector<std::string>& fields, std::size_t i) {
    return i < fields.size() ? &fields[i] : nullptr;
}

bool ReadNumber(const std::string* field, std::int32_t& value) {
    if (!field) return false;
    const auto number = TryStrToInt(*field);
    if (!number) return false;
    value = *number;
    return true;
}

// An unknown name shows its message and leaves the month 0, which no date has.
bool ReadMonth(const std::string* field, std::int32_t& month) {
    if (!field) return false;
    std::string upper = *field;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (std::size_t i = 0; i < MonthNames.size(); ++i) {
        if (upper == MonthNames[i]) {
            month = static_cast<std::int32_t>(i + 1);
            return true;
        }
    }
    ShowMessage("Invalid date \"" + *field + "\"");
    return true;
}

bool ReadTime(const std::string* field, char separator, TMoment& m) {
    if (!field) return false;
    std::vector<std::string> parts;
    SplitOnChar(*field, separator, parts, true);
    return ReadNumber(FieldAt(parts, 0), m.Hour) && ReadNumber(FieldAt(parts, 1), m.Minute) &&
           ReadNumber(FieldAt(parts, 2), m.Second);
}

bool ReadSixFields(const std::vector<std::string>& f, char timeSeparator, TMoment& m) {
    return ReadNumber(FieldAt(f, 1), m.Day) && ReadMonth(FieldAt(f, 2), m.Month) &&
           ReadNumber(FieldAt(f, 3), m.Year) && ReadTime(FieldAt(f, 4), timeSeparator, m);
}

bool ReadFourFields(const std::vector<std::string>& f, char timeSeparator, TMoment& m) {
    std::vector<std::string> date;
    SplitOnChar(f[1], '-', date, true);
    return ReadNumber(FieldAt(date, 0), m.Day) && ReadMonth(FieldAt(date, 1), m.Month) &&
           ReadNumber(FieldAt(date, 2), m.Year) && ReadTime(FieldAt(f, 2), timeSeparator, m);
}

bool IsLeapYear(std::int32_t y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

std::int32_t DaysInMonth(std::int32_t y, std::int32_t m) {
    static constexpr std::array<std::int32_t, 12> days = {31, 28, 31, 30, 31, 30,
                                                          31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : days[static_cast<std::size_t>(m - 1)];
}

bool IsValid(const TMoment& m) {
    return m.Year >= 1 && m.Year <= 9999 && m.Month >= 1 && m.Month <= 12 && m.Day >= 1 &&
           m.Day <= DaysInMonth(m.Year, m.Month) && m.Hour >= 0 && m.Hour < 24 && m.Minute >= 0 &&
           m.Minute < 60 && m.Second >= 0 && m.Second < 60;
}

// Days since 30 December 1899 in the proleptic Gregorian calendar.
std::int64_t DayNumber(const TMoment& m) {
    const std::int64_t y = m.Month <= 2 ? m.Year - 1 : m.Year;
    const std::int64_t era = y / 400; // years are positive here
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t monthFromMarch = (m.Month + 9) % 12;
    const std::int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + m.Day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const std::int64_t sinceEpoch1970 = era * 146097 + dayOfEra - 719468;
    return sinceEpoch1970 + 25569;
}

std::int64_t SecondOfDay(const TMoment& m) {
    return std::int64_t{m.Hour} * 3600 + m.Minute * 60 + m.Second;
}

} // namespace

TRegionalSeparators RegionalSeparatorsOf(const QLocale& locale) {
    TRegionalSeparators s;
    s.Thousands = locale.groupSeparator().toStdString();
    s.Decimal = locale.decimalPoint().toStdString();
    s.Date = SeparatorInFormat(locale.dateFormat(QLocale::ShortFormat), "/");
    s.Time = SeparatorInFormat(locale.timeFormat(QLocale::ShortFormat), ":");
    return s;
}

TRegionalSeparators SystemRegionalSeparators() {
    return RegionalSeparatorsOf(QLocale::system());
}

std::string HttpDateText(std::int64_t unixSeconds) {
    const auto t = static_cast<std::time_t>(unixSeconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    std::string year = std::to_string(utc.tm_year + 1900);
    while (year.size() < 4)
        year = "0" + year;
    return std::string(DayNames[static_cast<std::size_t>(utc.tm_wday)]) + ", " +
           TwoDigits(utc.tm_mday) + " " + MonthTitles[static_cast<std::size_t>(utc.tm_mon)] + " " +
           year + " " + TwoDigits(utc.tm_hour) + ":" + TwoDigits(utc.tm_min) + ":" +
           TwoDigits(utc.tm_sec) + " GMT";
}

std::string NowHttpDate() {
    return HttpDateText(static_cast<std::int64_t>(std::time(nullptr)));
}

std::optional<std::string> HttpDateDifference(const std::string& reference,
                                              const std::string& other) {
    return HttpDateDifference(reference, other, SystemRegionalSeparators());
}

std::optional<std::string> HttpDateDifference(const std::string& reference,
                                              const std::string& other,
                                              const TRegionalSeparators& separators) {
    if (separators.Thousands != "," || separators.Decimal != "." || separators.Date != "/" ||
        separators.Time != ":")
        return "Unsupported";
    const char timeSeparator = separators.Time[0];

    std::vector<std::string> fields;
    TMoment now;
    SplitOnChar(reference, ' ', fields, true);
    if (!ReadSixFields(fields, timeSeparator, now)) return std::nullopt;

    TMoment then;
    SplitOnChar(other, ' ', fields, true);
    if (fields.size() == 6) {
        if (!ReadSixFields(fields, timeSeparator, then)) return std::nullopt;
    } else if (fields.size() == 4) {
        if (!ReadFourFields(fields, timeSeparator, then)) return std::nullopt;
    } else {
        // Left at zeros, which make no date.
        ShowMessage("Connot decode date \"" + other + "\"");
    }

    // The day fields as read, before any date is built: only nonsense days
    // differ this much, and such a pair gives no text at all.
    if (std::abs(static_cast<std::int64_t>(now.Day) - then.Day) >= 10000) return std::string();
    if (!IsValid(now) || !IsValid(then)) return std::nullopt;
    const std::int64_t dayNow = DayNumber(now);
    const std::int64_t dayThen = DayNumber(then);
    std::int64_t seconds = (dayNow - dayThen) * 86400 + SecondOfDay(now) - SecondOfDay(then);
    if (seconds < 0) seconds = -seconds;
    // The duration text counts in signed 32 bits: a distance of 2^31 seconds
    // (about 68 years, reached by two-digit years) has no true text.
    if (seconds > INT32_MAX) return std::nullopt;
    return DaysClockText(static_cast<std::int32_t>(seconds));
}

std::string DaysClockText(std::int32_t seconds) {
    const std::int32_t days = seconds / 86400;
    const std::int32_t rest = seconds % 86400;
    return std::to_string(days) + " days, " + TwoDigits(rest / 3600) + ":" +
           TwoDigits(rest % 3600 / 60) + ":" + TwoDigits(rest % 3600 % 60);
}

std::string ClockText(std::int64_t milliseconds) {
    const std::int64_t rest = milliseconds % 3600000;
    return TwoDigits(milliseconds / 3600000) + ":" + TwoDigits(rest / 60000) + ":" +
           TwoDigits(rest % 60000 / 1000);
}

} // namespace lumisk
