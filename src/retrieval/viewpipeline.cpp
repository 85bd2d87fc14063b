#include "retrieval/viewpipeline.h"

#include "catalogue/appstate.h"
#include "catalogue/settingsfile.h"
#include "imaging/imagetype.h"
#include "imaging/previewpaths.h"
#include "retrieval/httpclient.h"
#include "retrieval/httpdate.h"
#include "util/bytetext.h"
#include "util/datadirectory.h"
#include "util/events.h"
#include "util/fileio.h"
#include "util/fileutils.h"
#include "util/lumiskerror.h"
#include "util/numbertext.h"
#include "util/textutils.h"
#include "util/tickcount.h"

#include <cstdio>
#include <memory>
#include <strings.h>

namespace lumisk {

namespace {

const char* const kWorkFile = "image.dat";

void RemoveFile(const std::string& path) { std::remove(path.c_str()); }

bool CopyFile(const std::string& from, const std::string& to) {
    try {
        auto data = ReadWholeFile(from);
        if (!data) return false;
        WriteFileReplacing(to, *data);
        return true;
    } catch (const ELumiskError&) {
        return false;
    }
}

bool EndsWithJpegMarker(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    unsigned char tail[2] = {0, 0};
    bool ok = std::fseek(f, -2, SEEK_END) == 0 && std::fread(tail, 1, 2, f) == 2;
    std::fclose(f);
    return ok && tail[0] == 0xFF && tail[1] == 0xD9;
}

// A server's date goes into a catalogue field, whose file has no room for a
// line break; no control character of a date is worth keeping.
std::string WithoutControlBytes(const std::string& text) {
    std::string kept;
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) kept += c;
    return kept;
}

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};

} // namespace

std::string TViewPipeline::NormaliseUrl(const std::string& text) {
    // An https address stays one: turning it into "http://https://..." would
    // corrupt what the user typed.
    if (text.size() >= 8 && ::strncasecmp(text.c_str(), "https://", 8) == 0)
        return "https://" + text.substr(8);
    std::string url = text;
    if (url.size() < 7 || ::strncasecmp(url.c_str(), "http://", 7) != 0) url = "http://" + url;
    return "http://" + url.substr(7);
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

    if (!DateCheck()) return;
    if (app.AbortRequested) {
        http_.CloseConnection();
        host_.SetStatusText("Download aborted");
        host_.LeaveBusyState();
        host_.SetViewCaption("View");
        AddBytes();
        RestoreDate();
        host_.ShowCurrentRecord();
        return;
    }
    Download();
}

void TViewPipeline::Abort() {
    App().AbortRequested = true;
    http_.CloseConnection();
    host_.SetViewCaption("View");
    // The running View leaves the busy state itself when it ends: until then
    // Del, Sort and Add stay locked, so its camera keeps its slot.
    if (!running_) host_.LeaveBusyState();
}

bool TViewPipeline::DateCheck() {
    TAppState& app = App();
    host_.SetStatusText("Checking date of image on server...");
    ProcessPendingEvents();
    app.DownloadFailed = false;
    app.DownloadSkipped = false;
    http_.CloseConnection();
    previousDate_ = app.Catalogue.Current == slot_ || !OwnRecord() ? host_.DateText()
                                                                    : OwnRecord()->LastModified;
    RemoveFile(DataPath(kWorkFile));
    http_.SetRequestHeader("Pragma", "no-cache");
    http_.SetRequestHeader("Cache-control", "no-cache");
    // A camera that accepts the connection and never answers must not hold
    // the first View of a run either. A time-out that is no number fails the
    // GET below; the date check waits the default meanwhile.
    http_.SetReadTimeout(
        StrToIntDef(host_.ViewSettings().Timeout, StrToInt(TSettingsValues{}.Timeout)));
    std::vector<std::string> lines;
    try {
        lines = http_.Head(url_);
    } catch (const std::exception&) {
        http_.CloseConnection();
        StoreDate("Unable to read date from server");
        return true;
    }
    std::string serverDate;
    bool found = false;
    for (const std::string& line : lines)
        if (line.compare(0, 15, "Last-Modified: ") == 0 && line.size() >= 15) {
            serverDate = WithoutControlBytes(line.substr(15));
            found = true;
        }
    if (!found) {
        StoreDate("Unable to parse date from server");
        return true;
    }
    // A camera with no date has no preview to keep: an empty date header
    // must not pass for a match.
    if (host_.ViewSettings().DateSkip && !previousDate_.empty() && serverDate == previousDate_) {
        host_.LeaveBusyState();
        host_.SetViewCaption("View");
        http_.CloseConnection();
        host_.SetStatusText("Download skipped.  Server file date matches preview file.");
        app.DownloadSkipped = true;
        return false;
    }
    StoreDate(serverDate);
    ProcessPendingEvents();
    return true;
}

void TViewPipeline::Download() {
    TAppState& app = App();
    const std::string workFile = DataPath(kWorkFile);
    host_.ShowImageAge();
    host_.SetStatusText("Attempting to download image...");
    ProcessPendingEvents();

    auto failed = [&](const std::string& status) {
        // The outcome is settled before the window is redrawn: showing the
        // camera may itself fail on an undecodable preview.
        app.DownloadFailed = true;
        http_.CloseConnection();
        host_.SetStatusText(status);
        host_.LeaveBusyState();
        host_.SetViewCaption("View");
        AddBytes();
        RestoreDate();
        host_.ShowCurrentRecord();
    };
    // The outcome is decided inside the try; failed() runs outside it, so a
    // redraw that fails is reported once and does not count the bytes twice.
    enum class TGetEnd { Complete, Aborted, Failed } end = TGetEnd::Complete;
    try {
        std::unique_ptr<std::FILE, FileCloser> file(std::fopen(workFile.c_str(), "wb"));
        if (!file) throw EFCreateError(workFile);
        http_.SetReadTimeout(StrToInt(host_.ViewSettings().Timeout));
        http_.Get(url_, [&](const char* data, std::size_t size) {
            if (std::fwrite(data, 1, size, file.get()) != size) throw EFCreateError(workFile);
        });
        if (app.AbortRequested) {
            end = TGetEnd::Aborted;
        } else {
            http_.CloseConnection();
            std::FILE* raw = file.release();
            if (std::fclose(raw) != 0) throw EFCreateError(workFile);
        }
    } catch (const std::exception&) {
        end = TGetEnd::Failed;
    }
    if (end != TGetEnd::Complete) {
        // The work file lives only during a View; a partial body is no use.
        RemoveFile(workFile);
        return failed(end == TGetEnd::Aborted ? "Download aborted" : "Download failed");
    }

    host_.SetStatusText("Determining image format...");
    ProcessPendingEvents();
    if (FileSizeOf(workFile) == 0) {
        host_.LeaveBusyState();
        host_.SetViewCaption("View");
        http_.CloseConnection();
        host_.SetStatusText("Download failed.  Download was 0 bytes.");
        ProcessPendingEvents();
        app.DownloadFailed = true;
        RestoreDate();
        return;
    }
    const std::string type = DetectImageType(workFile);
    host_.SetStatusText("Image is type " + type);
    ProcessPendingEvents();
    if (type == "Undetermined") {
        host_.LeaveBusyState();
        host_.SetViewCaption("View");
        host_.SetStatusText("Unknown image format.  Cannot display.");
        app.DownloadFailed = true;
        RestoreDate();
        return;
    }
    const std::string typedFile = DataPath("image." + type);
    if (std::rename(workFile.c_str(), typedFile.c_str()) != 0)
        return failed("Download failed");
    ProcessPendingEvents();
    if (type == "JPG") {
        ProcessPendingEvents();
        if (!EndsWithJpegMarker(typedFile)) {
            host_.LeaveBusyState();
            host_.SetViewCaption("View");
            http_.CloseConnection();
            host_.SetStatusText("Download skipped.  JPG file was incomplete.");
            // The field shows the previous date again; the record keeps the
            // server date it was given.
            if (app.Catalogue.Current == slot_) host_.SetDateText(previousDate_);
            app.DownloadFailed = true;
            app.DownloadSkipped = true;
            RemoveFile(typedFile);
            return;
        }
    }

    ProcessPendingEvents();
    // A preview that could not be written is no success: the user would be
    // told "Downloaded" while the old picture stays.
    // A rename puts the whole file in place at once; a copy is the fallback
    // for a previews directory on another file system.
    // Named after the description the window shows now (the user may have
    // edited it meanwhile), so that the redraw below finds the new preview.
    const std::string name =
        app.Catalogue.Current == slot_ ? host_.DescriptionText() : description_;
    const std::string preview = PreviewBasePath(name) + "." + type;
    const bool kept = std::rename(typedFile.c_str(), preview.c_str()) == 0 ||
                      CopyFile(typedFile, preview);
    RemoveFile(typedFile);
    if (!kept) return failed("Download failed");

    const std::int64_t endMs = TickMilliseconds();
    app.TotalImages = SaturatingAdd(app.TotalImages, 1);
    app.SessionImages = SaturatingAdd(app.SessionImages, 1);
    AddBytes();
    StoreDate(app.Catalogue.Current == slot_ || !OwnRecord() ? host_.DateText()
                                                             : OwnRecord()->LastModified);
    host_.SetStatusText("Downloaded " + ByteSizeText(app.CurrentDownloadBytes) + " in " +
                        ClockText(endMs - startMs_));
    host_.EnsureDescriptionSelected();
    // The thumbnail of the camera downloaded, also when another camera was
    // made current meanwhile.
    host_.BuildThumbnail(slot_ - 1);
    host_.LeaveBusyState();
    host_.SetViewCaption("View");
    host_.ShowCurrentRecord();
    host_.PreviewImageClick();
    ProcessPendingEvents();
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

void TViewPipeline::RestoreDate() { StoreDate(previousDate_); }

void TViewPipeline::AddBytes() {
    TAppState& app = App();
    app.TotalBytes = SaturatingAdd(app.TotalBytes, app.CurrentDownloadBytes);
    app.SessionBytes = SaturatingAdd(app.SessionBytes, app.CurrentDownloadBytes);
    host_.RefreshStatistics();
}

} // namespace lumisk
