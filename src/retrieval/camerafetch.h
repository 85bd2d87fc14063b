#pragma once
// One camera's download by the rules of a View, as a state machine that never
// blocks on the network: a HEAD asks for the server's date, which may skip
// the download; a GET writes the body into the fetch's own work file; an empty
// body, one no decoder accepts and a JPEG without its end marker are
// rejected; a good image becomes the camera's preview,
// PreviewBasePath(description) + "." + type, put in place whole by a rename.
//
// A motion-JPEG stream gives its first whole picture as the body (see
// httptransfer.h) and is never skipped: its date is "".
//
// A camera the date check cannot reach at all (name not found, connection
// refused or timed out) gets no GET: the download step ends Failed at once,
// as the GET would have.
//
// Whoever owns the session runs its Wait and Perform and calls Advance()
// after each Perform (THttpClient::RunJob for a View, TFetchPool for many).
// Steps and progress go to the observer, whose calls run inside Advance and
// may call RequestStop() and SetDescription(); the fetch ends with Result().
//
// Files: the work file exists only while the fetch runs, except that a
// request with KeepRejectedWorkFile leaves an empty or unrecognised body there
// (the View's rule); the typed work file (the work file's name with the type
// as its extension) exists only between detection and keeping. Errors of the
// network and of files are outcomes, never exceptions. An exception of the
// observer inside the GET's events fails the GET, as it failed a View's;
// any other leaves Advance, and the fetch can then only be destroyed, which
// abandons its transfers and removes its work files.
#include "retrieval/httptransfer.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace lumisk {

class THttpSession;
struct CameraRecord;
struct TSettingsValues;

enum class TFetchOutcome {
    Updated,        // a new preview was kept
    Skipped,        // the server's date equals the previous one: nothing downloaded
    Failed,         // no image: the GET or a file operation failed
    Aborted,        // stopped by RequestStop
    ZeroBytes,      // the body was empty
    UnknownFormat,  // no decoder accepts the body
    JpegIncomplete, // a JPEG without its end-of-image marker
};

enum class TFetchStep {
    DateCheck, // the HEAD request and the skip rule
    Download,  // the GET into the work file
    Checks,    // size, type and JPEG end marker of the body
    Keep,      // the typed work file becomes the preview
};

// Where the date of a date check came from.
enum class TDateSource {
    Server,       // a "Last-Modified: " line: its text, without control bytes
    NoDateHeader, // none: "Unable to parse date from server"
    HeadFailed,   // the HEAD failed: "Unable to read date from server"
    Stream,       // a motion-JPEG stream, which has no file date: ""
};

struct TFetchRequest {
    std::string Url;          // as fetched (NormaliseCameraUrl)
    std::string Description;  // names the preview
    std::string PreviousDate; // the date of the last good download; "" never matches
    bool DateSkip = true;     // skip when the server's date equals PreviousDate
    // The settings' read time-out text in milliseconds: the HEAD uses 5000
    // when it is no number, the GET then fails.
    std::string Timeout = "5000";
    int ConnectTimeoutMs = 0; // 0: the request's read time-out
    std::string WorkFile;     // full path of the file the body is written to
    bool KeepRejectedWorkFile = false;
    // Send the GET while a slow date check still waits for its answer
    // (connected, after a quarter of its time-out, at most a second), so that
    // a camera that never answers costs one time-out rather than two. The
    // date still decides: a body that came meanwhile is dropped when it says
    // skip. The View waits.
    bool EarlyDownload = false;
};

struct TFetchResult {
    TFetchOutcome Outcome = TFetchOutcome::Aborted;
    TFetchStep Step = TFetchStep::DateCheck; // the step it ended in
    // The date the camera record keeps afterwards, cut to its capacity: the
    // date check's text when Updated and (as a View leaves the record) when
    // JpegIncomplete; PreviousDate otherwise.
    std::string Date;
    std::int64_t Bytes = 0;  // body bytes received
    std::string Type;        // "JPG", "GIF", "PNG", "BMP", "Undetermined"; "" before detection
    std::string PreviewPath; // the preview written (Updated)
    // For people, when no preview was kept: "HTTP 404", "time-out",
    // "connection refused", "host not found", "not an image", "stopped", ...
    std::string Reason;

    // A View's DownloadFailed and DownloadSkipped after this outcome.
    bool DownloadFailed() const;
    bool DownloadSkipped() const;
    // The bytes a View adds to the byte counters for this outcome.
    std::int64_t CountedBytes() const;
};

class TCameraFetch;

class IFetchObserver {
  public:
    virtual ~IFetchObserver() = default;
    // A step begins. RequestStop() here ends the fetch Aborted in this step.
    // Steps come in order; with EarlyDownload, Download (and its work events)
    // may come before FetchDate.
    virtual void FetchStep(TCameraFetch&, TFetchStep) {}
    // The date check is over and not skipped: the text the camera has from
    // now on unless the fetch fails. Told once more, as Stream, when only
    // the GET's answer shows the address is a motion-JPEG stream.
    virtual void FetchDate(TCameraFetch&, const std::string& /*date*/, TDateSource) {}
    // The body's type is known (also "Undetermined").
    virtual void FetchType(TCameraFetch&, const std::string& /*type*/) {}
    // A connection is ready for a request of the fetch / that request ended.
    virtual void FetchConnected(TCameraFetch&) {}
    virtual void FetchDisconnected(TCameraFetch&) {}
    // The GET body starts (countMax 0 when no length was announced), and
    // after each block written (count: the running total). Inside these,
    // the session's CloseConnections ends the GET with the bytes so far.
    virtual void FetchWorkBegin(TCameraFetch&, std::int64_t /*countMax*/) {}
    virtual void FetchWork(TCameraFetch&, std::int64_t /*count*/) {}
};

class TCameraFetch {
  public:
    TCameraFetch(THttpSession& session, TFetchRequest request, IFetchObserver* observer = nullptr);
    ~TCameraFetch();
    TCameraFetch(const TCameraFetch&) = delete;
    TCameraFetch& operator=(const TCameraFetch&) = delete;

    // Starts the fetch on the first call, then takes what the session's last
    // Perform brought. True once the fetch has ended.
    bool Advance();
    // Ends the fetch Aborted: the transfers in progress let go of their
    // connections at once; at the next Advance (or when the observer call it
    // comes from returns) the fetch ends and its work files are removed.
    void RequestStop();
    // The description that names the preview, when it changes before Keep.
    void SetDescription(const std::string& description) { request_.Description = description; }

    bool Ended() const { return state_ == TState::Ended; }
    const TFetchResult& Result() const { return result_; }
    const TFetchRequest& Request() const { return request_; }
    TFetchStep Step() const { return step_; }
    // Progress of the GET: body bytes so far and the announced length (0: none).
    std::int64_t Bytes() const { return bytes_; }
    std::int64_t ExpectedBytes() const { return expected_; }

  private:
    enum class TState { Idle, Running, Ended };
    struct TFileCloser {
        void operator()(std::FILE* f) const;
    };
    // One request of the fetch and how it ended.
    struct TLeg {
        std::unique_ptr<THttpTransfer> transfer;
        bool ready = false; // FetchConnected was told
        bool ended = false;
        std::string error; // a failure to start, or an exception of the sink or an event
    };

    void Begin();
    void Move();
    void HeadEnded();
    void BeginDownload();
    void GetEnded();
    bool Enter(TFetchStep step);
    void StartLeg(TLeg& leg, bool head, int readTimeoutMs);
    bool PumpLeg(TLeg& leg);
    void DropLegs();
    void Abandon();
    void End(TFetchOutcome outcome, const std::string& reason = "");
    std::string TypedPath(const std::string& type) const;

    THttpSession& session_;
    TFetchRequest request_;
    IFetchObserver* observer_;
    TState state_ = TState::Idle;
    TFetchStep step_ = TFetchStep::DateCheck;
    bool stop_ = false;
    TLeg head_;
    TLeg get_;
    std::string unreachable_; // why the date check could not reach the camera at all
    bool dateKnown_ = false;
    TDateSource dateSource_ = TDateSource::HeadFailed;
    bool getStarted_ = false;
    std::chrono::steady_clock::time_point headStart_;
    int earlyAfterMs_ = 0; // 0: the GET waits for the date
    std::unique_ptr<std::FILE, TFileCloser> file_;
    std::string serverDate_; // the date check's text
    std::int64_t bytes_ = 0;
    std::int64_t expected_ = 0;
    std::string type_;
    TFetchResult result_;
};

// The address as a View fetches it: "http://" put in front unless the text
// starts with "http://" or "https://" (any case); the scheme in lower case.
std::string NormaliseCameraUrl(const std::string& text);

// The request a View makes for a stored camera with these settings: the
// normalised address, the description, and as previous date the record's
// date when the camera has a usable preview (the main window shows no date
// for a camera without one). The work file is left to the caller.
TFetchRequest CameraRequest(const CameraRecord& camera, const TSettingsValues& settings);

} // namespace lumisk
