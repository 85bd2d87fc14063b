#include "retrieval/fetchpool.h"

#include "catalogue/camerarecord.h"
#include "retrieval/requesturl.h"
#include "util/bytetext.h"
#include "util/datadirectory.h"
#include "util/numbertext.h"

#include <algorithm>
#include <cctype>
#include <curl/curl.h>
#include <stdexcept>
#include <unistd.h>

namespace lumisk {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

TFetchPool::TFetchPool(const TFetchPoolSettings& settings, IFetchPoolObserver* observer)
    : settings_(settings), observer_(observer) {
    settings_.Jobs = std::max(1, settings_.Jobs);
    settings_.PerHost = std::max(1, settings_.PerHost);
    if (settings_.WorkFolder.empty()) settings_.WorkFolder = DataDirectory();
    if (settings_.WorkFolder.back() != '/') settings_.WorkFolder += '/';
    slotUsed_.assign(static_cast<std::size_t>(settings_.Jobs), false);
    if (settings_.ProxyEnabled)
        session_.SetProxy(settings_.ProxyServer, StrToInt(settings_.ProxyPort));
    session_.SetMaxBodyBytes(settings_.MaxBodyBytes);
}

TFetchPool::~TFetchPool() = default;

int TFetchPool::Add(TFetchRequest request) {
    const int id = Count();
    TEntry& entry = entries_.emplace_back();
    entry.host = HostKey(request.Url);
    entry.request = std::move(request);
    entry.relay.pool = this;
    entry.relay.id = id;
    queue_.push_back(id);
    return id;
}

const TFetchRequest& TFetchPool::Request(int id) const {
    return entries_.at(static_cast<std::size_t>(id)).request;
}

bool TFetchPool::IsFinished(int id) const {
    return entries_.at(static_cast<std::size_t>(id)).finished;
}

const TFetchResult& TFetchPool::Result(int id) const {
    const TEntry& entry = entries_.at(static_cast<std::size_t>(id));
    if (!entry.finished) throw std::logic_error("The camera has not finished");
    return entry.result;
}

bool TFetchPool::Step(int waitMs) {
    if (stopRequested_) DrainQueue();
    Launch();
    if (running_.empty()) return !queue_.empty();
    session_.Wait(waitMs);
    session_.Perform();
    // The observer may finish, add or stop cameras meanwhile.
    const std::vector<int> running = running_;
    for (const int id : running) {
        TEntry& entry = entries_[static_cast<std::size_t>(id)];
        if (entry.fetch && entry.fetch->Advance()) Finish(id, entry.fetch->Result());
    }
    if (stopRequested_) DrainQueue();
    Launch();
    return !running_.empty() || !queue_.empty();
}

void TFetchPool::Run() {
    while (Step()) {
    }
}

void TFetchPool::RequestStop() {
    stopRequested_ = true;
    for (const int id : running_)
        if (TCameraFetch* fetch = entries_[static_cast<std::size_t>(id)].fetch.get())
            fetch->RequestStop();
}

// First come, first served, passing over a camera whose host is at its limit.
void TFetchPool::Launch() {
    for (auto it = queue_.begin();
         it != queue_.end() && Running() < settings_.Jobs && !stopRequested_;) {
        const int id = *it;
        if (perHost_[entries_[static_cast<std::size_t>(id)].host] >= settings_.PerHost) {
            ++it;
            continue;
        }
        queue_.erase(it);
        Start(id);
        // Starting may have finished cameras and changed the queue.
        it = queue_.begin();
    }
}

void TFetchPool::Start(int id) {
    TEntry& entry = entries_[static_cast<std::size_t>(id)];
    TFetchRequest request = entry.request;
    if (request.WorkFile.empty()) {
        const auto free = std::find(slotUsed_.begin(), slotUsed_.end(), false);
        entry.slot = static_cast<int>(free - slotUsed_.begin());
        slotUsed_[static_cast<std::size_t>(entry.slot)] = true;
        request.WorkFile = WorkFile(entry.slot);
        // Its name goes to the next camera in the slot.
        request.KeepRejectedWorkFile = false;
    }
    request.EarlyDownload = request.EarlyDownload || settings_.EarlyDownload;
    running_.push_back(id);
    const int onHost = ++perHost_[entry.host];
    peakRunning_ = std::max(peakRunning_, Running());
    peakPerHost_ = std::max(peakPerHost_, onHost);
    entry.fetch = std::make_unique<TCameraFetch>(session_, std::move(request), &entry.relay);
    if (observer_) observer_->CameraStarted(id);
    if (entry.fetch && entry.fetch->Advance()) Finish(id, entry.fetch->Result());
}

void TFetchPool::Finish(int id, const TFetchResult& result) {
    TEntry& entry = entries_[static_cast<std::size_t>(id)];
    if (entry.finished) return;
    entry.finished = true;
    entry.result = result;
    if (entry.slot >= 0) slotUsed_[static_cast<std::size_t>(entry.slot)] = false;
    entry.slot = -1;
    if (entry.fetch) {
        --perHost_[entry.host];
        running_.erase(std::find(running_.begin(), running_.end(), id));
    }
    entry.fetch.reset();
    ++finished_;
    if (observer_) observer_->CameraFinished(id, entry.result);
}

void TFetchPool::DrainQueue() {
    while (!queue_.empty()) {
        const int id = queue_.front();
        queue_.pop_front();
        TFetchResult result;
        result.Outcome = TFetchOutcome::Aborted;
        result.Date = CutBytes(entries_[static_cast<std::size_t>(id)].request.PreviousDate,
                               CameraRecord::kLastModifiedCapacity);
        result.Reason = "stopped";
        Finish(id, result);
    }
}

std::string TFetchPool::WorkFile(int slot) const {
    return settings_.WorkFolder + "image." + std::to_string(::getpid()) + "." +
           std::to_string(slot) + ".dat";
}

std::string TFetchPool::HostKey(const std::string& url) {
    CURLU* parsed = curl_url();
    std::string key = Lower(url);
    char* host = nullptr;
    char* port = nullptr;
    if (parsed && curl_url_set(parsed, CURLUPART_URL, RequestUrl(url).c_str(), 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK)
        key = Lower(host) + ":" + port;
    curl_free(host);
    curl_free(port);
    curl_url_cleanup(parsed);
    return key;
}

void TFetchPool::TRelay::FetchWorkBegin(TCameraFetch&, std::int64_t countMax) {
    if (pool->observer_) pool->observer_->CameraProgress(id, 0, countMax);
}

void TFetchPool::TRelay::FetchWork(TCameraFetch& fetch, std::int64_t count) {
    if (pool->observer_) pool->observer_->CameraProgress(id, count, fetch.ExpectedBytes());
}

} // namespace lumisk
