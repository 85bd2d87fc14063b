#pragma once
// A Time Protocol server of our own on 127.0.0.1 for the answers real
// servers do not give: bytes in timed pieces, too few bytes, silence, chosen
// times. Connections are served one after another on one thread, each with
// the script set at the moment it is accepted. The destructor stops the
// thread, also while it pauses or holds a connection open.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace lumisk::test {

struct TTimePiece {
    std::string Bytes;
    int DelayMs = 0; // pause before this piece is sent
};

struct TTimeScript {
    std::vector<TTimePiece> Pieces;
    // When set, the first piece's bytes are replaced by the machine's clock
    // plus this many seconds, taken when the piece is due. The server waits
    // for the first half of a second first, so that a reader may take its
    // own clock up to half a second later and still see whole seconds.
    std::optional<std::int64_t> ClockOffsetSeconds;
    // After the pieces, send nothing and keep the connection until the
    // client closes it (otherwise the server closes it).
    bool HoldOpen = false;

    // The four bytes of seconds, most significant first, sent at once.
    static TTimeScript Seconds(std::uint32_t seconds);
    // The machine's time now plus offsetSeconds.
    static TTimeScript Clock(std::int64_t offsetSeconds);
};

// Seconds as the protocol's four big-endian bytes.
std::string TimeBytes(std::uint32_t seconds);

class TTimeFaultServer {
  public:
    explicit TTimeFaultServer(TTimeScript script = {});
    ~TTimeFaultServer();
    TTimeFaultServer(const TTimeFaultServer&) = delete;
    TTimeFaultServer& operator=(const TTimeFaultServer&) = delete;

    int Port() const { return port_; }
    void SetScript(TTimeScript script);
    // Connections accepted so far, and connections the client closed while
    // the server held them open.
    int Accepted() const { return accepted_; }
    int ClosedByClient() const { return closedByClient_; }

  private:
    void AcceptLoop();
    void Serve(int fd, const TTimeScript& script);
    // Sleeps ms; false when the server is stopping.
    bool Pause(int ms);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> accepted_{0};
    std::atomic<int> closedByClient_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    TTimeScript script_;
    std::thread acceptor_;
};

} // namespace lumisk::test
