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

// The Time Protocol's count of seconds, read in its era, plus the whole
// seconds of delayMs. The 32-bit count wraps on 7 February 2036 06:28:16 UTC;
// as RFC 868 clients do, a count below 2^31 is read as the era after that
// (2036 to 2104) and a count from 2^31 as the era before (1968 to 2036), so
// the delay carries across the wrap instead of back to 1900.
std::int64_t TimeProtocolElapsedSeconds(std::uint32_t seconds, std::uint32_t delayMs);

// The same moment in seconds since 1 January 1970 00:00 UTC.
std::int64_t TimeProtocolUnixSeconds(std::uint32_t seconds, std::uint32_t delayMs);

// The Time Protocol's answer as a local date-time value: baseDate (the value
// of the protocol's second 0) plus TimeProtocolElapsedSeconds, less the
// zone's bias (UTC minus local time) in minutes.
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
