#pragma once
// The time-lapse grab without a window: downloads one camera again and again
// through the host, keeps every picture that differs from the last kept one
// as the next numbered frame "FRA#####.BMP" of the frames directory, drops
// duplicates, counts skipped downloads, waits between downloads and ends at
// the maximum or on RequestStop(). Two downloads never start less than
// SpacingMs apart, across grabs of the same engine too.
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
// compared, ELumiskError when the frame numbers are used up, and whatever the
// host throws (a delay or maximum that is no number).
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

class TGrabEngine {
  public:
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
    void KeepFrame();
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
    std::optional<std::int64_t> lastStartMs_; // monotonic
};

} // namespace lumisk
