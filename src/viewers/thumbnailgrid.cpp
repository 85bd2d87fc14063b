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

QRect TThumbnailGrid::CellRect(int column, int row) {
    return QRect(column * kPitch, row * kPitch, kCellSize, kCellSize);
}

} // namespace lumisk
