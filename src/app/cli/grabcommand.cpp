#include "app/cli/grabcommand.h"

#include "app/cli/cameramatches.h"
#include "app/cli/commandargs.h"
#include "app/cli/commandcontext.h"
#include "app/cli/datafolder.h"
#include "catalogue/appstate.h"
#include "catalogue/catalogueedit.h"
#include "catalogue/cataloguefile.h"
#include "catalogue/settingsfile.h"
#include "imaging/imagefile.h"
#include "tools/cameradownload.h"
#include "tools/grabengine.h"
#include "util/datadirectory.h"
#include "util/events.h"
#include "util/lumiskerror.h"

#include <poll.h>
#include <unistd.h>

namespace lumisk::cli {

namespace {

std::string FileName(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

class TGrabRun : public IGrabHost {
  public:
    TGrabRun(TCommandContext& context, std::int32_t slot, const TSettingsValues& settings)
        : context_(context), slot_(slot),
          description_(App().Catalogue.Records[static_cast<std::size_t>(slot)].Description),
          savedDate_(App().Catalogue.Records[static_cast<std::size_t>(slot)].LastModified),
          download_(settings) {
        download_.StopRequested = [this] {
            CheckStop();
            return Engine.StopRequested();
        };
    }

    TGrabEngine Engine{*this};
    std::optional<std::int64_t> Delay;
    std::optional<std::int32_t> Maximum;
    std::optional<TCaptureWindow> Hours;
    bool Stamp = false;
    std::int32_t Failed = 0;
    std::string FirstFrame, LastFrame;

    // Polled wherever the engine or the download waits.
    void CheckStop() {
        if (context_.StopRequested()) Engine.RequestStop();
    }

  private:
    bool DeletePreviousFrames(std::size_t count) override {
        context_.Say("grab: " + std::to_string(count) +
                     " frame file(s) of an earlier grab are kept; the new frames continue "
                     "their numbering");
        return false;
    }
    std::optional<std::int64_t> DelayMs() override { return Delay; }
    std::optional<std::int32_t> MaximumFrames() override { return Maximum; }
    std::optional<TCaptureWindow> CaptureWindow() override { return Hours; }
    bool StampFrames() override { return Stamp; }

    TGrabDownload Download() override {
        if (context_.StopRequested() || gone_) {
            Engine.RequestStop();
            return TGrabDownload::Nothing;
        }
        CameraRecord& camera = App().Catalogue.Records[static_cast<std::size_t>(slot_)];
        result_ = download_.Run(camera);
        Save(camera.LastModified, result_.CountedBytes(),
             result_.Outcome == TFetchOutcome::Updated ? 1 : 0);
        switch (result_.Outcome) {
        case TFetchOutcome::Updated:
            return TGrabDownload::Image;
        case TFetchOutcome::Skipped:
        case TFetchOutcome::JpegIncomplete: // counted as skipped, as the window counts it
            return TGrabDownload::Skipped;
        case TFetchOutcome::Aborted:
            return TGrabDownload::Nothing;
        case TFetchOutcome::Failed:
        case TFetchOutcome::ZeroBytes:
        case TFetchOutcome::UnknownFormat:
            break;
        }
        ++Failed;
        context_.Say("grab: download failed: " + result_.Reason);
        return TGrabDownload::Nothing;
    }

    QImage DownloadedPicture() override {
        std::optional<QImage> picture = DecodeImageFile(result_.PreviewPath);
        if (!picture) throw EFOpenError(result_.PreviewPath);
        return *picture;
    }

    void Pause(std::int64_t milliseconds) override {
        pollfd wake{context_.StopWakeFd(), POLLIN, 0};
        if (wake.fd >= 0)
            ::poll(&wake, 1, static_cast<int>(milliseconds));
        else
            ::usleep(static_cast<useconds_t>(milliseconds * 1000));
        CheckStop();
    }

    void Status(const std::string& text) override {
        context_.Progress().Update(Engine.UniqueFrames(), text);
    }
    void FrameKept(std::int32_t unique, const std::string& path) override {
        if (FirstFrame.empty()) FirstFrame = FileName(path);
        LastFrame = FileName(path);
        context_.Progress().Update(unique, "kept " + LastFrame);
    }

    // Only what this grab owns, each under the data folder's lock: its
    // camera's date (found again by its description in the file as it is
    // now) and the counters' growth.
    void Save(const std::string& date, std::int64_t bytes, std::int64_t images) {
        try {
            if (date != savedDate_) {
                const auto gone = StoreCameraDates(CatalogueFileName(), {{description_, date, 0}});
                savedDate_ = date;
                if (!gone.empty()) {
                    gone_ = true;
                    Engine.RequestStop();
                    context_.Say("grab: the camera \"" + description_ +
                                 "\" is no longer in the catalogue; the grab ends");
                }
            }
            if (bytes != 0 || images != 0)
                AddStatisticsToSettingsFile(SettingsFileName(), bytes, images);
        } catch (const ELumiskError& e) {
            // The frames matter most: the grab goes on.
            context_.Say("grab: " + e.Message());
        }
    }

    TCommandContext& context_;
    std::int32_t slot_;
    const std::string description_;
    std::string savedDate_;
    TCameraDownload download_;
    TFetchResult result_;
    bool gone_ = false;
};

} // namespace

std::string TGrabCommand::Summary() const {
    return "grab time-lapse frames of one camera";
}

std::string TGrabCommand::Details() const {
    return "Downloads the camera whose description is exactly CAMERA again and again,\n"
           "as the time-lapse window does, and keeps every picture that differs from\n"
           "the last one kept as Frames/FRA00000.BMP, FRA00001.BMP, ... in the data\n"
           "folder. Identical pictures are dropped; a download that the camera's date\n"
           "shows to be unchanged is skipped. Frames of an earlier grab stay and the\n"
           "numbering continues after them. Downloads start at least 5 seconds apart.\n"
           "Each download stores the camera's date and adds to the statistics, as a\n"
           "View does. Ctrl+C or SIGTERM ends the grab; a download in progress is\n"
           "abandoned and every frame file is complete. A summary goes to standard\n"
           "output. Exit status 0 when the grab ended by --max or by a stop and no\n"
           "download failed, 1 when a download failed or a frame could not be written.\n"
           "With --from and --to it grabs only between those local times (a window\n"
           "such as 22:00 to 06:00 spans midnight) and waits outside them. The grab\n"
           "ends with status 1 before free space on the frames' disk falls under\n"
           "100 MB plus twice the size of a frame.\n";
}

std::vector<TOption> TGrabCommand::Options() const {
    return {{"--every", "MINUTES",
             "minutes to wait after each download (needed; 0 asks\n"
             "as often as allowed: once in 5 seconds)"},
            {"--seconds", "S", "seconds to wait on top of the minutes (default 0)"},
            {"--max", "N", "end after N frames kept (default 0: until stopped)"},
            {"--from", "HH:MM", "grab only from this local time on (with --to)"},
            {"--to", "HH:MM", "grab only up to this local time, not included (with --from)"},
            {"--stamp", "",
             "burn the local date and time of each download into the\n"
             "bottom-right corner of its frame"}};
}

int TGrabCommand::Run(const TCommandArgs& args, TCommandContext& context) {
    if (!args.Has("--every"))
        throw EUsageError("--every MINUTES is needed: the minutes to wait after each download");
    const std::int64_t minutes = args.Whole("--every", 0, 525600, 0);
    const std::int64_t seconds = args.Whole("--seconds", 0, 86400, 0);
    const std::int64_t maximum = args.Whole("--max", 0, 100000, 0);
    std::optional<TCaptureWindow> hours;
    if (args.Has("--from") != args.Has("--to"))
        throw EUsageError("--from and --to go together: the local times to grab between");
    if (args.Has("--from")) {
        try {
            hours = TCaptureWindow::Parse(args.Text("--from"), args.Text("--to"));
        } catch (const ELumiskError& e) {
            throw EUsageError("--from/--to: " + e.Message());
        }
    }

    const std::string& wanted = args.Operand(0);
    TDataFolder& data = context.Data();
    const TCatalogue& catalogue = data.LoadCatalogue();
    const TSettingsValues settings = data.ReadSettings();
    const TCameraMatches matches = TCameraMatches::Find(catalogue, wanted);
    if (matches.Exact.size() > 1)
        throw EUsageError(std::to_string(matches.Exact.size()) + " cameras are named \"" + wanted +
                          "\"; give each its own description first:\n" +
                          TCameraMatches::Listing(catalogue, matches.Exact));
    if (matches.Exact.empty()) {
        if (matches.Close.empty())
            throw EUsageError("no camera is named \"" + wanted + "\" ('lumisk list' lists them)");
        throw EUsageError("no camera is named \"" + wanted + "\"; did you mean\n" +
                          TCameraMatches::Listing(catalogue, matches.Close));
    }

    TGrabRun run(context, matches.Exact[0], settings);
    if (minutes != 0 || seconds != 0) run.Delay = (minutes * 60 + seconds) * 1000;
    if (maximum != 0) run.Maximum = static_cast<std::int32_t>(maximum);
    run.Hours = hours;
    run.Stamp = args.Has("--stamp");
    // The frames wanted are the end: no wait after the last one.
    run.Engine.WaitAfterLastFrame = false;

    SetPendingEventsHook([&run] { run.CheckStop(); });
    struct TUnhook {
        ~TUnhook() { SetPendingEventsHook(nullptr); }
    } unhook;
    context.Progress().Start("frames", maximum);
    std::string error;
    try {
        run.Engine.Run();
    } catch (const ELumiskError& e) {
        error = e.Message();
    }
    context.Progress().Finish();

    const TGrabEngine& engine = run.Engine;
    std::string summary = "Camera: " + wanted + "\n" +
                          "Images downloaded: " + std::to_string(engine.ImagesDownloaded()) + "\n" +
                          "Frames kept: " + std::to_string(engine.UniqueFrames());
    if (!run.FirstFrame.empty())
        summary += " (" + run.FirstFrame +
                   (run.LastFrame != run.FirstFrame ? " to " + run.LastFrame : "") + ")";
    summary += "\nDuplicates dropped: " + std::to_string(engine.DuplicatesDropped()) +
               "\nSkipped downloads: " + std::to_string(engine.SkippedDownloads()) +
               "\nFailed downloads: " + std::to_string(run.Failed) + "\n";
    context.Print(summary);
    if (!error.empty()) {
        context.Say("grab: " + error);
        return kExitPartialFailure;
    }
    return run.Failed > 0 ? kExitPartialFailure : kExitSuccess;
}

} // namespace lumisk::cli
