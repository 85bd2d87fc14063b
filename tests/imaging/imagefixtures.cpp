#include "imaging/imagefixtures.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

namespace lumisk::test {

QImage CameraPicture(int width, int height) {
    QImage picture(width, height, QImage::Format_BGR888);
    std::uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        uchar* row = picture.scanLine(y);
        for (int x = 0; x < width; ++x) {
            noise = noise * 1103515245u + 12345u;
            const int n = static_cast<int>((noise >> 16) % 9) - 4;
            row[3 * x] =
                static_cast<uchar>(std::clamp(255 * y / std::max(1, height - 1) + n, 0, 255));
            row[3 * x + 1] = static_cast<uchar>(std::clamp(128 + n, 0, 255));
            row[3 * x + 2] =
                static_cast<uchar>(std::clamp(255 * x / std::max(1, width - 1) + n, 0, 255));
        }
    }
    return picture;
}

QImage SolidPicture(int width, int height, QColor colour) {
    QImage picture(width, height, QImage::Format_BGR888);
    picture.fill(colour);
    return picture;
}

int MaxDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 256;
    const QImage x = a.convertToFormat(QImage::Format_BGR888);
    const QImage y = b.convertToFormat(QImage::Format_BGR888);
    int worst = 0;
    for (int r = 0; r < x.height(); ++r)
        for (int i = 0; i < x.width() * 3; ++i)
            worst = std::max(worst, std::abs(x.constScanLine(r)[i] - y.constScanLine(r)[i]));
    return worst;
}

namespace {

std::string CompressJpeg(int width, int height, int components, J_COLOR_SPACE space, TJpegKind kind,
                         int quality, const std::vector<const std::uint8_t*>& rows) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = static_cast<JDIMENSION>(width);
    c.image_height = static_cast<JDIMENSION>(height);
    c.input_components = components;
    c.in_color_space = space;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (kind == TJpegKind::Grey) jpeg_set_colorspace(&c, JCS_GRAYSCALE);
    if (kind == TJpegKind::Progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    for (int y = 0; y < height; ++y) {
        JSAMPROW row = const_cast<JSAMPROW>(rows[static_cast<std::size_t>(y)]);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return out;
}

} // namespace

std::string EncodeJpeg(const QImage& picture, TJpegKind kind, int quality) {
    const QImage image = picture.convertToFormat(QImage::Format_BGR888);
    std::vector<const std::uint8_t*> rows;
    for (int y = 0; y < image.height(); ++y)
        rows.push_back(image.constScanLine(y));
    return CompressJpeg(image.width(), image.height(), 3, JCS_EXT_BGR, kind, quality, rows);
}

std::string EncodeCmykJpeg(int width, int height, const std::uint8_t cmyk[4]) {
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 4);
    for (int x = 0; x < width; ++x)
        std::memcpy(row.data() + 4 * x, cmyk, 4);
    std::vector<const std::uint8_t*> rows(static_cast<std::size_t>(height), row.data());
    return CompressJpeg(width, height, 4, JCS_CMYK, TJpegKind::Baseline, 95, rows);
}

std::string PatchJpegSize(std::string jpeg, int width, int height) {
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        const auto m = static_cast<std::uint8_t>(jpeg[i + 1]);
        if (static_cast<std::uint8_t>(jpeg[i]) == 0xFF && (m == 0xC0 || m == 0xC2)) {
            jpeg[i + 5] = static_cast<char>(height >> 8);
            jpeg[i + 6] = static_cast<char>(height & 0xFF);
            jpeg[i + 7] = static_cast<char>(width >> 8);
            jpeg[i + 8] = static_cast<char>(width & 0xFF);
            return jpeg;
        }
    }
    throw std::logic_error("no SOF marker");
}

namespace {

void AppendPng(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}

void FlushPng(png_structp) {}

std::uint32_t Be32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at])) << 24 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 2])) << 8 |
           static_cast<std::uint8_t>(b[at + 3]);
}

std::string Be32Bytes(std::uint32_t v) {
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
            static_cast<char>(v)};
}

std::size_t FindPngChunk(const std::string& png, const std::string& type) {
    for (std::size_t at = 8; at + 12 <= png.size(); at += 12 + Be32(png, at))
        if (png.compare(at + 4, 4, type) == 0) return at;
    throw std::logic_error("no " + type + " chunk");
}

} // namespace

std::string EncodePng(const TPngLayout& layout) {
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) throw std::logic_error("libpng could not write the test picture");
    png_set_write_fn(png, &out, AppendPng, FlushPng);
    png_set_IHDR(png, info, static_cast<png_uint_32>(layout.Width),
                 static_cast<png_uint_32>(layout.Height), layout.BitDepth, layout.ColorType,
                 layout.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (const QColor& c : layout.Palette)
        palette.push_back({static_cast<png_byte>(c.red()), static_cast<png_byte>(c.green()),
                           static_cast<png_byte>(c.blue())});
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!layout.Transparency.empty())
        png_set_tRNS(png, info, layout.Transparency.data(),
                     static_cast<int>(layout.Transparency.size()), nullptr);
    std::vector<png_bytep> rows;
    for (const std::string& r : layout.Rows)
        rows.push_back(reinterpret_cast<png_bytep>(const_cast<char*>(r.data())));
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::string EncodePng(const QImage& picture, bool interlaced) {
    const bool alpha = picture.hasAlphaChannel();
    const QImage image =
        picture.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    TPngLayout layout;
    layout.Width = image.width();
    layout.Height = image.height();
    layout.ColorType = alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    layout.Interlaced = interlaced;
    for (int y = 0; y < image.height(); ++y)
        layout.Rows.emplace_back(reinterpret_cast<const char*>(image.constScanLine(y)),
                               static_cast<std::size_t>(image.width()) * (alpha ? 4 : 3));
    return EncodePng(layout);
}

std::string PngChunk(const std::string& type, const std::string& data) {
    std::string body = type + data;
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size())));
    return Be32Bytes(static_cast<std::uint32_t>(data.size())) + body + Be32Bytes(crc);
}

std::string InsertPngChunk(const std::string& png, const std::string& before,
                           const std::string& chunk) {
    std::string out = png;
    out.insert(FindPngChunk(png, before), chunk);
    return out;
}

std::string DamagePngCrc(std::string png, const std::string& type) {
    const std::size_t at = FindPngChunk(png, type);
    png[at + 8 + Be32(png, at) + 3] ^= 0x55;
    return png;
}

std::string PngWithSize(std::uint32_t width, std::uint32_t height) {
    std::string ihdr = Be32Bytes(width) + Be32Bytes(height) + std::string("\x08\x02\0\0\0", 5);
    const std::string row(1 + 3, '\0'); // filter byte and one black pixel
    uLongf size = compressBound(static_cast<uLong>(row.size()));
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &size,
             reinterpret_cast<const Bytef*>(row.data()), static_cast<uLong>(row.size()));
    packed.resize(size);
    return std::string("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", ihdr) + PngChunk("IDAT", packed) +
           PngChunk("IEND", "");
}

namespace {

int AppendGif(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<std::string*>(gif->UserData)
        ->append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
    return length;
}

ColorMapObject* MakeMap(const std::vector<QColor>& colours) {
    if (colours.empty()) return nullptr;
    std::vector<GifColorType> entries;
    for (const QColor& c : colours)
        entries.push_back({static_cast<GifByteType>(c.red()), static_cast<GifByteType>(c.green()),
                           static_cast<GifByteType>(c.blue())});
    return GifMakeMapObject(static_cast<int>(entries.size()), entries.data());
}

} // namespace

std::string EncodeGif(const TGifLayout& layout) {
    std::string out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendGif, &error);
    EGifSetGifVersion(gif, true);
    ColorMapObject* global = MakeMap(layout.Palette);
    EGifPutScreenDesc(gif, layout.ScreenWidth, layout.ScreenHeight, 8, layout.Background, global);
    GifFreeMapObject(global);
    for (const TGifFrame& f : layout.Frames) {
        if (f.Transparent >= 0) {
            GraphicsControlBlock control{};
            control.TransparentColor = f.Transparent;
            GifByteType ext[4];
            EGifGCBToExtension(&control, ext);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext);
        }
        ColorMapObject* local = MakeMap(f.LocalPalette);
        EGifPutImageDesc(gif, f.Left, f.Top, f.Width, f.Height, f.Interlaced, local);
        GifFreeMapObject(local);
        std::vector<int> order;
        if (f.Interlaced) {
            constexpr int kStart[] = {0, 4, 2, 1};
            constexpr int kStep[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = kStart[pass]; y < f.Height; y += kStep[pass])
                    order.push_back(y);
        } else {
            for (int y = 0; y < f.Height; ++y)
                order.push_back(y);
        }
        for (int y : order) {
            std::vector<GifPixelType> line(f.Pixels.begin() + y * f.Width,
                                           f.Pixels.begin() + (y + 1) * f.Width);
            EGifPutLine(gif, line.data(), f.Width);
        }
    }
    EGifCloseFile(gif, &error);
    return out;
}

std::string SimpleGif(int screenWidth, int screenHeight, int width, int height) {
    TGifLayout layout;
    layout.ScreenWidth = screenWidth;
    layout.ScreenHeight = screenHeight;
    layout.Palette = {Qt::black, Qt::white};
    TGifFrame frame;
    frame.Width = width;
    frame.Height = height;
    frame.Pixels.assign(static_cast<std::size_t>(width) * height, 1);
    layout.Frames.push_back(frame);
    return EncodeGif(layout);
}

void Put16(std::string& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
    Put16(bytes, at, static_cast<std::uint16_t>(value & 0xFFFF));
    Put16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

std::string PadRow(std::string row) {
    row.resize((row.size() + 3) / 4 * 4, '\0');
    return row;
}

std::string BuildBmp(const TBmpLayout& layout) {
    const bool core = layout.HeaderSize == 12;
    std::string header(14 + layout.HeaderSize, '\0');
    header[0] = 'B';
    header[1] = 'M';
    Put32(header, 14, layout.HeaderSize);
    if (core) {
        Put16(header, 18, static_cast<std::uint16_t>(layout.Width));
        Put16(header, 20, static_cast<std::uint16_t>(layout.Height));
        Put16(header, 22, 1);
        Put16(header, 24, layout.Bits);
    } else {
        Put32(header, 18, static_cast<std::uint32_t>(layout.Width));
        Put32(header, 22, static_cast<std::uint32_t>(layout.Height));
        Put16(header, 26, 1);
        Put16(header, 28, layout.Bits);
        Put32(header, 30, layout.Compression);
        Put32(header, 34, static_cast<std::uint32_t>(layout.Pixels.size()));
        Put32(header, 46, layout.ColorsUsed);
    }
    std::string masks;
    for (std::size_t i = 0; i < layout.Masks.size(); ++i) {
        std::string field(4, '\0');
        Put32(field, 0, layout.Masks[i]);
        if (layout.HeaderSize > 40)
            header.replace(54 + 4 * i, 4, field);
        else
            masks += field;
    }
    std::string palette;
    for (const QColor& c : layout.Palette) {
        palette += static_cast<char>(c.blue());
        palette += static_cast<char>(c.green());
        palette += static_cast<char>(c.red());
        if (!core) palette += '\0';
    }
    std::string file = header + masks + palette + layout.Pixels;
    Put32(file, 2, static_cast<std::uint32_t>(file.size()));
    Put32(file, 10, static_cast<std::uint32_t>(header.size() + masks.size() + palette.size()));
    return file;
}

} // namespace lumisk::test
