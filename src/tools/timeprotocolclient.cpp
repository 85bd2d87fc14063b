#include "tools/timeprotocolclient.h"

#include "tools/datetimevalue.h"
#include "util/events.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <memory>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace lumisk {

namespace {

using TClock = std::chrono::steady_clock;

std::int64_t MsSince(TClock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(TClock::now() - start).count();
}

std::string SystemText(int error) {
    return std::strerror(error);
}

struct TAddressListFree {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using TAddressList = std::unique_ptr<addrinfo, TAddressListFree>;

// One asynchronous lookup. The C library writes into the request until the
// lookup ends, so the request never goes away before that: an abandoned
// lookup is cancelled or, when it cannot be, waited for.
class TLookup {
  public:
    TLookup(const std::string& host, const std::string& service) : host_(host), service_(service) {
        hints_.ai_family = AF_UNSPEC;
        hints_.ai_socktype = SOCK_STREAM;
        hints_.ai_flags = AI_NUMERICSERV;
        request_.ar_name = host_.c_str();
        request_.ar_service = service_.c_str();
        request_.ar_request = &hints_;
    }
    TLookup(const TLookup&) = delete;
    TLookup& operator=(const TLookup&) = delete;
    ~TLookup() {
        if (!started_) return;
        if (gai_error(&request_) == EAI_INPROGRESS && gai_cancel(&request_) != EAI_CANCELED) {
            gaicb* list[] = {&request_};
            while (gai_error(&request_) == EAI_INPROGRESS)
                gai_suspend(list, 1, nullptr);
        }
        if (request_.ar_result) freeaddrinfo(request_.ar_result);
    }

    // Waits for the lookup, yielding to the window system between slices.
    TAddressList Run() {
        gaicb* list[] = {&request_};
        const int started = getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr);
        if (started != 0) throw ETimeProtocolError(TTimeFailure::Resolve, gai_strerror(started));
        started_ = true;
        int result = gai_error(&request_);
        while (result == EAI_INPROGRESS) {
            const timespec slice{0, TTimeProtocolClient::EventSliceMs * 1'000'000L};
            gai_suspend(list, 1, &slice);
            ProcessPendingEvents();
            result = gai_error(&request_);
        }
        if (result != 0) throw ETimeProtocolError(TTimeFailure::Resolve, gai_strerror(result));
        TAddressList addresses(request_.ar_result);
        request_.ar_result = nullptr;
        return addresses;
    }

  private:
    std::string host_, service_;
    addrinfo hints_{};
    gaicb request_{};
    bool started_ = false;
};

TAddressList Resolve(const std::string& host, int port) {
    const std::string service = std::to_string(port);
    // Numeric addresses need no resolver (and no resolver thread).
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* numeric = nullptr;
    if (!host.empty() && getaddrinfo(host.c_str(), service.c_str(), &hints, &numeric) == 0)
        return TAddressList(numeric);
    TLookup lookup(host, service);
    return lookup.Run();
}

class TSocket {
  public:
    TSocket() = default;
    explicit TSocket(int fd) : fd_(fd) {}
    TSocket(TSocket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    TSocket& operator=(TSocket&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~TSocket() {
        if (fd_ >= 0) ::close(fd_);
    }
    int Fd() const { return fd_; }

  private:
    int fd_ = -1;
};

// Waits up to ms for events on fd; true when one came.
bool Poll(int fd, short events, int ms) {
    pollfd p{fd, events, 0};
    const int n = ::poll(&p, 1, ms);
    return n > 0;
}

// Tries every address in turn; the connect time-out is the system's.
TSocket Connect(const addrinfo* addresses) {
    int lastError = ECONNREFUSED;
    for (const addrinfo* a = addresses; a; a = a->ai_next) {
        TSocket socket(
            ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol));
        if (socket.Fd() < 0) {
            lastError = errno;
            continue;
        }
        if (::connect(socket.Fd(), a->ai_addr, a->ai_addrlen) == 0) return socket;
        if (errno != EINPROGRESS) {
            lastError = errno;
            continue;
        }
        while (!Poll(socket.Fd(), POLLOUT, TTimeProtocolClient::EventSliceMs))
            ProcessPendingEvents();
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(socket.Fd(), SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
        if (error == 0) return socket;
        lastError = error;
    }
    throw ETimeProtocolError(TTimeFailure::Connect, SystemText(lastError));
}

// Reads exactly size bytes, in as many pieces as the server sends them; each
// wait for a piece lasts at most timeoutMs (no limit when it is 0 or less).
void ReadExactly(int fd, unsigned char* buffer, std::size_t size, int timeoutMs) {
    std::size_t got = 0;
    auto waitStart = TClock::now();
    while (got < size) {
        const ssize_t n = ::recv(fd, buffer + got, size - got, 0);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            waitStart = TClock::now();
            continue;
        }
        if (n == 0)
            throw ETimeProtocolError(TTimeFailure::Closed,
                                     "Connection closed by the server before the time arrived");
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            throw ETimeProtocolError(TTimeFailure::Receive, SystemText(errno));
        std::int64_t slice = TTimeProtocolClient::EventSliceMs;
        if (timeoutMs > 0) {
            const std::int64_t left = timeoutMs - MsSince(waitStart);
            if (left <= 0) throw ETimeProtocolError(TTimeFailure::TimedOut, "Read timed out");
            slice = std::min(left, slice);
        }
        Poll(fd, POLLIN, static_cast<int>(slice));
        ProcessPendingEvents();
    }
}

} // namespace

int SystemZoneBiasMinutes(std::int64_t unixSeconds) {
    const time_t moment = static_cast<time_t>(unixSeconds);
    tm local{};
    errno = 0;
    if (!localtime_r(&moment, &local))
        throw ETimeProtocolError(TTimeFailure::Zone, SystemText(errno ? errno : EOVERFLOW));
    return static_cast<int>(-(local.tm_gmtoff / 60));
}

void TTimeProtocolClient::Status(TTimeStatus status) {
    if (OnStatus) OnStatus(status);
}

double TTimeProtocolClient::DateTime() {
    if (running_) throw ETimeProtocolError(TTimeFailure::Busy, "The time client is busy");
    running_ = true;
    struct TDone {
        bool& flag;
        ~TDone() { flag = false; }
    } done{running_};

    Status(TTimeStatus::Resolving);
    const TAddressList addresses = Resolve(host_, port_);
    Status(TTimeStatus::Connecting);
    unsigned char bytes[4] = {};
    TSocket socket = Connect(addresses.get());
    const auto opened = TClock::now();
    Status(TTimeStatus::Connected);
    try {
        ReadExactly(socket.Fd(), bytes, sizeof bytes, timeoutMs_);
    } catch (...) {
        socket = TSocket();
        Status(TTimeStatus::Disconnected);
        throw;
    }
    const auto elapsedMs = static_cast<std::uint64_t>(MsSince(opened));
    socket = TSocket();
    Status(TTimeStatus::Disconnected);

    const std::uint32_t seconds = (std::uint32_t{bytes[0]} << 24) |
                                  (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
                                  std::uint32_t{bytes[3]};
    const auto delay = static_cast<std::uint32_t>(elapsedMs / 2);
    if (seconds == 0) {
        seconds_ = seconds;
        delayMs_ = delay;
        return 0;
    }
    // The zone's bias at the moment the server reported, not at the local
    // clock's idea of now: the two differ across a daylight saving change
    // exactly when the clock is wrong enough to need setting.
    const std::int64_t moment = TimeProtocolUnixSeconds(seconds, delay);
    const int bias = zoneBias_ ? zoneBias_(moment) : SystemZoneBiasMinutes(moment);
    seconds_ = seconds;
    delayMs_ = delay;
    return TimeProtocolDateTime(seconds, delay, bias, baseDate_);
}

} // namespace lumisk
