#pragma once
// The batch preview refresh, without a window: clears the previews directory
// of old files (TOldPreviewRemover), then walks every camera in catalogue
// order and downloads those the update style selects, counting what became
// of each and listing the ones that failed. How a camera is downloaded is
// the downloader's business: the refresh window's runs the main window's
// View one camera at a time, the command's runs many at once. Progress goes
// to the observer; the status texts it is given are the refresh window's.
//
// States: idle -> Run() -> idle. RequestStop() (from an observer call, a
// nested event handler, or a poll of a stop signal) ends the downloads in
// progress through the downloader and ends the walk after the current
// camera; cameras not reached are not downloaded. Run() clears an earlier
// request when it starts.
//
// Errors: a preview judged under DarkShaded that cannot be decoded throws the
// decoder's error out of Run(), as do the downloader's and the observer's
// own; the engine is idle again either way, and downloads the downloader may
// still hold are its owner's to end. Owns neither observer nor downloader.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace lumisk {

// Which cameras a run downloads.
enum class TRefreshStyle { AllPreviews = 0, WithoutPreview = 1, DarkShaded = 2 };

struct TRefreshCounts {
    std::int32_t Cameras = 0;
    std::int32_t Updated = 0;
    std::int32_t Failed = 0;
    std::int32_t Skipped = 0;
    std::int32_t Removed = 0; // old preview files deleted
    // Cameras whose turn is over: passed over by the style, or downloaded.
    std::int32_t Visited = 0;
};

// What became of one camera's download.
struct TRefreshOutcome {
    enum class TKind { Updated, Skipped, Failed, Stopped };
    TKind Kind = TKind::Updated;
    std::string Description; // as the failed list shows it
    std::string Reason;      // why it failed, for people; "" when unknown
};

struct TRefreshSummary {
    TRefreshCounts Counts;
    bool Stopped = false;
    std::int64_t ElapsedMs = 0;
    std::vector<std::pair<std::string, std::string>> Failed; // description, reason
};

class IRefreshObserver {
  public:
    virtual ~IRefreshObserver() = default;
    // A run starts over: the counters are 0 but the cameras, no status, no
    // camera failed yet.
    virtual void RefreshStarted(const TRefreshCounts&) {}
    virtual void RefreshCounts(const TRefreshCounts&) {}
    virtual void RefreshStatus(const std::string& /*text*/) {}
    // Comes before the counts that include it.
    virtual void RefreshFailed(const std::string& /*description*/, const std::string& /*reason*/) {}
    // The walk is over; the first camera is made current after this.
    virtual void RefreshFinished(const TRefreshSummary&) {}
};

// The walk over the cameras and their downloads.
class IRefreshDownloader {
  public:
    using TDone = std::function<void(const TRefreshOutcome&)>;
    virtual ~IRefreshDownloader() = default;

    // How many cameras the walk visits, and every camera's description for
    // the clean-up.
    virtual std::int32_t Cameras() const = 0;
    virtual std::vector<std::string> Descriptions() const = 0;
    // Makes the first camera current (nothing when there is none); steps to
    // the next one unless the current one is the last.
    virtual void First() = 0;
    virtual void Next() = 0;
    // The description of the current camera, as its preview is named.
    virtual std::string Current() const = 0;
    // Downloads the current camera. done runs once, inside this call or a
    // later Download() or Finish(); a download abandoned by Abort() reports
    // Stopped or not at all.
    virtual void Download(TDone done) = 0;
    // Returns once no download is in progress.
    virtual void Finish() = 0;
    // Ends the downloads in progress at once and starts no more.
    virtual void Abort() = 0;
};

class TRefreshEngine {
  public:
    // A preview whose AverageBrightness is below this is dark.
    static constexpr double kDarkThreshold = 15;

    explicit TRefreshEngine(IRefreshObserver& observer) : observer_(observer) {}

    // A whole run; returns when it ends.
    TRefreshSummary Run(TRefreshStyle style, IRefreshDownloader& downloader);
    void RequestStop();

    bool Running() const { return downloader_ != nullptr; }
    bool StopRequested() const { return stop_; }
    const TRefreshCounts& Counts() const { return counts_; }

    // Whether the style selects the camera, judged on the preview the panel
    // shows. Throws when a preview judged for darkness cannot be decoded.
    static bool Selects(TRefreshStyle style, const std::string& description);

  private:
    void RemoveOldPreviews();
    void RefreshCameras(std::int64_t startMs);
    void Count(const TRefreshOutcome& outcome);
    void Status(const std::string& text);

    IRefreshObserver& observer_;
    IRefreshDownloader* downloader_ = nullptr;
    TRefreshStyle style_ = TRefreshStyle::AllPreviews;
    bool stop_ = false;
    TRefreshCounts counts_;
    std::vector<std::pair<std::string, std::string>> failed_;
};

} // namespace lumisk
