#pragma once
// Where every camera sits in the thumbnail grid. Cells are 200 x 200 pixels
// with a 1-pixel line after each, so one cell takes 201 pixels across and
// down. As many whole 200-pixel columns as the client width holds (at least
// one; the lines are not counted, so five columns in 1000 pixels need a
// scroll bar), and one row more than the whole rows the cameras fill, so a
// count that fills its rows exactly leaves an empty last row.
//
// The layout is recomputed only by Layout(); positions are 0-based drop-down
// positions (camera number position + 1). Nothing here throws.
#include <QRect>

namespace lumisk {

// Moves of the keyboard's focus frame.
enum class TGridMove { Left, Right, Up, Down, PageUp, PageDown, Home, End };

class TThumbnailGrid {
  public:
    static constexpr int kCellSize = 200;
    static constexpr int kLineWidth = 1;
    static constexpr int kPitch = kCellSize + kLineWidth;

    // Columns for a client width and rows for that many cameras.
    void Layout(int clientWidth, int cameras);
    int Columns() const { return columns_; }
    int Rows() const { return rows_; }
    // The whole grid, lines included.
    int ContentWidth() const { return columns_ * kPitch; }
    int ContentHeight() const { return rows_ * kPitch; }

    static int ColumnsForWidth(int clientWidth);
    static int RowsFor(int cameras, int columns);

    // The position a cell stands for (which may be past the last camera).
    int PositionOfCell(int column, int row) const { return column + row * columns_; }
    // The cell under a point of the whole grid (scrolling already added): a
    // point on a cell's right or bottom line belongs to that cell. -1 when
    // the point lies outside every cell, including the strip right of the
    // last column, which would otherwise alias the previous row's last cell.
    int PositionAt(int x, int y) const;
    // Where the focus frame goes from position by move, among that many
    // cameras, a page being pageRows rows (at least 1). Left and Right step
    // through the catalogue order, Up, Down and the page moves keep the
    // column and stop at its first or last camera, Home and End go to the
    // first and last camera. A position outside the catalogue is first
    // brought inside it; -1 when there are no cameras.
    int Moved(int position, TGridMove move, int cameras, int pageRows) const;

    // The 200 x 200 rectangle of a cell in grid coordinates.
    static QRect CellRect(int column, int row);

  private:
    int columns_ = 4;
    int rows_ = 1;
};

} // namespace lumisk
