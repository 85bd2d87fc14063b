#include "support/nginxserver.h"

#include "support/localport.h"

#include <QDir>
#include <stdexcept>

namespace lumisk::test {

namespace {

std::string Config(const std::string& prefix, const std::string& root, int port,
                   const TNginxTls* tls, int addresses, bool users) {
    std::string c = "daemon off;\nmaster_process off;\nworker_processes 1;\n";
    c += "pid " + prefix + "nginx.pid;\n";
    c += "error_log " + prefix + "error.log info;\n";
    c += "events { worker_connections 64; }\n";
    c += "http {\n";
    c += "  types { text/html html htm; image/jpeg jpg jpeg; image/gif gif; image/png png; }\n";
    c += "  default_type application/octet-stream;\n";
    c += "  access_log " + prefix + "access.log;\n";
    for (const char* temp : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
        c += std::string("  ") + temp + "_temp_path " + prefix + temp + ";\n";
    c += "  server {\n";
    for (int address = 1; address <= addresses; ++address)
        c += "    listen 127.0.0." + std::to_string(address) + ":" + std::to_string(port) +
             (tls ? " ssl" : "") + ";\n";
    c += "    server_name localhost;\n";
    c += "    root " + root + ";\n";
    if (users) c += "    auth_basic \"Camera\";\n    auth_basic_user_file " + prefix + "users;\n";
    if (tls) {
        c += "    ssl_certificate " + tls->CertificateFile + ";\n";
        c += "    ssl_certificate_key " + tls->KeyFile + ";\n";
    }
    c += "  }\n}\n";
    return c;
}

} // namespace

bool TNginx::Available() {
    return !FindProgram("nginx").empty();
}

TNginx::TNginx(const std::string& root, const TNginxTls* tls, int addresses, const TUsers& users)
    : tls_(tls != nullptr), addresses_(addresses), users_(users) {
    // The port is free when chosen but may be taken before nginx binds it.
    for (int attempt = 0; attempt < 5; ++attempt)
        if (TryStart(root, tls)) return;
    throw std::runtime_error("nginx did not start: " + ErrorLog());
}

TNginx::~TNginx() {
    if (process_) StopProcess(*process_);
}

bool TNginx::TryStart(const std::string& root, const TNginxTls* tls) {
    if (process_) StopProcess(*process_);
    port_ = FreeLocalPort();
    const std::string prefix = dir_.Path();
    std::string userFile;
    for (const auto& [user, password] : users_)
        userFile += user + ":{PLAIN}" + password + "\n";
    dir_.Write("users", userFile);
    dir_.Write("nginx.conf", Config(prefix, root, port_, tls, addresses_, !users_.empty()));
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->setStandardOutputFile(QProcess::nullDevice());
    process_->start(QString::fromStdString(FindProgram("nginx")),
                    {"-p", QString::fromStdString(prefix), "-c",
                     QString::fromStdString(prefix + "nginx.conf"), "-e",
                     QString::fromStdString(prefix + "error.log")});
    return process_->waitForStarted(5000) && WaitUntilAccepting(port_, *process_);
}

std::string TNginx::Url(const std::string& path) const {
    return UrlAt(1, path);
}

std::string TNginx::UrlAt(int address, const std::string& path) const {
    return (tls_ ? "https://127.0.0." : "http://127.0.0.") + std::to_string(address) + ":" +
           std::to_string(port_) + path;
}

std::string TNginx::ErrorLog() const {
    return dir_.Read("error.log");
}

} // namespace lumisk::test
