#include "retrieval/httptransfer.h"

#include "retrieval/httpsession.h"
#include "retrieval/requesturl.h"
#include "util/urlcredentials.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace lumisk {

namespace {

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

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The value of the last header line of that name; lines[0] is the status line.
std::string HeaderValue(const std::vector<std::string>& lines, const std::string& name) {
    std::string value;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::size_t colon = lines[i].find(':');
        if (colon != std::string::npos && SameName(lines[i].substr(0, colon), name))
            value = lines[i].substr(colon + 1);
    }
    return value;
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

} // namespace

THttpTransfer::THttpTransfer(THttpSession& session, TRequest request, TSink sink)
    : session_(session), request_(std::move(request)), sink_(std::move(sink)) {}

THttpTransfer::~THttpTransfer() {
    Detach();
    curl_slist_free_all(headerList_);
}

// A handle with the settings every request shares. Each request gets one of
// its own: libcurl 7.88 keeps a pointer to the previous response's last
// header in a reused handle, and a folded line opening the next response's
// headers wrote through it.
CURL* THttpTransfer::NewHandle() {
    CURL* e = curl_easy_init();
    if (!e) return nullptr;
    curl_easy_setopt(e, CURLOPT_PRIVATE, this);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    // An Abort during a slow host name look-up must not wait for the
    // resolver thread to finish.
    curl_easy_setopt(e, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, errorText_);
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(e, CURLOPT_BUFFERSIZE, static_cast<long>(ReceiveBufferBytes));
    // libcurl's 0 means its built-in 300 s; the largest value means none.
    const long connectMs = request_.ConnectTimeoutMs > 0 ? request_.ConnectTimeoutMs : INT_MAX;
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, connectMs);
    session_.Cookies().Attach(e);
    curl_easy_setopt(e, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
    curl_easy_setopt(e, CURLOPT_NOPROXY, ""); // ignore no_proxy of the environment
    curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(e, CURLOPT_OPENSOCKETFUNCTION, &THttpSession::OpenSocket);
    curl_easy_setopt(e, CURLOPT_OPENSOCKETDATA, &session_);
    curl_easy_setopt(e, CURLOPT_CLOSESOCKETFUNCTION, &THttpSession::CloseSocket);
    curl_easy_setopt(e, CURLOPT_CLOSESOCKETDATA, &session_);
    curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &THttpTransfer::Prereq);
    curl_easy_setopt(e, CURLOPT_PREREQDATA, this);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &THttpTransfer::Header);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &THttpTransfer::Write);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
    return e;
}

void THttpTransfer::Start() {
    if (state_ != TState::Idle) return;
    if (!session_.Multi()) throw EHttpError(THttpFailure::Transfer, "Cannot start the HTTP client");
    maxBodyBytes_ = session_.MaxBodyBytes();
    auto add = [&](const std::string& name, const std::string& value) {
        headerList_ = curl_slist_append(headerList_, (name + ": " + value).c_str());
    };
    for (const auto& fixed : FixedHeaders)
        if (session_.RequestHeader(fixed.Name).empty()) add(fixed.Name, fixed.Value);
    for (const auto& [name, value] : session_.RequestHeaders())
        add(name, value);

    easy_ = NewHandle();
    if (!easy_) throw EHttpError(THttpFailure::Transfer, "Cannot start the request");
    CURL* e = easy_;
    const TUrlCredentials split = SplitCredentials(request_.Url);
    curl_easy_setopt(e, CURLOPT_URL, RequestUrl(split.Address).c_str());
    if (split.Given) {
        credentials_ = true;
        curl_easy_setopt(e, CURLOPT_USERNAME, split.User.c_str());
        curl_easy_setopt(e, CURLOPT_PASSWORD, split.Password.c_str());
        curl_easy_setopt(e, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
    }
    curl_easy_setopt(e, CURLOPT_NOBODY, request_.Head ? 1L : 0L);
    if (!request_.Head) curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headerList_);
    // "" also ignores http_proxy of the environment.
    curl_easy_setopt(e, CURLOPT_PROXY, session_.ProxyText().c_str());
    const std::string& ca = session_.CertificateAuthorityFile();
    curl_easy_setopt(e, CURLOPT_CAINFO, ca.empty() ? nullptr : ca.c_str());

    if (curl_multi_add_handle(session_.Multi(), e) != CURLM_OK) {
        curl_easy_cleanup(easy_);
        easy_ = nullptr;
        throw EHttpError(THttpFailure::Transfer, "Cannot start the request");
    }
    multi_ = session_.Multi();
    session_.Attached(this);
    state_ = TState::Running;
}

void THttpTransfer::Detach() {
    if (!easy_) return;
    if (multi_) curl_multi_remove_handle(multi_, easy_);
    multi_ = nullptr;
    session_.Detached(this);
    session_.Cookies().Trim(easy_);
    curl_easy_cleanup(easy_);
    easy_ = nullptr;
}

void THttpTransfer::Fail(THttpFailure kind, const std::string& text) {
    failure_ = kind;
    failureText_ = text;
}

void THttpTransfer::Succeed() {
    Detach();
    blocks_.clear();
    state_ = TState::Succeeded;
}

// The outcome once libcurl is done with the request.
void THttpTransfer::Settle() {
    Detach();
    blocks_.clear();
    if (!failure_ && result_ == CURLE_OK) {
        state_ = TState::Succeeded;
        return;
    }
    state_ = TState::Failed;
    if (failure_) {
        error_.emplace(*failure_, failureText_, *failure_ == THttpFailure::Status ? status_ : 0);
        return;
    }
    const std::string text = errorText_[0] ? errorText_ : curl_easy_strerror(result_);
    error_.emplace(FailureOf(result_), text, 0, static_cast<int>(result_), osError_);
}

void THttpTransfer::SettleClosedInWait() {
    // A body without length has no end but the close, so what came is the
    // body; a stream's body is only its whole first part.
    if (!request_.Head && headersDone_ && !failure_ && announced_ < 0 && !stream_) return Succeed();
    Detach();
    blocks_.clear();
    state_ = TState::Failed;
    error_.emplace(THttpFailure::ClosedByClient, "Connection closed");
}

void THttpTransfer::Close() {
    if (state_ != TState::Running) return;
    Detach();
    blocks_.clear();
    // Closed between two blocks: the body so far is the result, once the
    // event that closed it has returned.
    if (dispatching_) {
        closedInDispatch_ = true;
        return;
    }
    SettleClosedInWait();
}

void THttpTransfer::Finished(CURLcode result) {
    finished_ = true;
    // Taking the part (or the headers) refused the rest of the stream,
    // which libcurl reports as a failed write.
    result_ = partTaken_ || cutAfterHead_ ? CURLE_OK : result;
    if (easy_) {
        long osError = 0;
        curl_easy_getinfo(easy_, CURLINFO_OS_ERRNO, &osError);
        osError_ = static_cast<int>(osError);
    }
    if (result == CURLE_OK && !failure_ && !headersDone_) FailUnfinishedHead();
    if (result == CURLE_OK && !failure_ && parts_ && !partTaken_)
        Fail(THttpFailure::ClosedByServer, "The stream ended before a whole picture");
}

template <typename F> void THttpTransfer::Dispatch(F&& call) {
    dispatching_ = true;
    try {
        call();
    } catch (...) {
        dispatching_ = false;
        Detach();
        blocks_.clear();
        state_ = TState::Failed;
        error_.emplace(THttpFailure::Transfer, "The receiver of the body failed");
        throw;
    }
    dispatching_ = false;
}

bool THttpTransfer::Pump() {
    if (state_ != TState::Running) return state_ != TState::Idle;
    if (!finished_ && waitingForData_ && request_.ReadTimeoutMs > 0 &&
        TClock::now() - lastData_ > std::chrono::milliseconds(request_.ReadTimeoutMs)) {
        Fail(THttpFailure::TimedOut, "Read timed out");
        Settle();
        return true;
    }
    if (!finished_ && parts_ && !partTaken_ && request_.ReadTimeoutMs > 0 &&
        TClock::now() - streamStart_ > std::chrono::milliseconds(request_.ReadTimeoutMs)) {
        Fail(THttpFailure::TimedOut, "No whole picture came from the stream in time");
        Settle();
        return true;
    }
    if (ready_) {
        ready_ = false;
        if (OnReady) OnReady();
        if (state_ != TState::Running) return true;
    }
    if (!request_.Head && headersDone_ && !failure_ && !workBegun_) {
        workBegun_ = true;
        Dispatch([&] {
            if (OnWorkBegin) OnWorkBegin(std::max<std::int64_t>(announced_, 0));
        });
        if (closedInDispatch_) Succeed();
        if (state_ != TState::Running) return true;
    }
    const bool wrote = !blocks_.empty();
    while (!blocks_.empty()) {
        const std::string block = std::move(blocks_.front());
        blocks_.pop_front();
        Dispatch([&] {
            if (sink_) sink_(block.data(), block.size());
            written_ += static_cast<std::int64_t>(block.size());
            if (OnWork) OnWork(written_);
        });
        if (closedInDispatch_) Succeed();
        if (state_ != TState::Running) return true;
    }
    // Time spent in the sink and the events is not time without data.
    if (wrote) lastData_ = TClock::now();
    if (finished_) {
        Settle();
        return true;
    }
    return false;
}

int THttpTransfer::Prereq(void* self, char*, char*, int, int) {
    auto& t = *static_cast<THttpTransfer*>(self);
    // Once per request, also when the answer to credentials needs another.
    if (!t.connected_) t.ready_ = true;
    t.connected_ = true;
    t.waitingForData_ = true;
    t.lastData_ = TClock::now();
    t.session_.NoteConnectionReady();
    return CURL_PREREQFUNC_OK;
}

std::size_t THttpTransfer::Header(char* buffer, std::size_t size, std::size_t count, void* self) {
    auto& t = *static_cast<THttpTransfer*>(self);
    const std::size_t length = size * count;
    t.lastData_ = TClock::now();
    if (t.headersDone_) return length; // trailers of a chunked body
    // libcurl ends a header block at the first line that begins with CR or
    // LF, whatever else that line holds; the status is judged there.
    if (!t.expectStatusLine_ && length > 0 && (buffer[0] == '\r' || buffer[0] == '\n'))
        return t.EndOfBlock() ? length : 0;
    std::string line(buffer, length);
    if (!line.empty() && line.back() == '\n') line.pop_back();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (t.expectStatusLine_) {
        // Only the lines of the final response are kept, not those of a 1xx.
        t.lines_.clear();
        t.statusLine_ = line;
        t.status_ = StatusOf(line);
        t.expectStatusLine_ = false;
    }
    t.lines_.push_back(std::move(line));
    return length;
}

// False when the transfer ends here: the response failed, or it is a
// stream whose headers are all a HEAD wants.
bool THttpTransfer::EndOfBlock() {
    expectStatusLine_ = true;
    if (status_ >= 100 && status_ < 200) return true;
    // libcurl answers the first 401 with the credentials, and skips its body.
    if (status_ == 401 && credentials_ && !challenged_) {
        challenged_ = true;
        return true;
    }
    headersDone_ = true;
    long code = 0;
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &code);
    if (Is2xx(status_) && !Is2xx(code)) status_ = static_cast<int>(code);
    if (!Is2xx(status_)) {
        Fail(THttpFailure::Status, statusLine_);
        return false;
    }
    const std::optional<std::string> boundary =
        TMultipartStream::StreamBoundary(HeaderValue(lines_, "Content-Type"));
    stream_ = boundary.has_value();
    // Many cameras stream whatever the method: a connection that goes on
    // carrying the stream after the headers is no use for another request.
    if (request_.Head && stream_) {
        cutAfterHead_ = true;
        return false;
    }
    if (!request_.Head && stream_) {
        BeginStream(*boundary);
        return true;
    }
    if (!request_.Head) {
        curl_off_t length = -1;
        curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        announced_ = length;
        if (length > maxBodyBytes_) {
            Fail(THttpFailure::TooLarge, "The announced body of " + std::to_string(length) +
                                             " bytes is larger than " +
                                             std::to_string(maxBodyBytes_) + " bytes");
            return false;
        }
    }
    return true;
}

// A response that ended, or reached its body, without the end of its header
// block is no success, whatever its status line said.
void THttpTransfer::FailUnfinishedHead() {
    if (status_ != 0 && !Is2xx(status_) && !(status_ >= 100 && status_ < 200))
        Fail(THttpFailure::Status, statusLine_);
    else
        Fail(THttpFailure::ClosedByServer, "The header block of the response did not end");
}

void THttpTransfer::BeginStream(const std::string& boundary) {
    parts_ = std::make_unique<TMultipartStream>(boundary, maxBodyBytes_);
    // The picture's length is not known before it has come whole.
    announced_ = -1;
    streamStart_ = TClock::now();
}

std::size_t THttpTransfer::WriteStream(const char* data, std::size_t length) {
    if (partTaken_) return 0;
    switch (parts_->Feed(data, length)) {
    case TMultipartStream::TState::Reading:
        return length;
    case TMultipartStream::TState::TooLarge:
        Fail(THttpFailure::TooLarge,
             "A picture of the stream is larger than " + std::to_string(maxBodyBytes_) + " bytes");
        return 0;
    case TMultipartStream::TState::Ended:
        Fail(THttpFailure::ClosedByServer, "The stream ended before a whole picture");
        return 0;
    case TMultipartStream::TState::Complete:
        break;
    }
    const std::string& part = parts_->Part();
    for (std::size_t at = 0; at < part.size(); at += ReceiveBufferBytes)
        blocks_.emplace_back(part.data() + at, std::min(ReceiveBufferBytes, part.size() - at));
    received_ = static_cast<std::int64_t>(part.size());
    partTaken_ = true;
    // Refusing the rest closes the connection: one picture is all a View takes.
    return 0;
}

std::size_t THttpTransfer::Write(char* data, std::size_t size, std::size_t count, void* self) {
    auto& t = *static_cast<THttpTransfer*>(self);
    const std::size_t length = size * count;
    t.lastData_ = TClock::now();
    if (!t.headersDone_) {
        t.FailUnfinishedHead();
        return 0;
    }
    if (t.parts_) return t.WriteStream(data, length);
    if (t.received_ + static_cast<std::int64_t>(length) > t.maxBodyBytes_) {
        t.Fail(THttpFailure::TooLarge,
               "The body is larger than " + std::to_string(t.maxBodyBytes_) + " bytes");
        return 0;
    }
    for (std::size_t at = 0; at < length; at += ReceiveBufferBytes)
        t.blocks_.emplace_back(data + at, std::min(ReceiveBufferBytes, length - at));
    t.received_ += static_cast<std::int64_t>(length);
    return length;
}

} // namespace lumisk
