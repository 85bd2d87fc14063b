// The HTTP client against whatever a camera server may send: each input is a
// pair of whole responses, the first the answer to a HEAD and the second the
// answer to a GET of the same client, as the View sends them, served from a
// socket of our own on 127.0.0.1. The client must neither crash nor report a
// HEAD as a success unless its status line says 2xx.
//
// Input layout (see make_seeds.cpp): byte 0 holds switches (bit 0: both
// answers on one connection, else the server ends each connection after its
// answer), bytes 1-2 the length of the HEAD answer (big-endian, cut to what
// is left), then the HEAD answer, then the GET answer.
#include "retrieval/httpclient.h"
#include "retrieval/httperror.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct TConnection {
    int Fd = -1;
    std::string In;
    std::string Out;
    bool EndAfterOut = false;
    bool Ended = false;
};

// Answers requests in the order they arrive, on any connection: the first
// gets the HEAD answer, the second the GET answer, later ones nothing.
class TScriptedServer {
  public:
    TScriptedServer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (listener_ < 0 ||
            ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(listener_, 16) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            std::abort();
        port_ = ntohs(address.sin_port);
    }

    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/cam.jpg"; }

    void Start(std::string head, std::string get, bool oneConnection) {
        stop_ = false;
        thread_ = std::thread([=, this] { Serve({head, get}, oneConnection); });
    }

    void Stop() {
        stop_ = true;
        thread_.join();
    }

  private:
    void Serve(const std::vector<std::string>& answers, bool oneConnection) {
        std::vector<TConnection> connections;
        std::size_t requests = 0;
        while (!stop_) {
            std::vector<pollfd> polls{{listener_, POLLIN, 0}};
            for (const auto& c : connections)
                polls.push_back(
                    {c.Fd, static_cast<short>(POLLIN | (c.Out.empty() ? 0 : POLLOUT)), 0});
            if (::poll(polls.data(), polls.size(), 5) <= 0) continue;
            const std::size_t polled = connections.size();
            if (polls[0].revents & POLLIN) {
                const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
                if (fd >= 0) {
                    TConnection accepted;
                    accepted.Fd = fd;
                    connections.push_back(std::move(accepted));
                }
            }
            for (std::size_t i = 0; i < polled; ++i) {
                TConnection& c = connections[i];
                const short events = polls[i + 1].revents;
                if (events & POLLIN) {
                    char buffer[4096];
                    const ssize_t got = ::recv(c.Fd, buffer, sizeof buffer, 0);
                    if (got <= 0) {
                        c.Ended = true;
                        continue;
                    }
                    c.In.append(buffer, static_cast<std::size_t>(got));
                }
                for (std::size_t end;
                     !c.EndAfterOut && (end = c.In.find("\r\n\r\n")) != std::string::npos;) {
                    c.In.erase(0, end + 4);
                    const std::size_t n = requests++;
                    if (n < answers.size()) c.Out += answers[n];
                    c.EndAfterOut = n + 1 >= answers.size() || !oneConnection;
                }
                if ((events & POLLOUT) && !c.Out.empty()) {
                    const ssize_t sent = ::send(c.Fd, c.Out.data(), c.Out.size(), MSG_NOSIGNAL);
                    if (sent < 0) c.Ended = true;
                    if (sent > 0) c.Out.erase(0, static_cast<std::size_t>(sent));
                }
                if (c.Out.empty() && c.EndAfterOut) ::shutdown(c.Fd, SHUT_WR);
                if (events & (POLLERR | POLLHUP)) c.Ended = true;
            }
            std::erase_if(connections, [](const TConnection& c) {
                if (c.Ended) ::close(c.Fd);
                return c.Ended;
            });
        }
        for (const auto& c : connections)
            ::close(c.Fd);
    }

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

bool Is2xxStatusLine(const std::string& line) {
    const std::size_t blank = line.find(' ');
    return blank != std::string::npos && line.size() >= blank + 4 && line[blank + 1] == '2' &&
           std::isdigit(static_cast<unsigned char>(line[blank + 2])) &&
           std::isdigit(static_cast<unsigned char>(line[blank + 3]));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumisk;
    static TScriptedServer server;
    if (size < 3) return 0;
    const bool oneConnection = data[0] & 1;
    const std::size_t headBytes = std::min<std::size_t>((data[1] << 8) | data[2], size - 3);
    const char* text = reinterpret_cast<const char*>(data) + 3;
    server.Start(std::string(text, headBytes), std::string(text + headBytes, size - 3 - headBytes),
                 oneConnection);
    {
        THttpClient client;
        // Short enough for many inputs a second; a stalled answer only costs time.
        client.SetReadTimeout(100);
        client.SetMaxBodyBytes(64 * 1024);
        client.SetRequestHeader("Pragma", "no-cache");
        try {
            const std::vector<std::string> lines = client.Head(server.Url());
            if (lines.empty() || !Is2xxStatusLine(lines[0])) std::abort();
        } catch (const EHttpError&) {
            client.CloseConnection();
        }
        try {
            client.Get(server.Url(), [](const char*, std::size_t) {});
        } catch (const EHttpError&) {
        }
    }
    server.Stop();
    return 0;
}
