#include "support/unreachableport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lumisk::test {

TUnreachablePort::TUnreachablePort()
    : listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)),
      filler_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    auto* any = reinterpret_cast<sockaddr*>(&address);
    ::bind(listener_, any, sizeof address);
    ::listen(listener_, 0);
    ::getsockname(listener_, any, &length);
    ::connect(filler_, any, sizeof address);
    port_ = ntohs(address.sin_port);
}

TUnreachablePort::~TUnreachablePort() {
    Close();
}

std::string TUnreachablePort::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void TUnreachablePort::Close() {
    if (filler_ >= 0) ::close(filler_);
    if (listener_ >= 0) ::close(listener_);
    filler_ = listener_ = -1;
}

} // namespace lumisk::test
