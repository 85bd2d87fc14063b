#include "tools/poolrefreshdownloader.h"

#include "retrieval/camerafetch.h"

#include <map>

namespace lumisk {

TPoolRefreshDownloader::TPoolRefreshDownloader(const TCatalogue& catalogue,
                                               const TSettingsValues& settings, int jobs,
                                               int perHost, std::function<void()> poll)
    : settings_(settings), poll_(std::move(poll)) {
    std::map<std::string, int> seen;
    for (std::int32_t i = 1; i <= catalogue.Count; ++i) {
        const CameraRecord& record = catalogue.Records[static_cast<std::size_t>(i)];
        cameras_.push_back({record, seen[record.Description]++});
    }
    TFetchPoolSettings pool;
    pool.Jobs = jobs;
    pool.PerHost = perHost;
    pool.ProxyEnabled = settings.ProxyEnabled;
    pool.ProxyServer = settings.ProxyServer;
    pool.ProxyPort = settings.ProxyPort;
    pool_ = std::make_unique<TFetchPool>(pool, static_cast<IFetchPoolObserver*>(this));
}

std::int32_t TPoolRefreshDownloader::Cameras() const {
    return static_cast<std::int32_t>(cameras_.size());
}

std::vector<std::string> TPoolRefreshDownloader::Descriptions() const {
    std::vector<std::string> descriptions;
    for (const TCamera& camera : cameras_)
        descriptions.push_back(camera.Record.Description);
    return descriptions;
}

void TPoolRefreshDownloader::Next() {
    if (current_ + 1 < cameras_.size()) ++current_;
}

std::string TPoolRefreshDownloader::Current() const {
    return current_ < cameras_.size() ? cameras_[current_].Record.Description : std::string();
}

void TPoolRefreshDownloader::Download(TDone done) {
    queued_.emplace_back(current_, std::move(done));
    pool_->Add(CameraRequest(cameras_[current_].Record, settings_));
    // Starts it at once if the limits allow, and hands on what ended.
    pool_->Step(0);
    if (poll_) poll_();
}

void TPoolRefreshDownloader::Finish() {
    while (pool_->Step(50))
        if (poll_) poll_();
}

void TPoolRefreshDownloader::CameraFinished(int id, const TFetchResult& result) {
    const auto& [index, done] = queued_.at(static_cast<std::size_t>(id));
    const TCamera& camera = cameras_[index];
    using TKind = TRefreshOutcome::TKind;
    TRefreshOutcome outcome;
    outcome.Description = camera.Record.Description;
    if (result.Outcome == TFetchOutcome::Aborted) {
        outcome.Kind = TKind::Stopped;
    } else {
        outcome.Kind = result.DownloadFailed()    ? TKind::Failed
                       : result.DownloadSkipped() ? TKind::Skipped
                                                  : TKind::Updated;
        if (outcome.Kind == TKind::Failed) outcome.Reason = result.Reason;
        bytes_ += result.CountedBytes();
        if (result.Outcome == TFetchOutcome::Updated) ++images_;
        if (result.Date != camera.Record.LastModified)
            dates_.push_back({camera.Record.Description, result.Date, camera.Occurrence});
    }
    done(outcome);
}

} // namespace lumisk
