// The viewer's geometry without widgets: window sizes with scroll-bar
// allowances and the cut to the work area, centring, zoom steps and their
// cap, and where wallpaper files go and how they are numbered.
#include "imaging/imagefile.h"
#include "support/tempdir.h"
#include "viewers/viewerlayout.h"
#include "viewers/wallpaperfiles.h"

#include <QDir>
#include <gtest/gtest.h>
#include <optional>

using namespace lumisk;
using lumisk::test::TTempDir;

namespace {

TViewerMetrics Desktop(QRect screen, QRect work, QSize frameExtra = {0, 0}) {
    return {screen, work, /*ScrollBarExtent=*/16, /*ScrollBoxFrame=*/2, frameExtra};
}

const QRect kFullHd(0, 0, 1920, 1080);
const QRect kFullHdWork(0, 0, 1920, 1040);

struct FitCase {
    const char* name;
    TViewerMetrics metrics;
    QSize control;
    QSize client;
    bool horizontal, vertical;
    std::optional<int> left, top;
};

class ViewerFit : public testing::TestWithParam<FitCase> {};

TEST_P(ViewerFit, SizesTheClientAreaAndMovesOnlyWhenCut) {
    const FitCase& c = GetParam();
    const TViewerFit fit = TViewerLayout(c.metrics).Fit(c.control);
    EXPECT_EQ(fit.Client, c.client);
    EXPECT_EQ(fit.Bars.Horizontal, c.horizontal);
    EXPECT_EQ(fit.Bars.Vertical, c.vertical);
    EXPECT_EQ(fit.Left, c.left);
    EXPECT_EQ(fit.Top, c.top);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ViewerFit,
    testing::Values(FitCase{"natural_300x200",
                            Desktop(kFullHd, kFullHdWork),
                            {300, 200},
                            {306, 235},
                            false,
                            false,
                            {},
                            {}},
                    FitCase{"zoomed_twice_1200x800",
                            Desktop(kFullHd, kFullHdWork),
                            {1200, 800},
                            {1206, 835},
                            false,
                            false,
                            {},
                            {}},
                    FitCase{"zero_sized_control",
                            Desktop(kFullHd, kFullHdWork),
                            {0, 0},
                            {6, 35},
                            false,
                            false,
                            {},
                            {}},
                    // Taller than the work area but not than the screen: the test is
                    // against the whole screen, so the window is not cut.
                    FitCase{"taller_than_work_area_only",
                            Desktop({0, 0, 1024, 768}, {0, 0, 1024, 728}),
                            {300, 720},
                            {306, 755},
                            false,
                            false,
                            {},
                            {}},
                    // A vertical bar takes width from the picture, which then needs a
                    // horizontal one too; the height is cut to the work area below a top
                    // panel.
                    FitCase{"tall_cut_below_top_panel",
                            Desktop(kFullHd, {0, 40, 1920, 1040}),
                            {1200, 1100},
                            {1220, 1040},
                            true,
                            true,
                            {},
                            40},
                    FitCase{"wide_cut_to_work_area",
                            Desktop({100, 0, 1920, 1080}, {100, 0, 1920, 1040}),
                            {3000, 300},
                            {1920, 349},
                            true,
                            true,
                            100,
                            {}},
                    FitCase{"frame_counts_against_the_screen",
                            Desktop(kFullHd, kFullHdWork, {8, 30}),
                            {300, 1040},
                            {320, 1010},
                            true,
                            true,
                            {},
                            0},
                    FitCase{"larger_than_screen_both_ways",
                            Desktop({0, 0, 800, 600}, {0, 0, 800, 560}),
                            {1200, 800},
                            {800, 560},
                            true,
                            true,
                            0,
                            0}),
    [](const auto& info) { return std::string(info.param.name); });

struct ZoomCase {
    const char* name;
    QSize from;
    bool in;
    QSize to;
};

class ViewerZoom : public testing::TestWithParam<ZoomCase> {};

TEST_P(ViewerZoom, StepsByTwo) {
    const ZoomCase& c = GetParam();
    EXPECT_EQ(c.in ? TViewerLayout::ZoomedIn(c.from) : TViewerLayout::ZoomedOut(c.from), c.to);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ViewerZoom,
    testing::Values(
        ZoomCase{"in_doubles", {300, 200}, true, {600, 400}},
        ZoomCase{"out_truncates_odd_width", {301, 201}, false, {150, 100}},
        ZoomCase{"one_pixel_out_becomes_zero", {1, 1}, false, {0, 0}},
        ZoomCase{"zero_cannot_grow_again", {0, 0}, true, {0, 0}},
        ZoomCase{"up_to_the_side_cap", {8192, 100}, true, {16384, 200}},
        ZoomCase{"stops_at_the_side_cap", {16384, 100}, true, {16384, 100}},
        ZoomCase{"stops_at_the_pixel_cap", {8000, 4000}, true, {8000, 4000}},
        ZoomCase{"huge_sides_do_not_overflow", {1 << 30, 1 << 30}, true, {1 << 30, 1 << 30}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ViewerTextPlacement, CentresByTruncatingTowardZero) {
    EXPECT_EQ(TViewerLayout::CentredText({204, 158}, {121, 13}), QPoint(41, 72));
    EXPECT_EQ(TViewerLayout::CentredText({10, 10}, {15, 13}), QPoint(-2, -1));
}

// ---- Wallpaper files ---------------------------------------------------------

// Sets environment variables for one test and puts the old values back.
class TEnvironment {
  public:
    void Set(const char* name, const std::string& value) {
        Remember(name);
        qputenv(name, QByteArray::fromStdString(value));
    }
    void Unset(const char* name) {
        Remember(name);
        qunsetenv(name);
    }
    ~TEnvironment() {
        for (auto& [name, value] : saved_)
            if (value)
                qputenv(name.c_str(), *value);
            else
                qunsetenv(name.c_str());
    }

  private:
    void Remember(const char* name) {
        for (auto& s : saved_)
            if (s.first == name) return;
        saved_.emplace_back(name, qEnvironmentVariableIsSet(name)
                                      ? std::optional<QByteArray>(qgetenv(name))
                                      : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<QByteArray>>> saved_;
};

struct DirectoryCase {
    const char* name;
    const char* windir;      // nullptr: unset; "@" is replaced by the temp dir
    const char* upperWindir; // "WINDIR", which is a different variable here
    const char* xdgDataHome; // nullptr: unset
    const char* expected;    // "@" is the temp dir
};

std::string Expand(const char* text, const std::string& dir) {
    std::string s = text;
    if (auto at = s.find('@'); at != std::string::npos) s.replace(at, 1, dir);
    return s;
}

class WallpaperDirectoryChoice : public testing::TestWithParam<DirectoryCase> {};

TEST_P(WallpaperDirectoryChoice, FollowsTheEnvironment) {
    const DirectoryCase& c = GetParam();
    TTempDir dir;
    const std::string root = dir.Path().substr(0, dir.Path().size() - 1);
    TEnvironment env;
    env.Set("HOME", root + "/home");
    auto set = [&](const char* name, const char* value) {
        if (value)
            env.Set(name, Expand(value, root));
        else
            env.Unset(name);
    };
    set("windir", c.windir);
    set("WINDIR", c.upperWindir);
    set("XDG_DATA_HOME", c.xdgDataHome);
    EXPECT_EQ(WallpaperDirectory(), Expand(c.expected, root));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WallpaperDirectoryChoice,
    testing::Values(DirectoryCase{"windir_wins", "@/win", nullptr, "@/data", "@/win/"},
                    DirectoryCase{"windir_with_slash_kept", "@/win/", nullptr, nullptr, "@/win/"},
                    DirectoryCase{"empty_windir_is_unset", "", nullptr, "@/data",
                                  "@/data/backgrounds/"},
                    DirectoryCase{"upper_case_name_is_another_variable", nullptr, "@/win", nullptr,
                                  "@/home/.local/share/backgrounds/"},
                    DirectoryCase{"relative_xdg_data_home_ignored", nullptr, nullptr, "data",
                                  "@/home/.local/share/backgrounds/"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WallpaperFiles, NumbersOnFromTheHighestAndCreatesTheDirectory) {
    TTempDir dir;
    TEnvironment env;
    env.Set("windir", dir.File("new/win"));
    QImage picture(3, 2, QImage::Format_BGR888);
    picture.fill(Qt::red);

    EXPECT_EQ(SaveWallpaperFile(picture), dir.File("new/win/LMK00000.BMP"));
    EXPECT_EQ(SaveWallpaperFile(picture), dir.File("new/win/LMK00001.BMP"));
    dir.Write("new/win/LMK00006.BMP", "old");
    dir.Write("new/win/lmk00009.bmp", "other prefix case"); // not ours
    EXPECT_EQ(SaveWallpaperFile(picture), dir.File("new/win/LMK00007.BMP"));

    std::optional<QImage> back = DecodeImageFile(dir.File("new/win/LMK00007.BMP"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->size(), QSize(3, 2));
    EXPECT_EQ(back->pixelColor(2, 1), QColor(Qt::red));
    EXPECT_EQ(dir.Read("new/win/LMK00006.BMP"), "old");
}

} // namespace
