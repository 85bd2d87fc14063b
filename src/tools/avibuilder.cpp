#include "tools/avibuilder.h"

#include "tools/aviframereader.h"
#include "util/events.h"
#include "util/fileutils.h"
#include "util/lumiskerror.h"
#include "util/textutils.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace lumisk {

namespace {

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Folded(std::string text) {
    for (char& c : text)
        c = AsciiLower(c);
    return text;
}

} // namespace

TAviBuilder::TAviBuilder(TAviBuildCallbacks callbacks, TAviWriterOptions options)
    : callbacks_(std::move(callbacks)), options_(options) {}

bool TAviBuilder::IsFrameFileName(const std::string& path) {
    if (path.size() < 12) return false;
    const std::string tail = RightChars(path, 12);
    return LeftChars(tail, 3) == "FRA" && RightChars(tail, 3) == "BMP";
}

std::vector<std::string> TAviBuilder::FrameFiles(const std::string& framesDirectory) {
    std::vector<std::string> listed;
    ListFiles(framesDirectory, TFileAttributes{}, listed);
    // Names equal apart from case keep byte order, whatever the listing order.
    std::vector<std::pair<std::string, std::string>> keyed;
    for (std::string& path : listed)
        if (IsFrameFileName(path)) keyed.emplace_back(Folded(path), std::move(path));
    std::sort(keyed.begin(), keyed.end());
    std::vector<std::string> frames;
    frames.reserve(keyed.size());
    for (auto& k : keyed)
        frames.push_back(std::move(k.second));
    return frames;
}

std::string TAviBuilder::AsideFile(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    return target.substr(0, name) + "." + target.substr(name) + ".part";
}

std::string TAviBuilder::KindName(TMovieKind kind) {
    return kind == TMovieKind::Mp4 ? "MP4" : "AVI";
}

std::string TAviBuilder::NextMovieName(const std::string& directory, TMovieKind kind) {
    return kind == TMovieKind::Mp4 ? NextNumberedFileName(directory, "MOV", "MP4")
                                   : NextNumberedFileName(directory, "AVI", "AVI");
}

void TAviBuilder::Status(const std::string& text) const {
    if (callbacks_.Status) callbacks_.Status(text);
}

void TAviBuilder::ErrorBox(const std::string& text) const {
    if (callbacks_.ErrorBox) callbacks_.ErrorBox(text);
}

std::unique_ptr<TMovieWriter> TAviBuilder::NewWriter(std::size_t frames) const {
    if (Kind == TMovieKind::Mp4) return std::make_unique<TMp4Writer>(TMp4WriterOptions{Crf});
    TAviWriterOptions options = options_;
    options.ExpectedFrames = static_cast<std::uint32_t>(std::min<std::size_t>(frames, 0xFFFFFFFFu));
    return std::make_unique<TAviWriter>(options);
}

TAviBuildResult TAviBuilder::Build(const std::string& framesDirectory, const std::string& target,
                                   int framesPerSecond) {
    // Checked first: a movie without a frame rate cannot be played, and the
    // target must not be emptied for nothing.
    if (framesPerSecond <= 0)
        throw ELumiskError("Frames per second must be 1 or more, not " +
                           std::to_string(framesPerSecond));
    if (Kind == TMovieKind::Mp4 && (Crf < TMp4Writer::kMinCrf || Crf > TMp4Writer::kMaxCrf))
        throw ELumiskError("Quality (CRF) must be from 0 to 51, not " + std::to_string(Crf));
    const std::string kind = KindName(Kind);
    const std::string internal = "Internal " + kind + " error - failed to ";

    framesWritten_ = 0;
    width_ = height_ = 0;
    Status("Looking for frame files ...");
    ProcessPendingEvents();
    const std::vector<std::string> frames = FrameFiles(framesDirectory);
    const std::size_t n = frames.size();
    if (n == 0) {
        Status("");
        ErrorBox("No frames exist to build an " + kind + " movie from.");
        return TAviBuildResult::NoFrames;
    }

    Status("Initializing " + kind);
    const std::unique_ptr<TMovieWriter> owned = NewWriter(n);
    TMovieWriter& writer = *owned;
    const bool aside = WriteAside || Kind == TMovieKind::Mp4;
    // Declared after the writer, so that it gives the movie up before the
    // writer's own ending would complete it.
    struct TAside {
        TMovieWriter& writer;
        bool pending;
        ~TAside() {
            if (pending) writer.Abandon();
        }
    } pending{writer, aside};
    const std::string written = aside ? AsideFile(target) : target;
    Status("Opening " + kind + " for write...");
    ProcessPendingEvents();
    try {
        writer.Open(written);
    } catch (const EFCreateError&) {
        ErrorBox(internal + "open " + kind + " file");
        return TAviBuildResult::Failed;
    }

    Status("Determining DIB size...");
    ProcessPendingEvents();
    TAviFrameReader reader;
    reader.Read(frames[0]);
    if (reader.Width() <= 0 || reader.Height() <= 0) {
        ErrorBox(internal + "retrieve bitmap info");
        return TAviBuildResult::Failed;
    }
    TMovieFormat format;
    format.Width = reader.Width();
    format.Height = reader.Height();
    format.FramesPerSecond = framesPerSecond;
    format.XPelsPerMeter = reader.XPelsPerMeter();
    format.YPelsPerMeter = reader.YPelsPerMeter();
    width_ = format.Width;
    height_ = format.Height;

    Status("Setting stream info...");
    ProcessPendingEvents();
    Status("Opening " + kind + " data stream...");
    ProcessPendingEvents();
    Status("Getting DIB header...");
    ProcessPendingEvents();
    Status("Setting stream format...");
    ProcessPendingEvents();
    try {
        writer.Start(format);
    } catch (const EFCreateError&) {
        ErrorBox(internal + "set " + kind + " stream format");
        return TAviBuildResult::Failed;
    } catch (const ELumiskError&) {
        // A size the format cannot hold.
        ErrorBox(internal + "create " + kind + " stream");
        return TAviBuildResult::Failed;
    }

    Status("Building " + kind + "...");
    ProcessPendingEvents();
    const std::string of = " of " + std::to_string(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (callbacks_.StopRequested && callbacks_.StopRequested()) {
            writer.Abandon();
            Status(kind + " build stopped.");
            return TAviBuildResult::Stopped;
        }
        const std::string progress =
            "Building " + kind + " Movie - Frame " + std::to_string(i + 1) + of;
        Status(progress);
        ProcessPendingEvents();
        const std::span<const std::uint8_t> pixels = reader.Read(frames[i]);
        if (callbacks_.Preview) callbacks_.Preview(reader.Picture());
        ProcessPendingEvents();
        try {
            writer.AddFrame(pixels);
        } catch (const EFCreateError&) {
            ErrorBox(internal + "add frame to " + kind);
            return TAviBuildResult::Failed;
        }
        framesWritten_ = i + 1;
        if (callbacks_.FrameWritten) callbacks_.FrameWritten(i + 1, n);
        Status(progress);
        ProcessPendingEvents();
    }
    try {
        writer.Finish();
    } catch (const EFCreateError&) {
        // An AVI keeps what reached the disk, and the error names its file;
        // an MP4 is gone, as after any other failed write.
        if (Kind == TMovieKind::Avi) throw;
        ErrorBox(internal + "complete " + kind + " file");
        return TAviBuildResult::Failed;
    }
    if (aside) {
        if (std::rename(written.c_str(), target.c_str()) != 0) {
            std::remove(written.c_str());
            throw EFCreateError(target);
        }
        pending.pending = false;
    }
    ProcessPendingEvents();

    if (callbacks_.DeleteFrames && callbacks_.DeleteFrames()) {
        Status("Deleting source frames.");
        for (const std::string& frame : frames)
            std::remove(frame.c_str());
    }
    Status(kind + " file created.");
    return TAviBuildResult::Created;
}

} // namespace lumisk
