#pragma once
// A real RFC 868 time service on 127.0.0.1: xinetd's built-in "time" stream
// service at a free port, run as a child process in the foreground with its
// own configuration and log in a temporary directory. The constructor returns
// once the service accepts connections (or throws with xinetd's log); the
// destructor stops it. Tests first check Available() and skip when it is false.
#include "support/tempdir.h"

#include <QProcess>
#include <memory>
#include <string>

namespace lumisk::test {

class TXinetdTimeServer {
  public:
    TXinetdTimeServer();
    ~TXinetdTimeServer();
    TXinetdTimeServer(const TXinetdTimeServer&) = delete;
    TXinetdTimeServer& operator=(const TXinetdTimeServer&) = delete;

    static bool Available();
    static constexpr const char* SkipReason =
        "xinetd is not installed (Debian package xinetd); CI installs it";

    int Port() const { return port_; }
    std::string Log() const;

  private:
    bool TryStart();

    TTempDir dir_;
    std::unique_ptr<QProcess> process_;
    int port_ = 0;
};

} // namespace lumisk::test
