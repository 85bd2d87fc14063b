#pragma once
// A Time Protocol (RFC 868) client over TCP: connects, reads the server's
// four-byte count of seconds since 1 January 1900 UTC and turns it into a
// local date-time value (datetimevalue.h).
//
// It runs on the calling (user-interface) thread and blocks it while it
// resolves the host, connects and reads, calling ProcessPendingEvents at least
// every EventSliceMs so that the windows stay alive. Host names are resolved
// by the C library's asynchronous resolver; the connection attempt waits as
// long as the system's own connect time-out; each wait for data lasts at most
// Timeout() milliseconds. The connection is closed before DateTime returns or
// throws. Every failure throws ETimeProtocolError, whose message is the
// system's reason; an exception from the zone function or from a nested
// handler reaches the caller unchanged. The client must not be destroyed or
// reused from a handler nested inside its own DateTime.
#include "util/lumiskerror.h"

#include <cstdint>
#include <functional>
#include <string>

namespace lumisk {

enum class TTimeFailure {
    Busy,     // DateTime was called while it was already running
    Resolve,  // the host name could not be resolved
    Connect,  // no address of the host accepted the connection
    TimedOut, // no data arrived within the time-out
    Closed,   // the server closed the connection before sending four bytes
    Receive,  // the connection failed while reading
    Zone,     // the system could not report its time zone
};

class ETimeProtocolError : public ELumiskError {
  public:
    ETimeProtocolError(TTimeFailure failure, const std::string& message)
        : ELumiskError(message), failure_(failure) {}
    TTimeFailure Failure() const { return failure_; }

  private:
    TTimeFailure failure_;
};

enum class TTimeStatus { Resolving, Connecting, Connected, Disconnected };

// The bias of the system's time zone, UTC minus local time in minutes, at a
// moment given in seconds since 1970-01-01 00:00 UTC (daylight saving time
// included when it is in force then). Throws ETimeProtocolError Zone when the
// system cannot tell.
int SystemZoneBiasMinutes(std::int64_t unixSeconds);

class TTimeProtocolClient {
  public:
    static constexpr int DefaultPort = 37;
    static constexpr int DefaultTimeoutMs = 2500;
    static constexpr double DefaultBaseDate = 2; // 1 January 1900
    static constexpr int EventSliceMs = 50;

    // The zone's bias in minutes at a moment in Unix seconds (see above).
    using TZoneBias = std::function<int(std::int64_t unixSeconds)>;

    TTimeProtocolClient() = default;
    TTimeProtocolClient(const TTimeProtocolClient&) = delete;
    TTimeProtocolClient& operator=(const TTimeProtocolClient&) = delete;

    void SetHost(const std::string& host) { host_ = host; }
    const std::string& Host() const { return host_; }
    void SetPort(int port) { port_ = port; }
    int Port() const { return port_; }
    // Longest wait in milliseconds for each piece of data; 0 or less: no limit.
    void SetTimeout(int milliseconds) { timeoutMs_ = milliseconds; }
    int Timeout() const { return timeoutMs_; }
    // The date-time value of the protocol's second 0.
    void SetBaseDate(double baseDate) { baseDate_ = baseDate; }
    double BaseDate() const { return baseDate_; }
    // Replaces the system's time zone; an empty function restores it.
    void SetZoneBias(TZoneBias zoneBias) { zoneBias_ = std::move(zoneBias); }

    // Reads the server's time as a local date-time value, the count read in
    // its era (TimeProtocolElapsedSeconds, datetimevalue.h). The bias applied is
    // the zone's at the moment the server reported (its seconds plus the
    // whole seconds of the network delay). A server that sends 0 gives 0,
    // which means "no time". Throws as described above.
    double DateTime();

    // The seconds the last successful DateTime received, before any delay.
    std::uint32_t Seconds() const { return seconds_; }
    // Half the milliseconds from the connection's opening to the arrival of
    // the fourth byte, in the last successful DateTime.
    std::uint32_t NetworkDelay() const { return delayMs_; }

    // Told as the client resolves, connects and closes.
    std::function<void(TTimeStatus)> OnStatus;

  private:
    void Status(TTimeStatus status);

    std::string host_;
    int port_ = DefaultPort;
    int timeoutMs_ = DefaultTimeoutMs;
    double baseDate_ = DefaultBaseDate;
    TZoneBias zoneBias_;
    std::uint32_t seconds_ = 0;
    std::uint32_t delayMs_ = 0;
    bool running_ = false;
};

} // namespace lumisk
