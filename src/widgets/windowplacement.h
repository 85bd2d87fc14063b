#pragma once
// Where the program puts its windows. A window is placed by its frame, the
// title bar and borders that the window manager draws around it: a rule
// names a spot on the screen for the frame, and the frame is then pushed
// inside the work area (the screen less task bars and panels). A frame larger
// than the work area keeps its top-left corner, and so its title bar, inside.
//
// The frame's size is known only once the window manager has framed the
// window, after it is first shown (on X11: once it has stated the frame in
// _NET_FRAME_EXTENTS). Until then the margins last seen on any window of this
// run stand in for it (none before the first window is framed), and the
// window watches for its real frame: when that differs, the window is placed
// again by the same rule as soon as the frame is known.
// Without a window manager there is no frame and the window itself is
// placed. The margins last seen are the only state, shared by all windows.
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace lumisk {

enum class TPlacement {
    Centred,     // centred on the screen
    TopLeft,     // the screen's top-left corner
    TopRight,    // the screen's top-right corner
    AboveTaskBar // the work area's bottom-right corner
};

class TWindowPlacement {
  public:
    // The frame's top-left corner for a frame of this size.
    static QPoint FrameTopLeft(TPlacement where, QSize frame, const QRect& screen,
                               const QRect& workArea);

    // Places a top-level window by the rule, on the screen it is on. Call it
    // before showing the window or while it is visible.
    static void Place(QWidget* window, TPlacement where);

    // The window's frame margins when the window manager has told them,
    // otherwise those last seen on any window.
    static QMargins FrameMargins(const QWidget* window);
};

} // namespace lumisk
