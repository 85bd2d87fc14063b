// The build routine writing MP4 movies, checked with ffprobe and against
// the frames ffmpeg decodes: sizes (odd, mixed), rate and frame count, and
// what a failed, stopped or refused build leaves under the movie's name.
#include "imaging/bmpwriter.h"
#include "support/tempdir.h"
#include "tools/avibuilder.h"
#include "tools/aviprobe.h"
#include "util/lumiskerror.h"

#include <cmath>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lumisk;
using lumisk::test::TTempDir;

namespace {

// A camera-like picture: colours that change smoothly (4:2:0 keeps colour
// at half the resolution) and a brighter square that moves, sharp in
// brightness only.
QImage ScenePicture(int width, int height, int frame) {
    QImage picture(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.scanLine(y);
        for (int x = 0; x < width; ++x) {
            const bool square = std::abs(x - 4 * frame - 8) < 6 && std::abs(y - height / 2) < 6;
            const int lift = square ? 50 : 0;
            row[3 * x] = static_cast<std::uint8_t>(200 - 120 * y / height + lift);
            row[3 * x + 1] = static_cast<std::uint8_t>(90 + 100 * y / height + lift);
            row[3 * x + 2] = static_cast<std::uint8_t>(70 + 120 * x / width + lift);
        }
    }
    return picture;
}

// All frames of the movie as ffmpeg decodes them, in 24 bits.
std::vector<QImage> DecodedFrames(const std::string& path, int width, int height) {
    const std::string raw = test::RunTool("ffmpeg", {"-nostdin", "-v", "error", "-i", path, "-f",
                                                     "rawvideo", "-pix_fmt", "bgr24", "-"});
    const std::size_t bytes = std::size_t{3} * width * height;
    std::vector<QImage> frames;
    for (std::size_t at = 0; at + bytes <= raw.size(); at += bytes)
        frames.push_back(QImage(reinterpret_cast<const uchar*>(raw.data() + at), width, height,
                                3 * width, QImage::Format_BGR888)
                             .copy());
    return frames;
}

// Peak signal-to-noise ratio of the decoded picture's top-left part against
// the source, in dB.
double Psnr(const QImage& decoded, const QImage& source) {
    double squares = 0;
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < 3 * source.width(); ++x) {
            const double d = decoded.constScanLine(y)[x] - source.constScanLine(y)[x];
            squares += d * d;
        }
    const double mse = squares / (3.0 * source.width() * source.height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

std::string FrameName(int k) {
    char name[32];
    std::snprintf(name, sizeof name, "Frames/FRA%05d.BMP", k);
    return name;
}

// Writes the frames; gives what the movie should show for each: the first
// frame's size holds, a frame of another size is stretched to it.
std::vector<QImage> WriteFrames(const TTempDir& dir, const std::vector<QSize>& sizes) {
    std::filesystem::create_directories(dir.File("Frames"));
    std::vector<QImage> shown;
    for (std::size_t k = 0; k < sizes.size(); ++k) {
        const QImage picture =
            ScenePicture(sizes[k].width(), sizes[k].height(), static_cast<int>(k));
        SaveImageAsBitmap(picture, dir.File(FrameName(static_cast<int>(k))));
        shown.push_back(picture.scaled(sizes[0], Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    return shown;
}

struct TRecorder {
    std::vector<std::string> Statuses, Errors;
    TAviBuildCallbacks Callbacks() {
        return {[this](const std::string& s) { Statuses.push_back(s); }, nullptr,
                [this](const std::string& e) { Errors.push_back(e); }, [] { return false; }};
    }
};

// ------------------------------------------------------------- movies

struct TMovieCase {
    const char* Name;
    std::vector<QSize> Sizes;
    int Fps, Crf;
    QSize Encoded; // what ffprobe reports
};

class Mp4Movie : public testing::TestWithParam<TMovieCase> {};

TEST_P(Mp4Movie, PlaysEveryFrameCloseToItsSource) {
    const TMovieCase& c = GetParam();
    TTempDir dir;
    const std::vector<QImage> shown = WriteFrames(dir, c.Sizes);
    TRecorder r;
    TAviBuilder builder(r.Callbacks());
    builder.Kind = TMovieKind::Mp4;
    builder.Crf = c.Crf;
    const std::string movie = dir.File("MOV00000.MP4");
    ASSERT_EQ(builder.Build(dir.File("Frames/"), movie, c.Fps), TAviBuildResult::Created);
    EXPECT_TRUE(r.Errors.empty());
    EXPECT_EQ(r.Statuses.back(), "MP4 file created.");
    EXPECT_EQ(r.Statuses[r.Statuses.size() - 2], "Building MP4 Movie - Frame " +
                                                     std::to_string(c.Sizes.size()) + " of " +
                                                     std::to_string(c.Sizes.size()));
    EXPECT_FALSE(dir.Exists(".MOV00000.MP4.part"));

    if (!test::HaveFfmpeg()) GTEST_SKIP() << "ffprobe and ffmpeg are not installed";
    const test::TProbe p = test::FfProbe(movie);
    EXPECT_EQ(p.Streams, 1);
    EXPECT_EQ(p.Codec, "h264");
    EXPECT_EQ(p.PixelFormat, "yuv420p");
    EXPECT_EQ(p.Rate, std::to_string(c.Fps) + "/1");
    EXPECT_EQ(p.Frames, static_cast<long>(c.Sizes.size()));
    EXPECT_EQ(QSize(p.Width, p.Height), c.Encoded);
    EXPECT_EQ(test::FfmpegErrors(movie), "");
    const std::vector<QImage> decoded = DecodedFrames(movie, p.Width, p.Height);
    ASSERT_EQ(decoded.size(), shown.size());
    for (std::size_t k = 0; k < shown.size(); ++k)
        EXPECT_GT(Psnr(decoded[k], shown[k]), 30.0) << "frame " << k;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Mp4Movie,
    testing::Values(TMovieCase{"even_size", {4, QSize(64, 48)}, 15, 23, QSize(64, 48)},
                    TMovieCase{
                        "odd_size_padded_to_even", {3, QSize(33, 25)}, 15, 23, QSize(34, 26)},
                    TMovieCase{"mixed_sizes_stretched_to_the_first",
                               {QSize(64, 48), QSize(90, 30), QSize(17, 71), QSize(64, 48)},
                               5,
                               18,
                               QSize(64, 48)}),
    [](const auto& info) { return std::string(info.param.Name); });

// ------------------------------------------------------------- failures

// Whatever ends the build early, the target is the earlier file or nothing,
// no hidden part is left, and the frames stay.
enum class TEnd { Failed, Stopped, Thrown, Other };

struct TFailureCase {
    const char* Name;
    const char* Target; // below the temporary directory
    // Bytes a file may grow to; below 0 counts back from the full movie's
    // size; 0 for no limit.
    std::int64_t Limit;
    int StopAfter; // frames written before a stop; -1 never
    TEnd End;
    const char* Error; // the start of the one error box, "" for none
};

// Runs the build in a child process, where a file size limit stands for a
// full disk (it holds for root too), asking to delete the frames; the error
// boxes go to the file "errors".
TEnd BuildInChild(const TTempDir& dir, const TFailureCase& c, std::int64_t limit) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        TRecorder r;
        TAviBuildCallbacks callbacks = r.Callbacks();
        callbacks.DeleteFrames = [] { return true; };
        std::size_t written = 0;
        callbacks.FrameWritten = [&](std::size_t n, std::size_t) { written = n; };
        callbacks.StopRequested = [&] { return static_cast<int>(written) == c.StopAfter; };
        TAviBuilder builder(callbacks);
        builder.Kind = TMovieKind::Mp4;
        TEnd end = TEnd::Other;
        try {
            const rlimit fsize{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
            if (limit) ::setrlimit(RLIMIT_FSIZE, &fsize);
            const TAviBuildResult result =
                builder.Build(dir.File("Frames/"), dir.File(c.Target), 15);
            if (result == TAviBuildResult::Failed) end = TEnd::Failed;
            if (result == TAviBuildResult::Stopped) end = TEnd::Stopped;
        } catch (const EFCreateError&) {
            end = TEnd::Thrown;
        }
        std::string errors;
        for (const std::string& e : r.Errors)
            errors += e + "\n";
        dir.Write("errors", errors);
        ::_exit(static_cast<int>(end));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? static_cast<TEnd>(WEXITSTATUS(status)) : TEnd::Other;
}

class Mp4Failure : public testing::TestWithParam<TFailureCase> {};

TEST_P(Mp4Failure, LeavesNoPartOfAMovieUnderItsName) {
    const TFailureCase& c = GetParam();
    TTempDir dir;
    // More frames than the encoder holds back, of noise that compresses so
    // little that the muxer's buffer reaches the file while frames are still
    // being added.
    const int frames = 120;
    std::filesystem::create_directories(dir.File("Frames"));
    std::uint32_t seed = 1;
    for (int k = 0; k < frames; ++k) {
        QImage noise(160, 120, QImage::Format_BGR888);
        for (int y = 0; y < noise.height(); ++y)
            for (int x = 0; x < 3 * noise.width(); ++x)
                noise.scanLine(y)[x] =
                    static_cast<std::uint8_t>((seed = seed * 1664525u + 1013904223u) >> 24);
        SaveImageAsBitmap(noise, dir.File(FrameName(k)));
    }
    std::int64_t limit = c.Limit;
    if (limit < 0) {
        TAviBuilder full({});
        full.Kind = TMovieKind::Mp4;
        ASSERT_EQ(full.Build(dir.File("Frames/"), dir.File("full.mp4"), 15),
                  TAviBuildResult::Created);
        limit += static_cast<std::int64_t>(std::filesystem::file_size(dir.File("full.mp4")));
    }
    // An earlier movie under the name, unless the name is not a free file.
    const std::filesystem::path target = dir.File(c.Target);
    const bool earlier =
        std::filesystem::exists(target.parent_path()) && !std::filesystem::exists(target);
    if (earlier) dir.Write(c.Target, "earlier movie");

    EXPECT_EQ(BuildInChild(dir, c, limit), c.End);
    const std::string errors = dir.Read("errors");
    EXPECT_EQ(errors.rfind(c.Error, 0), 0u) << errors;
    EXPECT_EQ(errors.empty(), *c.Error == 0) << errors;
    if (earlier) {
        EXPECT_EQ(dir.Read(c.Target), "earlier movie");
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos)
            << entry.path();
    for (int k = 0; k < frames; ++k)
        EXPECT_TRUE(dir.Exists(FrameName(k))) << "frame " << k;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Mp4Failure,
    testing::Values(TFailureCase{"folder_missing", "no/m.mp4", 0, -1, TEnd::Failed,
                                 "Internal MP4 error - failed to open MP4 file"},
                    TFailureCase{"disk_full_among_the_frames", "m.mp4", 100, -1, TEnd::Failed,
                                 "Internal MP4 error - failed to add frame to MP4"},
                    TFailureCase{"disk_full_while_the_index_is_written", "m.mp4", -200, -1,
                                 TEnd::Failed, "Internal MP4 error - failed to complete MP4 file"},
                    TFailureCase{"stopped_after_five_frames", "m.mp4", 0, 5, TEnd::Stopped, ""},
                    // The rename onto the name fails last of all.
                    TFailureCase{"name_taken_by_a_folder", "Frames", 0, -1, TEnd::Thrown, ""}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
