#pragma once
// A real tinyproxy on 127.0.0.1 at a free port, as a child process in the
// foreground with its own configuration and log file in a temporary
// directory, allowing only 127.0.0.1. The constructor returns once it accepts
// connections (or throws with its log); the destructor stops it. Its log
// names every request it forwarded, so tests can tell whether a request went
// through it.
#include "support/tempdir.h"

#include <QProcess>
#include <memory>
#include <string>

namespace lumisk::test {

class TTinyproxy {
  public:
    TTinyproxy();
    ~TTinyproxy();
    TTinyproxy(const TTinyproxy&) = delete;
    TTinyproxy& operator=(const TTinyproxy&) = delete;

    static bool Available();
    static constexpr const char* SkipReason =
        "tinyproxy is not installed (Debian package tinyproxy); CI installs it";

    int Port() const { return port_; }
    std::string Log() const;
    // Whether the log shows a forwarded request whose line contains text.
    bool LogShowsRequest(const std::string& text) const;

  private:
    bool TryStart();

    TTempDir dir_;
    std::unique_ptr<QProcess> process_;
    int port_ = 0;
};

} // namespace lumisk::test
