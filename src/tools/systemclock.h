#pragma once
// The computer's real clock. Setting it needs the right to change the
// system time (CAP_SYS_TIME on Linux); without it SetLocalTime throws
// EClockError with the system's reason and the clock stays as it was. A
// time before this program was built is refused the same way.
#include "util/clocksetter.h"

namespace lumisk {

class TSystemClock : public IClockSetter {
  public:
    // The local time is read in the system's time zone; a time that falls
    // into a daylight saving gap or overlap is resolved as the C library's
    // mktime resolves it.
    void SetLocalTime(const TLocalDateTime& time) override;
};

} // namespace lumisk
