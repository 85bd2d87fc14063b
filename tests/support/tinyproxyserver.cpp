#include "support/tinyproxyserver.h"

#include "support/localport.h"

#include <sstream>
#include <stdexcept>

namespace lumisk::test {

bool TTinyproxy::Available() {
    return !FindProgram("tinyproxy").empty();
}

TTinyproxy::TTinyproxy() {
    for (int attempt = 0; attempt < 5; ++attempt)
        if (TryStart()) return;
    throw std::runtime_error("tinyproxy did not start: " + Log());
}

TTinyproxy::~TTinyproxy() {
    if (process_) StopProcess(*process_);
}

bool TTinyproxy::TryStart() {
    if (process_) StopProcess(*process_);
    port_ = FreeLocalPort();
    const std::string prefix = dir_.Path();
    dir_.Write("tinyproxy.conf", "Port " + std::to_string(port_) +
                                     "\n"
                                     "Listen 127.0.0.1\n"
                                     "Timeout 30\n"
                                     "Allow 127.0.0.1\n"
                                     "MaxClients 20\n"
                                     "LogLevel Info\n"
                                     "LogFile \"" +
                                     prefix + "tinyproxy.log\"\n" + "PidFile \"" + prefix +
                                     "tinyproxy.pid\"\n");
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->setStandardOutputFile(QProcess::nullDevice());
    process_->start(QString::fromStdString(FindProgram("tinyproxy")),
                    {"-d", "-c", QString::fromStdString(prefix + "tinyproxy.conf")});
    return process_->waitForStarted(5000) && WaitUntilAccepting(port_, *process_);
}

std::string TTinyproxy::Log() const {
    return dir_.Read("tinyproxy.log");
}

bool TTinyproxy::LogShowsRequest(const std::string& text) const {
    std::istringstream lines(Log());
    for (std::string line; std::getline(lines, line);)
        if (line.find("Request ") != std::string::npos && line.find(text) != std::string::npos)
            return true;
    return false;
}

} // namespace lumisk::test
