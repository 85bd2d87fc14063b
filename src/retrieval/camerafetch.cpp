#include "retrieval/camerafetch.h"

#include "catalogue/camerarecord.h"
#include "catalogue/settingsfile.h"
#include "imaging/imagetype.h"
#include "imaging/previewfolder.h"
#include "imaging/previewpaths.h"
#include "retrieval/httpsession.h"
#include "util/bytetext.h"
#include "util/fileio.h"
#include "util/fileutils.h"
#include "util/lumiskerror.h"
#include "util/numbertext.h"

#include <algorithm>
#include <cerrno>
#include <strings.h>

namespace lumisk {

namespace {

const char* const kUnreadableDate = "Unable to read date from server";
const char* const kUnparsableDate = "Unable to parse date from server";
const char* const kStopped = "stopped";

void RemoveFile(const std::string& path) {
    std::remove(path.c_str());
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

std::string ConnectReason(const EHttpError& e) {
    switch (e.CurlCode()) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return "host not found";
    case CURLE_COULDNT_RESOLVE_PROXY:
        return "proxy not found";
    default:
        break;
    }
    switch (e.OsError()) {
    case ECONNREFUSED:
        return "connection refused";
    case EHOSTUNREACH:
    case ENETUNREACH:
        return "host unreachable";
    default:
        return "cannot connect";
    }
}

// The request never reached the camera: its name was not found, or the
// connection was refused, unreachable or timed out. A read time-out comes
// only after the connection was made.
bool CannotReach(const THttpTransfer& transfer) {
    const EHttpError* e = transfer.Error();
    return e && !transfer.Connected() &&
           (e->Failure() == THttpFailure::Connect || e->Failure() == THttpFailure::TimedOut);
}

std::string HttpReason(const EHttpError& e) {
    switch (e.Failure()) {
    case THttpFailure::Status:
        return "HTTP " + std::to_string(e.Status());
    case THttpFailure::Connect:
        return ConnectReason(e);
    case THttpFailure::TimedOut:
        return "time-out";
    case THttpFailure::ClosedByServer:
        return "closed by the server";
    case THttpFailure::ClosedByClient:
        return kStopped;
    case THttpFailure::TooLarge:
        return "too large";
    case THttpFailure::Tls:
        return "TLS failure";
    case THttpFailure::Busy:
    case THttpFailure::Transfer:
        break;
    }
    return e.Message();
}

} // namespace

bool TFetchResult::DownloadFailed() const {
    switch (Outcome) {
    case TFetchOutcome::Failed:
    case TFetchOutcome::ZeroBytes:
    case TFetchOutcome::UnknownFormat:
    case TFetchOutcome::JpegIncomplete:
        return true;
    case TFetchOutcome::Aborted:
        // Stopped once the GET had returned: the View counts it as failed.
        return Step != TFetchStep::DateCheck && Step != TFetchStep::Download;
    case TFetchOutcome::Updated:
    case TFetchOutcome::Skipped:
        break;
    }
    return false;
}

bool TFetchResult::DownloadSkipped() const {
    return Outcome == TFetchOutcome::Skipped || Outcome == TFetchOutcome::JpegIncomplete;
}

std::int64_t TFetchResult::CountedBytes() const {
    const bool counted = Outcome == TFetchOutcome::Updated || Outcome == TFetchOutcome::Failed ||
                         Outcome == TFetchOutcome::Aborted;
    return counted ? Bytes : 0;
}

void TCameraFetch::TFileCloser::operator()(std::FILE* f) const {
    if (f) std::fclose(f);
}

TCameraFetch::TCameraFetch(THttpSession& session, TFetchRequest request, IFetchObserver* observer)
    : session_(session), request_(std::move(request)), observer_(observer) {}

TCameraFetch::~TCameraFetch() {
    if (state_ != TState::Running) return;
    // The observer may be going too: it is not told.
    head_.transfer.reset();
    get_.transfer.reset();
    file_.reset();
    RemoveFile(request_.WorkFile);
    if (!type_.empty()) RemoveFile(TypedPath(type_));
}

bool TCameraFetch::Advance() {
    if (state_ == TState::Idle)
        Begin();
    else if (state_ == TState::Running && !stop_)
        Move();
    if (stop_ && state_ == TState::Running) Abandon();
    return state_ == TState::Ended;
}

void TCameraFetch::RequestStop() {
    stop_ = true;
    // The transfers let go of their connections now; the fetch ends at the
    // next Advance (or when the observer call it is in returns).
    for (TLeg* leg : {&head_, &get_})
        if (leg->transfer) leg->transfer->Close();
}

bool TCameraFetch::Enter(TFetchStep step) {
    step_ = step;
    if (observer_) observer_->FetchStep(*this, step);
    return !stop_;
}

void TCameraFetch::Begin() {
    state_ = TState::Running;
    result_.Date = request_.PreviousDate;
    // Set on the session and left set, as the View does.
    session_.SetRequestHeader("Pragma", "no-cache");
    session_.SetRequestHeader("Cache-control", "no-cache");
    RemoveFile(request_.WorkFile);
    if (!Enter(TFetchStep::DateCheck)) return End(TFetchOutcome::Aborted, kStopped);
    // A camera that accepts the connection and never answers must not hold
    // the date check either; a time-out that is no number fails the GET.
    const int timeout = StrToIntDef(request_.Timeout, StrToInt(TSettingsValues{}.Timeout));
    if (request_.EarlyDownload)
        earlyAfterMs_ = timeout > 0 ? std::clamp(timeout / 4, 1, 1000) : 1000;
    headStart_ = std::chrono::steady_clock::now();
    StartLeg(head_, true, timeout);
    if (head_.ended) HeadEnded();
}

// The requests in the order their answers decide: the date first.
void TCameraFetch::Move() {
    if (!head_.ended && PumpLeg(head_)) {
        if (stop_) return;
        HeadEnded();
    }
    if (state_ != TState::Running || stop_) return;
    if (getStarted_ && !get_.ended && PumpLeg(get_) && stop_) return;
    // Only a server that took the date check's request and keeps silent is
    // worth an early GET; one still being reached may turn out unreachable.
    if (!getStarted_ && earlyAfterMs_ > 0 && !dateKnown_ && head_.transfer &&
        head_.transfer->Connected() &&
        std::chrono::steady_clock::now() - headStart_ >= std::chrono::milliseconds(earlyAfterMs_))
        BeginDownload();
    if (state_ == TState::Running && !stop_ && dateKnown_ && get_.ended) GetEnded();
}

void TCameraFetch::StartLeg(TLeg& leg, bool head, int readTimeoutMs) {
    THttpTransfer::TSink sink;
    if (!head) {
        sink = [this](const char* data, std::size_t size) {
            if (std::fwrite(data, 1, size, file_.get()) != size)
                throw EFCreateError(request_.WorkFile);
        };
    }
    // A host that drops every packet would otherwise hold the camera for the
    // system's own connect time-out (minutes): reaching it is waiting for an
    // answer too, and may take no longer than the read time-out.
    const int connectTimeoutMs =
        request_.ConnectTimeoutMs > 0 ? request_.ConnectTimeoutMs : std::max(readTimeoutMs, 0);
    leg.transfer = std::make_unique<THttpTransfer>(
        session_, THttpTransfer::TRequest{request_.Url, head, readTimeoutMs, connectTimeoutMs},
        std::move(sink));
    leg.transfer->OnReady = [this, &leg] {
        leg.ready = true;
        if (observer_) observer_->FetchConnected(*this);
    };
    if (!head) {
        leg.transfer->OnWorkBegin = [this](std::int64_t countMax) {
            expected_ = countMax;
            if (observer_) observer_->FetchWorkBegin(*this, countMax);
        };
        leg.transfer->OnWork = [this](std::int64_t count) {
            bytes_ = count;
            if (observer_) observer_->FetchWork(*this, count);
        };
    }
    try {
        leg.transfer->Start();
    } catch (const std::exception& e) {
        leg.error = e.what();
        leg.ended = true;
    }
}

// True once the leg's transfer has ended, also by an exception of the sink
// or an event (a work file that cannot be written, a failing window).
bool TCameraFetch::PumpLeg(TLeg& leg) {
    bool ended = true;
    try {
        ended = leg.transfer->Pump();
    } catch (const ELumiskError& e) {
        leg.error = e.Message();
    } catch (const std::exception& e) {
        leg.error = e.what();
    }
    if (!ended) return false;
    leg.ended = true;
    if (leg.ready) {
        leg.ready = false;
        if (observer_) observer_->FetchDisconnected(*this);
    }
    return true;
}

void TCameraFetch::DropLegs() {
    for (TLeg* leg : {&head_, &get_}) {
        leg->transfer.reset();
        if (leg->ready && observer_) observer_->FetchDisconnected(*this);
        leg->ready = false;
    }
}

void TCameraFetch::HeadEnded() {
    const bool ok = head_.error.empty() && head_.transfer->Succeeded();
    std::vector<std::string> lines;
    if (ok) lines = head_.transfer->Lines();
    // An early GET may have met the stream before the date check's answer.
    const bool stream =
        (ok && head_.transfer->Stream()) || (get_.transfer && get_.transfer->Stream());
    if (head_.error.empty() && !ok && CannotReach(*head_.transfer))
        unreachable_ = HttpReason(*head_.transfer->Error());
    head_.transfer.reset();

    TDateSource source = TDateSource::HeadFailed;
    std::string date = kUnreadableDate;
    if (ok) {
        source = TDateSource::NoDateHeader;
        date = kUnparsableDate;
        // Exactly "Last-Modified: " in this case with one blank; the last such line wins.
        for (const std::string& line : lines)
            if (line.size() >= 15 && line.compare(0, 15, "Last-Modified: ") == 0) {
                date = WithoutControlBytes(line.substr(15));
                source = TDateSource::Server;
            }
    }
    if (stream) {
        source = TDateSource::Stream;
        date.clear();
    }
    // A camera with no date has no preview to keep: an empty date header
    // must not pass for a match.
    if (source == TDateSource::Server && request_.DateSkip && !request_.PreviousDate.empty() &&
        date == request_.PreviousDate) {
        // A body that came early is not wanted.
        DropLegs();
        file_.reset();
        if (getStarted_) RemoveFile(request_.WorkFile);
        step_ = TFetchStep::DateCheck;
        return End(TFetchOutcome::Skipped);
    }
    serverDate_ = date;
    dateSource_ = source;
    dateKnown_ = true;
    if (observer_) observer_->FetchDate(*this, date, source);
    if (stop_) return;
    if (!getStarted_) BeginDownload();
}

void TCameraFetch::BeginDownload() {
    getStarted_ = true;
    if (!Enter(TFetchStep::Download)) return;
    const std::string& work = request_.WorkFile;
    const std::optional<std::int32_t> timeout = TryStrToInt(request_.Timeout);
    file_.reset(std::fopen(work.c_str(), "wb"));
    if (!file_) {
        get_.error = EFCreateError(work).Message();
    } else if (!timeout) {
        get_.error = EConvertError(request_.Timeout).Message();
    } else if (!unreachable_.empty()) {
        // A camera the date check could not reach at all would only make
        // the GET wait for the same failure: it ends as that GET would.
        get_.error = unreachable_;
    } else {
        StartLeg(get_, false, *timeout);
        return;
    }
    // Decided once the date is known, which may still skip the camera.
    get_.ended = true;
}

void TCameraFetch::GetEnded() {
    const std::string& work = request_.WorkFile;
    std::string failure = get_.error;
    if (failure.empty() && !get_.transfer->Succeeded())
        failure = HttpReason(*get_.transfer->Error());
    if (failure.empty()) bytes_ = get_.transfer->Bytes();
    result_.Bytes = bytes_;
    const bool stream = failure.empty() && get_.transfer->Stream();
    get_.transfer.reset();
    // The work file lives only during the fetch; a partial body is no use.
    if (!failure.empty()) {
        file_.reset();
        RemoveFile(work);
        return End(TFetchOutcome::Failed, failure);
    }
    if (stream && dateSource_ != TDateSource::Stream) {
        serverDate_.clear();
        dateSource_ = TDateSource::Stream;
        if (observer_) observer_->FetchDate(*this, serverDate_, dateSource_);
        if (stop_) return;
    }
    if (!Enter(TFetchStep::Checks)) return;
    if (std::fclose(file_.release()) != 0) {
        RemoveFile(work);
        return End(TFetchOutcome::Failed, EFCreateError(work).Message());
    }
    if (FileSizeOf(work) == 0) {
        if (!request_.KeepRejectedWorkFile) RemoveFile(work);
        return End(TFetchOutcome::ZeroBytes, "0 bytes");
    }
    result_.Type = DetectImageType(work);
    if (observer_) observer_->FetchType(*this, result_.Type);
    if (stop_) return;
    if (result_.Type == "Undetermined") {
        if (!request_.KeepRejectedWorkFile) RemoveFile(work);
        return End(TFetchOutcome::UnknownFormat, "not an image");
    }
    type_ = result_.Type;
    const std::string typed = TypedPath(type_);
    if (std::rename(work.c_str(), typed.c_str()) != 0) {
        RemoveFile(work);
        return End(TFetchOutcome::Failed, EFCreateError(typed).Message());
    }
    // The JPEG decoder accepts a file by its header alone; the others read it whole.
    if (type_ == "JPG" && !EndsWithJpegMarker(typed)) {
        RemoveFile(typed);
        return End(TFetchOutcome::JpegIncomplete, "incomplete JPEG");
    }
    if (!Enter(TFetchStep::Keep)) return;
    // A rename puts the whole file in place at once; a copy (itself written
    // beside the preview and renamed) is the fallback for a previews
    // directory on another file system.
    const std::string preview = PreviewBasePath(request_.Description) + "." + type_;
    const bool kept = PreviewFolder().Keep(typed, preview);
    RemoveFile(typed);
    if (!kept) return End(TFetchOutcome::Failed, EFCreateError(preview).Message());
    result_.PreviewPath = preview;
    End(TFetchOutcome::Updated);
}

// Stopped: nothing the fetch wrote stays behind.
void TCameraFetch::Abandon() {
    DropLegs();
    file_.reset();
    RemoveFile(request_.WorkFile);
    if (!type_.empty()) RemoveFile(TypedPath(type_));
    result_.Bytes = bytes_;
    End(TFetchOutcome::Aborted, kStopped);
}

void TCameraFetch::End(TFetchOutcome outcome, const std::string& reason) {
    state_ = TState::Ended;
    result_.Outcome = outcome;
    result_.Step = step_;
    result_.Reason = reason;
    const bool dated =
        outcome == TFetchOutcome::Updated || outcome == TFetchOutcome::JpegIncomplete;
    result_.Date =
        CutBytes(dated ? serverDate_ : request_.PreviousDate, CameraRecord::kLastModifiedCapacity);
}

std::string TCameraFetch::TypedPath(const std::string& type) const {
    const std::string& work = request_.WorkFile;
    const std::size_t dot = work.rfind('.');
    const std::size_t slash = work.rfind('/');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? work.substr(0, dot) : work) + "." + type;
}

std::string NormaliseCameraUrl(const std::string& text) {
    // An https address stays one: turning it into "http://https://..." would
    // corrupt what the user typed.
    if (text.size() >= 8 && ::strncasecmp(text.c_str(), "https://", 8) == 0)
        return "https://" + text.substr(8);
    std::string url = text;
    if (url.size() < 7 || ::strncasecmp(url.c_str(), "http://", 7) != 0) url = "http://" + url;
    return "http://" + url.substr(7);
}

TFetchRequest CameraRequest(const CameraRecord& camera, const TSettingsValues& settings) {
    TFetchRequest request;
    request.Url = NormaliseCameraUrl(camera.ImageUrl);
    request.Description = camera.Description;
    const std::string preview = FindPreviewFile(camera.Description, TPreviewLookup::Panel);
    if (FileExists(preview) && FileSizeOf(preview) != 0) request.PreviousDate = camera.LastModified;
    request.DateSkip = settings.DateSkip;
    request.Timeout = settings.Timeout;
    return request;
}

} // namespace lumisk
