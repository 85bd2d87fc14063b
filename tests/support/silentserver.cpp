#include "support/silentserver.h"

#include "support/localport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace lumisk::test {

TSilentServer::TSilentServer(const std::vector<std::string>& addresses) {
    // The port is free on 127.0.0.1 when chosen; it may be taken elsewhere.
    for (int attempt = 0; attempt < 5; ++attempt)
        if (TryListen(addresses)) return;
    throw std::runtime_error("no free port for a silent server");
}

TSilentServer::~TSilentServer() {
    for (int fd : sockets_)
        ::close(fd);
}

bool TSilentServer::TryListen(const std::vector<std::string>& addresses) {
    for (int fd : sockets_)
        ::close(fd);
    sockets_.clear();
    port_ = FreeLocalPort();
    for (const std::string& address : addresses) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        sockets_.push_back(fd);
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_port = htons(static_cast<std::uint16_t>(port_));
        // Connections wait in the backlog, completed but never accepted;
        // a long one keeps every test's requests there.
        if (::inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1 ||
            ::bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 ||
            ::listen(fd, SOMAXCONN) != 0)
            return false;
    }
    return true;
}

std::string TSilentServer::Url(const std::string& path, const std::string& address) const {
    return "http://" + address + ":" + std::to_string(port_) + path;
}

} // namespace lumisk::test
