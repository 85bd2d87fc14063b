// The build routine without its window: which files are frames and in what
// order, the status texts and error boxes of a build, frames of other sizes
// and other bitmap variants, and what is left behind when a build fails.
#include "imaging/bmpwriter.h"
#include "imaging/imageerror.h"
#include "imaging/imagefixtures.h"
#include "support/tempdir.h"
#include "tools/avibuilder.h"
#include "tools/aviframereader.h"
#include "tools/aviprobe.h"
#include "util/lumiskerror.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace lumisk;
using lumisk::test::TTempDir;

namespace {

std::string FramePath(const TTempDir& dir, int k) {
    char name[32];
    std::snprintf(name, sizeof name, "Frames/FRA%05d.BMP", k);
    return dir.File(name);
}

// Frames 0 .. n-1 as ordinary 24-bit bitmap files.
std::vector<QImage> WriteFrames(const TTempDir& dir, int n, int width, int height) {
    std::filesystem::create_directories(dir.File("Frames"));
    std::vector<QImage> pictures;
    for (int k = 0; k < n; ++k) {
        pictures.push_back(test::FramePicture(width, height, k));
        SaveImageAsBitmap(pictures.back(), FramePath(dir, k));
    }
    return pictures;
}

// Everything a build reports, in order.
struct TRecorder {
    std::vector<std::string> Statuses, Errors;
    std::vector<QImage> Previews;
    bool Delete = true;
    TAviBuildCallbacks Callbacks() {
        return {[this](const std::string& s) { Statuses.push_back(s); },
                [this](const QImage& p) { Previews.push_back(p); },
                [this](const std::string& e) { Errors.push_back(e); }, [this] { return Delete; }};
    }
};

// ------------------------------------------------------------- frame list

struct ListCase {
    const char* name;
    std::vector<std::string> files; // below the frames directory; "x/" makes a directory
    std::vector<std::string> frames;
};
void PrintTo(const ListCase& c, std::ostream* os) {
    *os << c.name;
}

class FrameList : public testing::TestWithParam<ListCase> {};

TEST_P(FrameList, HoldsTheFramesInCaseInsensitiveOrder) {
    TTempDir dir;
    std::filesystem::create_directories(dir.File("Frames"));
    for (const std::string& f : GetParam().files) {
        if (f.back() == '/')
            std::filesystem::create_directories(dir.File("Frames/" + f));
        else
            dir.Write("Frames/" + f, "x");
    }
    std::vector<std::string> expected;
    for (const std::string& f : GetParam().frames)
        expected.push_back(dir.File("Frames/" + f));
    EXPECT_EQ(TAviBuilder::FrameFiles(dir.File("Frames/")), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FrameList,
    testing::Values(ListCase{"numbers_in_numeric_order",
                             {"FRA00010.BMP", "FRA00003.BMP"},
                             {"FRA00003.BMP", "FRA00010.BMP"}},
                    ListCase{"lower_case_names_are_not_frames",
                             {"fra00001.bmp", "FRA00002.bmp", "Fra00003.BMP", "FRA00004.BMP"},
                             {"FRA00004.BMP"}},
                    ListCase{"subdirectories_are_not_searched",
                             {"old/", "old/FRA00001.BMP", "FRA00009.BMP/"},
                             {}},
                    ListCase{"hidden_files_are_not_frames",
                             {".FRA00001.BMP", "FRA00002.BMP"},
                             {"FRA00002.BMP"}},
                    ListCase{"only_the_ends_of_the_tail_count",
                             {"myFRA00001.BMP", "FRAabcde.BMP", "FRA0001.BMP", "FRA00001.BMP.txt"},
                             {"FRAabcde.BMP", "myFRA00001.BMP"}},
                    ListCase{"letter_case_does_not_order",
                             {"FRAB0000.BMP", "FRAa0000.BMP", "FRAc0000.BMP"},
                             {"FRAa0000.BMP", "FRAB0000.BMP", "FRAc0000.BMP"}},
                    ListCase{"empty_directory", {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FrameList, MissingDirectoryHasNoFrames) {
    TTempDir dir;
    EXPECT_TRUE(TAviBuilder::FrameFiles(dir.File("Frames/")).empty());
}

// ------------------------------------------------------------- builds

class Build : public testing::TestWithParam<bool> {};

TEST_P(Build, TenFramesBecomeTenKeyFramesWithEveryStatus) {
    const bool deleteFrames = GetParam();
    TTempDir dir;
    const std::vector<QImage> pictures = WriteFrames(dir, 10, 320, 240);
    TRecorder r;
    r.Delete = deleteFrames;
    const std::string movie = dir.File("AVI00000.AVI");
    EXPECT_EQ(TAviBuilder(r.Callbacks()).Build(dir.File("Frames/"), movie, 15),
              TAviBuildResult::Created);

    std::vector<std::string> expected = {
        "Looking for frame files ...", "Initializing AVI",         "Opening AVI for write...",
        "Determining DIB size...",     "Setting stream info...",   "Opening AVI data stream...",
        "Getting DIB header...",       "Setting stream format...", "Building AVI..."};
    for (int k = 1; k <= 10; ++k)
        expected.insert(expected.end(), 2,
                        "Building AVI Movie - Frame " + std::to_string(k) + " of 10");
    if (deleteFrames) expected.push_back("Deleting source frames.");
    expected.push_back("AVI file created.");
    EXPECT_EQ(r.Statuses, expected);
    EXPECT_TRUE(r.Errors.empty());
    ASSERT_EQ(r.Previews.size(), 10u);
    for (int k = 0; k < 10; ++k) {
        EXPECT_TRUE(r.Previews[k] == pictures[k]) << "preview " << k;
        EXPECT_EQ(std::filesystem::exists(FramePath(dir, k)), !deleteFrames);
    }

    const test::TAviLayout a = test::ReadAviLayout(movie);
    EXPECT_EQ(a.Problems, "");
    EXPECT_EQ(a.ImageSize, 230400u);
    EXPECT_EQ(a.Rate, 15u);
    EXPECT_EQ(a.Scale, 1u);
    EXPECT_EQ(a.Length, 10u);
    ASSERT_EQ(a.FrameData.size(), 10u);
    for (std::size_t k = 0; k < 10; ++k)
        EXPECT_TRUE(test::StoredFrame(movie, a, k) == pictures[k]) << "frame " << k;

    if (!test::HaveFfmpeg()) GTEST_SKIP() << "ffprobe and ffmpeg are not installed";
    const test::TProbe p = test::FfProbe(movie);
    EXPECT_EQ(p.Codec, "rawvideo");
    EXPECT_EQ(p.PixelFormat, "bgr24");
    EXPECT_EQ(p.Frames, 10);
    EXPECT_EQ(p.Rate, "15/1");
    EXPECT_EQ(test::FfmpegErrors(movie), "");
    EXPECT_TRUE(test::FfmpegFrame(movie, 7, 320, 240) == pictures[7]);
}

INSTANTIATE_TEST_SUITE_P(Cases, Build, testing::Bool(), [](const auto& info) {
    return std::string(info.param ? "frames_deleted_afterwards" : "frames_kept");
});

class RefusedRate : public testing::TestWithParam<int> {};

TEST_P(RefusedRate, BeforeAnythingIsWritten) {
    TTempDir dir;
    WriteFrames(dir, 2, 8, 8);
    dir.Write("old.avi", "an older movie");
    TRecorder r;
    EXPECT_THROW(
        TAviBuilder(r.Callbacks()).Build(dir.File("Frames/"), dir.File("old.avi"), GetParam()),
        ELumiskError);
    EXPECT_EQ(dir.Read("old.avi"), "an older movie");
    EXPECT_TRUE(r.Statuses.empty());
    EXPECT_TRUE(std::filesystem::exists(FramePath(dir, 0)));
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedRate, testing::Values(0, -1), [](const auto& info) {
    return info.param == 0 ? std::string("zero") : std::string("negative");
});

TEST(Build, NoFramesClearsTheStatusAndSaysSo) {
    TTempDir dir;
    TRecorder r;
    EXPECT_EQ(TAviBuilder(r.Callbacks()).Build(dir.File("Frames/"), dir.File("m.avi"), 15),
              TAviBuildResult::NoFrames);
    EXPECT_EQ(r.Statuses, (std::vector<std::string>{"Looking for frame files ...", ""}));
    EXPECT_EQ(r.Errors, (std::vector<std::string>{"No frames exist to build an AVI movie from."}));
    EXPECT_FALSE(dir.Exists("m.avi"));
}

TEST(Build, TargetThatCannotBeOpenedKeepsTheFrames) {
    TTempDir dir;
    WriteFrames(dir, 2, 8, 8);
    TRecorder r;
    EXPECT_EQ(TAviBuilder(r.Callbacks()).Build(dir.File("Frames/"), dir.File("no/m.avi"), 15),
              TAviBuildResult::Failed);
    EXPECT_EQ(r.Errors, (std::vector<std::string>{"Internal AVI error - failed to open AVI file"}));
    EXPECT_EQ(r.Statuses.back(), "Opening AVI for write...");
    EXPECT_TRUE(std::filesystem::exists(FramePath(dir, 1)));
}

// A camera that changed its picture size mid-grab: the movie keeps the first
// frame's size and the odd frame is stretched to it.
TEST(Build, FrameOfAnotherSizeIsScaledToTheFirst) {
    TTempDir dir;
    const std::vector<QImage> pictures = WriteFrames(dir, 3, 40, 30);
    SaveImageAsBitmap(test::SolidPicture(81, 17, QColor(10, 200, 90)), FramePath(dir, 1));
    TRecorder r;
    const std::string movie = dir.File("m.avi");
    ASSERT_EQ(TAviBuilder(r.Callbacks()).Build(dir.File("Frames/"), movie, 5),
              TAviBuildResult::Created);
    const test::TAviLayout a = test::ReadAviLayout(movie);
    EXPECT_EQ(a.Problems, "");
    EXPECT_EQ(a.InfoWidth, 40);
    EXPECT_EQ(a.InfoHeight, 30);
    EXPECT_TRUE(test::StoredFrame(movie, a, 0) == pictures[0]);
    EXPECT_EQ(test::MaxDifference(test::StoredFrame(movie, a, 1),
                                  test::SolidPicture(40, 30, QColor(10, 200, 90))),
              0);
    EXPECT_TRUE(test::StoredFrame(movie, a, 2) == pictures[2]);
    EXPECT_EQ(r.Previews[1].size(), QSize(40, 30));
}

// A broken frame ends the build with the decoder's message; the frames before
// it stay in a complete movie and no frame is deleted.
TEST(Build, UnreadableFrameEndsTheBuildWithAPlayableMovie) {
    TTempDir dir;
    WriteFrames(dir, 4, 16, 16);
    dir.Write("Frames/FRA00002.BMP", "BM not a bitmap");
    TRecorder r;
    const std::string movie = dir.File("m.avi");
    EXPECT_THROW(TAviBuilder(r.Callbacks()).Build(dir.File("Frames/"), movie, 15), EImageError);
    EXPECT_EQ(r.Statuses.back(), "Building AVI Movie - Frame 3 of 4");
    const test::TAviLayout a = test::ReadAviLayout(movie);
    EXPECT_EQ(a.Problems, "");
    EXPECT_EQ(a.FrameData.size(), 2u);
    EXPECT_TRUE(std::filesystem::exists(FramePath(dir, 0)));
    EXPECT_TRUE(std::filesystem::exists(FramePath(dir, 3)));
}

// The expected frame count sizes the super index: a movie of many RIFFs keeps
// every RIFF within the limit instead of falling back to growing the last.
TEST(Build, ManyRiffsAreAllIndexed) {
    TTempDir dir;
    WriteFrames(dir, 300, 2, 2);
    TAviWriterOptions options;
    options.RiffLimit = 1;
    TRecorder r;
    const std::string movie = dir.File("m.avi");
    ASSERT_EQ(TAviBuilder(r.Callbacks(), options).Build(dir.File("Frames/"), movie, 25),
              TAviBuildResult::Created);
    const test::TAviLayout a = test::ReadAviLayout(movie);
    EXPECT_EQ(a.Problems, "");
    EXPECT_EQ(a.Riffs.size(), 300u);
    EXPECT_EQ(a.StdIndexData, a.FrameData);
    if (!test::HaveFfmpeg()) GTEST_SKIP() << "ffprobe is not installed";
    EXPECT_EQ(test::FfProbe(movie).Frames, 300);
}

// ------------------------------------------------------------- bitmap variants

std::string Rows(const QImage& picture, int bytesPerPixel, bool bottomUp) {
    std::string pixels;
    for (int i = 0; i < picture.height(); ++i) {
        const int y = bottomUp ? picture.height() - 1 - i : i;
        std::string row;
        for (int x = 0; x < picture.width(); ++x) {
            row.append(reinterpret_cast<const char*>(picture.constScanLine(y)) + 3 * x, 3);
            if (bytesPerPixel == 4) row += '\x7f';
        }
        pixels += test::PadRow(row);
    }
    return pixels;
}

struct VariantCase {
    const char* name;
    std::uint32_t headerSize;
    int bits;
    bool topDown;
    bool copied; // taken without decoding
};
void PrintTo(const VariantCase& c, std::ostream* os) {
    *os << c.name;
}

class Variants : public testing::TestWithParam<VariantCase> {};

TEST_P(Variants, FramesKeepTheirPixels) {
    const VariantCase& c = GetParam();
    TTempDir dir;
    const QImage picture = test::FramePicture(13, 5, 2);
    test::TBmpLayout bmp;
    bmp.HeaderSize = c.headerSize;
    bmp.Width = 13;
    bmp.Height = c.topDown ? -5 : 5;
    bmp.Bits = static_cast<std::uint16_t>(c.bits);
    bmp.Pixels = Rows(picture, c.bits / 8, !c.topDown);
    dir.Write("FRA00000.BMP", test::BuildBmp(bmp));

    TAviFrameReader reader;
    const std::span<const std::uint8_t> pixels = reader.Read(dir.File("FRA00000.BMP"));
    EXPECT_EQ(reader.LastWasCopied(), c.copied);
    EXPECT_EQ(reader.Width(), 13);
    EXPECT_EQ(reader.Height(), 5);
    ASSERT_EQ(pixels.size(), 40u * 5);
    EXPECT_TRUE(reader.Picture() == picture);
    const std::string expected = Rows(picture, 3, true);
    for (int y = 0; y < 5; ++y) // the padding bytes are the writer's business
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(pixels.data()) + 40 * y, 39),
                  expected.substr(40 * y, 39))
            << "row " << y;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Variants,
    testing::Values(VariantCase{"bottom_up_24_bit_copied", 40, 24, false, true},
                    VariantCase{"version_5_header_copied", 124, 24, false, true},
                    VariantCase{"top_down_24_bit_decoded", 40, 24, true, false},
                    VariantCase{"32_bit_decoded", 40, 32, false, false},
                    VariantCase{"core_header_decoded", 12, 24, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------- writing aside

// A build that writes beside its target: an earlier movie of that name stays
// until the new one is complete, and a stopped or broken build leaves nothing.
struct AsideCase {
    const char* name;
    int stopBefore;      // frame index whose turn asks to stop; -1 never
    int brokenFrame;     // frame index written as garbage; -1 none
    bool created;        // the target holds the new movie afterwards
    std::size_t counted; // FrameWritten calls
};
void PrintTo(const AsideCase& c, std::ostream* os) {
    *os << c.name;
}

class Aside : public testing::TestWithParam<AsideCase> {};

TEST_P(Aside, TargetIsTheOldFileOrTheWholeNewMovie) {
    const AsideCase& c = GetParam();
    TTempDir dir;
    WriteFrames(dir, 4, 16, 16);
    if (c.brokenFrame >= 0)
        dir.Write(FramePath(dir, c.brokenFrame).substr(dir.Path().size()), "BM no");
    dir.Write("m.avi", "earlier movie");
    TRecorder r;
    TAviBuildCallbacks callbacks = r.Callbacks();
    std::vector<std::pair<std::size_t, std::size_t>> written;
    callbacks.FrameWritten = [&](std::size_t n, std::size_t of) { written.emplace_back(n, of); };
    callbacks.StopRequested = [&] { return static_cast<int>(written.size()) == c.stopBefore; };
    TAviBuilder builder(callbacks);
    builder.WriteAside = true;
    TAviBuildResult result = TAviBuildResult::Failed;
    try {
        result = builder.Build(dir.File("Frames/"), dir.File("m.avi"), 15);
    } catch (const EImageError&) {
    }
    EXPECT_EQ(result, c.created           ? TAviBuildResult::Created
                      : c.stopBefore >= 0 ? TAviBuildResult::Stopped
                                          : TAviBuildResult::Failed);
    EXPECT_EQ(written.size(), c.counted);
    if (!written.empty()) {
        EXPECT_EQ(written.back(), std::make_pair(c.counted, std::size_t{4}));
    }
    EXPECT_FALSE(dir.Exists(".m.avi.part"));
    // Deleting is asked for: only a complete movie lets the frames go.
    EXPECT_EQ(std::filesystem::exists(FramePath(dir, 3)), !c.created);
    if (c.created) {
        const test::TAviLayout a = test::ReadAviLayout(dir.File("m.avi"));
        EXPECT_EQ(a.Problems, "");
        EXPECT_EQ(a.FrameData.size(), 4u);
    } else {
        EXPECT_EQ(dir.Read("m.avi"), "earlier movie");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Aside,
    testing::Values(AsideCase{"complete_movie_replaces_the_old", -1, -1, true, 4},
                    AsideCase{"stop_after_two_frames_leaves_the_old", 2, -1, false, 2},
                    AsideCase{"broken_frame_leaves_the_old", -1, 2, false, 2}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
