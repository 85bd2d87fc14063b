#pragma once
// A real nginx serving a directory on 127.0.0.1 (and, when asked, on
// 127.0.0.2, 127.0.0.3, ... at the same port) at a free port, as a child
// process with its own prefix, configuration, pid and log files in a
// temporary directory. The constructor returns once nginx accepts
// connections (or throws with its error log); the destructor stops it.
// Tests that need it first check Available() and skip when it is false.
#include "support/tempdir.h"

#include <QProcess>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace lumisk::test {

struct TNginxTls {
    std::string CertificateFile; // PEM
    std::string KeyFile;         // PEM
};

class TNginx {
  public:
    using TUsers = std::vector<std::pair<std::string, std::string>>; // user, password

    // Serves the files under root; with tls, over HTTPS instead of HTTP; on
    // the first `addresses` loopback addresses; with users, only to them
    // (HTTP Basic authentication).
    explicit TNginx(const std::string& root, const TNginxTls* tls = nullptr, int addresses = 1,
                    const TUsers& users = {});
    ~TNginx();
    TNginx(const TNginx&) = delete;
    TNginx& operator=(const TNginx&) = delete;

    static bool Available();
    static constexpr const char* SkipReason =
        "nginx is not installed (Debian package nginx-light); CI installs it";

    int Port() const { return port_; }
    // "http://127.0.0.1:<port>" + path ("https://" when serving TLS).
    std::string Url(const std::string& path) const;
    // The same on 127.0.0.<address> (1 .. addresses).
    std::string UrlAt(int address, const std::string& path) const;
    std::string ErrorLog() const;

  private:
    bool TryStart(const std::string& root, const TNginxTls* tls);

    TTempDir dir_;
    std::unique_ptr<QProcess> process_;
    int port_ = 0;
    bool tls_ = false;
    int addresses_ = 1;
    TUsers users_;
};

} // namespace lumisk::test
