#include "app/cli/refreshcommand.h"

#include "app/cli/commandargs.h"
#include "app/cli/commandcontext.h"
#include "app/cli/datafolder.h"
#include "catalogue/catalogueedit.h"
#include "catalogue/cataloguefile.h"
#include "catalogue/settingsfile.h"
#include "imaging/previewpaths.h"
#include "tools/poolrefreshdownloader.h"
#include "tools/refreshengine.h"
#include "util/datadirectory.h"

#include <filesystem>
#include <optional>

namespace lumisk::cli {

namespace {

constexpr int kMostJobs = 64;

TRefreshStyle StyleOption(const TCommandArgs& args) {
    const std::string style = args.Text("--style", "all");
    if (style == "all") return TRefreshStyle::AllPreviews;
    if (style == "missing") return TRefreshStyle::WithoutPreview;
    if (style == "dark") return TRefreshStyle::DarkShaded;
    throw EUsageError("--style must be all, missing or dark, not '" + style + "'");
}

// The engine's progress on the command's progress line.
class TProgressObserver : public IRefreshObserver {
  public:
    explicit TProgressObserver(TProgressLine& progress) : progress_(progress) {}
    void RefreshStarted(const TRefreshCounts& counts) override {
        progress_.Start("cameras", counts.Cameras);
    }
    void RefreshCounts(const TRefreshCounts& counts) override { progress_.Update(counts.Visited); }

  private:
    TProgressLine& progress_;
};

std::string SummaryText(const TRefreshCounts& c, bool stopped, std::int64_t elapsedMs,
                        const std::vector<std::pair<std::string, std::string>>& failed) {
    const std::int32_t passedOver = c.Visited - c.Updated - c.Failed - c.Skipped;
    std::string text = stopped ? "Stopped after " + std::to_string(c.Visited) + " of " +
                                     std::to_string(c.Cameras) + " cameras"
                               : "Refreshed " + std::to_string(c.Cameras) + " cameras";
    text += " in " + TProgressLine::DurationText(static_cast<double>(elapsedMs) / 1000) + ": " +
            std::to_string(c.Updated) + " updated, " + std::to_string(c.Skipped) +
            " skipped (date unchanged), " + std::to_string(c.Failed) + " failed, " +
            std::to_string(passedOver) + " passed over by the style; " + std::to_string(c.Removed) +
            " old preview files removed\n";
    if (!failed.empty()) text += "Failed downloads:\n";
    for (const auto& [description, reason] : failed)
        text += "  " + description + ": " + (reason.empty() ? "failed" : reason) + "\n";
    return text;
}

} // namespace

std::string TRefreshCommand::Summary() const {
    return "download fresh preview images of the cameras";
}

std::string TRefreshCommand::Details() const {
    return "Does what the window \"Refresh preview images\" does, without a window and\n"
           "with several cameras at once: first removes old files from the previews\n"
           "folder (bitmaps, and pictures that belong to no camera), then downloads\n"
           "each camera the style selects, by the rules of the View button (the date\n"
           "check, the skip setting, the time-out and proxy of the settings). Then\n"
           "it stores each downloaded camera's date in the catalogue and adds the\n"
           "bytes and images to the statistics, changing nothing else in those files,\n"
           "so the windows may be open on the same data folder.\n"
           "\n"
           "Prints a summary and the cameras that failed with the reason (an HTTP\n"
           "status, a time-out, a refused connection, not an image, ...). Ctrl+C or\n"
           "SIGTERM stop it: downloads in progress are abandoned whole, what was\n"
           "done is stored. Exit status 0 when every selected camera was updated or\n"
           "skipped, 1 when one failed or the run was stopped, 2 for bad usage.\n";
}

std::vector<TOption> TRefreshCommand::Options() const {
    return {{"--style", "STYLE",
             "which cameras: all (the default), missing (those without a\n"
             "preview image) or dark (those whose preview is dark)"},
            {"--jobs", "N", "download up to N cameras at once (1 to 64, default 4)"},
            {"--per-host", "M",
             "and at most M of them from one host name and port\n"
             "(1 to 64, default 2), so that no site is hammered"}};
}

int TRefreshCommand::Run(const TCommandArgs& args, TCommandContext& context) {
    const TRefreshStyle style = StyleOption(args);
    const int jobs = static_cast<int>(args.Whole("--jobs", 1, kMostJobs, 4));
    const int perHost = static_cast<int>(args.Whole("--per-host", 1, kMostJobs, 2));
    TDataFolder& data = context.Data();
    const TCatalogue& catalogue = data.LoadCatalogue();
    const TSettingsValues settings = data.ReadSettings();
    // The windows make it at start-up; previews are renamed into it.
    std::error_code error;
    std::filesystem::create_directories(PreviewsDirectory(), error);
    if (error)
        throw EDataFolderError("cannot create " + PreviewsDirectory() + ": " + error.message());

    TProgressObserver observer(context.Progress());
    TRefreshEngine engine(observer);
    std::optional<TRefreshSummary> summary;
    std::string failure;
    std::vector<TCameraDate> dates;
    std::int64_t bytes = 0, images = 0;
    {
        TPoolRefreshDownloader downloader(catalogue, settings, jobs, perHost, [&] {
            if (context.StopRequested() && !engine.StopRequested()) engine.RequestStop();
        });
        try {
            summary = engine.Run(style, downloader);
        } catch (const std::exception& e) {
            // A dark preview that cannot be decoded ends the run, as in the
            // window; what was downloaded before it is still stored.
            failure = e.what();
        }
        dates = downloader.Dates();
        bytes = downloader.Bytes();
        images = downloader.Images();
    }
    context.Progress().Finish();

    int status = kExitSuccess;
    try {
        for (const TCameraDate& gone : StoreCameraDates(CatalogueFileName(), dates))
            context.Say("refresh: camera \"" + gone.Description +
                        "\" was renamed or removed meanwhile; its date was not stored");
        if (bytes != 0 || images != 0)
            AddStatisticsToSettingsFile(SettingsFileName(), bytes, images);
    } catch (const std::exception& e) {
        context.Say(std::string("refresh: ") + e.what());
        status = kExitPartialFailure;
    }
    if (!failure.empty()) {
        context.Say("refresh: " + failure);
        return kExitPartialFailure;
    }
    context.Print(
        SummaryText(summary->Counts, summary->Stopped, summary->ElapsedMs, summary->Failed));
    if (summary->Stopped || summary->Counts.Failed > 0) status = kExitPartialFailure;
    return status;
}

} // namespace lumisk::cli
