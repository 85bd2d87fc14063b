#pragma once
// An HTTP server of our own on 127.0.0.1 for the misbehaviour real servers do
// not produce: wrong statuses per method, odd header spelling, bodies cut
// short, stalls, drips and endless streams. Each connection runs on its own
// thread; replies are scripted per method and path. Every request received is
// recorded with its raw header text. The destructor stops and joins all
// threads, also those stalling or dripping.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lumisk::test {

struct TFaultRequest {
    std::string Method;
    std::string Target;
    std::string RawHead; // request line and header lines with their CR LF, and the blank line
    // The header lines without line ends, request line excluded.
    std::vector<std::string> HeaderLines() const;
};

struct TFaultReply {
    std::string Head;           // status line and headers, each with CR LF, and the blank line
    std::string Body;           // not sent to HEAD requests
    std::size_t ChunkBytes = 0; // send the body in pieces of this size (0: at once)
    int ChunkDelayMs = 0;       // pause before each piece
    int DelayBeforeHeadMs = 0;  // pause before anything is sent
    bool Endless = false;       // after Body, filler until the client goes away
    bool HoldOpen =
        false; // afterwards send nothing and keep the connection until the client closes it
    bool KeepAlive = false; // afterwards read the next request on the same connection

    // 200 with Content-Length and the body; extraHeaders are CR LF ended lines.
    static TFaultReply Ok(const std::string& body, const std::string& extraHeaders = "");
    // Any status line ("HTTP/1.1 404 Not Found") with Content-Length and body.
    static TFaultReply Status(const std::string& statusLine, const std::string& extraHeaders = "",
                              const std::string& body = "");
    // 200 without a length: the body ends when the server closes.
    static TFaultReply UntilClose(const std::string& body);
};

class TFaultServer {
  public:
    // On the given port of 127.0.0.1; 0: one the kernel chooses.
    explicit TFaultServer(int port = 0);
    ~TFaultServer();
    TFaultServer(const TFaultServer&) = delete;
    TFaultServer& operator=(const TFaultServer&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:<port>" + path.
    std::string Url(const std::string& path) const;

    // The reply to requests for path with this method ("" for any method);
    // a method-specific reply wins. Unscripted requests get a 404.
    void On(const std::string& method, const std::string& path, const TFaultReply& reply);
    // The same, with the reply made for each request from what it holds
    // (called on the connection's thread); wins over On.
    using TResponder = std::function<TFaultReply(const TFaultRequest&)>;
    void On(const std::string& method, const std::string& path, TResponder responder);

    std::vector<TFaultRequest> Requests() const;
    std::size_t RequestCount() const;
    // Connections accepted so far, and those the client has closed while the
    // server was still sending or holding them.
    int Accepted() const { return accepted_; }
    int ClosedByClient() const { return closedByClient_; }

  private:
    void AcceptLoop();
    void Serve(int fd);
    bool SendAll(int fd, const char* data, std::size_t size);
    bool Pause(int fd, int ms);
    void WaitForClientClose(int fd);
    TFaultReply ReplyFor(const TFaultRequest& request) const;

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> accepted_{0};
    std::atomic<int> closedByClient_{0};
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::map<std::pair<std::string, std::string>, TFaultReply> replies_;
    std::map<std::pair<std::string, std::string>, TResponder> responders_;
    std::vector<TFaultRequest> requests_;
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};

} // namespace lumisk::test
