#include "tools/refreshengine.h"

#include "imaging/brightness.h"
#include "imaging/imagefile.h"
#include "imaging/previewpaths.h"
#include "retrieval/httpdate.h"
#include "tools/oldpreviewremover.h"
#include "util/events.h"
#include "util/tickcount.h"

#include <optional>

namespace lumisk {

TRefreshSummary TRefreshEngine::Run(TRefreshStyle style, IRefreshDownloader& downloader) {
    // Cleared before anything yields, so that a Stop during the clean-up is
    // not forgotten.
    stop_ = false;
    downloader_ = &downloader;
    style_ = style;
    struct TIdleOnExit {
        IRefreshDownloader*& downloader;
        ~TIdleOnExit() { downloader = nullptr; }
    } idleOnExit{downloader_};
    const std::int64_t startMs = TickMilliseconds();
    ProcessPendingEvents();

    counts_ = {};
    counts_.Cameras = downloader.Cameras();
    failed_.clear();
    observer_.RefreshStarted(counts_);

    RemoveOldPreviews();
    RefreshCameras(startMs);

    TRefreshSummary summary{counts_, stop_, TickMilliseconds() - startMs, failed_};
    Status(stop_ ? std::string("Preview update stopped")
                 : std::to_string(counts_.Updated) + " updated in " + ClockText(summary.ElapsedMs));
    ProcessPendingEvents();
    observer_.RefreshFinished(summary);
    ProcessPendingEvents();
    downloader.First();
    return summary;
}

void TRefreshEngine::RequestStop() {
    // The download in progress ends at once; the walk notices the flag when
    // that camera is done.
    if (downloader_) downloader_->Abort();
    stop_ = true;
    Status("Preview update stopped");
}

void TRefreshEngine::Status(const std::string& text) {
    observer_.RefreshStatus(text);
}

void TRefreshEngine::RemoveOldPreviews() {
    Status("Removing old preview files");
    ProcessPendingEvents();
    TOldPreviewRemover(downloader_->Descriptions())
        .Remove(PreviewsDirectory(), [this](std::int32_t removed) {
            counts_.Removed = removed;
            observer_.RefreshCounts(counts_);
            ProcessPendingEvents();
        });
}

void TRefreshEngine::RefreshCameras(std::int64_t startMs) {
    IRefreshDownloader& downloader = *downloader_;
    downloader.First();
    Status("Refreshing previews");
    ProcessPendingEvents();
    // The walk always works on the current camera and steps with Next, so
    // whoever moves the current camera moves the camera refreshed next.
    for (std::int32_t k = 1; k <= counts_.Cameras && !stop_; ++k) {
        const std::string description = downloader.Current();
        // A Stop between cameras must not start a whole download.
        if (!stop_ && Selects(style_, description)) {
            downloader.Download([this](const TRefreshOutcome& outcome) { Count(outcome); });
        } else if (!stop_) {
            ++counts_.Visited;
            observer_.RefreshCounts(counts_);
        }
        if (stop_) break;
        downloader.Next();
        Status("Refreshed " + std::to_string(k) + " of " + std::to_string(counts_.Cameras) +
               " in " + ClockText(TickMilliseconds() - startMs));
        ProcessPendingEvents();
    }
    downloader.Finish();
}

void TRefreshEngine::Count(const TRefreshOutcome& outcome) {
    using TKind = TRefreshOutcome::TKind;
    // A download abandoned by a stop is neither done nor failed.
    if (outcome.Kind == TKind::Stopped) return;
    ++counts_.Visited;
    if (outcome.Kind == TKind::Failed) {
        failed_.emplace_back(outcome.Description, outcome.Reason);
        ++counts_.Failed;
        observer_.RefreshFailed(outcome.Description, outcome.Reason);
    } else if (outcome.Kind == TKind::Skipped) {
        ++counts_.Skipped;
    } else {
        ++counts_.Updated;
    }
    observer_.RefreshCounts(counts_);
    ProcessPendingEvents();
}

bool TRefreshEngine::Selects(TRefreshStyle style, const std::string& description) {
    if (style == TRefreshStyle::AllPreviews) return true;
    // The picture judged is the one the preview panel shows, found the same
    // way: a camera with several preview files is judged by what the user sees.
    const std::string preview = FindPreviewFile(description, TPreviewLookup::Panel);
    const bool hasPreview = preview != PreviewBasePath(description);
    if (style == TRefreshStyle::WithoutPreview) return !hasPreview;
    if (!hasPreview) return false;
    const std::optional<QImage> picture = DecodeImageFile(preview);
    return picture && AverageBrightness(*picture) < kDarkThreshold;
}

} // namespace lumisk
