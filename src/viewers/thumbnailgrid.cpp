#include "viewers/thumbnailgrid.h"

#include <algorithm>

namespace lumisk {

void TThumbnailGrid::Layout(int clientWidth, int cameras) {
    columns_ = ColumnsForWidth(clientWidth);
    rows_ = RowsFor(cameras, columns_);
}

int TThumbnailGrid::ColumnsForWidth(int clientWidth) {
    return std::max(1, clientWidth / kCellSize);
}

int TThumbnailGrid::RowsFor(int cameras, int columns) {
    return std::max(0, cameras) / std::max(1, columns) + 1;
}

int TThumbnailGrid::PositionAt(int x, int y) const {
    if (x < 0 || y < 0) return -1;
    const int column = x / kPitch;
    const int row = y / kPitch;
    if (column >= columns_ || row >= rows_) return -1;
    return PositionOfCell(column, row);
}

int TThumbnailGrid::Moved(int position, TGridMove move, int cameras, int pageRows) const {
    if (cameras <= 0) return -1;
    const int last = cameras - 1;
    const int p = std::clamp(position, 0, last);
    const int columns = std::max(1, columns_);
    // The first and last camera of p's column.
    const int top = p % columns;
    const int bottom = top + (last - top) / columns * columns;
    const int page = std::max(1, pageRows) * columns;
    switch (move) {
    case TGridMove::Left:
        return std::max(0, p - 1);
    case TGridMove::Right:
        return std::min(last, p + 1);
    case TGridMove::Up:
        return std::max(top, p - columns);
    case TGridMove::Down:
        return std::min(bottom, p + columns);
    case TGridMove::PageUp:
        return std::max(top, p - page);
    case TGridMove::PageDown:
        return std::min(bottom, p + page);
    case TGridMove::Home:
        return 0;
    case TGridMove::End:
        return last;
    }
    return p;
}

QRect TThumbnailGrid::CellRect(int column, int row) {
    return QRect(column * kPitch, row * kPitch, kCellSize, kCellSize);
}

} // namespace lumisk
