// The windows the program places, shown under a real window manager (run
// through support/openboxdisplay.sh): the X server's own record of each
// window's frame lies inside the work area the first time the window is
// shown and the next, and ends where the window's rule puts it.
#include "catalogue/favmanager.h"
#include "catalogue/settings.h"
#include "imaging/bmpwriter.h"
#include "support/mainformfixture.h"
#include "tools/refreshpreviews.h"
#include "tools/statsform.h"
#include "tools/timeclient.h"
#include "tools/timelapseform.h"
#include "viewers/viewform.h"
#include "widgets/windowplacement.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

using namespace lumisk;
using namespace lumisk::test;

namespace {

template <typename T> using TReply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T> TReply<T> Reply(T* reply) {
    return {reply, &std::free};
}

// Asks the X server over a connection of the test's own, not Qt's.
class TXServer {
  public:
    TXServer() : c_(xcb_connect(nullptr, nullptr)) {}
    ~TXServer() { xcb_disconnect(c_); }
    bool Connected() const { return !xcb_connection_has_error(c_); }

    QRect Screen() const {
        const xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        return {0, 0, s->width_in_pixels, s->height_in_pixels};
    }
    // What the window manager publishes for the first desktop.
    QRect WorkArea() const {
        const char name[] = "_NET_WORKAREA";
        auto atom = Reply(
            xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 1, sizeof name - 1, name), nullptr));
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        auto area = Reply(xcb_get_property_reply(
            c_, xcb_get_property(c_, 0, root, atom->atom, XCB_ATOM_CARDINAL, 0, 4), nullptr));
        if (!area || xcb_get_property_value_length(area.get()) != 16) return {};
        const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(area.get()));
        return QRect(int(v[0]), int(v[1]), int(v[2]), int(v[3]));
    }
    // The frame around a client window, once the window manager has framed
    // it and it is mapped.
    std::optional<QRect> Frame(xcb_window_t client) const {
        xcb_window_t top = client;
        for (;;) {
            auto tree = Reply(xcb_query_tree_reply(c_, xcb_query_tree(c_, top), nullptr));
            if (!tree) return std::nullopt;
            if (tree->parent == tree->root) break;
            top = tree->parent;
        }
        auto state =
            Reply(xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, top), nullptr));
        if (top == client || !state || state->map_state != XCB_MAP_STATE_VIEWABLE)
            return std::nullopt;
        auto g = Reply(xcb_get_geometry_reply(c_, xcb_get_geometry(c_, top), nullptr));
        if (!g) return std::nullopt;
        return QRect(g->x, g->y, g->width + 2 * g->border_width, g->height + 2 * g->border_width);
    }

  private:
    xcb_connection_t* c_;
};

struct TWindowCase {
    const char* name;
    TPlacement rule;
    std::function<QWidget*(TMainForm&)> open; // opens the window as the program does
    QSize preview = {64, 48};                 // the current camera's preview
};

} // namespace

class FramedWindows : public MainFormFixture, public testing::WithParamInterface<TWindowCase> {
  protected:
    // Waits for the window to be framed and placed by its rule; its frame
    // must never be seen outside the work area meanwhile.
    void ExpectPlaced(QWidget* window, TPlacement rule, const char* showing) {
        const auto id = static_cast<xcb_window_t>(window->winId());
        const QRect screen = x.Screen(), work = x.WorkArea();
        std::optional<QRect> first, last;
        auto atRule = [&] {
            const std::optional<QRect> frame = x.Frame(id);
            if (!frame) return false;
            if (!first) first = frame;
            last = frame;
            return frame->topLeft() ==
                   TWindowPlacement::FrameTopLeft(rule, frame->size(), screen, work);
        };
        const bool placed = WaitFor(atRule, 10000);
        ASSERT_TRUE(first) << showing << ": never framed";
        EXPECT_TRUE(work.contains(*first)) << showing << ": first frame " << Text(*first);
        EXPECT_TRUE(placed) << showing << ": frame " << Text(*last) << " is not at its place";
    }
    static std::string Text(const QRect& r) {
        return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " +
               std::to_string(r.width()) + "x" + std::to_string(r.height());
    }
    TXServer x;
};

TEST_P(FramedWindows, FrameLiesInsideTheWorkArea) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run it through openboxdisplay.sh";
    ASSERT_TRUE(x.Connected());
    ASSERT_EQ(x.WorkArea(), QRect(0, 24, 1024, 704)) << "openbox's margins were not applied";
    WriteNumberedCatalogue(1);
    WriteKnownVersion("Current Camera=0\r\n");
    QImage preview(GetParam().preview, QImage::Format_BGR888);
    preview.fill(Qt::darkCyan);
    QDir().mkpath(QString::fromStdString(dir.File("Previews")));
    SaveImageAsBitmap(preview, dir.File("Previews/Cam 1.BMP"));

    Start(); // the main window comes first, as when the program starts
    ExpectPlaced(&Main(), TPlacement::Centred, "main window");
    QWidget* window = GetParam().open(Main());
    ExpectPlaced(window, GetParam().rule, "first showing");
    window->hide();
    ASSERT_TRUE(WaitFor([&] { return !x.Frame(static_cast<xcb_window_t>(window->winId())); }));
    GetParam().open(Main());
    ExpectPlaced(window, GetParam().rule, "second showing");
}

INSTANTIATE_TEST_SUITE_P(
    Windows, FramedWindows,
    testing::Values(TWindowCase{"main_window_centred", TPlacement::Centred,
                                [](TMainForm& m) {
                                    m.show();
                                    return static_cast<QWidget*>(&m);
                                }},
                    TWindowCase{"refresh_window_below_the_top_panel", TPlacement::TopRight,
                                [](TMainForm& m) {
                                    m.Refreshallpreviewimages1Click();
                                    return static_cast<QWidget*>(Forms().RefreshPreviews);
                                }},
                    TWindowCase{"statistics_above_the_task_bar", TPlacement::AboveTaskBar,
                                [](TMainForm& m) {
                                    m.Viewstatistics1Click();
                                    return static_cast<QWidget*>(Forms().StatsForm);
                                }},
                    TWindowCase{"viewer_centred", TPlacement::Centred,
                                [](TMainForm& m) {
                                    m.PreviewImageClick();
                                    return static_cast<QWidget*>(Forms().ViewForm);
                                }},
                    TWindowCase{"viewer_taller_than_the_screen",
                                TPlacement::Centred,
                                [](TMainForm& m) {
                                    m.PreviewImageClick();
                                    return static_cast<QWidget*>(Forms().ViewForm);
                                },
                                {300, 1000}},
                    TWindowCase{"settings_centred", TPlacement::Centred,
                                [](TMainForm& m) {
                                    m.Settings2Click();
                                    return static_cast<QWidget*>(Forms().Settings);
                                }},
                    TWindowCase{"favourites_manager_centred", TPlacement::Centred,
                                [](TMainForm&) {
                                    // The menu item waits for the manager to close.
                                    Forms().FavManager->show();
                                    return static_cast<QWidget*>(Forms().FavManager);
                                }},
                    TWindowCase{"time_check_centred", TPlacement::Centred,
                                [](TMainForm& m) {
                                    m.Internettimecheck1Click();
                                    return static_cast<QWidget*>(Forms().TimeClient);
                                }},
                    TWindowCase{"time_lapse_below_the_top_panel", TPlacement::TopLeft,
                                [](TMainForm& m) {
                                    m.Createtimelapseframes1Click();
                                    return static_cast<QWidget*>(Forms().TimeLapseForm);
                                }}),
    [](const auto& info) { return std::string(info.param.name); });
