#pragma once
// What the requests of one user of HTTP share: a libcurl multi handle that
// runs them side by side and keeps their connections for reuse, the cookies,
// the headers, proxy, body cap and certificates of every request, and the
// sockets libcurl holds open. THttpClient has one for its one request at a
// time; TFetchPool has one for many cameras at once.
//
// Single-threaded, and nothing here blocks except Wait. Transfers
// (httptransfer.h) are attached to the multi handle only while they run and
// must be gone before the session is destroyed. Settings take effect on the
// next transfer started; the proxy only on new connections.
//
// Throws EHttpError (Transfer) when libcurl cannot make its handles.
#include "retrieval/cookiejar.h"

#include <cstdint>
#include <curl/curl.h>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace lumisk {

class THttpTransfer;

class THttpSession {
  public:
    // A stream at a still-image address must not fill the disk.
    static constexpr std::int64_t DefaultMaxBodyBytes = std::int64_t{64} * 1024 * 1024;

    THttpSession();
    ~THttpSession();
    THttpSession(const THttpSession&) = delete;
    THttpSession& operator=(const THttpSession&) = delete;

    // Adds or replaces an extra request header; names compare without regard
    // to case and the first spelling used is the one sent. An empty value
    // removes it. A name of a fixed header replaces that header.
    void SetRequestHeader(const std::string& name, const std::string& value);
    std::string RequestHeader(const std::string& name) const;
    const std::vector<std::pair<std::string, std::string>>& RequestHeaders() const {
        return headers_;
    }

    // An empty host or port 0 means a direct connection.
    void SetProxy(const std::string& host, int port);
    // "host:port", or "" for a direct connection.
    std::string ProxyText() const;

    void SetMaxBodyBytes(std::int64_t bytes);
    std::int64_t MaxBodyBytes() const { return maxBodyBytes_; }

    // Trusted certificates for HTTPS from this PEM file; "" is the system's store.
    void SetCertificateAuthorityFile(const std::string& path) { caFile_ = path; }
    // The file in use ("" when libcurl has no default either).
    const std::string& CertificateAuthorityFile() const {
        return caFile_.empty() ? defaultCaFile_ : caFile_;
    }

    // Sleeps until a running transfer's connection has something to do, a new
    // transfer wants to start, or ms pass.
    void Wait(int ms);
    // Lets libcurl move every running transfer on and tells the finished ones;
    // each transfer's Pump then delivers what came.
    void Perform();
    // Closes every connection kept or in use. Running transfers end as
    // THttpTransfer::Close ends them.
    void CloseConnections();

    // Whether libcurl holds a connection open.
    bool ConnectionsOpen() const { return !sockets_.empty(); }
    // Whether a connection became ready for a request since the last call.
    bool TakeConnectionReady();

    CURLM* Multi() const { return multi_; }
    const TCookieJar& Cookies() const { return cookies_; }

  private:
    friend class THttpTransfer;

    static curl_socket_t OpenSocket(void* self, curlsocktype, curl_sockaddr* address);
    static int CloseSocket(void* self, curl_socket_t fd);

    void Attached(THttpTransfer* transfer) { attached_.insert(transfer); }
    void Detached(THttpTransfer* transfer) { attached_.erase(transfer); }
    void NoteConnectionReady() { connectionReady_ = true; }

    // Made first: libcurl is set up before the jar makes its first handle.
    struct TLibrary {
        TLibrary();
    } library_;
    TCookieJar cookies_;
    CURLM* multi_ = nullptr;
    std::set<THttpTransfer*> attached_;
    // Connections belong to the multi handle and outlive the transfers that
    // opened them, so the sockets are counted here.
    std::set<curl_socket_t> sockets_;
    bool connectionReady_ = false;

    std::vector<std::pair<std::string, std::string>> headers_;
    std::string proxyHost_;
    int proxyPort_ = 0;
    std::int64_t maxBodyBytes_ = DefaultMaxBodyBytes;
    std::string caFile_;
    std::string defaultCaFile_;
};

} // namespace lumisk
