#include "viewers/viewerlayout.h"

#include "imaging/imagelimits.h"

#include <algorithm>
#include <cstdint>

namespace lumisk {

TScrollBars TViewerLayout::ScrollBarsFor(QSize content, QSize viewport, int barExtent) {
    TScrollBars bars;
    bars.Horizontal = content.width() > viewport.width();
    bars.Vertical = content.height() > viewport.height();
    if (bars.Horizontal && !bars.Vertical)
        bars.Vertical = content.height() > viewport.height() - barExtent;
    if (bars.Vertical && !bars.Horizontal)
        bars.Horizontal = content.width() > viewport.width() - barExtent;
    return bars;
}

TViewerFit TViewerLayout::Fit(QSize control) const {
    TViewerFit fit;
    QSize client(control.width() + kExtraWidth, control.height() + kExtraHeight);

    // Whether the scroll box "now" shows a bar depends on the size the window
    // really gets, and the window system keeps a window within the screen.
    const QSize shown = client.boundedTo(metrics_.Screen.size() - metrics_.FrameExtra);
    const int frame = 2 * metrics_.ScrollBoxFrame;
    const QSize viewport(shown.width() - frame, shown.height() - kCaptionPanelHeight - frame);
    fit.Bars = ScrollBarsFor(control, viewport, metrics_.ScrollBarExtent);
    if (fit.Bars.Horizontal) client.rheight() += metrics_.ScrollBarExtent - 2;
    if (fit.Bars.Vertical) client.rwidth() += metrics_.ScrollBarExtent - 2;

    // The test is against the whole screen, the new size is the work area.
    QSize outer = client + metrics_.FrameExtra;
    if (metrics_.Screen.height() < outer.height()) {
        outer.setHeight(metrics_.WorkArea.height());
        fit.Top = metrics_.WorkArea.top();
    }
    if (metrics_.Screen.width() < outer.width()) {
        outer.setWidth(metrics_.WorkArea.width());
        fit.Left = metrics_.WorkArea.left();
    }
    fit.Client = outer - metrics_.FrameExtra;
    return fit;
}

QSize TViewerLayout::FittedControl(QSize picture) const {
    const QSize room =
        (metrics_.WorkArea.size() - metrics_.FrameExtra - QSize(kExtraWidth, kExtraHeight))
            .expandedTo(QSize(1, 1));
    if (picture.isEmpty() || (picture.width() <= room.width() && picture.height() <= room.height()))
        return picture;
    const std::int64_t pw = picture.width(), ph = picture.height();
    const std::int64_t rw = room.width(), rh = room.height();
    // The tighter of the two sides decides the scale.
    if (pw * rh >= ph * rw)
        return {room.width(), static_cast<int>(std::max<std::int64_t>(1, ph * rw / pw))};
    return {static_cast<int>(std::max<std::int64_t>(1, pw * rh / ph)), room.height()};
}

QSize TViewerLayout::ZoomedIn(QSize control) {
    const std::int64_t w = std::int64_t{control.width()} * 2;
    const std::int64_t h = std::int64_t{control.height()} * 2;
    if (w > kMaxZoomSide || h > kMaxZoomSide || w * h > kMaxImagePixels) return control;
    return {static_cast<int>(w), static_cast<int>(h)};
}

QSize TViewerLayout::ZoomedOut(QSize control) {
    return {control.width() / 2, control.height() / 2};
}

QPoint TViewerLayout::CentredText(QSize area, QSize textSize) {
    return {(area.width() - textSize.width()) / 2, (area.height() - textSize.height()) / 2};
}

} // namespace lumisk
