// The movie writer: every header field and index read back from the file,
// plain AVI 1.0 movies and movies that cross into OpenDML RIFFs, and what
// ffprobe and ffmpeg make of them.
#include "support/tempdir.h"
#include "tools/aviprobe.h"
#include "tools/aviwriter.h"
#include "util/lumiskerror.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace lumisk;
using lumisk::test::TTempDir;

namespace {

QImage Pattern(int width, int height, int frame) {
    return test::FramePicture(width, height, frame);
}

// The movie's layout of a picture: bottom row first, rows padded to four bytes.
std::vector<std::uint8_t> MovieRows(const QImage& picture) {
    const std::uint32_t row = TAviWriter::RowBytes(picture.width());
    std::vector<std::uint8_t> out(std::size_t{row} * picture.height(), 0);
    for (int y = 0; y < picture.height(); ++y)
        std::copy_n(picture.constScanLine(y), picture.width() * 3,
                    out.data() + std::size_t{row} * (picture.height() - 1 - y));
    return out;
}

std::string FileBytes(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    std::string bytes;
    if (!f) return bytes;
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
        bytes.append(buf, n);
    std::fclose(f);
    return bytes;
}

struct MovieCase {
    const char* name;
    int width, height, fps, frames;
    std::uint64_t riffLimit; // 0: the default
    std::size_t riffs;       // expected RIFF chunks; 0: more than one, count not fixed
};
void PrintTo(const MovieCase& c, std::ostream* os) {
    *os << c.name;
}

class Movies : public testing::TestWithParam<MovieCase> {};

TEST_P(Movies, FileReadsBackAsWritten) {
    const MovieCase& c = GetParam();
    TTempDir dir;
    const std::string path = dir.File("movie.avi");
    TAviWriterOptions options;
    if (c.riffLimit) options.RiffLimit = c.riffLimit;
    {
        TAviWriter writer(options);
        writer.Open(path);
        writer.Start({c.width, c.height, c.fps, 2835, 2835});
        for (int f = 0; f < c.frames; ++f)
            writer.AddFrame(MovieRows(Pattern(c.width, c.height, f)));
        writer.Finish();
    }
    const std::uint32_t image = TAviWriter::RowBytes(c.width) * c.height;
    const test::TAviLayout a = test::ReadAviLayout(path);
    ASSERT_EQ(a.Problems, "");

    EXPECT_EQ(a.MicroSecPerFrame, 1000000u / c.fps);
    EXPECT_EQ(a.Flags & 0x10, 0x10u);
    EXPECT_EQ(a.Streams, 1u);
    EXPECT_EQ(a.Width, static_cast<std::uint32_t>(c.width));
    EXPECT_EQ(a.Height, static_cast<std::uint32_t>(c.height));
    EXPECT_EQ(a.Type, "vids");
    EXPECT_EQ(a.Handler, std::string(4, '\0'));
    EXPECT_EQ(a.Scale, 1u);
    EXPECT_EQ(a.Rate, static_cast<std::uint32_t>(c.fps));
    EXPECT_EQ(a.Length, static_cast<std::uint32_t>(c.frames));
    EXPECT_EQ(a.BufferSize, image);
    EXPECT_EQ(a.Quality, 0u);
    EXPECT_EQ(a.Frame[2], c.width);
    EXPECT_EQ(a.Frame[3], c.height);
    EXPECT_EQ(a.InfoSize, 40u);
    EXPECT_EQ(a.InfoWidth, c.width);
    EXPECT_EQ(a.InfoHeight, c.height);
    EXPECT_EQ(a.Planes, 1);
    EXPECT_EQ(a.Bits, 24);
    EXPECT_EQ(a.Compression, 0u);
    EXPECT_EQ(a.ImageSize, image);
    EXPECT_EQ(a.ColorsUsed, 0u);

    ASSERT_EQ(a.FrameData.size(), static_cast<std::size_t>(c.frames));
    EXPECT_EQ(a.AvihFrames, a.FramesPerRiff[0]) << "avih counts the first RIFF only";
    const std::vector<std::uint64_t> firstRiff(a.FrameData.begin(),
                                               a.FrameData.begin() + a.FramesPerRiff[0]);
    EXPECT_EQ(a.Idx1Data, firstRiff);
    if (c.riffs == 1) {
        EXPECT_EQ(a.Riffs.size(), 1u);
        EXPECT_FALSE(a.HasSuperIndex);
        EXPECT_FALSE(a.DmlhFrames.has_value());
    } else {
        if (c.riffs) {
            EXPECT_EQ(a.Riffs.size(), c.riffs);
        }
        EXPECT_GT(a.Riffs.size(), 1u);
        EXPECT_TRUE(a.HasSuperIndex);
        EXPECT_EQ(a.DmlhFrames, static_cast<std::uint32_t>(c.frames));
        EXPECT_EQ(a.StdIndexData, a.FrameData);
        for (std::size_t r = 0; r + 1 < a.Riffs.size(); ++r)
            if (a.FramesPerRiff[r] > 1) {
                EXPECT_LE(a.Riffs[r].Size + 8, c.riffLimit) << "RIFF " << r;
            }
    }

    const std::string bytes = FileBytes(path);
    for (int f = 0; f < c.frames; ++f) {
        const std::vector<std::uint8_t> rows = MovieRows(Pattern(c.width, c.height, f));
        ASSERT_EQ(bytes.compare(a.FrameData[f], image, reinterpret_cast<const char*>(rows.data()),
                                rows.size()),
                  0)
            << "frame " << f;
    }

    if (!test::HaveFfmpeg()) GTEST_SKIP() << "ffprobe and ffmpeg are not installed";
    const test::TProbe p = test::FfProbe(path);
    EXPECT_EQ(p.Streams, 1);
    EXPECT_EQ(p.Codec, "rawvideo");
    EXPECT_EQ(p.PixelFormat, "bgr24");
    EXPECT_EQ(p.Width, c.width);
    EXPECT_EQ(p.Height, c.height);
    EXPECT_EQ(p.Rate, std::to_string(c.fps) + "/1");
    EXPECT_EQ(p.Frames, c.frames);
    EXPECT_EQ(test::FfmpegErrors(path), "");
    for (int f : {0, c.frames / 2, c.frames - 1}) {
        const QImage decoded = test::FfmpegFrame(path, f, c.width, c.height);
        EXPECT_TRUE(decoded == Pattern(c.width, c.height, f)) << "frame " << f;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Movies,
    testing::Values(MovieCase{"ten_frames_320x240_one_riff", 320, 240, 15, 10, 0, 1},
                    MovieCase{"width_321_rows_padded_to_964_bytes", 321, 6, 25, 4, 0, 1},
                    MovieCase{"odd_size_single_frame", 13, 7, 1, 1, 0, 1},
                    MovieCase{"small_limit_continues_in_avix_riffs", 64, 48, 30, 40, 40000, 0},
                    MovieCase{"limit_below_one_frame_gives_a_riff_per_frame", 16, 16, 10, 5, 1, 5},
                    MovieCase{"full_super_index_lets_the_last_riff_grow", 1, 1, 5, 300, 1, 256}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------- refusals

struct RefusalCase {
    const char* name;
    TAviVideoFormat format;
    const char* message;
};
void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class Refusals : public testing::TestWithParam<RefusalCase> {};

TEST_P(Refusals, StartWritesNothing) {
    TTempDir dir;
    TAviWriter writer;
    writer.Open(dir.File("movie.avi"));
    try {
        writer.Start(GetParam().format);
        FAIL() << "accepted";
    } catch (const ELumiskError& e) {
        EXPECT_EQ(e.Message(), GetParam().message);
    }
    writer.Finish();
    EXPECT_EQ(dir.Read("movie.avi"), "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Refusals,
    testing::Values(
        RefusalCase{
            "zero_frames_per_second", {8, 8, 0}, "Frames per second must be 1 or more, not 0"},
        RefusalCase{"negative_frames_per_second",
                    {8, 8, -5},
                    "Frames per second must be 1 or more, not -5"},
        RefusalCase{"width_beyond_the_frame_rectangle",
                    {40000, 1, 15},
                    "A movie frame of 40000 x 1 pixels cannot be written"},
        RefusalCase{"no_height", {8, 0, 15}, "A movie frame of 8 x 0 pixels cannot be written"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AviWriter, FileThatCannotBeCreatedNamesThePath) {
    TTempDir dir;
    const std::string path = dir.File("missing/movie.avi");
    TAviWriter writer;
    try {
        writer.Open(path);
        FAIL() << "opened";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), "Cannot create file " + path);
    }
}

TEST(AviWriter, FrameOfAnotherByteCountIsRefused) {
    TTempDir dir;
    TAviWriter writer;
    writer.Open(dir.File("movie.avi"));
    writer.Start({4, 4, 15});
    std::vector<std::uint8_t> shortFrame(47);
    EXPECT_THROW(writer.AddFrame(shortFrame), ELumiskError);
    EXPECT_EQ(writer.FramesWritten(), 0u);
}

// A build that stops at a broken frame releases the writer without Finish:
// the frames written so far must still make a playable movie.
TEST(AviWriter, UnfinishedWriterLeavesAPlayableMovie) {
    TTempDir dir;
    const std::string path = dir.File("movie.avi");
    {
        TAviWriterOptions options;
        options.RiffLimit = 2000;
        TAviWriter writer(options);
        writer.Open(path);
        writer.Start({10, 10, 12});
        for (int f = 0; f < 7; ++f)
            writer.AddFrame(MovieRows(Pattern(10, 10, f)));
    }
    const test::TAviLayout a = test::ReadAviLayout(path);
    EXPECT_EQ(a.Problems, "");
    EXPECT_EQ(a.FrameData.size(), 7u);
    EXPECT_EQ(a.Length, 7u);
    if (!test::HaveFfmpeg()) GTEST_SKIP() << "ffprobe is not installed";
    EXPECT_EQ(test::FfProbe(path).Frames, 7);
    EXPECT_EQ(test::FfmpegErrors(path), "");
}

} // namespace
