#pragma once
// An owner-drawn grid: equal cells separated by 1-pixel lines on a black
// ground, scrolled by pixels when it is larger than its client area. It
// paints only the ground and the lines; each cell that a paint exposes is
// handed to OnDrawCell, in grid order, before the lines are drawn. Mouse
// presses and moves (with or without a button held) are reported in grid
// coordinates, scrolling included. One cell may carry the focus frame, drawn
// while the grid has the keyboard focus; keys the grid does not scroll by
// itself go first to OnKeyPress. The callbacks must not throw.
#include <QAbstractScrollArea>
#include <QPainter>
#include <functional>

namespace lumisk {

class TDrawGrid : public QAbstractScrollArea {
    Q_OBJECT
  public:
    TDrawGrid(int cellWidth, int cellHeight, QWidget* parent = nullptr);

    void SetGridSize(int columns, int rows);
    int ColCount() const { return columns_; }
    int RowCount() const { return rows_; }
    // Width and height inside the frame and the scroll bars.
    int ClientWidth() const { return viewport()->width(); }
    int ClientHeight() const { return viewport()->height(); }
    // The grid point shown at a point of the client area.
    QPoint ToGrid(QPoint clientPoint) const;
    // The cell rectangle in client coordinates.
    QRect CellRectOnScreen(int column, int row) const;
    // The cell with the focus frame (column -1: none).
    void SetFocusCell(int column, int row);
    QPoint FocusCell() const { return focusCell_; }
    // Scrolls as little as needed to show the whole cell (its top-left part
    // when the client area is smaller).
    void ScrollToCell(int column, int row);

    std::function<void(QPainter& painter, int column, int row, const QRect& rect)> OnDrawCell;
    std::function<void(QPoint gridPoint)> OnMouseDown;
    std::function<void(QPoint gridPoint)> OnMouseMove;
    // Answers whether it handled the key.
    std::function<bool(QKeyEvent* event)> OnKeyPress;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    void UpdateScrollBars();
    int PitchX() const { return cellWidth_ + kLineWidth; }
    int PitchY() const { return cellHeight_ + kLineWidth; }

    static constexpr int kLineWidth = 1;
    const int cellWidth_;
    const int cellHeight_;
    int columns_ = 0;
    int rows_ = 0;
    QPoint focusCell_{-1, -1};
};

} // namespace lumisk
