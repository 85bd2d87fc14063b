#include "imaging/previewfit.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace lumisk {

QRect AspectFit(int pictureWidth, int pictureHeight, int controlWidth, int controlHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0) return {};
    const double aspect = static_cast<double>(pictureWidth) / pictureHeight;
    int w, h;
    if (pictureWidth > pictureHeight) {
        w = controlWidth;
        h = static_cast<int>(controlWidth / aspect);
        if (h > controlHeight) {
            h = controlHeight;
            w = static_cast<int>(controlHeight * aspect);
        }
    } else {
        h = controlHeight;
        w = static_cast<int>(controlHeight * aspect);
        if (w > controlWidth) {
            w = controlWidth;
            h = static_cast<int>(controlWidth / aspect);
        }
    }
    return QRect((controlWidth - w) / 2, (controlHeight - h) / 2, w, h);
}

namespace {

// Adds a row of bytes to the column sums, in runs of fixed length that the
// compiler turns into vector instructions.
void AddRow(const uchar* __restrict row, std::size_t bytes, std::uint32_t* __restrict sums) {
    constexpr std::size_t kRun = 16;
    std::size_t i = 0;
    for (; i + kRun <= bytes; i += kRun)
        for (std::size_t k = 0; k < kRun; ++k)
            sums[i + k] += row[i + k];
    for (; i < bytes; ++i)
        sums[i] += row[i];
}

} // namespace

QImage ShrinkAtLeast(const QImage& picture, int minWidth, int minHeight) {
    const QImage::Format format = picture.format();
    if (format != QImage::Format_BGR888 && format != QImage::Format_RGB888) return picture;
    const int width = picture.width(), height = picture.height();
    const int factor = std::min(width / std::max(1, minWidth), height / std::max(1, minHeight));
    if (factor < 2) return picture;
    const int outWidth = (width + factor - 1) / factor;
    const int outHeight = (height + factor - 1) / factor;
    QImage shrunk(outWidth, outHeight, format);
    if (shrunk.isNull()) return picture;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    std::vector<std::uint32_t> columns(rowBytes);
    for (int oy = 0; oy < outHeight; ++oy) {
        // First the block's rows added column by column, then each run of
        // factor columns added into its pixel.
        std::fill(columns.begin(), columns.end(), 0);
        const int top = oy * factor;
        const int rows = std::min(factor, height - top);
        for (int y = top; y < top + rows; ++y)
            AddRow(picture.constScanLine(y), rowBytes, columns.data());
        uchar* out = shrunk.scanLine(oy);
        const std::uint32_t* column = columns.data();
        for (int x = 0; x < width; x += factor, out += 3) {
            const int run = std::min(factor, width - x);
            std::uint32_t sum[3] = {0, 0, 0};
            for (int k = 0; k < run; ++k, column += 3) {
                sum[0] += column[0];
                sum[1] += column[1];
                sum[2] += column[2];
            }
            const float scale = 1.0f / static_cast<float>(run * rows);
            for (int c = 0; c < 3; ++c)
                out[c] = static_cast<uchar>(static_cast<float>(sum[c]) * scale + 0.5f);
        }
    }
    return shrunk;
}

} // namespace lumisk
