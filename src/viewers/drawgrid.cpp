#include "viewers/drawgrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QScrollBar>
#include <algorithm>

namespace lumisk {

namespace {
// Light lines on a dark ground, as a classic owner-drawn grid has them.
const QColor kLineColor(192, 192, 192);
// The keyboard's frame, bright on dark thumbnails and on the black ground.
const QColor kFocusColor(255, 255, 0);
constexpr int kFocusWidth = 3;
} // namespace

TDrawGrid::TDrawGrid(int cellWidth, int cellHeight, QWidget* parent)
    : QAbstractScrollArea(parent), cellWidth_(cellWidth), cellHeight_(cellHeight) {
    setFrameShape(QFrame::StyledPanel);
    viewport()->setMouseTracking(true);
    // The whole viewport is painted on every paint: no background fill first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::Base, Qt::black);
    viewport()->setPalette(palette);
}

void TDrawGrid::SetGridSize(int columns, int rows) {
    columns_ = std::max(0, columns);
    rows_ = std::max(0, rows);
    UpdateScrollBars();
    viewport()->update();
}

QPoint TDrawGrid::ToGrid(QPoint clientPoint) const {
    return clientPoint + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

QRect TDrawGrid::CellRectOnScreen(int column, int row) const {
    return QRect(column * PitchX() - horizontalScrollBar()->value(),
                 row * PitchY() - verticalScrollBar()->value(), cellWidth_, cellHeight_);
}

void TDrawGrid::SetFocusCell(int column, int row) {
    if (focusCell_ == QPoint(column, row)) return;
    focusCell_ = QPoint(column, row);
    viewport()->update();
}

void TDrawGrid::ScrollToCell(int column, int row) {
    // In grid coordinates: the cell's extent against the part shown.
    auto show = [](QScrollBar* bar, int start, int length, int room) {
        if (start < bar->value() || length > room)
            bar->setValue(start);
        else if (start + length > bar->value() + room)
            bar->setValue(start + length - room);
    };
    show(horizontalScrollBar(), column * PitchX(), cellWidth_, viewport()->width());
    show(verticalScrollBar(), row * PitchY(), cellHeight_, viewport()->height());
}

void TDrawGrid::UpdateScrollBars() {
    const QSize client = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, columns_ * PitchX() - client.width()));
    horizontalScrollBar()->setPageStep(client.width());
    horizontalScrollBar()->setSingleStep(PitchX() / 3);
    verticalScrollBar()->setRange(0, std::max(0, rows_ * PitchY() - client.height()));
    verticalScrollBar()->setPageStep(client.height());
    // A wheel notch (three steps) moves one row.
    verticalScrollBar()->setSingleStep(PitchY() / 3);
}

void TDrawGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect exposed = event->rect();
    painter.fillRect(exposed, Qt::black);
    if (columns_ == 0 || rows_ == 0) return;

    const QPoint origin = ToGrid(QPoint(0, 0));
    const QRect area = exposed.translated(origin); // in grid coordinates
    const int firstColumn = std::max(0, area.left() / PitchX());
    const int lastColumn = std::min(columns_ - 1, area.right() / PitchX());
    const int firstRow = std::max(0, area.top() / PitchY());
    const int lastRow = std::min(rows_ - 1, area.bottom() / PitchY());
    if (firstColumn > lastColumn || firstRow > lastRow) return;

    if (OnDrawCell)
        for (int row = firstRow; row <= lastRow; ++row)
            for (int column = firstColumn; column <= lastColumn; ++column)
                OnDrawCell(painter, column, row, CellRectOnScreen(column, row));

    // One line after every cell, across the grid's extent only.
    for (int column = firstColumn; column <= lastColumn; ++column)
        painter.fillRect(QRect(column * PitchX() + cellWidth_ - origin.x(), -origin.y(), kLineWidth,
                               rows_ * PitchY()),
                         kLineColor);
    for (int row = firstRow; row <= lastRow; ++row)
        painter.fillRect(QRect(-origin.x(), row * PitchY() + cellHeight_ - origin.y(),
                               columns_ * PitchX(), kLineWidth),
                         kLineColor);

    if (hasFocus() && focusCell_.x() >= 0) {
        const QRect cell = CellRectOnScreen(focusCell_.x(), focusCell_.y());
        const int inset = kFocusWidth / 2;
        painter.setPen(QPen(kFocusColor, kFocusWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(cell.adjusted(inset, inset, -inset - 1, -inset - 1));
    }
}

void TDrawGrid::mousePressEvent(QMouseEvent* event) {
    if (OnMouseDown) OnMouseDown(ToGrid(event->position().toPoint()));
}

void TDrawGrid::mouseMoveEvent(QMouseEvent* event) {
    if (OnMouseMove) OnMouseMove(ToGrid(event->position().toPoint()));
}

void TDrawGrid::keyPressEvent(QKeyEvent* event) {
    if (OnKeyPress && OnKeyPress(event)) {
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void TDrawGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void TDrawGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

bool TDrawGrid::viewportEvent(QEvent* event) {
    // The client area also changes when a scroll bar comes or goes.
    if (event->type() == QEvent::Resize) UpdateScrollBars();
    return QAbstractScrollArea::viewportEvent(event);
}

void TDrawGrid::scrollContentsBy(int dx, int dy) {
    viewport()->scroll(dx, dy);
}

} // namespace lumisk
