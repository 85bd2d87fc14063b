#include "widgets/windowplacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace lumisk {

namespace {

QMargins& LastSeenMargins() {
    static QMargins margins;
    return margins;
}

// On X11 the window manager states the frame it has put around a window in
// the window's _NET_FRAME_EXTENTS, and the frame is known only once it has:
// the frame the window system measures otherwise can be caught half built.
std::optional<QMargins> StatedFrameExtents(xcb_connection_t* c, const QWindow* handle) {
    static const xcb_atom_t extents = [c] {
        const char name[] = "_NET_FRAME_EXTENTS";
        xcb_intern_atom_reply_t* reply =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return atom;
    }();
    const auto window = static_cast<xcb_window_t>(handle->winId());
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, extents, XCB_ATOM_CARDINAL, 0, 4), nullptr);
    std::optional<QMargins> margins;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) == 16) {
        // Left, right, top, bottom.
        const auto* v = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
        margins = QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3]));
    }
    std::free(reply);
    return margins;
}

// The margins the window manager has given this window, if known: never
// before the window is first shown.
std::optional<QMargins> KnownMargins(const QWidget* window) {
    if (!window->testAttribute(Qt::WA_WState_Created)) return std::nullopt;
    const QWindow* handle = window->windowHandle();
    if (!handle || !handle->handle()) return std::nullopt;
    std::optional<QMargins> margins;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() == QLatin1String("xcb") && x11 && x11->connection())
        margins = StatedFrameExtents(x11->connection(), handle);
    else
        margins = handle->frameMargins();
    if (!margins || margins->isNull()) return std::nullopt;
    LastSeenMargins() = *margins;
    return margins;
}

// Watches a window placed by guessed margins until the window manager has
// framed it, then places it again by its rule. It lives as the window's
// child and is reused by later placements of the same window.
class TFrameWatch : public QObject {
  public:
    TFrameWatch(QWidget* window, TPlacement where) : QObject(window), window_(window) {
        Watch(where);
        window->installEventFilter(this);
    }

    static TFrameWatch* Of(QWidget* window) {
        for (QObject* child : window->children())
            if (auto* watch = dynamic_cast<TFrameWatch*>(child)) return watch;
        return nullptr;
    }

    void Watch(TPlacement where) {
        where_ = where;
        watching_ = true;
        shown_ = window_->isVisible();
        // Once the native window exists, its own events tell when the frame
        // arrives, even if the widget does not move.
        if (QWindow* handle = window_->windowHandle()) handle->installEventFilter(this);
    }
    void Stop() { watching_ = false; }

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (!watching_) return false;
        switch (event->type()) {
        case QEvent::Hide:
            watching_ = false;
            break;
        case QEvent::Show:
            // Placed now, the window appears where it belongs.
            shown_ = true;
            if (QWindow* handle = window_->windowHandle()) handle->installEventFilter(this);
            if (KnownMargins(window_)) {
                watching_ = false;
                TWindowPlacement::Place(window_, where_);
            }
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Expose:
        case QEvent::Paint:
        case QEvent::WindowActivate:
            // Those before the showing are the window's own making. Moving
            // a window from inside its own painting is asking for trouble:
            // the placement waits for the event loop.
            if (shown_ && KnownMargins(window_)) {
                watching_ = false;
                QMetaObject::invokeMethod(
                    this, [this, where = where_] { TWindowPlacement::Place(window_, where); },
                    Qt::QueuedConnection);
            }
            break;
        default:
            break;
        }
        return false;
    }

  private:
    QWidget* window_;
    TPlacement where_ = TPlacement::Centred;
    bool watching_ = false;
    bool shown_ = false;
};

} // namespace

QPoint TWindowPlacement::FrameTopLeft(TPlacement where, QSize frame, const QRect& screen,
                                      const QRect& workArea) {
    QPoint corner;
    switch (where) {
    case TPlacement::Centred:
        corner = {screen.left() + std::max(0, (screen.width() - frame.width()) / 2),
                  screen.top() + std::max(0, (screen.height() - frame.height()) / 2)};
        break;
    case TPlacement::TopLeft:
        corner = screen.topLeft();
        break;
    case TPlacement::TopRight:
        corner = {screen.left() + screen.width() - frame.width(), screen.top()};
        break;
    case TPlacement::AboveTaskBar:
        corner = {workArea.left() + workArea.width() - frame.width(),
                  workArea.top() + workArea.height() - frame.height()};
        break;
    }
    // The far edges first, so that a frame too large for the work area
    // keeps its title bar and left edge in view.
    corner.setX(std::min(corner.x(), workArea.left() + workArea.width() - frame.width()));
    corner.setY(std::min(corner.y(), workArea.top() + workArea.height() - frame.height()));
    corner.setX(std::max(corner.x(), workArea.left()));
    corner.setY(std::max(corner.y(), workArea.top()));
    return corner;
}

QMargins TWindowPlacement::FrameMargins(const QWidget* window) {
    return KnownMargins(window).value_or(LastSeenMargins());
}

void TWindowPlacement::Place(QWidget* window, TPlacement where) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const std::optional<QMargins> known = KnownMargins(window);
    const QMargins margins = known.value_or(LastSeenMargins());
    const QPoint corner = FrameTopLeft(where, window->size().grownBy(margins), screen->geometry(),
                                       screen->availableGeometry());
    if (!window->testAttribute(Qt::WA_WState_Created)) {
        // Before the native window exists, the window manager is asked to
        // put the frame's corner there.
        window->move(corner);
    } else {
        // The window itself goes inside the frame. Qt adds the frame it
        // has last taken note of to a window's position, which may lag
        // behind what the window manager has said.
        const QPoint inside = corner + QPoint(margins.left(), margins.top());
        window->move(inside - (window->geometry().topLeft() - QPoint(window->x(), window->y())));
    }
    TFrameWatch* watch = TFrameWatch::Of(window);
    if (known) {
        if (watch) watch->Stop();
    } else if (watch) {
        watch->Watch(where);
    } else {
        new TFrameWatch(window, where);
    }
}

} // namespace lumisk
