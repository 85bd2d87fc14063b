#include "tools/headlessview.h"

#include "catalogue/appstate.h"
#include "imaging/previewpaths.h"
#include "retrieval/viewpipeline.h"
#include "tools/previewwatch.h"

#include <algorithm>
#include <climits>
#include <sys/stat.h>

namespace lumisk {

THeadlessViewOutcome THeadlessView::Run(std::int32_t slot) {
    TAppState& app = App();
    app.Catalogue.Current = slot;
    ShowCurrentRecord();
    status_.clear();
    preview_.reset();
    bytes_ = 0;
    caption_ = "View";
    // The body's bytes, as the main window counts them for the statistics.
    http_.OnWorkBegin = [&app](TWorkMode, std::int64_t) { app.CurrentDownloadBytes = 0; };
    http_.OnWork = [&app](TWorkMode, std::int64_t count) {
        app.CurrentDownloadBytes =
            static_cast<std::int32_t>(std::min<std::int64_t>(count, INT32_MAX));
    };
    // The windows create the previews directory at start-up; here is the
    // first moment it is needed.
    ::mkdir(PreviewsDirectory().c_str(), 0777);
    const TPreviewWatch previews;
    running_ = true;
    struct TDone {
        bool& running;
        ~TDone() { running = false; }
    } done{running_};
    TViewPipeline(*this, http_).Run();
    bytes_ = app.CurrentDownloadBytes;
    // An incomplete JPEG counts as skipped, as the time-lapse window counts it.
    if (app.DownloadSkipped) return THeadlessViewOutcome::Skipped;
    if (app.AbortRequested) return THeadlessViewOutcome::Aborted;
    if (app.DownloadFailed) return THeadlessViewOutcome::Failed;
    preview_ = previews.Written();
    return THeadlessViewOutcome::Image;
}

void THeadlessView::Abort() {
    if (!running_) return;
    App().AbortRequested = true;
    http_.CloseConnection();
}

void THeadlessView::SetStatusText(const std::string& text) {
    if (!text.empty()) status_ = text;
}

void THeadlessView::StoreCurrentRecord() {
    TCatalogue& catalogue = App().Catalogue;
    CameraRecord& record = catalogue.CurrentRecord();
    record.SetFields(description_, url_, webPage_, minutes_, date_);
}

void THeadlessView::ShowCurrentRecord() {
    const CameraRecord& record = App().Catalogue.CurrentRecord();
    url_ = record.ImageUrl;
    description_ = record.Description;
    webPage_ = record.WebPage;
    minutes_ = record.UpdateMinutes;
    date_ = record.LastModified;
}

int THeadlessView::EnsureDescriptionSelected() {
    return App().Catalogue.Current - 1;
}

} // namespace lumisk
