#pragma once
// The program's one HTTP client: HEAD and GET requests made from the
// user-interface thread, which they block until the response is complete.
//
// Every request sends "Accept: text/html, */*", the fixed browser User-Agent
// (with its trailing blank), "Content-Type: text/html" and the headers set
// with SetRequestHeader; no request carries a body. The address goes out with
// what a URL cannot hold raw percent-encoded (requesturl.h). Cookies set by
// servers are kept in memory for the life of the client and sent back, at
// most TCookieJar::MaxCookiesPerHost per host (cookiejar.h). Redirects are not
// followed, there is no connect time-out, and the proxy is only the one given
// to SetProxy (proxy variables of the environment are ignored). "https://"
// addresses are fetched over TLS with certificate checks.
//
// While it waits (connecting, for the response, for body data) the client
// calls ProcessPendingEvents every few tens of milliseconds, so handlers may
// run nested inside a request. From there, and from the events below, only
// CloseConnection may be called: a nested Head or Get throws EHttpError Busy
// and leaves the running request alone. All events run on the calling thread,
// never inside libcurl. The client must not be destroyed inside its own
// request (from a nested handler or an event).
//
// Failures are thrown as EHttpError (httperror.h); an exception thrown by the
// sink or an event handler ends the request and reaches the caller unchanged.
// Either way the connection is closed (OnDisconnected fires) before the
// exception leaves the request.
//
// Each request is one THttpTransfer (httptransfer.h, which holds the rules of
// a response) on the client's own THttpSession; RunJob lets other work on
// that session, such as a camera's fetch, wait in the same way.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lumisk {

class THttpSession;

enum class TWorkMode { Read, Write };

class THttpClient {
  public:
    // Receives the body block by block; may throw (a file that cannot be written).
    using TSink = std::function<void(const char* data, std::size_t size)>;

    static constexpr std::size_t ReceiveBufferBytes = 2048;
    // A stream at a still-image address must not fill the disk.
    static constexpr std::int64_t DefaultMaxBodyBytes = std::int64_t{64} * 1024 * 1024;

    THttpClient();
    ~THttpClient();
    THttpClient(const THttpClient&) = delete;
    THttpClient& operator=(const THttpClient&) = delete;

    // Adds or replaces an extra request header; names compare without regard
    // to case and the first spelling used is the one sent. An empty value
    // removes the header. A name of a fixed header replaces that header.
    void SetRequestHeader(const std::string& name, const std::string& value);
    // The value of an extra header, or "" when it is not set.
    std::string RequestHeader(const std::string& name) const;

    // The HTTP proxy for the next requests; an empty host or port 0 means a
    // direct connection. Takes effect on new connections (call CloseConnection).
    void SetProxy(const std::string& host, int port);

    // Longest time in milliseconds without data while waiting for the response
    // or for body data; 0 (the initial value) means no limit.
    void SetReadTimeout(int milliseconds);
    int ReadTimeout() const;

    // Largest body Get accepts; a longer one (announced or received) fails
    // with TooLarge after at most this many bytes reached the sink.
    void SetMaxBodyBytes(std::int64_t bytes);
    // Trusted certificates for HTTPS from this PEM file instead of the system's
    // store; "" restores the system's store.
    void SetCertificateAuthorityFile(const std::string& path);

    // Sends a HEAD request. Returns the response's header lines as received,
    // in order, without their line ends: the status line first, then every
    // header line (not the blank line that ends them). Throws EHttpError for
    // a status outside 2xx (Status), a header block that never ended
    // (ClosedByServer, or Status when its status line was not 2xx) and every
    // other failure.
    std::vector<std::string> Head(const std::string& url);

    // Sends a GET request and writes the body to sink as it arrives. Returns
    // the number of body bytes written once the body is complete: the
    // announced length reached, or the server closed a body without length.
    // When CloseConnection is called during the request, Get returns the bytes
    // so far if the body has no announced length or the close came from a work
    // event, and throws ClosedByClient otherwise. Throws EHttpError as Head.
    std::int64_t Get(const std::string& url, const TSink& sink);

    // Closes the connection and ends a running request's wait at once. Fires
    // OnDisconnected when a connection was open. Harmless when none is.
    void CloseConnection();
    // Whether a connection to the server or proxy is open (after a request it
    // may stay open for the next one until the server or CloseConnection ends it).
    bool Connected() const;

    // A connection to the server (or proxy) is open and the request is about to go out.
    std::function<void()> OnConnected;
    // The open connection was closed (by the server, a failure or CloseConnection).
    std::function<void()> OnDisconnected;
    // A GET body starts; countMax is the announced length, or 0 when the body
    // is read until the server closes the connection.
    std::function<void(TWorkMode mode, std::int64_t countMax)> OnWorkBegin;
    // After each block written to the sink; count is the running total of body bytes.
    std::function<void(TWorkMode mode, std::int64_t count)> OnWork;

    // The session the client's requests run on: its headers, proxy, body cap,
    // certificates, cookies and connections.
    THttpSession& Session();

    // Runs work that starts transfers of its own on Session() (a camera's
    // date check and download) and waits for it as Head and Get wait: advance
    // is called at once and then after every step of the session's transfers
    // until it returns true; pending events are processed, OnConnected and
    // OnDisconnected told, and CloseConnection ends the transfer running at
    // the time. Throws Busy while a request runs; an exception of advance
    // closes the connection and reaches the caller.
    void RunJob(const std::function<bool()>& advance);

  private:
    struct TImpl;
    std::unique_ptr<TImpl> impl_;

    std::int64_t Run(const std::string& url, bool head, const TSink* sink,
                     std::vector<std::string>* lines);
    void Drop();
    void NoteConnected();
    void SyncConnection();
};

} // namespace lumisk
