#include "support/recordingclock.h"

#include "util/services.h"

namespace lumisk::test {

TRecordingClock::TRecordingClock() : previous_(Services().Clock) {
    Services().Clock = this;
}

TRecordingClock::~TRecordingClock() {
    Services().Clock = previous_;
}

void TRecordingClock::SetLocalTime(const TLocalDateTime& time) {
    Settings.push_back(time);
    if (Refuse) throw EClockError("Operation not permitted");
}

} // namespace lumisk::test
