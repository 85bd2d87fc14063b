#include "support/faultserver.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdint>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace lumisk::test {

namespace {

constexpr int StopCheckMs = 20;
constexpr int HoldOpenLimitMs = 30000;

// Waits until fd is readable; false when the server stops or time runs out.
bool WaitReadable(int fd, const std::atomic<bool>& stopping, int limitMs) {
    for (int waited = 0; waited < limitMs && !stopping; waited += StopCheckMs) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, StopCheckMs) > 0) return true;
    }
    return false;
}

} // namespace

std::vector<std::string> TFaultRequest::HeaderLines() const {
    std::vector<std::string> lines;
    std::size_t start = RawHead.find("\r\n");
    while (start != std::string::npos) {
        start += 2;
        const std::size_t end = RawHead.find("\r\n", start);
        if (end == std::string::npos || end == start) break;
        lines.push_back(RawHead.substr(start, end - start));
        start = end;
    }
    return lines;
}

TFaultReply TFaultReply::Ok(const std::string& body, const std::string& extraHeaders) {
    return Status("HTTP/1.1 200 OK", extraHeaders, body);
}

TFaultReply TFaultReply::Status(const std::string& statusLine, const std::string& extraHeaders,
                                const std::string& body) {
    TFaultReply r;
    r.Head = statusLine + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
             extraHeaders + "\r\n";
    r.Body = body;
    return r;
}

TFaultReply TFaultReply::UntilClose(const std::string& body) {
    TFaultReply r;
    r.Head = "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nConnection: close\r\n\r\n";
    r.Body = body;
    return r;
}

TFaultServer::TFaultServer(int port) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) throw std::runtime_error("fault server: no socket");
    const int on = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(listener_);
        throw std::runtime_error("fault server: cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

TFaultServer::~TFaultServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    acceptor_.join();
    // No new connection threads start once the acceptor has ended.
    for (auto& t : connections_)
        t.join();
    ::close(listener_);
}

std::string TFaultServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void TFaultServer::On(const std::string& method, const std::string& path,
                      const TFaultReply& reply) {
    std::lock_guard lock(mutex_);
    replies_[{method, path}] = reply;
}

std::vector<TFaultRequest> TFaultServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t TFaultServer::RequestCount() const {
    std::lock_guard lock(mutex_);
    return requests_.size();
}

void TFaultServer::On(const std::string& method, const std::string& path, TResponder responder) {
    std::lock_guard lock(mutex_);
    responders_[{method, path}] = std::move(responder);
}

TFaultReply TFaultServer::ReplyFor(const TFaultRequest& request) const {
    const std::string& method = request.Method;
    const std::string& path = request.Target;
    TResponder responder;
    {
        std::lock_guard lock(mutex_);
        if (auto it = responders_.find({method, path}); it != responders_.end())
            responder = it->second;
        else if (auto any = responders_.find({"", path}); any != responders_.end())
            responder = any->second;
    }
    if (responder) return responder(request);
    std::lock_guard lock(mutex_);
    if (auto it = replies_.find({method, path}); it != replies_.end()) return it->second;
    if (auto it = replies_.find({"", path}); it != replies_.end()) return it->second;
    return TFaultReply::Status("HTTP/1.1 404 Not Found");
}

void TFaultServer::AcceptLoop() {
    while (!stopping_) {
        if (!WaitReadable(listener_, stopping_, StopCheckMs)) continue;
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        ++accepted_;
        std::lock_guard lock(mutex_);
        connections_.emplace_back([this, fd] {
            Serve(fd);
            ::close(fd);
        });
    }
}

bool TFaultServer::Pause(int fd, int ms) {
    // Watches the connection meanwhile so that a client that gives up is
    // noticed at once rather than after the pause.
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!stopping_) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= end) return true;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - now).count();
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(std::min<long long>(left, StopCheckMs))) <= 0) continue;
        char probe;
        if (::recv(fd, &probe, 1, MSG_PEEK) <= 0) {
            ++closedByClient_;
            return false;
        }
        // A pipelined request waits its turn; just sleep out the pause.
        std::unique_lock lock(mutex_);
        wake_.wait_until(lock, end, [this] { return stopping_.load(); });
    }
    return false;
}

bool TFaultServer::SendAll(int fd, const char* data, std::size_t size) {
    while (size > 0 && !stopping_) {
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, StopCheckMs) <= 0) continue;
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent <= 0) {
            ++closedByClient_;
            return false;
        }
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return size == 0;
}

void TFaultServer::WaitForClientClose(int fd) {
    char scratch[512];
    while (WaitReadable(fd, stopping_, HoldOpenLimitMs)) {
        if (::recv(fd, scratch, sizeof scratch, 0) <= 0) {
            ++closedByClient_;
            return;
        }
    }
}

void TFaultServer::Serve(int fd) {
    std::string pending;
    while (!stopping_) {
        std::size_t end;
        while ((end = pending.find("\r\n\r\n")) == std::string::npos) {
            if (!WaitReadable(fd, stopping_, HoldOpenLimitMs)) return;
            char buffer[4096];
            const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0) return;
            pending.append(buffer, static_cast<std::size_t>(got));
        }
        TFaultRequest request;
        request.RawHead = pending.substr(0, end + 4);
        pending.erase(0, end + 4);
        const std::size_t blank1 = request.RawHead.find(' ');
        const std::size_t blank2 = request.RawHead.find(' ', blank1 + 1);
        request.Method = request.RawHead.substr(0, blank1);
        request.Target = request.RawHead.substr(blank1 + 1, blank2 - blank1 - 1);
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }

        const TFaultReply reply = ReplyFor(request);
        if (!Pause(fd, reply.DelayBeforeHeadMs)) return;
        if (!SendAll(fd, reply.Head.data(), reply.Head.size())) return;
        if (request.Method != "HEAD") {
            const std::size_t piece = reply.ChunkBytes ? reply.ChunkBytes : reply.Body.size();
            for (std::size_t at = 0; at < reply.Body.size(); at += piece) {
                if (!Pause(fd, reply.ChunkDelayMs)) return;
                if (!SendAll(fd, reply.Body.data() + at, std::min(piece, reply.Body.size() - at)))
                    return;
            }
            if (reply.Endless) {
                const std::string filler(16384, 'x');
                while (SendAll(fd, filler.data(), filler.size())) {
                }
                return;
            }
        }
        if (reply.HoldOpen) {
            WaitForClientClose(fd);
            return;
        }
        if (!reply.KeepAlive) {
            ::shutdown(fd, SHUT_WR);
            return;
        }
    }
}

} // namespace lumisk::test
