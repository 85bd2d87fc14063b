#include "tools/systemclock.h"

#include "tools/buildtime.h"

#include <cerrno>
#include <cstring>
#include <ctime>

namespace lumisk {

void TSystemClock::SetLocalTime(const TLocalDateTime& time) {
    tm local{};
    local.tm_year = time.Year - 1900;
    local.tm_mon = time.Month - 1;
    local.tm_mday = time.Day;
    local.tm_hour = time.Hour;
    local.tm_min = time.Minute;
    local.tm_sec = time.Second;
    local.tm_isdst = -1;
    errno = 0;
    const time_t seconds = mktime(&local);
    // -1 is also one second before 1970: only errno tells a failure apart.
    if (seconds == static_cast<time_t>(-1) && errno != 0) throw EClockError(std::strerror(errno));
    // The last guard before the real clock, whoever asks.
    if (seconds < EarliestClockUnixSeconds())
        throw EClockError("The time is before this program was built");
    const timespec value{seconds, static_cast<long>(time.Millisecond) * 1'000'000L};
    if (clock_settime(CLOCK_REALTIME, &value) != 0) throw EClockError(std::strerror(errno));
}

} // namespace lumisk
