#include "tools/datetimevalue.h"

#include <QDate>
#include <QTime>
#include <chrono>
#include <cmath>
#include <ctime>

namespace lumisk {

namespace {

constexpr std::int64_t MsPerDay = 86'400'000;
// 1 January 10000, the first day a value may not reach.
constexpr std::int64_t EndDay = 2'958'466;

std::chrono::sys_days DayZero() {
    using namespace std::chrono;
    return sys_days{year{1899} / December / 30};
}

// The long time format without its zone field: a clock set from it must not
// show the name of a zone it was not told about.
QString LongTimeFormat(const QLocale& locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'') quoted = !quoted;
        if (!quoted && c == u't') continue;
        out += c;
    }
    return out.trimmed();
}

} // namespace

std::int64_t TimeProtocolElapsedSeconds(std::uint32_t seconds, std::uint32_t delayMs) {
    constexpr std::int64_t Era = std::int64_t{1} << 32;
    const std::int64_t count = seconds < 0x8000'0000u ? Era + seconds : std::int64_t{seconds};
    return count + delayMs / 1000u;
}

std::int64_t TimeProtocolUnixSeconds(std::uint32_t seconds, std::uint32_t delayMs) {
    constexpr std::int64_t UnixEpochSeconds = 2'208'988'800; // 1970 in the protocol's count
    return TimeProtocolElapsedSeconds(seconds, delayMs) - UnixEpochSeconds;
}

double TimeProtocolDateTime(std::uint32_t seconds, std::uint32_t delayMs, int biasMinutes,
                            double baseDate) {
    return baseDate + static_cast<double>(TimeProtocolElapsedSeconds(seconds, delayMs)) / 86400.0 -
           static_cast<double>(biasMinutes) / 1440.0;
}

std::optional<TLocalDateTime> DecodeDateTime(double value) {
    if (!std::isfinite(value) || value < 0 || value >= static_cast<double>(EndDay)) return {};
    const std::int64_t ms = std::llround(value * static_cast<double>(MsPerDay));
    const std::int64_t day = ms / MsPerDay;
    if (day >= EndDay) return {};
    std::int64_t rest = ms % MsPerDay;
    const std::chrono::year_month_day date{DayZero() + std::chrono::days{day}};
    TLocalDateTime t;
    t.Year = static_cast<int>(date.year());
    t.Month = static_cast<int>(static_cast<unsigned>(date.month()));
    t.Day = static_cast<int>(static_cast<unsigned>(date.day()));
    t.Hour = static_cast<int>(rest / 3'600'000);
    rest %= 3'600'000;
    t.Minute = static_cast<int>(rest / 60'000);
    rest %= 60'000;
    t.Second = static_cast<int>(rest / 1000);
    t.Millisecond = static_cast<int>(rest % 1000);
    return t;
}

std::optional<double> EncodeDateTime(const TLocalDateTime& time) {
    using namespace std::chrono;
    if (time.Year < 1 || time.Year > 9999 || time.Month < 1 || time.Month > 12) return {};
    const year_month_day date{year{time.Year}, month{static_cast<unsigned>(time.Month)},
                              day{static_cast<unsigned>(std::max(time.Day, 0))}};
    if (!date.ok() || time.Hour < 0 || time.Hour > 23 || time.Minute < 0 || time.Minute > 59 ||
        time.Second < 0 || time.Second > 59 || time.Millisecond < 0 || time.Millisecond > 999)
        return {};
    const auto days = (sys_days{date} - DayZero()).count();
    const std::int64_t ms =
        ((time.Hour * 60LL + time.Minute) * 60 + time.Second) * 1000 + time.Millisecond;
    return static_cast<double>(days) + static_cast<double>(ms) / static_cast<double>(MsPerDay);
}

double NowLocalDateTime() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    TLocalDateTime t{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                     local.tm_min,
                     // A leap second shows as the last ordinary second.
                     std::min(local.tm_sec, 59), static_cast<int>(now.tv_nsec / 1'000'000)};
    return EncodeDateTime(t).value_or(0);
}

std::string DateTimeText(double value) {
    return DateTimeText(value, QLocale::system());
}

std::string DateTimeText(double value, const QLocale& locale) {
    const auto t = DecodeDateTime(value);
    if (!t) return {};
    QString text =
        locale.toString(QDate(t->Year, t->Month, t->Day), locale.dateFormat(QLocale::ShortFormat));
    if (t->Hour || t->Minute || t->Second || t->Millisecond)
        text += u' ' + locale.toString(QTime(t->Hour, t->Minute, t->Second, t->Millisecond),
                                       LongTimeFormat(locale));
    return text.toUtf8().toStdString();
}

std::int64_t WholeSecondsBetween(double a, double b) {
    const double scale = static_cast<double>(MsPerDay);
    const std::int64_t ms = std::llround(a * scale) - std::llround(b * scale);
    return (ms < 0 ? -ms : ms) / 1000;
}

} // namespace lumisk
