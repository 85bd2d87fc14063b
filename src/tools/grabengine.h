#pragma once
// The time-lapse grab without a window: downloads one camera again and again
// through the host, keeps every picture that differs from the last kept one
// as the next numbered frame "FRA#####.BMP" of the frames directory, drops
// duplicates, counts skipped downloads, waits between downloads and ends at
// the maximum or on RequestStop(). Two downloads never start less than
// SpacingMs apart, across grabs of the same engine too. Outside the host's
// capture window it waits for the window to open. Kept frames may carry the
// grab's local date and time in their corner; duplicates are still found by
// the downloaded pictures.
//
// A frame is written under a hidden temporary name beside it, compared there
// and renamed into place only when kept, so a frame file is always whole and
// a duplicate never shows up under a frame's name. No kept frame is ever
// replaced.
//
// Run() does the whole grab on the calling thread and yields through
// ProcessPendingEvents at fixed points and through IGrabHost::Pause while it
// waits; RequestStop() (from a nested handler, a signal's poll) is noticed at
// the next check. Errors end Run() with the exception and leave the engine
// idle: EFCreateError / EFOpenError when a frame cannot be written or
// compared, ELumiskError when the frame numbers are used up, ELowDiskSpace
// before a download or a frame write when the frame (the last one's size
// before a download) would leave the frames' disk with less than
// DiskReserveBytes plus twice the frame, and whatever the host throws (a
// delay, maximum or capture window that is no number or time).
#include "tools/capturewindow.h"
#include "util/lumiskerror.h"

#include <QDateTime>
#include <QImage>
#include <cstdint>
#include <optional>
#include <string>

namespace lumisk {

enum class TGrabDownload {
    Image,   // a picture was obtained (IGrabHost::DownloadedPicture gives it)
    Skipped, // the camera's date showed nothing new
    Nothing  // failed or aborted
};

class IGrabHost {
  public:
    virtual ~IGrabHost() = default;

    // Frames of an earlier grab were found below the data directory: delete them?
    virtual bool DeletePreviousFrames(std::size_t count) = 0;
    // The wait after each download in milliseconds, nothing for none at all;
    // read anew after every download.
    virtual std::optional<std::int64_t> DelayMs() = 0;
    // The kept frames that end the grab, nothing for endless; read anew.
    virtual std::optional<std::int32_t> MaximumFrames() = 0;
    // One download of the camera.
    virtual TGrabDownload Download() = 0;
    // The picture the last download obtained; asked once after Image.
    virtual QImage DownloadedPicture() = 0;
    // Waits up to about milliseconds, keeping the host alive; may return
    // early once a stop was requested.
    virtual void Pause(std::int64_t milliseconds) = 0;
    // The hours to download in, nothing for all day; read before every
    // download and again while waiting for them.
    virtual std::optional<TCaptureWindow> CaptureWindow() { return std::nullopt; }
    // Whether a kept frame carries the grab's date and time; read per frame.
    virtual bool StampFrames() { return false; }
    // The clocks: monotonic milliseconds, and the local time of day that the
    // capture window and the stamp go by.
    virtual std::int64_t TickMs();
    virtual QDateTime LocalNow() { return QDateTime::currentDateTime(); }

    virtual void PreviousFramesDeleted(std::size_t) {}
    virtual void Status(const std::string&) {}
    // "Disk space used by frames = ..." and "Disk space remaining = ...".
    virtual void DiskFigures(const std::string&, const std::string&) {}
    virtual void SkippedCounted(std::int32_t) {}
    virtual void FrameKept(std::int32_t, const std::string&) {}
    virtual void DuplicateDropped(const std::string&) {}
    // A download that produced an image is done with (after its frame).
    virtual void ImageCounted(std::int32_t) {}
};

// The grab ended to keep the frames' disk from filling up.
class ELowDiskSpace : public ELumiskError {
  public:
    using ELumiskError::ELumiskError;
};

class TGrabEngine {
  public:
    // Free space a grab never eats into, on top of twice a frame's size.
    static constexpr std::int64_t DiskReserveBytes = 100LL * 1024 * 1024;
    // How often a grab outside its capture window looks at the clock.
    static constexpr std::int64_t CaptureCheckMs = 100;

    // However short the delay, a grab asks its camera at most once in this
    // many milliseconds (counted from the start of one download to the next).
    static constexpr std::int64_t MinimumSpacingMs = 5000;

    explicit TGrabEngine(IGrabHost& host) : host_(host) {}

    // Least time between the starts of two downloads.
    std::int64_t SpacingMs = MinimumSpacingMs;
    // Whether the delay after the frame that reaches the maximum is waited
    // out before the grab ends (the window does), or the grab ends at once.
    bool WaitAfterLastFrame = true;

    void Run();
    void RequestStop() { stopRequested_ = true; }
    bool StopRequested() const { return stopRequested_; }
    bool Running() const { return running_; }

    std::int32_t ImagesDownloaded() const { return images_; }
    std::int32_t UniqueFrames() const { return unique_; }
    std::int32_t SkippedDownloads() const { return skipped_; }
    std::int32_t DuplicatesDropped() const { return duplicates_; }
    // The last kept frame of this grab, "" before the first.
    const std::string& PreviousFrameFile() const { return previousFrame_; }

    // The hidden name a frame is written under before it is kept.
    static std::string TemporaryFrameFile(const std::string& frame);

  private:
    void Cycle();
    void AwaitCaptureWindow();
    // Throws ELowDiskSpace when writing a frame of frameBytes would bring the
    // free space of the frames' disk under the reserve plus twice the frame.
    void GuardDisk(std::int64_t frameBytes);
    void KeepFrame();
    bool Duplicate(const std::string& temporary, const QImage& picture, bool stamped);
    // Puts the written frame under frame, or the next free frame name when
    // another grab took that one meanwhile; returns the name it got.
    static std::string PlaceFrame(const std::string& temporary, std::string frame);
    void Wait(std::int64_t milliseconds);
    void ReportDisk();
    bool MaximumReached();

    IGrabHost& host_;
    bool running_ = false;
    bool stopRequested_ = false;
    std::int32_t images_ = 0;
    std::int32_t unique_ = 0;
    std::int32_t skipped_ = 0;
    std::int32_t duplicates_ = 0;
    std::string previousFrame_;
    // The previous kept frame as downloaded (unstamped, as its BMP holds it)
    // and whether its file carries a stamp.
    QImage previousPicture_;
    bool previousStamped_ = false;
    std::int64_t lastFrameBytes_ = 0;
    QDateTime grabTime_;                      // of the download in progress
    std::optional<std::int64_t> lastStartMs_; // monotonic
};

} // namespace lumisk
