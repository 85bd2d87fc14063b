#pragma once
// Internet date texts and duration texts. A camera's date is kept as the text
// its server sent in "Last-Modified"; its age is the difference between that
// text and the current time written the same way. Nothing here throws.
//
// Dates are read in two layouts, fields separated by one or more blanks:
//   six fields   "Sun, 06 Nov 1994 08:49:37 GMT"
//   four fields  "Sunday, 06-Nov-94 08:49:37 GMT" (the year 94 is the year 94)
// The weekday and the zone are not read: both texts count as the same zone.
// Month names are the English abbreviations in any letter case.
#include <QLocale>
#include <cstdint>
#include <optional>
#include <string>

namespace lumisk {

// The four separators of the user's regional settings that the date
// difference depends on.
struct TRegionalSeparators {
    std::string Thousands;
    std::string Decimal;
    std::string Date;
    std::string Time;
};

// The separators of a locale. Date and time separators are the first
// character between two fields of the locale's short date and time formats
// that is neither a letter nor a blank; a format without one (the C locale
// writes "d MMM yyyy") gives "/" and ":", the usual numeric ones.
TRegionalSeparators RegionalSeparatorsOf(const QLocale& locale);
// The separators of QLocale::system().
TRegionalSeparators SystemRegionalSeparators();

// The current UTC time as "Sun, 06 Nov 1994 08:49:37 GMT", with English day
// and month names whatever the locale.
std::string NowHttpDate();
// The same text for a moment given in seconds since 1970-01-01 00:00 UTC.
std::string HttpDateText(std::int64_t unixSeconds);

// The distance between two dates as DaysClockText ("0 days, 01:00:05"), the
// order of the two not mattering; "Unsupported" when the separators are not
// "," "." "/" ":"; "" when the two day fields differ by 10000 or more.
// Nothing (std::nullopt) is the decoding failure: a number field that is
// missing or not a whole number, a date or time that does not exist (day 31
// of a 30-day month, hour 24, year 0), or a distance of 2^31 seconds or more,
// which the signed 32-bit count of DaysClockText cannot hold. reference is
// read in the six-field layout. Before failing, the dialogs' Message shows
// "Connot decode date \"<other>\"" when other has neither layout, and
// "Invalid date \"<field>\"" for an unknown month name in either.
std::optional<std::string> HttpDateDifference(const std::string& reference,
                                              const std::string& other);
std::optional<std::string> HttpDateDifference(const std::string& reference,
                                              const std::string& other,
                                              const TRegionalSeparators& separators);

// "3 days, 04:05:06": whole days, then hours, minutes and seconds of the rest.
std::string DaysClockText(std::int32_t seconds);
// "04:05:06" from milliseconds (the milliseconds dropped); hours may have
// more than two digits.
std::string ClockText(std::int64_t milliseconds);

} // namespace lumisk
