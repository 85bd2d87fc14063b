#include "retrieval/httpclient.h"

#include "retrieval/cookiejar.h"
#include "retrieval/httperror.h"
#include "retrieval/requesturl.h"
#include "util/events.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <curl/curl.h>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <sys/socket.h>
#include <unistd.h>

namespace lumisk {

namespace {

using TClock = std::chrono::steady_clock;

// libcurl is polled in short slices so that pending events run well within
// the 125 ms the user may wait for an Abort click to be noticed.
constexpr int PollSliceMs = 25;
constexpr auto EventsInterval = std::chrono::milliseconds(20);

struct TFixedHeader {
    const char* Name;
    const char* Value;
};

// The trailing blank of the User-Agent is part of the value servers see.
constexpr TFixedHeader FixedHeaders[] = {
    {"Accept", "text/html, */*"},
    {"User-Agent", "Mozilla/4.0 (compatible; MSIE 6.0; Windows 98) "},
    {"Content-Type", "text/html"},
};

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The three digits after the protocol of a status line, or 0.
int StatusOf(const std::string& statusLine) {
    const auto blank = statusLine.find(' ');
    if (blank == std::string::npos || statusLine.size() < blank + 4) return 0;
    int status = 0;
    for (std::size_t i = blank + 1; i < blank + 4; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(statusLine[i]))) return 0;
        status = status * 10 + (statusLine[i] - '0');
    }
    return status;
}

bool Is2xx(long status) {
    return status >= 200 && status <= 299;
}

THttpFailure FailureOf(CURLcode code) {
    switch (code) {
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
        return THttpFailure::Connect;
    case CURLE_OPERATION_TIMEDOUT:
        return THttpFailure::TimedOut;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
        return THttpFailure::ClosedByServer;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return THttpFailure::Tls;
    default:
        return THttpFailure::Transfer;
    }
}

void InitLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

// The running request. The libcurl callbacks only record into these; the
// wait loop turns them into events outside libcurl.
struct TRequestState {
    bool closeRequested = false;
    bool head = false;
    bool expectStatusLine = true;
    int status = 0;
    std::string statusLine;
    std::vector<std::string> lines;
    bool headersDone = false;
    bool workBegun = false;
    std::int64_t announced = -1;
    std::deque<std::string> blocks;
    std::int64_t received = 0;
    std::int64_t written = 0;
    std::optional<THttpFailure> failure;
    std::string failureText;
    bool waitingForData = false;
    TClock::time_point lastData;
    bool done = false;
    CURLcode result = CURLE_OK;
};

struct THttpClient::TImpl : TRequestState {
    // Each request gets a transfer handle of its own: libcurl 7.88 keeps a
    // pointer to the previous response's last header in a reused handle, and
    // a folded line opening the next response's headers wrote through it.
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    TCookieJar cookies;
    curl_slist* headerList = nullptr;
    char errorText[CURL_ERROR_SIZE] = {};
    std::string defaultCaFile;

    // Settings.
    std::vector<std::pair<std::string, std::string>> extraHeaders;
    std::string proxyHost;
    int proxyPort = 0;
    int readTimeoutMs = 0;
    std::int64_t maxBodyBytes = DefaultMaxBodyBytes;
    std::string caFile;

    // Connection: the sockets libcurl holds open, and whether the user was told.
    std::set<curl_socket_t> sockets;
    bool readySignalled = false; // libcurl has a connection ready for a request
    bool connected = false;

    bool busy = false;     // a request runs
    bool attached = false; // the easy handle is in the multi handle

    CURL* NewTransfer();

    void Fail(THttpFailure kind, const std::string& text) {
        failure = kind;
        failureText = text;
    }

    static curl_socket_t OpenSocket(void* self, curlsocktype, curl_sockaddr* address) {
        auto& d = *static_cast<TImpl*>(self);
        // Close-on-exec keeps the connection out of child processes.
        const int fd =
            ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
        if (fd < 0) return CURL_SOCKET_BAD;
        d.sockets.insert(fd);
        return fd;
    }

    static int CloseSocket(void* self, curl_socket_t fd) {
        static_cast<TImpl*>(self)->sockets.erase(fd);
        return ::close(fd);
    }

    static int Prereq(void* self, char*, char*, int, int) {
        auto& d = *static_cast<TImpl*>(self);
        d.readySignalled = true;
        d.waitingForData = true;
        d.lastData = TClock::now();
        return CURL_PREREQFUNC_OK;
    }

    static std::size_t Header(char* buffer, std::size_t size, std::size_t count, void* self) {
        auto& d = *static_cast<TImpl*>(self);
        const std::size_t length = size * count;
        d.lastData = TClock::now();
        if (d.headersDone) return length; // trailers of a chunked body
        // libcurl ends a header block at the first line that begins with CR
        // or LF, whatever else that line holds; the status is judged there.
        if (!d.expectStatusLine && length > 0 && (buffer[0] == '\r' || buffer[0] == '\n'))
            return d.EndOfBlock() ? length : 0;
        std::string line(buffer, length);
        if (!line.empty() && line.back() == '\n') line.pop_back();
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (d.expectStatusLine) {
            // Only the lines of the final response are kept, not those of a 1xx.
            d.lines.clear();
            d.statusLine = line;
            d.status = StatusOf(line);
            d.expectStatusLine = false;
        }
        d.lines.push_back(std::move(line));
        return length;
    }

    // False when the response has failed.
    bool EndOfBlock() {
        expectStatusLine = true;
        if (status >= 100 && status < 200) return true;
        headersDone = true;
        long code = 0;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);
        if (Is2xx(status) && !Is2xx(code)) status = static_cast<int>(code);
        if (!Is2xx(status)) {
            Fail(THttpFailure::Status, statusLine);
            return false;
        }
        if (!head) {
            curl_off_t length = -1;
            curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
            announced = length;
            if (length > maxBodyBytes) {
                Fail(THttpFailure::TooLarge, "The announced body of " + std::to_string(length) +
                                                 " bytes is larger than " +
                                                 std::to_string(maxBodyBytes) + " bytes");
                return false;
            }
        }
        return true;
    }

    // A response that ended, or reached its body, without the end of its
    // header block is no success, whatever its status line said.
    void FailUnfinishedHead() {
        if (status != 0 && !Is2xx(status) && !(status >= 100 && status < 200))
            Fail(THttpFailure::Status, statusLine);
        else
            Fail(THttpFailure::ClosedByServer, "The header block of the response did not end");
    }

    static std::size_t Write(char* data, std::size_t size, std::size_t count, void* self) {
        auto& d = *static_cast<TImpl*>(self);
        const std::size_t length = size * count;
        d.lastData = TClock::now();
        if (!d.headersDone) {
            d.FailUnfinishedHead();
            return 0;
        }
        if (d.received + static_cast<std::int64_t>(length) > d.maxBodyBytes) {
            d.Fail(THttpFailure::TooLarge,
                   "The body is larger than " + std::to_string(d.maxBodyBytes) + " bytes");
            return 0;
        }
        for (std::size_t at = 0; at < length; at += ReceiveBufferBytes)
            d.blocks.emplace_back(data + at, std::min(ReceiveBufferBytes, length - at));
        d.received += static_cast<std::int64_t>(length);
        return length;
    }
};

// A transfer handle with the settings every request shares.
CURL* THttpClient::TImpl::NewTransfer() {
    auto& d = *this;
    CURL* e = curl_easy_init();
    if (!e) return nullptr;
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    // An Abort during a slow host name look-up must not wait for the
    // resolver thread to finish.
    curl_easy_setopt(e, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, d.errorText);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(e, CURLOPT_BUFFERSIZE, static_cast<long>(THttpClient::ReceiveBufferBytes));
    // libcurl's 0 means its built-in 300 s; the largest value means none.
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(INT_MAX));
    d.cookies.Attach(e);
    curl_easy_setopt(e, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
    curl_easy_setopt(e, CURLOPT_NOPROXY, ""); // ignore no_proxy of the environment
    curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(e, CURLOPT_OPENSOCKETFUNCTION, &TImpl::OpenSocket);
    curl_easy_setopt(e, CURLOPT_OPENSOCKETDATA, &d);
    curl_easy_setopt(e, CURLOPT_CLOSESOCKETFUNCTION, &TImpl::CloseSocket);
    curl_easy_setopt(e, CURLOPT_CLOSESOCKETDATA, &d);
    curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &TImpl::Prereq);
    curl_easy_setopt(e, CURLOPT_PREREQDATA, &d);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &TImpl::Header);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &d);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &TImpl::Write);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &d);
    return e;
}

THttpClient::THttpClient() : impl_((InitLibrary(), std::make_unique<TImpl>())) {
    auto& d = *impl_;
    d.multi = curl_multi_init();
    CURL* probe = curl_easy_init();
    if (!d.multi || !probe) {
        if (d.multi) curl_multi_cleanup(d.multi);
        if (probe) curl_easy_cleanup(probe);
        throw EHttpError(THttpFailure::Transfer, "Cannot start the HTTP client");
    }
    char* defaultCa = nullptr;
    if (curl_easy_getinfo(probe, CURLINFO_CAINFO, &defaultCa) == CURLE_OK && defaultCa)
        d.defaultCaFile = defaultCa;
    curl_easy_cleanup(probe);
}

THttpClient::~THttpClient() {
    Detach();
    if (impl_->multi) curl_multi_cleanup(impl_->multi);
    curl_slist_free_all(impl_->headerList);
}

void THttpClient::SetRequestHeader(const std::string& name, const std::string& value) {
    auto& headers = impl_->extraHeaders;
    auto it = std::find_if(headers.begin(), headers.end(),
                           [&](const auto& h) { return SameName(h.first, name); });
    if (value.empty()) {
        if (it != headers.end()) headers.erase(it);
    } else if (it != headers.end()) {
        it->second = value;
    } else {
        headers.emplace_back(name, value);
    }
}

std::string THttpClient::RequestHeader(const std::string& name) const {
    for (const auto& [n, v] : impl_->extraHeaders)
        if (SameName(n, name)) return v;
    return {};
}

void THttpClient::SetProxy(const std::string& host, int port) {
    impl_->proxyHost = host;
    impl_->proxyPort = port;
}

void THttpClient::SetReadTimeout(int milliseconds) {
    impl_->readTimeoutMs = std::max(0, milliseconds);
}
int THttpClient::ReadTimeout() const {
    return impl_->readTimeoutMs;
}
void THttpClient::SetMaxBodyBytes(std::int64_t bytes) {
    impl_->maxBodyBytes = std::max<std::int64_t>(0, bytes);
}
void THttpClient::SetCertificateAuthorityFile(const std::string& path) {
    impl_->caFile = path;
}
bool THttpClient::Connected() const {
    return impl_->connected;
}

std::vector<std::string> THttpClient::Head(const std::string& url) {
    std::vector<std::string> lines;
    Run(url, true, nullptr, &lines);
    return lines;
}

std::int64_t THttpClient::Get(const std::string& url, const TSink& sink) {
    return Run(url, false, &sink, nullptr);
}

void THttpClient::CloseConnection() {
    auto& d = *impl_;
    if (d.busy) d.closeRequested = true;
    Drop();
}

void THttpClient::Drop() {
    auto& d = *impl_;
    d.blocks.clear();
    Detach();
    // The connections libcurl keeps for reuse belong to the multi handle: a new
    // one closes them. Cookies live in the jar and stay.
    if (d.multi) curl_multi_cleanup(d.multi);
    d.multi = curl_multi_init();
    SyncConnection();
}

void THttpClient::Detach() {
    auto& d = *impl_;
    if (!d.easy) return;
    if (d.attached) curl_multi_remove_handle(d.multi, d.easy);
    d.attached = false;
    d.cookies.Trim(d.easy);
    curl_easy_cleanup(d.easy);
    d.easy = nullptr;
}

void THttpClient::NoteConnected() {
    auto& d = *impl_;
    if (!d.readySignalled) return;
    d.readySignalled = false;
    if (d.connected) return; // a connection reused
    d.connected = true;
    if (OnConnected) OnConnected();
}

void THttpClient::SyncConnection() {
    // A connection may have opened and closed within one libcurl call: both are told.
    NoteConnected();
    auto& d = *impl_;
    if (!d.connected || !d.sockets.empty()) return;
    d.connected = false;
    if (OnDisconnected) OnDisconnected();
}

void THttpClient::Start(const std::string& url, bool head) {
    auto& d = *impl_;
    if (!d.multi) throw EHttpError(THttpFailure::Transfer, "Cannot start the HTTP client");
    Detach();
    static_cast<TRequestState&>(d) = TRequestState{};
    d.head = head;
    d.errorText[0] = '\0';

    curl_slist_free_all(d.headerList);
    d.headerList = nullptr;
    auto add = [&](const std::string& name, const std::string& value) {
        d.headerList = curl_slist_append(d.headerList, (name + ": " + value).c_str());
    };
    for (const auto& fixed : FixedHeaders)
        if (RequestHeader(fixed.Name).empty()) add(fixed.Name, fixed.Value);
    for (const auto& [name, value] : d.extraHeaders)
        add(name, value);

    d.easy = d.NewTransfer();
    if (!d.easy) throw EHttpError(THttpFailure::Transfer, "Cannot start the request");
    CURL* e = d.easy;
    curl_easy_setopt(e, CURLOPT_URL, RequestUrl(url).c_str());
    curl_easy_setopt(e, CURLOPT_NOBODY, head ? 1L : 0L);
    if (!head) curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, d.headerList);
    const bool direct = d.proxyHost.empty() || d.proxyPort == 0;
    const std::string proxy = direct ? "" : d.proxyHost + ":" + std::to_string(d.proxyPort);
    curl_easy_setopt(e, CURLOPT_PROXY, proxy.c_str()); // "" also ignores http_proxy
    const std::string& ca = d.caFile.empty() ? d.defaultCaFile : d.caFile;
    curl_easy_setopt(e, CURLOPT_CAINFO, ca.empty() ? nullptr : ca.c_str());

    if (curl_multi_add_handle(d.multi, e) != CURLM_OK)
        throw EHttpError(THttpFailure::Transfer, "Cannot start the request");
    d.attached = true;
}

std::int64_t THttpClient::CloseNoticedInWait() {
    auto& d = *impl_;
    // A body without length has no end but the close, so what came is the body.
    if (!d.head && d.headersDone && !d.failure && d.announced < 0) return d.written;
    throw EHttpError(THttpFailure::ClosedByClient, "Connection closed");
}

void THttpClient::ThrowDone() {
    auto& d = *impl_;
    if (d.failure) {
        throw EHttpError(*d.failure, d.failureText,
                         *d.failure == THttpFailure::Status ? d.status : 0);
    }
    const std::string text = d.errorText[0] ? d.errorText : curl_easy_strerror(d.result);
    throw EHttpError(FailureOf(d.result), text, 0, static_cast<int>(d.result));
}

std::int64_t THttpClient::Run(const std::string& url, bool head, const TSink* sink,
                              std::vector<std::string>* lines) {
    auto& d = *impl_;
    if (d.busy) throw EHttpError(THttpFailure::Busy, "A request of this client is already running");
    d.busy = true;
    struct TBusyGuard {
        bool& flag;
        ~TBusyGuard() { flag = false; }
    } busyGuard{d.busy};

    try {
        Start(url, head);
        auto lastEvents = TClock::now();
        // After every point where handlers may have run, closeRequested is
        // tested before libcurl is touched again: CloseConnection has already
        // taken the transfer away.
        while (true) {
            int ready = 0;
            curl_multi_poll(d.multi, nullptr, 0, PollSliceMs, &ready);
            if (TClock::now() - lastEvents >= EventsInterval) {
                ProcessPendingEvents();
                lastEvents = TClock::now();
                if (d.closeRequested) return CloseNoticedInWait();
            }

            int running = 0;
            curl_multi_perform(d.multi, &running);
            int left = 0;
            while (CURLMsg* message = curl_multi_info_read(d.multi, &left)) {
                if (message->msg != CURLMSG_DONE) continue;
                d.done = true;
                d.result = message->data.result;
                if (d.result == CURLE_OK && !d.failure && !d.headersDone) d.FailUnfinishedHead();
            }
            if (!d.done && d.waitingForData && d.readTimeoutMs > 0 &&
                TClock::now() - d.lastData > std::chrono::milliseconds(d.readTimeoutMs))
                throw EHttpError(THttpFailure::TimedOut, "Read timed out");

            NoteConnected();
            if (d.closeRequested) return CloseNoticedInWait();

            if (!head && d.headersDone && !d.failure && !d.workBegun) {
                d.workBegun = true;
                if (OnWorkBegin)
                    OnWorkBegin(TWorkMode::Read, std::max<std::int64_t>(d.announced, 0));
                if (d.closeRequested) return d.written;
            }
            const bool wrote = !d.blocks.empty();
            while (!d.blocks.empty()) {
                const std::string block = std::move(d.blocks.front());
                d.blocks.pop_front();
                (*sink)(block.data(), block.size());
                d.written += static_cast<std::int64_t>(block.size());
                if (OnWork) OnWork(TWorkMode::Read, d.written);
                // Closed between two blocks: the body so far is the result.
                if (d.closeRequested) return d.written;
            }
            // Time spent in the sink and the handlers is not time without data.
            if (wrote) d.lastData = TClock::now();
            // The server's close comes after the blocks that came before it.
            SyncConnection();
            if (d.closeRequested && !d.done) return CloseNoticedInWait();

            if (d.done) {
                Detach();
                SyncConnection();
                if (d.failure || d.result != CURLE_OK) ThrowDone();
                if (lines) *lines = d.lines;
                return d.written;
            }
        }
    } catch (...) {
        // A failed request leaves no connection behind, whatever state it was in.
        Drop();
        throw;
    }
}

} // namespace lumisk
