#include "widgets/windowplacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <optional>

namespace lumisk {

namespace {

QMargins& LastSeenMargins() {
    static QMargins margins;
    return margins;
}

// The margins the window manager has reported for this window, if any. A
// window that was never shown has none yet; one that was keeps those it had.
std::optional<QMargins> KnownMargins(const QWidget* window) {
    if (!window->testAttribute(Qt::WA_WState_Created)) return std::nullopt;
    const QRect inner = window->geometry();
    const QRect outer = window->frameGeometry();
    const QMargins margins(inner.left() - outer.left(), inner.top() - outer.top(),
                           outer.right() - inner.right(), outer.bottom() - inner.bottom());
    if (margins.isNull()) return std::nullopt;
    LastSeenMargins() = margins;
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
            if (QWindow* handle = window_->windowHandle()) handle->installEventFilter(this);
            if (KnownMargins(window_)) PlaceAgain();
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Expose:
        case QEvent::Paint:
        case QEvent::WindowActivate:
            // Moving a window from inside its own painting is asking for
            // trouble: the placement waits for the event loop.
            if (KnownMargins(window_)) {
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
    void PlaceAgain() {
        watching_ = false;
        TWindowPlacement::Place(window_, where_);
    }

    QWidget* window_;
    TPlacement where_ = TPlacement::Centred;
    bool watching_ = false;
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
    if (known || !window->testAttribute(Qt::WA_WState_Created)) {
        // A frame position: before the native window exists, the window
        // manager is asked to put the frame's corner there.
        window->move(corner);
    } else {
        // Shown or created without a frame yet: the window itself is moved,
        // as far inside the frame as the guessed margins say.
        window->move(corner + QPoint(margins.left(), margins.top()));
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
