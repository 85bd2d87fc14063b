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

void TAviBuilder::Status(const std::string& text) const {
    if (callbacks_.Status) callbacks_.Status(text);
}

void TAviBuilder::ErrorBox(const std::string& text) const {
    if (callbacks_.ErrorBox) callbacks_.ErrorBox(text);
}

TAviBuildResult TAviBuilder::Build(const std::string& framesDirectory, const std::string& target,
                                   int framesPerSecond) {
    // Checked first: a movie without a frame rate cannot be played, and the
    // target must not be emptied for nothing.
    if (framesPerSecond <= 0)
        throw ELumiskError("Frames per second must be 1 or more, not " +
                           std::to_string(framesPerSecond));

    framesWritten_ = 0;
    width_ = height_ = 0;
    Status("Looking for frame files ...");
    ProcessPendingEvents();
    const std::vector<std::string> frames = FrameFiles(framesDirectory);
    const std::size_t n = frames.size();
    if (n == 0) {
        Status("");
        ErrorBox("No frames exist to build an AVI movie from.");
        return TAviBuildResult::NoFrames;
    }

    Status("Initializing AVI");
    TAviWriterOptions options = options_;
    options.ExpectedFrames = static_cast<std::uint32_t>(std::min<std::size_t>(n, 0xFFFFFFFFu));
    TAviWriter writer(options);
    // Declared after the writer, so that it gives the movie up before the
    // writer's own ending would complete it.
    struct TAside {
        TAviWriter& writer;
        bool pending;
        ~TAside() {
            if (pending) writer.Abandon();
        }
    } aside{writer, WriteAside};
    const std::string written = WriteAside ? AsideFile(target) : target;
    Status("Opening AVI for write...");
    ProcessPendingEvents();
    try {
        writer.Open(written);
    } catch (const EFCreateError&) {
        ErrorBox("Internal AVI error - failed to open AVI file");
        return TAviBuildResult::Failed;
    }

    Status("Determining DIB size...");
    ProcessPendingEvents();
    TAviFrameReader reader;
    reader.Read(frames[0]);
    if (reader.Width() <= 0 || reader.Height() <= 0) {
        ErrorBox("Internal AVI error - failed to retrieve bitmap info");
        return TAviBuildResult::Failed;
    }
    TAviVideoFormat format;
    format.Width = reader.Width();
    format.Height = reader.Height();
    format.FramesPerSecond = framesPerSecond;
    format.XPelsPerMeter = reader.XPelsPerMeter();
    format.YPelsPerMeter = reader.YPelsPerMeter();
    width_ = format.Width;
    height_ = format.Height;

    Status("Setting stream info...");
    ProcessPendingEvents();
    Status("Opening AVI data stream...");
    ProcessPendingEvents();
    Status("Getting DIB header...");
    ProcessPendingEvents();
    Status("Setting stream format...");
    ProcessPendingEvents();
    try {
        writer.Start(format);
    } catch (const EFCreateError&) {
        ErrorBox("Internal AVI error - failed to set AVI stream format");
        return TAviBuildResult::Failed;
    } catch (const ELumiskError&) {
        // A size the format cannot hold.
        ErrorBox("Internal AVI error - failed to create AVI stream");
        return TAviBuildResult::Failed;
    }

    Status("Building AVI...");
    ProcessPendingEvents();
    const std::string of = " of " + std::to_string(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (callbacks_.StopRequested && callbacks_.StopRequested()) {
            writer.Abandon();
            Status("AVI build stopped.");
            return TAviBuildResult::Stopped;
        }
        const std::string progress = "Building AVI Movie - Frame " + std::to_string(i + 1) + of;
        Status(progress);
        ProcessPendingEvents();
        const std::span<const std::uint8_t> pixels = reader.Read(frames[i]);
        if (callbacks_.Preview) callbacks_.Preview(reader.Picture());
        ProcessPendingEvents();
        try {
            writer.AddFrame(pixels);
        } catch (const EFCreateError&) {
            ErrorBox("Internal AVI error - failed to add frame to AVI");
            return TAviBuildResult::Failed;
        }
        framesWritten_ = i + 1;
        if (callbacks_.FrameWritten) callbacks_.FrameWritten(i + 1, n);
        Status(progress);
        ProcessPendingEvents();
    }
    writer.Finish();
    if (WriteAside) {
        if (std::rename(written.c_str(), target.c_str()) != 0) {
            std::remove(written.c_str());
            throw EFCreateError(target);
        }
        aside.pending = false;
    }
    ProcessPendingEvents();

    if (callbacks_.DeleteFrames && callbacks_.DeleteFrames()) {
        Status("Deleting source frames.");
        for (const std::string& frame : frames)
            std::remove(frame.c_str());
    }
    Status("AVI file created.");
    return TAviBuildResult::Created;
}

} // namespace lumisk
