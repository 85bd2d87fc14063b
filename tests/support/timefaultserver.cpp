#include "support/timefaultserver.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace lumisk::test {

namespace {

constexpr int StopCheckMs = 20;
constexpr int HoldOpenLimitMs = 30000;
constexpr std::int64_t UnixEpochSeconds = 2'208'988'800;

bool SendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

std::string TimeBytes(std::uint32_t seconds) {
    return {static_cast<char>(seconds >> 24), static_cast<char>(seconds >> 16),
            static_cast<char>(seconds >> 8), static_cast<char>(seconds)};
}

TTimeScript TTimeScript::Seconds(std::uint32_t seconds) {
    TTimeScript script;
    script.Pieces = {{TimeBytes(seconds), 0}};
    return script;
}

TTimeScript TTimeScript::Clock(std::int64_t offsetSeconds) {
    TTimeScript script;
    script.Pieces = {{"", 0}};
    script.ClockOffsetSeconds = offsetSeconds;
    return script;
}

TTimeFaultServer::TTimeFaultServer(TTimeScript script) : script_(std::move(script)) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) throw std::runtime_error("time server: no socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(listener_);
        throw std::runtime_error("time server: cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

TTimeFaultServer::~TTimeFaultServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    acceptor_.join();
    ::close(listener_);
}

void TTimeFaultServer::SetScript(TTimeScript script) {
    std::lock_guard lock(mutex_);
    script_ = std::move(script);
}

bool TTimeFaultServer::Pause(int ms) {
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, std::chrono::milliseconds(ms),
                           [this] { return stopping_.load(); });
}

void TTimeFaultServer::AcceptLoop() {
    while (!stopping_) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, StopCheckMs) <= 0) continue;
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        ++accepted_;
        TTimeScript script;
        {
            std::lock_guard lock(mutex_);
            script = script_;
        }
        Serve(fd, script);
        ::close(fd);
    }
}

void TTimeFaultServer::Serve(int fd, const TTimeScript& script) {
    for (std::size_t i = 0; i < script.Pieces.size(); ++i) {
        const TTimePiece& piece = script.Pieces[i];
        if (piece.DelayMs > 0 && !Pause(piece.DelayMs)) return;
        std::string bytes = piece.Bytes;
        if (i == 0 && script.ClockOffsetSeconds) {
            using namespace std::chrono;
            auto now = system_clock::now();
            const auto intoSecond = duration_cast<milliseconds>(now.time_since_epoch()) % 1000;
            if (intoSecond >= milliseconds(500) && !Pause(1001 - int(intoSecond.count()))) return;
            now = system_clock::now();
            const std::int64_t unix = duration_cast<seconds>(now.time_since_epoch()).count();
            bytes = TimeBytes(
                static_cast<std::uint32_t>(unix + UnixEpochSeconds + *script.ClockOffsetSeconds));
        }
        if (!SendAll(fd, bytes)) return;
    }
    if (!script.HoldOpen) return;
    for (int waited = 0; waited < HoldOpenLimitMs && !stopping_; waited += StopCheckMs) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, StopCheckMs) > 0) {
            char byte;
            if (::recv(fd, &byte, 1, 0) <= 0) {
                ++closedByClient_;
                return;
            }
        }
    }
}

} // namespace lumisk::test
