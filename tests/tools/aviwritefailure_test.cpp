// A movie whose writing fails part-way (a full disk, here a file-size limit
// set in a child process): the whole frames that reached the disk become a
// movie that plays, or the file is removed when not even that can be written.
#include "support/tempdir.h"
#include "tools/aviprobe.h"
#include "tools/aviwriter.h"
#include "util/lumiskerror.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lumisk;
using lumisk::test::TTempDir;

namespace {

std::vector<std::uint8_t> Rows(int width, int height, int frame) {
    const QImage picture = test::FramePicture(width, height, frame);
    const std::uint32_t row = TAviWriter::RowBytes(width);
    std::vector<std::uint8_t> out(std::size_t{row} * height, 0);
    for (int y = 0; y < height; ++y)
        std::copy_n(picture.constScanLine(y), width * 3,
                    out.data() + std::size_t{row} * (height - 1 - y));
    return out;
}

struct TMovie {
    int Width, Height, Frames;
    std::uint64_t RiffLimit;
};

// Writes the movie; 0 when Finish succeeded, 1 when a write was reported.
int Write(const TMovie& m, const std::string& path) {
    TAviWriterOptions options;
    options.RiffLimit = m.RiffLimit;
    try {
        TAviWriter writer(options);
        writer.Open(path);
        writer.Start({m.Width, m.Height, 10});
        for (int f = 0; f < m.Frames; ++f)
            writer.AddFrame(Rows(m.Width, m.Height, f));
        writer.Finish();
        return 0;
    } catch (const EFCreateError&) {
        return 1;
    }
}

// The same, in a child whose files may not grow beyond limit bytes (a limit
// that holds for root too); the write beyond it fails as on a full disk.
int WriteWithin(const TMovie& m, const std::string& path, std::uint64_t limit) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit fsize{limit, limit};
        if (::setrlimit(RLIMIT_FSIZE, &fsize) != 0) ::_exit(3);
        ::_exit(Write(m, path));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Where the limit falls, in the layout of the same movie written in full.
enum class TAt { InsideFrame, EndOfFrame, StartOfRiff, Bytes };

struct TFailureCase {
    const char* Name;
    TMovie Movie;
    TAt At;
    std::uint64_t Which; // frame, RIFF or byte count
    int KeptFrames;      // -1: the file is removed
};
void PrintTo(const TFailureCase& c, std::ostream* os) {
    *os << c.Name;
}

class MovieWriteFailure : public testing::TestWithParam<TFailureCase> {};

TEST_P(MovieWriteFailure, LeavesAPlayableMovieOrNone) {
    const TFailureCase& c = GetParam();
    TTempDir dir;
    const std::string full = dir.File("full.avi");
    ASSERT_EQ(Write(c.Movie, full), 0);
    const test::TAviLayout f = test::ReadAviLayout(full);
    const std::uint64_t image = std::uint64_t{TAviWriter::RowBytes(c.Movie.Width)} * c.Movie.Height;
    std::uint64_t limit = c.Which;
    if (c.At == TAt::InsideFrame) limit = f.FrameData[c.Which] + image / 2;
    if (c.At == TAt::EndOfFrame) limit = f.FrameData[c.Which] + image;
    if (c.At == TAt::StartOfRiff) limit = f.Riffs[c.Which].Offset + 10;

    const std::string path = dir.File("movie.avi");
    EXPECT_EQ(WriteWithin(c.Movie, path, limit), 1) << "the failure is reported";
    struct stat st {};
    if (c.KeptFrames < 0) {
        EXPECT_NE(::stat(path.c_str(), &st), 0) << "an unplayable movie is left behind";
        return;
    }
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_LE(static_cast<std::uint64_t>(st.st_size), limit);
    const test::TAviLayout a = test::ReadAviLayout(path);
    ASSERT_EQ(a.Problems, "");
    const auto kept = static_cast<std::size_t>(c.KeptFrames);
    ASSERT_EQ(a.FrameData.size(), kept);
    EXPECT_EQ(a.Length, kept);
    EXPECT_EQ(a.Idx1Data.size(), a.FramesPerRiff[0]);
    if (a.Riffs.size() > 1) {
        EXPECT_EQ(a.StdIndexData, a.FrameData);
    }
    for (std::size_t k = 0; k < kept; ++k)
        EXPECT_TRUE(test::StoredFrame(path, a, k) ==
                    test::FramePicture(c.Movie.Width, c.Movie.Height, static_cast<int>(k)))
            << "frame " << k;
    if (!test::HaveFfmpeg()) GTEST_SKIP() << "ffprobe and ffmpeg are not installed";
    EXPECT_EQ(test::FfProbe(path).Frames, c.KeptFrames);
    EXPECT_EQ(test::FfmpegErrors(path), "");
}

// 100 x 80 frames are 24,000 bytes: half a frame cut off leaves room for an
// index of a few frames, the end of a whole frame leaves none.
constexpr TMovie Plain{100, 80, 8, std::uint64_t{1} << 30};
constexpr TMovie Riffs{100, 80, 12, 60000}; // two frames to a RIFF

INSTANTIATE_TEST_SUITE_P(
    Cases, MovieWriteFailure,
    testing::Values(
        TFailureCase{"DiskFullInsideAFrameKeepsTheWholeFramesBefore", Plain, TAt::InsideFrame, 5,
                     5},
        TFailureCase{"DiskFullInsideTheFirstFrameRemovesTheFile", Plain, TAt::InsideFrame, 0, -1},
        TFailureCase{"NoRoomForTheIndexRemovesTheFile", Plain, TAt::EndOfFrame, 7, -1},
        TFailureCase{"DiskFullInsideTheHeadersRemovesTheFile", Plain, TAt::Bytes, 100, -1},
        TFailureCase{"DiskFullInALaterRiffKeepsItsWholeFrames", Riffs, TAt::InsideFrame, 9, 9},
        TFailureCase{"DiskFullAtALaterRiffsHeaderDropsThatRiff", Riffs, TAt::StartOfRiff, 3, 6}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
