#pragma once
// The image viewer's geometry, free of widgets: how large the window is made
// for an image control of a given size, where it goes on the screen, and the
// zoom steps. The window measures its screen and its own metrics, builds one
// of these and applies what it answers.
//
// Sizing: the client area is the image control plus 6 pixels of width and 35
// of height (the caption panel below the picture and the scroll box's
// frame). When the scroll box would show a scroll bar, the client area grows
// by the bar's thickness less 2 in the other direction, so that the bar
// does not cover the picture. A window taller or wider than the full screen
// is cut to the work area (in that direction only) and moved to its edge.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

namespace lumisk {

// What the window system tells the viewer about the screen and its frame.
struct TViewerMetrics {
    QRect Screen;            // the whole screen
    QRect WorkArea;          // the screen less task bars and docks
    int ScrollBarExtent = 0; // thickness of a scroll bar
    int ScrollBoxFrame = 0;  // frame width of the scroll box, on each side
    QSize FrameExtra;        // outer window size less client size
};

struct TScrollBars {
    bool Horizontal = false;
    bool Vertical = false;
};

// The outcome of sizing the window for one image control size.
struct TViewerFit {
    QSize Client;
    // The scroll bars whose allowances were added to the client area.
    TScrollBars Bars;
    // The outer window's new left and top, when cutting it to the work area
    // moved it; otherwise the window keeps its place.
    std::optional<int> Left;
    std::optional<int> Top;
};

class TViewerLayout {
  public:
    static constexpr int kExtraWidth = 6;
    static constexpr int kExtraHeight = 35;
    static constexpr int kCaptionPanelHeight = 29;
    // Zooming in stops before a side of the image control passes this, or
    // the control covers more pixels than a decoded picture may have: the
    // viewer draws a preview without a picture at the control's size, and
    // larger controls only cost memory without showing more.
    static constexpr int kMaxZoomSide = 16384;

    explicit TViewerLayout(const TViewerMetrics& metrics) : metrics_(metrics) {}

    // Client size and any move for an image control of this size.
    TViewerFit Fit(QSize control) const;

    // Which scroll bars a scroll box with this viewport shows for content of
    // this size (a bar takes its thickness from the other direction).
    static TScrollBars ScrollBarsFor(QSize content, QSize viewport, int barExtent);

    // The largest image control of the picture's shape (sides rounded down,
    // at least 1) whose window fits the work area; a picture that fits
    // already keeps its size.
    QSize FittedControl(QSize picture) const;

    // Zoom steps by a factor of two. Zooming in leaves the size as it is at
    // the cap; zooming out truncates (1 becomes 0, and 0 stays 0).
    static QSize ZoomedIn(QSize control);
    static QSize ZoomedOut(QSize control);
    // A wheel turned toward the user (negative delta) zooms in.
    static bool WheelZoomsIn(int delta) { return delta < 0; }

    // Top-left of text of textSize centred in area, by truncating division.
    static QPoint CentredText(QSize area, QSize textSize);

  private:
    TViewerMetrics metrics_;
};

} // namespace lumisk
