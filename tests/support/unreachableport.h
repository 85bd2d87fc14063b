#pragma once
// A loopback port whose connections never complete: a listener with room
// for one waiting connection, which one of our own takes, so that the kernel
// drops the opening packets of any other and a connect waits until its own
// time-out. Close() (or the destructor) frees the port, for a server of the
// caller's to take.
#include <string>

namespace lumisk::test {

class TUnreachablePort {
  public:
    TUnreachablePort();
    ~TUnreachablePort();
    TUnreachablePort(const TUnreachablePort&) = delete;
    TUnreachablePort& operator=(const TUnreachablePort&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:<port>" + path.
    std::string Url(const std::string& path) const;
    void Close();

  private:
    int listener_ = -1;
    int filler_ = -1;
    int port_ = 0;
};

} // namespace lumisk::test
