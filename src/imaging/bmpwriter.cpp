#include "imaging/bmpwriter.h"

#include "imaging/imageerror.h"
#include "util/lumiskerror.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <unistd.h>

namespace lumisk {

namespace {

constexpr std::uint32_t kHeadersSize = 14 + 40;

void Put16(std::string& out, std::size_t at, std::uint16_t v) {
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>(v >> 8);
}

void Put32(std::string& out, std::size_t at, std::uint32_t v) {
    Put16(out, at, static_cast<std::uint16_t>(v & 0xFFFF));
    Put16(out, at + 2, static_cast<std::uint16_t>(v >> 16));
}

std::uint64_t RowBytes(const QImage& picture) {
    const std::uint64_t width = picture.isNull() ? 0 : static_cast<std::uint64_t>(picture.width());
    return (width * 3 + 3) & ~std::uint64_t{3};
}

} // namespace

std::uint64_t BitmapFileSize(const QImage& picture) {
    const std::uint64_t height =
        picture.isNull() ? 0 : static_cast<std::uint64_t>(picture.height());
    return kHeadersSize + RowBytes(picture) * height;
}

std::string EncodeBitmap(const QImage& picture) {
    const QImage image =
        picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_BGR888);
    const std::uint64_t width = image.isNull() ? 0 : static_cast<std::uint64_t>(image.width());
    const std::uint64_t height = image.isNull() ? 0 : static_cast<std::uint64_t>(image.height());
    const std::uint64_t stride = RowBytes(image);
    const std::uint64_t fileSize = BitmapFileSize(image);
    if (fileSize > std::numeric_limits<std::uint32_t>::max())
        throw EImageError("BMP", "picture too large to write");

    std::string out(static_cast<std::size_t>(fileSize), '\0');
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, static_cast<std::uint32_t>(fileSize));
    Put32(out, 10, kHeadersSize);
    Put32(out, 14, 40);
    Put32(out, 18, static_cast<std::uint32_t>(width));
    Put32(out, 22, static_cast<std::uint32_t>(height)); // positive: bottom-up
    Put16(out, 26, 1);                                  // planes
    Put16(out, 28, 24);                                 // bits per pixel
    Put32(out, 30, 0);                                  // BI_RGB
    Put32(out, 34, static_cast<std::uint32_t>(stride * height));
    for (std::uint64_t r = 0; r < height; ++r)
        std::memcpy(out.data() + kHeadersSize + stride * r,
                    image.constScanLine(static_cast<int>(height - 1 - r)),
                    static_cast<std::size_t>(width * 3));
    return out;
}

void SaveImageAsBitmap(const QImage& picture, const std::string& path) {
    std::string bytes;
    try {
        bytes = EncodeBitmap(picture);
    } catch (const EImageError&) {
        throw EFCreateError(path);
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) throw EFCreateError(path);
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fflush(file) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        ::unlink(path.c_str());
        throw EFCreateError(path);
    }
}

} // namespace lumisk
