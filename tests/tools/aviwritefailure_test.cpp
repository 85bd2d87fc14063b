// A movie whose writing fails part-way (a full disk, here a file-size limit
// set in a child process, which holds for root too): the whole frames that
// reached the disk become a movie that plays, or the file is removed.
#include "support/tempdir.h"
#include "tools/aviprobe.h"
#include "tools/aviwriter.h"
#include "util/lumiskerror.h"

#include <QFile>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lumisk;

namespace {

// 100 x 80 frames (24,000 bytes); cutting half of one leaves room for an
// index, the end of a whole frame leaves none.
constexpr int W = 100, H = 80;

// Writes frames of FramePicture; 1 when a failed write was reported.
int Write(const std::string& path, int frames, std::uint64_t riffLimit) {
    try {
        TAviWriter writer({.RiffLimit = riffLimit});
        writer.Open(path);
        writer.Start({W, H, 10});
        for (int f = 0; f < frames; ++f) {
            const QImage picture = test::FramePicture(W, H, f).mirrored();
            std::vector<std::uint8_t> rows(std::size_t{TAviWriter::RowBytes(W)} * H);
            for (int y = 0; y < H; ++y)
                std::copy_n(picture.constScanLine(y), W * 3,
                            rows.data() + std::size_t{TAviWriter::RowBytes(W)} * y);
            writer.AddFrame(rows);
        }
        writer.Finish();
        return 0;
    } catch (const EFCreateError&) {
        return 1;
    }
}

enum class TAt { InsideFrame, EndOfFrame, StartOfRiff, Byte };

struct TFailureCase {
    const char* Name;
    int Frames;
    std::uint64_t RiffLimit;
    TAt At;         // where the disk is full, in the layout of the full movie
    std::size_t N;  // frame, RIFF or byte
    int KeptFrames; // -1: the file is removed
};

class MovieWriteFailure : public testing::TestWithParam<TFailureCase> {};

TEST_P(MovieWriteFailure, LeavesAPlayableMovieOrNone) {
    const TFailureCase& c = GetParam();
    test::TTempDir dir;
    ASSERT_EQ(Write(dir.File("full.avi"), c.Frames, c.RiffLimit), 0);
    const test::TAviLayout full = test::ReadAviLayout(dir.File("full.avi"));
    const std::uint64_t image = std::uint64_t{TAviWriter::RowBytes(W)} * H;
    const std::uint64_t limit = c.At == TAt::InsideFrame   ? full.FrameData[c.N] + image / 2
                                : c.At == TAt::EndOfFrame  ? full.FrameData[c.N] + image
                                : c.At == TAt::StartOfRiff ? full.Riffs[c.N].Offset + 10
                                                           : c.N;
    const std::string path = dir.File("movie.avi");
    const pid_t child = ::fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit fsize{limit, limit};
        ::_exit(::setrlimit(RLIMIT_FSIZE, &fsize) == 0 ? Write(path, c.Frames, c.RiffLimit) : 3);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(status, 1 << 8) << "the failure is reported";

    if (c.KeptFrames < 0) {
        EXPECT_FALSE(QFile::exists(QString::fromStdString(path))) << "an unplayable movie is left";
        return;
    }
    const test::TAviLayout a = test::ReadAviLayout(path);
    ASSERT_EQ(a.Problems, "");
    ASSERT_EQ(a.FrameData.size(), static_cast<std::size_t>(c.KeptFrames));
    EXPECT_EQ(a.Length, static_cast<std::uint32_t>(c.KeptFrames));
    EXPECT_EQ(a.Idx1Data.size(), a.FramesPerRiff[0]);
    if (a.Riffs.size() > 1) {
        EXPECT_EQ(a.StdIndexData, a.FrameData);
    }
    for (int k = 0; k < c.KeptFrames; ++k)
        EXPECT_TRUE(test::StoredFrame(path, a, k) == test::FramePicture(W, H, k)) << "frame " << k;
    if (!test::HaveFfmpeg()) GTEST_SKIP() << "ffprobe and ffmpeg are not installed";
    EXPECT_EQ(test::FfProbe(path).Frames, c.KeptFrames);
    EXPECT_EQ(test::FfmpegErrors(path), "");
}

constexpr std::uint64_t OneRiff = std::uint64_t{1} << 30, TwoFramesARiff = 60000;

INSTANTIATE_TEST_SUITE_P(
    Cases, MovieWriteFailure,
    testing::Values(
        TFailureCase{"InsideAFrameKeepsTheWholeFramesBefore", 8, OneRiff, TAt::InsideFrame, 5, 5},
        TFailureCase{"InsideTheFirstFrameRemovesTheFile", 8, OneRiff, TAt::InsideFrame, 0, -1},
        TFailureCase{"NoRoomForTheIndexRemovesTheFile", 8, OneRiff, TAt::EndOfFrame, 7, -1},
        TFailureCase{"InsideTheHeadersRemovesTheFile", 8, OneRiff, TAt::Byte, 100, -1},
        TFailureCase{"InALaterRiffKeepsItsWholeFrames", 12, TwoFramesARiff, TAt::InsideFrame, 9, 9},
        TFailureCase{"AtALaterRiffsHeaderDropsThatRiff", 12, TwoFramesARiff, TAt::StartOfRiff, 3,
                     6}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
