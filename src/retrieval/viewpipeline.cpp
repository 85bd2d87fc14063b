#include "retrieval/viewpipeline.h"

#include "catalogue/appstate.h"
#include "imaging/imagefile.h"
#include "imaging/picturehandover.h"
#include "retrieval/httpclient.h"
#include "retrieval/httpdate.h"
#include "util/bytetext.h"
#include "util/datadirectory.h"
#include "util/events.h"
#include "util/numbertext.h"
#include "util/textutils.h"
#include "util/tickcount.h"

#include <cstdio>
#include <exception>
#include <memory>

namespace lumisk {

namespace {

const char* const kWorkFile = "image.dat";

void RemoveFile(const std::string& path) {
    std::remove(path.c_str());
}

// The new preview decoded once for the thumbnail, the panel and the viewer,
// which would otherwise each read and decode it again. A preview that does
// not decode is handed over as nothing: each display then meets the error
// itself, as it would have.
std::unique_ptr<TPictureHandOver> DecodeForDisplays(const std::string& path) {
    try {
        if (std::optional<QImage> picture = DecodeImageFile(path))
            return std::make_unique<TPictureHandOver>(path, *picture);
    } catch (const std::exception&) {
    }
    return nullptr;
}

} // namespace

std::string TViewPipeline::NormaliseUrl(const std::string& text) {
    return NormaliseCameraUrl(text);
}

void TViewPipeline::Run() {
    // A View never runs inside another: while one runs (even after an Abort
    // click has already set the caption back) every further call aborts it.
    if (running_ || host_.ViewCaption() != "View") return Abort();
    running_ = true;
    struct TRunning {
        bool& flag;
        ~TRunning() { flag = false; }
    } runningGuard{running_};
    try {
        RunView();
    } catch (...) {
        // Whatever fails on the way (a bad proxy port, a failed save, a
        // preview that cannot be shown), the window must not stay stuck
        // reading "Abort" with its navigation locked.
        http_.CloseConnection();
        host_.LeaveBusyState();
        host_.SetViewCaption("View");
        throw;
    }
}

CameraRecord* TViewPipeline::OwnRecord() const {
    TCatalogue& catalogue = App().Catalogue;
    if (slot_ < 0 || slot_ > catalogue.Count) return nullptr;
    return &catalogue.Records[static_cast<std::size_t>(slot_)];
}

void TViewPipeline::RunView() {
    TAppState& app = App();
    host_.EnterBusyState();
    host_.SetViewCaption("Abort");
    // Cleared before the first point that processes events, so that an
    // Abort click during the saves below is not forgotten.
    app.AbortRequested = false;
    host_.SaveSettings();
    app.CurrentDownloadBytes = 0;
    startMs_ = TickMilliseconds();
    host_.SetStatusText("");
    RemoveFile(DataPath(kWorkFile));
    host_.StoreCurrentRecord();
    host_.SaveCatalogue();

    slot_ = app.Catalogue.Current;
    url_ = NormaliseUrl(host_.UrlText());
    host_.SetUrlText(url_);
    description_ = OwnRecord() ? OwnRecord()->Description : std::string();

    TViewSettings settings = host_.ViewSettings();
    if (settings.ProxyEnabled)
        http_.SetProxy(settings.ProxyServer, StrToInt(settings.ProxyPort));
    else
        http_.SetProxy("", 0);

    host_.SetStatusText("Checking date of image on server...");
    ProcessPendingEvents();
    app.DownloadFailed = false;
    app.DownloadSkipped = false;
    http_.CloseConnection();
    previousDate_ = app.Catalogue.Current == slot_ || !OwnRecord() ? host_.DateText()
                                                                   : OwnRecord()->LastModified;
    settings = host_.ViewSettings();
    TFetchRequest request;
    request.Url = url_;
    request.Description = description_;
    request.PreviousDate = previousDate_;
    request.DateSkip = settings.DateSkip;
    request.Timeout = settings.Timeout;
    request.WorkFile = DataPath(kWorkFile);
    // An empty or unrecognised body stays in "image.dat" until the next View.
    request.KeepRejectedWorkFile = true;
    TCameraFetch fetch(http_.Session(), request, this);
    http_.RunJob([&] { return fetch.Advance(); });
    Finish(fetch.Result());
}

void TViewPipeline::Abort() {
    App().AbortRequested = true;
    http_.CloseConnection();
    host_.SetViewCaption("View");
    // The running View leaves the busy state itself when it ends: until then
    // Del, Sort and Add stay locked, so its camera keeps its slot.
    if (!running_) host_.LeaveBusyState();
}

// ---- The fetch's steps, as the window sees them ----------------------------

void TViewPipeline::FetchDate(TCameraFetch&, const std::string& date, TDateSource source) {
    if (source == TDateSource::HeadFailed) http_.CloseConnection();
    StoreDate(date);
    if (source == TDateSource::Server) ProcessPendingEvents();
}

void TViewPipeline::FetchStep(TCameraFetch& fetch, TFetchStep step) {
    switch (step) {
    case TFetchStep::DateCheck:
        break;
    case TFetchStep::Download:
        // Stop and Abort only set the flag and close the connection: an
        // abort during the date check is noticed here.
        if (App().AbortRequested) return fetch.RequestStop();
        host_.ShowImageAge();
        host_.SetStatusText("Attempting to download image...");
        ProcessPendingEvents();
        break;
    case TFetchStep::Checks:
        // The GET returned normally, also when an abort closed its connection.
        if (App().AbortRequested) return fetch.RequestStop();
        http_.CloseConnection();
        host_.SetStatusText("Determining image format...");
        ProcessPendingEvents();
        break;
    case TFetchStep::Keep:
        ProcessPendingEvents();
        // Named after the description the window shows now (the user may have
        // edited it meanwhile), so that the redraw below finds the new preview.
        fetch.SetDescription(App().Catalogue.Current == slot_ ? host_.DescriptionText()
                                                              : description_);
        break;
    }
}

void TViewPipeline::FetchType(TCameraFetch&, const std::string& type) {
    host_.SetStatusText("Image is type " + type);
    ProcessPendingEvents();
}

// The window follows the download through the client's work events, as it
// would for a request of the client's own.
void TViewPipeline::FetchWorkBegin(TCameraFetch&, std::int64_t countMax) {
    if (http_.OnWorkBegin) http_.OnWorkBegin(TWorkMode::Read, countMax);
}

void TViewPipeline::FetchWork(TCameraFetch&, std::int64_t count) {
    if (http_.OnWork) http_.OnWork(TWorkMode::Read, count);
}

// ---- Outcomes ----------------------------------------------------------------

void TViewPipeline::Finish(const TFetchResult& result) {
    TAppState& app = App();
    // The outcome is settled before the window is redrawn: showing the
    // camera may itself fail on an undecodable preview.
    app.DownloadFailed = result.DownloadFailed();
    app.DownloadSkipped = result.DownloadSkipped();
    switch (result.Outcome) {
    case TFetchOutcome::Skipped:
        host_.LeaveBusyState();
        host_.SetViewCaption("View");
        http_.CloseConnection();
        host_.SetStatusText("Download skipped.  Server file date matches preview file.");
        return;
    case TFetchOutcome::Aborted:
        if (result.DownloadFailed()) return Failed("Download aborted");
        http_.CloseConnection();
        host_.SetStatusText("Download aborted");
        host_.LeaveBusyState();
        host_.SetViewCaption("View");
        AddBytes();
        RestoreDate();
        host_.ShowCurrentRecord();
        return;
    case TFetchOutcome::Failed:
        return Failed("Download failed");
    case TFetchOutcome::ZeroBytes:
        host_.LeaveBusyState();
        host_.SetViewCaption("View");
        http_.CloseConnection();
        host_.SetStatusText("Download failed.  Download was 0 bytes.");
        ProcessPendingEvents();
        RestoreDate();
        return;
    case TFetchOutcome::UnknownFormat:
        host_.LeaveBusyState();
        host_.SetViewCaption("View");
        host_.SetStatusText("Unknown image format.  Cannot display.");
        RestoreDate();
        return;
    case TFetchOutcome::JpegIncomplete:
        host_.LeaveBusyState();
        host_.SetViewCaption("View");
        http_.CloseConnection();
        host_.SetStatusText("Download skipped.  JPG file was incomplete.");
        // The field shows the previous date again; the record keeps the
        // server date it was given.
        if (app.Catalogue.Current == slot_) host_.SetDateText(previousDate_);
        return;
    case TFetchOutcome::Updated:
        break;
    }

    const std::int64_t endMs = TickMilliseconds();
    app.TotalImages = SaturatingAdd(app.TotalImages, 1);
    app.SessionImages = SaturatingAdd(app.SessionImages, 1);
    AddBytes();
    StoreDate(app.Catalogue.Current == slot_ || !OwnRecord() ? host_.DateText()
                                                             : OwnRecord()->LastModified);
    host_.SetStatusText("Downloaded " + ByteSizeText(app.CurrentDownloadBytes) + " in " +
                        ClockText(endMs - startMs_));
    host_.EnsureDescriptionSelected();
    const std::unique_ptr<TPictureHandOver> picture = DecodeForDisplays(result.PreviewPath);
    // The thumbnail of the camera downloaded, also when another camera was
    // made current meanwhile.
    host_.BuildThumbnail(slot_ - 1);
    host_.LeaveBusyState();
    host_.SetViewCaption("View");
    host_.ShowCurrentRecord();
    host_.PreviewImageClick();
    ProcessPendingEvents();
}

void TViewPipeline::Failed(const std::string& status) {
    http_.CloseConnection();
    host_.SetStatusText(status);
    host_.LeaveBusyState();
    host_.SetViewCaption("View");
    AddBytes();
    RestoreDate();
    host_.ShowCurrentRecord();
}

void TViewPipeline::StoreDate(const std::string& date) {
    TAppState& app = App();
    if (app.Catalogue.Current == slot_) {
        host_.SetDateText(date);
        host_.StoreCurrentRecord();
        return;
    }
    // Another camera was made current meanwhile: its fields are not ours.
    if (CameraRecord* record = OwnRecord()) {
        record->LastModified = CutBytes(date, CameraRecord::kLastModifiedCapacity);
        record->ImageUrl = CutBytes(url_, CameraRecord::kImageUrlCapacity);
    }
}

void TViewPipeline::RestoreDate() {
    StoreDate(previousDate_);
}

void TViewPipeline::AddBytes() {
    TAppState& app = App();
    app.TotalBytes = SaturatingAdd(app.TotalBytes, app.CurrentDownloadBytes);
    app.SessionBytes = SaturatingAdd(app.SessionBytes, app.CurrentDownloadBytes);
    host_.RefreshStatistics();
}

} // namespace lumisk
