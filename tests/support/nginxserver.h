#pragma once
// A real nginx serving a directory on 127.0.0.1 (or on several loopback
// addresses, 127.0.0.1 among them) at a free port, as a child
// process with its own prefix, configuration, pid and log files in a
// temporary directory. The constructor returns once nginx accepts
// connections (or throws with its error log); the destructor stops it.
// Tests that need it first check Available() and skip when it is false.
#include "support/tempdir.h"

#include <QProcess>
#include <memory>
#include <string>
#include <vector>

namespace lumisk::test {

struct TNginxTls {
    std::string CertificateFile; // PEM
    std::string KeyFile;         // PEM
};

class TNginx {
  public:
    // Serves the files under root; with tls, over HTTPS instead of HTTP.
    explicit TNginx(const std::string& root, const TNginxTls* tls = nullptr);
    // Serves the files under root over HTTP on each of these addresses
    // ("127.0.0.1", "127.0.0.2", ...), all at the same port.
    TNginx(const std::string& root, const std::vector<std::string>& addresses);
    ~TNginx();
    TNginx(const TNginx&) = delete;
    TNginx& operator=(const TNginx&) = delete;

    static bool Available();
    static constexpr const char* SkipReason =
        "nginx is not installed (Debian package nginx-light); CI installs it";

    int Port() const { return port_; }
    // "http://127.0.0.1:<port>" + path ("https://" when serving TLS).
    std::string Url(const std::string& path) const;
    // "http://<address>:<port>" + path.
    std::string Url(const std::string& path, const std::string& address) const;
    std::string ErrorLog() const;

  private:
    bool TryStart(const std::string& root, const TNginxTls* tls);

    TTempDir dir_;
    std::unique_ptr<QProcess> process_;
    int port_ = 0;
    bool tls_ = false;
    std::vector<std::string> addresses_{"127.0.0.1"};
};

} // namespace lumisk::test
