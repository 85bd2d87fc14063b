#pragma once
// The hours of the day a time-lapse grab downloads in, in local time: from
// one time of day up to (not including) another, across midnight when the
// second comes first ("22:00" to "06:00"). A value type; Parse() throws
// ELumiskError with a message naming the text for anything but "H:MM" or
// "HH:MM" (00:00 to 23:59) and for a window that opens when it closes.
#include <QTime>
#include <string>

namespace lumisk {

class TCaptureWindow {
  public:
    static TCaptureWindow Parse(const std::string& from, const std::string& to);

    bool Contains(const QTime& time) const;
    // "06:00": when the window opens.
    std::string FromText() const;

  private:
    TCaptureWindow(int from, int to) : from_(from), to_(to) {}

    int from_; // minutes after midnight
    int to_;
};

} // namespace lumisk
