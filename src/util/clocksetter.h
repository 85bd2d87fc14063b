#pragma once
// The computer's clock, set from a broken-down local date and time. The
// program installs the real clock in Services().Clock; tests install a
// recorder and must never reach the real one. A clock that cannot be set
// (no right to change the system time, a date the system does not accept)
// throws EClockError.
#include "util/lumiskerror.h"

#include <string>

namespace lumisk {

// A local calendar date and time of day, all fields 1-based where the
// calendar is (Month 1..12, Day 1..31) and 0-based for the time of day.
struct TLocalDateTime {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;

    bool operator==(const TLocalDateTime&) const = default;
};

// The clock was not set; the message is the system's reason.
class EClockError : public ELumiskError {
  public:
    explicit EClockError(const std::string& message) : ELumiskError(message) {}
};

class IClockSetter {
  public:
    virtual ~IClockSetter() = default;
    // Sets the local clock to this local date and time, or throws EClockError.
    virtual void SetLocalTime(const TLocalDateTime& time) = 0;
};

} // namespace lumisk
