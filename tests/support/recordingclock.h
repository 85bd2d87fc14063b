#pragma once
// A clock that records every setting instead of touching the computer's
// clock. It installs itself in Services().Clock for its lifetime and puts
// back what was there before.
#include "util/clocksetter.h"

#include <vector>

namespace lumisk::test {

class TRecordingClock : public IClockSetter {
  public:
    TRecordingClock();
    ~TRecordingClock() override;
    TRecordingClock(const TRecordingClock&) = delete;
    TRecordingClock& operator=(const TRecordingClock&) = delete;

    // Records the time, then throws EClockError when Refuse is set (as a
    // clock without the right to change the system time does).
    void SetLocalTime(const TLocalDateTime& time) override;

    std::vector<TLocalDateTime> Settings;
    bool Refuse = false;

  private:
    IClockSetter* previous_;
};

} // namespace lumisk::test
