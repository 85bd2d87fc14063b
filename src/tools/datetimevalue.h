#pragma once
// The program's date-time values: a floating-point count of days since
// 30 December 1899 00:00, the time of day being the fraction, always in local
// time. Conversions here are exact to the millisecond; nothing here throws.
#include "util/clocksetter.h"

#include <QLocale>
#include <cstdint>
#include <optional>
#include <string>

namespace lumisk {

// 1 January 1970 00:00 as a date-time value.
constexpr double UnixEpochDateTime = 25569;

// The Time Protocol's answer as a local date-time value: baseDate plus the
// seconds, with the whole seconds of delayMs added as an unsigned 32-bit sum
// (so 4,294,967,295 plus one second wraps to the base date), less the zone's
// bias (UTC minus local time) in minutes.
double TimeProtocolDateTime(std::uint32_t seconds, std::uint32_t delayMs, int biasMinutes,
                            double baseDate);

// The calendar date and time of day of a value, rounded to the millisecond;
// nothing for values outside 30 December 1899 .. 31 December 9999 (and NaN).
std::optional<TLocalDateTime> DecodeDateTime(double value);

// The value of a calendar date and time; nothing when the date does not exist
// or a time field is out of range.
std::optional<double> EncodeDateTime(const TLocalDateTime& time);

// The computer's local time now.
double NowLocalDateTime();

// The locale's short date, a blank and its long time without a time-zone
// name; the time is left out when it is exactly midnight. UTF-8 bytes; ""
// for a value DecodeDateTime rejects. The first form uses the system locale.
std::string DateTimeText(double value);
std::string DateTimeText(double value, const QLocale& locale);

// Whole seconds between two values, truncated, whichever is later.
std::int64_t WholeSecondsBetween(double a, double b);

} // namespace lumisk
