#include "retrieval/httpclient.h"

#include "retrieval/httperror.h"
#include "retrieval/httpsession.h"
#include "retrieval/httptransfer.h"
#include "util/events.h"

#include <algorithm>
#include <chrono>

namespace lumisk {

static_assert(THttpClient::ReceiveBufferBytes == THttpTransfer::ReceiveBufferBytes);
static_assert(THttpClient::DefaultMaxBodyBytes == THttpSession::DefaultMaxBodyBytes);

namespace {

using TClock = std::chrono::steady_clock;

// libcurl is polled in short slices so that pending events run well within
// the 125 ms the user may wait for an Abort click to be noticed.
constexpr int PollSliceMs = 25;
constexpr auto EventsInterval = std::chrono::milliseconds(20);

} // namespace

struct THttpClient::TImpl {
    THttpSession session;
    int readTimeoutMs = 0;
    bool connected = false; // the user was told of an open connection
    bool busy = false;      // a request or job runs
};

THttpClient::THttpClient() : impl_(std::make_unique<TImpl>()) {}

THttpClient::~THttpClient() = default;

void THttpClient::SetRequestHeader(const std::string& name, const std::string& value) {
    impl_->session.SetRequestHeader(name, value);
}

std::string THttpClient::RequestHeader(const std::string& name) const {
    return impl_->session.RequestHeader(name);
}

void THttpClient::SetProxy(const std::string& host, int port) {
    impl_->session.SetProxy(host, port);
}

void THttpClient::SetReadTimeout(int milliseconds) {
    impl_->readTimeoutMs = std::max(0, milliseconds);
}
int THttpClient::ReadTimeout() const {
    return impl_->readTimeoutMs;
}
void THttpClient::SetMaxBodyBytes(std::int64_t bytes) {
    impl_->session.SetMaxBodyBytes(bytes);
}
void THttpClient::SetCertificateAuthorityFile(const std::string& path) {
    impl_->session.SetCertificateAuthorityFile(path);
}
bool THttpClient::Connected() const {
    return impl_->connected;
}
THttpSession& THttpClient::Session() {
    return impl_->session;
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
    Drop();
}

void THttpClient::Drop() {
    impl_->session.CloseConnections();
    SyncConnection();
}

void THttpClient::NoteConnected() {
    auto& d = *impl_;
    if (!d.session.TakeConnectionReady()) return;
    if (d.connected) return; // a connection reused
    d.connected = true;
    if (OnConnected) OnConnected();
}

void THttpClient::SyncConnection() {
    // A connection may have opened and closed within one libcurl call: both are told.
    NoteConnected();
    auto& d = *impl_;
    if (!d.connected || d.session.ConnectionsOpen()) return;
    d.connected = false;
    if (OnDisconnected) OnDisconnected();
}

void THttpClient::RunJob(const std::function<bool()>& advance) {
    auto& d = *impl_;
    if (d.busy) throw EHttpError(THttpFailure::Busy, "A request of this client is already running");
    d.busy = true;
    struct TBusyGuard {
        bool& flag;
        ~TBusyGuard() { flag = false; }
    } busyGuard{d.busy};

    try {
        if (advance()) return SyncConnection();
        auto lastEvents = TClock::now();
        // Handlers run inside ProcessPendingEvents and the events may call
        // CloseConnection: it ends the running transfer there and then, and
        // advance learns of it from the transfer.
        while (true) {
            d.session.Wait(PollSliceMs);
            if (TClock::now() - lastEvents >= EventsInterval) {
                ProcessPendingEvents();
                lastEvents = TClock::now();
            }
            d.session.Perform();
            NoteConnected();
            const bool ended = advance();
            // The server's close comes after the blocks that came before it.
            SyncConnection();
            if (ended) return;
        }
    } catch (...) {
        // A failed job leaves no connection behind, whatever state it was in.
        Drop();
        throw;
    }
}

std::int64_t THttpClient::Run(const std::string& url, bool head, const TSink* sink,
                              std::vector<std::string>* lines) {
    auto& d = *impl_;
    THttpTransfer transfer(d.session, {url, head, d.readTimeoutMs, 0}, sink ? *sink : TSink{});
    transfer.OnWorkBegin = [this](std::int64_t countMax) {
        if (OnWorkBegin) OnWorkBegin(TWorkMode::Read, countMax);
    };
    transfer.OnWork = [this](std::int64_t count) {
        if (OnWork) OnWork(TWorkMode::Read, count);
    };
    bool started = false;
    RunJob([&] {
        if (!started) {
            started = true;
            transfer.Start();
        }
        return transfer.Pump();
    });
    if (!transfer.Succeeded()) {
        // A failed request leaves no connection behind.
        Drop();
        throw *transfer.Error();
    }
    if (lines) *lines = transfer.Lines();
    return transfer.Bytes();
}

} // namespace lumisk
