#include "support/xinetdserver.h"

#include "support/localport.h"

#include <stdexcept>

namespace lumisk::test {

namespace {

// xinetd finds its built-in services by the service name, so the service is
// called "time"; UNLISTED lets it use a port other than the one in
// /etc/services.
std::string Config(int port) {
    return "defaults\n{\n}\n"
           "service time\n{\n"
           "    type        = INTERNAL UNLISTED\n"
           "    id          = time-stream\n"
           "    socket_type = stream\n"
           "    protocol    = tcp\n"
           "    wait        = no\n"
           "    port        = " +
           std::to_string(port) +
           "\n"
           "    bind        = 127.0.0.1\n"
           "    flags       = REUSE\n"
           "}\n";
}

} // namespace

bool TXinetdTimeServer::Available() {
    return !FindProgram("xinetd").empty();
}

TXinetdTimeServer::TXinetdTimeServer() {
    // The port is free when chosen but may be taken before xinetd binds it.
    for (int attempt = 0; attempt < 5; ++attempt)
        if (TryStart()) return;
    throw std::runtime_error("xinetd did not start: " + Log());
}

TXinetdTimeServer::~TXinetdTimeServer() {
    if (process_) StopProcess(*process_);
}

bool TXinetdTimeServer::TryStart() {
    if (process_) StopProcess(*process_);
    port_ = FreeLocalPort();
    dir_.Write("xinetd.conf", Config(port_));
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->setStandardOutputFile(QProcess::nullDevice());
    process_->start(QString::fromStdString(FindProgram("xinetd")),
                    {"-dontfork", "-f", QString::fromStdString(dir_.File("xinetd.conf")),
                     "-filelog", QString::fromStdString(dir_.File("xinetd.log"))});
    return process_->waitForStarted(5000) && WaitUntilAccepting(port_, *process_);
}

std::string TXinetdTimeServer::Log() const {
    return dir_.Exists("xinetd.log") ? dir_.Read("xinetd.log") : std::string();
}

} // namespace lumisk::test
