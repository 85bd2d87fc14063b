#pragma once
// The Internet time check without a window: reads the time from an RFC 868
// time server through a time-protocol client, takes the local time at once,
// and, when asked, sets the computer's clock through Services().Clock (the
// only way this program sets it).
//
// A run reports to its observer in order: Retrieving, then TimeRead with the
// reading, then Setting (only when asked to set) and returns the outcome. A
// reading fails (ReadFailed) when there is no host, connection or answer, or
// the server sends 0; a setting fails (SetFailed) when there is no clock, the
// clock refuses, the time lies before this program was built or outside the
// calendar. FailureReason() tells why, for people. Nothing is thrown for
// these; an exception from the observer during the reading counts as a failed
// reading, as it did in the window. The client is not owned.
#include "tools/timeprotocolclient.h"

#include <array>
#include <cstdint>
#include <string>

namespace lumisk {

struct TTimeReading {
    double Remote = 0; // the server's time as a local date-time value
    double Local = 0;  // the local time taken right after
    // Whole seconds between them, whichever is later.
    std::int64_t DifferenceSeconds = 0;
    std::uint32_t NetworkDelayMs = 0;
};

enum class TTimeCheckResult { Read, Set, ReadFailed, SetFailed };

class ITimeCheckObserver {
  public:
    virtual ~ITimeCheckObserver() = default;
    virtual void Retrieving() {}
    virtual void TimeRead(const TTimeReading&) {}
    virtual void Setting() {}
};

class TTimeCheck {
  public:
    // Public Time Protocol servers: two in North America (the National
    // Institute of Standards and Technology), then four in Australia (the
    // National Measurement Institute).
    static constexpr std::array<const char*, 6> TimeServers = {
        "time.nist.gov",           "time-a.nist.gov",
        "ntp.sydney.nmi.gov.au",   "ntp.melbourne.nmi.gov.au",
        "ntp.adelaide.nmi.gov.au", "ntp.brisbane.nmi.gov.au"};

    explicit TTimeCheck(TTimeProtocolClient& client) : client_(client) {}

    TTimeCheckResult Run(const std::string& host, bool setClock, ITimeCheckObserver& observer);

    const TTimeReading& Reading() const { return reading_; }
    const std::string& FailureReason() const { return reason_; }

  private:
    void SetClock();

    TTimeProtocolClient& client_;
    TTimeReading reading_;
    std::string reason_;
};

} // namespace lumisk
