// The windows the program places, shown under a real window manager (run
// through support/openboxdisplay.sh, whose panels leave the work area
// 0,24 1024x704 of a 1024x768 screen): the X server's own record of each
// window's frame lies inside the work area the first time the window is shown
// and the next, and ends where the window's rule puts it.
#include "imaging/bmpwriter.h"
#include "support/mainformfixture.h"
#include "widgets/windowplacement.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <cstdlib>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

using namespace lumisk;
using namespace lumisk::test;

namespace {

const QRect kScreen(0, 0, 1024, 768), kWorkArea(0, 24, 1024, 704);

template <typename T> std::unique_ptr<T, decltype(&std::free)> Reply(T* reply) {
    return {reply, &std::free};
}

// The frame around a client window once the window manager has framed it
// and it is mapped, asked over a connection of the test's own.
std::optional<QRect> FrameOf(xcb_connection_t* c, xcb_window_t client) {
    xcb_window_t top = client;
    for (;;) {
        auto tree = Reply(xcb_query_tree_reply(c, xcb_query_tree(c, top), nullptr));
        if (!tree) return std::nullopt;
        if (tree->parent == tree->root) break;
        top = tree->parent;
    }
    auto state =
        Reply(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, top), nullptr));
    auto g = Reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, top), nullptr));
    if (top == client || !state || state->map_state != XCB_MAP_STATE_VIEWABLE || !g)
        return std::nullopt;
    return QRect(g->x, g->y, g->width + 2 * g->border_width, g->height + 2 * g->border_width);
}

std::string Text(const QRect& r) {
    return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) +
           "x" + std::to_string(r.height());
}

struct TWindowCase {
    const char* name;
    TPlacement rule;
    void (TMainForm::*open)(); // the menu item that opens it; none: shown itself
    const char* window;
    QSize preview = {64, 48}; // the current camera's preview
};

} // namespace

class FramedWindows : public MainFormFixture, public testing::WithParamInterface<TWindowCase> {
  protected:
    void TearDown() override {
        MainFormFixture::TearDown();
        xcb_disconnect(x);
    }
    QWidget* Open() {
        const TWindowCase& c = GetParam();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == c.window) {
                c.open ? (Main().*c.open)() : w->show();
                return w;
            }
        return nullptr;
    }
    // Waits for the window to be framed and placed by its rule; the first
    // frame seen must already lie inside the work area.
    void ExpectPlaced(QWidget* window, TPlacement rule, const char* showing) {
        const auto id = static_cast<xcb_window_t>(window->winId());
        std::optional<QRect> first, last;
        const bool placed = WaitFor(
            [&] {
                last = FrameOf(x, id);
                if (!first) first = last;
                return last && last->topLeft() == TWindowPlacement::FrameTopLeft(
                                                      rule, last->size(), kScreen, kWorkArea);
            },
            10000);
        ASSERT_TRUE(first) << showing << ": never framed";
        EXPECT_TRUE(kWorkArea.contains(*first)) << showing << ": first frame " << Text(*first);
        EXPECT_TRUE(placed) << showing << ": frame " << Text(*last) << " is not at its place";
    }
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
};

TEST_P(FramedWindows, FrameLiesInsideTheWorkArea) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run it through openboxdisplay.sh";
    ASSERT_FALSE(xcb_connection_has_error(x));
    WriteNumberedCatalogue(1);
    WriteKnownVersion("Current Camera=0\r\n");
    QImage preview(GetParam().preview, QImage::Format_BGR888);
    preview.fill(Qt::darkCyan);
    QDir().mkpath(QString::fromStdString(dir.File("Previews")));
    SaveImageAsBitmap(preview, dir.File("Previews/Cam 1.BMP"));

    Start(); // the main window comes first, as when the program starts
    ExpectPlaced(&Main(), TPlacement::Centred, "main window");
    QWidget* window = Open();
    ASSERT_TRUE(window);
    ExpectPlaced(window, GetParam().rule, "first showing");
    window->hide();
    ASSERT_TRUE(WaitFor([&] { return !FrameOf(x, static_cast<xcb_window_t>(window->winId())); }));
    Open();
    ExpectPlaced(window, GetParam().rule, "second showing");
}

INSTANTIATE_TEST_SUITE_P(
    Windows, FramedWindows,
    testing::Values(TWindowCase{"main_window_centred", TPlacement::Centred, nullptr, "TMainForm"},
                    TWindowCase{"refresh_window_below_the_top_panel", TPlacement::TopRight,
                                &TMainForm::Refreshallpreviewimages1Click, "TRefreshPreviews"},
                    TWindowCase{"statistics_above_the_task_bar", TPlacement::AboveTaskBar,
                                &TMainForm::Viewstatistics1Click, "TStatsForm"},
                    TWindowCase{"viewer_centred", TPlacement::Centred,
                                &TMainForm::PreviewImageClick, "TViewForm"},
                    TWindowCase{"viewer_taller_than_the_screen",
                                TPlacement::Centred,
                                &TMainForm::PreviewImageClick,
                                "TViewForm",
                                {300, 1000}},
                    TWindowCase{"settings_centred", TPlacement::Centred, &TMainForm::Settings2Click,
                                "TSettings"},
                    // Its menu item waits for the manager to close.
                    TWindowCase{"favourites_manager_centred", TPlacement::Centred, nullptr,
                                "TFavManager"},
                    TWindowCase{"time_check_centred", TPlacement::Centred,
                                &TMainForm::Internettimecheck1Click, "TTimeClient"},
                    TWindowCase{"time_lapse_below_the_top_panel", TPlacement::TopLeft,
                                &TMainForm::Createtimelapseframes1Click, "TTimeLapseForm"}),
    [](const auto& info) { return std::string(info.param.name); });
