#pragma once
// A camera that is there but never answers: a listening socket on each of
// the given loopback addresses, all at one free port, whose connections the
// kernel completes and nobody ever reads or answers. A request to it ends
// only by the client's time-out. The destructor closes the sockets.
#include <string>
#include <vector>

namespace lumisk::test {

class TSilentServer {
  public:
    explicit TSilentServer(const std::vector<std::string>& addresses = {"127.0.0.1"});
    ~TSilentServer();
    TSilentServer(const TSilentServer&) = delete;
    TSilentServer& operator=(const TSilentServer&) = delete;

    int Port() const { return port_; }
    // "http://<address>:<port>" + path.
    std::string Url(const std::string& path, const std::string& address = "127.0.0.1") const;

  private:
    bool TryListen(const std::vector<std::string>& addresses);

    int port_ = 0;
    std::vector<int> sockets_;
};

} // namespace lumisk::test
