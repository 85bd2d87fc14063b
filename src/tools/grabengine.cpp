#include "tools/grabengine.h"

#include "imaging/bmpwriter.h"
#include "imaging/framestamp.h"
#include "tools/timelapsegrab.h"
#include "util/diskspace.h"
#include "util/events.h"
#include "util/fileutils.h"
#include "util/textutils.h"
#include "util/tickcount.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumisk {

namespace {

// Kept frames are never replaced; a name taken by another grab of the same
// folder moves the frame on to the next number, a few times at most.
constexpr int kPlaceAttempts = 8;

} // namespace

std::int64_t IGrabHost::TickMs() {
    return TickMilliseconds();
}

std::string TGrabEngine::TemporaryFrameFile(const std::string& frame) {
    const std::size_t slash = frame.rfind('/');
    const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    return frame.substr(0, name) + "." + frame.substr(name) + ".part";
}

void TGrabEngine::Run() {
    if (running_) return;
    running_ = true;
    struct TIdle {
        bool& running;
        ~TIdle() { running = false; }
    } idle{running_};

    // Cleared before anything can process events: a stop from then on must
    // end this grab, not be forgotten.
    stopRequested_ = false;
    ::mkdir(TTimeLapseGrab::FramesDirectory().c_str(), 0777);
    const std::vector<std::string> previous = TTimeLapseGrab::PreviousFrameFiles();
    if (!previous.empty() && host_.DeletePreviousFrames(previous.size())) {
        for (const std::string& path : previous)
            std::remove(path.c_str());
        host_.PreviousFramesDeleted(previous.size());
    }
    ProcessPendingEvents();
    ReportDisk();
    images_ = unique_ = skipped_ = duplicates_ = 0;
    previousFrame_.clear();
    previousPicture_ = QImage();
    previousStamped_ = false;
    lastFrameBytes_ = 0;
    if (!stopRequested_) {
        do
            Cycle();
        while (!stopRequested_);
    }
    host_.Status("Frame grab stopped");
    ProcessPendingEvents();
}

void TGrabEngine::Cycle() {
    // However short the delay (0 minutes included), and also when a grab
    // follows a stopped one, the camera is not asked again before the
    // spacing since the last download's start has passed.
    if (lastStartMs_) {
        const std::int64_t left = SpacingMs - (host_.TickMs() - *lastStartMs_);
        if (left > 0) Wait(left);
        if (stopRequested_) return;
    }
    AwaitCaptureWindow();
    if (stopRequested_) return;
    GuardDisk(lastFrameBytes_);
    lastStartMs_ = host_.TickMs();
    grabTime_ = host_.LocalNow();
    host_.Status("Downloading image ...");
    ProcessPendingEvents();
    switch (host_.Download()) {
    case TGrabDownload::Skipped:
        host_.SkippedCounted(++skipped_);
        break;
    case TGrabDownload::Image:
        KeepFrame();
        break;
    case TGrabDownload::Nothing:
        break;
    }
    ReportDisk();
    if (!WaitAfterLastFrame && MaximumReached()) {
        stopRequested_ = true;
        return;
    }
    if (const std::optional<std::int64_t> delay = host_.DelayMs()) Wait(*delay);
    if (MaximumReached()) stopRequested_ = true;
    ProcessPendingEvents();
}

void TGrabEngine::AwaitCaptureWindow() {
    // Read anew at every look, so a window changed or switched off while the
    // grab waits takes effect at once.
    for (std::optional<TCaptureWindow> window = host_.CaptureWindow();
         window && !window->Contains(host_.LocalNow().time()) && !stopRequested_;
         window = host_.CaptureWindow()) {
        host_.Status("Waiting for the capture window to open at " + window->FromText() + " ...");
        ProcessPendingEvents();
        host_.Pause(CaptureCheckMs);
    }
}

void TGrabEngine::GuardDisk(std::int64_t frameBytes) {
    const std::int64_t free = FreeDiskSpace(TTimeLapseGrab::FramesDirectory());
    // The frame must leave the reserve and twice its own size; a disk that
    // cannot be asked is not guarded (the disk label shows its -1).
    if (free < 0 || free - frameBytes >= DiskReserveBytes + 2 * frameBytes) return;
    host_.Status("Frame grab stopped");
    std::string reserve = ByteSizeText(DiskReserveBytes);
    if (frameBytes > 0)
        reserve += " plus twice the size of a frame (" + ByteSizeText(frameBytes) + ")";
    throw ELowDiskSpace("The frame grab stopped: the disk of the frames has " + ByteSizeText(free) +
                        " free, and a grab leaves at least " + reserve + " free");
}

bool TGrabEngine::MaximumReached() {
    // Equality only: a maximum lowered below the frames kept never ends the grab.
    const std::optional<std::int32_t> maximum = host_.MaximumFrames();
    return maximum && *maximum == unique_;
}

void TGrabEngine::KeepFrame() {
    host_.Status("Downloaded image");
    ProcessPendingEvents();
    const QImage picture = host_.DownloadedPicture();
    const bool stamp = host_.StampFrames();
    const QImage written =
        stamp ? StampCorner(picture, grabTime_.toString("yyyy-MM-dd HH:mm:ss").toStdString())
              : picture;
    const auto frameBytes = static_cast<std::int64_t>(BitmapFileSize(written));
    GuardDisk(frameBytes);
    const std::string frame = TTimeLapseGrab::NextFrameFile();
    const std::string temporary = TemporaryFrameFile(frame);
    try {
        SaveImageAsBitmap(written, temporary);
    } catch (const EFCreateError&) {
        throw EFCreateError(frame);
    }
    lastFrameBytes_ = frameBytes;
    bool duplicate = false;
    try {
        host_.Status("Comparing files");
        ProcessPendingEvents();
        duplicate = Duplicate(temporary, picture, stamp);
    } catch (...) {
        std::remove(temporary.c_str());
        throw;
    }
    if (duplicate) {
        // Its number is taken by the next frame.
        std::remove(temporary.c_str());
        ++duplicates_;
        host_.DuplicateDropped(frame);
    } else {
        previousFrame_ = PlaceFrame(temporary, frame);
        previousPicture_ = picture.convertToFormat(QImage::Format_BGR888);
        previousStamped_ = stamp;
        host_.FrameKept(++unique_, previousFrame_);
    }
    host_.ImageCounted(++images_);
}

bool TGrabEngine::Duplicate(const std::string& temporary, const QImage& picture, bool stamped) {
    if (previousFrame_.empty()) return false;
    // Unstamped frames are compared as files, byte by byte.
    if (!stamped && !previousStamped_) return FilesIdentical(previousFrame_, temporary);
    // A stamp makes every frame differ; the downloaded pictures, in the
    // pixels their unstamped BMP would hold, decide.
    return picture.convertToFormat(QImage::Format_BGR888) == previousPicture_;
}

std::string TGrabEngine::PlaceFrame(const std::string& temporary, std::string frame) {
    for (int attempt = 0; attempt < kPlaceAttempts; ++attempt) {
        if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, frame.c_str(), RENAME_NOREPLACE) ==
            0)
            return frame;
        if (errno == EEXIST) {
            frame = TTimeLapseGrab::NextFrameFile();
            continue;
        }
        // A file system that cannot promise not to replace: look first.
        if ((errno == EINVAL || errno == ENOSYS) && !DirectoryPresent(frame) &&
            ::access(frame.c_str(), F_OK) != 0 &&
            std::rename(temporary.c_str(), frame.c_str()) == 0)
            return frame;
        break;
    }
    std::remove(temporary.c_str());
    throw EFCreateError(frame);
}

void TGrabEngine::Wait(std::int64_t milliseconds) {
    const std::int64_t start = host_.TickMs();
    do {
        const std::int64_t remaining = milliseconds - (host_.TickMs() - start);
        host_.Status("Waiting " + std::to_string(std::max<std::int64_t>(remaining, 0) / 1000) +
                     " seconds ...");
        ProcessPendingEvents();
        // The pause keeps the host alive, so a stop is seen within it.
        host_.Pause(100);
    } while (host_.TickMs() - start < milliseconds && !stopRequested_);
}

void TGrabEngine::ReportDisk() {
    host_.DiskFigures(TTimeLapseGrab::FramesUsageText(), TTimeLapseGrab::FreeSpaceText());
}

} // namespace lumisk
