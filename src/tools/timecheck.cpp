#include "tools/timecheck.h"

#include "tools/buildtime.h"
#include "tools/datetimevalue.h"
#include "util/clocksetter.h"
#include "util/services.h"

#include <exception>

namespace lumisk {

namespace {

std::string ReasonOf(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const ELumiskError& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "unknown error";
    }
}

} // namespace

TTimeCheckResult TTimeCheck::Run(const std::string& host, bool setClock,
                                 ITimeCheckObserver& observer) {
    reading_ = {};
    reason_.clear();
    observer.Retrieving();
    try {
        client_.SetHost(host);
        reading_.Remote = client_.DateTime();
        reading_.Local = NowLocalDateTime();
        // A server with no time of its own sends 0; the clock must not follow it.
        if (reading_.Remote == 0)
            throw ETimeProtocolError(TTimeFailure::Receive, "No time received");
        reading_.DifferenceSeconds = WholeSecondsBetween(reading_.Remote, reading_.Local);
        reading_.NetworkDelayMs = client_.NetworkDelay();
        observer.TimeRead(reading_);
    } catch (...) {
        reason_ = ReasonOf(std::current_exception());
        return TTimeCheckResult::ReadFailed;
    }
    if (!setClock) return TTimeCheckResult::Read;

    observer.Setting();
    try {
        SetClock();
    } catch (...) {
        reason_ = ReasonOf(std::current_exception());
        return TTimeCheckResult::SetFailed;
    }
    return TTimeCheckResult::Set;
}

void TTimeCheck::SetClock() {
    // A server that is wrong (or counts in the wrong era) must not take the
    // clock back to before this program existed.
    if (TimeProtocolUnixSeconds(client_.Seconds(), client_.NetworkDelay()) <
        EarliestClockUnixSeconds())
        throw EClockError("The time is before this program was built");
    const auto time = DecodeDateTime(reading_.Remote);
    if (!time) throw EClockError("The time is outside the calendar");
    IClockSetter* clock = Services().Clock;
    if (!clock) throw EClockError("No clock to set");
    clock->SetLocalTime(*time);
}

} // namespace lumisk
