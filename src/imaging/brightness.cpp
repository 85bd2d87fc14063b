#include "imaging/brightness.h"

#include <cstdint>

namespace lumisk {

double AverageBrightness(const QImage& picture) {
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0) return 0;
    // The sum does not depend on the channel order, so both 24-bit layouts
    // are read as they are.
    const bool direct =
        picture.format() == QImage::Format_BGR888 || picture.format() == QImage::Format_RGB888;
    const QImage image = direct ? picture : picture.convertToFormat(QImage::Format_BGR888);
    const int width = image.width();
    std::uint64_t sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        std::uint64_t rowSum = 0; // at most 765 * width, far below 2^64
        for (int i = 0; i < width * 3; ++i)
            rowSum += row[i];
        sum += rowSum;
    }
    const double pixels = static_cast<double>(width) * image.height();
    return static_cast<double>(sum) / 3.0 / pixels / 255.0 * 100.0;
}

} // namespace lumisk
