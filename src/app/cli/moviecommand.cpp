#include "app/cli/moviecommand.h"

#include "app/cli/commandargs.h"
#include "app/cli/commandcontext.h"
#include "app/cli/datafolder.h"
#include "tools/avibuilder.h"
#include "util/datadirectory.h"
#include "util/fileutils.h"
#include "util/lumiskerror.h"

namespace lumisk::cli {

std::string TMovieCommand::Summary() const {
    return "build an AVI or MP4 movie from the time-lapse frames";
}

std::string TMovieCommand::Details() const {
    return "Turns the frames Frames/FRA#####.BMP of the data folder, in the order of\n"
           "their numbers, into one movie, exactly as the AVI Builder window does: an\n"
           "uncompressed AVI, or with --format mp4 an H.264 MP4 that phones and web\n"
           "pages play. It says on standard output what it wrote. The frames are\n"
           "kept unless --delete-frames is given. Ctrl+C or SIGTERM stops the build:\n"
           "no partial movie is left and the frames stay.\n";
}

std::vector<TOption> TMovieCommand::Options() const {
    return {{"--format", "avi|mp4", "the movie's format (default avi)"},
            {"--crf", "N",
             "the MP4's quality, 0 to 51: lower is better and\n"
             "larger (default 23); only with --format mp4"},
            {"--fps", "N", "frames per second of the movie (default 15)"},
            {"--out", "FILE",
             "the movie's file (default: the next free name of\n"
             "AVI00000.AVI, AVI00001.AVI, ... or for an MP4 of\n"
             "MOV00000.MP4, MOV00001.MP4, ... in the data folder,\n"
             "as the window proposes)"},
            {"--delete-frames", "", "delete the frame files once the movie is complete"}};
}

int TMovieCommand::Run(const TCommandArgs& args, TCommandContext& context) {
    const int fps = static_cast<int>(args.Whole("--fps", 1, 1000000, 15));
    const std::string format = args.Text("--format", "avi");
    if (format != "avi" && format != "mp4")
        throw EUsageError("--format must be avi or mp4, not \"" + format + "\"");
    const TMovieKind kind = format == "mp4" ? TMovieKind::Mp4 : TMovieKind::Avi;
    if (args.Has("--crf") && kind != TMovieKind::Mp4)
        throw EUsageError("--crf is the MP4's quality: it needs --format mp4");
    const int crf = static_cast<int>(
        args.Whole("--crf", TMp4Writer::kMinCrf, TMp4Writer::kMaxCrf, TMp4WriterOptions{}.Crf));
    if (args.Has("--out") && args.Text("--out").empty()) throw EUsageError("--out needs a file");
    const std::string target = args.Has("--out")
                                   ? args.Text("--out")
                                   : TAviBuilder::NextMovieName(context.Data().Path(), kind);
    const bool deleteFrames = args.Has("--delete-frames");

    TAviBuildCallbacks callbacks;
    std::string failure;
    bool counting = false;
    // The window's error texts, with the file they concern.
    callbacks.ErrorBox = [&failure, &target](const std::string& text) {
        failure = text.find("Internal ") == 0 ? text + ": " + target : text;
    };
    callbacks.DeleteFrames = [deleteFrames] { return deleteFrames; };
    callbacks.FrameWritten = [&](std::size_t written, std::size_t total) {
        if (!counting) context.Progress().Start("frames", static_cast<std::int64_t>(total));
        counting = true;
        context.Progress().Update(static_cast<std::int64_t>(written));
    };
    callbacks.StopRequested = [&context] { return context.StopRequested(); };
    TAviBuilder builder(callbacks);
    builder.Kind = kind;
    builder.Crf = crf;
    builder.WriteAside = true;
    TAviBuildResult result = TAviBuildResult::Failed;
    try {
        result = builder.Build(DataPath("Frames/"), target, fps);
    } catch (const ELumiskError& e) {
        failure = e.Message();
    }
    context.Progress().Finish();
    switch (result) {
    case TAviBuildResult::Created:
        context.Print(
            "Wrote " + target + ": " + std::to_string(builder.FramesWritten()) + " frame(s) of " +
            std::to_string(builder.Width()) + " x " + std::to_string(builder.Height()) +
            " pixels at " + std::to_string(fps) + " frames per second" +
            (kind == TMovieKind::Mp4 ? ", H.264 quality (CRF) " + std::to_string(crf) : "") +
            (deleteFrames ? "; the frames are deleted" : "") + "\n");
        return kExitSuccess;
    case TAviBuildResult::Stopped:
        context.Say("movie: stopped; no movie was written and the frames are kept");
        return kExitPartialFailure;
    case TAviBuildResult::NoFrames:
    case TAviBuildResult::Failed:
        break;
    }
    context.Say("movie: " + failure);
    return kExitPartialFailure;
}

} // namespace lumisk::cli
