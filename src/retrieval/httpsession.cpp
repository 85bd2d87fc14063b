#include "retrieval/httpsession.h"

#include "retrieval/httperror.h"
#include "retrieval/httptransfer.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <sys/socket.h>
#include <unistd.h>

namespace lumisk {

namespace {

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

THttpSession::TLibrary::TLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

THttpSession::THttpSession() {
    multi_ = curl_multi_init();
    CURL* probe = curl_easy_init();
    if (!multi_ || !probe) {
        if (multi_) curl_multi_cleanup(multi_);
        if (probe) curl_easy_cleanup(probe);
        throw EHttpError(THttpFailure::Transfer, "Cannot start the HTTP client");
    }
    char* defaultCa = nullptr;
    if (curl_easy_getinfo(probe, CURLINFO_CAINFO, &defaultCa) == CURLE_OK && defaultCa)
        defaultCaFile_ = defaultCa;
    curl_easy_cleanup(probe);
}

THttpSession::~THttpSession() {
    CloseConnections();
    if (multi_) curl_multi_cleanup(multi_);
}

void THttpSession::SetRequestHeader(const std::string& name, const std::string& value) {
    auto it = std::find_if(headers_.begin(), headers_.end(),
                           [&](const auto& h) { return SameName(h.first, name); });
    if (value.empty()) {
        if (it != headers_.end()) headers_.erase(it);
    } else if (it != headers_.end()) {
        it->second = value;
    } else {
        headers_.emplace_back(name, value);
    }
}

std::string THttpSession::RequestHeader(const std::string& name) const {
    for (const auto& [n, v] : headers_)
        if (SameName(n, name)) return v;
    return {};
}

void THttpSession::SetProxy(const std::string& host, int port) {
    proxyHost_ = host;
    proxyPort_ = port;
}

std::string THttpSession::ProxyText() const {
    if (proxyHost_.empty() || proxyPort_ == 0) return {};
    return proxyHost_ + ":" + std::to_string(proxyPort_);
}

void THttpSession::SetMaxBodyBytes(std::int64_t bytes) {
    maxBodyBytes_ = std::max<std::int64_t>(0, bytes);
}

void THttpSession::Wait(int ms) {
    int ready = 0;
    curl_multi_poll(multi_, nullptr, 0, ms, &ready);
}

void THttpSession::Perform() {
    int running = 0;
    curl_multi_perform(multi_, &running);
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
        if (message->msg != CURLMSG_DONE) continue;
        char* owner = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner);
        if (auto* transfer = reinterpret_cast<THttpTransfer*>(owner); attached_.count(transfer))
            transfer->Finished(message->data.result);
    }
}

void THttpSession::CloseConnections() {
    // Closing a transfer detaches it, which changes the set.
    const std::set<THttpTransfer*> running = attached_;
    for (THttpTransfer* transfer : running)
        transfer->Close();
    // The connections kept for reuse belong to the multi handle: a new one
    // closes them. Cookies live in the jar and stay.
    if (multi_) curl_multi_cleanup(multi_);
    multi_ = curl_multi_init();
}

bool THttpSession::TakeConnectionReady() {
    const bool ready = connectionReady_;
    connectionReady_ = false;
    return ready;
}

curl_socket_t THttpSession::OpenSocket(void* self, curlsocktype, curl_sockaddr* address) {
    // Close-on-exec keeps the connection out of child processes.
    const int fd = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (fd < 0) return CURL_SOCKET_BAD;
    static_cast<THttpSession*>(self)->sockets_.insert(fd);
    return fd;
}

int THttpSession::CloseSocket(void* self, curl_socket_t fd) {
    static_cast<THttpSession*>(self)->sockets_.erase(fd);
    return ::close(fd);
}

} // namespace lumisk
