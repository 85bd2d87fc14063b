#include "retrieval/camerafetch.h"

#include "catalogue/camerarecord.h"
#include "catalogue/settingsfile.h"
#include "imaging/imagetype.h"
#include "imaging/previewpaths.h"
#include "retrieval/httpsession.h"
#include "util/bytetext.h"
#include "util/fileio.h"
#include "util/fileutils.h"
#include "util/lumiskerror.h"
#include "util/numbertext.h"

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
    if (state_ != TState::Idle && state_ != TState::Ended) {
        transfer_.reset();
        file_.reset();
        RemoveFile(request_.WorkFile);
        if (!type_.empty()) RemoveFile(TypedPath(type_));
    }
}

bool TCameraFetch::Advance() {
    if (state_ == TState::Idle) {
        Begin();
    } else if (state_ != TState::Ended && !stop_ && PumpTransfer() && !stop_) {
        if (state_ == TState::Head)
            AfterHead();
        else
            AfterGet();
    }
    if (stop_ && state_ != TState::Ended) Abandon();
    return state_ == TState::Ended;
}

void TCameraFetch::RequestStop() {
    stop_ = true;
    // The transfer lets go of its connection now; the fetch ends at the next
    // Advance (or when the observer call it is in returns).
    if (transfer_) transfer_->Close();
}

bool TCameraFetch::Enter(TFetchStep step) {
    step_ = step;
    if (observer_) observer_->FetchStep(*this, step);
    return !stop_;
}

void TCameraFetch::Begin() {
    result_.Date = request_.PreviousDate;
    // Set on the session and left set, as the View does.
    session_.SetRequestHeader("Pragma", "no-cache");
    session_.SetRequestHeader("Cache-control", "no-cache");
    RemoveFile(request_.WorkFile);
    state_ = TState::Head;
    if (!Enter(TFetchStep::DateCheck)) return End(TFetchOutcome::Aborted, kStopped);
    // A camera that accepts the connection and never answers must not hold
    // the date check either; a time-out that is no number fails the GET.
    const int timeout = StrToIntDef(request_.Timeout, StrToInt(TSettingsValues{}.Timeout));
    if (!StartTransfer(true, timeout)) AfterHead();
}

bool TCameraFetch::StartTransfer(bool head, int readTimeoutMs) {
    THttpTransfer::TSink sink;
    if (!head) {
        sink = [this](const char* data, std::size_t size) {
            if (std::fwrite(data, 1, size, file_.get()) != size)
                throw EFCreateError(request_.WorkFile);
        };
    }
    transfer_ = std::make_unique<THttpTransfer>(
        session_,
        THttpTransfer::TRequest{request_.Url, head, readTimeoutMs, request_.ConnectTimeoutMs},
        std::move(sink));
    transfer_->OnReady = [this] {
        transferReady_ = true;
        if (observer_) observer_->FetchConnected(*this);
    };
    transfer_->OnWorkBegin = [this](std::int64_t countMax) {
        expected_ = countMax;
        if (observer_) observer_->FetchWorkBegin(*this, countMax);
    };
    transfer_->OnWork = [this](std::int64_t count) {
        bytes_ = count;
        if (observer_) observer_->FetchWork(*this, count);
    };
    pumpError_.clear();
    try {
        transfer_->Start();
        return true;
    } catch (const std::exception& e) {
        pumpError_ = e.what();
        return false;
    }
}

// True once the transfer has ended, also by an exception of the sink or an
// event (a work file that cannot be written, a failing window).
bool TCameraFetch::PumpTransfer() {
    bool ended = true;
    try {
        ended = transfer_->Pump();
    } catch (const ELumiskError& e) {
        pumpError_ = e.Message();
    } catch (const std::exception& e) {
        pumpError_ = e.what();
    }
    if (ended && transferReady_) {
        transferReady_ = false;
        if (observer_) observer_->FetchDisconnected(*this);
    }
    return ended;
}

void TCameraFetch::AfterHead() {
    const bool ok = pumpError_.empty() && transfer_->Succeeded();
    std::vector<std::string> lines;
    if (ok) lines = transfer_->Lines();
    transfer_.reset();

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
    // A camera with no date has no preview to keep: an empty date header
    // must not pass for a match.
    if (source == TDateSource::Server && request_.DateSkip && !request_.PreviousDate.empty() &&
        date == request_.PreviousDate)
        return End(TFetchOutcome::Skipped);
    serverDate_ = date;
    if (observer_) observer_->FetchDate(*this, date, source);
    if (stop_) return End(TFetchOutcome::Aborted, kStopped);
    BeginDownload();
}

void TCameraFetch::BeginDownload() {
    state_ = TState::Get;
    if (!Enter(TFetchStep::Download)) return End(TFetchOutcome::Aborted, kStopped);
    const std::string& work = request_.WorkFile;
    file_.reset(std::fopen(work.c_str(), "wb"));
    if (!file_) return End(TFetchOutcome::Failed, EFCreateError(work).Message());
    const std::optional<std::int32_t> timeout = TryStrToInt(request_.Timeout);
    if (!timeout) {
        file_.reset();
        RemoveFile(work);
        return End(TFetchOutcome::Failed, EConvertError(request_.Timeout).Message());
    }
    if (!StartTransfer(false, *timeout)) AfterGet();
}

void TCameraFetch::AfterGet() {
    const std::string& work = request_.WorkFile;
    std::string failure = pumpError_;
    if (failure.empty() && !transfer_->Succeeded()) failure = HttpReason(*transfer_->Error());
    if (transfer_ && transfer_->Succeeded()) bytes_ = transfer_->Bytes();
    result_.Bytes = bytes_;
    transfer_.reset();
    // The work file lives only during the fetch; a partial body is no use.
    if (!failure.empty()) {
        file_.reset();
        RemoveFile(work);
        return End(TFetchOutcome::Failed, failure);
    }
    if (!Enter(TFetchStep::Checks)) {
        file_.reset();
        RemoveFile(work);
        return End(TFetchOutcome::Aborted, kStopped);
    }
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
    if (stop_) {
        RemoveFile(work);
        return End(TFetchOutcome::Aborted, kStopped);
    }
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
    if (!Enter(TFetchStep::Keep)) {
        RemoveFile(typed);
        return End(TFetchOutcome::Aborted, kStopped);
    }
    // A rename puts the whole file in place at once; a copy (itself written
    // beside the preview and renamed) is the fallback for a previews
    // directory on another file system.
    const std::string preview = PreviewBasePath(request_.Description) + "." + type_;
    const bool kept = std::rename(typed.c_str(), preview.c_str()) == 0 || CopyFile(typed, preview);
    RemoveFile(typed);
    if (!kept) return End(TFetchOutcome::Failed, EFCreateError(preview).Message());
    result_.PreviewPath = preview;
    End(TFetchOutcome::Updated);
}

void TCameraFetch::Abandon() {
    transfer_.reset();
    if (transferReady_ && observer_) observer_->FetchDisconnected(*this);
    transferReady_ = false;
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
